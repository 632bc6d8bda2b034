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
    AppDir app(L"smoke32-pair", L"app64.exe");  // the x86_64 launcher is the pair
    const std::wstring exe32 = app.file(L"app.exe");
    ASSERT_TRUE(CopyFileW(windowsPath(LAUNCHER32_EXE).c_str(), exe32.c_str(), FALSE));
    app.installTestVm(L"runtime64\\bin\\client\\jvm.dll");
    app.write(L"app.jar", "");
    const std::string runtime = narrow(app.file(L"runtime64"));
    app.write(L"app.ini", "[Java Runtime Environment]\r\nMain Class=test.Exit\r\nJRE Path=" + runtime +
                              "\r\n[Application]\r\nPair Product=" + narrow(app.exe()) + "\r\nPair Return Code=Yes\r\n");
    app.writeIni("[Java Runtime Environment]\r\nMain Class=test.Exit\r\nJRE Path=" + runtime +
                 "\r\nVirtual Machine Parameters=-Dtestvm.exit=300\r\n[Class Path]\r\nClass Path=\\app.jar\r\n");

    RunOptions options;
    options.timeoutMs = 600000;
    options.env[L"TESTVM_LOG"] = app.file(L"testvm.log");
    options.env[L"QZ_LAUNCHER_LOG"] = app.file(L"trace.log");
    options.env[L"JAVA_HOME"] = L"";
    options.env[L"APPDATA"] = app.file(L"appdata");
    const std::wstring arguments = L"-a \"quoted argument\" \u00e9";
    RunResult r = runProcess(exe32, L"\"" + exe32 + L"\" " + arguments, options);
    std::vector<std::string> log = testVmLog(app.file(L"testvm.log"));
    std::string trace;
    readTextFile(app.file(L"trace.log"), trace);
    std::string context = "exit " + std::to_string(r.exitCode) + "\n--- stdout:\n" + r.out + "--- test VM log:\n";
    for (const std::string& line : log) context += line + "\n";
    context += "--- trace:\n" + trace;

    // The child's System.exit(300) became the 32-bit process's exit code, in full.
    EXPECT_FALSE(r.timedOut) << context;
    EXPECT_EQ(r.exitCode, 300u) << context;
    // The 32-bit launcher printed nothing (no failed load of the 64-bit library).
    EXPECT_EQ(r.out, "") << context;
    EXPECT_NE(trace.find("runtime: the paired executable will run it: " + narrow(app.exe())), std::string::npos)
        << context;
    EXPECT_NE(trace.find("run: starting the paired executable " + narrow(app.exe())), std::string::npos) << context;
    EXPECT_EQ(tracePids(trace).size(), 2u) << context;

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
