// Starts of the built launcher under Wine: configuration reading, messages and
// exit codes of the launch spine.
#include <gtest/gtest.h>

#include "support/process.h"
#include "support/testvm.h"
#include "support/trace.h"

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
    RunResult r = app.run();
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.exitCode, kFailed);
}

// A traced start that finds no Java runtime: the "JRE Not Found" dialog is cancelled.
std::vector<std::string> traced(const AppDir& app, const std::wstring& args, RunOptions options = RunOptions()) {
    options.cancelJreDialog = true;
    return app.start(args, options).traceLines();
}

TEST(Startup, ArgumentsReachTheProgramExactly) {
    AppDir app(L"arguments");
    app.writeIni("[Java Runtime Environment]\r\nMain Class=a.B\r\n");
    std::vector<std::string> trace = traced(app, L"plain \"with space\" \"\" tab\there x\"y \"unclosed   ");
    std::vector<std::string> args = traceLinesStartingWith(trace, "  argument[");
    std::vector<std::string> expected = {
        "  argument[0] = \"plain\"",     "  argument[1] = \"with space\"", "  argument[2] = \"\"",
        "  argument[3] = \"tab\there\"", "  argument[4] = \"x\"y\"",       "  argument[5] = \"unclosed\"",
    };
    EXPECT_EQ(args, expected);
    EXPECT_TRUE(traceHas(trace, "arguments: 6"));
}

TEST(Startup, NoArgumentsGiveAnEmptyList) {
    AppDir app(L"no-arguments");
    app.writeIni("[Java Runtime Environment]\r\nMain Class=a.B\r\n");
    std::vector<std::string> trace = traced(app, L"  \t ");
    EXPECT_TRUE(traceHas(trace, "arguments: 0"));
    EXPECT_TRUE(traceLinesStartingWith(trace, "  argument[").empty());
}

TEST(Startup, OverrideWorkingDirMakesTheExecutableFolderCurrent) {
    AppDir app(L"workdir");
    std::wstring elsewhere = app.file(L"elsewhere");
    makeFolders(elsewhere);
    RunOptions options;
    options.currentDirectory = elsewhere;

    app.writeIni("[Java Runtime Environment]\r\nMain Class=a.B\r\n[Application]\r\nOverride WorkingDir=YES\r\n");
    std::vector<std::string> on = traced(app, L"", options);
    EXPECT_TRUE(traceHas(on, "current directory: " + narrow(app.path()))) << narrow(app.path());

    app.writeIni("[Java Runtime Environment]\r\nMain Class=a.B\r\n[Application]\r\nOverride WorkingDir=on\r\n");
    std::vector<std::string> off = traced(app, L"", options);
    EXPECT_TRUE(traceHas(off, "current directory: " + narrow(elsewhere)));
}

TEST(Startup, PerUserConfigurationWithALongPathHoldsJrePath) {
    AppDir app(L"per-user");
    std::wstring appData = app.file(L"roaming");
    while (appData.size() < 215) appData += L"\\" + std::wstring(30, L'r');
    const std::string product(45, 'P');
    const std::string code = "{0123456789-ABCDEF-0123456789}";
    app.writeIni("[Product Information]\r\nProduct Name=" + product + ":?\r\nProduct Code=" + code +
                 "\r\n[Java Runtime Environment]\r\nMain Class=a.B\r\nJRE Path=D:\\beside\r\n");
    std::wstring userFile = appData + L"\\" + widen(product) + L"\\" + widen(code) + L"\\app.ini";
    ASSERT_GE(userFile.size(), 300u);
    ASSERT_TRUE(makeFolders(L"\\\\?\\" + userFile.substr(0, userFile.rfind(L'\\'))));
    ASSERT_TRUE(writeTextFile(L"\\\\?\\" + userFile, "[Java Runtime Environment]\r\nJRE Path=D:\\per-user\r\n"));
    ASSERT_TRUE(pathExists(L"\\\\?\\" + userFile));

    RunOptions options;
    options.env[L"APPDATA"] = appData;
    std::vector<std::string> trace = traced(app, L"", options);
    EXPECT_TRUE(traceHas(trace, "per-user configuration: " + narrow(userFile)));
    EXPECT_TRUE(traceHas(trace, "  \"JRE Path\" = \"D:\\per-user\""));

    // A per-user file without "JRE Path" still hides the value beside the executable.
    ASSERT_TRUE(writeTextFile(L"\\\\?\\" + userFile, "[Java Runtime Environment]\r\nOther=1\r\n"));
    trace = traced(app, L"", options);
    EXPECT_TRUE(traceHas(trace, "  \"JRE Path\" = \"\""));

    // Without the per-user file the value beside the executable counts.
    DeleteFileW((L"\\\\?\\" + userFile).c_str());
    trace = traced(app, L"", options);
    EXPECT_TRUE(traceHas(trace, "  \"JRE Path\" = \"D:\\beside\""));
}

// Paths beyond the old limit of 259 characters: one whose INI file the profile
// functions reach through its short form runs; one too deep for that says so.
TEST(Startup, AnExecutableUnderAPathOfMoreThan260CharactersRunsOrSaysWhy) {
    std::wstring deep = L"long-path";
    while (deep.size() < 260) deep += L"\\folder-with-a-long-name";
    AppDir app(deep);
    app.privateTestVm().write(L"lib\\a.jar");
    app.writeIni(javaIni("test.Echo", "\\lib\\*.jar", "", "Override WorkingDir=Yes\r\n"));
    Started s = app.start(L"one \"two three\"");
    ASSERT_EQ(s.result.exitCode, 0u) << s.describe();
    EXPECT_EQ(testVmArguments(s.log, "main"), (std::vector<std::vector<std::string>>{{"one", "two three"}}));
    EXPECT_EQ(testVmOptions(s.log)[0], "-Djava.class.path=" + narrow(app.file(L"lib\\a.jar")));
    EXPECT_TRUE(s.traced("current directory: " + narrow(app.path()) + "\r\n")) << s.trace;

    while (deep.size() < 900) deep += L"\\folder-with-a-long-name";
    AppDir deeper(deep);
    deeper.writeIni(javaIni("test.Echo"));
    RunResult r = deeper.run();
    EXPECT_EQ(r.out, "Error: The INI file cannot be read, its path is too long: " + narrow(deeper.ini()) + ".\r\n \r\n");
    EXPECT_EQ(r.exitCode, 255u);
}

}  // namespace
