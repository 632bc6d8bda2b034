// Single-instance races that whole starts cannot place: a first instance and a
// second one in this process, the first serving with the test VM (a copy of
// its own: a process creates one VM per library).
#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <thread>

#include "modes/instance_block.h"
#include "modes/single_instance.h"
#include "support/process.h"
#include "support/testvm.h"
#include "vm/vm_session.h"

using namespace testing_support;

namespace {

// The program a first instance serves: the VM session's.
InstanceProgram programOf(VmSession& vm) {
    InstanceProgram program;
    program.waitUntilMainCalled = [&vm] { vm.waitUntilMainCalled(); };
    program.secondaryMain = [&vm](const std::vector<std::wstring>& arguments, const std::function<void(int)>& reply) {
        vm.callSecondaryMain(L"test/SingleInt", arguments, reply);
    };
    return program;
}

class SingleInstanceRace : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t self[MAX_PATH];  // both instances are of this process's executable
        exe_.assign(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
        name_ = instanceNameFor(exe_);
    }
    // A second instance on a thread of its own: hands `argument` over and gives the answer.
    std::future<int> second(const std::wstring& argument) {
        return std::async(std::launch::async, [this, argument] {
            VmSession unused;
            SingleInstance instance;
            Failure failure;
            if (!instance.join(exe_, {argument}, programOf(unused), failure)) return -100;
            if (instance.role() != SingleInstance::Role::Second) return -101;
            return instance.waitForFirstInstance();
        });
    }

    std::wstring exe_;
    std::wstring name_;
};

TEST_F(SingleInstanceRace, ARequestWaitsForThisProcesssMainNotForAReadyEventLeftSignalled) {
    // An earlier instance's start still holds the ready event, signalled.
    HANDLE stale = CreateEventW(nullptr, TRUE, TRUE, (name_ + L"_upr_evt").c_str());
    ASSERT_NE(stale, nullptr);
    std::wstring log = newTestVmLog(L"race-ready");
    VmSession vm;
    ASSERT_FALSE(vm.load(testVmCopy(L"race-ready")));
    {
        SingleInstance first;
        Failure failure;
        ASSERT_TRUE(first.join(exe_, {}, programOf(vm), failure));
        ASSERT_EQ(first.role(), SingleInstance::Role::First);
        // Others see this instance's state: not started.
        EXPECT_EQ(WaitForSingleObject(stale, 0), static_cast<DWORD>(WAIT_TIMEOUT));

        // The request comes before the VM exists; its thread waits for main.
        std::future<int> answer = second(L"early");
        JavaLaunch launch;
        launch.options = {"-Dtestvm.log=" + narrow(log), "-Dtestvm.runms=3000", "-Dtestvm.secondary=9"};
        launch.mainClass = L"test/SingleInt";
        std::thread vmThread([&] { EXPECT_EQ(vm.run(launch, failure), 0); });
        ASSERT_EQ(answer.wait_for(std::chrono::seconds(20)), std::future_status::ready);
        EXPECT_EQ(answer.get(), 9);
        vmThread.join();
        EXPECT_FALSE(failure);
        vm.destroy();
    }
    std::vector<std::string> lines = testVmLog(log);
    EXPECT_TRUE(inOrder(lines, {"created", "attach", "secondaryMain int args=1", "arg[0]=early", "secondaryMain returned 9",
                                "detach", "destroy end"}));
    EXPECT_TRUE(testVmErrors(lines).empty());
    CloseHandle(stale);
    SetEnvironmentVariableW(L"TESTVM_LOG", nullptr);
}

TEST_F(SingleInstanceRace, TheTeardownWaitsForRequestThreadsThatHaveNotReadTheBlockYet) {
    auto* vm = new VmSession;  // never runs: a request waits until it is destroyed
    HANDLE argumentsRead = CreateEventW(nullptr, FALSE, FALSE, (name_ + L"_arg_read").c_str());
    ASSERT_NE(argumentsRead, nullptr);
    auto first = std::make_unique<SingleInstance>();
    Failure failure;
    ASSERT_TRUE(first->join(exe_, {}, programOf(*vm), failure));
    ASSERT_EQ(first->role(), SingleInstance::Role::First);
    // A second instance's request, posted before the teardown's quit message:
    // the listener starts its thread before it ends.
    HANDLE mapping = OpenFileMappingW(FILE_MAP_WRITE, FALSE, name_.c_str());
    ASSERT_NE(mapping, nullptr);
    auto* block = static_cast<InstanceBlock*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(InstanceBlock)));
    ASSERT_NE(block, nullptr);
    ASSERT_TRUE(encodeArguments({L"late"}, block->arguments));
    ASSERT_TRUE(PostThreadMessageW(block->listenerThreadId, block->messageId, GetCurrentThreadId(), 0));
    UnmapViewOfFile(block);
    CloseHandle(mapping);

    // The teardown may not unmap the block while that thread has still to read it.
    std::future<void> teardown = std::async(std::launch::async, [&first] { first.reset(); });
    if (teardown.wait_for(std::chrono::milliseconds(500)) == std::future_status::ready) {
        ADD_FAILURE() << "the teardown did not wait for the request thread";
        return;  // the VM is left alone: letting the thread go now would read an unmapped block
    }
    // The VM's end lets the thread go: it reads the block and finds no VM to call.
    vm->destroy();
    ASSERT_EQ(teardown.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    EXPECT_EQ(WaitForSingleObject(argumentsRead, 0), static_cast<DWORD>(WAIT_OBJECT_0));
    delete vm;
    CloseHandle(argumentsRead);
}

}  // namespace
