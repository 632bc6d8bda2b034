#pragma once
#include <string>
#include <vector>

class Launcher;
enum class JvmType;

// --- rules of the configuration words ------------------------------------------

// The value of a key read with continuation: the plain value when it is not
// empty, otherwise " " + the value from the "<section>+" section (no second
// space when that value starts with one), otherwise empty.
std::wstring continuationValue(const std::wstring& plain, const std::wstring& continued);
// "Yes" in any case.
bool isYesAnyCase(const std::wstring& value);
// Exactly "yes".
bool isYesExact(const std::wstring& value);
// "server" -> Server, "favor_server" -> FavorServer, anything else Default (exact words).
JvmType jvmTypeFromText(const std::wstring& value);
// Sets acceptJdk, acceptJre and favorSource from "JVM Source".
void applyJvmSource(Launcher& launcher, const std::wstring& value);
// Sets the six vendor flags from "VM Provider" (words compared in any case).
void applyVmProvider(Launcher& launcher, const std::wstring& value);
// "Main Class" with every '.' replaced by '/'.
std::wstring mainClassFromConfig(const std::wstring& value);

// Whether a file with the section names `names` may hold `section`: a name
// equal to it in any case, or a name with other than ASCII letters in it,
// whose case folding is left to the system.
bool sectionListed(const std::vector<std::wstring>& names, const std::wstring& section);

// --- the configuration file -------------------------------------------------------

// The configuration path: the module path with everything after its last '.'
// replaced by "ini". False when there is none.
bool configFilePath(std::wstring& path);

// Reads keys of one profile (INI) file. A missing file, section or key reads as empty.
class ConfigFile {
public:
    explicit ConfigFile(std::wstring path) : path_(std::move(path)) {}
    const std::wstring& path() const { return path_; }
    // One read, values of any length.
    std::wstring readPlain(const std::wstring& section, const std::wstring& key) const;
    // The read with the continuation section "<section>+".
    std::wstring read(const std::wstring& section, const std::wstring& key) const;

private:
    // Whether the file has the section. The names are read once: each read of
    // the system's profile functions opens and parses the file again, and
    // most keys of a start live in sections a file does not have.
    bool hasSection(const std::wstring& section) const;

    std::wstring path_;
    mutable bool sectionsRead_ = false;
    mutable bool sectionsKnown_ = false;
    mutable std::vector<std::wstring> sections_;
};

// Writes one value (creating the file, section or key when missing). False on failure.
bool writeProfileValue(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                       const std::wstring& value);

// The start-up reading of every key. False when there is no configuration path
// or no "Main Class" (message 210).
bool readConfiguration(Launcher& launcher);

// Whether the system is of the Windows NT family.
bool isWindowsNtFamily();
