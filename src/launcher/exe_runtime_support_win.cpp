// The launcher is built without exceptions. libstdc++ still reports misuse
// (an impossible length, an index out of range, memory exhaustion) by throwing;
// with nothing to catch it the outcome would be termination anyway. Defining
// these reporters here ends the process at once and keeps the unwinder, the
// exception classes and the name demangler out of the executable.
#include <windows.h>

#include <cstddef>
#include <cstdlib>

namespace {
[[noreturn]] void fail() {
    ExitProcess(static_cast<UINT>(-1));
}
}  // namespace

namespace std {
void __throw_bad_alloc() { fail(); }
void __throw_bad_array_new_length() { fail(); }
void __throw_length_error(const char*) { fail(); }
void __throw_logic_error(const char*) { fail(); }
void __throw_out_of_range(const char*) { fail(); }
void __throw_out_of_range_fmt(const char*, ...) { fail(); }
void __throw_invalid_argument(const char*) { fail(); }
void __throw_bad_function_call() { fail(); }
}  // namespace std

// Allocation that fails ends the process the same way; the library's own
// operator new would throw std::bad_alloc and so link the whole exception runtime.
void* operator new(std::size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p) fail();
    return p;
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace __gnu_cxx {
void __verbose_terminate_handler() { fail(); }
}  // namespace __gnu_cxx
