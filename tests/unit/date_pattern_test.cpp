#include <gtest/gtest.h>

#include "vm/date_pattern.h"

namespace {

// Stands in for the platform's two formatting passes: records the picture and
// answers with a marked copy, or fails.
struct FakeFormatter {
    std::wstring seen;
    bool fail = false;
    std::wstring operator()(const std::wstring& picture) {
        seen = picture;
        return fail ? std::wstring() : L"<" + picture + L">";
    }
};

std::wstring expand(std::wstring name, unsigned ms, FakeFormatter& f) {
    expandDateTimePatternWith(name, ms, [&f](const std::wstring& p) { return f(p); });
    return name;
}

TEST(DatePattern, TheStretchRunsFromTheFirstToTheLastPercent) {
    FakeFormatter f;
    EXPECT_EQ(expand(L"out_%yyyy-MM-dd_HH-mm-ss%.log", 0, f), L"out_<yyyy-MM-dd_HH-mm-ss>.log");
    EXPECT_EQ(f.seen, L"yyyy-MM-dd_HH-mm-ss");
    EXPECT_EQ(expand(L"a%b%c%d.txt", 0, f), L"a<b%c>d.txt");
    EXPECT_EQ(expand(L"logs\\%%x", 0, f), L"logs\\<>x");
    // A single '%' gives an empty picture.
    EXPECT_EQ(expand(L"x%y", 0, f), L"x<>y");
    EXPECT_EQ(f.seen, L"");
}

TEST(DatePattern, NamesWithoutPercentAreNotFormatted) {
    FakeFormatter f;
    f.seen = L"untouched";
    EXPECT_EQ(expand(L"logs\\out.txt", 5, f), L"logs\\out.txt");
    EXPECT_EQ(f.seen, L"untouched");
}

TEST(DatePattern, UpperCaseLBecomesTheMilliseconds) {
    FakeFormatter f;
    EXPECT_EQ(expand(L"o%ss.L-L%", 7, f), L"o<ss.7-7>");
    EXPECT_EQ(expand(L"o%l%", 123, f), L"o<l>");
    EXPECT_EQ(replaceMilliseconds(L"HHmmssL", 0), L"HHmmss0");
    EXPECT_EQ(replaceMilliseconds(L"L", 999), L"999");
}

TEST(DatePattern, FailedFormattingRemovesTheStretch) {
    FakeFormatter f;
    f.fail = true;
    EXPECT_EQ(expand(L"out_%yyyy%.log", 0, f), L"out_.log");
}

}  // namespace
