#include "base/ini_file.h"

#include "base/files.h"
#include "base/text.h"

namespace {

// White space as the profile functions trim it, ^Z (an old end-of-file mark) included.
bool isBlank(wchar_t c) { return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x1A; }

// Names compare in any case for ASCII letters, as the profile functions
// compare them here; other letters compare exactly.
wchar_t lowerCase(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c; }

bool sameName(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (lowerCase(a[i]) != lowerCase(b[i])) return false;
    }
    return true;
}

std::wstring trimmed(const std::wstring& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

// UTF-16 code units (little-endian unless `bigEndian`) to wide text.
std::wstring fromUtf16(const std::string& bytes, size_t start, bool bigEndian) {
    std::wstring out;
    out.reserve((bytes.size() - start) / 2);
    auto unit = [&](size_t i) -> char32_t {
        const auto lo = static_cast<unsigned char>(bytes[i + (bigEndian ? 1 : 0)]);
        const auto hi = static_cast<unsigned char>(bytes[i + (bigEndian ? 0 : 1)]);
        return static_cast<char32_t>(lo | (hi << 8));
    };
    for (size_t i = start; i + 1 < bytes.size(); i += 2) {
        char32_t c = unit(i);
        if (sizeof(wchar_t) == 4 && c >= 0xD800 && c <= 0xDBFF && i + 3 < bytes.size()) {
            const char32_t next = unit(i + 2);
            if (next >= 0xDC00 && next <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00);
                i += 2;
            }
        }
        out.push_back(static_cast<wchar_t>(c));
    }
    return out;
}

}  // namespace

IniFile IniFile::fromBytes(const std::string& bytes) {
    IniFile file;
    auto starts = [&](const char* mark, size_t n) { return bytes.size() >= n && bytes.compare(0, n, mark, n) == 0; };
    if (starts("\xEF\xBB\xBF", 3)) {
        file.parse(fromModifiedUtf8(bytes.substr(3)));
    } else if (starts("\xFF\xFE", 2)) {
        file.parse(fromUtf16(bytes, 2, false));
    } else if (starts("\xFE\xFF", 2)) {
        file.parse(fromUtf16(bytes, 2, true));
    } else {
        file.parse(fromAnsi(bytes));
    }
    return file;
}

IniFile IniFile::load(const std::wstring& path) {
    std::string bytes;
    if (!readFileBytes(path, bytes)) return IniFile();
    return fromBytes(bytes);
}

void IniFile::parse(const std::wstring& text) {
    sections_.assign(1, Section());
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of(L"\r\n", pos);
        if (end == std::wstring::npos) end = text.size();
        const std::wstring line = trimmed(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty()) continue;
        if (line[0] == L'[') {
            // The name runs to the line's last ']'; a line without one is a key line.
            const size_t close = line.rfind(L']');
            if (close != std::wstring::npos) {
                Section section;
                section.name = trimmed(line.substr(1, close - 1));
                sections_.push_back(section);
                continue;
            }
        }
        Key key;
        const size_t equals = line.find(L'=');
        if (equals == std::wstring::npos) {
            key.name = line;
        } else {
            key.name = trimmed(line.substr(0, equals));
            key.value = trimmed(line.substr(equals + 1));
            key.hasValue = true;
        }
        // Several lines with an empty name in a row count once.
        std::vector<Key>& keys = sections_.back().keys;
        if (key.name.empty() && !keys.empty() && keys.back().name.empty()) continue;
        keys.push_back(key);
    }
}

std::wstring IniFile::readPlain(const std::wstring& section, const std::wstring& key) const {
    const std::wstring wantedSection = trimmed(section);
    const std::wstring wantedKey = trimmed(key);
    // An empty name finds the lines before the first section header.
    for (size_t s = 0; s < sections_.size(); ++s) {
        if (!sameName(sections_[s].name, wantedSection)) continue;
        // Only the first section of the name is searched.
        for (const Key& k : sections_[s].keys) {
            if (!sameName(k.name, wantedKey)) continue;
            if (!k.hasValue) return std::wstring();
            const std::wstring& v = k.value;
            if (v.size() >= 2 && (v[0] == L'"' || v[0] == L'\'') && v.back() == v[0]) return v.substr(1, v.size() - 2);
            return v;
        }
        return std::wstring();
    }
    return std::wstring();
}
