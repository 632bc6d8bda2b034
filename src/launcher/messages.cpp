#include "launcher/messages.h"

#include <cstdio>

#include "launcher/text.h"
#include "ui/message_box.h"

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

void printError(const std::wstring& text) {
    if (showErrorBox(text)) return;
    std::string line = "Error: " + toAnsi(text) + " \n";
    std::fputs(line.c_str(), stdout);
}

void printErrorMessage(unsigned id, std::initializer_list<MessageArg> args) {
    printError(formatMessage(loadMessage(id), std::vector<MessageArg>(args)));
}
