// Starts of the built launcher under Wine: configuration reading, messages and
// exit codes of the launch spine.
#include <gtest/gtest.h>

#include "support/process.h"

using namespace testing_support;

namespace {

const DWORD kFailed = 0xFFFFFFFFu;  // exit code -1

TEST(Startup, MissingMainClassPrintsMessage210AndEndsWithMinusOne) {
    AppDir app(L"no-main-class");
    app.writeIni("[Java Runtime Environment]\r\nMinimum Version=1.6\r\n");
    RunResult r = app.run();
    EXPECT_EQ(r.out, "Error: Main class was not specified in INI file. \r\n");
    EXPECT_EQ(r.exitCode, kFailed);
}

TEST(Startup, MissingConfigurationFileIsAMissingMainClass) {
    AppDir app(L"no-ini");
    RunResult r = app.run(L"a b");
    EXPECT_EQ(r.out, "Error: Main class was not specified in INI file. \r\n");
    EXPECT_EQ(r.exitCode, kFailed);
}

TEST(Startup, ExecutableWithoutExtensionDotHasNoConfigurationAndPrintsNothing) {
    AppDir app(L"no-dot", L"launcher");
    RunResult r = runProcess(app.exe(), L"\"" + app.exe() + L"\"");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.exitCode, kFailed);
}

}  // namespace
