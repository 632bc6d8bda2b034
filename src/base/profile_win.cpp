#include <windows.h>

#include "base/handle.h"
#include "base/paths.h"
#include "base/profile.h"
#include "base/text.h"

namespace {

// The profile functions cannot open a file whose path does not fit MAX_PATH
// (the per-user file under a deep APPDATA with a long product name). Such a
// file is reached through its short (8.3) path when that fits.
std::wstring profilePath(const std::wstring& path) {
    if (path.size() < MAX_PATH) return path;
    const std::wstring longForm = longPathForm(path);
    DWORD n = GetShortPathNameW(longForm.c_str(), nullptr, 0);
    if (n == 0) return path;
    std::wstring shortPath(n, L'\0');
    n = GetShortPathNameW(longForm.c_str(), &shortPath[0], n);
    if (n == 0 || n >= shortPath.size()) return path;
    shortPath.resize(n);
    if (shortPath.compare(0, 4, L"\\\\?\\") == 0) shortPath.erase(0, 4);
    return shortPath.size() < MAX_PATH ? shortPath : path;
}

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

bool profileReachable(const std::wstring& path) { return profilePath(path).size() < MAX_PATH; }

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

namespace {

bool isFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(longPathForm(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool startsWithByteOrderMark(const std::wstring& file) {
    platform::Handle in(CreateFileW(longPathForm(file).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    unsigned char mark[2] = {};
    DWORD got = 0;
    return in && ReadFile(in.get(), mark, 2, &got, nullptr) && got == 2 && mark[0] == 0xFF && mark[1] == 0xFE;
}

bool convertToUnicode(const std::wstring& file) {
    const std::wstring path = longPathForm(file);
    std::string bytes;
    platform::Handle in(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (in) {
        LARGE_INTEGER size = {};
        DWORD got = 0;
        if (!GetFileSizeEx(in.get(), &size) || size.QuadPart >= (1 << 26)) return false;
        bytes.resize(static_cast<size_t>(size.QuadPart));
        if (!bytes.empty() &&
            (!ReadFile(in.get(), &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr) || got != bytes.size())) {
            return false;
        }
        in.reset();
    }
    const int length = static_cast<int>(bytes.size());
    const int n = length > 0 ? MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0) : 0;
    std::wstring text(1 + static_cast<size_t>(n), L'\xFEFF');  // the byte order mark, then the text
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, &text[1], n);
    platform::Handle out(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    const DWORD size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    DWORD written = 0;
    return out && WriteFile(out.get(), text.data(), size, &written, nullptr) && written == size;
}

bool writeInPlace(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                  const std::wstring& value) {
    if (file.size() >= MAX_PATH) {
        // A short path exists only for an existing file: create it empty first.
        const std::wstring longForm = longPathForm(file);
        platform::Handle created(CreateFileW(longForm.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    return WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), profilePath(file).c_str()) != 0;
}

std::vector<std::wstring> linesOf(const std::wstring& file) {
    const std::wstring path = profilePath(file);
    std::vector<std::wstring> sections, lines;
    readNameList(
        [&](wchar_t* buffer, DWORD size) { return GetPrivateProfileSectionNamesW(buffer, size, path.c_str()); },
        sections);
    for (const std::wstring& section : sections) {
        std::vector<std::wstring> entries;
        readNameList(
            [&](wchar_t* buffer, DWORD size) {
                return GetPrivateProfileSectionW(section.c_str(), buffer, size, path.c_str());
            },
            entries);
        for (const std::wstring& entry : entries) lines.push_back(section + L'\n' + entry);
    }
    return lines;
}

}  // namespace

ProfileWriteOps profileWriteOps() {
    ProfileWriteOps ops;
    ops.exists = isFile;
    ops.copy = [](const std::wstring& from, const std::wstring& to) {
        return CopyFileW(longPathForm(from).c_str(), longPathForm(to).c_str(), FALSE) != 0;
    };
    ops.isUnicode = startsWithByteOrderMark;
    ops.makeUnicode = convertToUnicode;
    ops.write = writeInPlace;
    ops.read = [](const std::wstring& file, const std::wstring& section, const std::wstring& key) {
        return ConfigFile(file).readPlain(section, key);
    };
    ops.lines = linesOf;
    ops.replace = [](const std::wstring& from, const std::wstring& to) {
        // ReplaceFileW keeps the file's attributes and access list; a new file is moved into place.
        const std::wstring copy = longPathForm(from), file = longPathForm(to);
        return (isFile(to) && ReplaceFileW(file.c_str(), copy.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                                           nullptr, nullptr)) ||
               MoveFileExW(copy.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    };
    ops.remove = [](const std::wstring& file) { DeleteFileW(longPathForm(file).c_str()); };
    ops.fitsCodePage = survivesAnsi;
    ops.shortName = shortPathName;
    return ops;
}

bool writeProfileValue(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                       const std::wstring& value, std::wstring* note) {
    std::wstring text;
    const bool written = writeProfileValueWith(profileWriteOps(), file, section, key, value, text);
    if (note) *note = text;
    return written;
}
