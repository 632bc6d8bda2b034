#include "support/process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "support/testvm.h"
#include "support/trace.h"
#include "support/ui_support.h"

namespace testing_support {

std::wstring widen(const std::string& text) {
    if (text.empty()) return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
}

std::string narrow(const std::wstring& text) {
    if (text.empty()) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

std::wstring windowsPath(const std::string& linuxPath) {
    std::wstring p = L"Z:" + widen(linuxPath);
    for (wchar_t& c : p) {
        if (c == L'/') c = L'\\';
    }
    return p;
}

std::wstring workRoot() {
    static std::wstring root;
    if (root.empty()) {
        root = windowsPath(TEST_WORK_DIR);
        makeFolders(root);
    }
    return root;
}

std::wstring launcherExe() { return windowsPath(LAUNCHER_EXE); }

std::wstring testVmDll() {
#ifdef TEST_VM_DLL
    return windowsPath(TEST_VM_DLL);
#else
    return std::wstring();
#endif
}

std::wstring environmentValue(const wchar_t* name) {
    wchar_t buffer[32768];
    DWORD n = GetEnvironmentVariableW(name, buffer, 32768);
    return n && n < 32768 ? std::wstring(buffer, n) : std::wstring();
}

std::vector<std::string> textLines(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        size_t end = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, end - start - (end > start && text[end - 1] == '\r' ? 1 : 0)));
        start = end + 1;
    }
    return lines;
}

bool makeFolders(const std::wstring& path) {
    if (path.empty()) return false;
    DWORD attr = GetFileAttributesW(path.c_str());
    if (attr != INVALID_FILE_ATTRIBUTES) return (attr & FILE_ATTRIBUTE_DIRECTORY) != 0;
    size_t sep = path.find_last_of(L"\\/");
    if (sep != std::wstring::npos && sep > 2) makeFolders(path.substr(0, sep));
    return CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

std::string utf16Text(const std::wstring& text) {
    std::string bytes("\xff\xfe", 2);
    for (wchar_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>((c >> 8) & 0xFF);
    }
    return bytes;
}

bool writeTextFile(const std::wstring& path, const std::string& content) {
    size_t sep = path.find_last_of(L"\\/");
    if (sep != std::wstring::npos) makeFolders(path.substr(0, sep));
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = content.empty() || WriteFile(f, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(f);
    return ok && written == content.size();
}

bool readTextFile(const std::wstring& path, std::string& content) {
    content.clear();
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    char buffer[65536];
    DWORD n = 0;
    while (ReadFile(f, buffer, sizeof buffer, &n, nullptr) && n > 0) content.append(buffer, n);
    CloseHandle(f);
    return true;
}

std::string fileText(const std::wstring& path) {
    std::string text;
    readTextFile(path, text);
    return text;
}

bool pathExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool removeTree(const std::wstring& path) {
    DWORD attr = GetFileAttributesW(path.c_str());
    if (attr == INVALID_FILE_ATTRIBUTES) return true;
    if (!(attr & FILE_ATTRIBUTE_DIRECTORY)) {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        return DeleteFileW(path.c_str()) != 0;
    }
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileW((path + L"\\*").c_str(), &data);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = data.cFileName;
            if (name != L"." && name != L"..") removeTree(path + L"\\" + name);
        } while (FindNextFileW(h, &data));
        FindClose(h);
    }
    return RemoveDirectoryW(path.c_str()) != 0;
}

namespace {

struct PipeReader {
    HANDLE pipe;
    std::string* target;
};

DWORD WINAPI readPipe(void* param) {
    auto* r = static_cast<PipeReader*>(param);
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(r->pipe, buffer, sizeof buffer, &n, nullptr) && n > 0) r->target->append(buffer, n);
    return 0;
}

// The current environment with `changes` applied, as a sorted block.
std::vector<wchar_t> environmentBlock(const std::map<std::wstring, std::wstring>& changes) {
    std::map<std::wstring, std::wstring> vars;
    std::map<std::wstring, std::wstring> upperToName;
    wchar_t* env = GetEnvironmentStringsW();
    for (wchar_t* p = env; *p; p += wcslen(p) + 1) {
        std::wstring entry = p;
        size_t eq = entry.find(L'=', 1);
        if (eq == std::wstring::npos) continue;
        vars[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    FreeEnvironmentStringsW(env);
    for (const auto& c : changes) {
        // Environment names are case-insensitive: replace any spelling.
        for (auto it = vars.begin(); it != vars.end();) {
            if (_wcsicmp(it->first.c_str(), c.first.c_str()) == 0) it = vars.erase(it);
            else ++it;
        }
        if (!c.second.empty()) vars[c.first] = c.second;
    }
    std::vector<wchar_t> block;
    for (const auto& v : vars) {
        std::wstring entry = v.first + L"=" + v.second;
        block.insert(block.end(), entry.begin(), entry.end());
        block.push_back(0);
    }
    block.push_back(0);
    return block;
}

}  // namespace

RunResult runProcess(const std::wstring& application, const std::wstring& commandLine, const RunOptions& options) {
    RunResult result;
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
    HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr, inRead = nullptr,
           inWrite = nullptr;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    if (options.capture) {
        CreatePipe(&outRead, &outWrite, &sa, 0);
        CreatePipe(&errRead, &errWrite, &sa, 0);
        CreatePipe(&inRead, &inWrite, &sa, 0);
        SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
        SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
        SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = inRead;
        si.hStdOutput = outWrite;
        si.hStdError = errWrite;
    }
    PROCESS_INFORMATION pi = {};
    std::vector<wchar_t> cmd(commandLine.begin(), commandLine.end());
    cmd.push_back(0);
    std::vector<wchar_t> env;
    if (!options.env.empty()) env = environmentBlock(options.env);
    // Wine now and then fails a process creation under load before the child runs any code; a creation
    // that failed started nothing, so trying again cannot deliver anything twice.
    BOOL created = FALSE;
    DWORD createError = 0;
    for (int attempt = 0; attempt < 3 && !created; ++attempt) {
        if (attempt > 0) {
            std::fprintf(stderr, "CreateProcessW failed with %lu; trying again\n", createError);
            Sleep(250);
        }
        created = CreateProcessW(application.empty() ? nullptr : application.c_str(), cmd.data(), nullptr, nullptr,
                                 options.capture, env.empty() ? 0 : CREATE_UNICODE_ENVIRONMENT,
                                 env.empty() ? nullptr : env.data(),
                                 options.currentDirectory.empty() ? nullptr : options.currentDirectory.c_str(), &si,
                                 &pi);
        if (!created) createError = GetLastError();
    }
    auto close = [](HANDLE& h) {
        if (h) CloseHandle(h);
        h = nullptr;
    };
    close(outWrite);
    close(errWrite);
    close(inRead);
    if (!created) {
        result.exitCode = 0xDEADBEEF;
        result.err = "CreateProcessW failed: " + std::to_string(createError);
        close(outRead);
        close(errRead);
        close(inWrite);
        return result;
    }
    if (!options.stdinText.empty() && inWrite) {
        DWORD n = 0;
        WriteFile(inWrite, options.stdinText.data(), static_cast<DWORD>(options.stdinText.size()), &n, nullptr);
    }
    close(inWrite);

    PipeReader outReader = {outRead, &result.out};
    PipeReader errReader = {errRead, &result.err};
    HANDLE threads[2] = {};
    if (options.capture) {
        threads[0] = CreateThread(nullptr, 0, readPipe, &outReader, 0, nullptr);
        threads[1] = CreateThread(nullptr, 0, readPipe, &errReader, 0, nullptr);
    }
    const DWORD step = options.cancelJreDialog ? 50 : options.timeoutMs;
    for (DWORD waited = 0; WaitForSingleObject(pi.hProcess, step) == WAIT_TIMEOUT;) {
        waited += step;
        if (waited >= options.timeoutMs) {
            result.timedOut = true;
            TerminateProcess(pi.hProcess, 0xDEAD);
            WaitForSingleObject(pi.hProcess, 5000);
            break;
        }
        if (HWND dialog = ui_test::findWindowOfExecutable(application, L"JRE Not Found")) {
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        }
    }
    // Grandchildren may hold the pipes open; don't wait for ever on them.
    if (options.capture) WaitForMultipleObjects(2, threads, TRUE, 10000);
    GetExitCodeProcess(pi.hProcess, &result.exitCode);
    close(threads[0]);
    close(threads[1]);
    close(outRead);
    close(errRead);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return result;
}

std::vector<std::string> Started::traceLines() const { return testing_support::traceLines(trace); }

std::string Started::describe() const {
    std::string text = "exit " + std::to_string(result.exitCode) + (result.timedOut ? " TIMED OUT" : "") +
                       "\n--- stdout:\n" + result.out + "--- stderr:\n" + result.err + "--- test VM log:\n";
    for (const std::string& line : log) text += line + "\n";
    return text + "--- trace:\n" + trace;
}

AppDir::AppDir(const std::wstring& testName, const std::wstring& exeName, const std::wstring& launcher)
    : exeName_(exeName) {
    static unsigned counter = 0;
    path_ = workRoot() + L"\\" + testName + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter);
    removeTree(path_);
    makeFolders(path_);
    copy(launcher, exeName);
}

const AppDir& AppDir::check(bool done, const std::wstring& what) const {
    if (!done) {
        ok_ = false;
        ADD_FAILURE() << "application folder " << narrow(path_) << ": cannot " << narrow(what);
    }
    return *this;
}

std::wstring AppDir::ini() const {
    std::wstring e = exe();
    return e.substr(0, e.rfind(L'.') + 1) + L"ini";
}

const AppDir& AppDir::writeIni(const std::string& content) const {
    return check(writeTextFile(ini(), content), L"write " + ini());
}

const AppDir& AppDir::write(const std::wstring& relative, const std::string& content) const {
    return check(writeTextFile(file(relative), content), L"write " + relative);
}

const AppDir& AppDir::copy(const std::wstring& source, const std::wstring& relative) const {
    std::wstring target = file(relative);
    makeFolders(target.substr(0, target.rfind(L'\\')));
    return check(CopyFileW(source.c_str(), target.c_str(), FALSE) != 0, L"copy " + source + L" to " + relative);
}

const AppDir& AppDir::privateTestVm(const std::wstring& vm) const {
    return copy(vm, L"jre\\bin\\client\\jvm.dll").write(L"jre\\bin\\java.dll");
}

bool AppDir::registerRuntime(const std::wstring& version, const std::wstring& home, REGSAM view) const {
    return registry_->set(HKEY_LOCAL_MACHINE, view, L"Software\\JavaSoft\\Java Runtime Environment\\" + version,
                          L"JavaHome", home);
}

RunResult AppDir::run(const std::wstring& arguments, const RunOptions& options) const {
    const std::wstring exe = this->exe(), args = arguments.empty() ? L"" : L" " + arguments;
    if (exe.size() < MAX_PATH) return runProcess(exe, L"\"" + exe + L"\"" + args, options);
    // Wine's CreateProcessW takes no longer application path, but its loader, a
    // Unix program, starts one by its Unix path. Wine neither waits for a Unix child
    // nor hands it pipes: a shell leaves the output and the exit code (8 bits) in files.
    std::wstring unixExe = exe.substr(2);
    std::replace(unixExe.begin(), unixExe.end(), L'\\', L'/');
    DeleteFileW((exe + L".code").c_str());
    std::wstring escaped, script = widen(WINE_LOADER) + L" '" + unixExe + L"'" + args + L" >'" + unixExe + L".out' 2>'" +
                                   unixExe + L".err'; echo $? >'" + unixExe + L".w'; mv '" + unixExe + L".w' '" + unixExe +
                                   L".code'";
    for (wchar_t c : script) escaped += c == L'"' ? std::wstring(L"\\\"") : std::wstring(1, c);
    RunOptions detached = options;
    detached.capture = false;
    RunResult r = runProcess(L"Z:\\bin\\sh", L"sh -c \"" + escaped + L"\"", detached);
    std::string code;
    r.timedOut = !ui_test::waitUntil([&] { return readTextFile(exe + L".code", code); }, options.timeoutMs);
    r.exitCode = r.timedOut ? 0xDEADBEEF : static_cast<DWORD>(std::stoul("0" + code));
    r.out = fileText(exe + L".out");
    r.err = fileText(exe + L".err");
    return r;
}

RunOptions AppDir::startOptions(RunOptions options) const {
    options.env[L"TESTVM_LOG"] = vmLogPath();
    options.env[L"QZ_LAUNCHER_LOG"] = tracePath();
    options.env.insert({L"JAVA_HOME", L""});  // Wine hands the Linux environment on
    options.env.insert({L"APPDATA", file(L"appdata")});
    makeFolders(options.env[L"APPDATA"]);
    return options;
}

Started AppDir::start(const std::wstring& arguments, const RunOptions& options) const {
    DeleteFileW(vmLogPath().c_str());
    DeleteFileW(tracePath().c_str());
    Started s;
    s.result = run(arguments, startOptions(options));
    s.log = vmLog();
    s.trace = fileText(tracePath());
    return s;
}

std::vector<std::string> AppDir::vmLog() const { return testVmLog(vmLogPath()); }

bool AppDir::waitForVmLine(const std::string& line, DWORD timeoutMs) const {
    return ui_test::waitUntil([&] { return !linesStartingWith(vmLog(), line).empty(); }, timeoutMs);
}

std::string javaIni(const std::string& mainClass, const std::string& classPath, const std::string& jre,
                    const std::string& application) {
    std::string text = "[Java Runtime Environment]\r\nMain Class=" + mainClass + "\r\n" + jre;
    if (!application.empty()) text += "[Application]\r\n" + application;
    if (!classPath.empty()) text += "[Class Path]\r\nClass Path=" + classPath + "\r\n";
    return text;
}

Background::Background(const AppDir& app, const std::wstring& arguments, const RunOptions& options)
    : thread_([this, &app, arguments, options] {
          result_ = app.run(arguments, options);
          done_ = true;
      }) {}

const RunResult& Background::finish() {
    if (thread_.joinable()) thread_.join();
    return result_;
}

}  // namespace testing_support
