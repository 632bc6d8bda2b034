// The service host's stop threads in this process, with the test VM loaded
// here: every request becomes one call of the main class's "stop" on a thread
// that attaches and detaches, and a request that comes while the VM is still
// being created waits for the Java main. (Wine's service manager refuses a
// second stop control while a service is stop pending, so two calls are driven
// here rather than through the manager.)
#include <gtest/gtest.h>

#include "launcher/launcher.h"
#include "modes/service.h"
#include "support/process.h"
#include "support/testvm.h"
#include "vm/java_calls.h"

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
    HMODULE library = LoadLibraryW(testVmDll().c_str());
    ASSERT_NE(library, nullptr);
    auto create = reinterpret_cast<CreateJavaVmFunction>(
        reinterpret_cast<void*>(GetProcAddress(library, "JNI_CreateJavaVM")));
    ASSERT_NE(create, nullptr);

    Launcher launcher;
    launcher.mainClass = L"test/Service";
    ServiceHost host;
    host.runner.launcher = &launcher;
    launcher.readyEvent.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));

    // A request before the VM exists: its thread waits for the ready event.
    host.runner.startStop();
    Sleep(300);
    EXPECT_EQ(countLines(log, "stop"), 0u);

    const std::vector<std::string> options{"-Dtestvm.stops=5"};
    ASSERT_TRUE(createJavaVmWith(create, options, &launcher.javaVm, &launcher.jniEnv));
    SetEvent(launcher.readyEvent.get());  // as the VM thread does right before main
    EXPECT_TRUE(waitForCount(log, "stop", 1));

    // A second request: a second thread, a second call.
    host.runner.startStop();
    EXPECT_TRUE(waitForCount(log, "stop", 2));
    EXPECT_TRUE(waitForCount(log, "detach", 2));

    // Both threads detached: destroying the VM does not wait for them.
    launcher.javaVm->DestroyJavaVM();
    launcher.javaVm = nullptr;
    std::vector<std::string> lines = testVmLog(log);
    EXPECT_TRUE(inOrder(lines, {"created", "attach", "FindClass test/Service", "GetStaticMethodID test/Service stop ()V",
                                "stop", "detach", "attach", "stop", "detach", "destroy begin", "destroy end"}));
    EXPECT_TRUE(testVmErrors(lines).empty());
    SetEnvironmentVariableW(L"TESTVM_LOG", nullptr);
}

}  // namespace
