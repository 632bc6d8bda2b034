// The built launcher as a Windows service, installed with Wine's service
// manager: start parameters, stop requests, status reports, and a console start
// of a service executable. Each test installs a service of its own name and
// removes it again.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "support/process.h"
#include "support/service.h"
#include "support/testvm.h"

using namespace testing_support;

namespace {

// An application folder with the test VM as its private runtime and a service
// configuration; the test VM logs to a file named on its options (a service
// does not inherit the test's environment).
AppDir serviceApp(const std::wstring& name, const std::string& mainClass, const std::string& vmParameters,
                  const std::string& applicationKeys = "") {
    AppDir app(name);
    app.privateTestVm().writeIni(
        javaIni(mainClass, "C:\\app.jar",
                "Virtual Machine Parameters=-Dtestvm.log=" + narrow(app.vmLogPath()) + " " + vmParameters + "\r\n",
                "Application Type=service\r\n" + applicationKeys));
    return app;
}

using Strings = std::vector<std::string>;

// The message file registered for an event log source; empty when the source is not registered.
std::wstring registeredMessageFile(const std::wstring& source) {
    const std::wstring key = L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\" + source;
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"EventMessageFile", RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                     nullptr, value, &size) != ERROR_SUCCESS) {
        return std::wstring();
    }
    return value;
}

void unregisterSource(const std::wstring& source) {
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, (L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\" + source).c_str());
}

// The service-specific end a failed start reports: ERROR_SERVICE_SPECIFIC_ERROR with the code.
void expectServiceSpecificEnd(const SERVICE_STATUS_PROCESS& status, DWORD code) {
    EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_EQ(status.dwWin32ExitCode, static_cast<DWORD>(ERROR_SERVICE_SPECIFIC_ERROR));
    EXPECT_EQ(status.dwServiceSpecificExitCode, code);
}

TEST(Service, StartParametersFollowTheProcessArgumentsAndTheServiceName) {
    AppDir app = serviceApp(L"service-args", "test.Service", "");
    InstalledService service(L"qzmodes", app.exe() + L" -x");
    ASSERT_TRUE(service.installed());
    RunResult started = service.start(L"a b");
    EXPECT_EQ(started.exitCode, 0u) << started.out;
    ASSERT_TRUE(app.waitForVmLine("main waiting"));
    EXPECT_EQ(service.state(), static_cast<DWORD>(SERVICE_RUNNING));
    SERVICE_STATUS_PROCESS running = service.status();
    EXPECT_EQ(running.dwServiceType, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
    EXPECT_EQ(running.dwControlsAccepted, static_cast<DWORD>(SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN));

    std::vector<std::vector<std::string>> mains = testVmArguments(app.vmLog(), "main");
    ASSERT_EQ(mains.size(), 1u);
    EXPECT_EQ(mains[0], (Strings{"-x", narrow(service.name()), "a", "b"}));

    // A stop request calls "stop" on a thread of its own; main returns and the
    // service reports stopped.
    RunResult stopped = service.stop();
    EXPECT_EQ(stopped.exitCode, 0u) << stopped.out;
    EXPECT_TRUE(service.waitForState(SERVICE_STOPPED));
    EXPECT_EQ(service.status().dwWin32ExitCode, 0u);
    ASSERT_TRUE(app.waitForVmLine("destroy end"));
    std::vector<std::string> log = app.vmLog();
    EXPECT_EQ(linesStartingWith(log, "stop").size(), 1u);
    EXPECT_TRUE(inOrder(log, {"main waiting", "attach", "GetStaticMethodID test/Service stop ()V", "stop",
                              "main returned", "destroy begin", "destroy end"}));
    // The stop thread detached (the VM thread is the other one).
    EXPECT_TRUE(inOrder(log, {"stop", "detach"}));
    EXPECT_EQ(linesStartingWith(log, "detach").size(), 2u);
    EXPECT_TRUE(testVmErrors(log).empty());
}

TEST(Service, OmitServiceNameLeavesOnlyTheParameters) {
    // Any non-empty value omits the name, "No" included.
    AppDir app = serviceApp(L"service-omit", "test.Service", "", "Omit Service Name=No\r\n");
    InstalledService service(L"qzmodes", app.exe());
    ASSERT_TRUE(service.installed());
    ASSERT_EQ(service.start(L"p1 p2").exitCode, 0u);
    ASSERT_TRUE(app.waitForVmLine("main waiting"));
    std::vector<std::vector<std::string>> first = testVmArguments(app.vmLog(), "main");
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0], (Strings{"p1", "p2"}));
    service.stop();
    ASSERT_TRUE(service.waitForState(SERVICE_STOPPED));
    ASSERT_TRUE(app.waitForVmLine("destroy end"));

    // A start without parameters: the controller passes only the name, which is omitted.
    DeleteFileW(app.vmLogPath().c_str());
    ASSERT_EQ(service.start().exitCode, 0u);
    ASSERT_TRUE(app.waitForVmLine("main waiting"));
    service.stop();
    EXPECT_TRUE(service.waitForState(SERVICE_STOPPED));

    std::vector<std::vector<std::string>> second = testVmArguments(app.vmLog(), "main");
    ASSERT_EQ(second.size(), 1u);
    EXPECT_TRUE(second[0].empty());
}

TEST(Service, JavaExitReportsStoppedWithOtherCodesAsTheServicesOwnError) {
    for (int code : {0, 3}) {
        AppDir app = serviceApp(L"service-exit" + std::to_wstring(code), "test.Service",
                                "-Dtestvm.stopexit=" + std::to_string(code));
        InstalledService service(L"qzmodes", app.exe());
        ASSERT_TRUE(service.installed());
        ASSERT_EQ(service.start().exitCode, 0u);
        ASSERT_TRUE(app.waitForVmLine("main waiting"));
        DWORD pid = service.status().dwProcessId;
        HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
        ASSERT_NE(process, nullptr);
        service.stop();
        // The first stop calls System.exit(code): the process ends from inside the VM.
        EXPECT_EQ(WaitForSingleObject(process, 20000), static_cast<DWORD>(WAIT_OBJECT_0));
        DWORD exitCode = 0;
        GetExitCodeProcess(process, &exitCode);
        CloseHandle(process);
        EXPECT_EQ(exitCode, static_cast<DWORD>(code));
        EXPECT_TRUE(app.waitForVmLine("exit hook returned"));
        SERVICE_STATUS_PROCESS after = service.status();
        if (code == 0) {
            EXPECT_EQ(after.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
            EXPECT_EQ(after.dwWin32ExitCode, 0u);
        } else {
            // Reported before the process ended, for the recovery actions.
            expectServiceSpecificEnd(after, static_cast<DWORD>(code));
        }
    }
}

TEST(Service, MainReturningReportsStoppedWhileNonDaemonThreadsRun) {
    AppDir app = serviceApp(L"service-nondaemon", "test.NonDaemon", "-Dtestvm.sleepms=4000");
    InstalledService service(L"qzmodes", app.exe());
    ASSERT_TRUE(service.installed());
    ASSERT_EQ(service.start().exitCode, 0u);
    ASSERT_TRUE(app.waitForVmLine("main returned"));
    EXPECT_TRUE(service.waitForState(SERVICE_STOPPED, 3000));
    // Stopped was reported before the non-daemon thread ended; the VM waits for it.
    std::vector<std::string> atStop = app.vmLog();
    EXPECT_EQ(findLine(atStop, "non-daemon done"), atStop.size());
    EXPECT_TRUE(app.waitForVmLine("destroy end"));
    EXPECT_TRUE(inOrder(app.vmLog(), {"main returned", "destroy begin", "non-daemon done", "destroy end"}));
}

TEST(Service, AMainClassThatCannotBeFoundEndsWithTheServiceSpecificCodeAndItsMessageInTheEventLog) {
    AppDir app = serviceApp(L"service-no-class", "test.Missing", "");
    InstalledService service(L"qzmodes", app.exe());
    ASSERT_TRUE(service.installed());
    unregisterSource(service.name());
    service.start();
    EXPECT_TRUE(service.waitForState(SERVICE_STOPPED));
    expectServiceSpecificEnd(service.status(), 0xFFFFFFFFu);
    // The message came after the service's name: its source is the service.
    EXPECT_EQ(registeredMessageFile(service.name()), app.exe());
    unregisterSource(service.name());
}

TEST(Service, WithoutARuntimeItShowsNoDialogAndReportsMinusOneWithItsMessageInTheEventLog) {
    // The source is the executable's name: no runtime means no service name yet.
    const std::wstring source = L"qznoruntime" + std::to_wstring(GetCurrentProcessId());
    AppDir app(L"service-no-runtime", source + L".exe");
    const std::string ini =
        "[Java Runtime Environment]\r\nMain Class=test.Service\r\n[Application]\r\nApplication Type=service\r\n";
    app.writeIni(ini);
    unregisterSource(source);
    InstalledService service(L"qzmodes", app.exe());
    ASSERT_TRUE(service.installed());
    service.start();
    // Ended at once: no dialog waits in the service's invisible window station.
    EXPECT_TRUE(service.waitForState(SERVICE_STOPPED));
    expectServiceSpecificEnd(service.status(), 0xFFFFFFFFu);
    EXPECT_EQ(registeredMessageFile(source), app.exe());
    // Cancelled: nothing was written back.
    std::string after;
    EXPECT_TRUE(readTextFile(app.ini(), after));
    EXPECT_EQ(after, ini);
    unregisterSource(source);
}

TEST(Service, AStopThatDoesNotEndTheProgramEndsTheServiceWhenStopTimeoutRunsOut) {
    AppDir app = serviceApp(L"service-stop-timeout", "test.Service", "-Dtestvm.stops=1000", "Stop Timeout=3\r\n");
    InstalledService service(L"qzmodes", app.exe());
    ASSERT_TRUE(service.installed());
    ASSERT_EQ(service.start().exitCode, 0u);
    ASSERT_TRUE(app.waitForVmLine("main waiting"));
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, service.status().dwProcessId);
    ASSERT_NE(process, nullptr);
    std::thread stopper([&service] { service.stop(); });
    ASSERT_TRUE(app.waitForVmLine("stop"));
    // While the count-down runs, the stop pending report advances its check point.
    DWORD checkPoint = 0;
    for (int i = 0; i < 150 && service.state() == SERVICE_STOP_PENDING; ++i) {
        checkPoint = std::max(checkPoint, service.status().dwCheckPoint);
        Sleep(100);
    }
    // Three seconds and a margin.
    EXPECT_EQ(WaitForSingleObject(process, 12000), static_cast<DWORD>(WAIT_OBJECT_0));
    DWORD exitCode = 0;
    GetExitCodeProcess(process, &exitCode);
    CloseHandle(process);
    stopper.join();
    EXPECT_EQ(exitCode, 1460u);
    EXPECT_GE(checkPoint, 1u);
    expectServiceSpecificEnd(service.status(), 1460u);
    // The program was asked once and never ended.
    std::vector<std::string> log = app.vmLog();
    EXPECT_EQ(linesStartingWith(log, "stop").size(), 1u);
    EXPECT_EQ(findLine(log, "main returned"), log.size());
}

TEST(Service, AConsoleStartEndsWithTheDispatchersErrorCode) {
    AppDir app = serviceApp(L"service-console", "test.Service", "");
    RunResult r = app.run(L"a");
    EXPECT_EQ(r.exitCode, 1063u);  // ERROR_FAILED_SERVICE_CONTROLLER_CONNECT
    EXPECT_EQ(r.out, "");
    // The VM was never created.
    EXPECT_TRUE(linesStartingWith(app.vmLog(), "create").empty());
}

TEST(Service, AStopReachesAMainClassNamedInOtherLetters) {
    AppDir app(L"service-named");
    // A main class outside the ANSI code page needs the INI file in UTF-16.
    app.privateTestVm().writeIni(utf16Text(
        L"[Java Runtime Environment]\r\nMain Class=test.\u0421\u043b\u0443\u0436\u0431\u0430\r\n"
        L"Virtual Machine Parameters=-Dtestvm.log=" + app.vmLogPath() + L" -Dtestvm.runms=60000\r\n"
        L"[Class Path]\r\nClass Path=C:\\app.jar\r\n[Application]\r\nApplication Type=service\r\n"));
    InstalledService service(L"qzmodes", app.exe());
    ASSERT_TRUE(service.installed());
    service.start();
    ASSERT_TRUE(app.waitForVmLine("main waiting"));
    service.stop();
    EXPECT_TRUE(service.waitForState(SERVICE_STOPPED));
    EXPECT_TRUE(inOrder(app.vmLog(), {"main waiting", "attach", "stop", "main returned"}));
}

}  // namespace
