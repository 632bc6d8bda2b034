// qzprobe.dll, a library of a made-up name that the probe variant of the test
// VM imports (probe_import.cpp): when the system loads a copy of it, it
// appends "probe <the copy's path>" to the TESTVM_LOG file, so a test sees
// which copy the library search found.
#include <windows.h>

extern "C" __declspec(dllexport) int qzprobe() { return 1; }

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, void*) {
    wchar_t log[MAX_PATH], path[MAX_PATH];
    if (reason != DLL_PROCESS_ATTACH || !GetEnvironmentVariableW(L"TESTVM_LOG", log, MAX_PATH)) return TRUE;
    const int n = static_cast<int>(GetModuleFileNameW(self, path, MAX_PATH));
    char line[4 * MAX_PATH] = "probe ";
    int length = 6 + WideCharToMultiByte(CP_UTF8, 0, path, n, line + 6, sizeof line - 8, nullptr, nullptr);
    line[length++] = '\n';
    HANDLE file = CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
    CloseHandle(file);
    return TRUE;
}
