// Stop requests in this process, with the test VM loaded here as the service
// host's stop threads make them: every request becomes one call of the main
// class's "stop" on a thread that attaches and detaches, and a request that
// comes while the VM is still being created waits for the Java main. (Wine's service manager refuses a
// second stop control while a service is stop pending, so two calls are driven
// here rather than through the manager.)
#include <gtest/gtest.h>

#include <thread>

#include "support/process.h"
#include "support/testvm.h"
#include "vm/vm_session.h"

using namespace testing_support;

namespace {

size_t countLines(const std::wstring& log, const std::string& line) {
    std::vector<std::string> lines = testVmLog(log);
    size_t n = 0;
    for (const std::string& l : lines) n += l == line ? 1 : 0;
    return n;
}

bool waitForCount(const std::wstring& log, const std::string& line, size_t count) {
    for (int i = 0; i < 400; ++i) {
        if (countLines(log, line) >= count) return true;
        Sleep(25);
    }
    return false;
}

TEST(ServiceStop, EveryRequestCallsStopOnceTheJavaMainHasStarted) {
    std::wstring log = newTestVmLog(L"service-stop");
    SetEnvironmentVariableW(L"TESTVM_LOG", log.c_str());
    VmSession vm;
    ASSERT_FALSE(vm.load(testVmDll()));

    // A request before the VM exists: it waits for the Java main.
    std::thread early([&vm] { EXPECT_TRUE(vm.callStop(L"test/Service")); });
    Sleep(300);
    EXPECT_EQ(countLines(log, "stop"), 0u);

    // The VM thread: main returns after the second stop.
    JavaLaunch launch;
    launch.options = {"-Dtestvm.stops=2"};
    launch.mainClass = L"test/Service";
    int status = -1;
    std::thread vmThread([&] {
        Failure failure;
        status = vm.run(launch, failure);
        EXPECT_FALSE(failure);
    });
    EXPECT_TRUE(waitForCount(log, "stop", 1));

    // A second request: a second thread, a second call.
    std::thread late([&vm] { EXPECT_TRUE(vm.callStop(L"test/Service")); });
    EXPECT_TRUE(waitForCount(log, "stop", 2));
    early.join();
    late.join();
    vmThread.join();
    EXPECT_EQ(status, 0);

    // Every thread detached: destroying the VM does not wait for them.
    vm.destroy();
    std::vector<std::string> lines = testVmLog(log);
    EXPECT_TRUE(inOrder(lines, {"created", "attach", "FindClass test/Service", "GetStaticMethodID test/Service stop ()V",
                                "stop", "detach", "attach", "stop", "detach", "destroy begin", "destroy end"}));
    EXPECT_TRUE(testVmErrors(lines).empty());
    SetEnvironmentVariableW(L"TESTVM_LOG", nullptr);
}

}  // namespace
