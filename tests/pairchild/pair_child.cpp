// Stands in for a paired executable. Environment:
//   PAIR_CHILD_RECORD=<file>  appends "start <command line>\n" (UTF-8) at the start
//                             and "end <exit code>\n" just before it ends
//   PAIR_CHILD_SLEEPMS=<n>    waits n ms in between
//   PAIR_CHILD_EXIT=<n>       the exit code (default 0)
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

std::wstring variable(const wchar_t* name) {
    wchar_t buffer[2048];
    DWORD n = GetEnvironmentVariableW(name, buffer, 2048);
    return n > 0 && n < 2048 ? std::wstring(buffer, n) : std::wstring();
}

void record(const std::wstring& file, const std::wstring& line) {
    if (file.empty()) return;
    int n = WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), &text[0], n, nullptr, nullptr);
    text += "\n";
    HANDLE f = CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(f);
}

}  // namespace

int wmain() {
    std::wstring file = variable(L"PAIR_CHILD_RECORD");
    record(file, std::wstring(L"start ") + GetCommandLineW());
    long sleepMs = std::wcstol(variable(L"PAIR_CHILD_SLEEPMS").c_str(), nullptr, 10);
    if (sleepMs > 0) Sleep(static_cast<DWORD>(sleepMs));
    int code = static_cast<int>(std::wcstol(variable(L"PAIR_CHILD_EXIT").c_str(), nullptr, 10));
    record(file, L"end " + std::to_wstring(code));
    return code;
}
