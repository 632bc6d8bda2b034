// The shipped 32-bit launcher hosting the i686 build of the test VM as the
// private runtime of a sample application: one emulated start checks the
// arguments that reach main, the options the VM was created with (memory
// percentages from the 32-bit process's own memory status, the stack size,
// the class path and the hooks), and that the Java program's exit code
// becomes the process's, in full.
#include <gtest/gtest.h>

#include "support/process.h"
#include "support/testvm.h"

using namespace testing_support;

namespace {

bool startsWith(const std::string& text, const std::string& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

// The kilobytes of a rewritten memory option ("-Xmx<digits>K"); 0 when it has another form.
unsigned long long kilobytes(const std::string& option, const std::string& prefix) {
    if (!startsWith(option, prefix) || option.size() < prefix.size() + 2 || option.back() != 'K') return 0;
    std::string digits = option.substr(prefix.size(), option.size() - prefix.size() - 1);
    if (digits.find_first_not_of("0123456789") != std::string::npos) return 0;
    return std::stoull(digits);
}

TEST(Product32Application, ReceivesItsArgumentsAndItsExitCodeBecomesTheProcesss) {
    AppDir app(L"smoke32-app", L"app.exe", windowsPath(LAUNCHER32_EXE));
    app.privateTestVm(windowsPath(TESTVM32_DLL)).write(L"lib\\sample.jar");
    app.writeIni(javaIni("test.Exit", "\\lib\\*.jar",
                         "Virtual Machine Parameters=-Dtestvm.exit=1234 -Xmx1p -Xms1t -Xss1m "
                         "\"-Dsample.greeting=hello world\"\r\n",
                         "Cmd=--from-ini\r\n"));
    ASSERT_TRUE(app.ok());

    const Started s = app.start(L"one \"\" \"two words\" \u00e9\u20ac", RunOptions::within(600000));
    const RunResult& r = s.result;
    const std::vector<std::string>& log = s.log;
    const std::string context = s.describe();
    const std::wstring jvm = app.file(L"jre\\bin\\client\\jvm.dll");

    // System.exit(1234) ended the process through the VM, after the launcher's hook.
    EXPECT_FALSE(r.timedOut) << context;
    EXPECT_EQ(r.exitCode, 1234u) << context;
    EXPECT_EQ(r.out, "") << context;
    EXPECT_TRUE(inOrder(log, {"created", "main args=5", "exit 1234", "exit hook returned"})) << context;

    std::vector<std::vector<std::string>> calls = testVmArguments(log, "main");
    ASSERT_EQ(calls.size(), 1u) << context;
    EXPECT_EQ(calls[0], (std::vector<std::string>{"one", "", "two words", "\xc3\xa9\xe2\x82\xac", "--from-ini"}));

    EXPECT_TRUE(inOrder(log, {"create version=0x10002 options=8 ignoreUnrecognized=0"})) << context;
    std::vector<std::string> opts = testVmOptions(log);
    ASSERT_EQ(opts.size(), 8u) << context;
    EXPECT_EQ(opts[0], "-Djava.class.path=" + narrow(app.file(L"lib\\sample.jar")));
    EXPECT_EQ(opts[1], "-Dtestvm.exit=1234");
    // 1% of what a 32-bit process is told it has (at most 4 GiB): more than
    // nothing, and no overflow past 1% of 4 GiB.
    const unsigned long long onePercentOf4Gib = (4ull << 20) / 100;
    unsigned long long xmx = kilobytes(opts[2], "-Xmx"), xms = kilobytes(opts[3], "-Xms");
    EXPECT_TRUE(xmx > 0 && xmx <= onePercentOf4Gib) << opts[2];
    EXPECT_TRUE(xms > 0 && xms <= onePercentOf4Gib) << opts[3];
    EXPECT_EQ(opts[4], "-Xss1m");
    EXPECT_EQ(opts[5], "-Dsample.greeting=hello world");
    EXPECT_EQ(opts[6], "abort extraInfo=set");
    EXPECT_EQ(opts[7], "exit extraInfo=set");

    std::string value;
    ASSERT_TRUE(logValue(log, "env QZ_JVM_PATH=", value)) << context;
    EXPECT_EQ(value, narrow(jvm));
    EXPECT_TRUE(testVmErrors(log).empty()) << context;
    EXPECT_TRUE(s.traced("runtime chosen (private runtime): " + narrow(jvm))) << context;
    // The VM thread was made with the stack that -Xss asked for.
    EXPECT_TRUE(s.traced("VM thread stack size 1048576")) << context;
}

}  // namespace
