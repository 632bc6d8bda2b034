#include "vm/vm_output.h"

// The VM and the launcher share the C library here.
int passOnVmOutput(FILE* stream, const char* format, va_list arguments) {
    return std::vfprintf(stream, format, arguments);
}
