// The platform-free rules of runtime discovery and selection: which families
// take part, version bounds, homes, VM library resolution, ordering and choice.
#include <gtest/gtest.h>

#include <set>

#include "runtime/candidates.h"
#include "runtime/discovery.h"
#include "runtime/policy.h"
#include "unit/fake_runtime_probe.h"
#include "vm/vm_options.h"

namespace {

JavaVersion v(int a, int b, int c, int d) { return JavaVersion(a, b, c, d); }

RuntimeCandidate candidate(JavaVersion version, const std::wstring& home, bool server = false, bool favored = false) {
    RuntimeCandidate c;
    c.version = version;
    c.home = home;
    c.isServer = server;
    c.isFavored = favored;
    c.source = home;
    return c;
}

std::vector<std::wstring> homes(const std::vector<RuntimeCandidate>& list) {
    std::vector<std::wstring> out;
    for (const auto& c : list) out.push_back(c.home);
    return out;
}

// Rows 1 to 5 of the classic table that take part under the given words.
std::string takingPart(const std::wstring& source, const std::wstring& provider) {
    RuntimePolicy l;
    applyJvmSource(l, source);
    applyVmProvider(l, provider);
    std::string rows;
    for (size_t i = 0; i < classicFamilies().size(); ++i) {
        if (familyParticipation(classicFamilies()[i], l) == EntryVerdict::Accepted) rows += char('1' + i);
    }
    return rows;
}

std::string favoured(const std::wstring& source, const std::wstring& provider) {
    RuntimePolicy l;
    applyJvmSource(l, source);
    applyVmProvider(l, provider);
    std::string rows;
    for (size_t i = 0; i < classicFamilies().size(); ++i) {
        if (familyFavored(classicFamilies()[i], l)) rows += char('1' + i);
    }
    return rows;
}

TEST(RuntimeFamilies, ClassicTableInSearchOrder) {
    const auto& f = classicFamilies();
    ASSERT_EQ(f.size(), 5u);
    EXPECT_STREQ(f[0].key, L"Software\\JavaSoft\\Java Development Kit\\");
    EXPECT_STREQ(f[1].key, L"Software\\JavaSoft\\Java Runtime Environment\\");
    EXPECT_STREQ(f[2].key, L"Software\\JRockit\\Java Runtime Environment\\");
    EXPECT_STREQ(f[3].key, L"Software\\JRockit\\Java Development Kit\\");
    EXPECT_STREQ(f[4].key, L"Software\\IBM\\Java2 Runtime Environment\\");
    for (const auto& family : f) {
        EXPECT_STREQ(family.valueName, L"JavaHome");
        EXPECT_EQ(family.implementation, nullptr);
        EXPECT_EQ(family.homeHoldsJre, family.kind == RuntimeKind::Jdk);
    }
}

TEST(RuntimeFamilies, ModernLayoutsKindsAndVendors) {
    const auto& f = modernFamilies();
    std::set<std::wstring> ibm;
    for (const auto& family : f) {
        std::wstring key = family.key;
        EXPECT_TRUE(family.modern) << key;
        EXPECT_FALSE(family.homeHoldsJre) << key;  // Java 9 and later have no jre\ folder
        EXPECT_FALSE(family.favorServerAsDefault) << key;
        if (family.names != KeyNames::Versions) continue;  // Zulu and Liberica: below
        EXPECT_EQ(family.kind, key.find(L"\\JDK\\") != std::wstring::npos ? RuntimeKind::Jdk : RuntimeKind::Jre) << key;
        EXPECT_EQ(family.versionValue, nullptr) << key;
        if (family.implementation) {
            EXPECT_STREQ(family.valueName, L"Path") << key;
            bool isIbm = key.find(L"Semeru") != std::wstring::npos || std::wstring(family.implementation) == L"openj9";
            EXPECT_EQ(family.vendor, isIbm ? RuntimeVendor::Ibm : RuntimeVendor::Sun) << key;
        } else {
            EXPECT_STREQ(family.valueName, L"JavaHome") << key;
            EXPECT_EQ(family.vendor, RuntimeVendor::Sun) << key;
        }
    }
    EXPECT_STREQ(f.front().key, L"Software\\JavaSoft\\JDK\\");
    // Zulu and Liberica come last: the kind is in the key name, the home in "InstallationPath".
    ASSERT_GE(f.size(), 4u);
    const RuntimeFamily* tail = &f[f.size() - 4];
    const KeyNames names[] = {KeyNames::ZuluJdk, KeyNames::ZuluJre, KeyNames::LibericaJdk, KeyNames::LibericaJre};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(tail[i].names, names[i]);
        EXPECT_EQ(tail[i].kind, i % 2 == 0 ? RuntimeKind::Jdk : RuntimeKind::Jre);
        EXPECT_EQ(tail[i].vendor, RuntimeVendor::Sun);
        EXPECT_STREQ(tail[i].valueName, L"InstallationPath");
        EXPECT_EQ(tail[i].implementation, nullptr);
        EXPECT_STREQ(tail[i].key, i < 2 ? L"Software\\Azul Systems\\Zulu\\" : L"Software\\BellSoft\\Liberica\\");
    }
    EXPECT_STREQ(tail[0].versionValue, L"CurrentVersion");
    EXPECT_EQ(tail[2].versionValue, nullptr);
    EXPECT_STREQ(f[f.size() - 5].key, L"Software\\Microsoft\\JDK\\");
    EXPECT_STREQ(f[f.size() - 5].implementation, L"hotspot");
    for (const auto& family : classicFamilies()) EXPECT_FALSE(family.modern) << family.key;
}

TEST(RuntimeFamilies, ParticipationFollowsJvmSourceAndVmProvider) {
    EXPECT_EQ(takingPart(L"", L""), "12");
    EXPECT_EQ(takingPart(L"favor_JDK", L""), "12");  // favouring still searches every kind
    EXPECT_EQ(takingPart(L"only_JDK", L""), "1");
    EXPECT_EQ(takingPart(L"only_JRE", L""), "2");
    EXPECT_EQ(takingPart(L"only_JRE", L"favor_ibm"), "235");
    EXPECT_EQ(takingPart(L"only_JDK", L"any"), "14");
    EXPECT_EQ(takingPart(L"", L"jrockit"), "34");
    EXPECT_EQ(takingPart(L"", L"IBM"), "5");
    EXPECT_EQ(takingPart(L"", L"any"), "12345");
    EXPECT_EQ(takingPart(L"", L"oracle"), "12");  // an unknown provider keeps the defaults
    EXPECT_EQ(takingPart(L"Only_JDK", L"any"), "");  // an unknown source searches nothing

    EXPECT_EQ(favoured(L"", L""), "12");
    EXPECT_EQ(favoured(L"favor_JDK", L""), "1");
    EXPECT_EQ(favoured(L"favor_JRE", L"favor_ibm"), "5");
    EXPECT_EQ(favoured(L"", L"any"), "");
    EXPECT_EQ(favoured(L"", L"jrockit"), "34");
}

TEST(RuntimeFamilies, VersionBoundsAreInclusiveAndAZeroMaximumIsNoBound) {
    const JavaVersion min = minimumFromConfig(L"1.6");
    const JavaVersion max = maximumFromConfig(L"1.8");
    EXPECT_EQ(boundsVerdict(JavaVersion::parse(L"1.6", 0), min, max), EntryVerdict::Accepted);
    EXPECT_EQ(boundsVerdict(JavaVersion::parse(L"1.6.0_20", 0), min, max), EntryVerdict::Accepted);
    EXPECT_EQ(boundsVerdict(JavaVersion::parse(L"1.8.0_131", 0), min, max), EntryVerdict::Accepted);
    EXPECT_EQ(boundsVerdict(JavaVersion::parse(L"1.9", 0), min, max), EntryVerdict::AboveMaximum);
    EXPECT_EQ(boundsVerdict(JavaVersion::parse(L"1.5.0_22", 0), min, max), EntryVerdict::BelowMinimum);
    EXPECT_EQ(boundsVerdict(JavaVersion::parse(L"21.0.1", 0), min, max), EntryVerdict::AboveMaximum);

    // An absent "Maximum Version" reads as 0.0.0.0 and bounds nothing.
    const JavaVersion none = maximumFromConfig(L"");
    ASSERT_EQ(none, v(0, 0, 0, 0));
    EXPECT_EQ(boundsVerdict(v(21, 0, 1, 12), min, none), EntryVerdict::Accepted);
    EXPECT_EQ(boundsVerdict(v(0, 0, 0, 0), JavaVersion(), none), EntryVerdict::Accepted);
    EXPECT_EQ(boundsVerdict(v(1, 5, 0, 0), min, none), EntryVerdict::BelowMinimum);
    // "any" and an exact maximum still bound as written.
    EXPECT_EQ(boundsVerdict(v(99, 0, 0, 0), min, maximumFromConfig(L"any")), EntryVerdict::Accepted);
    EXPECT_EQ(boundsVerdict(v(1, 7, 0, 1), JavaVersion(), v(1, 7, 0, 0)), EntryVerdict::AboveMaximum);
    EXPECT_EQ(boundsVerdict(v(0, 0, 0, 1), JavaVersion(), v(0, 0, 0, 1)), EntryVerdict::Accepted);
}

TEST(RuntimeFamilies, HomesAndTheirVmType) {
    const auto& classic = classicFamilies();
    EXPECT_EQ(familyHome(classic[0], L"D:\\jdk"), L"D:\\jdk\\jre\\");
    EXPECT_EQ(familyHome(classic[3], L"D:\\jrockit\\"), L"D:\\jrockit\\jre\\");
    EXPECT_EQ(familyHome(classic[1], L"D:\\Java\\jre7"), L"D:\\Java\\jre7\\");
    EXPECT_EQ(familyHome(classic[1], L"D:\\Java\\jre7\\"), L"D:\\Java\\jre7\\");
    EXPECT_EQ(familyHome(classic[0], L""), L"");
    EXPECT_EQ(familyHome(modernFamilies()[0], L"C:\\Program Files\\Java\\jdk-21"),
              L"C:\\Program Files\\Java\\jdk-21\\");

    // Only the Sun JRE row resolves "favor_server" like the default type.
    EXPECT_EQ(familyJvmType(classic[1], JvmType::FavorServer), JvmType::Default);
    EXPECT_EQ(familyJvmType(classic[1], JvmType::Server), JvmType::Server);
    EXPECT_EQ(familyJvmType(classic[0], JvmType::FavorServer), JvmType::FavorServer);
    EXPECT_EQ(familyJvmType(classic[4], JvmType::FavorServer), JvmType::FavorServer);
    for (const auto& family : modernFamilies()) {
        EXPECT_EQ(familyJvmType(family, JvmType::FavorServer), JvmType::FavorServer);
    }
}

TEST(RuntimeResolution, SubPathOrderPerJvmType) {
    FakeRuntimeProbe probe;
    std::set<std::wstring>& files = probe.files;
    bool server = true;

    files = {L"H\\bin\\client\\jvm.dll", L"H\\bin\\server\\jvm.dll"};
    EXPECT_EQ(resolveJvmLibrary(probe, L"H\\", JvmType::Default, &server), L"H\\bin\\client\\jvm.dll");
    EXPECT_FALSE(server);
    EXPECT_EQ(resolveJvmLibrary(probe, L"H\\", JvmType::Server, &server), L"H\\bin\\server\\jvm.dll");
    EXPECT_TRUE(server);
    EXPECT_EQ(resolveJvmLibrary(probe, L"H\\", JvmType::FavorServer, &server), L"H\\bin\\server\\jvm.dll");
    EXPECT_TRUE(server);

    files = {L"H\\bin\\client\\jvm.dll"};
    EXPECT_EQ(resolveJvmLibrary(probe, L"H\\", JvmType::Server, &server), L"");
    EXPECT_FALSE(server);
    EXPECT_EQ(resolveJvmLibrary(probe, L"H\\", JvmType::FavorServer, &server), L"H\\bin\\client\\jvm.dll");

    files = {L"H\\bin\\server\\jvm.dll"};
    EXPECT_EQ(resolveJvmLibrary(probe, L"H\\", JvmType::Default, &server), L"H\\bin\\server\\jvm.dll");
    EXPECT_TRUE(server);

    files = {L"H\\bin\\jrockit\\jvm.dll", L"H\\bin\\hotspot\\jvm.dll", L"H\\bin\\classic\\jvm.dll"};
    EXPECT_EQ(resolveJvmLibrary(probe, L"H\\", JvmType::Default, &server), L"H\\bin\\classic\\jvm.dll");
    files.erase(L"H\\bin\\classic\\jvm.dll");
    EXPECT_EQ(resolveJvmLibrary(probe, L"H\\", JvmType::Default, &server), L"H\\bin\\hotspot\\jvm.dll");
    files.erase(L"H\\bin\\hotspot\\jvm.dll");
    EXPECT_EQ(resolveJvmLibrary(probe, L"H\\", JvmType::FavorServer, &server), L"H\\bin\\jrockit\\jvm.dll");
    EXPECT_FALSE(server);
    files.clear();
    EXPECT_EQ(resolveJvmLibrary(probe, L"H\\", JvmType::Default, &server), L"");
}

TEST(RuntimeOrdering, FavouredThenServerThenNewestThenDiscovery) {
    RuntimePolicy l;
    std::vector<RuntimeCandidate> list = {
        candidate(v(1, 6, 0, 0), L"old-favoured", false, true),
        candidate(v(1, 8, 0, 0), L"new"),
        candidate(v(1, 7, 0, 0), L"server", true),
        candidate(v(1, 8, 0, 0), L"new-again"),
        candidate(v(1, 7, 0, 5), L"favoured", false, true),
    };
    std::vector<RuntimeCandidate> sorted = list;
    orderCandidates(sorted, l);
    EXPECT_EQ(homes(sorted), (std::vector<std::wstring>{L"favoured", L"old-favoured", L"new", L"new-again", L"server"}));

    l.jvmType = JvmType::FavorServer;
    sorted = list;
    orderCandidates(sorted, l);
    EXPECT_EQ(homes(sorted), (std::vector<std::wstring>{L"favoured", L"old-favoured", L"server", L"new", L"new-again"}));

    // Without favouring ("only_JRE" and the like) the favoured flag counts for nothing.
    l.favorSource = false;
    sorted = list;
    orderCandidates(sorted, l);
    EXPECT_EQ(homes(sorted), (std::vector<std::wstring>{L"server", L"new", L"new-again", L"favoured", L"old-favoured"}));
    l.jvmType = JvmType::Default;
    sorted = list;
    orderCandidates(sorted, l);
    EXPECT_EQ(homes(sorted), (std::vector<std::wstring>{L"new", L"new-again", L"favoured", L"server", L"old-favoured"}));
}

TEST(RuntimeOrdering, ServerRuleOnlyWithFavorServer) {
    RuntimePolicy l;
    l.jvmType = JvmType::Server;
    std::vector<RuntimeCandidate> list = {candidate(v(1, 6, 0, 0), L"jdk16", true, true),
                                          candidate(v(1, 7, 0, 0), L"jre17", false, true)};
    orderCandidates(list, l);
    EXPECT_EQ(list[0].home, L"jre17");
    l.jvmType = JvmType::FavorServer;
    orderCandidates(list, l);
    EXPECT_EQ(list[0].home, L"jdk16");
}

TEST(RuntimeChoice, PreferredVersionsInOrderElseTheFirst) {
    std::vector<RuntimeCandidate> sorted = {candidate(v(1, 8, 0, 0), L"18"), candidate(v(1, 7, 0, 80), L"17"),
                                            candidate(v(1, 6, 0, 45), L"16")};
    int matched = 99;
    EXPECT_EQ(chooseCandidate(sorted, {L"1.6", L"1.7"}, &matched), 2u);
    EXPECT_EQ(matched, 0);
    EXPECT_EQ(chooseCandidate(sorted, {L"1.5", L"1.7"}, &matched), 1u);
    EXPECT_EQ(matched, 1);
    EXPECT_EQ(chooseCandidate(sorted, {L"1.5"}, &matched), 0u);
    EXPECT_EQ(matched, -1);
    EXPECT_EQ(chooseCandidate(sorted, {}, &matched), 0u);
    EXPECT_EQ(chooseCandidate(sorted, {L"1.7.0_79"}), 0u);
    EXPECT_EQ(chooseCandidate(sorted, {L"1.7.0_80"}), 1u);
    // An empty piece matches every candidate.
    EXPECT_EQ(chooseCandidate(sorted, {L"", L"1.6"}, &matched), 0u);
    EXPECT_EQ(matched, 0);
}

TEST(RuntimeChoice, SameHomeIsKeptOnceWithTheMostPreciseVersion) {
    auto named = [](const wchar_t* text, const std::wstring& home, const std::wstring& source) {
        RuntimeCandidate c = candidate(JavaVersion::parse(text, 0), home);
        c.versionText = text;
        c.source = source;
        return c;
    };
    std::vector<RuntimeCandidate> list = {named(L"21", L"C:\\Java\\jdk-21\\", L"a"),
                                          named(L"17.0.9", L"C:\\Java\\jdk-17\\", L"b"),
                                          named(L"21.0.2", L"c:\\java\\JDK-21\\", L"c"),
                                          named(L"17.0.8", L"C:\\Java\\jdk-17\\", L"d"),
                                          named(L"21.0.1", L"C:\\Java\\jdk-21\\", L"e")};
    std::vector<DroppedCandidate> dropped = keepOnePerHome(list);
    // 21.0.2 takes the place of 21; of 17.0.9 and 17.0.8 (equally precise) the first stays.
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].versionText, L"21.0.2");
    EXPECT_EQ(list[0].home, L"c:\\java\\JDK-21\\");
    EXPECT_EQ(list[0].version, v(21, 0, 2, 0));
    EXPECT_EQ(list[1].versionText, L"17.0.9");
    ASSERT_EQ(dropped.size(), 3u);
    EXPECT_EQ(dropped[0].source, L"a");
    EXPECT_EQ(dropped[0].verdict, EntryVerdict::LessPrecise);
    EXPECT_EQ(dropped[1].source, L"d");
    EXPECT_EQ(dropped[1].verdict, EntryVerdict::SameHome);
    EXPECT_EQ(dropped[2].source, L"e");
    EXPECT_EQ(dropped[2].verdict, EntryVerdict::SameHome);
}

TEST(RuntimeFamilies, ZuluAndLibericaKeyNames) {
    EXPECT_TRUE(keyNameFits(KeyNames::Versions, L"anything"));
    EXPECT_TRUE(keyNameFits(KeyNames::ZuluJdk, L"zulu-21"));
    EXPECT_TRUE(keyNameFits(KeyNames::ZuluJdk, L"Zulu-8"));
    EXPECT_FALSE(keyNameFits(KeyNames::ZuluJdk, L"zulu-17-jre"));
    EXPECT_TRUE(keyNameFits(KeyNames::ZuluJre, L"zulu-17-jre"));
    EXPECT_TRUE(keyNameFits(KeyNames::ZuluJre, L"zulu-17-JRE"));
    EXPECT_FALSE(keyNameFits(KeyNames::ZuluJre, L"zulu-17"));
    EXPECT_FALSE(keyNameFits(KeyNames::ZuluJdk, L"zulu-"));
    EXPECT_FALSE(keyNameFits(KeyNames::ZuluJdk, L"jdk-21"));
    EXPECT_TRUE(keyNameFits(KeyNames::LibericaJdk, L"jdk-21"));
    EXPECT_FALSE(keyNameFits(KeyNames::LibericaJdk, L"jre-21"));
    EXPECT_TRUE(keyNameFits(KeyNames::LibericaJre, L"JRE-17"));
    EXPECT_FALSE(keyNameFits(KeyNames::LibericaJre, L"jdk-17"));
}

TEST(RuntimePublishing, JvmHomeCutsThreeComponents) {
    EXPECT_EQ(jvmHomeFromLibrary(L"D:\\jre\\bin\\server\\jvm.dll"), L"D:\\jre");
    EXPECT_EQ(jvmHomeFromLibrary(L"C:\\Program Files\\Java\\jdk-21\\bin\\server\\jvm.dll"),
              L"C:\\Program Files\\Java\\jdk-21");
    EXPECT_EQ(jvmHomeFromLibrary(L"bin\\client\\jvm.dll"), L"bin");
    EXPECT_EQ(jvmHomeFromLibrary(L"jvm.dll"), L"jvm.dll");
    EXPECT_EQ(jvmHomeFromLibrary(L""), L"");
}

}  // namespace
