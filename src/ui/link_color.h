#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Link colours as the browser settings store them: "red,green,blue" text.
// Colours are packed with red in the lowest byte (the Win32 COLORREF layout).

constexpr uint32_t packColor(uint32_t red, uint32_t green, uint32_t blue) {
    return (red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16);
}

constexpr uint32_t kDefaultLinkColor = packColor(0, 0, 255);       // blue
constexpr uint32_t kDefaultVisitedColor = packColor(128, 0, 128);  // purple

// Room for a value, terminator included: longer texts are not read.
constexpr size_t kLinkColorValueChars = 12;

// Reads a decimal number the way the C library's wide atoi does: leading white
// space, an optional sign, digits up to the first other character; no digits
// read as 0. Values beyond the 32-bit range are held at its ends.
int32_t readDecimal(const std::wstring& text, size_t start);

// Parses "red,green,blue". False (colour untouched) when a comma is missing,
// when nothing follows the second comma, or when red or green reads as -1.
// Each number keeps its low 8 bits (300 gives 44, -2 gives 254).
bool parseLinkColor(const std::wstring& text, uint32_t& color);

// Registry value types that a colour may have (as the registry numbers them).
constexpr uint32_t kRegistryString = 1;        // REG_SZ
constexpr uint32_t kRegistryExpandString = 2;  // REG_EXPAND_SZ, taken literally

// Checks one queried registry value and parses it. `bytes` is what the query
// returned (already known to fit the buffer of kLinkColorValueChars characters).
// The value must be a string or expandable string of an even byte length that
// ends in a 0 character; an empty value is the empty text (and fails to parse).
bool linkColorFromValue(uint32_t type, const unsigned char* bytes, size_t byteCount, uint32_t& color);
