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

std::wstring ProfileSource::read(const std::wstring& section, const std::wstring& key) const {
    std::wstring plain = readPlain(section, key);
    if (!plain.empty()) return plain;
    return continuationValue(plain, readPlain(section + L"+", key));
}
