#include "base/profile.h"

#include "base/text.h"

std::wstring continuationValue(const std::wstring& plain, const std::wstring& continued) {
    if (!plain.empty()) return plain;
    if (continued.empty()) return std::wstring();
    if (continued[0] == L' ') return continued;
    return L" " + continued;
}

bool nameListed(const std::vector<std::wstring>& names, const std::wstring& wanted) {
    for (const std::wstring& name : names) {
        if (equalsIgnoreCase(name, wanted)) return true;
        for (wchar_t c : name) {
            if (c > 0x7F) return true;
        }
    }
    return false;
}
