#include <windows.h>

#include "base/messages.h"

std::wstring loadMessage(unsigned id) {
    const wchar_t* text = nullptr;
    // With a zero buffer size LoadStringW hands out a pointer into the resource itself.
    int n = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<wchar_t*>(&text), 0);
    if (n <= 0 || !text) return std::wstring();
    return std::wstring(text, static_cast<size_t>(n));
}

Failure failureWithLastError(unsigned messageId, std::initializer_list<MessageArg> inserts) {
    const DWORD error = GetLastError();
    Failure failure(messageId, inserts);
    failure.inserts.push_back(MessageArg(static_cast<unsigned long>(error)));
    return failure;
}
