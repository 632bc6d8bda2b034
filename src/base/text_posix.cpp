// The Linux build speaks UTF-8 where Windows uses the thread's ANSI code page.
#include "base/text.h"

std::string toAnsi(const std::wstring& text) { return utf8(text); }

std::wstring fromAnsi(const std::string& text) { return fromModifiedUtf8(text); }
