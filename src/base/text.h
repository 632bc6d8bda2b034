#pragma once
#include <functional>
#include <string>
#include <vector>

// Conversions between UTF-16 text and the narrow text the VM takes (option
// strings, class names). On Windows the narrow form uses the ANSI code page of
// the calling thread; the Linux build uses UTF-8.
std::string toAnsi(const std::wstring& text);
std::wstring fromAnsi(const std::string& text);
// Whether the text comes back unchanged from the narrow form (no character is
// replaced by '?' or a look-alike).
bool survivesAnsi(const std::wstring& text);

// UTF-8 of wide text (UTF-16 on Windows, code points elsewhere); an unpaired
// surrogate becomes U+FFFD.
std::string utf8(const std::wstring& text);
// UTF-8, and the modified UTF-8 that JNI hands out (surrogates encoded one by
// one, U+0000 as two bytes), to wide text; a malformed byte reads as '?'.
std::wstring fromModifiedUtf8(const std::string& text);

bool startsWith(const std::wstring& text, const std::wstring& prefix);
bool endsWith(const std::wstring& text, wchar_t c);
bool equalsIgnoreCase(const std::wstring& a, const std::wstring& b);
// Decimal text of a signed number (no locale, no printf).
std::wstring decimal(long long value);

// The pieces of a list separated by `separator`: empty pieces between two
// separators stay, a trailing separator adds none, empty text gives none.
std::vector<std::wstring> splitList(const std::wstring& text, wchar_t separator);

// Replaces every occurrence of `from` by `to`.
std::wstring replaceAll(std::wstring text, wchar_t from, wchar_t to);

// Looks a variable up by name; false when it is not set.
using VariableLookup = std::function<bool(const std::wstring& name, std::wstring& value)>;
// Replaces each %NAME% that `lookup` knows by its value, as the system's
// environment expansion does but without its limit of 32K characters: an
// unknown or empty name keeps "%NAME%" as written and the scan goes on after
// it; a '%' without a closing one stays.
std::wstring expandReferences(const std::wstring& text, const VariableLookup& lookup);
