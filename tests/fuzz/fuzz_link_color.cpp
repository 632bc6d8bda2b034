// Link colours as the browser settings store them. The first byte is the
// registry value type; the rest is the value's bytes as the query returned
// them (copied into a buffer of exactly that size), and also, read as text of
// any length, the "red,green,blue" text itself.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_text.h"
#include "ui/link_color.h"

namespace {

void check(bool condition) {
    if (!condition) __builtin_trap();
}

// The C library's wide atoi, held at the ends of the 32-bit range.
int32_t referenceDecimal(const std::wstring& text, size_t i) {
    while (i < text.size() && (text[i] == L' ' || (text[i] >= L'\t' && text[i] <= L'\r'))) ++i;
    bool negative = i < text.size() && text[i] == L'-';
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) ++i;
    int64_t value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        value = value * 10 + (text[i] - L'0');
        if (value > (INT64_C(1) << 40)) value = INT64_C(1) << 40;
    }
    if (negative) value = -value;
    return value > INT32_MAX ? INT32_MAX : value < INT32_MIN ? INT32_MIN : static_cast<int32_t>(value);
}

void checkText(const std::wstring& text) {
    const uint32_t untouched = 0xFEDCBA98u;
    uint32_t color = untouched;
    const bool parsed = parseLinkColor(text, color);
    const size_t first = text.find(L',');
    const size_t second = first == std::wstring::npos ? first : text.find(L',', first + 1);
    if (second == std::wstring::npos || second + 1 >= text.size()) {
        check(!parsed && color == untouched);
        return;
    }
    const int32_t red = referenceDecimal(text, 0), green = referenceDecimal(text, first + 1),
                  blue = referenceDecimal(text, second + 1);
    check(readDecimal(text, 0) == red && readDecimal(text, first + 1) == green &&
          readDecimal(text, second + 1) == blue);
    if (red == -1 || green == -1) {
        check(!parsed && color == untouched);
    } else {
        check(parsed && color == packColor(static_cast<uint32_t>(red), static_cast<uint32_t>(green),
                                           static_cast<uint32_t>(blue)));
        check(color <= 0xFFFFFFu);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint32_t type = data[0];
    std::vector<unsigned char> bytes(data + 1, data + size);

    uint32_t color = 0x12345678u;
    const bool taken = linkColorFromValue(type, bytes.empty() ? nullptr : bytes.data(), bytes.size(), color);
    const bool wellFormed = (type == kRegistryString || type == kRegistryExpandString) && bytes.size() % 2 == 0 &&
                            bytes.size() <= kLinkColorValueChars * 2 &&
                            (bytes.empty() || (bytes[bytes.size() - 2] == 0 && bytes.back() == 0));
    if (!wellFormed) check(!taken && color == 0x12345678u);
    if (wellFormed) {
        // The text up to its first 0 character, parsed as such.
        std::wstring text;
        for (size_t i = 0; i + 1 < bytes.size() && (bytes[i] | bytes[i + 1]) != 0; i += 2) {
            text += static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8));
        }
        uint32_t expected = 0x12345678u;
        check(taken == parseLinkColor(text, expected) && color == expected);
    }
    if (taken) check(color <= 0xFFFFFFu);

    checkText(fuzzText(data + 1, size - 1));
    for (size_t start = 0; start + 1 < size; start += 7) {
        const std::wstring text = fuzzText(data + 1, size - 1);
        check(readDecimal(text, start) == referenceDecimal(text, start));
    }
    return 0;
}
