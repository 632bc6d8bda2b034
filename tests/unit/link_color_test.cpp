#include <gtest/gtest.h>

#include <vector>

#include "ui/link_color.h"

namespace {

const uint32_t kUntouched = 0xABCDEF;

uint32_t parsed(const std::wstring& text) {
    uint32_t color = kUntouched;
    parseLinkColor(text, color);
    return color;
}

// A registry value's bytes: UTF-16 little-endian, terminator included when asked.
std::vector<unsigned char> valueBytes(const std::wstring& text, bool terminated = true) {
    std::vector<unsigned char> bytes;
    for (wchar_t c : text) {
        bytes.push_back(static_cast<unsigned char>(c & 0xFF));
        bytes.push_back(static_cast<unsigned char>((c >> 8) & 0xFF));
    }
    if (terminated) {
        bytes.push_back(0);
        bytes.push_back(0);
    }
    return bytes;
}

uint32_t fromValue(uint32_t type, const std::vector<unsigned char>& bytes) {
    uint32_t color = kUntouched;
    linkColorFromValue(type, bytes.data(), bytes.size(), color);
    return color;
}

TEST(LinkColor, ThreeNumbersGiveTheColourWithRedInTheLowByte) {
    EXPECT_EQ(parsed(L"0,128,0"), 0x008000u);
    EXPECT_EQ(parsed(L"255,255,255"), 0xFFFFFFu);
    EXPECT_EQ(parsed(L"1,2,3"), 0x030201u);
    EXPECT_EQ(packColor(0, 0, 255), kDefaultLinkColor);
    EXPECT_EQ(kDefaultLinkColor, 0xFF0000u);
    EXPECT_EQ(kDefaultVisitedColor, 0x800080u);
}

TEST(LinkColor, MissingCommasOrMissingBlueAreRejected) {
    EXPECT_EQ(parsed(L"12,34"), kUntouched);
    EXPECT_EQ(parsed(L"1,2,"), kUntouched);
    EXPECT_EQ(parsed(L""), kUntouched);
    EXPECT_EQ(parsed(L"0 128 0"), kUntouched);
    EXPECT_EQ(parsed(L",,"), kUntouched);
    // Something after the second comma is enough; no digits read as 0.
    EXPECT_EQ(parsed(L",,x"), 0u);
    EXPECT_EQ(parsed(L"1,2, "), 0x000201u);
}

TEST(LinkColor, NumbersReadLikeAtoiAndKeepTheirLowByte) {
    EXPECT_EQ(parsed(L" 10,+20,\t30"), packColor(10, 20, 30));
    EXPECT_EQ(parsed(L"300,0,0"), packColor(44, 0, 0));
    EXPECT_EQ(parsed(L"0,0,-2"), packColor(0, 0, 254));
    EXPECT_EQ(parsed(L"-2,0,0"), packColor(254, 0, 0));
    EXPECT_EQ(parsed(L"12abc,7 8,9z"), packColor(12, 7, 9));
    EXPECT_EQ(parsed(L"- 5,1,1"), packColor(0, 1, 1));
    // -1 in red or green is the reader's failure value: rejected; in blue it is 255.
    EXPECT_EQ(parsed(L"-1,0,0"), kUntouched);
    EXPECT_EQ(parsed(L"0,-1,0"), kUntouched);
    EXPECT_EQ(parsed(L"0,0,-1"), packColor(0, 0, 255));
    EXPECT_EQ(parsed(L"255,-01,0"), kUntouched);
}

TEST(LinkColor, ReadDecimalHoldsOverflowAtTheEnds) {
    EXPECT_EQ(readDecimal(L"99999999999", 0), INT32_MAX);
    EXPECT_EQ(readDecimal(L"-99999999999", 0), INT32_MIN);
    EXPECT_EQ(readDecimal(L"x12", 1), 12);
    EXPECT_EQ(readDecimal(L"12", 5), 0);
}

TEST(LinkColor, RegistryValuesMustBeTerminatedStringsThatFit) {
    EXPECT_EQ(fromValue(kRegistryString, valueBytes(L"0,128,0")), 0x008000u);
    // Expandable strings are taken literally, never expanded.
    EXPECT_EQ(fromValue(kRegistryExpandString, valueBytes(L"0,128,0")), 0x008000u);
    EXPECT_EQ(fromValue(kRegistryExpandString, valueBytes(L"%X%,1,2")), packColor(0, 1, 2));
    EXPECT_EQ(fromValue(kRegistryString, valueBytes(L"255,255,255")), 0xFFFFFFu);  // 11 characters + 0
    EXPECT_EQ(fromValue(4 /* REG_DWORD */, valueBytes(L"0,128,0")), kUntouched);
    EXPECT_EQ(fromValue(3 /* REG_BINARY */, valueBytes(L"0,128,0")), kUntouched);
    EXPECT_EQ(fromValue(kRegistryString, valueBytes(L"0,128,0", false)), kUntouched);
    std::vector<unsigned char> odd = valueBytes(L"0,128,0");
    odd.push_back(0);
    EXPECT_EQ(fromValue(kRegistryString, odd), kUntouched);
    EXPECT_EQ(fromValue(kRegistryString, std::vector<unsigned char>()), kUntouched);
    EXPECT_EQ(fromValue(kRegistryString, valueBytes(L"")), kUntouched);
    // Twelve characters and a terminator are more than the 24-byte buffer.
    EXPECT_EQ(fromValue(kRegistryString, valueBytes(L"0,128,000000")), kUntouched);
    // Text after an inner 0 character is not part of the value.
    std::vector<unsigned char> inner = valueBytes(L"1,2,3");
    std::vector<unsigned char> more = valueBytes(L"9");
    inner.insert(inner.end(), more.begin(), more.end());
    EXPECT_EQ(fromValue(kRegistryString, inner), packColor(1, 2, 3));
}

}  // namespace
