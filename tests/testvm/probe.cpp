// qzprobe.dll, of a made-up name, appends "probe <its path>" to TESTVM_LOG when
// loaded; built with QZ_PROBE_VM, a jvm.dll that imports it.
#include <windows.h>

#include <cstdio>

#ifdef QZ_PROBE_VM
extern "C" __declspec(dllimport) int qzprobe();
const int imported = qzprobe();
#else
extern "C" __declspec(dllexport) int qzprobe() { return 1; }

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, void*) {
    wchar_t log[MAX_PATH], path[MAX_PATH];
    FILE* file = nullptr;
    if (reason == DLL_PROCESS_ATTACH && GetEnvironmentVariableW(L"TESTVM_LOG", log, MAX_PATH) &&
        GetModuleFileNameW(self, path, MAX_PATH) && (file = _wfopen(log, L"ab"))) {
        fclose((fprintf(file, "probe %ls\n", path), file));
    }
    return TRUE;
}
#endif
