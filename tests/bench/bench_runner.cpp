// Start-up benchmark of the launcher, run under wine64 by scripts/bench.sh.
//
// It builds its cases under the build's test-work folder and in the registry of
// the prefix it runs in, then starts every case in turn, round after round, so
// that drift of the machine touches all cases alike. Each start is timed from
// CreateProcess until the process has ended. The Java program is the test VM's
// test/Return, whose main returns at once. Printed: median, quartiles and
// extremes per case, the launcher's overhead against a host that does nothing
// but run the same main through the same VM library, how the cost grows with
// registered runtimes, class-path wildcards and a long "Class Path" value, the
// peak working set before the VM library is loaded, and the product's size.
//
// Usage: bench_runner [--runs <n>] [--product <32-bit launcher.exe>]
#include "support/process.h"
#include "support/runtime_fixtures.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

const wchar_t kFamily[] = L"Software\\JavaSoft\\Java Runtime Environment";
const wchar_t kRealVersion[] = L"1.8.0_400";  // above every filler: the one chosen
const int kMaxRegistered = 1000;
const int kWarmUpRounds = 2;
const int kPeakRuns = 5;

// The cases, in the order of the table.
enum : size_t {
    kHost,
    kThreadedHost,
    kMinimal,
    kRegistered,      // 1, 100 and 1000 registered runtimes
    kWildcard = kRegistered + 3,  // 10, 1000 and 10000 files
    kLongValue = kWildcard + 3,   // "Class Path" values of 256 KB and 1 MB
    kCases = kLongValue + 2
};

// Owns the handles of a started process.
struct ProcessHandles {
    PROCESS_INFORMATION info = {};
    ProcessHandles() = default;
    ProcessHandles(const ProcessHandles&) = delete;
    ProcessHandles& operator=(const ProcessHandles&) = delete;
    ~ProcessHandles() {
        if (info.hThread) CloseHandle(info.hThread);
        if (info.hProcess) CloseHandle(info.hProcess);
    }
};

double nowMs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

struct Case {
    const char* name;
    std::wstring application;
    std::wstring commandLine;
    std::wstring directory;
    int registered = 0;        // registry runtimes it needs (0: none)
    size_t minClassPathLength = 0;
    size_t minClassPathEntries = 0;
    std::vector<double> ms;
};

int retriedStarts = 0;

bool runOnce(const Case& c, double& ms, DWORD& exitCode);

// Now and then Wine cannot set up a new process ("failed to map the shared
// user data") and it ends with 1 before running any of its code; neither the
// launcher nor the minimal host ends with 1 here. Such a start is repeated.
bool runCase(const Case& c, double& ms, DWORD& exitCode) {
    for (int attempt = 0;; ++attempt) {
        if (!runOnce(c, ms, exitCode)) return false;
        if (exitCode != 1 || attempt == 2) return true;
        ++retriedStarts;
    }
}

// Starts a case and waits for its end; false when it cannot start or hangs.
bool runOnce(const Case& c, double& ms, DWORD& exitCode) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    std::wstring commandLine = c.commandLine;
    ProcessHandles process;
    const double start = nowMs();
    if (!CreateProcessW(c.application.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        c.directory.c_str(), &startup, &process.info)) {
        return false;
    }
    if (WaitForSingleObject(process.info.hProcess, 300000) != WAIT_OBJECT_0) {
        TerminateProcess(process.info.hProcess, 1);
        return false;
    }
    ms = nowMs() - start;
    return GetExitCodeProcess(process.info.hProcess, &exitCode) != 0;
}

// ------------------------------------------------------------------ registry

std::wstring fillerVersion(int i) { return L"1.7.0_" + std::to_wstring(i); }

// Holds the real runtime and `fillers` older ones registered; what it planted
// goes again with it.
class Registry {
public:
    explicit Registry(std::wstring fakeRoot) : fakeRoot_(std::move(fakeRoot)) {}
    ~Registry() { setFillers(0); }

    bool begin(const std::wstring& realHome) { return set(kRealVersion, realHome); }
    bool setFillers(int count) {
        for (; fillers_ < count; ++fillers_) {
            if (!set(fillerVersion(fillers_), fakeHome(fillers_))) return false;
        }
        for (; fillers_ > count; --fillers_) plant_.remove(HKEY_LOCAL_MACHINE, 0, key(fillerVersion(fillers_ - 1)));
        return true;
    }
    std::wstring fakeHome(int i) const { return fakeRoot_ + L"\\" + std::to_wstring(i) + L"\\"; }

private:
    static std::wstring key(const std::wstring& version) { return std::wstring(kFamily) + L"\\" + version; }
    bool set(const std::wstring& version, const std::wstring& home) {
        return plant_.set(HKEY_LOCAL_MACHINE, 0, key(version), L"JavaHome", home);
    }

    RegistryPlant plant_;
    std::wstring fakeRoot_;
    int fillers_ = 0;
};

// ------------------------------------------------------------------ set-up

std::wstring quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

// An application folder below the benchmark's: the launcher as app.exe, app.ini,
// lib\app.jar and, when `privateRuntime`, the test VM as the runtime shipped in jre\.
bool makeApp(const AppDir& app, const std::string& classPath, bool privateRuntime, Case& c) {
    app.write(L"lib\\app.jar").writeIni(javaIni("test.Return", classPath));
    if (privateRuntime) app.privateTestVm();
    c.application = app.exe();
    c.commandLine = quoted(c.application);
    c.directory = app.path();
    return app.ok();
}

std::wstring number5(int i) {
    wchar_t text[16];
    swprintf(text, 16, L"%05d", i);
    return text;
}

bool makeJars(const std::wstring& lib, int count) {
    for (int i = 0; i < count; ++i) {
        if (!writeTextFile(lib + L"\\j" + number5(i) + L".jar", "")) return false;
    }
    return true;
}

// A "Class Path" value of absolute entries, at least `bytes` long.
std::string longClassPath(const std::wstring& lib, size_t bytes, size_t& entries) {
    std::string value;
    entries = 0;
    const std::string prefix = narrow(lib) + "\\entry";
    while (value.size() < bytes) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%06zu", entries++);
        value += prefix + digits + ".jar;";
    }
    return value;
}

// ------------------------------------------------------------------ figures

struct Summary {
    double median = 0, p25 = 0, p75 = 0, min = 0, max = 0;
};

double quantile(const std::vector<double>& sorted, double q) {
    double position = q * static_cast<double>(sorted.size() - 1);
    size_t below = static_cast<size_t>(position);
    if (below + 1 >= sorted.size()) return sorted.back();
    double fraction = position - static_cast<double>(below);
    return sorted[below] + (sorted[below + 1] - sorted[below]) * fraction;
}

Summary summarize(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    Summary s;
    s.median = quantile(values, 0.5);
    s.p25 = quantile(values, 0.25);
    s.p75 = quantile(values, 0.75);
    s.min = values.front();
    s.max = values.back();
    return s;
}

// Reads the test VM's log line "option[0]=-Djava.class.path=..." of a verification run.
bool classPathOfRun(const std::wstring& log, std::string& classPath) {
    std::string text;
    if (!readTextFile(log, text)) return false;
    const std::string key = "option[0]=-Djava.class.path=";
    size_t at = text.find(key);
    if (at == std::string::npos || text.find("main returned") == std::string::npos) return false;
    size_t end = text.find('\n', at);
    classPath = text.substr(at + key.size(), end == std::string::npos ? std::string::npos : end - at - key.size());
    return true;
}

void clearEnvironment() {
    for (const wchar_t* name : {L"QZ_LAUNCHER_LOG", L"TESTVM_LOG", L"TESTVM_PEAK_WS", L"TESTVM_CREATE_RESULT",
                                L"JAVA_HOME", L"QZ_JVM_PATH", L"QZ_JVM_HOME"}) {
        SetEnvironmentVariableW(name, nullptr);
    }
}

int fail(const char* what, const char* caseName = "") {
    std::fprintf(stderr, "bench: %s %s\n", what, caseName);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = 30;
    std::wstring product;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string option = argv[i];
        if (option == "--runs") rounds = std::max(1, std::atoi(argv[i + 1]));
        if (option == "--product") product = widen(argv[i + 1]);
    }
    clearEnvironment();
    if (registryKeyExists(HKEY_LOCAL_MACHINE, 0, kFamily)) return fail("runtimes are registered in this prefix already; use a prefix of its own");

    const std::wstring root = workRoot() + L"\\bench";
    removeTree(root);
    if (!makeFolders(root)) return fail("cannot create", narrow(root).c_str());
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::printf("setting up the cases in %s\n", narrow(root).c_str());

    std::vector<Case> cases(kCases);
    Case& host = cases[kHost];
    Case& threadedHost = cases[kThreadedHost];
    Case& minimal = cases[kMinimal];
    host.name = "minimal host (same jvm.dll, same main)";
    threadedHost.name = "minimal host, VM thread and manifest";
    minimal.name = "launcher, private runtime: the minimal case";
    if (!makeApp(AppDir(L"bench\\minimal"), "\\lib\\app.jar", true, minimal)) {
        return fail("set-up failed:", minimal.name);
    }
    const std::wstring hostArguments = L" " + quoted(minimal.directory + L"\\jre\\bin\\client\\jvm.dll") + L" " +
                                       quoted(minimal.directory + L"\\lib\\app.jar;") + L" test/Return";
    host.application = windowsPath(MINIMAL_HOST_EXE);
    host.commandLine = quoted(host.application) + hostArguments;
    host.directory = minimal.directory;
    threadedHost.application = windowsPath(MINIMAL_HOST_THREADED_EXE);
    threadedHost.commandLine = quoted(threadedHost.application) + hostArguments;
    threadedHost.directory = minimal.directory;

    const int registered[] = {1, 100, kMaxRegistered};
    const char* registeredNames[] = {"1 registered runtime", "100 registered runtimes", "1000 registered runtimes"};
    for (int i = 0; i < 3; ++i) {
        Case& c = cases[kRegistered + i];
        c.name = registeredNames[i];
        c.registered = registered[i];
        if (i == 0 && !makeApp(AppDir(L"bench\\registry"), "\\lib\\app.jar", false, c)) {
            return fail("set-up failed:", c.name);
        }
        c.application = cases[kRegistered].application;
        c.commandLine = cases[kRegistered].commandLine;
        c.directory = cases[kRegistered].directory;
    }
    Registry registry(root + L"\\fake");
    for (int i = 0; i + 1 < kMaxRegistered; ++i) {
        std::wstring home = registry.fakeHome(i);
        if (!writeImageHeader(home + L"bin\\client\\jvm.dll", 0x8664)) {
            return fail("set-up failed: registered runtime homes");
        }
    }
    const std::wstring realHome = root + L"\\runtime\\";
    if (!makeFolders(realHome + L"bin\\client") ||
        !CopyFileW(testVmDll().c_str(), (realHome + L"bin\\client\\jvm.dll").c_str(), FALSE)) {
        return fail("set-up failed: registered runtime");
    }

    const int jarCounts[] = {10, 1000, 10000};
    const char* jarNames[] = {"class path wildcard, 10 files", "class path wildcard, 1000 files",
                              "class path wildcard, 10000 files"};
    for (int i = 0; i < 3; ++i) {
        Case& c = cases[kWildcard + i];
        c.name = jarNames[i];
        AppDir app(L"bench\\wildcard" + std::to_wstring(jarCounts[i]));
        if (!makeApp(app, "\\jars\\*.jar", true, c) || !makeFolders(app.file(L"jars")) ||
            !makeJars(app.file(L"jars"), jarCounts[i])) {
            return fail("set-up failed:", c.name);
        }
        c.minClassPathEntries = static_cast<size_t>(jarCounts[i]);
    }
    const size_t longBytes[] = {256 * 1024, 1024 * 1024};
    const char* longNames[] = {"256 KB \"Class Path\" value", "1 MB \"Class Path\" value"};
    size_t longEntries[2] = {0, 0};
    size_t longLength[2] = {0, 0};
    for (int i = 0; i < 2; ++i) {
        Case& c = cases[kLongValue + i];
        c.name = longNames[i];
        AppDir app(L"bench\\long" + std::to_wstring(longBytes[i] / 1024));
        std::string value = longClassPath(app.file(L"lib"), longBytes[i], longEntries[i]);
        if (!makeApp(app, value, true, c)) return fail("set-up failed:", c.name);
        c.minClassPathEntries = longEntries[i];
        c.minClassPathLength = longLength[i] = value.size();
    }

    if (!registry.begin(realHome)) return fail("cannot write the registry (run as the prefix's administrator)");

    // Every case must run the Java program, with the class path it is meant to have.
    const std::wstring verifyLog = root + L"\\verify.log";
    for (size_t i = kMinimal; i < cases.size(); ++i) {
        Case& c = cases[i];
        if (!registry.setFillers(c.registered > 0 ? c.registered - 1 : 0)) return fail("registry write failed");
        DeleteFileW(verifyLog.c_str());
        SetEnvironmentVariableW(L"TESTVM_LOG", verifyLog.c_str());
        double ms = 0;
        DWORD code = 1;
        bool ran = runCase(c, ms, code);
        SetEnvironmentVariableW(L"TESTVM_LOG", nullptr);
        std::string classPath;
        if (!ran || code != 0 || !classPathOfRun(verifyLog, classPath)) return fail("the Java program did not run:", c.name);
        size_t entries = static_cast<size_t>(std::count(classPath.begin(), classPath.end(), ';')) + 1;
        if (classPath.size() < c.minClassPathLength || entries < c.minClassPathEntries) {
            return fail("the class path is not the one configured:", c.name);
        }
    }
    for (const Case* c : {&host, &threadedHost}) {
        double ms = 0;
        DWORD code = 1;
        if (!runCase(*c, ms, code) || code != 0) return fail("the minimal host failed:", c->name);
    }

    std::printf("running %d rounds (after %d to warm up) of %zu cases, interleaved\n", rounds, kWarmUpRounds,
                cases.size());
    // Per round: the cases without fillers, then 100 and 1000 registered runtimes.
    const size_t order[] = {kHost,         kThreadedHost,     kMinimal,          kWildcard,     kWildcard + 1,
                            kWildcard + 2, kLongValue,        kLongValue + 1,    kRegistered,   kRegistered + 1,
                            kRegistered + 2};
    for (int round = 0; round < kWarmUpRounds + rounds; ++round) {
        for (size_t index : order) {
            Case& c = cases[index];
            if (!registry.setFillers(c.registered > 0 ? c.registered - 1 : 0)) return fail("registry write failed");
            double ms = 0;
            DWORD code = 1;
            if (!runCase(c, ms, code) || code != 0) {
                std::fprintf(stderr, "bench: exit code 0x%lx in round %d\n", static_cast<unsigned long>(code), round);
                return fail("a run failed:", c.name);
            }
            if (round >= kWarmUpRounds) c.ms.push_back(ms);
        }
    }
    registry.setFillers(0);

    // Peak working set when the VM library is loaded.
    const std::wstring peakFile = root + L"\\peak.txt";
    auto peakOf = [&](const Case& c, double& megabytes) {
        std::vector<double> values;
        SetEnvironmentVariableW(L"TESTVM_PEAK_WS", peakFile.c_str());
        for (int i = 0; i < kPeakRuns; ++i) {
            DeleteFileW(peakFile.c_str());
            double ms = 0;
            DWORD code = 1;
            std::string text;
            if (!runCase(c, ms, code) || code != 0 || !readTextFile(peakFile, text) || text.empty()) break;
            values.push_back(std::atof(text.c_str()) / (1024.0 * 1024.0));
        }
        SetEnvironmentVariableW(L"TESTVM_PEAK_WS", nullptr);
        if (values.size() != kPeakRuns) return false;
        megabytes = summarize(values).median;
        return true;
    };
    double hostPeak = 0, launcherPeak = 0;
    if (!peakOf(host, hostPeak) || !peakOf(minimal, launcherPeak)) return fail("no working set figure");

    // ---------------------------------------------------------------- the table
    std::vector<Summary> s;
    for (const Case& c : cases) s.push_back(summarize(c.ms));
    const double base = s[kMinimal].median;
    std::printf("\nstart until exit, ms, %d runs per case (%d starts that Wine could not set up were repeated)\n",
                rounds, retriedStarts);
    std::printf("%-42s %8s %8s %8s %8s %8s %10s\n", "case", "median", "p25", "p75", "min", "max", "/minimal");
    for (size_t i = 0; i < cases.size(); ++i) {
        std::printf("%-42s %8.2f %8.2f %8.2f %8.2f %8.2f %10.3f\n", cases[i].name, s[i].median, s[i].p25, s[i].p75,
                    s[i].min, s[i].max, s[i].median / base);
    }
    const double overhead = s[kMinimal].median / s[kHost].median;
    std::printf("\nstart-up overhead: launcher / minimal host = %.3f (target at most 1.05: %s), %+.2f ms\n", overhead,
                overhead <= 1.05 ? "met" : "NOT met", s[kMinimal].median - s[kHost].median);
    std::printf("  of which a VM thread and the manifest: %+.2f ms; launcher / that host = %.3f\n",
                s[kThreadedHost].median - s[kHost].median, s[kMinimal].median / s[kThreadedHost].median);

    auto perItem = [&](size_t from, size_t to, double items) { return (s[to].median - s[from].median) * 1000.0 / items; };
    std::printf("growth, extra time per item (us):\n");
    std::printf("  registered runtimes   1 -> 100: %8.2f   100 -> 1000: %8.2f\n",
                perItem(kRegistered, kRegistered + 1, 99), perItem(kRegistered + 1, kRegistered + 2, 900));
    std::printf("  wildcard files       10 -> 1000: %8.2f  1000 -> 10000: %8.2f\n",
                perItem(kWildcard, kWildcard + 1, 990), perItem(kWildcard + 1, kWildcard + 2, 9000));
    const double longKb[2] = {static_cast<double>(longLength[0]) / 1024.0, static_cast<double>(longLength[1]) / 1024.0};
    std::printf("  \"Class Path\" value, per KB: minimal -> 256 KB (%zu entries): %6.2f   256 KB -> 1 MB (%zu entries): %6.2f\n",
                longEntries[0], (s[kLongValue].median - base) * 1000.0 / longKb[0], longEntries[1],
                (s[kLongValue + 1].median - s[kLongValue].median) * 1000.0 / (longKb[1] - longKb[0]));

    std::printf("\npeak working set when the VM library is loaded (median of %d, x86_64 under wine64):\n", kPeakRuns);
    std::printf("  launcher %.2f MB, minimal host %.2f MB, difference %+.2f MB\n", launcherPeak, hostPeak,
                launcherPeak - hostPeak);
    if (!product.empty()) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (GetFileAttributesExW(product.c_str(), GetFileExInfoStandard, &data)) {
            unsigned long long size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
            std::printf("32-bit product: %llu bytes (%.1f KB; target at most 262144 bytes: %s)\n", size, size / 1024.0,
                        size <= 262144 ? "met" : "NOT met");
        } else {
            std::printf("32-bit product: not found at %s\n", narrow(product).c_str());
        }
    }
    return 0;
}
