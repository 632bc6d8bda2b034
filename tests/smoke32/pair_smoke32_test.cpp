// The shipped 32-bit launcher with a 64-bit runtime (the x86_64 test VM) in
// "JRE Path": it cannot load it, so it hands its own command line to the
// paired executable, here the x86_64 launcher, which hosts that runtime. With
// "Pair Return Code" the 32-bit process ends with the child's exit code. One
// emulated start.
#include <gtest/gtest.h>

#include <set>

#include "support/process.h"
#include "support/testvm.h"

using namespace testing_support;

namespace {

// The process ids of the trace lines ("hh:mm:ss.mmm [pid] text").
std::set<std::string> tracePids(const std::string& trace) {
    std::set<std::string> pids;
    for (size_t line = 0; line < trace.size();) {
        size_t next = trace.find('\n', line);
        if (next == std::string::npos) next = trace.size();
        size_t open = trace.find(" [", line), close = trace.find(']', line);
        if (open < next && close < next && open < close) pids.insert(trace.substr(open + 2, close - open - 2));
        line = next + 1;
    }
    return pids;
}

TEST(Product32Pair, ASixtyFourBitRuntimeIsHandedToThePairedExecutable) {
    // app.exe is the 32-bit launcher; app64.exe, the x86_64 one, is its pair.
    AppDir app(L"smoke32-pair", L"app.exe", windowsPath(LAUNCHER32_EXE));
    app.copy(launcherExe(), L"app64.exe").installTestVm(L"runtime64\\bin\\client\\jvm.dll").write(L"app.jar");
    const std::string runtime = "JRE Path=" + narrow(app.file(L"runtime64")) + "\r\n";
    const std::string exe64 = narrow(app.file(L"app64.exe"));
    app.writeIni(javaIni("test.Exit", "", runtime, "Pair Product=" + exe64 + "\r\nPair Return Code=Yes\r\n"));
    app.write(L"app64.ini",
              javaIni("test.Exit", "\\app.jar", runtime + "Virtual Machine Parameters=-Dtestvm.exit=300\r\n"));
    ASSERT_TRUE(app.ok());

    const Started s = app.start(L"-a \"quoted argument\" \u00e9", RunOptions::within(600000));
    const RunResult& r = s.result;
    const std::vector<std::string>& log = s.log;
    const std::string context = s.describe();

    // The child's System.exit(300) became the 32-bit process's exit code, in full.
    EXPECT_FALSE(r.timedOut) << context;
    EXPECT_EQ(r.exitCode, 300u) << context;
    // The 32-bit launcher printed nothing (no failed load of the 64-bit library).
    EXPECT_EQ(r.out, "") << context;
    EXPECT_TRUE(s.traced("runtime: the paired executable will run it: " + exe64)) << context;
    EXPECT_TRUE(s.traced("run: starting the paired executable " + exe64)) << context;
    EXPECT_EQ(tracePids(s.trace).size(), 2u) << context;

    // One VM, created by the child, with the 32-bit launcher's arguments.
    EXPECT_EQ(linesStartingWith(log, "create ").size(), 1u) << context;
    std::vector<std::vector<std::string>> calls = testVmArguments(log, "main");
    ASSERT_EQ(calls.size(), 1u) << context;
    EXPECT_EQ(calls[0], (std::vector<std::string>{"-a", "quoted argument", "\xc3\xa9"}));
    std::string value;
    ASSERT_TRUE(logValue(log, "env QZ_JVM_PATH=", value)) << context;
    EXPECT_EQ(value, narrow(app.file(L"runtime64\\bin\\client\\jvm.dll")));
    EXPECT_TRUE(inOrder(log, {"exit 300", "exit hook returned"})) << context;
    EXPECT_TRUE(testVmErrors(log).empty()) << context;
}

}  // namespace
