// Whole starts of the launcher hosting the project's test VM as the private
// runtime beside the executable: the options the VM receives, the VM thread,
// the arguments of main, output redirection, exit codes and every failure
// message of VM hosting.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/process.h"
#include "support/testvm.h"

using namespace testing_support;

namespace {

const DWORD kFailed = 0xFFFFFFFFu;  // exit code -1

std::wstring environmentValue(const wchar_t* name) {
    wchar_t buffer[32768];
    DWORD n = GetEnvironmentVariableW(name, buffer, 32768);
    return n && n < 32768 ? std::wstring(buffer, n) : std::wstring();
}

std::string local(const SYSTEMTIME& t, const wchar_t* datePicture) {
    wchar_t text[64];
    GetDateFormatW(LOCALE_USER_DEFAULT, 0, &t, datePicture, text, 64);
    return narrow(text);
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

struct Start {
    RunResult result;
    std::vector<std::string> log;
    std::string trace;
};

class VmHost : public ::testing::Test {
protected:
    // A launcher folder whose private runtime is the test VM.
    static AppDir appWithVm(const std::wstring& name) {
        AppDir app(name);
        app.installTestVm(L"jre\\bin\\client\\jvm.dll");
        app.write(L"jre\\bin\\java.dll", "");
        return app;
    }

    // Runs the launcher with its own test VM log and trace, without JAVA_HOME
    // and with APPDATA inside the folder.
    static Start start(const AppDir& app, const std::wstring& arguments = L"", RunOptions options = RunOptions()) {
        const std::wstring log = app.file(L"testvm.log");
        const std::wstring trace = app.file(L"trace.log");
        DeleteFileW(log.c_str());
        DeleteFileW(trace.c_str());
        options.env[L"TESTVM_LOG"] = log;
        options.env[L"QZ_LAUNCHER_LOG"] = trace;
        if (!options.env.count(L"JAVA_HOME")) options.env[L"JAVA_HOME"] = L"";
        options.env[L"APPDATA"] = app.file(L"appdata");
        Start s;
        s.result = app.run(arguments, options);
        s.log = testVmLog(log);
        readTextFile(trace, s.trace);
        return s;
    }

    static std::string describe(const Start& s) {
        std::string text = "exit " + std::to_string(s.result.exitCode) + (s.result.timedOut ? " TIMED OUT" : "") +
                           "\n--- stdout:\n" + s.result.out + "--- stderr:\n" + s.result.err + "--- test VM log:\n";
        for (const std::string& line : s.log) text += line + "\n";
        return text + "--- trace:\n" + s.trace;
    }

    // The VM saw no misuse: no JNI call with a pending exception, no string
    // left unreleased, no thread that ended attached.
    static void expectCleanVm(const Start& s) {
        EXPECT_TRUE(testVmErrors(s.log).empty()) << describe(s);
        std::string held;
        if (logValue(s.log, "strings held=", held)) {
            EXPECT_EQ(held, "0") << describe(s);
        }
    }

    static std::string expected(const AppDir& app, const std::wstring& relative) { return narrow(app.file(relative)); }
};

TEST_F(VmHost, OptionsReachTheVmInTheirOrder) {
    AppDir app = appWithVm(L"vm-option-order");
    app.write(L"app.jar", "");
    app.writeIni(
        "[Java Runtime Environment]\r\nMain Class=test.Echo\r\nLibrary Path=C:\\native\r\nSystem Path=C:\\tools\r\n"
        "Virtual Machine Parameters=-Dfirst=1  \"-Dquoted=a b\" -ea -Dlast=\"x y\" -Dq=\"a\"\"b\"\r\n"
        "[Class Path]\r\nClass Path=\\app.jar\r\n");
    Start s = start(app);
    ASSERT_EQ(s.result.exitCode, 0u) << describe(s);
    const std::string path = narrow(environmentValue(L"Path"));
    EXPECT_EQ(testVmOptions(s.log),
              (std::vector<std::string>{
                  "-Djava.library.path=C:\\native;" + narrow(app.path()) + "\\;.;" + path + ";" +
                      expected(app, L"jre\\lib"),
                  "-Djava.class.path=" + expected(app, L"app.jar") + ";",
                  "-Dfirst=1",
                  "-Dquoted=a b",
                  "-ea",
                  "-Dlast=x y",
                  "-Dq=a\"b\"",  // the doubled quote stays once, the last one is unpaired
                  "abort extraInfo=set",
                  "exit extraInfo=set",
              }))
        << describe(s);
    EXPECT_TRUE(inOrder(s.log, {"create version=0x10002 options=9 ignoreUnrecognized=0"})) << describe(s);
    // The process Path: the system path, the inherited one and the runtime's bin folder.
    std::string vmPath;
    ASSERT_TRUE(logValue(s.log, "env Path=", vmPath));
    EXPECT_EQ(vmPath, "C:\\tools;" + path + ";" + expected(app, L"jre\\bin"));
    std::string home;
    ASSERT_TRUE(logValue(s.log, "env QZ_JVM_HOME=", home));
    EXPECT_FALSE(home.empty());
    expectCleanVm(s);
}

TEST_F(VmHost, WithoutLibraryPathThereIsNoOptionButPathStillEndsWithTheRuntime) {
    AppDir app = appWithVm(L"vm-no-library-path");
    app.write(L"app.jar", "");
    app.writeIni("[Java Runtime Environment]\r\nMain Class=test.Echo\r\n[Class Path]\r\nClass Path=\\app.jar\r\n");
    Start s = start(app);
    ASSERT_EQ(s.result.exitCode, 0u) << describe(s);
    EXPECT_EQ(testVmOptions(s.log), (std::vector<std::string>{"-Djava.class.path=" + expected(app, L"app.jar") + ";",
                                                              "abort extraInfo=set", "exit extraInfo=set"}))
        << describe(s);
    std::string vmPath;
    ASSERT_TRUE(logValue(s.log, "env Path=", vmPath));
    EXPECT_EQ(vmPath, narrow(environmentValue(L"Path")) + ";" + expected(app, L"jre\\bin"));
}

TEST_F(VmHost, ClassPathWildcardsRelativeAndAbsoluteEntries) {
    AppDir app = appWithVm(L"vm-class-path");
    for (const wchar_t* f : {L"lib\\a.jar", L"lib\\b.jar", L"lib\\notes.txt", L"app.jar", L"lib2\\c.jar", L"ext\\d.jar",
                             L"classes\\x.class"}) {
        app.write(f, "");
    }
    app.writeIni("[Java Runtime Environment]\r\nMain Class=test.Echo\r\n[Class Path]\r\n"
                 "Class Path=\\lib\\*.jar;\\app.jar;\\missing.jar;D:\\absent.jar;lib2\\c.jar;%CP_EXT%\\d.jar;;\\classes\r\n");
    RunOptions options;
    options.env[L"CP_EXT"] = app.file(L"ext");
    Start s = start(app, L"", options);
    ASSERT_EQ(s.result.exitCode, 0u) << describe(s);
    std::vector<std::string> opts = testVmOptions(s.log);
    ASSERT_FALSE(opts.empty()) << describe(s);
    const std::string prefix = "-Djava.class.path=";
    ASSERT_EQ(opts[0].compare(0, prefix.size(), prefix), 0) << opts[0];
    std::vector<std::string> entries;
    std::string value = opts[0].substr(prefix.size());
    ASSERT_FALSE(value.empty());
    EXPECT_EQ(value.back(), ';');
    for (size_t pos = 0; pos < value.size();) {
        size_t end = value.find(';', pos);
        entries.push_back(value.substr(pos, end - pos));
        pos = end + 1;
    }
    ASSERT_EQ(entries.size(), 7u) << value;
    // The two jars come in the platform's enumeration order.
    std::vector<std::string> jars(entries.begin(), entries.begin() + 2);
    std::sort(jars.begin(), jars.end());
    EXPECT_EQ(jars, (std::vector<std::string>{expected(app, L"lib\\a.jar"), expected(app, L"lib\\b.jar")}));
    EXPECT_EQ(std::vector<std::string>(entries.begin() + 2, entries.end()),
              (std::vector<std::string>{expected(app, L"app.jar"), "D:\\absent.jar", expected(app, L"lib2\\c.jar"),
                                        expected(app, L"ext\\d.jar"), expected(app, L"classes")}));
}

TEST_F(VmHost, AClassPathBeyond32KCharactersArrivesWhole) {
    AppDir app = appWithVm(L"vm-long-class-path");
    const std::wstring longName(120, L'n');
    const int jars = 400;  // about 400 * 170 characters
    for (int i = 0; i < jars; ++i) app.write(L"lib\\" + longName + std::to_wstring(1000 + i) + L".jar", "");
    app.writeIni("[Java Runtime Environment]\r\nMain Class=test.Echo\r\n[Class Path]\r\n"
                 "Class Path=\\lib\\*.jar;%CP_LAST%\r\n");
    RunOptions options;
    options.env[L"CP_LAST"] = L"D:\\last.jar";
    Start s = start(app, L"", options);
    ASSERT_EQ(s.result.exitCode, 0u) << describe(s).substr(0, 2000);
    std::vector<std::string> opts = testVmOptions(s.log);
    ASSERT_FALSE(opts.empty());
    EXPECT_GT(opts[0].size(), 40000u);
    EXPECT_EQ(std::count(opts[0].begin(), opts[0].end(), ';'), jars + 1);
    const std::string tail = "D:\\last.jar;";
    ASSERT_GE(opts[0].size(), tail.size());
    EXPECT_EQ(opts[0].substr(opts[0].size() - tail.size()), tail);
}

TEST_F(VmHost, EmbeddedJarPutsTheExecutableFirst) {
    AppDir app = appWithVm(L"vm-embedded-jar");
    app.write(L"app.jar", "");
    app.writeIni("[Java Runtime Environment]\r\nMain Class=test.Echo\r\n[Application]\r\nEmbedded Jar=YES\r\n"
                 "[Class Path]\r\nClass Path=\\app.jar\r\n");
    Start s = start(app);
    ASSERT_EQ(s.result.exitCode, 0u) << describe(s);
    std::vector<std::string> opts = testVmOptions(s.log);
    ASSERT_FALSE(opts.empty()) << describe(s);
    EXPECT_EQ(opts[0], "-Djava.class.path=" + narrow(app.exe()) + ";" + expected(app, L"app.jar") + ";");
}

TEST_F(VmHost, MemoryPercentagesFollowTheMachineAndStackSizeSetsTheVmThread) {
    AppDir app = appWithVm(L"vm-memory");
    app.write(L"app.jar", "");
    app.writeIni("[Java Runtime Environment]\r\nMain Class=test.Echo\r\n"
                 "Virtual Machine Parameters=-Xmx50:256:1024p -Xms10p -Xmx1:64:128T -Xss16m\r\n"
                 "[Class Path]\r\nClass Path=\\app.jar\r\n");
    Start s = start(app);
    ASSERT_EQ(s.result.exitCode, 0u) << describe(s);

    MEMORYSTATUS memory = {};
    memory.dwLength = sizeof(memory);
    GlobalMemoryStatus(&memory);
    const unsigned long long kb = static_cast<unsigned long long>(memory.dwTotalPhys) >> 10;
    unsigned long long half = static_cast<unsigned long long>(static_cast<double>(kb) * 0.5);
    half = std::max(std::min(half, 1048576ull), 262144ull);
    const unsigned long long tenth = static_cast<unsigned long long>(static_cast<double>(kb) * 0.1);

    std::vector<std::string> opts = testVmOptions(s.log);
    ASSERT_EQ(opts.size(), 7u) << describe(s);
    EXPECT_EQ(opts[1], "-Xmx" + std::to_string(half) + "K");
    EXPECT_EQ(opts[2], "-Xms" + std::to_string(tenth) + "K");
    // 1% of the address space left to a 64-bit process is far above the maximum of 128 MB.
    EXPECT_EQ(opts[3], "-Xmx131072K");
    EXPECT_EQ(opts[4], "-Xss16m");
    std::string stack;
    ASSERT_TRUE(logValue(s.log, "stack=", stack));
    EXPECT_EQ(stack, "16777216");
}

TEST_F(VmHost, WithoutXssTheVmThreadGetsTheVmsDefaultStackSize) {
    AppDir app = appWithVm(L"vm-default-stack");
    app.write(L"app.jar", "");
    app.writeIni("[Java Runtime Environment]\r\nMain Class=test.Echo\r\n[Class Path]\r\nClass Path=\\app.jar\r\n");
    Start s = start(app);
    ASSERT_EQ(s.result.exitCode, 0u) << describe(s);
    EXPECT_TRUE(inOrder(s.log, {"defaultInitArgs version=0x10001", "create version=0x10002 options=3 ignoreUnrecognized=0"}))
        << describe(s);
    // 1310720 bytes, the test VM's default, asked for and handed to CreateThread.
    EXPECT_TRUE(contains(s.trace, "VM thread stack size 1310720")) << describe(s);
}

TEST_F(VmHost, MainGetsTheCommandLineAndTheCmdArguments) {
    AppDir app = appWithVm(L"vm-arguments");
    app.write(L"app.jar", "");
    app.writeIni("[Java Runtime Environment]\r\nMain Class=test.Echo\r\n[Application]\r\n"
                 "Cmd=extra \"x y\" %CMD_VALUE% \"\"\r\n[Class Path]\r\nClass Path=\\app.jar\r\n");
    RunOptions options;
    options.env[L"CMD_VALUE"] = L"from-env";
    Start s = start(app, L"one \"\" \"two three\"", options);
    ASSERT_EQ(s.result.exitCode, 0u) << describe(s);
    std::vector<std::vector<std::string>> calls = testVmArguments(s.log, "main");
    ASSERT_EQ(calls.size(), 1u) << describe(s);
    EXPECT_EQ(calls[0], (std::vector<std::string>{"one", "", "two three", "extra", "x y", "from-env"}));
    EXPECT_EQ(s.result.out, "arg[0]=one\r\narg[1]=\r\narg[2]=two three\r\narg[3]=extra\r\narg[4]=x y\r\narg[5]=from-env\r\n");
    EXPECT_EQ(s.result.err, "stderr line\r\n");
    expectCleanVm(s);
}

TEST_F(VmHost, MainWithoutArgumentsGetsAnEmptyArray) {
    AppDir app = appWithVm(L"vm-no-arguments");
    app.write(L"app.jar", "");
    app.writeIni("[Java Runtime Environment]\r\nMain Class=test.Echo\r\n[Class Path]\r\nClass Path=\\app.jar\r\n");
    Start s = start(app);
    EXPECT_EQ(s.result.exitCode, 0u) << describe(s);
    EXPECT_TRUE(inOrder(s.log, {"main args=0", "main returned", "detach", "destroy begin", "destroy end"})) << describe(s);
    EXPECT_EQ(s.result.out, "");
    expectCleanVm(s);
}

TEST_F(VmHost, OutputAndErrorGoToDatedFilesInFoldersThatAreCreated) {
    AppDir app = appWithVm(L"vm-redirect-dated");
    app.write(L"app.jar", "");
    app.writeIni("[Java Runtime Environment]\r\nMain Class=test.Echo\r\n[Application]\r\n"
                 "Output File=logs\\out_%yyyyMMdd%.txt\r\n"
                 "Error File=%ERR_ROOT%\\errors\\deep\\err_%yyyy-MM-dd%.log\r\n"
                 "[Class Path]\r\nClass Path=\\app.jar\r\n");
    RunOptions options;
    options.currentDirectory = app.path();  // the relative output file lives below it
    options.env[L"ERR_ROOT"] = app.path();
    SYSTEMTIME before;
    GetLocalTime(&before);
    Start s = start(app, L"a", options);
    SYSTEMTIME after;
    GetLocalTime(&after);
    ASSERT_EQ(s.result.exitCode, 0u) << describe(s);

    std::string out, err;
    bool outFound = false, errFound = false;
    for (const SYSTEMTIME& t : {before, after}) {
        outFound = outFound || readTextFile(app.file(L"logs\\out_" + widen(local(t, L"yyyyMMdd")) + L".txt"), out);
        errFound = errFound ||
                   readTextFile(app.file(L"errors\\deep\\err_" + widen(local(t, L"yyyy-MM-dd")) + L".log"), err);
    }
    ASSERT_TRUE(outFound) << describe(s);
    ASSERT_TRUE(errFound) << describe(s);
    EXPECT_EQ(out, "arg[0]=a\r\n");
    EXPECT_EQ(err, "stderr line\r\n");
    EXPECT_EQ(s.result.out, "");
    EXPECT_EQ(s.result.err, "");
    expectCleanVm(s);
}

TEST_F(VmHost, AppendOnlyWithLowerCaseYes) {
    AppDir app = appWithVm(L"vm-redirect-append");
    app.write(L"app.jar", "");
    app.writeIni("[Java Runtime Environment]\r\nMain Class=test.Echo\r\n[Application]\r\n"
                 "Output File=" + narrow(app.file(L"out.txt")) + "\r\nOutput Append=yes\r\n"
                 "Error File=" + narrow(app.file(L"err.txt")) + "\r\nError Append=Yes\r\n"
                 "[Class Path]\r\nClass Path=\\app.jar\r\n");
    app.write(L"out.txt", "old out\r\n");
    app.write(L"err.txt", "old err\r\n");
    Start s = start(app, L"a");
    ASSERT_EQ(s.result.exitCode, 0u) << describe(s);
    s = start(app, L"b");
    ASSERT_EQ(s.result.exitCode, 0u) << describe(s);
    std::string out, err;
    readTextFile(app.file(L"out.txt"), out);
    readTextFile(app.file(L"err.txt"), err);
    EXPECT_EQ(out, "old out\r\narg[0]=a\r\narg[0]=b\r\n");
    EXPECT_EQ(err, "stderr line\r\n");
    EXPECT_TRUE(inOrder(s.log, {"FileOutputStream " + expected(app, L"out.txt") + " append=1",
                                "FileOutputStream " + expected(app, L"err.txt") + " append=0"}))
        << describe(s);
}

TEST_F(VmHost, AnOutputFileThatCannotBeOpenedLeavesTheStream) {
    AppDir app = appWithVm(L"vm-redirect-bad");
    app.write(L"app.jar", "");
    // The executable is a file, so nothing can be created below it.
    app.writeIni("[Java Runtime Environment]\r\nMain Class=test.Echo\r\n[Application]\r\n"
                 "Output File=" + narrow(app.file(L"app.exe\\out.txt")) + "\r\n"
                 "[Class Path]\r\nClass Path=\\app.jar\r\n");
    Start s = start(app, L"a");
    EXPECT_EQ(s.result.exitCode, 0u) << describe(s);
    EXPECT_TRUE(contains(s.result.err, "Exception in thread \"main\" java.io.FileNotFoundException: " +
                                           expected(app, L"app.exe\\out.txt")))
        << describe(s);
    EXPECT_EQ(s.result.out, "arg[0]=a\r\n");
    expectCleanVm(s);
}

TEST_F(VmHost, TheJavaExitCodeBecomesTheProcessExitCode) {
    AppDir app = appWithVm(L"vm-exit");
    app.write(L"app.jar", "");
    for (long long code : {1234567ll, -2ll}) {
        app.writeIni("[Java Runtime Environment]\r\nMain Class=test.Exit\r\n"
                     "Virtual Machine Parameters=-Dtestvm.exit=" + std::to_string(code) + "\r\n"
                     "[Class Path]\r\nClass Path=\\app.jar\r\n");
        Start s = start(app);
        EXPECT_EQ(s.result.exitCode, static_cast<DWORD>(code)) << describe(s);
        EXPECT_TRUE(inOrder(s.log, {"exit " + std::to_string(code), "exit hook returned"})) << describe(s);
    }
}

TEST_F(VmHost, AnExceptionEndingMainIsPrintedWithFailureCheck) {
    AppDir app = appWithVm(L"vm-uncaught");
    app.write(L"app.jar", "");
    app.writeIni("[Java Runtime Environment]\r\nMain Class=test.Throw\r\n[Application]\r\nFailure Check=yes\r\n"
                 "Error File=" + narrow(app.file(L"err.txt")) + "\r\n[Class Path]\r\nClass Path=\\app.jar\r\n");
    Start s = start(app);
    EXPECT_EQ(s.result.exitCode, 0u) << describe(s);
    std::string err;
    readTextFile(app.file(L"err.txt"), err);
    EXPECT_EQ(err, "java.lang.RuntimeException: boom\r\n\tat test.Throw.main(Throw.java)\r\n");
    // Handled: nothing is left for the VM to report when the thread detaches.
    EXPECT_TRUE(linesStartingWith(s.log, "uncaught").empty()) << describe(s);
    EXPECT_TRUE(contains(s.trace, "uncaught exception of main:")) << describe(s);
    EXPECT_TRUE(contains(s.trace, "java.lang.RuntimeException: boom")) << describe(s);
    expectCleanVm(s);

    app.writeIni("[Java Runtime Environment]\r\nMain Class=test.Throw\r\n[Class Path]\r\nClass Path=\\app.jar\r\n");
    s = start(app);
    EXPECT_EQ(s.result.exitCode, 0u) << describe(s);
    EXPECT_TRUE(inOrder(s.log, {"main returned", "uncaught java.lang.RuntimeException: boom", "detach"})) << describe(s);
}

TEST_F(VmHost, AnExceptionWhoseTextCannotBeReadIsStillPrintedAndLeavesNoErrorPending) {
    AppDir app = appWithVm(L"vm-uncaught-no-text");
    app.write(L"app.jar", "");
    // The VM cannot hand out the rendered stack trace (it holds "boom"), as when out of memory.
    app.writeIni("[Java Runtime Environment]\r\nMain Class=test.Throw\r\n"
                 "Virtual Machine Parameters=-Dtestvm.utfcharsfail=boom\r\n[Application]\r\nFailure Check=yes\r\n"
                 "Error File=" + narrow(app.file(L"err.txt")) + "\r\n[Class Path]\r\nClass Path=\\app.jar\r\n");
    Start s = start(app);
    EXPECT_EQ(s.result.exitCode, 0u) << describe(s);
    std::string err;
    readTextFile(app.file(L"err.txt"), err);
    EXPECT_EQ(err, "java.lang.RuntimeException: boom\r\n\tat test.Throw.main(Throw.java)\r\n");
    expectCleanVm(s);
}

TEST_F(VmHost, DestroyingTheVmWaitsForNonDaemonThreads) {
    AppDir app = appWithVm(L"vm-non-daemon");
    app.write(L"app.jar", "");
    app.writeIni("[Java Runtime Environment]\r\nMain Class=test.NonDaemon\r\n"
                 "Virtual Machine Parameters=-Dtestvm.sleepms=1000\r\n[Class Path]\r\nClass Path=\\app.jar\r\n");
    Start s = start(app);
    EXPECT_EQ(s.result.exitCode, 0u) << describe(s);
    EXPECT_TRUE(inOrder(s.log, {"main returned", "detach", "destroy begin", "non-daemon done", "destroy end"}))
        << describe(s);
    expectCleanVm(s);
}

TEST_F(VmHost, WithIbmRuntimesAdmittedTheVmThreadStaysAfterMain) {
    AppDir app = appWithVm(L"vm-keep-attached");
    app.write(L"app.jar", "");
    app.writeIni("[Java Runtime Environment]\r\nMain Class=test.Echo\r\nVM Provider=ibm\r\n"
                 "[Class Path]\r\nClass Path=\\app.jar\r\n");
    RunOptions options;
    options.timeoutMs = 6000;
    Start s = start(app, L"a", options);
    EXPECT_TRUE(s.result.timedOut) << describe(s);
    EXPECT_TRUE(inOrder(s.log, {"main args=1", "main returned"})) << describe(s);
    EXPECT_EQ(findLine(s.log, "detach"), s.log.size()) << describe(s);
}

// --- failures ----------------------------------------------------------------------

TEST_F(VmHost, AVmLibraryThatCannotBeLoadedPrintsMessage222) {
    AppDir app(L"vm-bad-library");
    app.write(L"jre\\bin\\client\\jvm.dll", "");  // not an image
    app.write(L"jre\\bin\\java.dll", "");
    app.write(L"app.jar", "");
    app.writeIni("[Java Runtime Environment]\r\nMain Class=test.Echo\r\n[Class Path]\r\nClass Path=\\app.jar\r\n");
    Start s = start(app);
    EXPECT_EQ(s.result.out, "Error: Failed to load Java VM library: " + expected(app, L"jre\\bin\\client\\jvm.dll") +
                                " (errno = 193).\r\n \r\n");
    EXPECT_EQ(s.result.exitCode, kFailed);
}

TEST_F(VmHost, AVmLibraryWithoutTheEntryPointPrintsMessage202) {
    AppDir app(L"vm-no-export");
    // An image without the JNI exports: the launcher itself.
    makeFolders(app.file(L"jre\\bin\\client"));
    CopyFileW(app.exe().c_str(), app.file(L"jre\\bin\\client\\jvm.dll").c_str(), FALSE);
    app.write(L"jre\\bin\\java.dll", "");
    app.write(L"app.jar", "");
    app.writeIni("[Java Runtime Environment]\r\nMain Class=test.Echo\r\n[Class Path]\r\nClass Path=\\app.jar\r\n");
    Start s = start(app);
    EXPECT_EQ(s.result.out, "Error: Windows exception: cannot find CreateJavaVM JNI (errno = 127).\r\n \r\n");
    EXPECT_EQ(s.result.exitCode, kFailed);
}

TEST_F(VmHost, FailedCreationPrintsMessage203WithTheReason) {
    AppDir app = appWithVm(L"vm-create-failed");
    app.write(L"app.jar", "");
    app.writeIni("[Java Runtime Environment]\r\nMain Class=test.Echo\r\n[Class Path]\r\nClass Path=\\app.jar\r\n");
    const char* reasons[] = {"unknown",           "thread detached from VM", "JNI version error", "not enough memory",
                             "VM already created", "invalid arguments",       ""};
    for (int i = 0; i < 7; ++i) {
        RunOptions options;
        options.env[L"TESTVM_CREATE_RESULT"] = widen(std::to_string(-1 - i));
        Start s = start(app, L"", options);
        EXPECT_EQ(s.result.out, std::string("Error: JNI exception: failed to create the Java VM\r\nReason: ") +
                                    reasons[i] + ".\r\n \r\n")
            << describe(s);
        EXPECT_EQ(s.result.exitCode, kFailed);
        EXPECT_TRUE(inOrder(s.log, {"create failed " + std::to_string(-1 - i)})) << describe(s);
        EXPECT_EQ(findLine(s.log, "destroy begin"), s.log.size()) << describe(s);
    }
}

TEST_F(VmHost, AnOptionTheVmRejectsFailsCreation) {
    AppDir app = appWithVm(L"vm-rejected-option");
    app.write(L"app.jar", "");
    app.writeIni("[Java Runtime Environment]\r\nMain Class=test.Echo\r\nVirtual Machine Parameters=-Xbogus\r\n"
                 "[Class Path]\r\nClass Path=\\app.jar\r\n");
    Start s = start(app);
    EXPECT_EQ(s.result.out, "Error: JNI exception: failed to create the Java VM\r\nReason: invalid arguments.\r\n \r\n");
    EXPECT_TRUE(contains(s.result.err, "Unrecognized option: -Xbogus")) << describe(s);
    EXPECT_EQ(s.result.exitCode, kFailed);
}

TEST_F(VmHost, AMissingMainClassIsDescribedThenReported) {
    AppDir app = appWithVm(L"vm-missing-class");
    app.write(L"app.jar", "");
    app.writeIni("[Java Runtime Environment]\r\nMain Class=com.example.Missing\r\n[Class Path]\r\nClass Path=\\app.jar\r\n");
    Start s = start(app);
    EXPECT_EQ(s.result.out, "Error: Could not find the main class com/example/Missing.\r\n \r\n");
    EXPECT_TRUE(contains(s.result.err, "Exception in thread \"main\" java.lang.NoClassDefFoundError: com/example/Missing"))
        << describe(s);
    EXPECT_EQ(s.result.exitCode, kFailed);
    // The thread detached, so the teardown's DestroyJavaVM returned.
    EXPECT_TRUE(inOrder(s.log, {"FindClass com/example/Missing", "detach", "destroy begin", "strings held=0", "destroy end"}))
        << describe(s);
    expectCleanVm(s);
}

TEST_F(VmHost, AClassWithoutMainPrintsMessage216) {
    AppDir app = appWithVm(L"vm-no-main");
    app.write(L"app.jar", "");
    for (bool methodError : {true, false}) {
        app.writeIni(std::string("[Java Runtime Environment]\r\nMain Class=test.NoMain\r\n") +
                     (methodError ? "" : "Virtual Machine Parameters=-Dtestvm.methoderror=0\r\n") +
                     "[Class Path]\r\nClass Path=\\app.jar\r\n");
        Start s = start(app);
        EXPECT_EQ(s.result.out, "Error: No main method found in specified class.\r\n \r\n") << describe(s);
        // A VM that raises NoSuchMethodError has it described first.
        EXPECT_EQ(contains(s.result.err, "java.lang.NoSuchMethodError: main"), methodError) << describe(s);
        EXPECT_EQ(s.result.exitCode, kFailed);
        EXPECT_TRUE(inOrder(s.log, {"detach", "destroy end"})) << describe(s);
        expectCleanVm(s);
    }
}

TEST_F(VmHost, AnEmptyClassPathPrintsMessage209AndStartsTheVmWithoutTheRest) {
    AppDir app = appWithVm(L"vm-empty-class-path");
    app.writeIni("[Java Runtime Environment]\r\nMain Class=test.Echo\r\nVirtual Machine Parameters=-Dnot=read\r\n"
                 "[Application]\r\nCmd=not-read\r\n[Class Path]\r\nClass Path=\\missing\\*.jar\r\n");
    Start s = start(app, L"a");
    // The message waits in the launcher's buffered standard output; the Java
    // program writes to the handle directly.
    EXPECT_TRUE(contains(s.result.out, "Error: Java Class Path was not specified in INI file. \r\n")) << describe(s);
    EXPECT_TRUE(contains(s.result.out, "arg[0]=a\r\n")) << describe(s);
    EXPECT_FALSE(contains(s.result.out, "not-read")) << describe(s);
    EXPECT_EQ(s.result.exitCode, 0u) << describe(s);
    EXPECT_EQ(testVmOptions(s.log), (std::vector<std::string>{"abort extraInfo=set", "exit extraInfo=set"}));
}

}  // namespace
