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

std::string local(const SYSTEMTIME& t, const wchar_t* datePicture) {
    wchar_t text[64];
    GetDateFormatW(LOCALE_USER_DEFAULT, 0, &t, datePicture, text, 64);
    return narrow(text);
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The configuration of test/Echo with app.jar, and the lines `jre` and `application`.
std::string echoIni(const std::string& jre = "", const std::string& application = "") {
    return javaIni("test.Echo", "\\app.jar", jre, application);
}

// A launcher folder whose private runtime is the test VM, with app.jar and `ini`.
AppDir vmApp(const std::wstring& name, const std::string& ini = echoIni()) {
    AppDir app(name);
    app.privateTestVm().write(L"app.jar").writeIni(ini);
    return app;
}

// The VM saw no misuse: no JNI call with a pending exception, no string
// left unreleased, no thread that ended attached.
void expectCleanVm(const Started& s) {
    EXPECT_TRUE(testVmErrors(s.log).empty()) << s.describe();
    std::string held;
    if (logValue(s.log, "strings held=", held)) {
        EXPECT_EQ(held, "0") << s.describe();
    }
}

std::string expected(const AppDir& app, const std::wstring& relative) { return narrow(app.file(relative)); }

TEST(VmHost, OptionsReachTheVmInTheirOrder) {
    AppDir app = vmApp(L"vm-option-order",
                       echoIni("Library Path=C:\\native\r\nSystem Path=C:\\tools\r\nVirtual Machine Parameters="
                               "-Dfirst=1  \"-Dquoted=a b\" -ea -Dlast=\"x y\" -Dq=\"a\"\"b\"\r\n"));
    Started s = app.start();
    ASSERT_EQ(s.result.exitCode, 0u) << s.describe();
    const std::string path = narrow(environmentValue(L"Path"));
    EXPECT_EQ(testVmOptions(s.log),
              (std::vector<std::string>{
                  "-Djava.library.path=C:\\native;" + narrow(app.path()) + "\\;.;" + path + ";" +
                      expected(app, L"jre\\lib"),
                  "-Djava.class.path=" + expected(app, L"app.jar"),
                  "-Dfirst=1",
                  "-Dquoted=a b",
                  "-ea",
                  "-Dlast=x y",
                  "-Dq=a\"b\"",  // the doubled quote stays once, the last one is unpaired
                  "abort extraInfo=set",
                  "exit extraInfo=set",
              }))
        << s.describe();
    EXPECT_TRUE(inOrder(s.log, {"create version=0x10002 options=9 ignoreUnrecognized=0"})) << s.describe();
    // The process Path: the system path, the inherited one and the runtime's bin folder.
    std::string vmPath;
    ASSERT_TRUE(logValue(s.log, "env Path=", vmPath));
    EXPECT_EQ(vmPath, "C:\\tools;" + path + ";" + expected(app, L"jre\\bin"));
    std::string home;
    ASSERT_TRUE(logValue(s.log, "env QZ_JVM_HOME=", home));
    EXPECT_FALSE(home.empty());
    expectCleanVm(s);
}

TEST(VmHost, WithoutLibraryPathThereIsNoOptionButPathStillEndsWithTheRuntime) {
    AppDir app = vmApp(L"vm-no-library-path");
    Started s = app.start();
    ASSERT_EQ(s.result.exitCode, 0u) << s.describe();
    EXPECT_EQ(testVmOptions(s.log), (std::vector<std::string>{"-Djava.class.path=" + expected(app, L"app.jar"),
                                                              "abort extraInfo=set", "exit extraInfo=set"}))
        << s.describe();
    std::string vmPath;
    ASSERT_TRUE(logValue(s.log, "env Path=", vmPath));
    EXPECT_EQ(vmPath, narrow(environmentValue(L"Path")) + ";" + expected(app, L"jre\\bin"));
}

TEST(VmHost, ClassPathWildcardsRelativeAndAbsoluteEntries) {
    AppDir app = vmApp(L"vm-class-path", javaIni("test.Echo",
                                                 "\\lib\\*.jar;\\app.jar;\\missing.jar;D:\\absent.jar;"
                                                 "lib2\\c.jar;%CP_EXT%\\d.jar;;\\classes;%CP_NESTED%"));
    for (const wchar_t* f :
         {L"lib\\a.jar", L"lib\\b.jar", L"lib\\x%CP_EXT%y.jar", L"lib\\notes.txt", L"lib2\\c.jar", L"ext\\d.jar", L"classes\\x.class"}) {
        app.write(f);
    }
    RunOptions options;
    options.env[L"CP_EXT"] = app.file(L"ext");
    // A configured reference to a reference is still followed.
    options.env[L"CP_NESTED"] = L"D:\\%CP_SUB%.jar";
    options.env[L"CP_SUB"] = L"nested";
    Started s = app.start(L"", options);
    ASSERT_EQ(s.result.exitCode, 0u) << s.describe();
    std::vector<std::string> opts = testVmOptions(s.log);
    ASSERT_FALSE(opts.empty()) << s.describe();
    const std::string prefix = "-Djava.class.path=";
    ASSERT_EQ(opts[0].compare(0, prefix.size(), prefix), 0) << opts[0];
    std::vector<std::string> entries;
    std::string value = opts[0].substr(prefix.size());
    for (size_t pos = 0, end = 0; end != std::string::npos; pos = end + 1) {
        end = value.find(';', pos);
        entries.push_back(value.substr(pos, end - pos));
    }
    ASSERT_EQ(entries.size(), 9u) << value;
    // The jars come in the platform's enumeration order; the names found are taken as they are.
    std::vector<std::string> jars(entries.begin(), entries.begin() + 3);
    std::sort(jars.begin(), jars.end());
    EXPECT_EQ(jars, (std::vector<std::string>{expected(app, L"lib\\a.jar"), expected(app, L"lib\\b.jar"),
                                              expected(app, L"lib\\x%CP_EXT%y.jar")}));
    EXPECT_EQ(std::vector<std::string>(entries.begin() + 3, entries.end()),
              (std::vector<std::string>{expected(app, L"app.jar"), "D:\\absent.jar", expected(app, L"lib2\\c.jar"),
                                        expected(app, L"ext\\d.jar"), expected(app, L"classes"), "D:\\nested.jar"}));
}

TEST(VmHost, AClassPathBeyond32KCharactersArrivesWhole) {
    AppDir app = vmApp(L"vm-long-class-path", javaIni("test.Echo", "\\lib\\*.jar;%CP_LAST%"));
    const std::wstring longName(120, L'n');
    const int jars = 400;  // about 400 * 170 characters
    for (int i = 0; i < jars; ++i) app.write(L"lib\\" + longName + std::to_wstring(1000 + i) + L".jar");
    RunOptions options;
    options.env[L"CP_LAST"] = L"D:\\last.jar";
    Started s = app.start(L"", options);
    ASSERT_EQ(s.result.exitCode, 0u) << s.describe().substr(0, 2000);
    std::vector<std::string> opts = testVmOptions(s.log);
    ASSERT_FALSE(opts.empty());
    EXPECT_GT(opts[0].size(), 40000u);
    EXPECT_EQ(std::count(opts[0].begin(), opts[0].end(), ';'), jars);
    const std::string tail = ";D:\\last.jar";
    ASSERT_GE(opts[0].size(), tail.size());
    EXPECT_EQ(opts[0].substr(opts[0].size() - tail.size()), tail);
}

TEST(VmHost, EmbeddedJarPutsTheExecutableFirst) {
    AppDir app = vmApp(L"vm-embedded-jar", echoIni("", "Embedded Jar=YES\r\n"));
    Started s = app.start();
    ASSERT_EQ(s.result.exitCode, 0u) << s.describe();
    std::vector<std::string> opts = testVmOptions(s.log);
    ASSERT_FALSE(opts.empty()) << s.describe();
    EXPECT_EQ(opts[0], "-Djava.class.path=" + narrow(app.exe()) + ";" + expected(app, L"app.jar"));
}

TEST(VmHost, MemoryPercentagesFollowTheMachineAndStackSizeSetsTheVmThread) {
    AppDir app =
        vmApp(L"vm-memory", echoIni("Virtual Machine Parameters=-Xmx50:256:1024p -Xms10p -Xmx1:64:128T -Xss16m\r\n"));
    Started s = app.start();
    ASSERT_EQ(s.result.exitCode, 0u) << s.describe();

    MEMORYSTATUS memory = {};
    memory.dwLength = sizeof(memory);
    GlobalMemoryStatus(&memory);
    const unsigned long long kb = static_cast<unsigned long long>(memory.dwTotalPhys) >> 10;
    unsigned long long half = static_cast<unsigned long long>(static_cast<double>(kb) * 0.5);
    half = std::max(std::min(half, 1048576ull), 262144ull);
    const unsigned long long tenth = static_cast<unsigned long long>(static_cast<double>(kb) * 0.1);

    std::vector<std::string> opts = testVmOptions(s.log);
    ASSERT_EQ(opts.size(), 7u) << s.describe();
    EXPECT_EQ(opts[1], "-Xmx" + std::to_string(half) + "K");
    EXPECT_EQ(opts[2], "-Xms" + std::to_string(tenth) + "K");
    // 1% of the address space left to a 64-bit process is far above the maximum of 128 MB.
    EXPECT_EQ(opts[3], "-Xmx131072K");
    EXPECT_EQ(opts[4], "-Xss16m");
    std::string stack;
    ASSERT_TRUE(logValue(s.log, "stack=", stack));
    EXPECT_EQ(stack, "16777216");
}

TEST(VmHost, WithoutXssTheVmThreadGetsTheVmsDefaultStackSize) {
    AppDir app = vmApp(L"vm-default-stack");
    Started s = app.start();
    ASSERT_EQ(s.result.exitCode, 0u) << s.describe();
    EXPECT_TRUE(inOrder(s.log, {"defaultInitArgs version=0x10001", "create version=0x10002 options=3 ignoreUnrecognized=0"}))
        << s.describe();
    // 1310720 bytes, the test VM's default, asked for and handed to CreateThread.
    EXPECT_TRUE(contains(s.trace, "VM thread stack size 1310720")) << s.describe();
}

TEST(VmHost, MainGetsTheCommandLineAndTheCmdArguments) {
    AppDir app = vmApp(L"vm-arguments", echoIni("", "Cmd=extra \"x y\" %CMD_VALUE% \"\"\r\n"));
    RunOptions options;
    options.env[L"CMD_VALUE"] = L"from-env";
    Started s = app.start(L"one \"\" \"two three\"", options);
    ASSERT_EQ(s.result.exitCode, 0u) << s.describe();
    std::vector<std::vector<std::string>> calls = testVmArguments(s.log, "main");
    ASSERT_EQ(calls.size(), 1u) << s.describe();
    EXPECT_EQ(calls[0], (std::vector<std::string>{"one", "", "two three", "extra", "x y", "from-env"}));
    EXPECT_EQ(s.result.out, "arg[0]=one\r\narg[1]=\r\narg[2]=two three\r\narg[3]=extra\r\narg[4]=x y\r\narg[5]=from-env\r\n");
    EXPECT_EQ(s.result.err, "stderr line\r\n");
    expectCleanVm(s);
}

TEST(VmHost, MainWithoutArgumentsGetsAnEmptyArray) {
    AppDir app = vmApp(L"vm-no-arguments");
    Started s = app.start();
    EXPECT_EQ(s.result.exitCode, 0u) << s.describe();
    EXPECT_TRUE(inOrder(s.log, {"main args=0", "main returned", "detach", "destroy begin", "destroy end"})) << s.describe();
    EXPECT_EQ(s.result.out, "");
    expectCleanVm(s);
}

TEST(VmHost, OutputAndErrorGoToDatedFilesInFoldersThatAreCreated) {
    AppDir app = vmApp(L"vm-redirect-dated", echoIni("",
                                                     "Output File=logs\\out_%yyyyMMdd%.txt\r\n"
                                                     "Error File=%ERR_ROOT%\\errors\\deep\\err_%yyyy-MM-dd%.log\r\n"));
    RunOptions options;
    options.currentDirectory = app.path();  // the relative output file lives below it
    options.env[L"ERR_ROOT"] = app.path();
    SYSTEMTIME before;
    GetLocalTime(&before);
    Started s = app.start(L"a", options);
    SYSTEMTIME after;
    GetLocalTime(&after);
    ASSERT_EQ(s.result.exitCode, 0u) << s.describe();

    std::string out, err;
    bool outFound = false, errFound = false;
    for (const SYSTEMTIME& t : {before, after}) {
        outFound = outFound || readTextFile(app.file(L"logs\\out_" + widen(local(t, L"yyyyMMdd")) + L".txt"), out);
        errFound = errFound ||
                   readTextFile(app.file(L"errors\\deep\\err_" + widen(local(t, L"yyyy-MM-dd")) + L".log"), err);
    }
    ASSERT_TRUE(outFound) << s.describe();
    ASSERT_TRUE(errFound) << s.describe();
    EXPECT_EQ(out, "arg[0]=a\r\n");
    EXPECT_EQ(err, "stderr line\r\n");
    EXPECT_EQ(s.result.out, "");
    EXPECT_EQ(s.result.err, "");
    expectCleanVm(s);
}

TEST(VmHost, AppendOnlyWithLowerCaseYes) {
    AppDir app = vmApp(L"vm-redirect-append");
    app.writeIni(echoIni("", "Output File=" + expected(app, L"out.txt") + "\r\nOutput Append=yes\r\nError File=" +
                                 expected(app, L"err.txt") + "\r\nError Append=Yes\r\n"));
    app.write(L"out.txt", "old out\r\n").write(L"err.txt", "old err\r\n");
    Started s = app.start(L"a");
    ASSERT_EQ(s.result.exitCode, 0u) << s.describe();
    s = app.start(L"b");
    ASSERT_EQ(s.result.exitCode, 0u) << s.describe();
    EXPECT_EQ(fileText(app.file(L"out.txt")), "old out\r\narg[0]=a\r\narg[0]=b\r\n");
    EXPECT_EQ(fileText(app.file(L"err.txt")), "stderr line\r\n");
    EXPECT_TRUE(inOrder(s.log, {"FileOutputStream " + expected(app, L"out.txt") + " append=1",
                                "FileOutputStream " + expected(app, L"err.txt") + " append=0"}))
        << s.describe();
}

TEST(VmHost, AnOutputFileThatCannotBeOpenedLeavesTheStream) {
    AppDir app = vmApp(L"vm-redirect-bad");
    // The executable is a file, so nothing can be created below it.
    app.writeIni(echoIni("", "Output File=" + expected(app, L"app.exe\\out.txt") + "\r\n"));
    Started s = app.start(L"a");
    EXPECT_EQ(s.result.exitCode, 0u) << s.describe();
    EXPECT_TRUE(contains(s.result.err, "Exception in thread \"main\" java.io.FileNotFoundException: " +
                                           expected(app, L"app.exe\\out.txt")))
        << s.describe();
    EXPECT_EQ(s.result.out, "arg[0]=a\r\n");
    expectCleanVm(s);
}

TEST(VmHost, TheJavaExitCodeBecomesTheProcessExitCode) {
    AppDir app = vmApp(L"vm-exit");
    for (long long code : {1234567ll, -2ll}) {
        app.writeIni(javaIni("test.Exit", "\\app.jar",
                             "Virtual Machine Parameters=-Dtestvm.exit=" + std::to_string(code) + "\r\n"));
        Started s = app.start();
        EXPECT_EQ(s.result.exitCode, static_cast<DWORD>(code)) << s.describe();
        EXPECT_TRUE(inOrder(s.log, {"exit " + std::to_string(code), "exit hook returned"})) << s.describe();
    }
}

TEST(VmHost, AnExceptionEndingMainFailsTheStartAndIsPrintedOnce) {
    AppDir app = vmApp(L"vm-uncaught");
    const std::string errorFile = "Error File=" + expected(app, L"err.txt") + "\r\n";
    app.writeIni(javaIni("test.Throw", "\\app.jar", "", "Failure Check=yes\r\n" + errorFile));
    Started s = app.start();
    EXPECT_EQ(s.result.exitCode, 0xFFFFFFFFu) << s.describe();
    EXPECT_EQ(fileText(app.file(L"err.txt")), "java.lang.RuntimeException: boom\r\n\tat test.Throw.main(Throw.java)\r\n");
    // Handled: nothing is left for the VM to report when the thread detaches.
    EXPECT_TRUE(linesStartingWith(s.log, "uncaught").empty()) << s.describe();
    EXPECT_TRUE(contains(s.trace, "uncaught exception of main:")) << s.describe();
    EXPECT_TRUE(contains(s.trace, "java.lang.RuntimeException: boom")) << s.describe();
    expectCleanVm(s);

    // Without the check the launcher describes it before the thread detaches,
    // whether or not the VM would have.
    app.writeIni(javaIni("test.Throw", "\\app.jar", "", errorFile));
    s = app.start();
    EXPECT_EQ(s.result.exitCode, 0xFFFFFFFFu) << s.describe();
    EXPECT_EQ(fileText(app.file(L"err.txt")),
              "Exception in thread \"main\" java.lang.RuntimeException: boom\r\n\tat test.Throw.main(Throw.java)\r\n");
    EXPECT_TRUE(inOrder(s.log, {"main returned", "ExceptionDescribe java.lang.RuntimeException: boom", "detach"}))
        << s.describe();
    EXPECT_TRUE(linesStartingWith(s.log, "uncaught").empty()) << s.describe();
    expectCleanVm(s);
}

TEST(VmHost, PathsOutsideTheCodePageReachTheVmByTheirShortNames) {
    // Katakana, which the prefix's ANSI code page (1252) cannot hold.
    AppDir app = vmApp(L"vm-\u30a2\u30d7\u30ea",
                       javaIni("test.Echo", "\\lib\\app.jar",
                               "Library Path=C:\\libs\r\nVirtual Machine Parameters=-Dtestvm.openclasspath=1\r\n"));
    app.write(L"lib\\app.jar");
    Started s = app.start();
    EXPECT_EQ(s.result.exitCode, 0u) << s.describe();
    EXPECT_NE(findLine(s.log, "main returned"), s.log.size()) << s.describe();

    // The VM got short forms it can open, not question marks.
    wchar_t shortFolder[MAX_PATH];
    ASSERT_GT(GetShortPathNameW((app.path() + L"\\").c_str(), shortFolder, MAX_PATH), 0u);
    std::vector<std::string> options = testVmOptions(s.log);
    ASSERT_GE(options.size(), 2u) << s.describe();
    EXPECT_EQ(options[0].find("-Djava.library.path=C:\\libs;" + narrow(shortFolder) + ";.;"), 0u) << s.describe();
    EXPECT_EQ(options[1], "-Djava.class.path=" + narrow(shortFolder) + "lib\\app.jar") << s.describe();
    // The runtime's lib folder does not exist and so has no short name: it stays, and the trace says so.
    EXPECT_TRUE(s.traced("library path entry the code page cannot hold and that has no short name")) << s.describe();
    expectCleanVm(s);
}

TEST(VmHost, AnExceptionWhoseTextCannotBeReadIsStillPrintedAndLeavesNoErrorPending) {
    // The VM cannot hand out the rendered stack trace (it holds "boom"), as when out of memory.
    AppDir app = vmApp(L"vm-uncaught-no-text");
    app.writeIni(javaIni("test.Throw", "\\app.jar", "Virtual Machine Parameters=-Dtestvm.utfcharsfail=boom\r\n",
                         "Failure Check=yes\r\nError File=" + expected(app, L"err.txt") + "\r\n"));
    Started s = app.start();
    EXPECT_EQ(s.result.exitCode, 0xFFFFFFFFu) << s.describe();
    EXPECT_EQ(fileText(app.file(L"err.txt")), "java.lang.RuntimeException: boom\r\n\tat test.Throw.main(Throw.java)\r\n");
    expectCleanVm(s);
}

TEST(VmHost, DestroyingTheVmWaitsForNonDaemonThreads) {
    AppDir app = vmApp(L"vm-non-daemon",
                       javaIni("test.NonDaemon", "\\app.jar", "Virtual Machine Parameters=-Dtestvm.sleepms=1000\r\n"));
    Started s = app.start();
    EXPECT_EQ(s.result.exitCode, 0u) << s.describe();
    EXPECT_TRUE(inOrder(s.log, {"main returned", "detach", "destroy begin", "non-daemon done", "destroy end"}))
        << s.describe();
    expectCleanVm(s);
}

TEST(VmHost, WithIbmRuntimesAdmittedTheVmThreadStaysAfterMain) {
    AppDir app = vmApp(L"vm-keep-attached", echoIni("VM Provider=ibm\r\n"));
    Started s = app.start(L"a", RunOptions::within(6000));
    EXPECT_TRUE(s.result.timedOut) << s.describe();
    EXPECT_TRUE(inOrder(s.log, {"main args=1", "main returned"})) << s.describe();
    EXPECT_EQ(findLine(s.log, "detach"), s.log.size()) << s.describe();
}

// Not from the current directory, nor from Path ahead of the runtime's bin folder.
TEST(VmHost, TheVmLibrarysImportsComeFromTheRuntimesBinFolder) {
    AppDir app(L"vm-dll-search");
    app.privateTestVm(windowsPath(PROBE_VM_DLL)).writeIni(echoIni());
    for (const wchar_t* to : {L"jre\\bin\\", L"cwd\\", L"on-path\\"}) app.copy(windowsPath(PROBE_DLL), to + std::wstring(L"qzprobe.dll"));
    for (int onPath = 0; onPath < 2; ++onPath) {
        RunOptions options;
        options.currentDirectory = onPath ? app.path() : app.file(L"cwd");
        if (onPath) options.env[L"Path"] = app.file(L"on-path") + L";" + environmentValue(L"Path");
        Started s = app.start(L"", options);
        EXPECT_EQ(s.log, std::vector<std::string>{"probe " + expected(app, L"jre\\bin\\qzprobe.dll")}) << s.describe();
    }
}

// --- failures ----------------------------------------------------------------------

TEST(VmHost, AVmLibraryThatCannotBeLoadedPrintsMessage222) {
    AppDir app = vmApp(L"vm-bad-library");
    app.write(L"jre\\bin\\client\\jvm.dll");  // not an image
    Started s = app.start();
    EXPECT_EQ(s.result.out, "Error: Failed to load Java VM library: " + expected(app, L"jre\\bin\\client\\jvm.dll") +
                                " (errno = 193).\r\n \r\n");
    EXPECT_EQ(s.result.exitCode, kFailed);
}

TEST(VmHost, AVmLibraryWithoutTheEntryPointPrintsMessage202) {
    AppDir app = vmApp(L"vm-no-export");
    app.copy(app.exe(), L"jre\\bin\\client\\jvm.dll");  // an image without the JNI exports: the launcher itself
    Started s = app.start();
    EXPECT_EQ(s.result.out, "Error: Windows exception: cannot find CreateJavaVM JNI (errno = 127).\r\n \r\n");
    EXPECT_EQ(s.result.exitCode, kFailed);
}

TEST(VmHost, FailedCreationPrintsMessage203WithTheReason) {
    AppDir app = vmApp(L"vm-create-failed");
    const char* reasons[] = {"unknown",           "thread detached from VM", "JNI version error", "not enough memory",
                             "VM already created", "invalid arguments",       ""};
    for (int i = 0; i < 7; ++i) {
        RunOptions options;
        options.env[L"TESTVM_CREATE_RESULT"] = widen(std::to_string(-1 - i));
        Started s = app.start(L"", options);
        EXPECT_EQ(s.result.out, std::string("Error: JNI exception: failed to create the Java VM\r\nReason: ") +
                                    reasons[i] + ".\r\n \r\n")
            << s.describe();
        EXPECT_EQ(s.result.exitCode, kFailed);
        EXPECT_TRUE(inOrder(s.log, {"create failed " + std::to_string(-1 - i)})) << s.describe();
        EXPECT_EQ(findLine(s.log, "destroy begin"), s.log.size()) << s.describe();
    }
}

TEST(VmHost, AnOptionTheVmRejectsFailsCreation) {
    AppDir app = vmApp(L"vm-rejected-option", echoIni("Virtual Machine Parameters=-Xbogus\r\n"));
    Started s = app.start();
    EXPECT_EQ(s.result.out, "Error: JNI exception: failed to create the Java VM\r\nReason: invalid arguments.\r\n \r\n");
    EXPECT_TRUE(contains(s.result.err, "Unrecognized option: -Xbogus")) << s.describe();
    EXPECT_EQ(s.result.exitCode, kFailed);
}

TEST(VmHost, AMissingMainClassIsDescribedThenReported) {
    AppDir app = vmApp(L"vm-missing-class", javaIni("com.example.Missing", "\\app.jar"));
    Started s = app.start();
    EXPECT_EQ(s.result.out, "Error: Could not find the main class com/example/Missing.\r\n \r\n");
    EXPECT_TRUE(contains(s.result.err, "Exception in thread \"main\" java.lang.NoClassDefFoundError: com/example/Missing"))
        << s.describe();
    EXPECT_EQ(s.result.exitCode, kFailed);
    // The thread detached, so the teardown's DestroyJavaVM returned.
    EXPECT_TRUE(inOrder(s.log, {"FindClass com/example/Missing", "detach", "destroy begin", "strings held=0", "destroy end"}))
        << s.describe();
    expectCleanVm(s);
}

TEST(VmHost, AClassWithoutMainPrintsMessage216) {
    AppDir app = vmApp(L"vm-no-main");
    for (bool methodError : {true, false}) {
        app.writeIni(javaIni("test.NoMain", "\\app.jar",
                             methodError ? "" : "Virtual Machine Parameters=-Dtestvm.methoderror=0\r\n"));
        Started s = app.start();
        EXPECT_EQ(s.result.out, "Error: No main method found in specified class.\r\n \r\n") << s.describe();
        // A VM that raises NoSuchMethodError has it described first.
        EXPECT_EQ(contains(s.result.err, "java.lang.NoSuchMethodError: main"), methodError) << s.describe();
        EXPECT_EQ(s.result.exitCode, kFailed);
        EXPECT_TRUE(inOrder(s.log, {"detach", "destroy end"})) << s.describe();
        expectCleanVm(s);
    }
}

TEST(VmHost, AnEmptyClassPathPrintsMessage209AndStartsTheVmWithoutTheRest) {
    AppDir app = vmApp(
        L"vm-empty-class-path",
        javaIni("test.Echo", "\\missing\\*.jar", "Virtual Machine Parameters=-Dnot=read\r\n", "Cmd=not-read\r\n"));
    Started s = app.start(L"a");
    // The message waits in the launcher's buffered standard output; the Java
    // program writes to the handle directly.
    EXPECT_TRUE(contains(s.result.out, "Error: Java Class Path was not specified in INI file. \r\n")) << s.describe();
    EXPECT_TRUE(contains(s.result.out, "arg[0]=a\r\n")) << s.describe();
    EXPECT_FALSE(contains(s.result.out, "not-read")) << s.describe();
    EXPECT_EQ(s.result.exitCode, 0u) << s.describe();
    EXPECT_EQ(testVmOptions(s.log), (std::vector<std::string>{"abort extraInfo=set", "exit extraInfo=set"}));
}

TEST(VmHost, ClassDataSharingAddsCacheOptionsRightAfterTheClassPathOnlyWhereACacheCanBeKept) {
    // A JDK 21 without bin\java.exe: the dynamic archive, kept under LOCALAPPDATA.
    AppDir app = vmApp(L"vm-cds", echoIni("Class Data Sharing=auto\r\nVirtual Machine Parameters=-Dx=1\r\n"));
    app.write(L"jre\\release", "JAVA_VERSION=\"21.0.2\"\r\n");
    RunOptions options;
    options.env[L"LOCALAPPDATA"] = app.file(L"local");
    const std::string classPath = "-Djava.class.path=" + expected(app, L"app.jar");
    const std::vector<std::string> withoutCache{classPath, "-Dx=1", "abort extraInfo=set", "exit extraInfo=set"};
    Started s = app.start(L"", options);
    EXPECT_EQ(s.result.exitCode, 0u) << s.describe();
    std::vector<std::string> vmOptions = testVmOptions(s.log);
    ASSERT_EQ(vmOptions.size(), 7u) << s.describe();  // and the two hooks
    EXPECT_EQ(vmOptions[0], classPath);
    EXPECT_EQ(vmOptions[1], "-Xlog:cds*=off");
    EXPECT_EQ(vmOptions[2].find("-XX:SharedArchiveFile=" + expected(app, L"local\\app\\app-")), 0u) << vmOptions[2];
    EXPECT_EQ(vmOptions[3], "-XX:+AutoCreateSharedArchive");
    EXPECT_EQ(vmOptions[4], "-Dx=1");

    // That training left no archive (the test VM writes none): it is not tried again.
    s = app.start(L"", options);
    EXPECT_EQ(testVmOptions(s.log), withoutCache) << s.describe();

    // A runtime older than 13, and a folder on the class path: no options either.
    app.write(L"jre\\release", "JAVA_VERSION=\"11.0.22\"\r\n");
    s = app.start(L"", options);
    EXPECT_EQ(testVmOptions(s.log), withoutCache) << s.describe();
    app.write(L"jre\\release", "JAVA_VERSION=\"21.0.2\"\r\n");
    app.writeIni(javaIni("test.Echo", "\\app.jar;\\classes", "Class Data Sharing=auto\r\n"));
    app.write(L"classes\\a.class");
    s = app.start(L"", options);
    ASSERT_EQ(testVmOptions(s.log).size(), 3u) << s.describe();
    EXPECT_TRUE(s.traced("Class Data Sharing")) << s.describe();
}

}  // namespace

namespace {

// "Main Module" and "Module Path": the VM gets the module path and the root
// module as the java command hands them over, neither "Class Path" nor "Main
// Class" is needed, and a module that is not there, or that names no main
// class, has a message of its own.
TEST(VmHost, AMainModuleNeedsNoClassPathAndHasMessagesOfItsOwn) {
    AppDir app = vmApp(L"vm-main-module", javaIni("", "", "Main Module=test.app\r\nModule Path=\\mods;\\missing\r\n"
                                                          "Virtual Machine Parameters=-Dtestvm.modules=test.app:test.Echo\r\n"));
    app.write(L"mods\\test.app.jar");
    Started s = app.start(L"a");
    EXPECT_EQ(s.result.exitCode, 0u) << s.describe();
    EXPECT_TRUE(contains(s.result.out, "arg[0]=a\r\n")) << s.describe();
    EXPECT_EQ(testVmOptions(s.log),
              (std::vector<std::string>{"--module-path=" + expected(app, L"mods"), "-Djdk.module.main=test.app",
                                        "-Dtestvm.modules=test.app:test.Echo", "abort extraInfo=set",
                                        "exit extraInfo=set"}))
        << s.describe();
    EXPECT_TRUE(inOrder(s.log, {"Class.forName test.app test/Echo", "main args=1"})) << s.describe();
    expectCleanVm(s);

    app.writeIni(javaIni("", "", "Main Module=test.missing\r\nVirtual Machine Parameters=-Dtestvm.modules=test.app\r\n"));
    s = app.start();
    EXPECT_EQ(s.result.exitCode, kFailed) << s.describe();
    EXPECT_EQ(s.result.out, "Error occurred during initialization of boot layer\r\n"
                            "java.lang.module.FindException: Module test.missing not found\r\n"
                            "Error: The main module test.missing was not found or could not be set up (Main Module "
                            "and Module Path in the INI file).\r\n \r\n")
        << s.describe();

    app.writeIni(javaIni("", "", "Main Module=test.lib\r\nVirtual Machine Parameters=-Dtestvm.modules=test.lib\r\n"));
    s = app.start();
    EXPECT_EQ(s.result.exitCode, kFailed) << s.describe();
    EXPECT_EQ(s.result.out, "Error: The main module test.lib names no main class: give it as test.lib/<class> in Main "
                            "Module, or set Main Class.\r\n \r\n")
        << s.describe();
    expectCleanVm(s);
}

// "Main JAR": first on the class path, its manifest names the main class
// unless "Main Class" does; a JAR without Main-Class, or no JAR, is reported.
TEST(VmHost, AMainJarComesFirstOnTheClassPathAndItsManifestNamesTheMainClass) {
    AppDir app = vmApp(L"vm-main-jar", javaIni("", "\\lib\\*.jar", "Main JAR=app.jar\r\n"));
    app.write(L"app.jar", "Manifest-Version: 1.0\r\nMain-Class: test.Echo\r\n").write(L"lib\\x.jar");
    Started s = app.start(L"a");
    EXPECT_EQ(s.result.exitCode, 0u) << s.describe();
    EXPECT_TRUE(contains(s.result.out, "arg[0]=a\r\n")) << s.describe();
    EXPECT_EQ(testVmOptions(s.log), (std::vector<std::string>{"-Djava.class.path=" + expected(app, L"app.jar") + ";" +
                                                                  expected(app, L"lib\\x.jar"),
                                                              "abort extraInfo=set", "exit extraInfo=set"}))
        << s.describe();
    expectCleanVm(s);

    app.write(L"app.jar", "Manifest-Version: 1.0\r\n");
    s = app.start();
    EXPECT_EQ(s.result.exitCode, kFailed) << s.describe();
    EXPECT_EQ(s.result.out, "Error: The main JAR " + expected(app, L"app.jar") +
                                " has no Main-Class attribute in its manifest, and the INI file sets no Main Class.\r\n \r\n")
        << s.describe();

    app.writeIni(javaIni("test.Echo", "", "Main JAR=app.jar\r\n"));
    s = app.start(L"b");
    EXPECT_TRUE(contains(s.result.out, "arg[0]=b\r\n")) << s.describe();

    app.writeIni(javaIni("", "", "Main JAR=\\missing.jar\r\n"));
    s = app.start();
    EXPECT_EQ(s.result.exitCode, kFailed) << s.describe();
    EXPECT_EQ(s.result.out, "Error: The main JAR was not found: " + expected(app, L"missing.jar") + ".\r\n \r\n")
        << s.describe();
    EXPECT_TRUE(linesStartingWith(s.log, "create").empty()) << s.describe();
}

}  // namespace
