#pragma once
// Test support for Windows-side tests: temporary application folders with a
// copy of the built launcher, and running processes with captured output and
// their full 32-bit exit code.
#include <windows.h>

#include <map>
#include <string>
#include <vector>

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

bool writeTextFile(const std::wstring& path, const std::string& content);  // creates parent folders
// The bytes of a UTF-16 (little-endian, with a byte order mark) text file: how an
// INI file holds text outside the ANSI code page.
std::string utf16Text(const std::wstring& text);
bool readTextFile(const std::wstring& path, std::string& content);
bool makeFolders(const std::wstring& path);
bool removeTree(const std::wstring& path);
bool pathExists(const std::wstring& path);

struct RunOptions {
    std::map<std::wstring, std::wstring> env;  // added or replaced variables ("" value removes)
    std::wstring currentDirectory;             // empty: the test's own
    DWORD timeoutMs = 60000;
    std::string stdinText;
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

// A fresh folder under workRoot() holding a copy of the launcher named `exeName`.
class AppDir {
public:
    explicit AppDir(const std::wstring& testName, const std::wstring& exeName = L"app.exe");
    const std::wstring& path() const { return path_; }  // without a trailing backslash
    std::wstring exe() const { return path_ + L"\\" + exeName_; }
    std::wstring ini() const;                           // the configuration file beside the executable
    std::wstring file(const std::wstring& relative) const { return path_ + L"\\" + relative; }

    void writeIni(const std::string& content) const;
    void write(const std::wstring& relative, const std::string& content) const;
    // Copies the test VM library to relative (for example jre\bin\client\jvm.dll).
    void installTestVm(const std::wstring& relative) const;

    // Runs the executable with `arguments` appended to its quoted path.
    RunResult run(const std::wstring& arguments = L"", const RunOptions& options = RunOptions()) const;

private:
    std::wstring path_;
    std::wstring exeName_;
};

}  // namespace testing_support
