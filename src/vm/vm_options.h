#pragma once
// The rules that turn the configuration's Java settings into VM option strings:
// "Virtual Machine Parameters" (splitting, unquoting, memory percentages, the
// thread stack size), the class path and the two environment values. Nothing
// here asks the platform: memory figures, environment expansion and the file
// search are handed in.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/messages.h"
#include "base/paths.h"
#include "runtime/java_version.h"
#include "vm/java_command.h"
#include "vm/program_entry.h"

// --- VM parameters ------------------------------------------------------------

// What the percentage forms of -Xms, -Xmx and -Xss are computed from, in bytes.
struct MemoryStatus {
    uint64_t totalPhysical = 0;     // base of the P/p form
    uint64_t availableVirtual = 0;  // base of the T/t form: address space still free for the process
};

// The numbers of a percentage option such as -Xmx50:256:1024p.
struct ColonNumbers {
    size_t prefixLength = 0;         // index of the first digit or ':' (the whole length when none)
    std::vector<uint32_t> numbers;   // the ':'-separated numbers before the last character
};
ColonNumbers parseColonNumbers(const std::wstring& text);

// The multiplier of a size's last character: G/g 1073741824, M/m 1048576,
// K/k 1024, anything else 1.
uint32_t unitMultiplier(const std::wstring& text);

// The byte count of the text after "-Xss" (512k, 1m, 2048); 0 when it is not a
// single number. Unsigned 32-bit arithmetic that wraps.
uint32_t parseStackSize(const std::wstring& text);

// Rewrites a percentage option (prefix, percent[:minimum MB[:maximum MB]], unit
// letter P/p or T/t) into the prefix, a kilobyte count and "K".
void rewriteMemoryOption(std::wstring& option, const MemoryStatus& memory);

// Removes pairs of double quotes from one parameter ("" after a closing quote
// keeps one quote as a literal character).
std::wstring unquoteVmParameter(const std::wstring& token);

// One parameter: unquoted, memory percentages rewritten, -Xss captured into
// `threadStackSize`, appended to `options`.
void processVmParameter(const std::wstring& token, const MemoryStatus& memory, uint32_t& threadStackSize,
                        std::vector<std::wstring>& options);

// Cuts "Virtual Machine Parameters" at spaces outside double quotes and passes
// every non-empty token to processVmParameter.
void splitVmParameters(const std::wstring& text, const MemoryStatus& memory, uint32_t& threadStackSize,
                       std::vector<std::wstring>& options);

// --- class path ------------------------------------------------------------------

// Where a relative or wildcard entry is searched and what the names found are
// joined to.
struct ClassPathSearch {
    std::wstring pattern;          // the file search
    std::wstring resultDirectory;  // prefix of every name the search returns
};
// `folderBare` is the executable's folder without its trailing backslash.
ClassPathSearch classPathSearchFor(const std::wstring& entry, const std::wstring& folderBare);

struct ClassPathOps {
    std::function<void(std::wstring&)> expand;                                 // %NAME% references
    std::function<std::vector<std::wstring>(const std::wstring&)> findNames;  // names a search returns, in order
};
// The class path value: every entry resolved, joined by ';', without an empty
// entry. Absolute entries without '*' are taken as they are; the others go
// through the search.
std::wstring buildClassPath(const std::wstring& configured, const std::wstring& folderBare, const ClassPathOps& ops);

// --- the program's classes: class path, main JAR, main module ----------------------

// The lists and the entry that name the program's classes.
struct ProgramPaths {
    std::wstring classPath;   // entries joined by ';'; empty: no class path option
    std::wstring modulePath;  // likewise; empty: no module path (a jlink image holds the modules)
    ProgramEntry entry;
};
// The main module of "Main Module" (module or module/class) and its class,
// '/'-separated; an empty class when only the module is named.
void splitMainModule(const std::wstring& value, std::wstring& module, std::wstring& mainClass);
// From "Class Path", "Embedded Jar", "Main JAR", "Main Module" and "Module
// Path", with `mainClass` ("Main Class", '/'-separated): the main JAR (found
// as a class path entry is) first on the class path, then the executable with
// "Embedded Jar", then "Class Path". Failure 209 for an empty class path
// without a main module, 254 for a main JAR that is not found.
Failure buildProgramPaths(const JavaCommand& command, const std::wstring& mainClass, const std::wstring& folderBare,
                          const std::wstring& executable, const ClassPathOps& ops, ProgramPaths& out);
// Failure 250 when "Main Module" is set and the runtime's known version is older than 9.
Failure checkMainModuleRuntime(const JavaCommand& command, const JavaVersion& runtimeVersion);
// The options that hand them to the VM, as the java command does: the class
// path, then for a main module the module path and the root module.
std::vector<std::wstring> programOptions(const ProgramPaths& paths);

// --- text the VM reads in the narrow code page ------------------------------------

// A ';'-separated list of paths (class path, library path) as the VM can read
// it: an entry whose text does not survive the conversion to the narrow code
// page is replaced by its short (8.3) name when that survives; otherwise it
// stays as it is. Separators, empty entries and a trailing ';' stay.
struct NarrowPathList {
    std::wstring list;
    std::vector<std::wstring> shortened;       // entries replaced by their short names
    std::vector<std::wstring> unrepresentable;  // entries that stay unreadable for the VM
};
NarrowPathList narrowPathList(const std::wstring& list, const std::function<bool(const std::wstring&)>& survives,
                              const std::function<std::wstring(const std::wstring&)>& shortName);

// --- environment --------------------------------------------------------------------

// The runtime's home with its trailing backslash (C:\jre\bin\server\jvm.dll -> C:\jre\).
std::wstring runtimeHomeOf(const std::wstring& jvmLibraryPath);
// The runtime's bin folder (C:\jre\bin\server\jvm.dll -> C:\jre\bin).
std::wstring runtimeBinOf(const std::wstring& jvmLibraryPath);
// QZ_JVM_HOME: the VM library path with its last three components cut
// (D:\jre\bin\server\jvm.dll -> D:\jre); a cut without '\' changes nothing.
std::wstring jvmHomeFromLibrary(const std::wstring& libraryPath);

// The value of -Djava.library.path= before environment expansion: the configured
// library path, the executable's folder, ".", %Path% and the runtime's lib folder.
std::wstring libraryPathValue(const std::wstring& libraryPath, const std::wstring& moduleFolder,
                              const std::wstring& jvmLibraryPath);
// The new Path before environment expansion: "System Path", %Path% and the runtime's bin folder.
std::wstring systemPathValue(const std::wstring& systemPath, const std::wstring& jvmLibraryPath);
