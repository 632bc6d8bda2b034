#include <windows.h>

#include "launcher/paths.h"
#include "launcher/text.h"
#include "launcher/trace.h"

namespace {

// 0: not looked at yet, 1: off, 2: on.
volatile LONG traceState = 0;
wchar_t tracePath[4096];

bool initTrace() {
    LONG state = traceState;
    if (state != 0) return state == 2;
    DWORD n = GetEnvironmentVariableW(L"QZ_LAUNCHER_LOG", tracePath, ARRAYSIZE(tracePath));
    bool on = n > 0 && n < ARRAYSIZE(tracePath);
    if (on) ensureParentFolders(tracePath);
    InterlockedExchange(&traceState, on ? 2 : 1);
    return on;
}

// Decimal digits of `value`, with leading zeros up to `width`.
std::wstring padded(long long value, size_t width) {
    std::wstring text = decimal(value);
    if (text.size() < width) text.insert(0, width - text.size(), L'0');
    return text;
}

std::string utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

}  // namespace

bool traceEnabled() { return initTrace(); }

void trace(const std::wstring& line) {
    if (!initTrace()) return;
    SYSTEMTIME t;
    GetLocalTime(&t);
    // Formatted by hand: wsprintf would load user32 into every traced start.
    std::string text = utf8(padded(t.wHour, 2) + L":" + padded(t.wMinute, 2) + L":" + padded(t.wSecond, 2) + L"." +
                            padded(t.wMilliseconds, 3) + L" [" + decimal(GetCurrentProcessId()) + L"] " + line) +
                       "\r\n";
    HANDLE file = CreateFileW(tracePath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}
