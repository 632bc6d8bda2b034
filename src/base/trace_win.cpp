#include <windows.h>

#include "base/handle.h"
#include "base/paths.h"
#include "base/text.h"
#include "base/trace.h"

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
    platform::Handle file(CreateFileW(tracePath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    DWORD written = 0;
    WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}
