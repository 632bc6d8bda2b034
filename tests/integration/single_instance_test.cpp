// Single-instance mode between real starts of the built launcher: a first
// instance runs the test VM's program, later starts hand it their arguments.
#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <thread>

#include "support/process.h"
#include "support/testvm.h"
#include "support/ui_support.h"

using namespace testing_support;

namespace {

using Strings = std::vector<std::string>;

// An application whose private runtime is the test VM; every start logs to its log.
struct SingleApp : AppDir {
    SingleApp(const std::wstring& name, const std::string& mainClass, const std::string& vmParameters,
              const std::string& singleInstance = "yes")
        : AppDir(name) {
        privateTestVm().writeIni(javaIni(mainClass, "C:\\app.jar",
                                         "Virtual Machine Parameters=" + vmParameters + "\r\n",
                                         "Single Instance=" + singleInstance + "\r\n"));
    }
    RunOptions options() const { return startOptions(RunOptions::within(30000)); }
    RunResult run(const std::wstring& arguments) const { return AppDir::run(arguments, options()); }
    std::wstring instanceName() const {  // of its shared objects
        std::wstring name = exe();
        std::replace(name.begin(), name.end(), L'\\', L'_');
        return name;
    }
};

TEST(SingleInstance, TheIntFormsAnswerIsTheSecondInstancesExitCode) {
    SingleApp app(L"single-int", "test.SingleInt", "-Dtestvm.runms=5000 -Dtestvm.secondary=7");
    Background first(app, L"first", app.options());
    ASSERT_TRUE(app.waitForVmLine("main waiting"));

    RunResult second = app.run(L"x \"y z\"");
    EXPECT_EQ(second.exitCode, 7u);
    EXPECT_EQ(second.out, "");
    EXPECT_EQ(first.finish().exitCode, 0u);

    // The second passed the foreground on to the first, by the process id the block carries.
    const std::string trace = fileText(app.tracePath());
    const std::string granted = "single instance: the first instance may take the foreground, process ";
    const size_t grant = trace.find(granted);
    ASSERT_NE(grant, std::string::npos) << trace;
    const size_t id = grant + granted.size();
    const std::string firstId = trace.substr(id, trace.find_first_of("\r\n", id) - id);
    EXPECT_NE(trace.find("[" + firstId + "] single instance: first instance, listener thread"), std::string::npos) << trace;

    std::vector<std::string> log = app.vmLog();
    EXPECT_EQ(testVmArguments(log, "main"), (std::vector<Strings>{{"first"}}));  // the second created no VM
    EXPECT_EQ(testVmArguments(log, "secondaryMain int"), (std::vector<Strings>{{"x", "y z"}}));
    EXPECT_TRUE(inOrder(log, {"main waiting", "attach", "secondaryMain int args=2", "secondaryMain returned 7",
                              "detach", "main returned", "destroy end"}));
    EXPECT_TRUE(testVmErrors(log).empty());
}

TEST(SingleInstance, TheVoidFormAnswersZeroAndANewStartAfterTheFirstEndsRunsItself) {
    SingleApp app(L"single-void", "test.Single", "-Dtestvm.runms=4000");
    HANDLE held = nullptr;
    {
        Background first(app, L"", app.options());
        ASSERT_TRUE(app.waitForVmLine("main waiting"));
        // A later start (here the test) still holds the block when the first ends.
        held = OpenFileMappingW(FILE_MAP_READ, FALSE, app.instanceName().c_str());
        ASSERT_NE(held, nullptr);
        RunResult second = app.run(L"a \"\" b");
        EXPECT_EQ(second.exitCode, 0u);
        EXPECT_EQ(first.finish().exitCode, 0u);
    }
    // An empty argument ends the handed-over list.
    EXPECT_EQ(testVmArguments(app.vmLog(), "secondaryMain void"), (std::vector<Strings>{{"a"}}));

    // The first instance has ended: the next start is a first instance again.
    RunResult again = app.run(L"alone");
    EXPECT_EQ(again.exitCode, 0u);
    EXPECT_EQ(testVmArguments(app.vmLog(), "main"), (std::vector<Strings>{{}, {"alone"}}));
    CloseHandle(held);
}

TEST(SingleInstance, ASecondStartWhileTheFirstIsStartingWaitsForMain) {
    SingleApp app(L"single-starting", "test.Single", "-Dtestvm.runms=3000 -Dtestvm.createdelayms=2500");
    Background first(app, L"", app.options());
    ASSERT_TRUE(app.waitForVmLine("create version="));
    ASSERT_TRUE(linesStartingWith(app.vmLog(), "created").empty());
    RunResult second = app.run(L"early");
    EXPECT_EQ(second.exitCode, 0u);
    EXPECT_EQ(first.finish().exitCode, 0u);
    std::vector<std::string> log = app.vmLog();
    EXPECT_EQ(testVmArguments(log, "secondaryMain void"), (std::vector<Strings>{{"early"}}));
    EXPECT_TRUE(inOrder(log, {"created", "secondaryMain void args=1"}));
}

TEST(SingleInstance, SeveralSecondStartsAtOnceEachDeliverTheirOwnArguments) {
    SingleApp app(L"single-many", "test.SingleInt", "-Dtestvm.runms=8000");
    Background first(app, L"", app.options());
    ASSERT_TRUE(app.waitForVmLine("main waiting"));
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
    EXPECT_EQ(first.finish().exitCode, 0u);
}

// Waits (bounded) until the test VM's log holds `line` `count` times.
bool waitForVmLines(const AppDir& app, const std::string& line, size_t count, DWORD timeoutMs = 20000) {
    for (DWORD waited = 0; waited < timeoutMs; waited += 25) {
        std::vector<std::string> l = app.vmLog();
        if (static_cast<size_t>(std::count(l.begin(), l.end(), line)) >= count) return true;
        Sleep(25);
    }
    return false;
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
    Background first(app, L"", app.options());
    ASSERT_TRUE(app.waitForVmLine("main waiting"));
    Background second(app, L"two", app.options());
    ASSERT_TRUE(app.waitForVmLine("arg[0]=two"));  // its secondaryMain runs, held
    Background third(app, L"three", app.options());
    // The slot was free once the second's arguments had been read.
    EXPECT_TRUE(app.waitForVmLine("arg[0]=three"));
    hold.release();
    EXPECT_EQ(second.finish().exitCode, 7u);
    EXPECT_EQ(third.finish().exitCode, 7u);
    EXPECT_EQ(first.finish().exitCode, 0u);
    std::vector<std::string> log = app.vmLog();
    EXPECT_TRUE(inOrder(log, {"arg[0]=two", "arg[0]=three", "secondaryMain returned 7", "secondaryMain returned 7"}));
    EXPECT_EQ(testVmArguments(log, "main").size(), 1u);
    EXPECT_TRUE(testVmErrors(log).empty());
}

TEST(SingleInstance, WhenTheFirstNeverAnswersEveryLaterStartEndsWithItsExitCode) {
    Hold hold(L"silent");
    // No secondaryMain: requests are read and dropped; main exits with 5 once let go.
    SingleApp app(L"single-silent", "test.Exit", "-Dtestvm.exit=5 " + hold.option());
    Background first(app, L"", app.options());
    ASSERT_TRUE(app.waitForVmLine("main args=0"));
    const std::string lookup = "GetStaticMethodID test/Exit secondaryMain ([Ljava/lang/String;)I";
    Background second(app, L"two", app.options());
    ASSERT_TRUE(waitForVmLines(app, lookup, 1));
    Background third(app, L"three", app.options());
    // The third hands over while the second still waits for the first.
    EXPECT_TRUE(waitForVmLines(app, lookup, 2));
    hold.release();
    EXPECT_EQ(first.finish().exitCode, 5u);
    EXPECT_EQ(second.finish().exitCode, 5u);
    EXPECT_EQ(third.finish().exitCode, 5u);
    // The third did not become a first instance of its own.
    EXPECT_EQ(testVmArguments(app.vmLog(), "main").size(), 1u);
}

TEST(SingleInstance, ExecutablesInDifferentFoldersDoNotInteract) {
    SingleApp one(L"single-folder-one", "test.Single", "-Dtestvm.runms=4000");
    SingleApp two(L"single-folder-two", "test.Single", "-Dtestvm.runms=100");
    Background first(one, L"", one.options());
    ASSERT_TRUE(one.waitForVmLine("main waiting"));
    RunResult other = two.run(L"b");
    EXPECT_EQ(other.exitCode, 0u);
    EXPECT_EQ(testVmArguments(two.vmLog(), "main"), (std::vector<Strings>{{"b"}}));
    EXPECT_EQ(first.finish().exitCode, 0u);
    EXPECT_TRUE(testVmArguments(one.vmLog(), "secondaryMain void").empty());
}

TEST(SingleInstance, OnlyTheLowerCaseYesTurnsItOn) {
    SingleApp app(L"single-capital", "test.Single", "-Dtestvm.runms=2500", "Yes");
    Background first(app, L"one", app.options());
    ASSERT_TRUE(app.waitForVmLine("main waiting"));
    RunResult second = app.run(L"two");
    EXPECT_EQ(second.exitCode, 0u);
    EXPECT_EQ(first.finish().exitCode, 0u);
    std::vector<Strings> mains = testVmArguments(app.vmLog(), "main");
    EXPECT_EQ(mains, (std::vector<Strings>{{"one"}, {"two"}}));
    EXPECT_TRUE(testVmArguments(app.vmLog(), "secondaryMain void").empty());
}

TEST(SingleInstance, AForwardedStartReachesAMainClassNamedInOtherLetters) {
    SingleApp app(L"single-named", "unused", "");
    // A main class outside the ANSI code page needs the INI file in UTF-16.
    app.writeIni(utf16Text(L"[Java Runtime Environment]\r\nMain Class=test.\u0421\u043b\u0443\u0436\u0431\u0430\r\n"
                           L"Virtual Machine Parameters=-Dtestvm.runms=5000 -Dtestvm.secondary=9\r\n"
                           L"[Class Path]\r\nClass Path=C:\\app.jar\r\n[Application]\r\nSingle Instance=yes\r\n"));
    Background first(app, L"first", app.options());
    ASSERT_TRUE(app.waitForVmLine("main waiting"));
    EXPECT_EQ(app.run(L"x").exitCode, 9u);
    EXPECT_EQ(testVmArguments(app.vmLog(), "secondaryMain int"), (std::vector<Strings>{{"x"}}));
}

// Two copies whose paths give one instance name (x_y\app.exe, x\y\app.exe) are
// two programs; one started in other letters or by its 8.3 name is the same.
TEST(SingleInstance, CopiesWhosePathsGiveOneNameAreToldApart) {
    AppDir dir(L"single-meet", L"x_y\\app.exe");
    dir.copy(launcherExe(), L"x\\y\\app.exe");
    for (const std::wstring f : {L"x_y\\", L"x\\y\\"}) {
        dir.installTestVm(f + L"jre\\bin\\client\\jvm.dll").write(f + L"jre\\bin\\java.dll");
        dir.write(f + L"app.ini", javaIni("test.Single", "C:\\app.jar", "Virtual Machine Parameters=-Dtestvm.runms=" +
                                          std::string(f == L"x_y\\" ? "5000" : "9000") + " -Dtestvm.log=" +
                                          narrow(dir.file(f + L"vm.log")) + "\r\n",
                                          "Single Instance=yes\r\n"));
    }
    auto start = [](const std::wstring& exe, const std::wstring& args) {
        return std::async(std::launch::async, [=] { return runProcess(exe, L"\"" + exe + L"\" " + args).exitCode; });
    };
    auto calls = [&](const std::wstring& f, const char* header) {
        return testVmArguments(testVmLog(dir.file(f + L"vm.log")), header);
    };
    auto mainCalled = [&](const std::wstring& f) { return ui_test::waitUntil([&] { return !calls(f, "main").empty(); }); };
    std::wstring one = dir.file(L"x_y\\app.exe"), two = dir.file(L"x\\y\\app.exe"), upper = one, shortOne(MAX_PATH, 0);
    std::transform(upper.begin(), upper.end(), upper.begin(), towupper);
    shortOne.resize(GetShortPathNameW(one.c_str(), &shortOne[0], MAX_PATH));
    auto firstOne = start(one, L"a");
    ASSERT_TRUE(mainCalled(L"x_y\\"));
    auto firstTwo = start(two, L"b");
    EXPECT_TRUE(mainCalled(L"x\\y\\"));
    EXPECT_EQ(start(two, L"c").get(), 0u);
    EXPECT_EQ(start(upper, L"d").get(), 0u);
    EXPECT_EQ(start(shortOne, L"e").get(), 0u);
    EXPECT_EQ(firstOne.get(), 0u);
    EXPECT_EQ(start(two, L"f").get(), 0u);  // while x\y's first instance has the second name to itself
    EXPECT_EQ(firstTwo.get(), 0u);
    EXPECT_EQ(calls(L"x_y\\", "main"), (std::vector<Strings>{{"a"}}));
    EXPECT_EQ(calls(L"x_y\\", "secondaryMain void"), (std::vector<Strings>{{"d"}, {"e"}}));
    EXPECT_EQ(calls(L"x\\y\\", "main"), (std::vector<Strings>{{"b"}}));
    EXPECT_EQ(calls(L"x\\y\\", "secondaryMain void"), (std::vector<Strings>{{"c"}, {"f"}}));
}

// Anyone may post to the listener and write the block: a storm of requests is
// served by eight threads at most (here all held in secondaryMain, where every
// request would have a thread of its own), and each is answered; neither a quit
// message nor a message id written into the block ends or misdirects the listener.
TEST(SingleInstance, AStormOfRequestsAndForgedMessagesLeaveTheFirstInstanceServing) {
    Hold hold(L"storm");
    SingleApp app(L"single-storm", "test.SingleInt", "-Dtestvm.runms=12000 " + hold.option());
    Background first(app, L"", app.options());
    ASSERT_TRUE(app.waitForVmLine("main waiting"));
    HANDLE mapping = OpenFileMappingW(FILE_MAP_WRITE, FALSE, app.instanceName().c_str());
    auto* ids = static_cast<uint32_t*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 2092));
    ASSERT_NE(ids, nullptr);
    const UINT message = RegisterWindowMessageW(app.instanceName().c_str());
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // the answers come to this thread
    const size_t storm = 100;
    for (size_t i = 0; i < storm; ++i) ASSERT_TRUE(PostThreadMessageW(ids[0], message, GetCurrentThreadId(), 0));
    ASSERT_TRUE(waitForVmLines(app, "secondaryMain int args=1", 8));  // each reads the block's one empty argument
    Sleep(500);
    std::vector<std::string> log = app.vmLog();
    EXPECT_EQ(std::count(log.begin(), log.end(), "secondaryMain int args=1"), 8);
    ASSERT_TRUE(PostThreadMessageW(ids[0], WM_QUIT, 0, 0));
    ids[2] = WM_QUIT;
    hold.release();
    size_t answers = 0;
    ui_test::waitUntil([&] {
        while (PeekMessageW(&msg, nullptr, message, message, PM_REMOVE)) answers += msg.wParam == 7;
        return answers == storm;
    }, 30000);
    EXPECT_EQ(answers, storm);
    EXPECT_EQ(app.run(L"after").exitCode, 7u);
    UnmapViewOfFile(ids);
    CloseHandle(mapping);
    EXPECT_EQ(first.finish().exitCode, 0u);
}

}  // namespace
