#include "launcher/settings.h"

#include "base/text.h"

bool isYesAnyCase(const std::wstring& value) { return equalsIgnoreCase(value, L"Yes"); }

bool isYesExact(const std::wstring& value) { return value == L"yes"; }

std::wstring mainClassFromConfig(const std::wstring& value) { return replaceAll(value, L'.', L'/'); }

uint32_t secondsFromConfig(const std::wstring& value) {
    size_t i = value.find_first_not_of(L" \t");
    uint64_t seconds = 0;
    for (; i < value.size() && value[i] >= L'0' && value[i] <= L'9'; ++i) {
        seconds = seconds * 10 + static_cast<uint64_t>(value[i] - L'0');
        if (seconds > 0xFFFFFFFFu) return 0xFFFFFFFFu;
    }
    return static_cast<uint32_t>(seconds);
}
