// The version rules of today's runtimes: release files, version resources,
// the Java 8 keys of today's installers, configured texts that say 8 for 1.8,
// and how precise a version text is.
#include <gtest/gtest.h>

#include "runtime/runtime_version.h"

namespace {

JavaVersion v(int a, int b, int c, int d) { return JavaVersion(a, b, c, d); }

std::wstring release(const std::string& bytes) {
    std::wstring text = L"(none)";
    return releaseFileVersion(bytes, text) ? text : L"(none)";
}

TEST(ReleaseFile, JavaVersionLineWithOrWithoutQuotes) {
    // As a JDK 21 writes it: LF line ends, other keys around, JAVA_VERSION_DATE after.
    EXPECT_EQ(release("IMPLEMENTOR=\"Eclipse Adoptium\"\nJAVA_RUNTIME_VERSION=\"21.0.2+13-LTS\"\n"
                      "JAVA_VERSION=\"21.0.2\"\nJAVA_VERSION_DATE=\"2024-01-16\"\n"),
              L"21.0.2");
    // JDK 8: CR LF, and the date key first.
    EXPECT_EQ(release("JAVA_VERSION_DATE=\"2023-10-17\"\r\nJAVA_VERSION=\"1.8.0_392\"\r\nOS_NAME=\"Windows\"\r\n"),
              L"1.8.0_392");
    EXPECT_EQ(release("JAVA_VERSION=17"), L"17");
    EXPECT_EQ(release("  JAVA_VERSION=\"11.0.22\"  \r\n"), L"11.0.22");
}

TEST(ReleaseFile, NoUsableValue) {
    EXPECT_EQ(release(""), L"(none)");
    EXPECT_EQ(release("JAVA_VERSION_DATE=\"2024-01-16\"\n"), L"(none)");
    EXPECT_EQ(release("# JAVA_VERSION=\"21\"\nJAVA_RUNTIME_VERSION=\"21+35\"\n"), L"(none)");
    EXPECT_EQ(release("JAVA_VERSION=\"\"\n"), L"(none)");
    EXPECT_EQ(release("JAVA_VERSION=\"21\xc3\xa9\"\n"), L"(none)");
    EXPECT_EQ(release("JAVA_VERSION=\"" + std::string(65, '1') + "\"\n"), L"(none)");
    EXPECT_EQ(release("JAVA_VERSION=\"" + std::string(64, '1') + "\"\n"), std::wstring(64, L'1'));
}

TEST(ReleaseFile, AJdk8JreFolderLooksInItsParent) {
    EXPECT_EQ(jreParentFolder(L"C:\\Java\\jdk1.8.0_392\\jre\\"), L"C:\\Java\\jdk1.8.0_392\\");
    EXPECT_EQ(jreParentFolder(L"C:\\Java\\jdk8\\JRE\\"), L"C:\\Java\\jdk8\\");
    EXPECT_EQ(jreParentFolder(L"C:\\Java\\jre\\bin\\"), L"");
    EXPECT_EQ(jreParentFolder(L"C:\\Java\\myjre\\"), L"");
    EXPECT_EQ(jreParentFolder(L"\\jre\\"), L"");
    EXPECT_EQ(jreParentFolder(L""), L"");
}

TEST(VersionResource, OnlyTheMajorVersionCountsAnd8IsOnePointEight) {
    const uint16_t jdk21[4] = {21, 0, 2, 0};
    const uint16_t jdk8[4] = {8, 0, 3920, 8};
    const uint16_t none[4] = {0, 0, 0, 0};
    EXPECT_EQ(versionFromProductVersion(jdk21), v(21, 0, 0, 0));
    EXPECT_EQ(versionFromProductVersion(jdk8), v(1, 8, 0, 0));
    EXPECT_EQ(versionFromProductVersion(none), v(0, 0, 0, 0));
    EXPECT_EQ(productVersionText(jdk8), L"8.0.3920.8");
}

TEST(ModernVersion, Java8KeysOfTodaysInstallers) {
    EXPECT_EQ(modernVersion(L"8.0.392.8"), v(1, 8, 0, 392));
    EXPECT_EQ(modernVersion(L"5.0.22.3"), v(1, 5, 0, 22));
    EXPECT_EQ(modernVersion(L"zulu-8"), v(1, 8, 0, 0));
    // Other texts read as usual.
    EXPECT_EQ(modernVersion(L"1.8.0_392"), v(1, 8, 0, 392));
    EXPECT_EQ(modernVersion(L"21.0.2.13"), v(21, 0, 2, 13));
    EXPECT_EQ(modernVersion(L"9.0.4.1"), v(9, 0, 4, 1));
    EXPECT_EQ(modernVersion(L"8.1.2.3"), v(8, 1, 2, 3));  // not of the form N.0.U.B
    // 8.0.392.8 now sorts below 9 and 11, above 1.7.
    EXPECT_EQ(compare(modernVersion(L"8.0.392.8"), modernVersion(L"11.0.22.7")), -1);
    EXPECT_EQ(compare(modernVersion(L"8.0.392.8"), v(1, 7, 0, 80)), 1);
}

TEST(ConfiguredVersion, EightMeansOnePointEightInBothSpellings) {
    EXPECT_EQ(maximumFromConfig(L"8"), maximumFromConfig(L"1.8"));
    EXPECT_EQ(maximumFromConfig(L"8"), v(1, 8, 65535, 65535));
    EXPECT_EQ(minimumFromConfig(L"8"), minimumFromConfig(L"1.8"));
    EXPECT_EQ(minimumFromConfig(L"6"), v(1, 6, 0, 0));
    EXPECT_EQ(minimumFromConfig(L"8.0.392"), v(1, 8, 0, 392));
    EXPECT_EQ(preferredFromConfig(L"8"), v(1, 8, 0, 0));
    EXPECT_EQ(preferredFromConfig(L"1.8"), v(1, 8, 0, 0));
    // Other versions keep their reading.
    EXPECT_EQ(minimumFromConfig(L"11"), v(11, 0, 0, 0));
    EXPECT_EQ(maximumFromConfig(L"any"), v(65535, 65535, 65535, 65535));
    // A preferred 8 matches the Java 8 keys of today's installers and the classic ones.
    EXPECT_TRUE(matchesPreferred(preferredFromConfig(L"8"), modernVersion(L"8.0.392.8")));
    EXPECT_TRUE(matchesPreferred(preferredFromConfig(L"8"), JavaVersion::parse(L"1.8.0_131", 0)));
    EXPECT_EQ(requirementPhrase(minimumFromConfig(L"8"), JavaVersion()), L"minimum version 1.8");
}

TEST(VersionText, PrecisionIsTheNumberOfDigitGroups) {
    EXPECT_EQ(digitGroups(L"21"), 1);
    EXPECT_EQ(digitGroups(L"21.0.2"), 3);
    EXPECT_EQ(digitGroups(L"21.0.2.13"), 4);
    EXPECT_EQ(digitGroups(L"1.8.0_392-b08"), 5);
    EXPECT_EQ(digitGroups(L"zulu-17-jre"), 1);
    EXPECT_EQ(digitGroups(L""), 0);
}

}  // namespace
