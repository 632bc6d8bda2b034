#include <gtest/gtest.h>

#include "base/text.h"
#include "runtime/java_version.h"

namespace {

JavaVersion v(int a, int b, int c, int d) { return JavaVersion(a, b, c, d); }

TEST(JavaVersion, ParsesRegistryNamesAndConfigValues) {
    EXPECT_EQ(JavaVersion::parse(L"1.6.0_20", 0), v(1, 6, 0, 20));
    EXPECT_EQ(JavaVersion::parse(L"1.6.0_20", 65535), v(1, 6, 0, 20));
    EXPECT_EQ(JavaVersion::parse(L"1.8.0_131-b11", 0), v(1, 8, 0, 131));
    EXPECT_EQ(JavaVersion::parse(L"1.7", 65535), v(1, 7, 65535, 65535));
    EXPECT_EQ(JavaVersion::parse(L"10", 0), v(10, 0, 0, 0));
    EXPECT_EQ(JavaVersion::parse(L"jre1.6", 0), v(1, 6, 0, 0));
    EXPECT_EQ(JavaVersion::parse(L"1.2.3.4.5", 0), v(1, 2, 3, 4));
    EXPECT_EQ(JavaVersion::parse(L"17.0.9+9", 0), v(17, 0, 9, 9));
    EXPECT_EQ(JavaVersion::parse(L"", 65535), v(0, 0, 0, 0));
    EXPECT_EQ(JavaVersion::parse(L"Any", 65535), v(0, 0, 0, 0));
    EXPECT_EQ(JavaVersion::parse(L"1.6 ", 65535), v(1, 6, 65535, 65535));
}

TEST(JavaVersion, OverlongGroupsFailWholeButLeadingZerosDoNotCount) {
    EXPECT_EQ(JavaVersion::parse(L"1.12345678901", 65535), v(0, 0, 0, 0));
    EXPECT_EQ(JavaVersion::parse(L"000000000001.5", 0), v(1, 5, 0, 0));
    EXPECT_EQ(JavaVersion::parse(L"2147483647", 0), v(2147483647, 0, 0, 0));
    // Ten digits above the 32-bit range pass the overflow check; they are held at the maximum.
    EXPECT_EQ(JavaVersion::parse(L"2147483649", 0), v(2147483647, 0, 0, 0));
    EXPECT_EQ(JavaVersion::parse(L"2147483650", 0), v(0, 0, 0, 0));
}

TEST(JavaVersion, ComparesFieldsAsNumbers) {
    EXPECT_EQ(compare(v(1, 10, 0, 0), v(1, 9, 0, 0)), 1);
    EXPECT_EQ(compare(v(1, 9, 0, 0), v(1, 10, 0, 0)), -1);
    EXPECT_EQ(compare(v(1, 6, 0, 20), v(1, 6, 0, 20)), 0);
    EXPECT_EQ(compare(v(-1, 0, 0, 0), v(0, 0, 0, 0)), -1);
}

TEST(JavaVersion, UnsetIsAllZeroOrAllAny) {
    EXPECT_TRUE(isUnset(v(0, 0, 0, 0)));
    EXPECT_TRUE(isUnset(v(65535, 65535, 65535, 65535)));
    EXPECT_FALSE(isUnset(v(1, 7, 65535, 65535)));
    EXPECT_FALSE(isUnset(v(0, 0, 0, 1)));
}

TEST(JavaVersion, TrailingZerosOfPreferredAreWildcards) {
    EXPECT_TRUE(matchesPreferred(v(1, 6, 0, 0), v(1, 6, 0, 20)));
    EXPECT_TRUE(matchesPreferred(v(1, 6, 0, 0), v(1, 6, 0, 0)));
    EXPECT_FALSE(matchesPreferred(v(1, 6, 0, 0), v(1, 7, 0, 0)));
    EXPECT_TRUE(matchesPreferred(v(1, 6, 0, 20), v(1, 6, 0, 20)));
    EXPECT_FALSE(matchesPreferred(v(1, 6, 0, 20), v(1, 6, 0, 21)));
    EXPECT_TRUE(matchesPreferred(v(1, 0, 1, 0), v(1, 0, 1, 7)));
    EXPECT_FALSE(matchesPreferred(v(1, 0, 1, 0), v(1, 5, 1, 0)));
    EXPECT_TRUE(matchesPreferred(v(0, 0, 0, 0), v(9, 9, 9, 9)));
}

TEST(JavaVersion, DisplayForm) {
    EXPECT_EQ(toText(v(1, 6, 0, 20)), L"1.6.0.20");
    EXPECT_EQ(toText(v(1, 7, 65535, 65535)), L"1.7");
    EXPECT_EQ(toText(v(1, 8, 0, 0)), L"1.8");
    EXPECT_EQ(toText(v(5, 0, 0, 0)), L"5.0");
    EXPECT_EQ(toText(v(1, 0, 0, 5)), L"1.0.0.5");
    EXPECT_EQ(toText(v(0, 0, 0, 0)), L"0.0.0.0");
    EXPECT_EQ(toText(v(65535, 65535, 65535, 65535)), L"0.0.0.0");
}

TEST(JavaVersion, ConfigBoundsAndPreferredList) {
    EXPECT_EQ(minimumFromConfig(L"any"), v(0, 0, 0, 0));
    EXPECT_EQ(maximumFromConfig(L"any"), v(65535, 65535, 65535, 65535));
    EXPECT_EQ(maximumFromConfig(L"Any"), v(0, 0, 0, 0));
    EXPECT_EQ(minimumFromConfig(L"1.6"), v(1, 6, 0, 0));
    EXPECT_EQ(maximumFromConfig(L"1.6"), v(1, 6, 65535, 65535));
    EXPECT_EQ(maximumFromConfig(L""), v(0, 0, 0, 0));

    using L = std::vector<std::wstring>;
    EXPECT_EQ(splitList(L"1.6;;1.7", L';'), (L{L"1.6", L"", L"1.7"}));
    EXPECT_EQ(splitList(L"1.6;", L';'), (L{L"1.6"}));
    EXPECT_EQ(splitList(L"", L';'), L{});
    EXPECT_EQ(splitList(L" 1.6; 1.7", L';'), (L{L" 1.6", L" 1.7"}));
    EXPECT_EQ(splitList(L";1.7", L';'), (L{L"", L"1.7"}));
}

TEST(JavaVersion, RequirementPhrase) {
    JavaVersion none;
    JavaVersion any = maximumFromConfig(L"any");
    EXPECT_EQ(requirementPhrase(none, none), L"latest version");
    EXPECT_EQ(requirementPhrase(minimumFromConfig(L"any"), any), L"latest version");
    EXPECT_EQ(requirementPhrase(none, maximumFromConfig(L"1.8")), L"maximum version 1.8");
    EXPECT_EQ(requirementPhrase(minimumFromConfig(L"1.6.0_20"), any), L"minimum version 1.6.0.20");
    EXPECT_EQ(requirementPhrase(minimumFromConfig(L"1.6"), maximumFromConfig(L"1.6")), L"version between 1.6 and 1.6");
    EXPECT_EQ(requirementPhrase(minimumFromConfig(L"1.7.0.0"), maximumFromConfig(L"1.7.0.0")), L"version 1.7 is required");
}

}  // namespace
