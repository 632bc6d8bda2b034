// The paired executable: a runtime this launcher cannot load, found through
// "JRE Path", makes it start "Pair Product" with its own command line instead
// of loading the VM. A small program of the tests stands in for the pair and
// records what it was given. This x86_64 build cannot load an x86 image, so an
// x86 image header plays the runtime (the 32-bit lane does it the other way round).
#include <gtest/gtest.h>

#include "support/process.h"
#include "support/runtime_fixtures.h"
#include "support/testvm.h"

using namespace testing_support;

namespace {

struct PairApp {
    AppDir app;
    std::wstring record;
    std::wstring vmLog;

    PairApp(const std::wstring& name, const std::string& returnCodeKey) : app(name) {
        writeImageHeader(app.file(L"runtime-x86\\bin\\client\\jvm.dll"), 0x014C);
        record = app.file(L"record.txt");
        vmLog = app.file(L"vm.log");
        app.writeIni("[Java Runtime Environment]\r\nMain Class=a.B\r\nJRE Path=" + narrow(app.file(L"runtime-x86")) +
                     "\r\n[Class Path]\r\nClass Path=C:\\app.jar\r\n[Application]\r\nPair Product=" +
                     narrow(windowsPath(PAIR_CHILD_EXE)) + "\r\n" + returnCodeKey);
    }
    RunResult run(const std::wstring& arguments, const std::wstring& sleepMs) const {
        RunOptions options;
        options.env[L"PAIR_CHILD_RECORD"] = record;
        options.env[L"PAIR_CHILD_EXIT"] = L"5";
        options.env[L"PAIR_CHILD_SLEEPMS"] = sleepMs;
        options.env[L"TESTVM_LOG"] = vmLog;
        options.env[L"APPDATA"] = app.file(L"appdata");
        return app.run(arguments, options);
    }
    // Runs the launcher without redirected output and waits for the launcher
    // alone (the child may hold inherited output handles open after it ended).
    DWORD runUnpiped(const std::wstring& arguments, const std::wstring& sleepMs) const {
        const std::pair<const wchar_t*, std::wstring> env[] = {{L"PAIR_CHILD_RECORD", record},
                                                               {L"PAIR_CHILD_EXIT", L"5"},
                                                               {L"PAIR_CHILD_SLEEPMS", sleepMs},
                                                               {L"TESTVM_LOG", vmLog},
                                                               {L"APPDATA", app.file(L"appdata")}};
        for (const auto& e : env) SetEnvironmentVariableW(e.first, e.second.c_str());
        std::wstring commandLine = L"\"" + app.exe() + L"\" " + arguments;
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        DWORD code = 0xDEADu;
        if (CreateProcessW(app.exe().c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
            if (WaitForSingleObject(pi.hProcess, 30000) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
            CloseHandle(pi.hProcess);
            CloseHandle(pi.hThread);
        }
        for (const auto& e : env) SetEnvironmentVariableW(e.first, nullptr);
        return code;
    }
    std::string recorded() const {
        std::string text;
        readTextFile(record, text);
        return text;
    }
    bool waitForRecord(const std::string& part) const {
        for (int i = 0; i < 400; ++i) {
            if (recorded().find(part) != std::string::npos) return true;
            Sleep(25);
        }
        return false;
    }
};

const std::wstring kArguments = L"-a \"quoted argument\"  last";

TEST(PairProduct, WithPairReturnCodeTheLauncherEndsWithTheChildsCode) {
    PairApp app(L"pair-return", "Pair Return Code=YES\r\n");
    RunResult r = app.run(kArguments, L"200");
    EXPECT_EQ(r.exitCode, 5u);
    EXPECT_EQ(r.out, "");
    // The child got the launcher's command line character for character.
    std::wstring commandLine = L"\"" + app.app.exe() + L"\" " + kArguments;
    EXPECT_EQ(app.recorded(), "start " + narrow(commandLine) + "\nend 5\n");
    // No VM in the launcher itself.
    EXPECT_TRUE(testVmLog(app.vmLog).empty());
}

TEST(PairProduct, WithoutPairReturnCodeZeroBeforeTheChildEnds) {
    for (const std::string& key : {std::string(), std::string("Pair Return Code=Yes!\r\n")}) {
        PairApp app(L"pair-no-return", key);
        EXPECT_EQ(app.runUnpiped(kArguments, L"2000"), 0u) << key;
        ASSERT_TRUE(app.waitForRecord("start "));
        EXPECT_EQ(app.recorded().find("end"), std::string::npos) << "the launcher waited for the child";
        EXPECT_EQ(app.recorded(), "start \"" + narrow(app.app.exe()) + "\" " + narrow(kArguments) + "\n");
        EXPECT_TRUE(app.waitForRecord("end 5\n"));
        EXPECT_TRUE(testVmLog(app.vmLog).empty());
    }
}

}  // namespace
