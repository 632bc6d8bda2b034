#include <windows.h>

#include "base/handle.h"
#include "base/paths.h"
#include "base/text.h"

bool readModulePaths(ModulePaths& paths, unsigned long* error) {
    // A path that does not fit comes back cut (and, on older systems, without
    // its end): the buffer grows until one fits with room to spare.
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD n = GetModuleFileNameW(nullptr, &buffer[0], size);
        if (n == 0) {
            if (error) *error = GetLastError();
            return false;
        }
        if (n < size - 1) {
            buffer.resize(n);
            break;
        }
        buffer.assign(buffer.size() * 2, L'\0');
    }
    paths.exe = buffer;
    paths.folder = folderWithSeparator(paths.exe);
    paths.folderBare = folderWithoutSeparator(paths.exe);
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
        for (const std::wstring& f : folders) CreateDirectoryW(fileCallPath(f).c_str(), nullptr);
    }
    return path;
}

bool applyWorkingDirOverride(const std::wstring& exePath, unsigned long* error) {
    const std::wstring folder = folderWithoutSeparator(exePath);
    if (folder.empty() || SetCurrentDirectoryW(folder.c_str())) return true;
    if (error) *error = GetLastError();
    return false;
}

std::vector<std::wstring> readArguments() {
    const wchar_t* commandLine = GetCommandLineW();
    return argumentsFromCommandLine(commandLine ? commandLine : L"");
}

std::wstring fullPath(const std::wstring& path) {
    DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (n == 0) return path;
    std::wstring full(n, L'\0');
    DWORD got = GetFullPathNameW(path.c_str(), n, &full[0], nullptr);
    if (got == 0 || got >= n) return path;
    full.resize(got);
    return full;
}

std::wstring fileCallPath(const std::wstring& path) {
    if (path.size() < MAX_PATH || startsWith(path, L"\\\\?\\")) return path;
    // The long form takes no "." or ".." and no '/': the full path resolves them.
    return longPathForm(fullPath(path));
}

std::wstring canonicalPath(const std::wstring& given) {
    std::wstring path = given;
    if (startsWith(path, L"\\\\?\\UNC\\")) {
        path.replace(0, 8, L"\\\\");
    } else if (startsWith(path, L"\\\\?\\")) {
        path.erase(0, 4);
    }
    // The root: "D:\" or "\\server\share\".
    size_t pos = 0;
    if (path.size() > 2 && path[1] == L':' && path[2] == L'\\') {
        if (path[0] >= L'a' && path[0] <= L'z') path[0] = static_cast<wchar_t>(path[0] - L'a' + L'A');
        pos = 3;
    } else if (startsWith(path, L"\\\\")) {
        const size_t share = path.find(L'\\', 2);
        pos = share == std::wstring::npos ? std::wstring::npos : path.find(L'\\', share + 1);
        if (pos != std::wstring::npos) ++pos;
    } else {
        return given;
    }
    if (pos == std::wstring::npos) return path;
    std::wstring spelled = path.substr(0, pos);
    while (pos < path.size()) {
        size_t end = path.find(L'\\', pos);
        if (end == std::wstring::npos) end = path.size();
        const std::wstring name = path.substr(pos, end - pos);
        WIN32_FIND_DATAW data;
        // A search for a pattern could find another name.
        platform::FindHandle found(name.find_first_of(L"*?") == std::wstring::npos
                                       ? FindFirstFileW(fileCallPath(spelled + name).c_str(), &data)
                                       : INVALID_HANDLE_VALUE);
        if (!found) return spelled + path.substr(pos);
        spelled += data.cFileName;
        if (end < path.size()) spelled += L'\\';
        pos = end + 1;
    }
    return spelled;
}

std::wstring currentDirectory() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), &buffer[0]);
        if (n < buffer.size()) {
            buffer.resize(n);
            return buffer;
        }
        buffer.assign(n, L'\0');
    }
}

std::wstring shortPathName(const std::wstring& path) {
    DWORD n = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (n == 0) return std::wstring();
    std::wstring out(n, L'\0');
    n = GetShortPathNameW(path.c_str(), &out[0], n);
    if (n == 0 || n >= out.size()) return std::wstring();
    out.resize(n);
    return out;
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

std::wstring environmentValue(const std::wstring& name) {
    std::wstring value;
    readEnvironmentVariable(name, value);
    return value;
}

void expandEnvironmentInPlace(std::wstring& text) {
    // ExpandEnvironmentStrings cuts (or refuses) text beyond 32K characters,
    // and a class path of many jars is longer than that.
    if (text.find(L'%') == std::wstring::npos) return;
    text = expandReferences(text, readEnvironmentVariable);
}

namespace {

bool searchFinds(const std::wstring& given) {
    const std::wstring path = fileCallPath(given);
    // A search lists the whole folder to answer for one name (under Wine some
    // 20 times the cost of an attribute query, and a start may test a path for
    // each of hundreds of registered runtimes). Where the two agree, the query
    // answers; the search is kept for patterns, roots and whatever the query
    // cannot tell.
    if (isPlainFilePath(given)) {
        if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return false;
    }
    WIN32_FIND_DATAW data;
    return platform::FindHandle(FindFirstFileW(path.c_str(), &data)).valid();
}

}  // namespace

bool fileExists(const std::wstring& path) { return searchFinds(path); }

bool findFile(const std::wstring& path) {
    DWORD n = GetFullPathNameW(longPathForm(path).c_str(), 0, nullptr, nullptr);
    if (n == 0) return false;
    return searchFinds(path);
}

std::vector<std::wstring> findNames(const std::wstring& pattern) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    platform::FindHandle search(FindFirstFileW(fileCallPath(pattern).c_str(), &data));
    if (!search) return names;
    do {
        names.push_back(data.cFileName);
    } while (FindNextFileW(search.get(), &data));
    return names;
}

void ensureParentFolders(const std::wstring& path) {
    FolderOps ops;
    ops.exists = [](const std::wstring& p) { return searchFinds(p); };
    ops.create = [](const std::wstring& p) -> unsigned {
        return CreateDirectoryW(fileCallPath(p).c_str(), nullptr) ? 0u : static_cast<unsigned>(GetLastError());
    };
    ops.remove = [](const std::wstring& p) { RemoveDirectoryW(fileCallPath(p).c_str()); };
    ensureParentFoldersWith(path, ops);
}

bool isWindowsNtFamily() {
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(&info)) return true;
#pragma GCC diagnostic pop
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}
