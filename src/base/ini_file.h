#pragma once
// A reader of INI files that needs no platform: the rules of the Windows
// profile functions that the launcher relies on, for builds and tools that
// have no such functions (the Linux host, the native tests).
#include <string>
#include <vector>

#include "base/profile.h"

class IniFile : public ProfileSource {
public:
    IniFile() = default;
    // The file's bytes as the profile functions read them: UTF-16 (either
    // order) or UTF-8 after a byte-order mark, otherwise the narrow code page
    // (fromAnsi: the ANSI code page on Windows, UTF-8 elsewhere).
    static IniFile fromBytes(const std::string& bytes);
    // The file at `path`; a file that cannot be read is empty, as a missing one
    // is for the profile functions.
    static IniFile load(const std::wstring& path);

    // The value of the first key of that name in the first section of that name,
    // both in any case; values are trimmed of blanks and lose one pair of
    // enclosing quotes. A missing section or key, or a line without '=', reads
    // as empty.
    std::wstring readPlain(const std::wstring& section, const std::wstring& key) const override;

private:
    struct Key {
        std::wstring name;
        std::wstring value;
        bool hasValue = false;
    };
    struct Section {
        std::wstring name;
        std::vector<Key> keys;
    };
    void parse(const std::wstring& text);
    std::vector<Section> sections_;  // the first holds the lines before any section header
};
