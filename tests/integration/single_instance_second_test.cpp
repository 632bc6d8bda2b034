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

// Plays the first instance of one executable: owns the block, writes its ids,
// and answers each request on a listener thread of its own.
class FakeFirstInstance {
public:
    struct Options {
        DWORD processId = GetCurrentProcessId();  // the process a second instance watches
        DWORD readDelayMs = 0;                     // a slow first instance reads the slot late
        bool reply = true;
        int replyValue = 0;
        bool replyWithArgumentNumber = false;      // answer n for a first argument "req-<n>"
    };

    FakeFirstInstance(const std::wstring& exePath, Options options) : options_(options) {
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
    }
    bool ready() const { return created_ && block_ && listener_.joinable(); }

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
        std::wstring record = app.file(L"child-" + std::to_wstring(code) + L".txt");
        std::wstring child = windowsPath(PAIR_CHILD_EXE);
        std::wstring env = L"PAIR_CHILD_RECORD=" + record + L'\0' + L"PAIR_CHILD_SLEEPMS=1500" + L'\0' +
                           L"PAIR_CHILD_EXIT=" + std::to_wstring(code) + L'\0' + L'\0';
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        std::wstring cmd = L"\"" + child + L"\"";
        ASSERT_TRUE(CreateProcessW(child.c_str(), &cmd[0], nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                                   &env[0], nullptr, &si, &pi));
        {
            FakeFirstInstance::Options options;
            options.processId = pi.dwProcessId;
            options.reply = false;
            FakeFirstInstance first(app.exe(), options);
            ASSERT_TRUE(first.ready());
            RunResult r = app.run(L"x", kBounded);
            EXPECT_FALSE(r.timedOut);
            EXPECT_EQ(r.exitCode, code);
            EXPECT_EQ(first.requests(), std::vector<Strings>{{L"x"}});
        }
        WaitForSingleObject(pi.hProcess, 10000);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
}

TEST(SecondInstance, AFirstInstanceThatCannotBeOpenedGivesZero) {
    AppDir app = singleApp(L"second-no-process");
    FakeFirstInstance::Options options;
    options.processId = 0;  // no process has this id
    options.reply = false;
    FakeFirstInstance first(app.exe(), options);
    ASSERT_TRUE(first.ready());
    RunResult r = app.run(L"x", kBounded);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 0u);
}

TEST(SecondInstance, ANonListeningFirstInstanceFailsTheStartWithMinusOne) {
    AppDir app = singleApp(L"second-no-listener");
    // A block whose listener thread has ended: the request cannot be posted.
    std::wstring name = instanceName(app.exe());
    HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 2092, name.c_str());
    ASSERT_NE(mapping, nullptr);
    auto* ids = static_cast<uint32_t*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 2092));
    ASSERT_NE(ids, nullptr);
    DWORD gone = 0;
    std::thread([&gone] { gone = GetCurrentThreadId(); }).join();
    ids[0] = gone;
    ids[1] = GetCurrentProcessId();
    ids[2] = RegisterWindowMessageW(name.c_str());
    RunResult r = app.run(L"x", kBounded);
    EXPECT_EQ(r.exitCode, kFailed);
    EXPECT_EQ(r.out, "");
    UnmapViewOfFile(ids);
    CloseHandle(mapping);
}

}  // namespace
