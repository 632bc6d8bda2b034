#include "runtime/runtime_version.h"

#include "base/text.h"

namespace {

bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// A line of the file without its line break and the spaces around it.
std::string trimmed(const std::string& line) {
    size_t begin = 0, end = line.size();
    while (begin < end && (line[begin] == ' ' || line[begin] == '\t')) ++begin;
    while (end > begin && (line[end - 1] == ' ' || line[end - 1] == '\t' || line[end - 1] == '\r')) --end;
    return line.substr(begin, end - begin);
}

}  // namespace

const wchar_t* originText(VersionOrigin origin) {
    switch (origin) {
    case VersionOrigin::None: return L"";
    case VersionOrigin::Registry: return L"registry";
    case VersionOrigin::ReleaseFile: return L"release file";
    case VersionOrigin::VersionResource: return L"version resource";
    }
    return L"";
}

bool releaseFileVersion(const std::string& bytes, std::wstring& text) {
    static const char kKey[] = "JAVA_VERSION=";
    const size_t kMaxLength = 64;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        const std::string line = trimmed(bytes.substr(start, end - start));
        start = end + 1;
        if (line.compare(0, sizeof kKey - 1, kKey) != 0) continue;
        std::string value = line.substr(sizeof kKey - 1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        if (value.empty() || value.size() > kMaxLength) return false;
        std::wstring out;
        for (char c : value) {
            if (c < 0x20 || c > 0x7E || c == '"') return false;
            out += static_cast<wchar_t>(c);
        }
        text = out;
        return true;
    }
    return false;
}

std::wstring jreParentFolder(const std::wstring& home) {
    static const wchar_t kJre[] = L"\\jre\\";
    const size_t n = sizeof kJre / sizeof kJre[0] - 1;
    if (home.size() <= n || !equalsIgnoreCase(home.substr(home.size() - n), kJre)) return std::wstring();
    return home.substr(0, home.size() - n + 1);
}

JavaVersion versionFromProductVersion(const uint16_t v[4]) {
    const int32_t major = v[0];
    if (major == 0) return JavaVersion();
    if (major >= 5 && major <= 8) return JavaVersion(1, major, 0, 0);
    return JavaVersion(major, 0, 0, 0);
}

std::wstring productVersionText(const uint16_t v[4]) {
    return decimal(v[0]) + L"." + decimal(v[1]) + L"." + decimal(v[2]) + L"." + decimal(v[3]);
}

JavaVersion modernVersion(const std::wstring& text) {
    const JavaVersion v = JavaVersion::parse(text, 0);
    if (startsWith(text, L"1.") || v.fields[0] < 5 || v.fields[0] > 8 || v.fields[1] != 0) return v;
    return JavaVersion(1, v.fields[0], 0, v.fields[2]);
}

int digitGroups(const std::wstring& text) {
    int groups = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (isDigit(text[i]) && (i == 0 || !isDigit(text[i - 1]))) ++groups;
    }
    return groups;
}
