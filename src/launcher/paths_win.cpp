#include <windows.h>

#include "launcher/launcher.h"
#include "launcher/messages.h"
#include "launcher/paths.h"
#include "launcher/text.h"
#include "resources/resource.h"

bool modulePath(std::wstring& path) {
    wchar_t buffer[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    if (n == 0) {
        DWORD error = GetLastError();
        printErrorMessage(IDS_WINDOWS_EXCEPTION, {loadMessage(IDS_MODULE_PATH), static_cast<int>(error)});
        return false;
    }
    if (n > MAX_PATH) n = MAX_PATH;
    path.assign(buffer, wcsnlen(buffer, n));
    return true;
}

bool moduleFolder(std::wstring& folder) {
    std::wstring path;
    if (!modulePath(path)) return false;
    size_t sep = path.rfind(L'\\');
    if (sep != std::wstring::npos) folder = path.substr(0, sep + 1);
    return true;
}

bool moduleFolderBare(std::wstring& folder) {
    std::wstring path;
    if (!modulePath(path)) return false;
    folder = folderWithoutSeparator(path);
    return true;
}

std::wstring appDataFolder() {
    wchar_t buffer[MAX_PATH];
    DWORD n = GetEnvironmentVariableW(L"APPDATA", buffer, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::wstring();
    return std::wstring(buffer, n);
}

std::wstring userConfigPathFor(const std::wstring& exePath, const std::wstring& productName,
                               const std::wstring& productCode, bool createFolders) {
    if (exePath.empty()) return std::wstring();
    std::vector<std::wstring> folders;
    std::wstring path = composeUserConfigPath(appDataFolder(), productName, productCode, exePath, &folders);
    if (createFolders) {
        for (const std::wstring& f : folders) CreateDirectoryW(f.c_str(), nullptr);
    }
    return path;
}

std::wstring userConfigPath(const Launcher& launcher, bool createFolders) {
    std::wstring exe;
    if (!modulePath(exe)) return std::wstring();
    return userConfigPathFor(exe, launcher.productName, launcher.productCode, createFolders);
}

void applyWorkingDirOverride() {
    std::wstring path;
    if (!modulePath(path)) return;
    size_t sep = path.rfind(L'\\');
    if (sep != std::wstring::npos && sep > 0) SetCurrentDirectoryW(path.substr(0, sep).c_str());
}

void readArguments(Launcher& launcher) {
    const wchar_t* commandLine = GetCommandLineW();
    launcher.arguments = argumentsFromCommandLine(commandLine ? commandLine : L"");
}

bool readEnvironmentVariable(const std::wstring& name, std::wstring& value) {
    value.clear();
    SetLastError(ERROR_SUCCESS);
    DWORD size = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
    if (size == 0) return GetLastError() != ERROR_ENVVAR_NOT_FOUND;
    std::wstring buffer(size, L'\0');
    SetLastError(ERROR_SUCCESS);
    DWORD n = GetEnvironmentVariableW(name.c_str(), &buffer[0], size);
    // 0 is also the length of a variable set to nothing.
    if (n >= size || (n == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND)) return false;
    buffer.resize(n);
    value = buffer;
    return true;
}

void expandEnvironmentInPlace(std::wstring& text) {
    // ExpandEnvironmentStrings cuts (or refuses) text beyond 32K characters,
    // and a class path of many jars is longer than that.
    if (text.find(L'%') == std::wstring::npos) return;
    text = expandReferences(text, readEnvironmentVariable);
}

namespace {

bool searchFinds(const std::wstring& path) {
    // A search lists the whole folder to answer for one name (under Wine some
    // 20 times the cost of an attribute query, and a start may test a path for
    // each of hundreds of registered runtimes). Where the two agree, the query
    // answers; the search is kept for patterns, roots and whatever the query
    // cannot tell.
    if (isPlainFilePath(path)) {
        if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return false;
    }
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileW(path.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return false;
    FindClose(h);
    return true;
}

}  // namespace

bool fileExists(const std::wstring& path) { return searchFinds(path); }

bool findFile(const std::wstring& path) {
    std::wstring target = path;
    if (target.size() >= MAX_PATH && !startsWith(target, L"\\\\?\\")) target = L"\\\\?\\" + target;
    DWORD n = GetFullPathNameW(target.c_str(), 0, nullptr, nullptr);
    if (n == 0) return false;
    return searchFinds(target);
}

void ensureParentFolders(const std::wstring& path) {
    FolderOps ops;
    ops.exists = [](const std::wstring& p) { return searchFinds(p); };
    ops.create = [](const std::wstring& p) -> unsigned {
        return CreateDirectoryW(p.c_str(), nullptr) ? 0u : static_cast<unsigned>(GetLastError());
    };
    ops.remove = [](const std::wstring& p) { RemoveDirectoryW(p.c_str()); };
    ensureParentFoldersWith(path, ops);
}

namespace platform {
void closeKernelHandle(void* handle) { CloseHandle(handle); }
void unmapView(void* address) { UnmapViewOfFile(address); }
}  // namespace platform

std::wstring loadMessage(unsigned id) {
    const wchar_t* text = nullptr;
    // With a zero buffer size LoadStringW hands out a pointer into the resource itself.
    int n = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<wchar_t*>(&text), 0);
    if (n <= 0 || !text) return std::wstring();
    return std::wstring(text, static_cast<size_t>(n));
}
