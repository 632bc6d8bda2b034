// Single-instance mode between real starts of the built launcher: a first
// instance runs the test VM's program, later starts hand it their arguments.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "support/process.h"
#include "support/testvm.h"

using namespace testing_support;

namespace {

using Strings = std::vector<std::string>;

// An application whose private runtime is the test VM; its log is named by
// TESTVM_LOG in the environment of every start.
struct SingleApp {
    AppDir app;
    std::wstring log;

    SingleApp(const std::wstring& name, const std::string& mainClass, const std::string& vmParameters,
              const std::string& singleInstance = "yes")
        : app(name) {
        app.installTestVm(L"jre\\bin\\client\\jvm.dll");
        app.write(L"jre\\bin\\java.dll", "");
        log = app.file(L"vm.log");
        app.writeIni("[Java Runtime Environment]\r\nMain Class=" + mainClass +
                     "\r\nVirtual Machine Parameters=" + vmParameters +
                     "\r\n[Class Path]\r\nClass Path=C:\\app.jar\r\n[Application]\r\nSingle Instance=" +
                     singleInstance + "\r\n");
    }
    RunOptions options() const {
        RunOptions o;
        o.env[L"TESTVM_LOG"] = log;
        o.env[L"APPDATA"] = app.file(L"appdata");
        o.timeoutMs = 30000;
        return o;
    }
    RunResult run(const std::wstring& arguments) const { return app.run(arguments, options()); }
    std::vector<std::string> vmLog() const { return testVmLog(log); }
    bool has(const std::string& line) const {
        std::vector<std::string> l = vmLog();
        return findLine(l, line) != l.size();
    }
    bool waitForLine(const std::string& line, DWORD timeoutMs = 20000) const {
        for (DWORD waited = 0; waited < timeoutMs; waited += 25) {
            if (has(line)) return true;
            Sleep(25);
        }
        return false;
    }
    // Waits (bounded) until `line` occurs `count` times.
    bool waitForLines(const std::string& line, size_t count, DWORD timeoutMs = 20000) const {
        for (DWORD waited = 0; waited < timeoutMs; waited += 25) {
            std::vector<std::string> l = vmLog();
            if (static_cast<size_t>(std::count(l.begin(), l.end(), line)) >= count) return true;
            Sleep(25);
        }
        return false;
    }
    bool waitForLineStartingWith(const std::string& prefix, DWORD timeoutMs = 20000) const {
        for (DWORD waited = 0; waited < timeoutMs; waited += 25) {
            if (!linesStartingWith(vmLog(), prefix).empty()) return true;
            Sleep(25);
        }
        return false;
    }
};

// A start that runs on a thread of its own until joined.
class Background {
public:
    Background(const SingleApp& app, const std::wstring& arguments)
        : thread_([this, &app, arguments] { result_ = app.run(arguments); }) {}
    ~Background() {
        if (thread_.joinable()) thread_.join();
    }
    const RunResult& result() {
        if (thread_.joinable()) thread_.join();
        return result_;
    }

private:
    RunResult result_;
    std::thread thread_;
};

TEST(SingleInstance, TheIntFormsAnswerIsTheSecondInstancesExitCode) {
    SingleApp app(L"single-int", "test.SingleInt", "-Dtestvm.runms=5000 -Dtestvm.secondary=7");
    Background first(app, L"first");
    ASSERT_TRUE(app.waitForLine("main waiting"));

    RunResult second = app.run(L"x \"y z\"");
    EXPECT_EQ(second.exitCode, 7u);
    EXPECT_EQ(second.out, "");
    EXPECT_EQ(first.result().exitCode, 0u);

    std::vector<std::string> log = app.vmLog();
    EXPECT_EQ(testVmArguments(log, "main"), (std::vector<Strings>{{"first"}}));  // the second created no VM
    EXPECT_EQ(testVmArguments(log, "secondaryMain int"), (std::vector<Strings>{{"x", "y z"}}));
    EXPECT_TRUE(inOrder(log, {"main waiting", "attach", "secondaryMain int args=2", "secondaryMain returned 7",
                              "detach", "main returned", "destroy end"}));
    EXPECT_TRUE(testVmErrors(log).empty());
}

TEST(SingleInstance, TheVoidFormAnswersZeroAndANewStartAfterTheFirstEndsRunsItself) {
    SingleApp app(L"single-void", "test.Single", "-Dtestvm.runms=4000");
    {
        Background first(app, L"");
        ASSERT_TRUE(app.waitForLine("main waiting"));
        RunResult second = app.run(L"a \"\" b");
        EXPECT_EQ(second.exitCode, 0u);
        EXPECT_EQ(first.result().exitCode, 0u);
    }
    // An empty argument ends the handed-over list.
    EXPECT_EQ(testVmArguments(app.vmLog(), "secondaryMain void"), (std::vector<Strings>{{"a"}}));

    // The first instance has ended: the next start is a first instance again.
    RunResult again = app.run(L"alone");
    EXPECT_EQ(again.exitCode, 0u);
    EXPECT_EQ(testVmArguments(app.vmLog(), "main"), (std::vector<Strings>{{}, {"alone"}}));
}

TEST(SingleInstance, ASecondStartWhileTheFirstIsStartingWaitsForMain) {
    SingleApp app(L"single-starting", "test.Single", "-Dtestvm.runms=3000 -Dtestvm.createdelayms=2500");
    Background first(app, L"");
    ASSERT_TRUE(app.waitForLineStartingWith("create version="));
    ASSERT_FALSE(app.has("created"));
    RunResult second = app.run(L"early");
    EXPECT_EQ(second.exitCode, 0u);
    EXPECT_EQ(first.result().exitCode, 0u);
    std::vector<std::string> log = app.vmLog();
    EXPECT_EQ(testVmArguments(log, "secondaryMain void"), (std::vector<Strings>{{"early"}}));
    EXPECT_TRUE(inOrder(log, {"created", "secondaryMain void args=1"}));
}

TEST(SingleInstance, SeveralSecondStartsAtOnceEachDeliverTheirOwnArguments) {
    SingleApp app(L"single-many", "test.SingleInt", "-Dtestvm.runms=8000");
    Background first(app, L"");
    ASSERT_TRUE(app.waitForLine("main waiting"));
    const int n = 4;
    std::vector<DWORD> codes(n, 0xDEADu);
    std::vector<std::thread> starts;
    for (int i = 0; i < n; ++i) {
        starts.emplace_back([&app, &codes, i] {
            codes[i] = app.run(L"req-" + std::to_wstring(i) + L" " + std::wstring(50 * (i + 1), L'a' + i)).exitCode;
        });
    }
    for (std::thread& t : starts) t.join();
    for (int i = 0; i < n; ++i) EXPECT_EQ(codes[i], 7u) << i;

    std::vector<Strings> delivered = testVmArguments(app.vmLog(), "secondaryMain int");
    ASSERT_EQ(delivered.size(), static_cast<size_t>(n));
    std::vector<bool> seen(n, false);
    for (const Strings& args : delivered) {
        ASSERT_EQ(args.size(), 2u);
        int k = std::stoi(args[0].substr(4));
        ASSERT_TRUE(k >= 0 && k < n);
        EXPECT_FALSE(seen[k]) << "arguments of start " << k << " delivered twice";
        seen[k] = true;
        EXPECT_EQ(args[1], std::string(50 * (k + 1), static_cast<char>('a' + k)));
    }
    EXPECT_EQ(first.result().exitCode, 0u);
}

// A named event that the test VM's programs wait for (-Dtestvm.hold).
class Hold {
public:
    explicit Hold(const std::wstring& name)
        : name_(L"qzhold-" + name + L"-" + std::to_wstring(GetCurrentProcessId())),
          event_(CreateEventW(nullptr, TRUE, FALSE, name_.c_str())) {}
    ~Hold() {
        release();
        CloseHandle(event_);
    }
    std::string option() const { return "-Dtestvm.hold=" + narrow(name_); }
    void release() { SetEvent(event_); }

private:
    std::wstring name_;
    HANDLE event_;
};

TEST(SingleInstance, AThirdStartHandsOverWhileTheSecondsSlowAnswerIsStillComing) {
    Hold hold(L"slow");
    SingleApp app(L"single-slow", "test.SingleInt", "-Dtestvm.runms=10000 " + hold.option());
    Background first(app, L"");
    ASSERT_TRUE(app.waitForLine("main waiting"));
    Background second(app, L"two");
    ASSERT_TRUE(app.waitForLine("arg[0]=two"));  // its secondaryMain runs, held
    Background third(app, L"three");
    // The slot was free once the second's arguments had been read.
    EXPECT_TRUE(app.waitForLine("arg[0]=three"));
    hold.release();
    EXPECT_EQ(second.result().exitCode, 7u);
    EXPECT_EQ(third.result().exitCode, 7u);
    EXPECT_EQ(first.result().exitCode, 0u);
    std::vector<std::string> log = app.vmLog();
    EXPECT_TRUE(inOrder(log, {"arg[0]=two", "arg[0]=three", "secondaryMain returned 7", "secondaryMain returned 7"}));
    EXPECT_EQ(testVmArguments(log, "main").size(), 1u);
    EXPECT_TRUE(testVmErrors(log).empty());
}

TEST(SingleInstance, WhenTheFirstNeverAnswersEveryLaterStartEndsWithItsExitCode) {
    Hold hold(L"silent");
    // No secondaryMain: requests are read and dropped; main exits with 5 once let go.
    SingleApp app(L"single-silent", "test.Exit", "-Dtestvm.exit=5 " + hold.option());
    Background first(app, L"");
    ASSERT_TRUE(app.waitForLine("main args=0"));
    const std::string lookup = "GetStaticMethodID test/Exit secondaryMain ([Ljava/lang/String;)I";
    Background second(app, L"two");
    ASSERT_TRUE(app.waitForLines(lookup, 1));
    Background third(app, L"three");
    // The third hands over while the second still waits for the first.
    EXPECT_TRUE(app.waitForLines(lookup, 2));
    hold.release();
    EXPECT_EQ(first.result().exitCode, 5u);
    EXPECT_EQ(second.result().exitCode, 5u);
    EXPECT_EQ(third.result().exitCode, 5u);
    // The third did not become a first instance of its own.
    EXPECT_EQ(testVmArguments(app.vmLog(), "main").size(), 1u);
}

TEST(SingleInstance, ExecutablesInDifferentFoldersDoNotInteract) {
    SingleApp one(L"single-folder-one", "test.Single", "-Dtestvm.runms=4000");
    SingleApp two(L"single-folder-two", "test.Single", "-Dtestvm.runms=100");
    Background first(one, L"");
    ASSERT_TRUE(one.waitForLine("main waiting"));
    RunResult other = two.run(L"b");
    EXPECT_EQ(other.exitCode, 0u);
    EXPECT_EQ(testVmArguments(two.vmLog(), "main"), (std::vector<Strings>{{"b"}}));
    EXPECT_EQ(first.result().exitCode, 0u);
    EXPECT_TRUE(testVmArguments(one.vmLog(), "secondaryMain void").empty());
}

TEST(SingleInstance, OnlyTheLowerCaseYesTurnsItOn) {
    SingleApp app(L"single-capital", "test.Single", "-Dtestvm.runms=2500", "Yes");
    Background first(app, L"one");
    ASSERT_TRUE(app.waitForLine("main waiting"));
    RunResult second = app.run(L"two");
    EXPECT_EQ(second.exitCode, 0u);
    EXPECT_EQ(first.result().exitCode, 0u);
    std::vector<Strings> mains = testVmArguments(app.vmLog(), "main");
    EXPECT_EQ(mains, (std::vector<Strings>{{"one"}, {"two"}}));
    EXPECT_TRUE(testVmArguments(app.vmLog(), "secondaryMain void").empty());
}

}  // namespace
