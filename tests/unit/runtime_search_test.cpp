// The runtime search on a machine of given facts: the order of the sources,
// the registry families and their views, homes, bounds, preferences, the pair
// check, the runtime's version and the write-back of the user's pick.
#include <gtest/gtest.h>

#include "base/messages.h"
#include "base/paths.h"
#include "base/text.h"
#include "resources/resource.h"
#include "runtime/discovery.h"
#include "runtime/pe_image.h"
#include "runtime/selection.h"
#include "unit/fake_runtime_probe.h"

namespace {

const wchar_t kSunJdk[] = L"Software\\JavaSoft\\Java Development Kit\\";
const wchar_t kSunJre[] = L"Software\\JavaSoft\\Java Runtime Environment\\";
const wchar_t kJrockitJre[] = L"Software\\JRockit\\Java Runtime Environment\\";
const wchar_t kJrockitJdk[] = L"Software\\JRockit\\Java Development Kit\\";
const wchar_t kIbmJre[] = L"Software\\IBM\\Java2 Runtime Environment\\";
const RegistryView k32 = RegistryView::Bits32;
const RegistryView k64 = RegistryView::Bits64;
const RegistryRoot kHklm = RegistryRoot::LocalMachine;

enum Parts : unsigned { kClientVm = 1, kServerVm = 2, kJavaDll = 4 };

JavaVersion v(int a, int b, int c, int d) { return JavaVersion(a, b, c, d); }

// Stands in for the "JRE Not Found" dialog: records the call and gives `answer`.
struct FakeUser {
    int calls = 0;
    std::wstring message;
    UserAnswer answer;  // Cancel unless a test says otherwise
    FakeUser() { answer.result = 2; }
};

// A search's inputs and its choice side by side.
struct SearchState : RuntimePolicy {
    std::wstring jrePath;
    std::wstring pairProductPath;
    std::wstring productName;
    std::wstring productCode;
    bool isService = false;
    RuntimeChoice choice;
};

class RuntimeSearchTest : public ::testing::Test {
protected:
    void SetUp() override { configure(L"", L""); }

    // "JVM Source" and "VM Provider" as the configuration reader applies them.
    void configure(const std::wstring& source, const std::wstring& provider) {
        static_cast<RuntimePolicy&>(l_) = RuntimePolicy{l_.jvmType, false, false, true, true, true, false, false,
                                                        false, false, l_.minimumVersion, l_.maximumVersion,
                                                        l_.preferredVersions};
        applyJvmSource(l_, source);
        applyVmProvider(l_, provider);
    }

    // A runtime folder with the VM libraries and java.dll that `parts` names.
    std::wstring runtime(const std::wstring& name, unsigned parts) {
        const std::wstring home = name.find(L'\\') == std::wstring::npos ? folder_ + L"\\" + name + L"\\" : name + L"\\";
        if (parts & kClientVm) m_.addFile(home + L"bin\\client\\jvm.dll");
        if (parts & kServerVm) m_.addFile(home + L"bin\\server\\jvm.dll");
        if (parts & kJavaDll) m_.addFile(home + L"bin\\java.dll");
        return home;
    }
    void plant(RegistryView view, const wchar_t* family, const std::wstring& name, const std::wstring& home,
               RegistryRoot root = kHklm) {
        m_.setValue(root, view, family + name, L"JavaHome", home);
    }
    void release(const std::wstring& home, const std::string& version) {
        m_.addFile(home + L"release", "IMPLEMENTOR=\"x\"\nJAVA_VERSION=\"" + version + "\"\nOS_NAME=\"Windows\"\n");
    }

    bool find(FakeUser& user) {
        RuntimePlaces places;
        places.jrePath = l_.jrePath;
        places.executable = exe_;
        places.executableFolder = folderWithSeparator(exe_);
        places.configPath = iniPathFor(exe_);
        places.pairProductPath = l_.pairProductPath;
        places.productName = l_.productName;
        places.productCode = l_.productCode;
        places.choiceBesideExecutable = l_.isService;
        RuntimeSearch search;
        search.defaultView = k32;
        search.wideView = k64;
        search.askUser = [&user](const std::wstring& message) {
            ++user.calls;
            user.message = message;
            return user.answer;
        };
        return findRuntime(m_, l_, places, search, l_.choice);
    }
    std::wstring pass(RegistryView view) { return registryPass(m_, l_, view, &l_.choice.version); }
    std::vector<std::wstring> candidateHomes(RegistryView view = k32) {
        std::vector<std::wstring> homes;
        for (const RuntimeCandidate& c : collectCandidates(m_, l_, view)) homes.push_back(c.home);
        return homes;
    }
    std::wstring library() const { return l_.choice.jvmLibraryPath; }

    FakeRuntimeProbe m_;
    SearchState l_;
    const std::wstring folder_ = L"C:\\rt";
    const std::wstring exe_ = L"C:\\App\\app.exe";
};

TEST_F(RuntimeSearchTest, DefaultViewIsSearchedAndTheOtherViewOnlyForAPairProduct) {
    std::wstring jre7 = runtime(L"jre7", kClientVm);
    std::wstring jre8 = runtime(L"jre8", kServerVm);
    plant(k32, kSunJre, L"1.7.0_80", jre7);
    plant(k64, kSunJre, L"1.8.0_131", jre8);
    FakeUser user;
    ASSERT_TRUE(find(user));
    EXPECT_EQ(library(), jre7 + L"bin\\client\\jvm.dll");
    EXPECT_EQ(l_.choice.version, v(1, 7, 0, 80));
    EXPECT_FALSE(l_.choice.runPairProduct);
    EXPECT_EQ(pass(k64), jre8);
    EXPECT_EQ(l_.choice.version, v(1, 8, 0, 131));

    // Only the 64-bit view has one: asked for without a pair, the pair's otherwise (no image check).
    m_.keys.clear();
    plant(k64, kSunJre, L"1.8.0_131", jre8);
    EXPECT_FALSE(find(user));
    EXPECT_EQ(user.calls, 1);
    EXPECT_TRUE(library().empty());
    l_.pairProductPath = L"C:\\App\\app64.exe";
    ASSERT_TRUE(find(user));
    EXPECT_EQ(user.calls, 1);
    EXPECT_TRUE(l_.choice.runPairProduct);
    EXPECT_EQ(library(), jre8 + L"bin\\server\\jvm.dll");
    // Something in the default view keeps the pair product out of it.
    plant(k32, kSunJre, L"1.6", jre7);
    ASSERT_TRUE(find(user));
    EXPECT_FALSE(l_.choice.runPairProduct);
    EXPECT_EQ(library(), jre7 + L"bin\\client\\jvm.dll");
}

TEST_F(RuntimeSearchTest, KindsFollowJvmSourceAndVendorsVmProvider) {
    std::wstring sunJdk = runtime(L"sun-jdk", 0);
    runtime(sunJdk + L"jre", kClientVm);
    std::wstring sunJre = runtime(L"sun-jre", kClientVm);
    std::wstring rockJre = runtime(L"jrockit-jre", kClientVm);
    std::wstring rockJdk = runtime(L"jrockit-jdk", 0);
    runtime(rockJdk + L"jre", kClientVm);
    std::wstring ibm = runtime(L"ibm-jre", kClientVm);
    plant(k32, kSunJdk, L"1.6.0_10", sunJdk);
    plant(k32, kSunJre, L"1.7.0_10", sunJre);
    plant(k32, kJrockitJre, L"1.6.0_20", rockJre);
    plant(k32, kJrockitJdk, L"1.5.0_30", rockJdk);
    plant(k32, kIbmJre, L"1.6.0_40", ibm);

    // The favoured kind comes first even when older.
    configure(L"favor_JDK", L"");
    EXPECT_EQ(pass(k32), sunJdk + L"jre\\");
    configure(L"favour_JDK", L"");  // unknown: no family at all
    EXPECT_TRUE(candidateHomes().empty());

    configure(L"", L"");
    EXPECT_EQ(candidateHomes(), (std::vector<std::wstring>{sunJdk + L"jre\\", sunJre}));
    configure(L"", L"Oracle");  // unknown: the defaults stay
    EXPECT_EQ(candidateHomes(), (std::vector<std::wstring>{sunJdk + L"jre\\", sunJre}));
    configure(L"", L"JRockit");
    EXPECT_EQ(candidateHomes(), (std::vector<std::wstring>{rockJre, rockJdk + L"jre\\"}));
    configure(L"", L"any");
    EXPECT_EQ(candidateHomes(), (std::vector<std::wstring>{sunJdk + L"jre\\", sunJre, rockJre, rockJdk + L"jre\\", ibm}));
    EXPECT_EQ(pass(k32), sunJre);  // nothing favoured: the newest
    // favor_ibm favours the IBM runtime over the newer Sun one, but with only_JRE version alone orders.
    configure(L"", L"favor_ibm");
    EXPECT_EQ(pass(k32), ibm);
    configure(L"only_JRE", L"favor_ibm");
    EXPECT_EQ(candidateHomes(), (std::vector<std::wstring>{sunJre, rockJre, ibm}));
    EXPECT_EQ(pass(k32), sunJre);
}

TEST_F(RuntimeSearchTest, FavorServerPrefersServerLibrariesExceptInTheSunJreRow) {
    std::wstring jdk = runtime(L"jdk16", 0);
    runtime(jdk + L"jre", kServerVm);
    std::wstring jre = runtime(L"jre17", kClientVm | kServerVm);
    plant(k32, kSunJdk, L"1.6", jdk);
    plant(k32, kSunJre, L"1.7", jre);
    FakeUser user;
    l_.jvmType = JvmType::FavorServer;
    std::vector<RuntimeCandidate> list = collectCandidates(m_, l_, k32);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_TRUE(list[0].isServer);
    EXPECT_FALSE(list[1].isServer);  // the Sun JRE row resolves like the default type
    ASSERT_TRUE(find(user));
    EXPECT_EQ(library(), jdk + L"jre\\bin\\server\\jvm.dll");
    // Chosen anyway, the JRE is resolved again with the configured type: its server library.
    l_.preferredVersions = {L"1.7"};
    ASSERT_TRUE(find(user));
    EXPECT_EQ(library(), jre + L"bin\\server\\jvm.dll");
    l_.jvmType = JvmType::Default;
    ASSERT_TRUE(find(user));
    EXPECT_EQ(library(), jre + L"bin\\client\\jvm.dll");

    EXPECT_EQ(user.calls, 0);
}

TEST_F(RuntimeSearchTest, ServerTypeSkipsClientOnlyRuntimesAndAsksInTheServerWording) {
    plant(k32, kSunJre, L"1.7", runtime(L"client-only", kClientVm));
    l_.jvmType = JvmType::Server;
    l_.minimumVersion = minimumFromConfig(L"1.6");
    FakeUser user;
    EXPECT_TRUE(collectCandidates(m_, l_, k32).empty());
    EXPECT_FALSE(find(user));
    ASSERT_EQ(user.calls, 1);
    EXPECT_EQ(user.message, formatMessage(loadMessage(IDS_JRE_NOT_FOUND_SERVER), {L"minimum version 1.6"}));
    EXPECT_NE(user.message.find(L"server JVM (minimum version 1.6)"), std::wstring::npos);

    l_.jvmType = JvmType::FavorServer;
    l_.maximumVersion = maximumFromConfig(L"1.5");  // excludes the runtime
    EXPECT_FALSE(find(user));
    EXPECT_EQ(user.message, formatMessage(loadMessage(IDS_JRE_NOT_FOUND), {L"version between 1.6 and 1.5"}));
}

TEST_F(RuntimeSearchTest, PreferredVersionsBoundsAndAnAbsentMaximum) {
    for (const wchar_t* name : {L"1.5.0_22", L"1.6", L"1.6.0_20", L"1.8.0_131", L"1.9"}) {
        plant(k32, kSunJre, name, runtime(std::wstring(L"jre-") + name, kClientVm));
    }
    FakeUser user;
    l_.preferredVersions = splitList(L"1.7;1.6.0_20;1.6", L';');
    ASSERT_TRUE(find(user));
    EXPECT_EQ(library(), folder_ + L"\\jre-1.6.0_20\\bin\\client\\jvm.dll");
    l_.preferredVersions.clear();

    l_.minimumVersion = minimumFromConfig(L"1.6");
    l_.maximumVersion = maximumFromConfig(L"1.8");
    std::vector<JavaVersion> versions;
    for (const RuntimeCandidate& c : collectCandidates(m_, l_, k32)) versions.push_back(c.version);
    EXPECT_EQ(versions, (std::vector<JavaVersion>{v(1, 6, 0, 0), v(1, 6, 0, 20), v(1, 8, 0, 131)}));
    EXPECT_EQ(pass(k32), folder_ + L"\\jre-1.8.0_131\\");
    // No "Maximum Version" (0.0.0.0): nothing above is excluded.
    l_.maximumVersion = maximumFromConfig(L"");
    EXPECT_EQ(pass(k32), folder_ + L"\\jre-1.9\\");
    EXPECT_EQ(collectCandidates(m_, l_, k32).size(), 4u);
}

TEST_F(RuntimeSearchTest, HomesFromJavaHomeValues) {
    // A JDK's runtime is its jre\ folder; without a VM library there it yields nothing.
    std::wstring bareJdk = runtime(L"jdk-no-jre", kClientVm);
    plant(k32, kSunJdk, L"1.7.0_80", bareJdk.substr(0, bareJdk.size() - 1));
    EXPECT_TRUE(candidateHomes().empty());

    std::wstring jdk = runtime(L"jdk", 0);
    runtime(jdk + L"jre", kClientVm);
    plant(k32, kSunJdk, L"1.7.0_81", jdk.substr(0, jdk.size() - 1));  // without the final backslash
    std::wstring jre = runtime(L"jre7", kClientVm);
    plant(k32, kSunJre, L"1.7", jre.substr(0, jre.size() - 1));
    // Incomplete entries: an empty value, no value, a stale home.
    plant(k32, kSunJre, L"1.7.1", L"");
    m_.createKey(kHklm, k32, std::wstring(kSunJre) + L"1.7.2");
    plant(k32, kSunJre, L"1.7.3", folder_ + L"\\uninstalled");
    EXPECT_EQ(candidateHomes(), (std::vector<std::wstring>{jdk + L"jre\\", jre}));
}

TEST_F(RuntimeSearchTest, ConfiguredFolderAndPrivateRuntimeFirstAndWithoutVersionCheck) {
    std::wstring registered = runtime(L"registered", kClientVm);
    plant(k32, kSunJre, L"1.8", registered);
    std::wstring configured = runtime(L"configured", kClientVm);
    l_.minimumVersion = minimumFromConfig(L"99");
    l_.jrePath = configured.substr(0, configured.size() - 1);
    FakeUser user;
    ASSERT_TRUE(find(user));
    EXPECT_EQ(library(), configured + L"bin\\client\\jvm.dll");
    EXPECT_EQ(l_.choice.version, JavaVersion());

    // A configured folder without a VM library falls through to a private runtime...
    l_.jrePath = runtime(L"empty", kJavaDll);
    std::wstring shipped = runtime(L"C:\\App\\runtime", kJavaDll | kServerVm);
    ASSERT_TRUE(find(user));
    EXPECT_EQ(library(), shipped + L"bin\\server\\jvm.dll");
    std::wstring jre = runtime(L"C:\\App\\jre", kJavaDll | kClientVm);
    ASSERT_TRUE(find(user));
    EXPECT_EQ(library(), jre + L"bin\\client\\jvm.dll");
    // ...and without one (no java.dll) to the registry.
    m_.files.erase(jre + L"bin\\java.dll");
    m_.files.erase(shipped + L"bin\\java.dll");
    l_.minimumVersion = JavaVersion();
    ASSERT_TRUE(find(user));
    EXPECT_EQ(library(), registered + L"bin\\client\\jvm.dll");
    EXPECT_EQ(user.calls, 0);
}

TEST_F(RuntimeSearchTest, PairCheckLooksAtTheImageOfAConfiguredRuntime) {
    std::wstring own = runtime(L"own", kServerVm);
    m_.images[own + L"bin\\server\\jvm.dll"].machine = kMachineOwn;
    std::wstring foreign = runtime(L"foreign", kClientVm);
    m_.images[foreign + L"bin\\client\\jvm.dll"].machine = kMachineOwn == kMachineX64 ? kMachineX86 : kMachineX64;
    std::wstring marker = runtime(L"marker", kServerVm);  // no image at all
    FakeUser user;

    l_.jrePath = foreign;
    ASSERT_TRUE(find(user));
    EXPECT_FALSE(l_.choice.runPairProduct);  // no "Pair Product": never set
    l_.pairProductPath = L"C:\\App\\app64.exe";
    ASSERT_TRUE(find(user));
    EXPECT_EQ(library(), foreign + L"bin\\client\\jvm.dll");
    EXPECT_TRUE(l_.choice.runPairProduct);
    l_.jrePath = own;
    ASSERT_TRUE(find(user));
    EXPECT_FALSE(l_.choice.runPairProduct);
    l_.jrePath = marker;
    ASSERT_TRUE(find(user));
    EXPECT_FALSE(l_.choice.runPairProduct);
}

TEST_F(RuntimeSearchTest, TodaysRuntimesWhenTheClassicFamiliesYieldNothing) {
    std::wstring temurin = runtime(L"temurin-21", kServerVm);
    std::wstring microsoft = runtime(L"ms-17", kServerVm);
    m_.setValue(kHklm, k32, L"Software\\Eclipse Adoptium\\JDK\\21.0.1.12\\hotspot\\MSI", L"Path", temurin);
    m_.setValue(kHklm, k32, L"Software\\Microsoft\\JDK\\17.0.9.8\\hotspot\\MSI", L"Path",
                microsoft.substr(0, microsoft.size() - 1));
    // A key an uninstaller left behind.
    m_.setValue(kHklm, k32, L"Software\\Eclipse Adoptium\\JRE\\22.0.0.36\\hotspot\\MSI", L"Path",
                folder_ + L"\\removed\\");
    FakeUser user;
    ASSERT_TRUE(find(user));
    EXPECT_EQ(library(), temurin + L"bin\\server\\jvm.dll");
    EXPECT_EQ(l_.choice.version, v(21, 0, 1, 12));
    EXPECT_EQ(candidateHomes(), (std::vector<std::wstring>{temurin, microsoft}));
    l_.preferredVersions = {L"17"};
    EXPECT_EQ(pass(k32), microsoft);
    l_.preferredVersions.clear();

    // "Maximum Version" 1.8 leaves neither.
    l_.maximumVersion = maximumFromConfig(L"1.8");
    EXPECT_FALSE(find(user));
    EXPECT_EQ(user.calls, 1);
    // A registered 1.8 of the classic families wins over newer ones of today's layouts.
    l_.maximumVersion = JavaVersion();
    std::wstring jre8 = runtime(L"jre8", kClientVm);
    plant(k32, kSunJre, L"1.8.0_401", jre8);
    ASSERT_TRUE(find(user));
    EXPECT_EQ(library(), jre8 + L"bin\\client\\jvm.dll");
    EXPECT_EQ(candidateHomes(), std::vector<std::wstring>{jre8});
}

TEST_F(RuntimeSearchTest, TodaysLayoutsKindsVendorsUsersAndDuplicates) {
    std::wstring oracle = runtime(L"oracle-21", kServerVm);
    std::wstring semeru = runtime(L"semeru-17", kServerVm);
    std::wstring openj9 = runtime(L"adoptium-openj9-11", kServerVm);
    std::wstring jre = runtime(L"foundation-jre-17", kServerVm);
    std::wstring user22 = runtime(L"user-22", kServerVm);
    std::wstring user32 = runtime(L"user-other-machine", kServerVm);
    m_.setValue(kHklm, k32, L"Software\\JavaSoft\\JDK\\21.0.2", L"JavaHome", oracle);
    // The same home under a second name and a second layout is kept once.
    m_.setValue(kHklm, k32, L"Software\\JavaSoft\\JDK\\21", L"JavaHome", oracle);
    m_.setValue(kHklm, k32, L"Software\\AdoptOpenJDK\\JDK\\21.0.2.13\\hotspot\\MSI", L"Path", oracle);
    m_.setValue(kHklm, k32, L"Software\\Semeru\\JDK\\17.0.8.7\\openj9\\MSI", L"Path", semeru);
    m_.setValue(kHklm, k32, L"Software\\Eclipse Adoptium\\JDK\\11.0.20.8\\openj9\\MSI", L"Path", openj9);
    m_.setValue(kHklm, k32, L"Software\\Eclipse Foundation\\JRE\\17.0.9.9\\hotspot\\MSI", L"Path", jre);
    m_.setValue(RegistryRoot::CurrentUser, k32, L"Software\\JavaSoft\\JDK\\22", L"JavaHome", user22);
    // A per-user runtime of the other processor is the pair's.
    m_.setValue(RegistryRoot::CurrentUser, k32, L"Software\\JavaSoft\\JDK\\23", L"JavaHome", user32);
    m_.images[user32 + L"bin\\server\\jvm.dll"].machine = kMachineOwn == kMachineX64 ? kMachineX86 : kMachineX64;

    EXPECT_EQ(candidateHomes(), (std::vector<std::wstring>{oracle, jre, user22}));
    EXPECT_EQ(pass(k32), user22);  // per-user installs count as well
    EXPECT_EQ(collectCandidates(m_, l_, k64, PassFor::Pair).size(), 2u);  // user22 and user32
    configure(L"only_JRE", L"");
    EXPECT_EQ(candidateHomes(), std::vector<std::wstring>{jre});
    // openj9 and Semeru runtimes are IBM's.
    configure(L"", L"ibm");
    EXPECT_EQ(candidateHomes(), (std::vector<std::wstring>{openj9, semeru}));
    configure(L"", L"favor_ibm");
    EXPECT_EQ(pass(k32), semeru);
}

TEST_F(RuntimeSearchTest, JavaHomeOnlyWhenNothingElseQualifies) {
    std::wstring javaHome = runtime(L"java-home", kServerVm);
    m_.variables[L"JAVA_HOME"] = javaHome.substr(0, javaHome.size() - 1);
    std::wstring registered = runtime(L"registered", kClientVm);
    plant(k32, kSunJre, L"1.8", registered);
    FakeUser user;
    ASSERT_TRUE(find(user));
    EXPECT_EQ(library(), registered + L"bin\\client\\jvm.dll");

    m_.keys.clear();
    l_.pairProductPath = L"C:\\App\\app64.exe";
    ASSERT_TRUE(find(user));
    EXPECT_EQ(library(), javaHome + L"bin\\server\\jvm.dll");
    EXPECT_FALSE(l_.choice.runPairProduct);  // no image: used as it is
    // A JDK 8 keeps its VM in jre\.
    std::wstring jdk8 = runtime(L"jdk8", 0);
    runtime(jdk8 + L"jre", kClientVm);
    m_.variables[L"JAVA_HOME"] = jdk8;
    ASSERT_TRUE(find(user));
    EXPECT_EQ(library(), jdk8 + L"jre\\bin\\client\\jvm.dll");
    m_.variables[L"JAVA_HOME"] = folder_ + L"\\nothing";
    EXPECT_FALSE(find(user));
    EXPECT_EQ(user.calls, 1);
}

TEST_F(RuntimeSearchTest, TheChoiceCarriesTheRuntimesVersionWhateverItsSource) {
    FakeUser user;
    // "JRE Path": its release file, even when it lies outside the bounds.
    std::wstring configured = runtime(L"configured", kClientVm);
    release(configured, "11.0.22");
    l_.jrePath = configured;
    l_.minimumVersion = minimumFromConfig(L"17");
    ASSERT_TRUE(find(user));
    EXPECT_EQ(l_.choice.version, v(11, 0, 22, 0));
    EXPECT_EQ(l_.choice.versionOrigin, VersionOrigin::ReleaseFile);
    EXPECT_EQ(l_.choice.versionText, L"11.0.22");
    EXPECT_EQ(l_.choice.versionTextOrigin, VersionOrigin::ReleaseFile);

    // The registry: the key's version; the exact text from a JDK 8's release
    // file, which lies above its jre\ folder.
    l_.jrePath.clear();
    l_.minimumVersion = JavaVersion();
    std::wstring jdk = runtime(L"jdk8", 0);
    runtime(jdk + L"jre", kClientVm);
    release(jdk, "1.8.0_131");
    plant(k32, kSunJdk, L"1.8.0_131", jdk);
    ASSERT_TRUE(find(user));
    EXPECT_EQ(library(), jdk + L"jre\\bin\\client\\jvm.dll");
    EXPECT_EQ(l_.choice.version, v(1, 8, 0, 131));
    EXPECT_EQ(l_.choice.versionOrigin, VersionOrigin::Registry);
    EXPECT_EQ(l_.choice.versionText, L"1.8.0_131");
    EXPECT_EQ(l_.choice.versionTextOrigin, VersionOrigin::ReleaseFile);

    // JAVA_HOME without a release file: the major version of the version resource.
    m_.keys.clear();
    std::wstring javaHome = runtime(L"java-home", kServerVm);
    FakeRuntimeProbe::Image& image = m_.images[javaHome + L"bin\\server\\jvm.dll"];
    image.machine = kMachineOwn;
    image.hasVersion = true;
    image.version[0] = 17;
    image.version[2] = 10;
    m_.variables[L"JAVA_HOME"] = javaHome;
    ASSERT_TRUE(find(user));
    EXPECT_EQ(l_.choice.version, v(17, 0, 0, 0));
    EXPECT_EQ(l_.choice.versionOrigin, VersionOrigin::VersionResource);
    EXPECT_EQ(l_.choice.versionText, L"17.0.10.0");
    EXPECT_EQ(l_.choice.versionTextOrigin, VersionOrigin::VersionResource);

    // The user's pick, with a release file.
    m_.variables.clear();
    std::wstring picked = runtime(L"picked", kServerVm);
    release(picked, "21.0.2");
    user.answer = UserAnswer{1, picked, picked + L"bin\\server\\jvm.dll"};
    ASSERT_TRUE(find(user));
    EXPECT_EQ(l_.choice.version, v(21, 0, 2, 0));
    EXPECT_EQ(l_.choice.versionText, L"21.0.2");
    EXPECT_EQ(user.calls, 1);
}

TEST_F(RuntimeSearchTest, APickIsWrittenToThePerUserFilesOrBesideTheExecutables) {
    std::wstring picked = runtime(L"picked", kClientVm);
    FakeUser user;
    user.answer = UserAnswer{1, picked.substr(0, picked.size() - 1), picked + L"bin\\client\\jvm.dll"};
    l_.productName = L"My Tool: Pro";
    l_.productCode = L"{1234}";
    l_.pairProductPath = L"D:\\Elsewhere\\tool64.exe";
    ASSERT_TRUE(find(user));
    EXPECT_EQ(library(), user.answer.jvmLibrary);
    const std::wstring userFolder = m_.appData + L"\\My Tool Pro\\{1234}\\";
    EXPECT_EQ(m_.written, (std::map<std::wstring, std::wstring>{{userFolder + L"app.ini", picked},
                                                                 {userFolder + L"tool64.ini", picked}}));

    // A service writes beside the executable, and beside a relative pair as a process started from here finds it.
    m_.written.clear();
    l_.isService = true;
    l_.pairProductPath = L"tool64.exe";
    ASSERT_TRUE(find(user));
    EXPECT_EQ(m_.written, (std::map<std::wstring, std::wstring>{{L"C:\\App\\app.ini", picked},
                                                                 {L"C:\\cwd\\tool64.ini", picked}}));
    // A paired product without a "." has no configuration file of its own.
    m_.written.clear();
    l_.pairProductPath = L"tool64";
    ASSERT_TRUE(find(user));
    EXPECT_EQ(m_.written, (std::map<std::wstring, std::wstring>{{L"C:\\App\\app.ini", picked}}));
    // Cancelled: nothing is written.
    m_.written.clear();
    user.answer.result = 2;
    EXPECT_FALSE(find(user));
    EXPECT_TRUE(m_.written.empty());
    EXPECT_TRUE(library().empty());
}

}  // namespace
