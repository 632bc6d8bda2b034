#include "base/profile.h"

#include "base/text.h"

std::wstring continuationValue(const std::wstring& plain, const std::wstring& continued) {
    if (!plain.empty()) return plain;
    if (continued.empty()) return std::wstring();
    if (continued[0] == L' ') return continued;
    return L" " + continued;
}

bool nameListed(const std::vector<std::wstring>& names, const std::wstring& wanted) {
    for (const std::wstring& name : names) {
        if (equalsIgnoreCase(name, wanted)) return true;
        for (wchar_t c : name) {
            if (c > 0x7F) return true;
        }
    }
    return false;
}

std::wstring ProfileSource::read(const std::wstring& section, const std::wstring& key) const {
    std::wstring plain = readPlain(section, key);
    if (!plain.empty()) return plain;
    return continuationValue(plain, readPlain(section + L"+", key));
}

namespace {

// Whether a line of `lines` is the key's in the section.
bool isKeyLine(const std::wstring& line, const std::wstring& section, const std::wstring& key) {
    const size_t cut = line.find(L'\n');
    const size_t equals = line.find(L'=', cut == std::wstring::npos ? 0 : cut + 1);
    if (equals == std::wstring::npos || !equalsIgnoreCase(line.substr(0, cut), section)) return false;
    std::wstring name = line.substr(cut + 1, equals - cut - 1);
    const size_t first = name.find_first_not_of(L" \t");
    const size_t last = name.find_last_not_of(L" \t");
    return first != std::wstring::npos && equalsIgnoreCase(name.substr(first, last - first + 1), key);
}

std::vector<std::wstring> withoutKey(std::vector<std::wstring> lines, const std::wstring& section,
                                     const std::wstring& key) {
    std::vector<std::wstring> others;
    for (std::wstring& line : lines) {
        if (!isKeyLine(line, section, key)) others.push_back(std::move(line));
    }
    return others;
}

}  // namespace

bool writeProfileValueWith(const ProfileWriteOps& ops, const std::wstring& file, const std::wstring& section,
                           const std::wstring& key, const std::wstring& value, std::wstring& note) {
    const std::wstring copy = file + L".new";
    const bool existed = ops.exists(file);
    auto fail = [&](const wchar_t* why) {
        ops.remove(copy);
        note = why;
        return false;
    };
    ops.remove(copy);  // what an interrupted write left
    if (existed && !ops.copy(file, copy)) return fail(L"no copy of the file could be made beside it");
    note.clear();
    std::wstring stored = value;
    if (!(existed && ops.isUnicode(copy)) && !ops.fitsCodePage(value)) {
        const std::wstring alias = ops.shortName(value);
        if (!alias.empty() && ops.fitsCodePage(alias)) {
            stored = alias;
            note = L"written as the short name " + alias + L", since the file's code page cannot hold " + value;
        } else if (ops.makeUnicode(copy)) {
            note = L"the file became UTF-16, since its code page cannot hold " + value + L" and it has no short name";
        } else {
            return fail(L"the copy could not be made UTF-16");
        }
    }
    if (!ops.write(copy, section, key, stored)) return fail(L"the copy could not be written");
    if (ops.read(copy, section, key) != stored) return fail(L"the value did not read back from the copy");
    if (existed && withoutKey(ops.lines(copy), section, key) != withoutKey(ops.lines(file), section, key)) {
        return fail(L"the copy lost lines of the file (is the disk full?)");
    }
    if (!ops.replace(copy, file)) return fail(L"the copy could not take the file's place");
    return true;
}
