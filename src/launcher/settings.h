#pragma once
// The configuration file's settings, read once at start-up by one reader.
#include <cstdint>
#include <memory>
#include <string>

#include "base/messages.h"
#include "base/profile.h"
#include "runtime/policy.h"
#include "vm/java_command.h"

struct Settings {
    std::wstring productName;      // "Product Name"
    std::wstring productCode;      // "Product Code"
    RuntimePolicy runtime;         // versions, "JVM Type", "JVM Source", "VM Provider", "Preferred versions"
    bool isService = false;        // "Application Type" is "service"
    bool omitServiceName = false;  // "Omit Service Name" (read for a service only)
    uint32_t stopTimeoutSeconds = 0;  // "Stop Timeout" (read for a service only); 0: none
    std::wstring jrePath;          // "JRE Path", from the per-user file when there is one
    std::wstring mainClass;        // "Main Class", '.' replaced by '/'
    bool failureCheck = false;     // "Failure Check"
    bool overrideWorkingDir = false;
    std::wstring pairProductPath;  // "Pair Product"
    bool pairReturnCode = false;   // "Pair Return Code"
    bool singleInstance = false;   // "Single Instance" is exactly "yes"
    JavaCommand command;           // class path, VM parameters, output files, "Cmd", library and system paths
};

// --- rules of the configuration words ------------------------------------------

// "Yes" in any case.
bool isYesAnyCase(const std::wstring& value);
// Exactly "yes".
bool isYesExact(const std::wstring& value);
// "Main Class" with every '.' replaced by '/'.
std::wstring mainClassFromConfig(const std::wstring& value);
// "Stop Timeout": whole seconds, the decimal digits the value starts with
// (after blanks); no digits give 0, and a value too large for 32 bits the largest.
uint32_t secondsFromConfig(const std::wstring& value);

// --- the reader -------------------------------------------------------------------

// What the reading rules need of the platform.
class SettingsFacts {
public:
    // The keys of the profile file at `path`.
    virtual std::unique_ptr<ProfileSource> open(const std::wstring& path) const = 0;
    virtual bool isWindowsNtFamily() const = 0;
    // The per-user configuration file of executable `exePath` (its folders are not created).
    virtual std::wstring userConfigPath(const std::wstring& exePath, const std::wstring& productName,
                                        const std::wstring& productCode) const = 0;
    // Whether a file search finds `path`.
    virtual bool fileFound(const std::wstring& path) const = 0;

protected:
    ~SettingsFacts() = default;
};

// Reads every key of the configuration file `configPath` into `settings`, and
// "JRE Path" from the per-user copy of executable `exePath` when there is one.
// Failure 210 when "Main Class" is missing (the keys after it are then not read).
Failure readSettings(const std::wstring& configPath, const std::wstring& exePath, const SettingsFacts& facts,
                     Settings& settings);
