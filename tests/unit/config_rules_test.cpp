#include <gtest/gtest.h>

#include "base/messages.h"
#include "base/profile.h"
#include "launcher/settings.h"
#include "runtime/policy.h"

namespace {

TEST(ConfigRules, ContinuationValueAlwaysStartsWithASpace) {
    EXPECT_EQ(continuationValue(L"x", L"y"), L"x");
    EXPECT_EQ(continuationValue(L"", L"X"), L" X");
    EXPECT_EQ(continuationValue(L"", L" X"), L" X");
    EXPECT_EQ(continuationValue(L"", L""), L"");
}

TEST(ConfigRules, YesWords) {
    EXPECT_TRUE(isYesAnyCase(L"Yes"));
    EXPECT_TRUE(isYesAnyCase(L"yes"));
    EXPECT_TRUE(isYesAnyCase(L"YES"));
    EXPECT_FALSE(isYesAnyCase(L" Yes"));
    EXPECT_FALSE(isYesAnyCase(L"Yes!"));
    EXPECT_TRUE(isYesExact(L"yes"));
    EXPECT_FALSE(isYesExact(L"Yes"));
}

TEST(ConfigRules, JvmTypeWordsAreExact) {
    EXPECT_EQ(jvmTypeFromText(L"server"), JvmType::Server);
    EXPECT_EQ(jvmTypeFromText(L"favor_server"), JvmType::FavorServer);
    EXPECT_EQ(jvmTypeFromText(L"Server"), JvmType::Default);
    EXPECT_EQ(jvmTypeFromText(L""), JvmType::Default);
}

struct SourceCase {
    const wchar_t* value;
    bool acceptJdk, acceptJre, favorSource;
};

TEST(ConfigRules, JvmSourceTable) {
    const SourceCase cases[] = {
        {L"", true, true, true},          {L"favor_JDK", true, false, true}, {L"favor_JRE", false, true, true},
        {L"only_JDK", true, false, false}, {L"only_JRE", false, true, false}, {L"Only_JDK", false, false, false},
        {L"anything", false, false, false},
    };
    for (const SourceCase& c : cases) {
        RuntimePolicy l;
        applyJvmSource(l, c.value);
        EXPECT_EQ(l.acceptJdk, c.acceptJdk) << c.value;
        EXPECT_EQ(l.acceptJre, c.acceptJre) << c.value;
        EXPECT_EQ(l.favorSource, c.favorSource) << c.value;
    }
}

TEST(ConfigRules, VmProviderTableIgnoresCase) {
    struct Case {
        const wchar_t* value;
        bool ja, jf, sa, sf, ia, iff;
    };
    const Case cases[] = {
        {L"", false, false, true, true, false, false},
        {L"unknown", false, false, true, true, false, false},
        {L"JRockit", true, true, false, false, false, false},
        {L"ibm", false, false, false, false, true, true},
        {L"favor_sun", true, false, true, true, true, false},
        {L"favor_jrockit", true, true, true, false, true, false},
        {L"FAVOR_IBM", true, false, true, false, true, true},
        {L"Any", true, false, true, false, true, false},
    };
    for (const Case& c : cases) {
        RuntimePolicy l;
        applyVmProvider(l, c.value);
        EXPECT_EQ(l.jrockitAllowed, c.ja) << c.value;
        EXPECT_EQ(l.jrockitFavored, c.jf) << c.value;
        EXPECT_EQ(l.sunAllowed, c.sa) << c.value;
        EXPECT_EQ(l.sunFavored, c.sf) << c.value;
        EXPECT_EQ(l.ibmAllowed, c.ia) << c.value;
        EXPECT_EQ(l.ibmFavored, c.iff) << c.value;
    }
}

TEST(ConfigRules, NameListedInAnyCaseOrWhenANameIsNotAscii) {
    const std::vector<std::wstring> names{L"Class Path", L"APPLICATION"};
    EXPECT_TRUE(nameListed(names, L"class path"));
    EXPECT_TRUE(nameListed(names, L"Application"));
    EXPECT_FALSE(nameListed(names, L"Application+"));
    EXPECT_FALSE(nameListed(names, L"Class"));
    EXPECT_FALSE(nameListed({}, L"Application"));
    EXPECT_TRUE(nameListed({L"\u212Aey"}, L"Application"));  // KELVIN SIGN: left to the system
}

TEST(ConfigRules, MainClassUsesSlashes) { EXPECT_EQ(mainClassFromConfig(L"com.example.App"), L"com/example/App"); }

TEST(Messages, WidePrintfConversions) {
    EXPECT_EQ(formatMessage(L"Windows exception: %s (errno = %d).\n", {L"failed to get the module path", 5}),
              L"Windows exception: failed to get the module path (errno = 5).\n");
    EXPECT_EQ(formatMessage(L"%s and %s", {L"a"}), L"a and ");
    EXPECT_EQ(formatMessage(L"100%% %d", {-1}), L"100% -1");
    EXPECT_EQ(formatMessage(L"%x %", {}), L"%x %");
    EXPECT_EQ(loadMessage(216), L"No main method found in specified class.\n");
    EXPECT_EQ(loadMessage(209), L"Java Class Path was not specified in INI file.");
}

TEST(RuntimePolicy, InitialValues) {
    RuntimePolicy l;
    EXPECT_EQ(l.jvmType, JvmType::Default);
    EXPECT_FALSE(l.acceptJdk);
    EXPECT_FALSE(l.acceptJre);
    EXPECT_TRUE(l.favorSource);
    EXPECT_TRUE(l.sunAllowed && l.sunFavored);
    EXPECT_FALSE(l.jrockitAllowed || l.jrockitFavored || l.ibmAllowed || l.ibmFavored);
    EXPECT_FALSE(l.keepsThreadsAttached());
    EXPECT_TRUE(isUnset(l.minimumVersion) && isUnset(l.maximumVersion));
}

}  // namespace
