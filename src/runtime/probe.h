#pragma once
// What a runtime search asks of the machine: the registry, the files of
// runtime folders, JAVA_HOME, and the files a folder the user picked is
// written to. The rules of the search take it as an interface, so that they
// run on given facts as well as on the system's (probe_win.cpp).
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "base/registry.h"

class RuntimeProbe {
public:
    // The subkey names of `key` in index order; false when the key cannot be opened.
    virtual bool subkeyNames(RegistryRoot root, RegistryView view, const std::wstring& key,
                             std::vector<std::wstring>& names) const = 0;
    // The values `names` of `key` as text, whatever their type (empty when
    // missing or unreadable), into `values`; false when the key cannot be opened.
    virtual bool textValues(RegistryRoot root, RegistryView view, const std::wstring& key,
                            std::initializer_list<const wchar_t*> names, std::vector<std::wstring>& values) const = 0;

    // Whether a file search finds the path (a file or a folder).
    virtual bool exists(const std::wstring& path) const = 0;
    // The first `limit` bytes of a file; false when it cannot be read.
    virtual bool readFile(const std::wstring& path, size_t limit, std::string& bytes) const = 0;
    // The machine of the PE image at `path`; false when it is no image.
    virtual bool imageMachine(const std::wstring& path, uint16_t* machine) const = 0;
    // The product version of the image's version resource; false when it has none.
    virtual bool imageProductVersion(const std::wstring& path, uint16_t version[4]) const = 0;

    // An environment variable's value; empty when it is not set.
    virtual std::wstring environment(const std::wstring& name) const = 0;
    // The full path of a possibly relative path, as a process started from here sees it.
    virtual std::wstring fullPath(const std::wstring& path) const = 0;
    // The per-user configuration file of executable `exePath`, its folders created.
    virtual std::wstring userConfigPath(const std::wstring& exePath, const std::wstring& productName,
                                        const std::wstring& productCode) const = 0;
    // Writes "JRE Path" in "Java Runtime Environment" of the profile file `file`;
    // `note` says how a value the file's code page cannot hold was written, or why nothing was.
    virtual bool writeJrePath(const std::wstring& file, const std::wstring& folder, std::wstring& note) const = 0;

protected:
    ~RuntimeProbe() = default;
};

// The machine's own facts.
const RuntimeProbe& systemRuntimeProbe();
