#include "vm/date_pattern.h"

#include "base/text.h"

bool findDatePatternStretch(const std::wstring& name, size_t& first, size_t& last) {
    first = name.find(L'%');
    if (first == std::wstring::npos) return false;
    last = name.rfind(L'%');
    return true;
}

std::wstring replaceMilliseconds(const std::wstring& picture, unsigned milliseconds) {
    if (picture.find(L'L') == std::wstring::npos) return picture;
    const std::wstring digits = decimal(milliseconds);
    std::wstring out;
    for (wchar_t c : picture) {
        if (c == L'L') {
            out += digits;
        } else {
            out += c;
        }
    }
    return out;
}

void expandDateTimePatternWith(std::wstring& name, unsigned milliseconds, const DateTimeFormatter& format) {
    size_t first = 0;
    size_t last = 0;
    if (!findDatePatternStretch(name, first, last)) return;
    std::wstring picture = last > first ? name.substr(first + 1, last - first - 1) : std::wstring();
    std::wstring formatted = format(replaceMilliseconds(picture, milliseconds));
    name = name.substr(0, first) + formatted + name.substr(last + 1);
}
