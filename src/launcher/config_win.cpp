#include <windows.h>

#include "launcher/config.h"
#include "launcher/launcher.h"
#include "launcher/messages.h"
#include "launcher/paths.h"
#include "launcher/text.h"
#include "launcher/trace.h"
#include "resources/resource.h"
#include "ui/message_box.h"

namespace {

const wchar_t kProduct[] = L"Product Information";
const wchar_t kJre[] = L"Java Runtime Environment";
const wchar_t kApplication[] = L"Application";

// The profile functions cannot open a file whose path does not fit MAX_PATH
// (the per-user file under a deep APPDATA with a long product name). Such a
// file is reached through its short (8.3) path when that fits.
std::wstring profilePath(const std::wstring& path) {
    if (path.size() < MAX_PATH) return path;
    std::wstring longForm = path.compare(0, 4, L"\\\\?\\") == 0 ? path : L"\\\\?\\" + path;
    DWORD n = GetShortPathNameW(longForm.c_str(), nullptr, 0);
    if (n == 0) return path;
    std::wstring shortPath(n, L'\0');
    n = GetShortPathNameW(longForm.c_str(), &shortPath[0], n);
    if (n == 0 || n >= shortPath.size()) return path;
    shortPath.resize(n);
    if (shortPath.compare(0, 4, L"\\\\?\\") == 0) shortPath.erase(0, 4);
    return shortPath.size() < MAX_PATH ? shortPath : path;
}

}  // namespace

bool configFilePath(std::wstring& path) {
    std::wstring module;
    if (!modulePath(module)) return false;
    path = iniPathFor(module);
    return !path.empty();
}

namespace {

// Reads a list of names ending in an empty one, as the profile functions give
// section names and key names. False when it cannot be read whole.
template <typename Read>
bool readNameList(Read read, std::vector<std::wstring>& names) {
    std::wstring buffer(1024, L'\0');
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD n = read(&buffer[0], size);
        // size - 2: the list did not fit.
        if (n + 2 < size) {
            for (size_t pos = 0; pos < n && buffer[pos] != L'\0';) {
                size_t end = buffer.find(L'\0', pos);
                names.push_back(buffer.substr(pos, end - pos));
                pos = end + 1;
            }
            return true;
        }
        if (size >= (1u << 24)) return false;
        buffer.assign(buffer.size() * 4, L'\0');
    }
}

}  // namespace

bool ConfigFile::mayHave(const std::wstring& section, const std::wstring& key) const {
    const std::wstring file = profilePath(path_);
    if (!sectionsRead_) {
        sectionsRead_ = true;
        sectionsKnown_ = readNameList(
            [&](wchar_t* buffer, DWORD size) { return GetPrivateProfileSectionNamesW(buffer, size, file.c_str()); },
            sections_);
    }
    if (!sectionsKnown_) return true;
    if (!nameListed(sections_, section)) return false;

    for (const KeyList& list : keyLists_) {
        if (list.section == section) return !list.known || nameListed(list.keys, key);
    }
    KeyList list;
    list.section = section;
    // Keys are listed only for a section named once, in plain ASCII: with
    // duplicates or other letters, which section a read searches is the system's affair.
    size_t matches = 0;
    bool plain = true;
    for (const std::wstring& name : sections_) {
        if (equalsIgnoreCase(name, section)) ++matches;
        for (wchar_t c : name) plain = plain && c <= 0x7F;
    }
    if (matches == 1 && plain) {
        list.known = readNameList(
            [&](wchar_t* buffer, DWORD size) {
                return GetPrivateProfileStringW(section.c_str(), nullptr, L"", buffer, size, file.c_str());
            },
            list.keys);
    }
    keyLists_.push_back(list);
    return !list.known || nameListed(list.keys, key);
}

std::wstring ConfigFile::readPlain(const std::wstring& section, const std::wstring& key) const {
    if (!mayHave(section, key)) return std::wstring();
    const std::wstring file = profilePath(path_);
    std::wstring buffer(256, L'\0');
    for (;;) {
        DWORD size = static_cast<DWORD>(buffer.size());
        DWORD n = GetPrivateProfileStringW(section.c_str(), key.c_str(), L"", &buffer[0], size, file.c_str());
        if (n != size - 1 || size >= (1u << 30)) {
            buffer.resize(n);
            return buffer;
        }
        // A value has no more characters than the file has bytes, whatever its
        // encoding: one more read does, where doubling would read a long value many times.
        size_t next = buffer.size() * 2;
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data) && data.nFileSizeHigh == 0 &&
            data.nFileSizeLow < (1u << 30) && data.nFileSizeLow + 2u > next) {
            next = data.nFileSizeLow + 2u;
        }
        buffer.assign(next, L'\0');
    }
}

std::wstring ConfigFile::read(const std::wstring& section, const std::wstring& key) const {
    std::wstring plain = readPlain(section, key);
    if (!plain.empty()) return plain;
    return continuationValue(plain, readPlain(section + L"+", key));
}

bool writeProfileValue(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                       const std::wstring& value) {
    if (file.size() >= MAX_PATH) {
        // A short path exists only for an existing file: create it empty first.
        std::wstring longForm = file.compare(0, 4, L"\\\\?\\") == 0 ? file : L"\\\\?\\" + file;
        HANDLE h = CreateFileW(longForm.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
    return WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), profilePath(file).c_str()) != 0;
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

bool readConfiguration(Launcher& l) {
    std::wstring path;
    if (!configFilePath(path)) return false;
    ConfigFile config(path);
    const bool tracing = traceEnabled();
    if (tracing) trace(L"configuration: " + path);
    auto traced = [&](const wchar_t* key, const std::wstring& value) {
        if (tracing) trace(std::wstring(L"  \"") + key + L"\" = \"" + value + L"\"");
        return value;
    };

    l.productCode = traced(L"Product Code", config.readPlain(kProduct, L"Product Code"));
    l.productName = traced(L"Product Name", config.readPlain(kProduct, L"Product Name"));
    l.minimumVersion = minimumFromConfig(traced(L"Minimum Version", config.read(kJre, L"Minimum Version")));
    l.maximumVersion = maximumFromConfig(traced(L"Maximum Version", config.read(kJre, L"Maximum Version")));

    l.isService = traced(L"Application Type", config.read(kApplication, L"Application Type")) == L"service";
    if (l.isService) {
        l.omitServiceName = !traced(L"Omit Service Name", config.read(kApplication, L"Omit Service Name")).empty();
    }
    setMessageBoxContext(l.productName, l.isService);

    l.preferredVersions = splitPreferredVersions(traced(L"Preferred versions", config.read(kJre, L"Preferred versions")));

    if (isWindowsNtFamily() && !l.isService) {
        std::wstring userPath = userConfigPath(l, false);
        if (!userPath.empty() && findFile(userPath)) {
            if (tracing) trace(L"per-user configuration: " + userPath);
            l.jrePath = traced(L"JRE Path", ConfigFile(userPath).readPlain(kJre, L"JRE Path"));
        } else {
            if (tracing) trace(L"no per-user configuration: " + userPath);
            l.jrePath = traced(L"JRE Path", config.read(kJre, L"JRE Path"));
        }
    } else {
        l.jrePath = traced(L"JRE Path", config.read(kJre, L"JRE Path"));
    }

    l.jvmType = jvmTypeFromText(traced(L"JVM Type", config.read(kJre, L"JVM Type")));
    applyJvmSource(l, traced(L"JVM Source", config.read(kJre, L"JVM Source")));
    applyVmProvider(l, traced(L"VM Provider", config.read(kJre, L"VM Provider")));

    std::wstring mainClass = traced(L"Main Class", config.read(kJre, L"Main Class"));
    if (mainClass.empty()) {
        printError(loadMessage(IDS_NO_MAIN_CLASS));
        return false;
    }
    l.mainClass = mainClassFromConfig(mainClass);

    l.failureCheck = isYesAnyCase(traced(L"Failure Check", config.read(kApplication, L"Failure Check")));
    l.overrideWorkingDir = isYesAnyCase(traced(L"Override WorkingDir", config.read(kApplication, L"Override WorkingDir")));
    l.systemPath = traced(L"System Path", config.read(kJre, L"System Path"));
    l.libraryPath = traced(L"Library Path", config.read(kJre, L"Library Path"));
    l.pairProductPath = traced(L"Pair Product", config.read(kApplication, L"Pair Product"));
    l.pairReturnCode = isYesAnyCase(traced(L"Pair Return Code", config.read(kApplication, L"Pair Return Code")));
    return true;
}
