// Whole starts of the launcher choosing a runtime: private runtimes, the
// configured folder and its per-user copy, registry entries planted in the
// prefix, and the trace that explains every decision (QZ_LAUNCHER_LOG).
// The runtime folders are made of empty marker files, so a start that chose
// one ends when its VM library cannot be loaded; the choice is read from the
// trace, whatever the exit code.
#include <gtest/gtest.h>

#include "support/process.h"

using namespace testing_support;

namespace {

const REGSAM k64 = KEY_WOW64_64KEY;  // the x86_64 launcher's own view

const char kMainOnly[] = "[Java Runtime Environment]\r\nMain Class=com.example.App\r\n";

class RuntimeSelection : public ::testing::Test {
protected:
    void SetUp() override {
        for (const wchar_t* key : {L"Software\\JavaSoft", L"Software\\JRockit", L"Software\\IBM",
                                   L"Software\\Eclipse Adoptium", L"Software\\Microsoft\\JDK"}) {
            ASSERT_FALSE(registryKeyExists(HKEY_LOCAL_MACHINE, k64, key)) << narrow(key);
        }
    }

    // The trace of a start of the launcher (without JAVA_HOME unless given, with its own APPDATA).
    static std::string trace(const AppDir& app, const RunOptions& options = RunOptions()) {
        return app.start(L"", options).trace;
    }

    static bool has(const std::string& text, const std::wstring& part) {
        return text.find(narrow(part)) != std::string::npos;
    }
};

TEST_F(RuntimeSelection, PrivateRuntimeBesideTheExecutable) {
    AppDir app(L"private-runtime");
    app.writeIni(kMainOnly);
    makeRuntimeFolder(app.file(L"jre"), kJavaDll | kClientVm);
    std::string t = trace(app);
    EXPECT_TRUE(has(t, L"runtime chosen (private runtime): " + app.file(L"jre\\bin\\client\\jvm.dll"))) << t;

    // The executable sitting in a runtime's home wins over its jre\ folder.
    makeRuntimeFolder(app.path(), kJavaDll | kServerVm);
    t = trace(app);
    EXPECT_TRUE(has(t, L"runtime chosen (private runtime): " + app.file(L"bin\\server\\jvm.dll"))) << t;
}

TEST_F(RuntimeSelection, AVmLibraryInTheCurrentDirectoryIsNeverTaken) {
    AppDir app(L"current-directory");
    app.writeIni(kMainOnly);
    std::wstring elsewhere = app.file(L"elsewhere");
    makeRuntimeFolder(elsewhere, kClientVm);  // bin\client\jvm.dll without bin\java.dll anywhere
    std::wstring registered = makeRuntimeFolder(app.file(L"registered"), kClientVm);
    ASSERT_TRUE(app.registerRuntime(L"1.8", registered));
    RunOptions options;
    options.currentDirectory = elsewhere;
    std::string t = trace(app, options);
    EXPECT_TRUE(has(t, L"no private runtime")) << t;
    EXPECT_TRUE(has(t, L"runtime chosen (registry): " + registered + L"bin\\client\\jvm.dll")) << t;
}

TEST_F(RuntimeSelection, ConfiguredFolderAndThePerUserFileThatHidesIt) {
    AppDir app(L"per-user-hides");
    std::wstring runtime = makeRuntimeFolder(app.file(L"runtime"), kClientVm);
    app.writeIni("[Product Information]\r\nProduct Name=Sample: Tool\r\nProduct Code=2.0\r\n"
                 "[Java Runtime Environment]\r\nMain Class=com.example.App\r\nJRE Path=" +
                 narrow(runtime.substr(0, runtime.size() - 1)) + "\r\n");
    std::string t = trace(app);
    EXPECT_TRUE(has(t, L"runtime chosen (\"JRE Path\"): " + runtime + L"bin\\client\\jvm.dll")) << t;

    // A per-user file without "JRE Path" hides the one beside the executable:
    // the search goes on to the registry.
    std::wstring registered = makeRuntimeFolder(app.file(L"registered"), kClientVm);
    ASSERT_TRUE(app.registerRuntime(L"1.8", registered));
    ASSERT_TRUE(writeTextFile(app.file(L"appdata\\Sample Tool\\2.0\\app.ini"), "[Java Runtime Environment]\r\n"));
    t = trace(app);
    EXPECT_TRUE(has(t, L"per-user configuration: " + app.file(L"appdata\\Sample Tool\\2.0\\app.ini"))) << t;
    EXPECT_TRUE(has(t, L"runtime chosen (registry): " + registered + L"bin\\client\\jvm.dll")) << t;

    // With "JRE Path" in it, the per-user value is the one used.
    std::wstring other = makeRuntimeFolder(app.file(L"other"), kServerVm);
    ASSERT_TRUE(writeTextFile(app.file(L"appdata\\Sample Tool\\2.0\\app.ini"),
                              "[Java Runtime Environment]\r\nJRE Path=" + narrow(other) + "\r\n"));
    t = trace(app);
    EXPECT_TRUE(has(t, L"runtime chosen (\"JRE Path\"): " + other + L"bin\\server\\jvm.dll")) << t;
}

TEST_F(RuntimeSelection, TraceNamesTheReasonForEveryRegistryEntry) {
    AppDir app(L"trace-reasons");
    app.writeIni("[Java Runtime Environment]\r\nMain Class=com.example.App\r\nJVM Type=server\r\n"
                 "Minimum Version=1.6\r\nMaximum Version=1.8\r\n");
    std::wstring good = makeRuntimeFolder(app.file(L"jre-good"), kServerVm);
    ASSERT_TRUE(app.registerRuntime(L"1.5.0_22", good));
    ASSERT_TRUE(app.registerRuntime(L"1.9.0", good));
    ASSERT_TRUE(app.registerRuntime(L"1.7.0_1", app.file(L"uninstalled")));
    ASSERT_TRUE(app.registerRuntime(L"1.7.0_2", makeRuntimeFolder(app.file(L"jre-client"), kClientVm)));
    ASSERT_TRUE(
        app.registry().createKey(HKEY_LOCAL_MACHINE, k64, L"Software\\JavaSoft\\Java Runtime Environment\\1.7.0_3"));
    ASSERT_TRUE(app.registerRuntime(L"1.8.0_131", good));
    ASSERT_TRUE(app.registry().set(HKEY_LOCAL_MACHINE, k64, L"Software\\IBM\\Java2 Runtime Environment\\1.8.0",
                                   L"JavaHome", good));

    std::string t = trace(app);
    EXPECT_TRUE(has(t, L"1.5.0_22: version 1.5.0.22, home " + good + L": skipped: below \"Minimum Version\"")) << t;
    EXPECT_TRUE(has(t, L"1.9.0: version 1.9.0.0, home " + good + L": skipped: above \"Maximum Version\"")) << t;
    EXPECT_TRUE(has(t, L"1.7.0_1: version 1.7.0.1, home " + app.file(L"uninstalled\\") +
                           L": skipped: no VM library for the JVM type in the home"))
        << t;
    EXPECT_TRUE(has(t, L"1.7.0_2: version 1.7.0.2, home " + app.file(L"jre-client\\") +
                           L": skipped: no VM library for the JVM type in the home"))
        << t;
    EXPECT_TRUE(has(t, L"1.7.0_3: version 1.7.0.3, home (none): skipped: no home folder value")) << t;
    EXPECT_TRUE(has(t, L"1.8.0_131: version 1.8.0.131, home " + good + L": accepted (server VM, favoured)")) << t;
    EXPECT_TRUE(has(t, L"HKLM\\Software\\IBM\\Java2 Runtime Environment\\ (JRE, IBM): not searched (vendor not "
                       L"allowed by \"VM Provider\")"))
        << t;
    EXPECT_TRUE(has(t, L"1.8.0: version 1.8.0.0, home " + good + L": skipped: vendor not allowed")) << t;
    EXPECT_TRUE(has(t, L"chose 1.8.0.131 " + good + L": first in order")) << t;
    EXPECT_TRUE(has(t, L"runtime chosen (registry): " + good + L"bin\\server\\jvm.dll")) << t;
    // The classic families found something: today's layouts are not searched.
    EXPECT_FALSE(has(t, L"Java 9 and later")) << t;
}

TEST_F(RuntimeSelection, AMachineWithOnlyTodaysRuntimesNeedsNoDialog) {
    AppDir app(L"modern-only");
    app.writeIni(kMainOnly);
    std::wstring temurin = makeRuntimeFolder(app.file(L"temurin-21"), kServerVm);
    std::wstring microsoft = makeRuntimeFolder(app.file(L"ms-17"), kServerVm);
    ASSERT_TRUE(app.registry().set(HKEY_LOCAL_MACHINE, k64, L"Software\\Eclipse Adoptium\\JDK\\21.0.1.12\\hotspot\\MSI",
                                   L"Path", temurin));
    ASSERT_TRUE(app.registry().set(HKEY_LOCAL_MACHINE, k64, L"Software\\Microsoft\\JDK\\17.0.9.8\\hotspot\\MSI",
                                   L"Path", microsoft));
    std::string t = trace(app);
    EXPECT_TRUE(has(t, L"searching the layouts of Java 9 and later installers")) << t;
    EXPECT_TRUE(has(t, L"runtime chosen (registry): " + temurin + L"bin\\server\\jvm.dll")) << t;
    EXPECT_FALSE(has(t, L"asking the user")) << t;
}

TEST_F(RuntimeSelection, JavaHomeBeforeTheDialog) {
    AppDir app(L"java-home");
    app.writeIni(kMainOnly);
    RunOptions withHome;
    std::wstring home = withHome.env[L"JAVA_HOME"] = makeRuntimeFolder(app.file(L"jdk-17"), kServerVm);
    std::string t = trace(app, withHome);
    EXPECT_TRUE(has(t, L"runtime chosen (JAVA_HOME): " + home + L"bin\\server\\jvm.dll")) << t;

    // Any registered runtime comes first.
    std::wstring registered = makeRuntimeFolder(app.file(L"registered"), kClientVm);
    ASSERT_TRUE(app.registry().set(HKEY_LOCAL_MACHINE, k64, L"Software\\JavaSoft\\JDK\\11", L"JavaHome", registered));
    t = trace(app, withHome);
    EXPECT_TRUE(has(t, L"runtime chosen (registry): " + registered + L"bin\\client\\jvm.dll")) << t;
    EXPECT_FALSE(has(t, L"JAVA_HOME")) << t;
}

}  // namespace
