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

// Writes "Error: <text> \n" to standard output (buffered standard I/O); the
// windowed executable may show the text in a message box instead (ui/message_box.h).
void printError(const std::wstring& text);

// Loads message `id`, formats it with `args` and prints it with printError.
void printErrorMessage(unsigned id, std::initializer_list<MessageArg> args = {});
