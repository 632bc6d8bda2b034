// The launcher's JNI code against every JDK installed under /usr/lib/jvm: each
// scenario runs jvm_driver in a process of its own and checks what the VM, the
// Java program and the launcher code printed, wrote and returned.
#include <glob.h>
#include <poll.h>
#include <signal.h>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Jdk {
    std::string name;    // folder under /usr/lib/jvm
    std::string libjvm;  // its server VM library
};

std::vector<Jdk> installedJdks() {
    std::vector<Jdk> jdks;
    std::set<std::string> seen;
    glob_t found;
    if (glob("/usr/lib/jvm/*/lib/server/libjvm.so", 0, nullptr, &found) == 0) {
        for (size_t i = 0; i < found.gl_pathc; ++i) {
            char real[PATH_MAX];
            if (!realpath(found.gl_pathv[i], real) || !seen.insert(real).second) continue;
            std::string path = real;
            std::string home = path.substr(0, path.find("/lib/server/"));
            Jdk jdk;
            jdk.name = home.substr(home.rfind('/') + 1);
            jdk.libjvm = path;
            jdks.push_back(jdk);
        }
    }
    globfree(&found);
    return jdks;
}

void PrintTo(const Jdk& jdk, std::ostream* os) { *os << jdk.libjvm; }

struct DriverRun {
    bool exited = false;
    int exitCode = -1;
    int signal = 0;
    bool timedOut = false;
    std::string out;
    std::string err;
};

// Runs a program; with `mergeErr` standard error goes into `out` too.
DriverRun runProgram(std::vector<std::string> args, bool mergeErr, int timeoutSeconds) {
    int outPipe[2], errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0) return DriverRun();
    pid_t pid = fork();
    if (pid == 0) {
        dup2(outPipe[1], 1);
        dup2(mergeErr ? outPipe[1] : errPipe[1], 2);
        close(outPipe[0]);
        close(outPipe[1]);
        close(errPipe[0]);
        close(errPipe[1]);
        // The VM takes SIGSEGV for its own purposes and keeps its memory until exit.
        setenv("ASAN_OPTIONS", "handle_segv=0:allow_user_segv_handler=1:detect_leaks=0", 1);
        unsetenv("JAVA_TOOL_OPTIONS");
        unsetenv("_JAVA_OPTIONS");
        unsetenv("JDK_JAVA_OPTIONS");
        // Class files whose names have other than ASCII letters are found through
        // the file-name encoding, which follows the locale.
        setenv("LC_ALL", "C.UTF-8", 1);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(&a[0]);
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    DriverRun run;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&run.out, &run.err};
    int open = 2;
    while (open > 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            run.timedOut = true;
            kill(pid, SIGKILL);
            break;
        }
        if (poll(fds, 2, static_cast<int>(left.count())) < 0) break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
            char buffer[4096];
            ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (pollfd& f : fds) {
        if (f.fd >= 0) close(f.fd);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status)) {
        run.exited = true;
        run.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        run.signal = WTERMSIG(status);
    }
    return run;
}

// Runs the driver for one scenario.
DriverRun runDriver(const Jdk& jdk, const std::string& scenario, const std::vector<std::string>& files = {},
              bool mergeErr = false, int timeoutSeconds = 60, const std::string& classPath = JVM_TEST_CLASSES) {
    std::vector<std::string> args{JVM_DRIVER, jdk.libjvm, classPath, scenario};
    args.insert(args.end(), files.begin(), files.end());
    return runProgram(args, mergeErr, timeoutSeconds);
}

std::string describe(const DriverRun& run) {
    return "exit " + std::to_string(run.exitCode) + " signal " + std::to_string(run.signal) +
           (run.timedOut ? " TIMED OUT" : "") + "\n--- stdout:\n" + run.out + "--- stderr:\n" + run.err;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

size_t count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
    return n;
}

// Every part occurs, in this order.
::testing::AssertionResult inOrder(const std::string& text, const std::vector<std::string>& parts) {
    size_t at = 0;
    for (const std::string& part : parts) {
        size_t found = text.find(part, at);
        if (found == std::string::npos) {
            return ::testing::AssertionFailure() << "\"" << part << "\" missing (or out of order) in:\n" << text;
        }
        at = found + part.size();
    }
    return ::testing::AssertionSuccess();
}

std::string workFile(const std::string& name) {
    mkdir(JVM_TEST_WORK, 0755);
    std::string path = std::string(JVM_TEST_WORK) + "/" + name;
    unlink(path.c_str());
    return path;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const std::string& path, const std::string& content) { std::ofstream(path, std::ios::binary) << content; }

class RealJdk : public ::testing::TestWithParam<Jdk> {
protected:
    // Runs a scenario and checks what every run must show: it ended by itself
    // and -Xcheck:jni found nothing to complain about.
    DriverRun scenario(const std::string& name, const std::vector<std::string>& files = {}, bool mergeErr = false) {
        DriverRun run = runDriver(GetParam(), name, files, mergeErr);
        EXPECT_FALSE(run.timedOut) << describe(run);
        EXPECT_FALSE(contains(run.out + run.err, "WARNING in native method")) << describe(run);
        EXPECT_FALSE(contains(run.out + run.err, "WARNING: JNI")) << describe(run);
        return run;
    }
    std::string file(const std::string& name) { return workFile(GetParam().name + "-" + name); }
};

TEST(InstalledJdks, AtLeastOneIsFound) {
    EXPECT_FALSE(installedJdks().empty()) << "no JDK under /usr/lib/jvm/*/lib/server/libjvm.so: these tests need one";
}

TEST_P(RealJdk, MainReceivesTheArgumentsExactly) {
    DriverRun run = scenario("args");
    EXPECT_EQ(run.exitCode, 0) << describe(run);
    EXPECT_TRUE(inOrder(run.out, {"count 6\n",
                                  "arg 0: 006f 006e 0065\n",
                                  "arg 1:\n",
                                  "arg 2: 0074 0077 006f 0020 0077 006f 0072 0064 0073\n",
                                  "arg 3: 00e9 20ac\n",
                                  "arg 4: d834 dd1e\n",
                                  "arg 5: 0074 0061 0062 0009 0068 0065 0072 0065\n",
                                  "test.prop=a b\n",
                                  "driver: vm thread 0\n", "driver: destroyed\n"}));
    EXPECT_TRUE(contains(run.err, "err line\n"));
    // The VM accepted the launcher's own rewritten options, -Xss1m included.
    EXPECT_TRUE(contains(run.out, "driver: thread stack size 1048576\n"));
}

TEST_P(RealJdk, MainWithoutArgumentsGetsAnEmptyArray) {
    DriverRun run = scenario("no-args");
    EXPECT_EQ(run.exitCode, 0) << describe(run);
    EXPECT_TRUE(inOrder(run.out, {"count 0\n", "driver: vm thread 0\n"}));
}

TEST_P(RealJdk, RedirectionTruncatesOrAppends) {
    const std::string out = file("out.txt"), err = file("err.txt");
    writeFile(out, "old out\n");
    writeFile(err, "old err\n");
    DriverRun run = scenario("redirect", {out, err});
    EXPECT_EQ(run.exitCode, 0) << describe(run);
    EXPECT_EQ(readFile(out), "count 1\narg 0: 0072 0065 0064 0069 0072 0065 0063 0074 0065 0064\ntest.prop=a b\n");
    EXPECT_EQ(readFile(err), "err line\n");
    EXPECT_FALSE(contains(run.out, "count"));
    EXPECT_FALSE(contains(run.err, "err line"));

    run = scenario("redirect-append", {out, err});
    EXPECT_EQ(run.exitCode, 0) << describe(run);
    EXPECT_EQ(readFile(out), "count 1\narg 0: 0072 0065 0064 0069 0072 0065 0063 0074 0065 0064\ntest.prop=a b\n"
                             "count 1\narg 0: 0072 0065 0064 0069 0072 0065 0063 0074 0065 0064\ntest.prop=a b\n");
    EXPECT_EQ(readFile(err), "err line\nerr line\n");
}

TEST_P(RealJdk, AFileThatCannotBeOpenedLeavesTheStreamAndPrintsTheException) {
    const std::string out = file("no-such-folder") + "/out.txt";
    DriverRun run = scenario("redirect-bad", {out});
    EXPECT_EQ(run.exitCode, 0) << describe(run);
    EXPECT_TRUE(contains(run.err, "java.io.FileNotFoundException")) << describe(run);
    EXPECT_TRUE(contains(run.err, out)) << describe(run);
    EXPECT_TRUE(inOrder(run.out, {"count 0\n", "driver: vm thread 0\n"}));
}

TEST_P(RealJdk, AMainClassNamedInOtherLettersIsFoundByEveryCall) {
    DriverRun run = scenario("named");
    EXPECT_EQ(run.exitCode, 0) << describe(run);
    EXPECT_TRUE(inOrder(run.out, {"named running\n", "named secondaryMain: a\n", "driver: reply 41\n",
                                  "driver: called\n", "named stop called\n", "named stopped\n",
                                  "driver: vm thread 0\n"}))
        << describe(run);
    EXPECT_TRUE(contains(run.out, "driver: stop called\n")) << describe(run);
}

TEST_P(RealJdk, AnExceptionEndingMainFailsTheRunAndIsRenderedOnTheRedirectedStandardError) {
    const std::string err = file("trace.txt");
    DriverRun run = scenario("throw-check", {err});
    EXPECT_EQ(run.exitCode, 1) << describe(run);  // the VM thread's status: main failed
    std::string trace = readFile(err);
    EXPECT_TRUE(inOrder(trace, {"java.lang.IllegalStateException: boom", "at test.Throw.inner(Throw.java:",
                                "at test.Throw.outer(Throw.java:", "at test.Throw.main(Throw.java:"}))
        << trace;
    EXPECT_EQ(count(trace, "boom"), 1u) << trace;
    // Handled: the VM's own uncaught-exception report does not follow.
    EXPECT_FALSE(contains(trace, "Exception in thread")) << trace;
    EXPECT_FALSE(contains(run.err, "boom")) << describe(run);
}

TEST_P(RealJdk, WithoutFailureCheckTheExceptionIsDescribedOnceAndFailsTheRun) {
    const std::string err = file("uncaught.txt");
    DriverRun run = scenario("throw-nocheck", {err});
    EXPECT_EQ(run.exitCode, 1) << describe(run);
    // Handed to the thread's uncaught-exception handler before the thread
    // detaches, as the java command does, so the VM does not report it again.
    std::string trace = readFile(err);
    EXPECT_TRUE(inOrder(trace, {"Exception in thread \"main\" java.lang.IllegalStateException: boom",
                                "at test.Throw.inner(Throw.java:"}))
        << trace << describe(run);
    EXPECT_EQ(count(trace, "boom"), 1u) << trace;
}

TEST_P(RealJdk, TheHandlerRendersTheTraceAndLeavesNothingPending) {
    DriverRun run = scenario("render");
    EXPECT_EQ(run.exitCode, 0) << describe(run);
    EXPECT_TRUE(contains(run.out, "driver: nothing pending\n")) << describe(run);
    EXPECT_TRUE(inOrder(run.out, {"driver: rendered<<java.lang.IllegalStateException: boom\n",
                                  "\tat test.Throw.inner(Throw.java:", "\tat test.Throw.main(Throw.java:", ">>"}))
        << describe(run);
    // The same text, to the character, went to the program's System.err.
    const size_t start = run.out.find("driver: rendered<<");
    ASSERT_NE(start, std::string::npos) << describe(run);
    const size_t from = start + 18, to = run.out.find(">>", from);
    ASSERT_NE(to, std::string::npos) << describe(run);
    const std::string rendered = run.out.substr(from, to - from);
    EXPECT_GT(count(rendered, "\tat "), 2u) << rendered;
    EXPECT_TRUE(contains(run.err, rendered)) << describe(run);
    EXPECT_EQ(count(run.err, "boom"), 1u) << describe(run);
    EXPECT_TRUE(contains(run.out, "driver: detached\n"));
}

TEST_P(RealJdk, AMissingClassIsDescribedThenReportedAndTheVmStillEnds) {
    DriverRun run = scenario("missing-class", {}, true);
    EXPECT_EQ(run.exitCode, 1) << describe(run);
    EXPECT_TRUE(inOrder(run.out, {"java.lang.NoClassDefFoundError: test/Missing",
                                  "Error: Could not find the main class test/Missing.\n \n", "driver: vm thread 1\n",
                                  "driver: destroyed\n"}));
}

TEST_P(RealJdk, AClassWithoutMainIsReported) {
    DriverRun run = scenario("no-main", {}, true);
    EXPECT_EQ(run.exitCode, 1) << describe(run);
    EXPECT_TRUE(inOrder(run.out, {"java.lang.NoSuchMethodError", "Error: No main method found in specified class.\n \n",
                                  "driver: vm thread 1\n", "driver: destroyed\n"}));
    EXPECT_FALSE(contains(run.out, "wrong main"));
}

TEST_P(RealJdk, DestroyingTheVmWaitsForNonDaemonThreads) {
    DriverRun run = scenario("nondaemon");
    EXPECT_EQ(run.exitCode, 0) << describe(run);
    EXPECT_TRUE(inOrder(run.out, {"main done\n", "driver: vm thread 0\n", "driver: destroying\n", "worker done\n",
                                  "driver: destroyed\n"}));
}

TEST_P(RealJdk, SystemExitReachesTheExitHookAndEndsTheProcess) {
    DriverRun run = scenario("exit");
    EXPECT_TRUE(run.exited) << describe(run);
    EXPECT_EQ(run.exitCode, 3) << describe(run);
    EXPECT_TRUE(inOrder(run.out, {"exiting with 3\n", "driver: onExit 3\n"}));
    EXPECT_FALSE(contains(run.out, "driver: vm thread"));
}

TEST_P(RealJdk, AVmCrashReachesTheAbortHook) {
    const std::string report = file("hs_err.log");
    DriverRun run = scenario("abort", {report});
    // The VM ends the process itself after its error report (with 1 when no core is dumped).
    EXPECT_TRUE(run.exitCode == 1 || run.signal == SIGABRT) << describe(run);
    EXPECT_TRUE(inOrder(run.out, {"A fatal error has been detected", "driver: onAbort\n"})) << describe(run);
    EXPECT_FALSE(contains(run.out, "still alive"));
    EXPECT_FALSE(contains(run.out, "driver: onExit"));
    EXPECT_FALSE(contains(run.out, "driver: vm thread"));
}

// The guard of every scenario: -Xcheck:jni is on and its complaints are seen.
TEST_P(RealJdk, CheckedJniReportsMisuse) {
    DriverRun run = runDriver(GetParam(), "misuse");
    EXPECT_TRUE(contains(run.out + run.err, "WARNING in native method")) << describe(run);
}

TEST_P(RealJdk, StopFromAnAttachedThreadEndsMain) {
    DriverRun run = scenario("stop");
    EXPECT_EQ(run.exitCode, 0) << describe(run);
    // The stop thread may call in before main has printed its first line.
    EXPECT_TRUE(inOrder(run.out, {"driver: Echo.stop not called\n", "stop called\n", "driver: Service.stop called\n",
                                  "driver: detached\n"}))
        << describe(run);
    EXPECT_TRUE(inOrder(run.out, {"service running\n", "service stopped\n", "driver: vm thread 0\n", "driver: destroyed\n"}));
    // A class without "stop": the lookup's exception is printed.
    EXPECT_TRUE(contains(run.err, "java.lang.NoSuchMethodError")) << describe(run);
}

TEST_P(RealJdk, SecondaryMainIntFormAnswersAfterTheCall) {
    DriverRun run = scenario("secondary");
    EXPECT_EQ(run.exitCode, 0) << describe(run);
    EXPECT_TRUE(inOrder(run.out, {"driver: ready\n", "driver: Echo not called\n", "secondaryMain int: a,b\n",
                                  "driver: reply 42\n", "driver: called\n", "driver: detached\n"}))
        << describe(run);
    EXPECT_TRUE(contains(run.out, "first instance done\n"));
    EXPECT_EQ(count(run.out, "driver: reply"), 1u);
    EXPECT_TRUE(contains(run.err, "java.lang.NoSuchMethodError")) << describe(run);
}

TEST_P(RealJdk, SecondaryMainVoidFormIsAnsweredBeforeTheCall) {
    DriverRun run = scenario("secondary-void");
    EXPECT_EQ(run.exitCode, 0) << describe(run);
    EXPECT_TRUE(inOrder(run.out, {"driver: reply 0\n", "secondaryMain void: a,b\n", "driver: called\n"}))
        << describe(run);
    EXPECT_TRUE(contains(run.out, "first instance done\n"));
}

TEST_P(RealJdk, AnOptionTheVmRejectsFailsCreationWithMessage203) {
    DriverRun run = scenario("create-fail");
    EXPECT_EQ(run.exitCode, 1) << describe(run);
    EXPECT_TRUE(contains(run.out, "Error: JNI exception: failed to create the Java VM\nReason: unknown.\n \n"))
        << describe(run);
    EXPECT_TRUE(contains(run.out + run.err, "-Xbogus")) << describe(run);
    EXPECT_TRUE(contains(run.out, "driver: vm thread 1\n"));
}

// A VM reads an empty class path entry as the current directory; the launcher's class path has none.
TEST_P(RealJdk, AClassOnlyInTheCurrentDirectoryIsNotFound) {
    DriverRun run = runDriver(GetParam(), "planted", {JVM_PLANTED, JVM_PLANTED}, true, 60, "\\app.jar;;");
    EXPECT_TRUE(contains(run.out, "Error: Could not find the main class Planted.")) << describe(run);
    EXPECT_FALSE(contains(run.out, "planted code ran"));
}

TEST_P(RealJdk, TheDefaultThreadStackSizeIsTheVms) {
    DriverRun run = scenario("default-stack");
    EXPECT_EQ(run.exitCode, 0) << describe(run);
    // HotSpot's default on x86_64 Linux is 1 MiB.
    EXPECT_TRUE(contains(run.out, "driver: default stack size 1048576\n")) << describe(run);
}

// --- the start-up cache ---------------------------------------------------------------

// Children that the driver left running (the AOT cache assembly) come to this
// process when the driver ends; waits until every one of them has ended.
bool waitForOrphans(int timeoutSeconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    for (;;) {
        pid_t pid = waitpid(-1, nullptr, WNOHANG);
        if (pid < 0 && errno == ECHILD) return true;
        if (pid == 0) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
}

std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    glob_t found;
    if (glob((folder + "*").c_str(), 0, nullptr, &found) == 0) {
        for (size_t i = 0; i < found.gl_pathc; ++i) names.push_back(std::string(found.gl_pathv[i]).substr(folder.size()));
    }
    globfree(&found);
    return names;
}

std::string withSuffix(const std::vector<std::string>& names, const std::string& suffix) {
    for (const std::string& n : names) {
        if (n.size() > suffix.size() && n.compare(n.size() - suffix.size(), suffix.size(), suffix) == 0) return n;
    }
    return std::string();
}

int majorVersionOf(const Jdk& jdk) {
    const std::string release = readFile(jdk.libjvm.substr(0, jdk.libjvm.find("/lib/server/")) + "/release");
    const size_t at = release.find("JAVA_VERSION=\"");
    return at == std::string::npos ? 0 : atoi(release.c_str() + at + 14);
}

class CacheStarts : public RealJdk {
protected:
    void SetUp() override {
        prctl(PR_SET_CHILD_SUBREAPER, 1);
        folder_ = file("cds") + "/";
        for (const std::string& name : filesIn(folder_)) unlink((folder_ + name).c_str());
        trace_ = file("cds-trace.txt");
        jar_ = file("app.jar");
        writeFile(jar_, readFile(JVM_TEST_JAR));
    }
    // A start of test/Echo with the setting; `classes` receives the VM's class loading log.
    DriverRun start(const std::string& setting, const std::string& classes, const std::string& folder = "") {
        setenv("QZ_LAUNCHER_LOG", trace_.c_str(), 1);
        DriverRun run = runDriver(GetParam(), "cache", {setting, folder.empty() ? folder_ : folder, classes}, false, 120,
                                  jar_);
        unsetenv("QZ_LAUNCHER_LOG");
        EXPECT_FALSE(run.timedOut) << describe(run);
        EXPECT_FALSE(contains(run.out + run.err, "WARNING in native method")) << describe(run);
        EXPECT_EQ(run.exitCode, 0) << describe(run);
        EXPECT_TRUE(waitForOrphans(120)) << "the cache assembly did not end";
        return run;
    }
    std::string folder_, trace_, jar_;
};

// The second start takes the program's classes from the cache the first one
// made, and neither prints anything a start without the key does not.
TEST_P(CacheStarts, TheSecondStartUsesTheCacheAndTheStreamsStayAsTheyAre) {
    const bool aot = majorVersionOf(GetParam()) >= 25;
    const DriverRun plain = start("", file("classes-0.txt"));
    EXPECT_TRUE(filesIn(folder_).empty());
    EXPECT_TRUE(contains(plain.out, "count 0\n")) << describe(plain);

    const std::string firstLog = file("classes-1.txt"), secondLog = file("classes-2.txt");
    const DriverRun first = start("auto", firstLog);
    EXPECT_EQ(first.out, plain.out);
    EXPECT_EQ(first.err, plain.err);
    const std::vector<std::string> made = filesIn(folder_);
    const std::string cache = withSuffix(made, aot ? ".aot" : ".jsa");
    ASSERT_FALSE(cache.empty()) << readFile(trace_);
    EXPECT_FALSE(withSuffix(made, ".tried").empty());
    EXPECT_TRUE(contains(readFile(firstLog), "test.Echo source: file:")) << readFile(firstLog);

    const DriverRun second = start("auto", secondLog);
    EXPECT_EQ(second.out, plain.out);
    EXPECT_EQ(second.err, plain.err);
    const std::string classes = readFile(secondLog);
    EXPECT_TRUE(contains(classes, "test.Echo source: shared objects file")) << classes;
    EXPECT_TRUE(contains(readFile(trace_), aot ? "AOT cache " + folder_ + cache + " is used"
                                               : "archive " + folder_ + cache + " is used"))
        << readFile(trace_);
    if (aot) EXPECT_TRUE(withSuffix(filesIn(folder_), ".aotconf").empty()) << "the configuration was left";

    // A new build of the program: the old cache goes, the next start trains anew.
    struct timespec later[2] = {{time(nullptr) + 10, 0}, {time(nullptr) + 10, 0}};
    utimensat(AT_FDCWD, jar_.c_str(), later, 0);
    const std::string thirdLog = file("classes-3.txt");
    const DriverRun third = start("auto", thirdLog);
    EXPECT_EQ(third.out, plain.out);
    const std::vector<std::string> now = filesIn(folder_);
    EXPECT_EQ(std::find(now.begin(), now.end(), cache), now.end());
    EXPECT_FALSE(withSuffix(now, aot ? ".aot" : ".jsa").empty());
    EXPECT_TRUE(contains(readFile(thirdLog), "test.Echo source: file:")) << readFile(thirdLog);
}

// A training start still shows the VM's reason for refusing an option.
TEST_P(CacheStarts, ATrainingStartStillShowsWhyTheVmRefusedAnOption) {
    setenv("QZ_LAUNCHER_LOG", trace_.c_str(), 1);
    DriverRun run = runDriver(GetParam(), "cache", {"auto", folder_, file("c.txt"), "-Xss1k"}, true, 120, jar_);
    unsetenv("QZ_LAUNCHER_LOG");
    EXPECT_TRUE(contains(readFile(trace_), "options added:")) << readFile(trace_);
    EXPECT_TRUE(inOrder(run.out, {"The Java thread stack size specified is too small", "Error: JNI exception"}));
}

// A VM that cannot write its archive when the program ends fails the start:
// with a folder that takes no files, the start stays as it is without the key.
TEST_P(CacheStarts, AFolderThatTakesNoFilesLeavesTheStartAsItIs) {
    const DriverRun plain = start("", file("classes-0.txt"));
    const DriverRun run = start("auto", file("classes-1.txt"), "/dev/null/cds/");
    EXPECT_EQ(run.out, plain.out);
    EXPECT_EQ(run.err, plain.err);
    EXPECT_TRUE(contains(readFile(trace_), "cannot create /dev/null/cds/")) << readFile(trace_);
}

// --- the launch forms, through app_host ------------------------------------------------

std::string homeOf(const Jdk& jdk) { return jdk.libjvm.substr(0, jdk.libjvm.find("/lib/server/")); }

class LaunchForms : public RealJdk {
protected:
    // app_host on an INI file in the programs' folder, where its relative entries start.
    DriverRun host(const std::string& keys, const std::vector<std::string>& arguments = {}, const std::string& home = "",
                   const std::string& parameters = "-Xcheck:jni", const std::string& sections = "") {
        const std::string ini = std::string(JVM_TEST_APPS) + "/" + GetParam().name + ".ini";
        writeFile(ini, "[Java Runtime Environment]\r\n" + keys + "Virtual Machine Parameters=" + parameters + "\r\n" +
                           sections);
        std::vector<std::string> args{APP_HOST, ini, home.empty() ? homeOf(GetParam()) : home};
        args.insert(args.end(), arguments.begin(), arguments.end());
        DriverRun run = runProgram(args, true, 120);
        EXPECT_FALSE(run.timedOut) << describe(run);
        EXPECT_FALSE(contains(run.out, "WARNING")) << describe(run);
        return run;
    }
};

TEST_P(LaunchForms, AMainModuleByNameByClassAndFromAnImage) {
    DriverRun run = host("Main Module=test.app\r\nModule Path=\\mods\r\n", {"a", "b"});
    EXPECT_EQ(run.exitCode, 0) << describe(run);
    // The main class from the descriptor, in its module, which sees only what test.lib exports.
    EXPECT_TRUE(inOrder(run.out, {"main of test.app [a,b] hello from test.lib\n", "test.lib.internal exported: false\n",
                                  "main class property: test.app.Main\n"}))
        << describe(run);

    run = host("Main Module=test.app/test.app.Other\r\nModule Path=\\mods\\test.app.jar;mods\\test.lib.jar\r\n");
    EXPECT_EQ(run.exitCode, 0) << describe(run);
    EXPECT_TRUE(contains(run.out, "other of test.app\n")) << describe(run);

    // A module that is not there ends the VM's creation: its reason, then the launcher's message and -1.
    run = host("Main Module=test.missing\r\nModule Path=\\mods\r\n");
    EXPECT_EQ(run.exitCode, 255) << describe(run);
    EXPECT_TRUE(inOrder(run.out, {"Module test.missing not found", "Error: The main module test.missing was not found "
                                                                   "or could not be set up (Main Module and Module Path"}))
        << describe(run);

    run = host("Main Module=test.lib\r\nModule Path=\\mods\r\n");
    EXPECT_EQ(run.exitCode, 255) << describe(run);
    EXPECT_TRUE(contains(run.out, "Error: The main module test.lib names no main class: give it as test.lib/<class> in "
                                  "Main Module, or set Main Class.\n"))
        << describe(run);

    // A jlink image that holds the program's modules needs no module path.
    const std::string home = homeOf(GetParam()), image = file("image");
    struct stat jmods;
    const std::string modules = std::string(JVM_TEST_APPS) + "/mods" +
                                (stat((home + "/jmods").c_str(), &jmods) == 0 ? ":" + home + "/jmods" : "");
    ASSERT_EQ(system(("rm -rf " + image + " && " + home + "/bin/jlink --module-path " + modules +
                      " --add-modules test.app --output " + image).c_str()),
              0);
    run = host("Main Module=test.app\r\n", {"image"}, image);
    EXPECT_EQ(run.exitCode, 0) << describe(run);
    EXPECT_TRUE(contains(run.out, "main of test.app [image] hello from test.lib\n")) << describe(run);
}

// examples/modular as its INI file says to build and start it.
TEST_P(LaunchForms, TheModularExampleStartsAsItsIniFileSays) {
    DriverRun run = runProgram({APP_HOST, std::string(JVM_TEST_APPS) + "/modular/greeter.ini", homeOf(GetParam()), "Reader"},
                               true, 120);
    EXPECT_EQ(run.exitCode, 0) << describe(run);
    EXPECT_EQ(run.out, "Hello, Reader!\nmodule: com.example.greeter\n") << describe(run);
}

TEST_P(LaunchForms, AnExecutableJarWithItsManifestsAttributes) {
    DriverRun run = host("Main JAR=\\jar\\app.jar\r\n");
    EXPECT_EQ(run.exitCode, 0) << describe(run);
    EXPECT_TRUE(inOrder(run.out, {"jar main: helper from helper.jar\n", "java.lang open: true\n", "agent loaded: true\n"}))
        << describe(run);

    run = host("Main JAR=jar\\lib\\helper.jar\r\n");
    EXPECT_EQ(run.exitCode, 255) << describe(run);
    EXPECT_TRUE(contains(run.out, "Error: The main JAR " + std::string(JVM_TEST_APPS) +
                                      "/jar/lib/helper.jar has no Main-Class attribute in its manifest"))
        << describe(run);
}

TEST_P(LaunchForms, AnInstanceMainRunsOnJdk25AndIsNamedOnOlderRuntimes) {
    DriverRun run = host("Main Class=test.InstanceMain\r\n", {}, "", "-Xcheck:jni",
                         "[Class Path]\r\nClass Path=\\..\\classes\r\n");
    if (majorVersionOf(GetParam()) >= 25) {
        EXPECT_EQ(run.exitCode, 0) << describe(run);
        EXPECT_TRUE(contains(run.out, "instance main of test.InstanceMain\n")) << describe(run);
    } else {
        EXPECT_EQ(run.exitCode, 255) << describe(run);
        EXPECT_TRUE(inOrder(run.out, {"java.lang.NoSuchMethodError", "Error: No static main(String[]) method found in "
                                      "class test/InstanceMain; its main method of another form needs Java 25 or later"}))
            << describe(run);
    }
}

TEST_P(LaunchForms, TheSecondStartOfAModularProgramUsesTheStartUpCache) {
    if (majorVersionOf(GetParam()) < 25) GTEST_SKIP() << "the AOT cache of a main module needs JDK 25";
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    const std::string local = file("local");
    ASSERT_EQ(system(("rm -rf " + local).c_str()), 0);
    setenv("LOCALAPPDATA", local.c_str(), 1);
    auto start = [&](const std::string& log) {
        DriverRun run = host("Main Module=test.app\r\nModule Path=\\mods\r\nClass Data Sharing=auto\r\n", {}, "",
                             "-Xcheck:jni -Xlog:class+load=info:file=" + log,
                             "[Product Information]\r\nProduct Name=Modular\r\n");
        EXPECT_EQ(run.exitCode, 0) << describe(run);
        EXPECT_TRUE(waitForOrphans(120)) << "the cache assembly did not end";
        return run;
    };
    const std::string firstLog = file("modular-1.txt"), secondLog = file("modular-2.txt");
    const DriverRun first = start(firstLog);
    EXPECT_TRUE(contains(readFile(firstLog), "test.app.Main source: file:")) << readFile(firstLog);
    EXPECT_FALSE(withSuffix(filesIn(local + "/Modular/"), ".aot").empty());
    const DriverRun second = start(secondLog);
    EXPECT_TRUE(contains(readFile(secondLog), "test.app.Main source: shared objects file")) << readFile(secondLog);
    EXPECT_EQ(first.out, second.out);
    unsetenv("LOCALAPPDATA");
}

INSTANTIATE_TEST_SUITE_P(Installed, LaunchForms, ::testing::ValuesIn(installedJdks()),
                         [](const ::testing::TestParamInfo<Jdk>& info) {
                             std::string name;
                             for (char c : info.param.name) name += isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(LaunchForms);

INSTANTIATE_TEST_SUITE_P(Installed, CacheStarts, ::testing::ValuesIn(installedJdks()),
                         [](const ::testing::TestParamInfo<Jdk>& info) {
                             std::string name;
                             for (char c : info.param.name) name += isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(CacheStarts);

INSTANTIATE_TEST_SUITE_P(Installed, RealJdk, ::testing::ValuesIn(installedJdks()),
                         [](const ::testing::TestParamInfo<Jdk>& info) {
                             std::string name;
                             for (char c : info.param.name) name += isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(RealJdk);

}  // namespace
