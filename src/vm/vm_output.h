#pragma once
// Text the VM writes through its "vfprintf" hook, passed on to where the VM
// would have written it itself.
#include <cstdarg>
#include <cstdio>

// Formats and writes as the VM's own C runtime does; the number of characters
// written, or a negative number when the text could not be passed on.
int passOnVmOutput(FILE* stream, const char* format, va_list arguments);
