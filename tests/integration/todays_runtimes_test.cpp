// Whole starts of the launcher on the machines most users have today: 64-bit
// runtimes of Java 8 to 22, registered per user or by today's installers, a
// JAVA_HOME set by a JDK installer, runtimes built for the other processor.
// Runtime folders hold small PE images (support/pe_builder.h) and release
// files; a start that chose one ends when its VM library cannot be loaded, so
// the choice is read from the trace. The "JRE Not Found" dialog is cancelled
// whenever it appears.
#include <gtest/gtest.h>

#include "support/process.h"
#include "support/runtime_fixtures.h"

using namespace testing_support;

namespace {

const REGSAM k64 = KEY_WOW64_64KEY;  // the x86_64 launcher's own view
const unsigned short kOwn = 0x8664;  // the machine of the launcher under test
const unsigned short kOther = 0x014C;
const DWORD kFailed = 0xFFFFFFFFu;

const char kMainOnly[] = "[Java Runtime Environment]\r\nMain Class=com.example.App\r\n";

class TodaysRuntimes : public ::testing::Test {
protected:
    void SetUp() override {
        for (const wchar_t* key : {L"Software\\JavaSoft", L"Software\\Eclipse Adoptium", L"Software\\Azul Systems",
                                   L"Software\\BellSoft"}) {
            ASSERT_FALSE(registryKeyExists(HKEY_LOCAL_MACHINE, k64, key)) << narrow(key);
            ASSERT_FALSE(registryKeyExists(HKEY_CURRENT_USER, 0, key)) << narrow(key);
        }
    }

    // Runs the launcher with its trace and its own APPDATA, cancelling the
    // "JRE Not Found" dialog; JAVA_HOME unset unless `env` sets it. Gives the trace in `trace`.
    RunResult start(const AppDir& app, std::string& trace, std::map<std::wstring, std::wstring> env = {}) {
        RunOptions options;
        options.env = env;
        options.cancelJreDialog = true;
        Started s = app.start(L"", options);
        trace = s.trace;
        return s.result;
    }

    // A runtime home `name` in the application folder whose bin\server\jvm.dll
    // is an image for `machine`; with a release file when `javaVersion` is given.
    static std::wstring home(const AppDir& app, const std::wstring& name, unsigned short machine,
                             const char* javaVersion = nullptr, const unsigned short* productVersion = nullptr) {
        const std::wstring folder = app.file(name) + L"\\";
        EXPECT_TRUE(writeImage(folder + L"bin\\server\\jvm.dll", machine, productVersion));
        if (javaVersion) {
            EXPECT_TRUE(writeReleaseFile(folder, javaVersion));
        }
        return folder;
    }

    static std::string bare(const std::wstring& folder) { return narrow(folder.substr(0, folder.size() - 1)); }

    static bool has(const std::string& text, const std::wstring& part) {
        return text.find(narrow(part)) != std::string::npos;
    }

    RegistryPlant reg_;
};

TEST_F(TodaysRuntimes, JavaHomeIsHeldToTheVersionBoundsAndToTheProcessor) {
    AppDir app(L"java-home-checked");
    std::string t;

    // Older than "Minimum Version": the user is asked instead.
    const std::wstring jdk11 = home(app, L"jdk-11", kOwn, "11.0.22");
    app.writeIni(std::string(kMainOnly) + "Minimum Version=17\r\n");
    RunResult r = start(app, t, {{L"JAVA_HOME", widen(bare(jdk11))}});
    EXPECT_TRUE(has(t, L"runtime: JAVA_HOME " + widen(bare(jdk11)) +
                           L" skipped: version 11.0.22.0 (release file) is below \"Minimum Version\""))
        << t;
    EXPECT_TRUE(has(t, L"runtime: the user cancelled the \"JRE Not Found\" dialog")) << t;
    EXPECT_EQ(r.exitCode, kFailed);

    // A JDK 8: its VM in jre\, its release file in the home; "Maximum Version" 8 is 1.8.
    const std::wstring jdk8 = app.file(L"jdk8") + L"\\";
    ASSERT_TRUE(writeImage(jdk8 + L"jre\\bin\\server\\jvm.dll", kOwn));
    ASSERT_TRUE(writeReleaseFile(jdk8, "1.8.0_392"));
    app.writeIni(std::string(kMainOnly) + "Maximum Version=8\r\n");
    start(app, t, {{L"JAVA_HOME", widen(bare(jdk8))}});
    EXPECT_TRUE(has(t, L"runtime chosen (JAVA_HOME): " + jdk8 + L"jre\\bin\\server\\jvm.dll")) << t;
    EXPECT_TRUE(has(t, L"runtime version: 1.8.0.392 from the release file, exact text \"1.8.0_392\" from the "
                       L"release file"))
        << t;

    // Without a release file only the major version of the version resource counts.
    const unsigned short v21[4] = {21, 0, 2, 0};
    const std::wstring jdk21 = home(app, L"jdk-21", kOwn, nullptr, v21);
    app.writeIni(std::string(kMainOnly) + "Minimum Version=21\r\n");
    start(app, t, {{L"JAVA_HOME", jdk21}});
    EXPECT_TRUE(has(t, L"runtime chosen (JAVA_HOME): " + jdk21 + L"bin\\server\\jvm.dll")) << t;
    EXPECT_TRUE(has(t, L"runtime version: 21.0.0.0 from the version resource, exact text \"21.0.2.0\" from the "
                       L"version resource"))
        << t;

    // A version that cannot be read counts only when a bound is set.
    const std::wstring unknown = makeRuntimeFolder(app.file(L"unknown"), kServerVm);
    app.writeIni(std::string(kMainOnly) + "Maximum Version=21\r\n");
    start(app, t, {{L"JAVA_HOME", unknown}});
    EXPECT_TRUE(has(t, L"runtime: JAVA_HOME " + unknown + L" skipped: its version cannot be read")) << t;
    app.writeIni(kMainOnly);
    start(app, t, {{L"JAVA_HOME", unknown}});
    EXPECT_TRUE(has(t, L"runtime chosen (JAVA_HOME): " + unknown + L"bin\\server\\jvm.dll")) << t;
    EXPECT_TRUE(has(t, L"runtime version: unknown (no release file, no version resource)")) << t;

    // Built for the other processor: skipped without "Pair Product" (no message 222)...
    const std::wstring x86 = home(app, L"jdk-17-x86", kOther, "17.0.10");
    r = start(app, t, {{L"JAVA_HOME", x86}});
    EXPECT_TRUE(has(t, L"runtime: JAVA_HOME " + x86 +
                           L" skipped: its VM library is for x86, this launcher for x64, and no \"Pair Product\" is "
                           L"set"))
        << t;
    EXPECT_TRUE(has(t, L"asking the user")) << t;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.exitCode, kFailed);

    // ...and handed to the paired executable with it.
    app.writeIni(std::string(kMainOnly) + "[Application]\r\nPair Product=" + narrow(app.file(L"missing-pair.exe")) +
                 "\r\n");
    start(app, t, {{L"JAVA_HOME", x86}});
    EXPECT_TRUE(has(t, L"runtime chosen (JAVA_HOME): " + x86 + L"bin\\server\\jvm.dll")) << t;
    EXPECT_TRUE(has(t, L"runtime: the paired executable will run it: " + app.file(L"missing-pair.exe"))) << t;
    EXPECT_FALSE(has(t, L"asking the user")) << t;
}

TEST_F(TodaysRuntimes, PerUserRuntimesOfTheOtherProcessorAreLeftToThePairedExecutable) {
    AppDir app(L"per-user-machine");
    std::string t;
    const std::wstring user22 = home(app, L"user-jdk-22", kOther);
    ASSERT_TRUE(reg_.set(HKEY_CURRENT_USER, 0, L"Software\\JavaSoft\\JDK\\22", L"JavaHome", user22));
    const std::wstring machine17 = home(app, L"temurin-17", kOwn, "17.0.10");
    RegistryPlant machineWide;
    ASSERT_TRUE(machineWide.set(HKEY_LOCAL_MACHINE, k64, L"Software\\Eclipse Adoptium\\JDK\\17.0.10.7\\hotspot\\MSI",
                                L"Path", machine17));

    // The newer per-user runtime cannot be loaded here: the older one that can wins.
    app.writeIni(kMainOnly);
    start(app, t);
    EXPECT_TRUE(has(t, L"22: version 22.0.0.0, home " + user22 +
                           L": skipped: per-user runtime whose VM library is for another processor (x86)"))
        << t;
    EXPECT_TRUE(has(t, L"runtime chosen (registry): " + machine17 + L"bin\\server\\jvm.dll")) << t;

    // Alone, it goes to the paired executable, which the pass for it keeps it for.
    machineWide.removeAll();
    app.writeIni(std::string(kMainOnly) + "[Application]\r\nPair Product=" + narrow(app.file(L"missing-pair.exe")) +
                 "\r\n");
    start(app, t);
    EXPECT_TRUE(has(t, L"runtime chosen (registry, for the paired executable): " + user22 + L"bin\\server\\jvm.dll"))
        << t;

    // Without "Pair Product" nothing qualifies.
    app.writeIni(kMainOnly);
    RunResult r = start(app, t);
    EXPECT_TRUE(has(t, L"asking the user")) << t;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.exitCode, kFailed);
}

TEST_F(TodaysRuntimes, ARuntimeForTheOtherProcessorIsExplainedAfterMessage222) {
    AppDir app(L"other-processor");
    std::string t;
    const std::wstring x86 = home(app, L"jre-x86", kOther, "17.0.10");
    const std::string library = narrow(x86 + L"bin\\server\\jvm.dll");
    const std::string explained =
        "Error: This Java runtime is built for x86 and this launcher for x64: the x86 build of the launcher runs "
        "it, started directly or set as Pair Product. \r\n";

    app.writeIni(std::string(kMainOnly) + "JRE Path=" + bare(x86) + "\r\n");
    RunResult r = start(app, t);
    EXPECT_EQ(r.out, "Error: Failed to load Java VM library: " + library + " (errno = 193).\r\n \r\n" + explained);
    EXPECT_EQ(r.exitCode, kFailed);

    // The same for a private runtime.
    const std::wstring jre = home(app, L"jre", kOther, "17.0.10");
    ASSERT_TRUE(writeTextFile(jre + L"bin\\java.dll", ""));
    app.writeIni(kMainOnly);
    r = start(app, t);
    EXPECT_EQ(r.out, "Error: Failed to load Java VM library: " + narrow(jre + L"bin\\server\\jvm.dll") +
                         " (errno = 193).\r\n \r\n" + explained);
    EXPECT_EQ(r.exitCode, kFailed);
}

TEST_F(TodaysRuntimes, LayoutsThatTodaysInstallersWrite) {
    AppDir app(L"installer-layouts");
    std::string t;
    // A Temurin 8 MSI: version 8.0.392.8, the VM in the home's jre\ folder.
    const std::wstring temurin8 = app.file(L"temurin-8") + L"\\";
    ASSERT_TRUE(writeImage(temurin8 + L"jre\\bin\\server\\jvm.dll", kOwn));
    ASSERT_TRUE(reg_.set(HKEY_LOCAL_MACHINE, k64, L"Software\\Eclipse Adoptium\\JDK\\8.0.392.8\\hotspot\\MSI",
                         L"Path", temurin8));
    // Zulu: the version in "CurrentVersion", or only the major one in the key name.
    const std::wstring zulu17 = home(app, L"zulu-17", kOwn, "17.0.10");
    const std::wstring zulu11 = home(app, L"zulu-11-jre", kOwn);
    ASSERT_TRUE(reg_.set(HKEY_LOCAL_MACHINE, k64, L"Software\\Azul Systems\\Zulu\\zulu-17", L"InstallationPath",
                         zulu17));
    ASSERT_TRUE(reg_.set(HKEY_LOCAL_MACHINE, k64, L"Software\\Azul Systems\\Zulu\\zulu-11-jre", L"InstallationPath",
                         zulu11));
    ASSERT_TRUE(reg_.set(HKEY_LOCAL_MACHINE, k64, L"Software\\Azul Systems\\Zulu\\zulu-11-jre", L"CurrentVersion",
                         L"11.0.22"));
    // Liberica, per user: only the major version in the key name.
    const std::wstring liberica21 = home(app, L"liberica-21", kOwn, "21.0.2");
    ASSERT_TRUE(reg_.set(HKEY_CURRENT_USER, 0, L"Software\\BellSoft\\Liberica\\jdk-21", L"InstallationPath",
                         liberica21));

    // "Maximum Version" 1.8 and 8 both admit the Java 8 key, and only it.
    for (const char* maximum : {"1.8", "8"}) {
        app.writeIni(std::string(kMainOnly) + "Maximum Version=" + maximum + "\r\n");
        start(app, t);
        EXPECT_TRUE(has(t, L"8.0.392.8: version 1.8.0.392, home " + temurin8 + L"jre\\: accepted")) << maximum << t;
        EXPECT_TRUE(has(t, L"runtime chosen (registry): " + temurin8 + L"jre\\bin\\server\\jvm.dll")) << maximum << t;
    }
    // Versions from the release file and from "CurrentVersion".
    app.writeIni(std::string(kMainOnly) + "Preferred versions=17\r\n");
    start(app, t);
    EXPECT_TRUE(has(t, L"zulu-17: version 17.0.10.0 (release file \"17.0.10\"), home " + zulu17 + L": accepted")) << t;
    EXPECT_TRUE(has(t, L"zulu-11-jre: version 11.0.22.0 (CurrentVersion \"11.0.22\"), home " + zulu11 + L": accepted"))
        << t;
    EXPECT_TRUE(has(t, L"runtime chosen (registry): " + zulu17 + L"bin\\server\\jvm.dll")) << t;
    // A preferred 8 means 1.8.
    app.writeIni(std::string(kMainOnly) + "Preferred versions=8\r\n");
    start(app, t);
    EXPECT_TRUE(has(t, L"runtime chosen (registry): " + temurin8 + L"jre\\bin\\server\\jvm.dll")) << t;
    // The newest of all: Liberica 21.0.2, with its exact version.
    app.writeIni(std::string(kMainOnly) + "JVM Source=only_JDK\r\n");
    start(app, t);
    EXPECT_TRUE(has(t, L"runtime chosen (registry): " + liberica21 + L"bin\\server\\jvm.dll")) << t;
    EXPECT_TRUE(has(t, L"runtime version: 21.0.2.0 from the release file, exact text \"21.0.2\" from the release "
                       L"file"))
        << t;
    EXPECT_TRUE(has(t, L"zulu-11-jre: version 11.0.22.0 (CurrentVersion \"11.0.22\"), home " + zulu11 +
                       L": skipped: kind not accepted by \"JVM Source\""))
        << t;
}

TEST_F(TodaysRuntimes, APrivateRuntimeFromJlinkAndVersionsOutsideTheBounds) {
    AppDir app(L"runtime-folder");
    std::string t;
    // What jlink and jpackage make: runtime\ beside the executable.
    const std::wstring runtime = home(app, L"runtime", kOwn, "17.0.10");
    ASSERT_TRUE(writeTextFile(runtime + L"bin\\java.dll", ""));
    app.writeIni(std::string(kMainOnly) + "Minimum Version=21\r\n");
    start(app, t);
    EXPECT_TRUE(has(t, L"runtime chosen (private runtime): " + runtime + L"bin\\server\\jvm.dll")) << t;
    EXPECT_TRUE(has(t, L"runtime: warning: the private runtime's version 17.0.10.0 is below \"Minimum Version\"; it "
                       L"is used all the same, since the bounds apply to registry runtimes"))
        << t;

    // "JRE Path" comes first, and is not bounded either.
    const std::wstring configured = home(app, L"jdk-22", kOwn, "22.0.1");
    app.writeIni(std::string(kMainOnly) + "Maximum Version=21\r\nJRE Path=" + bare(configured) + "\r\n");
    start(app, t);
    EXPECT_TRUE(has(t, L"runtime chosen (\"JRE Path\"): " + configured + L"bin\\server\\jvm.dll")) << t;
    EXPECT_TRUE(has(t, L"runtime: warning: the \"JRE Path\" runtime's version 22.0.1.0 is above \"Maximum Version\"")) << t;
    EXPECT_TRUE(has(t, L"runtime version: 22.0.1.0 from the release file, exact text \"22.0.1\" from the release file"))
        << t;
}

}  // namespace
