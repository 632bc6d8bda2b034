// The shipped 32-bit launcher on the machine most users have: nothing but a
// 64-bit runtime (the x86_64 test VM) named by JAVA_HOME. Without "Pair
// Product" that runtime is passed over and the user asked (the dialog is
// cancelled) instead of a failed load; with it, the paired x86_64 launcher runs
// it. One emulated start each.
#include <gtest/gtest.h>

#include "support/process.h"
#include "support/testvm.h"

using namespace testing_support;

namespace {

// An application folder with the 32-bit launcher as app.exe, the x86_64 one as
// app64.exe, and a 64-bit runtime in jdk64\ (outside every place the launcher
// searches by itself).
struct JavaHomeApp {
    explicit JavaHomeApp(const std::wstring& name) : app(name, L"app.exe", windowsPath(LAUNCHER32_EXE)) {
        app.copy(launcherExe(), L"app64.exe").installTestVm(L"jdk64\\bin\\server\\jvm.dll").write(L"app.jar");
    }

    // One emulated start with JAVA_HOME naming the 64-bit runtime; the dialog is cancelled.
    Started start() const {
        RunOptions options = RunOptions::within(600000);
        options.env[L"JAVA_HOME"] = app.file(L"jdk64");
        options.cancelJreDialog = true;
        return app.start(L"one", options);
    }

    AppDir app;
};

TEST(Product32JavaHome, ASixtyFourBitJavaHomeWithoutPairProductLeadsToTheDialog) {
    JavaHomeApp a(L"smoke32-java-home-dialog");
    a.app.writeIni("[Java Runtime Environment]\r\nMain Class=test.Exit\r\n[Class Path]\r\nClass Path=\\app.jar\r\n");
    const Started s = a.start();
    const RunResult& r = s.result;
    const std::string& trace = s.trace;
    const std::vector<std::string>& log = s.log;
    const std::string context = s.describe();

    EXPECT_FALSE(r.timedOut) << context;
    EXPECT_EQ(r.exitCode, 0xFFFFFFFFu) << context;
    EXPECT_EQ(r.out, "") << context;  // no message 222 for a library it cannot load
    EXPECT_NE(trace.find("runtime: JAVA_HOME " + narrow(a.app.file(L"jdk64")) +
                         " skipped: its VM library is for x64, this launcher for x86, and no \"Pair Product\" is set"),
              std::string::npos)
        << context;
    EXPECT_NE(trace.find("runtime: the user cancelled the \"JRE Not Found\" dialog"), std::string::npos) << context;
    EXPECT_TRUE(log.empty()) << context;  // the runtime was never loaded
}

TEST(Product32JavaHome, ASixtyFourBitJavaHomeGoesToThePairedExecutable) {
    JavaHomeApp a(L"smoke32-java-home-pair");
    const std::string classPath = "[Class Path]\r\nClass Path=\\app.jar\r\n";
    a.app.writeIni("[Java Runtime Environment]\r\nMain Class=test.Exit\r\n[Application]\r\nPair Product=" +
                   narrow(a.app.file(L"app64.exe")) + "\r\nPair Return Code=Yes\r\n" + classPath);
    a.app.write(L"app64.ini", "[Java Runtime Environment]\r\nMain Class=test.Exit\r\n"
                              "Virtual Machine Parameters=-Dtestvm.exit=301\r\n" + classPath);
    const Started s = a.start();
    const RunResult& r = s.result;
    const std::string& trace = s.trace;
    const std::vector<std::string>& log = s.log;
    const std::string context = s.describe();

    // The pair took the same JAVA_HOME, ran the program, and its code came back.
    EXPECT_FALSE(r.timedOut) << context;
    EXPECT_EQ(r.exitCode, 301u) << context;
    EXPECT_EQ(r.out, "") << context;
    const std::string library = narrow(a.app.file(L"jdk64\\bin\\server\\jvm.dll"));
    EXPECT_NE(trace.find("runtime: the paired executable will run it: " + narrow(a.app.file(L"app64.exe"))),
              std::string::npos)
        << context;
    EXPECT_EQ(trace.find("asking the user"), std::string::npos) << context;
    std::vector<std::vector<std::string>> calls = testVmArguments(log, "main");
    ASSERT_EQ(calls.size(), 1u) << context;
    EXPECT_EQ(calls[0], std::vector<std::string>{"one"});
    std::string value;
    ASSERT_TRUE(logValue(log, "env QZ_JVM_PATH=", value)) << context;
    EXPECT_EQ(value, library);
    EXPECT_TRUE(inOrder(log, {"exit 301", "exit hook returned"})) << context;
}

}  // namespace
