#include "ui/link_color.h"

namespace {

bool isSpace(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

}  // namespace

int32_t readDecimal(const std::wstring& text, size_t start) {
    size_t i = start;
    while (i < text.size() && isSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
        negative = text[i] == L'-';
        ++i;
    }
    int64_t value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        if (value <= INT64_C(0x80000000)) value = value * 10 + (text[i] - L'0');
    }
    if (negative) value = -value;
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

bool parseLinkColor(const std::wstring& text, uint32_t& color) {
    size_t first = text.find(L',');
    if (first == std::wstring::npos) return false;
    size_t second = text.find(L',', first + 1);
    if (second == std::wstring::npos) return false;
    if (second + 1 >= text.size()) return false;
    // The numbers end at the commas anyway: a comma stops the digits.
    int32_t red = readDecimal(text, 0);
    int32_t green = readDecimal(text, first + 1);
    int32_t blue = readDecimal(text, second + 1);
    if (red == -1 || green == -1) return false;
    color = packColor(static_cast<uint32_t>(red), static_cast<uint32_t>(green), static_cast<uint32_t>(blue));
    return true;
}

bool linkColorFromValue(uint32_t type, const unsigned char* bytes, size_t byteCount, uint32_t& color) {
    if (type != kRegistryString && type != kRegistryExpandString) return false;
    if (byteCount % 2 != 0) return false;
    if (byteCount > kLinkColorValueChars * 2) return false;
    std::wstring text;
    if (byteCount > 0) {
        size_t chars = byteCount / 2;
        for (size_t i = 0; i < chars; ++i) {
            text.push_back(static_cast<wchar_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8)));
        }
        if (text.back() != L'\0') return false;
        text.resize(text.find(L'\0'));
    }
    return parseLinkColor(text, color);
}
