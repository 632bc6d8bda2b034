#include "launcher/text.h"

namespace {
wchar_t foldAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }
}  // namespace

bool startsWith(const std::wstring& text, const std::wstring& prefix) {
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

bool endsWith(const std::wstring& text, wchar_t c) { return !text.empty() && text.back() == c; }

bool equalsIgnoreCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (foldAscii(a[i]) != foldAscii(b[i])) return false;
    }
    return true;
}

std::wstring decimal(long long value) {
    wchar_t buffer[24];
    wchar_t* end = buffer + 24;
    wchar_t* p = end;
    unsigned long long magnitude = value < 0 ? 0ull - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
    do {
        *--p = static_cast<wchar_t>(L'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    if (value < 0) *--p = L'-';
    return std::wstring(p, end);
}

std::wstring replaceAll(std::wstring text, wchar_t from, wchar_t to) {
    for (wchar_t& c : text) {
        if (c == from) c = to;
    }
    return text;
}

std::wstring expandReferences(const std::wstring& text, const VariableLookup& lookup) {
    std::wstring out;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t open = text.find(L'%', pos);
        size_t close = open == std::wstring::npos ? std::wstring::npos : text.find(L'%', open + 1);
        if (close == std::wstring::npos) {
            out.append(text, pos, std::wstring::npos);
            break;
        }
        out.append(text, pos, open - pos);
        std::wstring value;
        if (close > open + 1 && lookup(text.substr(open + 1, close - open - 1), value)) {
            out += value;
        } else {
            out.append(text, open, close - open + 1);
        }
        pos = close + 1;
    }
    return out;
}

std::wstring fromModifiedUtf8(const std::string& text) {
    // Modified UTF-8 encodes UTF-16 units one by one (surrogates separately,
    // U+0000 as two bytes), so decoding unit by unit gives the UTF-16 text.
    std::u16string units;
    for (size_t i = 0; i < text.size();) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            units += static_cast<char16_t>(b);
            i += 1;
        } else if ((b & 0xE0) == 0xC0 && i + 1 < text.size()) {
            units += static_cast<char16_t>(((b & 0x1F) << 6) | (text[i + 1] & 0x3F));
            i += 2;
        } else if ((b & 0xF0) == 0xE0 && i + 2 < text.size()) {
            units += static_cast<char16_t>(((b & 0x0F) << 12) | ((text[i + 1] & 0x3F) << 6) | (text[i + 2] & 0x3F));
            i += 3;
        } else {
            units += u'?';
            i += 1;
        }
    }
    std::wstring out;
    if (sizeof(wchar_t) == 2) {
        out.assign(units.begin(), units.end());
        return out;
    }
    for (size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        }
        out += static_cast<wchar_t>(c);
    }
    return out;
}
