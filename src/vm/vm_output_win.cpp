#include <windows.h>

#include "vm/vm_output.h"

// The stream belongs to the C runtime that the VM library uses (ucrtbase.dll
// for today's runtimes, an msvcr*.dll for older ones), not to this
// executable's: the stream's own library formats and writes.
int passOnVmOutput(FILE* stream, const char* format, va_list arguments) {
    HMODULE runtime = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(stream), &runtime)) {
        return -1;
    }
    using Classic = int(__cdecl*)(FILE*, const char*, va_list);
    using Universal = int(__cdecl*)(unsigned long long, FILE*, const char*, void*, va_list);
    int n = -1;
    if (void* classic = reinterpret_cast<void*>(GetProcAddress(runtime, "vfprintf"))) {
        n = reinterpret_cast<Classic>(classic)(stream, format, arguments);
    } else if (void* universal = reinterpret_cast<void*>(GetProcAddress(runtime, "__stdio_common_vfprintf"))) {
        n = reinterpret_cast<Universal>(universal)(0, stream, format, nullptr, arguments);
    }
    return n;
}
