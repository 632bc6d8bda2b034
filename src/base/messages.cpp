#include "base/messages.h"

#include <atomic>
#include <cstdio>

#include "base/text.h"

std::wstring formatMessage(const std::wstring& format, const std::vector<MessageArg>& args) {
    std::wstring out;
    out.reserve(format.size() + 64);
    size_t next = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        wchar_t c = format[i];
        if (c != L'%' || i + 1 == format.size()) {
            out += c;
            continue;
        }
        wchar_t conversion = format[i + 1];
        if (conversion == L'%') {
            out += L'%';
            ++i;
        } else if (conversion == L's') {
            if (next < args.size()) {
                const MessageArg& a = args[next];
                out += a.isNumber ? decimal(a.number) : a.text;
            }
            ++next;
            ++i;
        } else if (conversion == L'd') {
            if (next < args.size()) {
                const MessageArg& a = args[next];
                out += a.isNumber ? decimal(a.number) : L"0";
            } else {
                out += L'0';
            }
            ++next;
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

namespace {
ErrorSink errorSink = nullptr;
std::atomic<ErrorListener> errorListener{nullptr};
}  // namespace

void setErrorSink(ErrorSink sink) { errorSink = sink; }
void setErrorListener(ErrorListener listener) { errorListener.store(listener); }

void printError(const std::wstring& text) {
    if (errorSink && errorSink(text)) return;
    std::string line = "Error: " + toAnsi(text) + " \n";
    std::fputs(line.c_str(), stdout);
    if (ErrorListener listener = errorListener.load()) listener(text);
}

std::wstring messageText(const Failure& failure) { return formatMessage(loadMessage(failure.id), failure.inserts); }

void report(const Failure& failure) {
    if (!failure) return;
    printError(messageText(failure));
    if (failure.noteId) printError(formatMessage(loadMessage(failure.noteId), failure.noteInserts));
}
