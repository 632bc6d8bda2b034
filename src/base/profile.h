#pragma once
// Profile (INI) files: reading keys with the continuation sections the
// configuration uses, and writing one value back.
#include <functional>
#include <string>
#include <vector>

// The value of a key read with continuation: the plain value when it is not
// empty, otherwise " " + the value from the "<section>+" section (no second
// space when that value starts with one), otherwise empty.
std::wstring continuationValue(const std::wstring& plain, const std::wstring& continued);

// Whether a list of the section names of a file (or of the key names of a
// section) may hold `name`: an entry equal to it in any case, or an entry with
// other than ASCII characters in it, whose case folding is left to the system.
bool nameListed(const std::vector<std::wstring>& names, const std::wstring& name);

// The keys of one profile file. A missing file, section or key reads as empty.
class ProfileSource {
public:
    virtual ~ProfileSource() = default;
    // One key, without continuation; values of any length.
    virtual std::wstring readPlain(const std::wstring& section, const std::wstring& key) const = 0;
    // The read with the continuation section "<section>+".
    std::wstring read(const std::wstring& section, const std::wstring& key) const;
};

// A profile file read through the system's profile functions.
class ConfigFile : public ProfileSource {
public:
    explicit ConfigFile(std::wstring path) : path_(std::move(path)) {}
    const std::wstring& path() const { return path_; }
    std::wstring readPlain(const std::wstring& section, const std::wstring& key) const override;

private:
    // Whether the file may have the key. The names of the sections, and of the
    // keys of a section read from, are listed once: each read of the system's
    // profile functions opens the file again, and most keys a start asks for
    // are absent. A name list that cannot be read answers yes.
    bool mayHave(const std::wstring& section, const std::wstring& key) const;

    struct KeyList {
        std::wstring section;
        bool known = false;
        std::vector<std::wstring> keys;
    };
    std::wstring path_;
    mutable bool sectionsRead_ = false;
    mutable bool sectionsKnown_ = false;
    mutable std::vector<std::wstring> sections_;
    mutable std::vector<KeyList> keyLists_;
};

// Whether the profile functions can open the file at `path`: its path, or its
// short (8.3) form, is shorter than the system's limit.
bool profileReachable(const std::wstring& path);

// --- writing a value ------------------------------------------------------------------

// The steps of writing one value, handed in. The system's profile functions
// rewrite a file in place, and on a full disk cut it and report success.
struct ProfileWriteOps {
    std::function<bool(const std::wstring& file)> exists;
    std::function<bool(const std::wstring& from, const std::wstring& to)> copy;  // over an existing `to`
    std::function<bool(const std::wstring& file)> isUnicode;  // UTF-16 with a byte order mark
    // Converts the file from the ANSI code page to UTF-16 LE with a byte order
    // mark; a missing file is created so.
    std::function<bool(const std::wstring& file)> makeUnicode;
    std::function<bool(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                       const std::wstring& value)>
        write;
    std::function<std::wstring(const std::wstring& file, const std::wstring& section, const std::wstring& key)> read;
    // Every line of every section as the profile functions read it, as "<section>\n<line>".
    std::function<std::vector<std::wstring>(const std::wstring& file)> lines;
    std::function<bool(const std::wstring& from, const std::wstring& to)> replace;  // in one step
    std::function<void(const std::wstring& file)> remove;
    std::function<bool(const std::wstring& text)> fitsCodePage;  // the ANSI code page holds it
    std::function<std::wstring(const std::wstring& path)> shortName;  // empty when there is none
};

// Writes one value (creating the file, section or key when missing) into a
// copy of the file in its folder, reads it back, checks that every other line
// survived, and only then puts the copy in the file's place in one step. A
// value that the file's code page cannot hold is written as its short (8.3)
// name when that fits, otherwise the copy becomes UTF-16 first. False when the
// file stays as it was; `note` says why, or, on success, how a value the code
// page cannot hold was written (empty otherwise).
bool writeProfileValueWith(const ProfileWriteOps& ops, const std::wstring& file, const std::wstring& section,
                           const std::wstring& key, const std::wstring& value, std::wstring& note);

// The same with this platform's operations.
ProfileWriteOps profileWriteOps();
bool writeProfileValue(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                       const std::wstring& value, std::wstring* note = nullptr);
