// Second instances of the built launcher against a first instance played by the
// test: the test creates the named block of an application's executable, listens
// for requests like a first instance and answers them as the test says.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "support/process.h"

using namespace testing_support;

namespace {

const DWORD kFailed = 0xFFFFFFFFu;

// A single-instance application (its first instance is the test's).
AppDir singleApp(const std::wstring& name) {
    AppDir app(name);
    app.writeIni(javaIni("test.Single", "", "", "Single Instance=yes\r\n"));
    return app;
}

// Starts that may wait for a first instance, bounded.
const RunOptions kBounded = RunOptions::within(20000);

std::wstring instanceName(const std::wstring& exePath) {
    std::wstring name = exePath;
    for (wchar_t& c : name) {
        if (c == L'\\') c = L'_';
    }
    return name;
}

// The argument list of a request as the block holds it (units from offset 12,
// each string ended by a 0 unit, a double 0 ends the list).
std::vector<std::wstring> readArgumentArea(const unsigned char* block) {
    const wchar_t* area = reinterpret_cast<const wchar_t*>(block + 12);
    std::vector<std::wstring> list;
    std::wstring current;
    for (size_t i = 0; i < (2090 - 12) / 2; ++i) {
        if (area[i] != 0) {
            current += area[i];
            continue;
        }
        list.push_back(current);
        current.clear();
        if (area[i + 1] == 0) break;
    }
    return list;
}

const DWORD kStandIn = 0xFFFFFFFFu;
// Plays the first instance of one executable: owns the block, writes its ids,
// and answers each request on a listener thread of its own.
// The process it names is by default the executable itself, started suspended:
// a start believes the block only for a process of its own executable.
class FakeFirstInstance {
public:
    struct Options {
        DWORD processId = kStandIn;  // the process a second instance watches
        DWORD readDelayMs = 0;                     // a slow first instance reads the slot late
        bool reply = true;
        int replyValue = 0;
        bool replyWithArgumentNumber = false;      // answer n for a first argument "req-<n>"
    };

    FakeFirstInstance(const std::wstring& exePath, Options options) : options_(options) {
        if (options_.processId == kStandIn) {
            STARTUPINFOW si = {};
            si.cb = sizeof si;
            std::wstring cmd = L"\"" + exePath + L"\"";
            CreateProcessW(exePath.c_str(), &cmd[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &si,
                           &standIn_);
            options_.processId = standIn_.dwProcessId;
        }
        std::wstring name = instanceName(exePath);
        mapping_ = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 2092, name.c_str());
        created_ = mapping_ && GetLastError() != ERROR_ALREADY_EXISTS;
        block_ = mapping_ ? static_cast<unsigned char*>(MapViewOfFile(mapping_, FILE_MAP_WRITE, 0, 0, 2092)) : nullptr;
        message_ = RegisterWindowMessageW(name.c_str());
        if (!block_) return;
        HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        listener_ = std::thread([this, ready] { listen(ready); });
        WaitForSingleObject(ready, 10000);
        CloseHandle(ready);
    }
    ~FakeFirstInstance() {
        if (listener_.joinable()) {
            PostThreadMessageW(listenerId_, WM_QUIT, 0, 0);
            listener_.join();
        }
        if (block_) UnmapViewOfFile(block_);
        if (mapping_) CloseHandle(mapping_);
        endStandIn(0);
        CloseHandle(standIn_.hProcess);
        CloseHandle(standIn_.hThread);
    }
    unsigned char* block() const { return block_; }
    DWORD processId() const { return options_.processId; }
    bool ready() const { return created_ && block_ && listener_.joinable(); }
    void endStandIn(DWORD exitCode) { TerminateProcess(standIn_.hProcess, exitCode); }

    std::vector<std::vector<std::wstring>> requests() {
        std::lock_guard<std::mutex> lock(lock_);
        return requests_;
    }

private:
    void listen(HANDLE ready) {
        MSG msg;
        PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
        listenerId_ = GetCurrentThreadId();
        uint32_t ids[3] = {listenerId_, options_.processId, message_};
        memcpy(block_, ids, sizeof ids);
        SetEvent(ready);
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            if (msg.message != message_) continue;
            if (options_.readDelayMs) Sleep(options_.readDelayMs);
            std::vector<std::wstring> args = readArgumentArea(block_);
            {
                std::lock_guard<std::mutex> lock(lock_);
                requests_.push_back(args);
            }
            if (!options_.reply) continue;
            int value = options_.replyValue;
            if (options_.replyWithArgumentNumber && !args.empty() && args[0].compare(0, 4, L"req-") == 0)
                value = std::stoi(args[0].substr(4));
            PostThreadMessageW(static_cast<DWORD>(msg.wParam), message_, static_cast<WPARAM>(value), 0);
        }
    }

    Options options_;
    PROCESS_INFORMATION standIn_ = {};
    HANDLE mapping_ = nullptr;
    bool created_ = false;
    unsigned char* block_ = nullptr;
    UINT message_ = 0;
    std::thread listener_;
    DWORD listenerId_ = 0;
    std::mutex lock_;
    std::vector<std::vector<std::wstring>> requests_;
};

using Strings = std::vector<std::wstring>;

FakeFirstInstance::Options answering(int value) {
    FakeFirstInstance::Options options;
    options.replyValue = value;
    return options;
}

TEST(SecondInstance, HandsOverItsArgumentsAndEndsWithTheAnswer) {
    AppDir app = singleApp(L"second-answer");
    FakeFirstInstance first(app.exe(), answering(7));
    ASSERT_TRUE(first.ready());

    RunResult r = app.run(L"-open \"file name.txt\" \u00fcber");
    EXPECT_EQ(r.exitCode, 7u);
    EXPECT_EQ(r.out, "");
    RunResult none = app.run();
    EXPECT_EQ(none.exitCode, 7u);
    EXPECT_EQ(first.requests(), (std::vector<Strings>{{L"-open", L"file name.txt", L"\u00fcber"}, {L""}}));
}

TEST(SecondInstance, NegativeAndZeroAnswersPassUnchanged) {
    AppDir app = singleApp(L"second-negative");
    FakeFirstInstance first(app.exe(), answering(-3));
    ASSERT_TRUE(first.ready());
    EXPECT_EQ(app.run(L"x").exitCode, static_cast<DWORD>(-3));
}

TEST(SecondInstance, ArgumentsOf1040BytesPassAnd1042AreRefused) {
    AppDir app = singleApp(L"second-limit");
    FakeFirstInstance first(app.exe(), answering(3));
    ASSERT_TRUE(first.ready());

    // One argument of 518 units: 2 x 518 + 2 + 2 = 1040 bytes.
    std::wstring fits(518, L'f');
    EXPECT_EQ(app.run(fits).exitCode, 3u);
    // Two arguments, 1042 bytes: refused before asking, ends with -1.
    std::wstring a(300, L'a'), b(218, L'b');
    RunResult refused = app.run(a + L" " + b);
    EXPECT_EQ(refused.exitCode, kFailed);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(first.requests(), std::vector<Strings>{{fits}});
}

TEST(SecondInstance, OverlappingStartsEachDeliverTheirOwnArguments) {
    AppDir app = singleApp(L"second-overlap");
    FakeFirstInstance::Options options;
    options.readDelayMs = 400;  // reads the slot well after the request came
    options.replyWithArgumentNumber = true;
    FakeFirstInstance first(app.exe(), options);
    ASSERT_TRUE(first.ready());

    const int n = 4;
    std::vector<DWORD> codes(n, 0xDEADu);
    std::vector<std::thread> starts;
    for (int i = 0; i < n; ++i) {
        starts.emplace_back([&app, &codes, i] {
            std::wstring payload(100 + 50 * i, static_cast<wchar_t>(L'a' + i));
            codes[i] = app.run(L"req-" + std::to_wstring(i + 1) + L" " + payload).exitCode;
        });
    }
    for (std::thread& t : starts) t.join();
    std::vector<std::vector<std::wstring>> requests = first.requests();
    ASSERT_EQ(requests.size(), static_cast<size_t>(n));
    std::vector<bool> seen(n, false);
    for (const Strings& request : requests) {
        ASSERT_EQ(request.size(), 2u);
        int k = std::stoi(request[0].substr(4)) - 1;
        ASSERT_GE(k, 0);
        ASSERT_LT(k, n);
        EXPECT_FALSE(seen[k]) << "request " << k + 1 << " read twice";
        seen[k] = true;
        EXPECT_EQ(request[1], std::wstring(100 + 50 * k, static_cast<wchar_t>(L'a' + k)));
    }
    for (int i = 0; i < n; ++i) EXPECT_EQ(codes[i], static_cast<DWORD>(i + 1)) << i;
}

TEST(SecondInstance, AnAbandonedArgumentLockDoesNotBlockLaterStarts) {
    AppDir app = singleApp(L"second-abandoned");
    FakeFirstInstance first(app.exe(), answering(4));
    ASSERT_TRUE(first.ready());
    // A start that died while holding the slot: its thread ended owning the lock.
    std::wstring lockName = instanceName(app.exe()) + L"_arg_mtx";
    HANDLE held = nullptr;
    std::thread([&] {
        held = CreateMutexW(nullptr, TRUE, lockName.c_str());
    }).join();
    ASSERT_NE(held, nullptr);
    RunResult r = app.run(L"after", kBounded);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 4u);
    EXPECT_EQ(first.requests(), std::vector<Strings>{{L"after"}});
    CloseHandle(held);
}

TEST(SecondInstance, WithoutAnAnswerItEndsWithTheFirstInstancesExitCode) {
    AppDir app = singleApp(L"second-first-ends");
    // The "first instance" process is a child that ends with 42 after a while,
    // and 259 (the platform's still-active value) the second time.
    for (DWORD code : {42u, 259u}) {
        FakeFirstInstance::Options options;
        options.reply = false;
        FakeFirstInstance first(app.exe(), options);
        ASSERT_TRUE(first.ready());
        std::thread end([&first, code] { Sleep(1500); first.endStandIn(code); });
        RunResult r = app.run(L"x", kBounded);
        end.join();
        EXPECT_FALSE(r.timedOut);
        EXPECT_EQ(r.exitCode, code);
        EXPECT_EQ(first.requests(), std::vector<Strings>{{L"x"}});
    }
}

// No live first instance: the start becomes the first instance and runs itself.
TEST(SecondInstance, AFirstInstanceThatCannotBeOpenedIsNoFirstInstance) {
    AppDir app = singleApp(L"second-no-process");
    app.privateTestVm().writeIni(javaIni("test.Echo", "C:\\a.jar", "", "Single Instance=yes\r\n"));
    FakeFirstInstance::Options options;
    options.processId = 0;  // no process has this id
    options.reply = false;
    FakeFirstInstance first(app.exe(), options);
    RunResult r = app.run(L"x", kBounded);
    EXPECT_EQ(r.out, "arg[0]=x\r\n");
    EXPECT_EQ(r.exitCode, 0u);
}

TEST(SecondInstance, ARequestThatCannotBeDeliveredIsReportedAndEndsWithMinusOne) {
    AppDir app = singleApp(L"second-no-listener");
    FakeFirstInstance first(app.exe(), FakeFirstInstance::Options());
    ASSERT_TRUE(first.ready());
    // The block names a listener thread that has ended: the request cannot be posted.
    DWORD gone = 0;
    std::thread([&gone] { gone = GetCurrentThreadId(); }).join();
    memcpy(first.block(), &gone, sizeof gone);
    RunResult r = app.run(L"x", kBounded);
    EXPECT_EQ(r.exitCode, kFailed);
    const std::string said = "Error: Failed to hand the arguments to the running instance (process " +
                             std::to_string(first.processId()) + ", errno = ";  // 1444, 87 under Wine
    EXPECT_EQ(r.out.substr(0, said.size()), said) << r.out;
}

}  // namespace
