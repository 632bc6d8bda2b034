// The start-up cache on Windows: its folder, the facts about the class path
// and the runtime, and the file operations of vm/class_data_sharing.h.
#include <windows.h>
#include <shlobj.h>

#include "base/handle.h"
#include "base/paths.h"
#include "base/text.h"
#include "base/trace.h"
#include "vm/class_data_sharing_win.h"
#include "vm/vm_options.h"

namespace {

uint64_t joined(DWORD high, DWORD low) { return (static_cast<uint64_t>(high) << 32) | low; }

bool attributesOf(const std::wstring& path, WIN32_FILE_ATTRIBUTE_DATA& data) {
    return GetFileAttributesExW(longPathForm(path).c_str(), GetFileExInfoStandard, &data) != 0;
}

std::wstring localAppData() {
    std::wstring folder;
    if (readEnvironmentVariable(L"LOCALAPPDATA", folder) && !folder.empty()) return folder;
    // A service's environment may lack the variable; the shell knows the account's folder.
    wchar_t buffer[MAX_PATH];
    if (SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer) == S_OK) return buffer;
    return std::wstring();
}

bool isFolder(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(longPathForm(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool createFolders(const std::wstring& folder) {
    ensureParentFolders(folder + L"x");
    return isFolder(folder);
}

bool createNewFile(const std::wstring& file, const std::wstring& text) {
    platform::Handle handle(CreateFileW(longPathForm(file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle) return false;
    const std::string bytes = toAnsi(text);
    DWORD written = 0;
    if (!bytes.empty() && (!WriteFile(handle.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
                           written != bytes.size())) {
        handle.reset();
        DeleteFileW(longPathForm(file).c_str());
        return false;
    }
    return true;
}

void removeFile(const std::wstring& file) {
    // Archives of some runtimes are written read-only.
    const std::wstring path = longPathForm(file);
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
}

std::vector<std::wstring> listFiles(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    platform::FindHandle search(FindFirstFileW(longPathForm(folder + L"*").c_str(), &data));
    if (!search) return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
    } while (FindNextFileW(search.get(), &data));
    return names;
}

// Starts the program with its output going to NUL and no handle of this
// process but that one and `held` inherited (a pipe of whoever started the
// launcher must not stay open while the child runs), without a console window,
// below normal priority, outside this process's job when the job allows it,
// and without waiting for it.
bool startDetached(const std::wstring& program, const std::wstring& argument, HANDLE held) {
    SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
    platform::Handle nul(CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     &inheritable, OPEN_EXISTING, 0, nullptr));
    if (!nul) return false;
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::vector<unsigned char> listMemory(size);
    auto list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(listMemory.data());
    if (size == 0 || !InitializeProcThreadAttributeList(list, 1, 0, &size)) return false;
    HANDLE inherited[2] = {nul.get(), held};
    bool started = false;
    if (UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited, sizeof(inherited), nullptr,
                                  nullptr)) {
        STARTUPINFOEXW info = {};
        info.StartupInfo.cb = sizeof(info);
        info.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
        info.StartupInfo.hStdInput = info.StartupInfo.hStdOutput = info.StartupInfo.hStdError = nul.get();
        info.lpAttributeList = list;
        std::wstring commandLine = commandLineArgument(program) + L" " + commandLineArgument(argument);
        const DWORD flags = CREATE_NO_WINDOW | EXTENDED_STARTUPINFO_PRESENT | BELOW_NORMAL_PRIORITY_CLASS;
        PROCESS_INFORMATION process = {};
        started = CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE,
                                 flags | CREATE_BREAKAWAY_FROM_JOB, nullptr, nullptr, &info.StartupInfo, &process) ||
                  CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, flags, nullptr, nullptr,
                                 &info.StartupInfo, &process);
        // Not waited for: the handles go as soon as the child runs.
        platform::Handle thread(started ? process.hThread : nullptr);
        platform::Handle child(started ? process.hProcess : nullptr);
    }
    DeleteProcThreadAttributeList(list);
    return started;
}

// The arguments file is written and held open without write or delete
// sharing: by this process until the child has started, then by the child,
// which inherits the handle and keeps it until it ends. The child's own
// reading shares writing, so it can open the file; no other process can
// change or replace it in between.
ChildStart startWithArgumentsFile(const std::wstring& program, const std::wstring& file, const std::wstring& text) {
    SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
    platform::Handle held(CreateFileW(longPathForm(file).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable,
                                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!held) return ChildStart::NoFile;
    const std::string bytes = toAnsi(text);
    DWORD written = 0;
    if (!WriteFile(held.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size()) {
        held.reset();
        DeleteFileW(longPathForm(file).c_str());
        return ChildStart::NoFile;
    }
    return startDetached(program, L"@" + file, held.get()) ? ChildStart::Started : ChildStart::NotStarted;
}

// Whether the process is the elevated half of its account's split token
// ("Run as administrator"), whose other half runs the account's programs
// without elevation. Service accounts, and accounts without the split (UAC
// off), have no such programs. Under Wine every process of the prefix writes
// files with the same rights, whatever its token says.
bool elevatedAboveItsAccount() {
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) return false;
    platform::Handle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.receive())) return false;
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
    DWORD size = 0;
    return GetTokenInformation(token.get(), TokenElevationType, &type, sizeof(type), &size) &&
           type == TokenElevationTypeFull;
}

std::vector<EnvironmentOptions> environmentOptions() {
    std::vector<EnvironmentOptions> options;
    for (const wchar_t* name : {L"JAVA_TOOL_OPTIONS", L"_JAVA_OPTIONS"}) {
        EnvironmentOptions variable;
        variable.name = name;
        if (readEnvironmentVariable(name, variable.value) && !variable.value.empty()) options.push_back(variable);
    }
    return options;
}

// The folder's path as the VM will read it (its option strings are narrow
// text in the ANSI code page): the short form when the long one has
// characters the code page lacks. Empty when neither survives.
std::wstring folderForTheVm(const std::wstring& folder) {
    if (survivesAnsi(folder)) return folder;
    if (!createFolders(folder)) return std::wstring();
    const std::wstring shortForm = shortPathName(folder);
    return !shortForm.empty() && survivesAnsi(shortForm) ? shortForm : std::wstring();
}

}  // namespace

std::wstring startupCacheFolder(const std::wstring& productName, const std::wstring& productCode,
                                const std::wstring& executable) {
    return composeCacheFolder(localAppData(), productName, productCode, executable);
}

std::vector<ClassPathFile> classPathFilesOf(const std::wstring& classPath) {
    std::vector<ClassPathFile> files;
    for (const std::wstring& entry : splitList(classPath, L';')) {
        if (entry.empty()) continue;
        ClassPathFile file;
        file.path = entry;
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (attributesOf(entry, data)) {
            file.found = true;
            file.folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            file.size = joined(data.nFileSizeHigh, data.nFileSizeLow);
            file.lastWrite = joined(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime);
        }
        files.push_back(file);
    }
    return files;
}

std::vector<ClassPathFile> modulePathFilesOf(const std::wstring& modulePath) {
    std::wstring files;
    for (const std::wstring& entry : splitList(modulePath, L';')) {
        if (entry.empty()) continue;
        if (!isFolder(entry)) {
            files += entry + L";";
            continue;
        }
        for (const std::wstring& name : listFiles(withTrailingSeparator(entry))) files += withTrailingSeparator(entry) + name + L";";
    }
    return classPathFilesOf(files);
}

std::wstring vmLibraryIdentity(const std::wstring& jvmLibraryPath) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!attributesOf(jvmLibraryPath, data)) return std::wstring();
    return decimal(static_cast<long long>(joined(data.nFileSizeHigh, data.nFileSizeLow))) + L":" +
           decimal(static_cast<long long>(joined(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime)));
}

std::wstring javaCommandOf(const std::wstring& jvmLibraryPath) {
    const std::wstring java = runtimeBinOf(jvmLibraryPath) + L"\\java.exe";
    DWORD attributes = GetFileAttributesW(longPathForm(java).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) ? java : std::wstring();
}

CacheFileOps windowsCacheFileOps() {
    CacheFileOps ops;
    ops.listFolder = listFiles;
    ops.createFolder = createFolders;
    ops.createFile = createNewFile;
    ops.exists = [](const std::wstring& file) {
        return GetFileAttributesW(longPathForm(file).c_str()) != INVALID_FILE_ATTRIBUTES;
    };
    ops.removeFile = removeFile;
    ops.startDetached = startWithArgumentsFile;
    return ops;
}

CachePlan prepareStartupCache(const StartupCacheRequest& request) {
    CacheInputs in;
    in.setting = request.setting;
    in.runtimeVersion = request.runtimeVersion;
    in.vmParameters = request.vmParameters;
    in.environmentOptions = environmentOptions();
    in.executable = request.executable;
    in.classPath = request.classPath;
    in.modulePath = request.modulePath;
    in.mainModule = request.mainModule;
    const CacheFileOps ops = windowsCacheFileOps();
    std::wstring reason;
    // The cheap checks first: without "auto" nothing is looked at on disk.
    if (!cacheWanted(in, reason)) return prepareClassDataSharing(in, ops);

    // Both identities: a runtime updated in place keeps its release file's version.
    in.runtimeIdentity = request.runtimeIdentity + L"|" + vmLibraryIdentity(request.jvmLibraryPath);
    in.javaCommand = javaCommandOf(request.jvmLibraryPath);
    in.classPathFiles = classPathFilesOf(request.classPath);
    in.modulePathFiles = modulePathFilesOf(request.modulePath);
    in.elevated = elevatedAboveItsAccount();
    const std::wstring folder = startupCacheFolder(request.productName, request.productCode, request.executable);
    in.cacheFolder = folderForTheVm(folder);
    if (in.cacheFolder.empty() && !folder.empty()) {
        trace(L"Class Data Sharing: the cache folder " + folder + L" has no name in the ANSI code page");
    }
    return prepareClassDataSharing(in, ops);
}

void finishStartupCache(const CachePlan& plan) { finishClassDataSharing(plan, windowsCacheFileOps()); }

const CachePlan& StartupCache::prepare(const StartupCacheRequest& request) {
    plan_ = prepareStartupCache(request);
    return plan_;
}

void StartupCache::finish() {
    if (!finished_.exchange(true)) finishStartupCache(plan_);
}
