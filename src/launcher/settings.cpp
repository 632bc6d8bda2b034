#include "launcher/settings.h"

#include "base/text.h"

bool isYesAnyCase(const std::wstring& value) { return equalsIgnoreCase(value, L"Yes"); }

bool isYesExact(const std::wstring& value) { return value == L"yes"; }

std::wstring mainClassFromConfig(const std::wstring& value) { return replaceAll(value, L'.', L'/'); }
