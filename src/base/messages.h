#pragma once
#include <initializer_list>
#include <string>
#include <vector>

// One argument of a message: a wide text for %s or a signed 32-bit number for %d.
struct MessageArg {
    MessageArg(const std::wstring& t) : text(t) {}
    MessageArg(const wchar_t* t) : text(t ? t : L"") {}
    MessageArg(int n) : isNumber(true), number(n) {}
    MessageArg(long n) : isNumber(true), number(static_cast<int>(n)) {}
    MessageArg(unsigned long n) : isNumber(true), number(static_cast<int>(n)) {}
    MessageArg(unsigned n) : isNumber(true), number(static_cast<int>(n)) {}

    bool isNumber = false;
    int number = 0;
    std::wstring text;
};

// Formats by the wide printf rules for the conversions the string table uses:
// %s (wide text), %d (signed 32-bit) and %%. Arguments are taken in order; a
// missing one formats as empty text or 0. Other conversions are copied as written.
std::wstring formatMessage(const std::wstring& format, const std::vector<MessageArg>& args);

// The text of string resource `id`, or empty text when there is none.
std::wstring loadMessage(unsigned id);

// A failure on its way to the place that decides what is reported: a message
// of the string table and its inserts. An id of 0 means no failure. It may
// carry one more message, a note printed on its own line after the first.
struct [[nodiscard]] Failure {
    Failure() = default;
    Failure(unsigned messageId, std::initializer_list<MessageArg> args = {}) : id(messageId), inserts(args) {}
    explicit operator bool() const { return id != 0; }

    unsigned id = 0;
    std::vector<MessageArg> inserts;
    unsigned noteId = 0;  // 0: no note
    std::vector<MessageArg> noteInserts;
};

// Failure `messageId` whose last insert is the system's last error code (GetLastError, errno).
Failure failureWithLastError(unsigned messageId, std::initializer_list<MessageArg> inserts = {});

// The message of a failure, formatted.
std::wstring messageText(const Failure& failure);

// Where the launcher's messages also go, or instead: a sink gets the text
// (without "Error: ") and answers true when standard output is to be left out.
// The entry point sets one (the windowed executable's message boxes).
using ErrorSink = bool (*)(const std::wstring& text);
void setErrorSink(ErrorSink sink);

// Writes "Error: <text> \n" to standard output (buffered standard I/O) unless
// the error sink took the message, and hands the text to the error listener
// when one is set.
void printError(const std::wstring& text);

// A second reader of every error printed (a service's event log); null: none.
// It may be called on any thread that prints.
using ErrorListener = void (*)(const std::wstring& text);
void setErrorListener(ErrorListener listener);

// Prints the message of a failure with printError, then its note the same way;
// nothing for no failure.
void report(const Failure& failure);
