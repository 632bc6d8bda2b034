#include "vm/vm_output.h"

// The VM and the launcher share the C library here.
int passOnVmOutput(FILE* stream, const char* format, va_list arguments) {
    const int n = std::vfprintf(stream, format, arguments);
    return n < 0 ? 0 : n;
}
