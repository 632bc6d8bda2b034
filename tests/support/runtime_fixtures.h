#pragma once
// Test fixtures for runtime discovery: runtime folders made of empty marker
// files, and registry entries planted in the test prefix that are removed again.
#include <windows.h>

#include <string>
#include <vector>

namespace testing_support {

// Which marker files a runtime folder gets.
enum RuntimeParts : unsigned {
    kClientVm = 1,   // bin\client\jvm.dll
    kServerVm = 2,   // bin\server\jvm.dll
    kJavaDll = 4,    // bin\java.dll
};

// Creates `home` (a folder path without a trailing backslash) with the marker
// files named by `parts` (empty files) and gives it with a trailing backslash.
std::wstring makeRuntimeFolder(const std::wstring& home, unsigned parts);

// Writes a file that is the smallest valid PE image header for `machine`
// (0x014C x86, 0x8664 x86_64): enough for the machine-type check, never loaded.
bool writeImageHeader(const std::wstring& path, unsigned short machine);

// Writes a small PE image for `machine` (pe_builder.h), with a version resource
// when `productVersion` (four numbers) is given. Creates the parent folders.
bool writeImage(const std::wstring& path, unsigned short machine, const unsigned short* productVersion = nullptr);
// Writes `home`\release with the line JAVA_VERSION="<javaVersion>" among others.
bool writeReleaseFile(const std::wstring& home, const std::string& javaVersion);

// Registry keys and values created by a test; every key it created is deleted
// again (deepest first) when it goes out of scope. Keys that existed before are
// left alone.
class RegistryPlant {
public:
    RegistryPlant() = default;
    RegistryPlant(const RegistryPlant&) = delete;
    RegistryPlant& operator=(const RegistryPlant&) = delete;
    ~RegistryPlant();

    // Sets a string value (REG_SZ) in `path` under `root`, creating the keys
    // on the way. `view` is 0, KEY_WOW64_32KEY or KEY_WOW64_64KEY.
    bool set(HKEY root, REGSAM view, const std::wstring& path, const std::wstring& name, const std::wstring& value);
    bool createKey(HKEY root, REGSAM view, const std::wstring& path);
    // Creates the keys of `path` only; sets a value of any type and size (raw bytes).
    bool setRaw(HKEY root, REGSAM view, const std::wstring& path, const std::wstring& name, DWORD type,
                const void* data, DWORD size);

    // Deletes a key this plant created (and forgets it).
    void remove(HKEY root, REGSAM view, const std::wstring& path);
    void removeAll();

private:
    struct Created {
        HKEY root;
        REGSAM view;
        std::wstring path;
    };
    HKEY openCreating(HKEY root, REGSAM view, const std::wstring& path);
    std::vector<Created> created_;
};

// Whether a key exists (in the given view).
bool registryKeyExists(HKEY root, REGSAM view, const std::wstring& path);

}  // namespace testing_support
