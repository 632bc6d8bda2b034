#include "base/text.h"

namespace {
wchar_t foldAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }
}  // namespace

bool survivesAnsi(const std::wstring& text) { return fromAnsi(toAnsi(text)) == text; }

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

namespace {

// The code points of wide text: surrogate pairs joined where wchar_t is UTF-16.
template <typename Visit>
void forEachCodePoint(const std::wstring& text, Visit visit) {
    for (size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<char32_t>(text[i]);
        if (sizeof(wchar_t) == 2 && c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() &&
            static_cast<char32_t>(text[i + 1]) >= 0xDC00 && static_cast<char32_t>(text[i + 1]) <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(text[i + 1]) - 0xDC00);
            ++i;
        } else if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
            c = 0xFFFD;
        }
        visit(c);
    }
}

void appendCodePoint(std::wstring& out, char32_t c) {
    if (sizeof(wchar_t) == 2 && c >= 0x10000) {
        c -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (c >> 10));
        out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
    } else {
        out += static_cast<wchar_t>(c);
    }
}

}  // namespace

std::string utf8(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    forEachCodePoint(text, [&out](char32_t c) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    });
    return out;
}

std::wstring fromModifiedUtf8(const std::string& text) {
    // Modified UTF-8 encodes UTF-16 units one by one (surrogates separately,
    // U+0000 as two bytes), so decoding unit by unit gives the UTF-16 text;
    // four-byte sequences of standard UTF-8 give their code point.
    std::u32string units;
    for (size_t i = 0; i < text.size();) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        auto next = [&](size_t k) { return static_cast<char32_t>(static_cast<unsigned char>(text[i + k]) & 0x3F); };
        if (b < 0x80) {
            units += static_cast<char32_t>(b);
            i += 1;
        } else if ((b & 0xE0) == 0xC0 && i + 1 < text.size()) {
            units += static_cast<char32_t>((b & 0x1F) << 6) | next(1);
            i += 2;
        } else if ((b & 0xF0) == 0xE0 && i + 2 < text.size()) {
            units += static_cast<char32_t>((b & 0x0F) << 12) | (next(1) << 6) | next(2);
            i += 3;
        } else if ((b & 0xF8) == 0xF0 && i + 3 < text.size()) {
            units += static_cast<char32_t>((b & 0x07) << 18) | (next(1) << 12) | (next(2) << 6) | next(3);
            i += 4;
        } else {
            units += U'?';
            i += 1;
        }
    }
    std::wstring out;
    for (size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        }
        if (c > 0x10FFFF) c = U'?';
        appendCodePoint(out, c);
    }
    return out;
}

std::vector<std::wstring> splitList(const std::wstring& text, wchar_t separator) {
    std::vector<std::wstring> pieces;
    size_t start = 0;
    while (start < text.size()) {
        size_t sep = text.find(separator, start);
        if (sep == std::wstring::npos) sep = text.size();
        pieces.push_back(text.substr(start, sep - start));
        start = sep + 1;
    }
    return pieces;
}
