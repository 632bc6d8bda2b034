#pragma once
// Included ahead of every source of the Windows builds (see src/CMakeLists.txt).
// libstdc++ declares its std::string and std::wstring as instantiated in the
// library, so that any use links the whole of its string-inst objects, and
// their unwind tables bring the exception runtime along: some 80 KB of the
// 32-bit executable. Without those declarations the compiler instantiates the
// members where they are used, and the linker drops what nothing calls.
#include <bits/c++config.h>
#undef _GLIBCXX_EXTERN_TEMPLATE
#define _GLIBCXX_EXTERN_TEMPLATE 0
