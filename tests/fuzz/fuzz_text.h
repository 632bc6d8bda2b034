#pragma once
// Wide text from fuzzer bytes, as the Windows product sees it: UTF-16 units.
// A byte below 0xF0 is one unit of that value (ASCII and Latin-1 stay one byte,
// so the fuzzer reaches quotes, spaces and digits easily); 0xF0 followed by
// two bytes is the unit they make (little-endian), which reaches every unit,
// surrogates and 0 included.
#include <cstddef>
#include <cstdint>
#include <string>

inline std::wstring fuzzText(const uint8_t* data, size_t size) {
    std::wstring text;
    text.reserve(size);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0xF0 && i + 2 < size) {
            text += static_cast<wchar_t>(data[i + 1] | (data[i + 2] << 8));
            i += 2;
        } else {
            text += static_cast<wchar_t>(data[i]);
        }
    }
    return text;
}

// Reads the first `count` bytes of the input as a little-endian number and
// moves past them (0 for what is missing).
inline uint64_t fuzzNumber(const uint8_t*& data, size_t& size, size_t count) {
    uint64_t value = 0;
    for (size_t i = 0; i < count && size > 0; ++i, ++data, --size) value |= static_cast<uint64_t>(*data) << (8 * i);
    return value;
}
