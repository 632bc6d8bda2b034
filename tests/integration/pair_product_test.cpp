// The paired executable: a runtime this launcher cannot load, found through
// "JRE Path", makes it start "Pair Product" with its own command line instead
// of loading the VM. A small program of the tests stands in for the pair and
// records what it was given. This x86_64 build cannot load an x86 image, so an
// x86 image header plays the runtime (the 32-bit lane does it the other way round).
#include <gtest/gtest.h>

#include "support/process.h"
#include "support/runtime_fixtures.h"
#include "support/testvm.h"
#include "support/ui_support.h"

using namespace testing_support;

namespace {

// An application whose "JRE Path" runtime is an x86 image header and whose pair
// is the recording child; `returnCodeKey` is more of [Application].
struct PairApp : AppDir {
    std::wstring record = file(L"record.txt");

    PairApp(const std::wstring& name, const std::string& returnCodeKey,
            const std::wstring& pair = windowsPath(PAIR_CHILD_EXE))
        : AppDir(name) {
        writeImageHeader(file(L"runtime-x86\\bin\\client\\jvm.dll"), 0x014C);
        writeIni(javaIni("a.B", "C:\\app.jar", "JRE Path=" + narrow(file(L"runtime-x86")) + "\r\n",
                         "Pair Product=" + narrow(pair) + "\r\n" + returnCodeKey));
    }
    // The options of a start; the child ends with 5 after `sleepMs`.
    RunOptions options(const std::wstring& sleepMs) const {
        RunOptions o = RunOptions::within(30000);
        o.env = {{L"PAIR_CHILD_RECORD", record}, {L"PAIR_CHILD_EXIT", L"5"}, {L"PAIR_CHILD_SLEEPMS", sleepMs}};
        return o;
    }
    std::string recorded() const { return fileText(record); }
    bool waitForRecord(const std::string& part) const {
        return ui_test::waitUntil([&] { return recorded().find(part) != std::string::npos; });
    }
};

const std::wstring kArguments = L"-a \"quoted argument\"  last";

TEST(PairProduct, WithPairReturnCodeTheLauncherEndsWithTheChildsCode) {
    PairApp app(L"pair-return", "Pair Return Code=YES\r\n");
    Started s = app.start(kArguments, app.options(L"200"));
    EXPECT_EQ(s.result.exitCode, 5u) << s.describe();
    EXPECT_EQ(s.result.out, "");
    // The child got the launcher's command line character for character.
    std::wstring commandLine = L"\"" + app.exe() + L"\" " + kArguments;
    EXPECT_EQ(app.recorded(), "start " + narrow(commandLine) + "\nend 5\n");
    // No VM in the launcher itself.
    EXPECT_TRUE(s.log.empty());
    PairApp missing(L"pair-missing", "Pair Return Code=YES\r\n", L"Z:\\no\\such.exe");
    RunResult r = missing.run(L"", missing.options(L"0"));
    EXPECT_EQ(r.exitCode, 0xFFFFFFFFu);
    EXPECT_EQ(r.out, "Error: Failed to start the paired executable: Z:\\no\\such.exe (errno = 3).\r\n \r\n");
}

TEST(PairProduct, WithoutPairReturnCodeZeroBeforeTheChildEnds) {
    for (const std::string& key : {std::string(), std::string("Pair Return Code=Yes!\r\n")}) {
        PairApp app(L"pair-no-return", key);
        // Without redirected output: the wait is for the launcher alone (the child
        // may hold inherited output handles open after it ended).
        RunOptions unpiped = app.options(L"2000");
        unpiped.capture = false;
        Started s = app.start(kArguments, unpiped);
        EXPECT_EQ(s.result.exitCode, 0u) << key << s.describe();
        ASSERT_TRUE(app.waitForRecord("start "));
        EXPECT_EQ(app.recorded().find("end"), std::string::npos) << "the launcher waited for the child";
        EXPECT_EQ(app.recorded(), "start \"" + narrow(app.exe()) + "\" " + narrow(kArguments) + "\n");
        EXPECT_TRUE(app.waitForRecord("end 5\n"));
        EXPECT_TRUE(app.vmLog().empty());
    }
}

}  // namespace
