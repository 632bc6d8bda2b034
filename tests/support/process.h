#pragma once
// Test support for Windows-side tests: application folders built around a copy
// of the launcher (configuration, runtime, registry entries), starts of them
// with captured output, the test VM's log and the launcher's trace, and their
// full 32-bit exit code.
#include <windows.h>

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/runtime_fixtures.h"

namespace testing_support {

std::wstring widen(const std::string& text);   // UTF-8 to UTF-16
std::string narrow(const std::wstring& text);  // UTF-16 to UTF-8

// A Linux path of the build (forward slashes) as a Windows path on drive Z:.
std::wstring windowsPath(const std::string& linuxPath);

// Folder for the files of one test run (created on first use).
std::wstring workRoot();

// Paths of built artefacts.
std::wstring launcherExe();  // the launcher of this build
std::wstring testVmDll();    // the test VM library (jvm.dll) of this build, when built

std::wstring environmentValue(const wchar_t* name);  // of the test process; empty when unset
// The lines of a text without their ends ("\n" or "\r\n").
std::vector<std::string> textLines(const std::string& text);

bool writeTextFile(const std::wstring& path, const std::string& content);  // creates parent folders
// The bytes of a UTF-16 (little-endian, with a byte order mark) text file: how an
// INI file holds text outside the ANSI code page.
std::string utf16Text(const std::wstring& text);
bool readTextFile(const std::wstring& path, std::string& content);
std::string fileText(const std::wstring& path);  // empty when the file cannot be read
bool makeFolders(const std::wstring& path);
bool removeTree(const std::wstring& path);
bool pathExists(const std::wstring& path);

struct RunOptions {
    std::map<std::wstring, std::wstring> env;  // added or replaced variables ("" value removes)
    std::wstring currentDirectory;             // empty: the test's own
    DWORD timeoutMs = 60000;
    std::string stdinText;
    bool capture = true;           // false: no pipes; the wait is for the process alone
    bool cancelJreDialog = false;  // presses Cancel on every "JRE Not Found" dialog of the program

    static RunOptions within(DWORD timeoutMs) {
        RunOptions o;
        o.timeoutMs = timeoutMs;
        return o;
    }
};

struct RunResult {
    DWORD exitCode = 0;
    bool timedOut = false;
    std::string out;  // standard output, bytes as written
    std::string err;  // standard error
};

// Runs `commandLine` (the full command line, program included) with pipes for
// standard input, output and error.
RunResult runProcess(const std::wstring& application, const std::wstring& commandLine,
                     const RunOptions& options = RunOptions());

// What a start through AppDir::start left behind.
struct Started {
    RunResult result;
    std::vector<std::string> log;  // the test VM's log (testvm.h)
    std::string trace;             // the launcher's trace as written (trace.h)

    std::vector<std::string> traceLines() const;  // without time and process
    bool traced(const std::string& part) const { return trace.find(part) != std::string::npos; }
    std::string describe() const;  // exit code, output, log and trace, for failure messages
};

// A fresh folder under workRoot() holding a copy of `launcher` named `exeName`,
// and the builder of what a whole-process test puts around it. A step that fails
// is reported as a test failure and clears ok(). Registry entries planted
// through registry() are removed when the folder object goes away.
class AppDir {
public:
    explicit AppDir(const std::wstring& testName, const std::wstring& exeName = L"app.exe",
                    const std::wstring& launcher = launcherExe());
    AppDir(AppDir&&) = default;

    const std::wstring& path() const { return path_; }  // without a trailing backslash
    std::wstring exe() const { return path_ + L"\\" + exeName_; }
    std::wstring ini() const;                           // the configuration file beside the executable
    std::wstring file(const std::wstring& relative) const { return path_ + L"\\" + relative; }
    bool ok() const { return ok_; }  // every step so far succeeded

    const AppDir& writeIni(const std::string& content) const;
    const AppDir& write(const std::wstring& relative, const std::string& content = "") const;
    const AppDir& copy(const std::wstring& source, const std::wstring& relative) const;
    // Copies the test VM library to relative (for example jre\bin\client\jvm.dll).
    const AppDir& installTestVm(const std::wstring& relative) const { return copy(testVmDll(), relative); }
    // The test VM (or `vm`) as the private runtime: jre\bin\client\jvm.dll and the marker jre\bin\java.dll.
    const AppDir& privateTestVm(const std::wstring& vm = testVmDll()) const;

    RegistryPlant& registry() const { return *registry_; }
    // HKLM\Software\JavaSoft\Java Runtime Environment\<version>, JavaHome = home, in `view`.
    bool registerRuntime(const std::wstring& version, const std::wstring& home, REGSAM view = KEY_WOW64_64KEY) const;

    // Runs the executable with `arguments` appended to its quoted path.
    RunResult run(const std::wstring& arguments = L"", const RunOptions& options = RunOptions()) const;

    // The files of a start: the test VM's log, and the trace in a folder the launcher creates.
    std::wstring vmLogPath() const { return file(L"testvm.log"); }
    std::wstring tracePath() const { return file(L"trace\\launcher.log"); }
    // `options` with TESTVM_LOG and QZ_LAUNCHER_LOG set to those files, and, unless
    // given, JAVA_HOME removed and APPDATA the folder's appdata (created).
    RunOptions startOptions(RunOptions options = RunOptions()) const;
    // Runs with startOptions(options) after removing the old log and trace; reads them.
    Started start(const std::wstring& arguments = L"", const RunOptions& options = RunOptions()) const;
    std::vector<std::string> vmLog() const;
    // Waits (bounded) until the test VM's log has a line that starts with `line`.
    bool waitForVmLine(const std::string& line, DWORD timeoutMs = 20000) const;

private:
    const AppDir& check(bool done, const std::wstring& what) const;

    std::wstring path_;
    std::wstring exeName_;
    mutable bool ok_ = true;
    std::unique_ptr<RegistryPlant> registry_ = std::make_unique<RegistryPlant>();
};

// The INI text of a Java application: [Java Runtime Environment] with the main
// class and the lines `jre`, [Application] with the lines `application` (when
// any), [Class Path] with `classPath` (when not empty). Lines end in "\r\n".
std::string javaIni(const std::string& mainClass, const std::string& classPath = "", const std::string& jre = "",
                    const std::string& application = "");

// A run of an application on a thread of its own, joined by finish() or at the end of the scope.
class Background {
public:
    Background(const AppDir& app, const std::wstring& arguments, const RunOptions& options);
    ~Background() { finish(); }
    bool done() const { return done_; }
    const RunResult& finish();

private:
    RunResult result_;
    std::atomic<bool> done_{false};
    std::thread thread_;
};

}  // namespace testing_support
