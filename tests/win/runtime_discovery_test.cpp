// Runtime discovery and selection in-process, against registry entries planted
// in the test prefix (both views) and runtime folders made of marker files.
// The product's own view is the 32-bit one; this x86_64 process names it.
#include <gtest/gtest.h>

#include "base/messages.h"
#include "base/paths.h"
#include "base/profile.h"
#include "base/text.h"
#include "runtime/candidates.h"
#include "runtime/discovery.h"
#include "runtime/selection.h"
#include "vm/environment.h"
#include "support/process.h"
#include "support/runtime_fixtures.h"

using namespace testing_support;

namespace {

const wchar_t kSunJdk[] = L"Software\\JavaSoft\\Java Development Kit\\";
const wchar_t kSunJre[] = L"Software\\JavaSoft\\Java Runtime Environment\\";
const wchar_t kJrockitJre[] = L"Software\\JRockit\\Java Runtime Environment\\";
const wchar_t kJrockitJdk[] = L"Software\\JRockit\\Java Development Kit\\";
const wchar_t kIbmJre[] = L"Software\\IBM\\Java2 Runtime Environment\\";
const REGSAM k32 = KEY_WOW64_32KEY;
const REGSAM k64 = KEY_WOW64_64KEY;

JavaVersion v(int a, int b, int c, int d) { return JavaVersion(a, b, c, d); }

// Stands in for the "JRE Not Found" dialog: records the call and gives `answer`.
struct FakeUser {
    int calls = 0;
    std::wstring message;
    UserAnswer answer;  // Cancel unless a test says otherwise
    FakeUser() { answer.result = 2; }
};

// A search's inputs and outputs side by side, named as the settings and the choice name them.
struct SearchState : RuntimePolicy {
    std::wstring jrePath;
    std::wstring pairProductPath;
    std::wstring productName;
    std::wstring productCode;
    bool isService = false;
    std::wstring jvmLibraryPath;
    JavaVersion selectedVersion;
    VersionOrigin versionOrigin = VersionOrigin::None;
    std::wstring versionText;
    VersionOrigin versionTextOrigin = VersionOrigin::None;
    bool runPairProduct = false;
};

// This test program's own paths (where a private runtime or "JRE Path" would be).
ModulePaths ownPaths() {
    ModulePaths paths;
    readModulePaths(paths);
    return paths;
}

class RuntimeDiscovery : public ::testing::Test {
protected:
    void SetUp() override {
        // Every family key must be absent: a leftover would change every choice.
        for (REGSAM view : {k32, k64}) {
            for (FamilyTable families : {classicFamilies(), modernFamilies()}) {
                for (const RuntimeFamily& f : families) {
                    std::wstring key = std::wstring(f.key);
                    key.pop_back();
                    ASSERT_FALSE(registryKeyExists(HKEY_LOCAL_MACHINE, view, key)) << narrow(key);
                    ASSERT_FALSE(registryKeyExists(HKEY_CURRENT_USER, view, key)) << narrow(key);
                }
            }
        }
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder_ = workRoot() + L"\\win-rt-" + widen(info->name());
        removeTree(folder_);
        makeFolders(folder_);
        savedJavaHome_ = environment(L"JAVA_HOME");
        SetEnvironmentVariableW(L"JAVA_HOME", nullptr);
        configure(L"", L"");
    }

    void TearDown() override {
        reg_.removeAll();
        SetEnvironmentVariableW(L"JAVA_HOME", savedJavaHome_.empty() ? nullptr : savedJavaHome_.c_str());
    }

    static std::wstring environment(const wchar_t* name) {
        wchar_t buffer[4096];
        DWORD n = GetEnvironmentVariableW(name, buffer, 4096);
        return n > 0 && n < 4096 ? std::wstring(buffer, n) : std::wstring();
    }

    // "JVM Source" and "VM Provider" as the configuration reader applies them.
    void configure(const std::wstring& source, const std::wstring& provider) {
        l_.favorSource = true;
        applyJvmSource(l_, source);
        l_.jrockitAllowed = false;
        l_.jrockitFavored = false;
        l_.sunAllowed = true;
        l_.sunFavored = true;
        l_.ibmAllowed = false;
        l_.ibmFavored = false;
        applyVmProvider(l_, provider);
    }

    std::wstring runtime(const std::wstring& name, unsigned parts) {
        return makeRuntimeFolder(folder_ + L"\\" + name, parts);
    }

    void plant(REGSAM view, const wchar_t* family, const std::wstring& name, const std::wstring& home,
               HKEY root = HKEY_LOCAL_MACHINE) {
        ASSERT_TRUE(reg_.set(root, view, family + name, L"JavaHome", home));
    }

    RuntimeSearch search(FakeUser& user) {
        RuntimeSearch s;
        s.defaultView = RegistryView::Bits32;
        s.wideView = RegistryView::Bits64;
        s.askUser = [&user](const std::wstring& message) {
            ++user.calls;
            user.message = message;
            return user.answer;
        };
        return s;
    }

    // findRuntime with the state's settings; the choice lands in the state.
    bool find(FakeUser& user) {
        const ModulePaths own = ownPaths();
        RuntimePlaces places;
        places.jrePath = l_.jrePath;
        places.executable = own.exe;
        places.executableFolder = own.folder;
        places.configPath = iniPathFor(own.exe);
        places.pairProductPath = l_.pairProductPath;
        places.productName = l_.productName;
        places.productCode = l_.productCode;
        places.choiceBesideExecutable = l_.isService || !isWindowsNtFamily();
        RuntimeChoice choice;
        const bool found = findRuntime(l_, places, search(user), choice);
        l_.jvmLibraryPath = choice.jvmLibraryPath;
        l_.selectedVersion = choice.version;
        l_.versionOrigin = choice.versionOrigin;
        l_.versionText = choice.versionText;
        l_.versionTextOrigin = choice.versionTextOrigin;
        l_.runPairProduct = choice.runPairProduct;
        return found;
    }

    std::wstring pass(RegistryView view) { return registryPass(l_, view, &l_.selectedVersion); }

    // A fresh launcher state for a second search in the same test.
    void resetChoice() {
        l_.jvmLibraryPath.clear();
        l_.selectedVersion = JavaVersion();
        l_.versionOrigin = VersionOrigin::None;
        l_.versionText.clear();
        l_.versionTextOrigin = VersionOrigin::None;
        l_.runPairProduct = false;
    }

    std::vector<std::wstring> candidateHomes(RegistryView view = RegistryView::Bits32) {
        std::vector<std::wstring> homes;
        for (const RuntimeCandidate& c : collectCandidates(l_, view)) homes.push_back(c.home);
        return homes;
    }

    SearchState l_;
    RegistryPlant reg_;
    std::wstring folder_;
    std::wstring savedJavaHome_;
};

TEST_F(RuntimeDiscovery, DefaultViewIsSearchedAndTheOtherViewIsNot) {
    std::wstring jre7 = runtime(L"jre7", kClientVm);
    std::wstring jre8 = runtime(L"jre8", kClientVm);
    plant(k32, kSunJre, L"1.7.0_80", jre7);
    plant(k64, kSunJre, L"1.8.0_131", jre8);

    FakeUser user;
    ASSERT_TRUE(find(user));
    EXPECT_EQ(l_.jvmLibraryPath, jre7 + L"bin\\client\\jvm.dll");
    EXPECT_EQ(l_.selectedVersion, v(1, 7, 0, 80));
    EXPECT_FALSE(l_.runPairProduct);
    EXPECT_EQ(user.calls, 0);

    // The same planting seen from the 64-bit side.
    resetChoice();
    EXPECT_EQ(pass(RegistryView::Bits64), jre8);
    EXPECT_EQ(l_.selectedVersion, v(1, 8, 0, 131));
}

TEST_F(RuntimeDiscovery, SixtyFourBitViewOnlyForAPairProductAndWithoutImageCheck) {
    std::wstring jre = runtime(L"jre64", kServerVm);
    plant(k64, kSunJre, L"1.8.0_131", jre);

    FakeUser user;
    EXPECT_FALSE(find(user));
    EXPECT_EQ(user.calls, 1);
    EXPECT_FALSE(l_.runPairProduct);
    EXPECT_TRUE(l_.jvmLibraryPath.empty());

    resetChoice();
    l_.pairProductPath = L"C:\\App\\app64.exe";
    ASSERT_TRUE(find(user));
    EXPECT_EQ(user.calls, 1);
    EXPECT_TRUE(l_.runPairProduct);  // the marker file is no image at all: no image check here
    EXPECT_EQ(l_.jvmLibraryPath, jre + L"bin\\server\\jvm.dll");
    EXPECT_EQ(l_.selectedVersion, v(1, 8, 0, 131));

    // Something in the default view keeps the pair product out of it.
    resetChoice();
    std::wstring jre32 = runtime(L"jre32", kClientVm);
    plant(k32, kSunJre, L"1.6", jre32);
    ASSERT_TRUE(find(user));
    EXPECT_FALSE(l_.runPairProduct);
    EXPECT_EQ(l_.jvmLibraryPath, jre32 + L"bin\\client\\jvm.dll");
}

TEST_F(RuntimeDiscovery, FavouredKindComesFirstEvenWhenOlder) {
    std::wstring jdk = runtime(L"jdk16", 0);
    makeRuntimeFolder(jdk + L"jre", kClientVm);
    std::wstring jre = runtime(L"jre18", kClientVm);
    plant(k32, kSunJdk, L"1.6.0_45", jdk);
    plant(k32, kSunJre, L"1.8.0_131", jre);

    FakeUser user;
    configure(L"favor_JDK", L"");
    EXPECT_EQ(pass(RegistryView::Bits32), jdk + L"jre\\");
    configure(L"favor_JRE", L"");
    EXPECT_EQ(pass(RegistryView::Bits32), jre);
    configure(L"", L"");
    EXPECT_EQ(pass(RegistryView::Bits32), jre);
    configure(L"only_JDK", L"");
    EXPECT_EQ(candidateHomes(), std::vector<std::wstring>{jdk + L"jre\\"});
    configure(L"only_JRE", L"");
    EXPECT_EQ(candidateHomes(), std::vector<std::wstring>{jre});
    // An unknown "JVM Source" searches no family at all.
    configure(L"favour_JDK", L"");
    EXPECT_TRUE(candidateHomes().empty());
    EXPECT_FALSE(find(user));
    EXPECT_EQ(user.calls, 1);
}

TEST_F(RuntimeDiscovery, VendorsFollowVmProviderAndFavouringNeedsFavorSource) {
    std::wstring sunJdk = runtime(L"sun-jdk", 0);
    makeRuntimeFolder(sunJdk + L"jre", kClientVm);
    std::wstring sunJre = runtime(L"sun-jre", kClientVm);
    std::wstring rockJre = runtime(L"jrockit-jre", kClientVm);
    std::wstring rockJdk = runtime(L"jrockit-jdk", 0);
    makeRuntimeFolder(rockJdk + L"jre", kClientVm);
    std::wstring ibm = runtime(L"ibm-jre", kClientVm);
    plant(k32, kSunJdk, L"1.6.0_10", sunJdk);
    plant(k32, kSunJre, L"1.7.0_10", sunJre);
    plant(k32, kJrockitJre, L"1.6.0_20", rockJre);
    plant(k32, kJrockitJdk, L"1.5.0_30", rockJdk);
    plant(k32, kIbmJre, L"1.6.0_40", ibm);

    configure(L"", L"");
    EXPECT_EQ(candidateHomes(), (std::vector<std::wstring>{sunJdk + L"jre\\", sunJre}));
    configure(L"", L"Oracle");  // unknown: the defaults stay
    EXPECT_EQ(candidateHomes(), (std::vector<std::wstring>{sunJdk + L"jre\\", sunJre}));
    configure(L"", L"JRockit");
    EXPECT_EQ(candidateHomes(), (std::vector<std::wstring>{rockJre, rockJdk + L"jre\\"}));
    configure(L"", L"ibm");
    EXPECT_EQ(candidateHomes(), std::vector<std::wstring>{ibm});
    configure(L"", L"any");
    EXPECT_EQ(candidateHomes(), (std::vector<std::wstring>{sunJdk + L"jre\\", sunJre, rockJre, rockJdk + L"jre\\", ibm}));
    EXPECT_EQ(pass(RegistryView::Bits32), sunJre);  // nothing favoured: the newest

    // favor_ibm favours the IBM runtime over the newer Sun one...
    configure(L"", L"favor_ibm");
    EXPECT_EQ(pass(RegistryView::Bits32), ibm);
    // ...but with only_JRE nothing is favoured: version alone orders.
    configure(L"only_JRE", L"favor_ibm");
    EXPECT_EQ(candidateHomes(), (std::vector<std::wstring>{sunJre, rockJre, ibm}));
    EXPECT_EQ(pass(RegistryView::Bits32), sunJre);
}

TEST_F(RuntimeDiscovery, FavorServerPrefersServerLibrariesExceptInTheSunJreRow) {
    std::wstring jdk = runtime(L"jdk16", 0);
    makeRuntimeFolder(jdk + L"jre", kServerVm);
    std::wstring jre = runtime(L"jre17", kClientVm | kServerVm);
    plant(k32, kSunJdk, L"1.6", jdk);
    plant(k32, kSunJre, L"1.7", jre);

    FakeUser user;
    l_.jvmType = JvmType::FavorServer;
    std::vector<RuntimeCandidate> list = collectCandidates(l_, RegistryView::Bits32);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_TRUE(list[0].isServer);
    EXPECT_FALSE(list[1].isServer);  // the Sun JRE row resolves like the default type
    ASSERT_TRUE(find(user));
    EXPECT_EQ(l_.jvmLibraryPath, jdk + L"jre\\bin\\server\\jvm.dll");

    // Chosen anyway, the JRE is resolved again with the configured type: its server library.
    resetChoice();
    l_.jvmType = JvmType::FavorServer;
    l_.preferredVersions = {L"1.7"};
    ASSERT_TRUE(find(user));
    EXPECT_EQ(l_.jvmLibraryPath, jre + L"bin\\server\\jvm.dll");

    resetChoice();
    l_.preferredVersions.clear();
    l_.jvmType = JvmType::Default;
    ASSERT_TRUE(find(user));
    EXPECT_EQ(l_.jvmLibraryPath, jre + L"bin\\client\\jvm.dll");

    // A Sun JRE with only a server library counts as server under every type.
    resetChoice();
    reg_.removeAll();
    std::wstring serverOnly = runtime(L"jre-server", kServerVm);
    plant(k32, kSunJre, L"1.7", serverOnly);
    for (JvmType type : {JvmType::Default, JvmType::Server, JvmType::FavorServer}) {
        l_.jvmType = type;
        list = collectCandidates(l_, RegistryView::Bits32);
        ASSERT_EQ(list.size(), 1u);
        EXPECT_TRUE(list[0].isServer);
    }
    EXPECT_EQ(user.calls, 0);
}

TEST_F(RuntimeDiscovery, ServerTypeSkipsClientOnlyRuntimesAndAsksInTheServerWording) {
    plant(k32, kSunJre, L"1.7", runtime(L"client-only", kClientVm));
    l_.jvmType = JvmType::Server;
    l_.minimumVersion = minimumFromConfig(L"1.6");
    FakeUser user;
    EXPECT_TRUE(collectCandidates(l_, RegistryView::Bits32).empty());
    EXPECT_FALSE(find(user));
    ASSERT_EQ(user.calls, 1);
    EXPECT_EQ(user.message, formatMessage(loadMessage(206), {L"minimum version 1.6"}));
    EXPECT_NE(user.message.find(L"server JVM (minimum version 1.6)"), std::wstring::npos);

    l_.jvmType = JvmType::FavorServer;
    l_.maximumVersion = maximumFromConfig(L"1.5");  // excludes the runtime
    EXPECT_FALSE(find(user));
    EXPECT_EQ(user.message, formatMessage(loadMessage(207), {L"version between 1.6 and 1.5"}));
}

TEST_F(RuntimeDiscovery, PreferredVersionsBeforeNewerOnes) {
    plant(k32, kSunJre, L"1.8", runtime(L"jre18", kClientVm));
    plant(k32, kSunJre, L"1.7.0_80", runtime(L"jre17", kClientVm));
    plant(k32, kSunJre, L"1.6.0_45", runtime(L"jre16", kClientVm));
    FakeUser user;

    l_.preferredVersions = splitList(L"1.6;1.7", L';');
    ASSERT_TRUE(find(user));
    EXPECT_EQ(l_.selectedVersion, v(1, 6, 0, 45));
    EXPECT_EQ(l_.jvmLibraryPath, folder_ + L"\\jre16\\bin\\client\\jvm.dll");

    resetChoice();
    l_.preferredVersions = splitList(L"1.5", L';');
    ASSERT_TRUE(find(user));
    EXPECT_EQ(l_.selectedVersion, v(1, 8, 0, 0));

    resetChoice();
    l_.preferredVersions = splitList(L"1.5;1.7.0_80;1.6", L';');
    ASSERT_TRUE(find(user));
    EXPECT_EQ(l_.selectedVersion, v(1, 7, 0, 80));
}

TEST_F(RuntimeDiscovery, VersionBoundsAndAnAbsentMaximum) {
    for (const wchar_t* name : {L"1.5.0_22", L"1.6", L"1.6.0_20", L"1.8.0_131", L"1.9"}) {
        plant(k32, kSunJre, name, runtime(std::wstring(L"jre-") + name, kClientVm));
    }
    l_.minimumVersion = minimumFromConfig(L"1.6");
    l_.maximumVersion = maximumFromConfig(L"1.8");
    std::vector<JavaVersion> versions;
    for (const RuntimeCandidate& c : collectCandidates(l_, RegistryView::Bits32)) versions.push_back(c.version);
    EXPECT_EQ(versions, (std::vector<JavaVersion>{v(1, 6, 0, 0), v(1, 6, 0, 20), v(1, 8, 0, 131)}));
    EXPECT_EQ(pass(RegistryView::Bits32), folder_ + L"\\jre-1.8.0_131\\");

    // No "Maximum Version" (0.0.0.0): nothing above is excluded.
    l_.maximumVersion = maximumFromConfig(L"");
    EXPECT_EQ(pass(RegistryView::Bits32), folder_ + L"\\jre-1.9\\");
    EXPECT_EQ(collectCandidates(l_, RegistryView::Bits32).size(), 4u);
}

TEST_F(RuntimeDiscovery, HomesFromJavaHomeValues) {
    // A JDK's runtime is its jre\ folder; without a VM library there it yields nothing.
    std::wstring bareJdk = runtime(L"jdk-no-jre", kClientVm);
    plant(k32, kSunJdk, L"1.7.0_80", bareJdk.substr(0, bareJdk.size() - 1));
    EXPECT_TRUE(candidateHomes().empty());

    std::wstring jdk = runtime(L"jdk", 0);
    makeRuntimeFolder(jdk + L"jre", kClientVm);
    plant(k32, kSunJdk, L"1.7.0_81", jdk.substr(0, jdk.size() - 1));  // without the final backslash
    std::wstring jre = runtime(L"jre7", kClientVm);
    plant(k32, kSunJre, L"1.7", jre.substr(0, jre.size() - 1));
    // Incomplete entries: an empty value, no value, a stale home.
    ASSERT_TRUE(reg_.set(HKEY_LOCAL_MACHINE, k32, std::wstring(kSunJre) + L"1.7.1", L"JavaHome", L""));
    ASSERT_TRUE(reg_.createKey(HKEY_LOCAL_MACHINE, k32, std::wstring(kSunJre) + L"1.7.2"));
    plant(k32, kSunJre, L"1.7.3", folder_ + L"\\uninstalled");
    // Any value type is read as text.
    std::wstring expandHome = runtime(L"jre-expand", kClientVm);
    ASSERT_TRUE(reg_.setRaw(HKEY_LOCAL_MACHINE, k32, std::wstring(kSunJre) + L"1.7.4", L"JavaHome", REG_EXPAND_SZ,
                            expandHome.c_str(), static_cast<DWORD>((expandHome.size() + 1) * sizeof(wchar_t))));

    EXPECT_EQ(candidateHomes(), (std::vector<std::wstring>{jdk + L"jre\\", jre, expandHome}));
}

TEST_F(RuntimeDiscovery, ConfiguredFolderFirstAndWithoutVersionCheck) {
    std::wstring registered = runtime(L"registered", kClientVm);
    plant(k32, kSunJre, L"1.8", registered);
    std::wstring configured = runtime(L"configured", kClientVm);
    l_.minimumVersion = minimumFromConfig(L"99");
    l_.jrePath = configured.substr(0, configured.size() - 1);
    FakeUser user;
    ASSERT_TRUE(find(user));
    EXPECT_EQ(l_.jvmLibraryPath, configured + L"bin\\client\\jvm.dll");
    EXPECT_EQ(l_.selectedVersion, JavaVersion());

    // A configured folder without a VM library falls through to the registry.
    resetChoice();
    l_.minimumVersion = JavaVersion();
    l_.jrePath = runtime(L"empty", kJavaDll);
    ASSERT_TRUE(find(user));
    EXPECT_EQ(l_.jvmLibraryPath, registered + L"bin\\client\\jvm.dll");
    EXPECT_EQ(user.calls, 0);
}

TEST_F(RuntimeDiscovery, PairCheckLooksAtTheImageOfAConfiguredRuntime) {
    // An image this process can load (the test build's own launcher), and one
    // of the other machine: only the latter goes to the paired executable.
    std::wstring own = runtime(L"own", 0);
    makeFolders(own + L"bin\\server");
    ASSERT_TRUE(CopyFileW(launcherExe().c_str(), (own + L"bin\\server\\jvm.dll").c_str(), FALSE));
    const unsigned short other = sizeof(void*) == 8 ? 0x014C : 0x8664;
    std::wstring foreign = runtime(L"foreign", 0);
    ASSERT_TRUE(writeImageHeader(foreign + L"bin\\client\\jvm.dll", other));
    std::wstring marker = runtime(L"marker", kServerVm);
    FakeUser user;

    l_.jrePath = foreign;
    ASSERT_TRUE(find(user));
    EXPECT_FALSE(l_.runPairProduct);  // no "Pair Product": never set

    l_.pairProductPath = L"C:\\App\\app64.exe";
    resetChoice();
    ASSERT_TRUE(find(user));
    EXPECT_EQ(l_.jvmLibraryPath, foreign + L"bin\\client\\jvm.dll");
    EXPECT_TRUE(l_.runPairProduct);

    resetChoice();
    l_.jrePath = own;
    ASSERT_TRUE(find(user));
    EXPECT_FALSE(l_.runPairProduct);

    resetChoice();
    l_.jrePath = marker;  // an empty file is not a valid image
    ASSERT_TRUE(find(user));
    EXPECT_FALSE(l_.runPairProduct);
}

TEST_F(RuntimeDiscovery, TodaysRuntimesWhenTheClassicFamiliesYieldNothing) {
    std::wstring temurin = runtime(L"temurin-21", kServerVm);
    std::wstring microsoft = runtime(L"ms-17", kServerVm);
    ASSERT_TRUE(reg_.set(HKEY_LOCAL_MACHINE, k32, L"Software\\Eclipse Adoptium\\JDK\\21.0.1.12\\hotspot\\MSI", L"Path",
                         temurin));
    ASSERT_TRUE(reg_.set(HKEY_LOCAL_MACHINE, k32, L"Software\\Microsoft\\JDK\\17.0.9.8\\hotspot\\MSI", L"Path",
                         microsoft.substr(0, microsoft.size() - 1)));
    // A key an uninstaller left behind.
    ASSERT_TRUE(reg_.set(HKEY_LOCAL_MACHINE, k32, L"Software\\Eclipse Adoptium\\JRE\\22.0.0.36\\hotspot\\MSI", L"Path",
                         folder_ + L"\\removed\\"));
    FakeUser user;

    ASSERT_TRUE(find(user));
    EXPECT_EQ(l_.jvmLibraryPath, temurin + L"bin\\server\\jvm.dll");
    EXPECT_EQ(l_.selectedVersion, v(21, 0, 1, 12));
    EXPECT_EQ(candidateHomes(), (std::vector<std::wstring>{temurin, microsoft}));

    l_.preferredVersions = {L"17"};
    EXPECT_EQ(pass(RegistryView::Bits32), microsoft);
    l_.preferredVersions.clear();

    // "Maximum Version" 1.8 leaves neither.
    resetChoice();
    l_.maximumVersion = maximumFromConfig(L"1.8");
    EXPECT_FALSE(find(user));
    EXPECT_EQ(user.calls, 1);

    // A registered 1.8 of the classic families wins over newer ones of today's layouts.
    resetChoice();
    l_.maximumVersion = JavaVersion();
    std::wstring jre8 = runtime(L"jre8", kClientVm);
    plant(k32, kSunJre, L"1.8.0_401", jre8);
    ASSERT_TRUE(find(user));
    EXPECT_EQ(l_.jvmLibraryPath, jre8 + L"bin\\client\\jvm.dll");
    EXPECT_EQ(candidateHomes(), std::vector<std::wstring>{jre8});
}

TEST_F(RuntimeDiscovery, TodaysLayoutsKindsVendorsUsersAndDuplicates) {
    std::wstring oracle = runtime(L"oracle-21", kServerVm);
    std::wstring semeru = runtime(L"semeru-17", kServerVm);
    std::wstring openj9 = runtime(L"adoptium-openj9-11", kServerVm);
    std::wstring jre = runtime(L"foundation-jre-17", kServerVm);
    std::wstring user22 = runtime(L"user-22", kServerVm);
    ASSERT_TRUE(reg_.set(HKEY_LOCAL_MACHINE, k32, L"Software\\JavaSoft\\JDK\\21.0.2", L"JavaHome", oracle));
    // The same home under a second name and a second layout is kept once.
    ASSERT_TRUE(reg_.set(HKEY_LOCAL_MACHINE, k32, L"Software\\JavaSoft\\JDK\\21", L"JavaHome", oracle));
    ASSERT_TRUE(reg_.set(HKEY_LOCAL_MACHINE, k32, L"Software\\AdoptOpenJDK\\JDK\\21.0.2.13\\hotspot\\MSI", L"Path",
                         oracle));
    ASSERT_TRUE(reg_.set(HKEY_LOCAL_MACHINE, k32, L"Software\\Semeru\\JDK\\17.0.8.7\\openj9\\MSI", L"Path", semeru));
    ASSERT_TRUE(reg_.set(HKEY_LOCAL_MACHINE, k32, L"Software\\Eclipse Adoptium\\JDK\\11.0.20.8\\openj9\\MSI", L"Path",
                         openj9));
    ASSERT_TRUE(reg_.set(HKEY_LOCAL_MACHINE, k32, L"Software\\Eclipse Foundation\\JRE\\17.0.9.9\\hotspot\\MSI",
                         L"Path", jre));
    ASSERT_TRUE(reg_.set(HKEY_CURRENT_USER, 0, L"Software\\JavaSoft\\JDK\\22", L"JavaHome", user22));

    EXPECT_EQ(candidateHomes(), (std::vector<std::wstring>{oracle, jre, user22}));
    EXPECT_EQ(pass(RegistryView::Bits32), user22);  // per-user installs count as well

    configure(L"only_JRE", L"");
    EXPECT_EQ(candidateHomes(), std::vector<std::wstring>{jre});
    // openj9 and Semeru runtimes are IBM's.
    configure(L"", L"ibm");
    EXPECT_EQ(candidateHomes(), (std::vector<std::wstring>{openj9, semeru}));
    configure(L"", L"favor_ibm");
    EXPECT_EQ(pass(RegistryView::Bits32), semeru);
}

TEST_F(RuntimeDiscovery, JavaHomeOnlyWhenNothingElseQualifies) {
    std::wstring javaHome = runtime(L"java-home", kServerVm);
    SetEnvironmentVariableW(L"JAVA_HOME", javaHome.substr(0, javaHome.size() - 1).c_str());
    std::wstring registered = runtime(L"registered", kClientVm);
    plant(k32, kSunJre, L"1.8", registered);
    FakeUser user;

    ASSERT_TRUE(find(user));
    EXPECT_EQ(l_.jvmLibraryPath, registered + L"bin\\client\\jvm.dll");

    reg_.removeAll();
    resetChoice();
    l_.pairProductPath = L"C:\\App\\app64.exe";
    ASSERT_TRUE(find(user));
    EXPECT_EQ(l_.jvmLibraryPath, javaHome + L"bin\\server\\jvm.dll");
    EXPECT_FALSE(l_.runPairProduct);  // the pair check ran: a marker file is no image
    EXPECT_EQ(user.calls, 0);

    // A JDK 8 keeps its VM in jre\.
    std::wstring jdk8 = runtime(L"jdk8", 0);
    makeRuntimeFolder(jdk8 + L"jre", kClientVm);
    SetEnvironmentVariableW(L"JAVA_HOME", jdk8.c_str());
    resetChoice();
    ASSERT_TRUE(find(user));
    EXPECT_EQ(l_.jvmLibraryPath, jdk8 + L"jre\\bin\\client\\jvm.dll");

    SetEnvironmentVariableW(L"JAVA_HOME", (folder_ + L"\\nothing").c_str());
    resetChoice();
    EXPECT_FALSE(find(user));
    EXPECT_EQ(user.calls, 1);
}

TEST_F(RuntimeDiscovery, TheChoiceCarriesTheRuntimesVersionWhateverItsSource) {
    FakeUser user;
    // "JRE Path": its release file, even when it lies outside the bounds.
    std::wstring configured = runtime(L"configured", kClientVm);
    ASSERT_TRUE(writeReleaseFile(configured, "11.0.22"));
    l_.jrePath = configured;
    l_.minimumVersion = minimumFromConfig(L"17");
    ASSERT_TRUE(find(user));
    EXPECT_EQ(l_.jvmLibraryPath, configured + L"bin\\client\\jvm.dll");
    EXPECT_EQ(l_.selectedVersion, v(11, 0, 22, 0));
    EXPECT_EQ(l_.versionOrigin, VersionOrigin::ReleaseFile);
    EXPECT_EQ(l_.versionText, L"11.0.22");
    EXPECT_EQ(l_.versionTextOrigin, VersionOrigin::ReleaseFile);

    // The registry: the key's version; the exact text from a JDK 8's release
    // file, which lies above its jre\ folder.
    resetChoice();
    l_.jrePath.clear();
    l_.minimumVersion = JavaVersion();
    std::wstring jdk = runtime(L"jdk8", 0);
    makeRuntimeFolder(jdk + L"jre", kClientVm);
    ASSERT_TRUE(writeReleaseFile(jdk, "1.8.0_131"));
    plant(k32, kSunJdk, L"1.8.0_131", jdk);
    ASSERT_TRUE(find(user));
    EXPECT_EQ(l_.jvmLibraryPath, jdk + L"jre\\bin\\client\\jvm.dll");
    EXPECT_EQ(l_.selectedVersion, v(1, 8, 0, 131));
    EXPECT_EQ(l_.versionOrigin, VersionOrigin::Registry);
    EXPECT_EQ(l_.versionText, L"1.8.0_131");
    EXPECT_EQ(l_.versionTextOrigin, VersionOrigin::ReleaseFile);

    // JAVA_HOME without a release file: the major version of the version resource.
    resetChoice();
    reg_.removeAll();
    std::wstring javaHome = runtime(L"java-home", 0);
    const unsigned short product[4] = {17, 0, 10, 0};
    ASSERT_TRUE(writeImage(javaHome + L"bin\\server\\jvm.dll", sizeof(void*) == 8 ? 0x8664 : 0x014C, product));
    SetEnvironmentVariableW(L"JAVA_HOME", javaHome.c_str());
    ASSERT_TRUE(find(user));
    EXPECT_EQ(l_.jvmLibraryPath, javaHome + L"bin\\server\\jvm.dll");
    EXPECT_EQ(l_.selectedVersion, v(17, 0, 0, 0));
    EXPECT_EQ(l_.versionOrigin, VersionOrigin::VersionResource);
    EXPECT_EQ(l_.versionText, L"17.0.10.0");
    EXPECT_EQ(l_.versionTextOrigin, VersionOrigin::VersionResource);

    // The user's pick, with a release file.
    resetChoice();
    SetEnvironmentVariableW(L"JAVA_HOME", nullptr);
    std::wstring picked = runtime(L"picked", kServerVm);
    ASSERT_TRUE(writeReleaseFile(picked, "21.0.2"));
    user.answer.result = 1;
    user.answer.folder = picked;
    user.answer.jvmLibrary = picked + L"bin\\server\\jvm.dll";
    l_.isService = true;  // the choice is written beside this test program
    ASSERT_TRUE(find(user));
    DeleteFileW(iniPathFor(ownPaths().exe).c_str());
    EXPECT_EQ(l_.selectedVersion, v(21, 0, 2, 0));
    EXPECT_EQ(l_.versionText, L"21.0.2");
    EXPECT_EQ(user.calls, 1);
}

// Write-back of the user's choice: per-user files on NT-family systems, the
// files beside the executables for a service.
class RuntimeWriteBack : public RuntimeDiscovery {
protected:
    void SetUp() override {
        RuntimeDiscovery::SetUp();
        savedAppData_ = environment(L"APPDATA");
        appData_ = folder_ + L"\\appdata";
        makeFolders(appData_);
        SetEnvironmentVariableW(L"APPDATA", appData_.c_str());
        savedDirectory_.resize(MAX_PATH);
        savedDirectory_.resize(GetCurrentDirectoryW(MAX_PATH, &savedDirectory_[0]));
        ownIni_ = iniPathFor(ownPaths().exe);
        ASSERT_FALSE(pathExists(ownIni_)) << narrow(ownIni_);
    }
    void TearDown() override {
        DeleteFileW(ownIni_.c_str());
        SetCurrentDirectoryW(savedDirectory_.c_str());
        SetEnvironmentVariableW(L"APPDATA", savedAppData_.c_str());
        RuntimeDiscovery::TearDown();
    }

    std::wstring jrePathIn(const std::wstring& file) {
        return ConfigFile(file).readPlain(L"Java Runtime Environment", L"JRE Path");
    }

    bool appDataEmpty() {
        WIN32_FIND_DATAW data;
        HANDLE h = FindFirstFileW((appData_ + L"\\*").c_str(), &data);
        if (h == INVALID_HANDLE_VALUE) return true;
        bool empty = true;
        do {
            std::wstring name = data.cFileName;
            if (name != L"." && name != L"..") empty = false;
        } while (FindNextFileW(h, &data));
        FindClose(h);
        return empty;
    }

    std::wstring appData_;
    std::wstring savedAppData_;
    std::wstring savedDirectory_;
    std::wstring ownIni_;  // the configuration file beside this test program
};

TEST_F(RuntimeWriteBack, PickedFolderGoesToThePerUserFilesWithATrailingBackslash) {
    std::wstring picked = runtime(L"picked", kClientVm);
    FakeUser user;
    user.answer.result = 1;
    user.answer.folder = picked.substr(0, picked.size() - 1);
    user.answer.jvmLibrary = picked + L"bin\\client\\jvm.dll";
    l_.productName = L"My Tool: Pro";
    l_.productCode = L"{1234}";
    l_.pairProductPath = L"D:\\Elsewhere\\tool64.exe";

    ASSERT_TRUE(find(user));
    EXPECT_EQ(l_.jvmLibraryPath, user.answer.jvmLibrary);
    EXPECT_FALSE(l_.runPairProduct);
    std::wstring userFolder = appData_ + L"\\My Tool Pro\\{1234}\\";
    const std::wstring module = ownPaths().exe;
    std::wstring ownName = module.substr(module.rfind(L'\\') + 1);
    ownName = ownName.substr(0, ownName.rfind(L'.')) + L".ini";
    EXPECT_EQ(jrePathIn(userFolder + ownName), picked);
    EXPECT_EQ(jrePathIn(userFolder + L"tool64.ini"), picked);
    EXPECT_FALSE(pathExists(ownIni_));
}

TEST_F(RuntimeWriteBack, ServiceWritesBesideTheExecutableAndTheRelativePairProduct) {
    std::wstring picked = runtime(L"picked", kClientVm);
    FakeUser user;
    user.answer.result = 1;
    user.answer.folder = picked;
    user.answer.jvmLibrary = picked + L"bin\\client\\jvm.dll";
    l_.isService = true;
    l_.pairProductPath = L"tool64.exe";  // relative: next to the current directory, as CreateProcessW sees it
    std::wstring cwd = folder_ + L"\\cwd";
    makeFolders(cwd);
    ASSERT_TRUE(SetCurrentDirectoryW(cwd.c_str()));

    ASSERT_TRUE(find(user));
    EXPECT_EQ(jrePathIn(ownIni_), picked);
    EXPECT_EQ(jrePathIn(cwd + L"\\tool64.ini"), picked);
    EXPECT_TRUE(appDataEmpty());
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    EXPECT_FALSE(pathExists(std::wstring(windows) + L"\\tool64.ini"));

    // A paired product without a "." has no configuration file of its own.
    DeleteFileW(ownIni_.c_str());
    resetChoice();
    l_.pairProductPath = L"tool64";
    ASSERT_TRUE(find(user));
    EXPECT_EQ(jrePathIn(ownIni_), picked);
    EXPECT_FALSE(pathExists(cwd + L"\\tool64ini"));
}

TEST_F(RuntimeWriteBack, CancelWritesNothing) {
    FakeUser user;
    l_.productName = L"P";
    l_.productCode = L"C";
    l_.pairProductPath = L"tool64.exe";
    EXPECT_FALSE(find(user));
    EXPECT_EQ(user.calls, 1);
    EXPECT_TRUE(appDataEmpty());
    EXPECT_FALSE(pathExists(ownIni_));
    EXPECT_TRUE(l_.jvmLibraryPath.empty());
}

TEST(RuntimePublishing, SetsTheLibraryAndTheHomeForTheJavaProgram) {
    publishRuntime(L"D:\\Java\\jre\\bin\\server\\jvm.dll");
    wchar_t buffer[MAX_PATH];
    ASSERT_GT(GetEnvironmentVariableW(L"QZ_JVM_PATH", buffer, MAX_PATH), 0u);
    EXPECT_STREQ(buffer, L"D:\\Java\\jre\\bin\\server\\jvm.dll");
    ASSERT_GT(GetEnvironmentVariableW(L"QZ_JVM_HOME", buffer, MAX_PATH), 0u);
    EXPECT_STREQ(buffer, L"D:\\Java\\jre");
    SetEnvironmentVariableW(L"QZ_JVM_PATH", nullptr);
    SetEnvironmentVariableW(L"QZ_JVM_HOME", nullptr);
}

}  // namespace
