#include "base/paths.h"

#include <string_view>

#include "base/text.h"

namespace {

bool isSpaceChar(wchar_t c) { return c == L' ' || (c >= 9 && c <= 13); }

void skipSpaces(const std::wstring& text, size_t& pos) {
    while (pos < text.size() && text[pos] == L' ') ++pos;
}

}  // namespace

std::wstring iniPathFor(const std::wstring& path) {
    size_t dot = path.rfind(L'.');
    if (dot == std::wstring::npos) return std::wstring();
    return path.substr(0, dot + 1) + L"ini";
}

std::wstring folderWithSeparator(const std::wstring& path) {
    size_t sep = path.rfind(L'\\');
    if (sep == std::wstring::npos) return path;
    return path.substr(0, sep + 1);
}

std::wstring folderWithoutSeparator(const std::wstring& path) {
    size_t sep = path.rfind(L'\\');
    if (sep == std::wstring::npos) return std::wstring();
    return path.substr(0, sep);
}

std::wstring cutAtLastSeparator(const std::wstring& path) {
    size_t sep = path.rfind(L'\\');
    return sep == std::wstring::npos ? path : path.substr(0, sep);
}

std::wstring withTrailingSeparator(const std::wstring& folder) {
    if (folder.empty() || folder.back() == L'\\') return folder;
    return folder + L'\\';
}

std::wstring fileNameOf(const std::wstring& path) {
    size_t sep = path.rfind(L'\\');
    return sep == std::wstring::npos ? path : path.substr(sep + 1);
}

std::wstring iniFileNameFor(const std::wstring& path) {
    std::wstring name = fileNameOf(path);
    size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos) name.erase(dot);
    return name + L".ini";
}

std::wstring cleanProductName(const std::wstring& name) {
    const std::wstring_view removed = L"\\?\"|><:/*";
    std::wstring out;
    for (wchar_t c : name) {
        if (removed.find(c) == std::wstring_view::npos) out += c;
    }
    // ".", ".." (and ". ." or ".. ", which the system reads as such) would
    // name the folder itself or the one above it.
    if (out.find_first_not_of(L". ") == std::wstring::npos) out.clear();
    return out;
}

std::wstring composeUserConfigPath(const std::wstring& appData, const std::wstring& productName,
                                   const std::wstring& productCode, const std::wstring& exePath,
                                   std::vector<std::wstring>* folders) {
    std::wstring path = appData + L"\\" + cleanProductName(productName);
    if (folders) folders->push_back(path);
    path += L"\\" + cleanProductName(productCode);
    if (folders) folders->push_back(path);
    return path + L"\\" + iniFileNameFor(exePath);
}

std::vector<std::wstring> splitCommandLine(const std::wstring& text) {
    std::vector<std::wstring> tokens;
    size_t pos = 0;
    const size_t n = text.size();
    if (n == 0) return tokens;
    for (;;) {
        if (text[pos] == L'"') {
            size_t close = text.find(L'"', pos + 1);
            if (close == std::wstring::npos) {
                tokens.push_back(text.substr(pos + 1));
                return tokens;
            }
            tokens.push_back(text.substr(pos + 1, close - pos - 1));
            pos = close + 1;
        } else {
            size_t space = text.find(L' ', pos);
            if (space == std::wstring::npos) {
                tokens.push_back(text.substr(pos));
                return tokens;
            }
            tokens.push_back(text.substr(pos, space - pos));
            pos = space;
        }
        skipSpaces(text, pos);
        if (pos >= n) return tokens;
    }
}

std::wstring trimWhitespace(const std::wstring& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && isSpaceChar(text[begin])) ++begin;
    while (end > begin && isSpaceChar(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

std::vector<std::wstring> argumentsFromCommandLine(const std::wstring& commandLine) {
    std::vector<std::wstring> tokens = splitCommandLine(trimWhitespace(commandLine));
    if (!tokens.empty()) tokens.erase(tokens.begin());
    return tokens;
}

std::wstring longPathForm(const std::wstring& path) {
    if (path.size() < 260 || startsWith(path, L"\\\\?\\")) return path;
    if (startsWith(path, L"\\\\")) return L"\\\\?\\UNC\\" + path.substr(2);
    if (path.size() > 2 && path[1] == L':') return L"\\\\?\\" + path;
    return path;
}

bool isAbsolutePath(const std::wstring& path) {
    if (path.size() < 2) return false;
    return (path[0] == L'\\' && path[1] == L'\\') || path[1] == L':';
}

bool isPlainFilePath(const std::wstring& path) {
    if (path.empty() || path.find_first_of(L"*?<>\"") != std::wstring::npos) return false;
    const wchar_t last = path.back();
    if (last == L'\\' || last == L'/' || last == L':') return false;
    if (path.size() >= 2 && (path[0] == L'\\' || path[0] == L'/') && (path[1] == L'\\' || path[1] == L'/')) return false;
    const size_t sep = path.find_last_of(L"\\/");
    const size_t start = sep == std::wstring::npos ? 0 : sep + 1;
    return path.find_first_not_of(L". ", start) != std::wstring::npos;
}

void ensureParentFoldersWith(const std::wstring& path, const FolderOps& ops) {
    if (isAbsolutePath(path) && ops.exists(path)) return;

    const bool network = path.size() > 2 && path[0] == L'\\' && path[1] == L'\\' && path[2] != L'?';
    const std::wstring longPrefix = L"\\\\?\\";
    const size_t prefixLength = startsWith(path, longPrefix) ? longPrefix.size() : 0;
    const std::wstring body = path.substr(prefixLength);

    std::wstring root = body;
    std::vector<std::wstring> pieces;
    size_t sep = body.find(L'\\', network ? 2 : 0);
    if (sep != std::wstring::npos) {
        root = body.substr(0, sep);
        size_t start = sep + 1;
        while (start < body.size()) {
            size_t next = body.find(L'\\', start);
            if (next == std::wstring::npos) {
                pieces.push_back(body.substr(start));
                break;
            }
            pieces.push_back(body.substr(start, next - start));
            start = next + 1;
        }
    }
    if (pieces.empty()) return;  // the path names a file in its root: nothing to create

    const std::wstring first = path.substr(0, prefixLength) + root;
    // A root such as D: or \\srv exists by itself. A relative first folder
    // (logs in logs\out.txt) is a folder like any other and is created too.
    const bool driveRoot = prefixLength > 0 || network || (root.size() == 2 && root[1] == L':');
    if (!root.empty() && !driveRoot) {
        unsigned err = ops.create(first);
        if (err != 0 && err != 183) return;
    }

    std::wstring current = first;
    for (size_t i = 0; i + 1 < pieces.size(); ++i) {
        std::wstring next = current + L"\\" + pieces[i];
        unsigned err = ops.create(next);
        if (err != 0 && err != 183 && !network) {
            if (current != first) ops.remove(current);
            return;
        }
        current = next;
    }
}
