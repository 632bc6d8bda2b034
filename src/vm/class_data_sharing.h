#pragma once
// The start-up cache ("Class Data Sharing" = "auto"): which options make the
// VM keep classes of this application in a cache file, and what to do with the
// cache files around a start. Nothing here asks the platform: the facts are
// handed in as values, the few file operations through CacheFileOps.
//
// How a start uses it (the wiring, in this order):
//   1. After the class path and the "Virtual Machine Parameters" are built and
//      before the VM is created: prepareStartupCache (class_data_sharing_win.h),
//      which gathers the facts and calls prepareClassDataSharing below. Insert
//      the plan's vmOptions right after the class path option, before the
//      user's parameters (so that the user's own -Xlog settings come later and
//      win). An empty list leaves the options exactly as without the key.
//   2. After the program has ended (after DestroyJavaVM returned, and in the
//      exit hook when the program ends the process with System.exit):
//      finishStartupCache with the same plan. It starts the child that
//      assembles an AOT cache when the plan asks for one, and returns at once.
//      A second call with the same plan starts nothing.
//
// The bands (by the runtime's major version):
//   25 and later, with bin\java.exe: AOT cache. A start without a cache
//     records (-XX:AOTMode=record -XX:AOTConfiguration=<x.aotconf>); after the
//     program a child "java -XX:AOTMode=create" assembles <x.aot>; later starts
//     use it (-XX:AOTCache=<x.aot>).
//   19 and later otherwise: dynamic archive; a start without one trains with
//     -XX:SharedArchiveFile=<x.jsa> -XX:+AutoCreateSharedArchive, later starts
//     use it with -XX:SharedArchiveFile=<x.jsa> only: a VM that re-writes an
//     archive it cannot write (another instance has it mapped) ends with an error.
//   13 to 18: -XX:ArchiveClassesAtExit=<x.jsa> on a start without an archive,
//     -XX:SharedArchiveFile=<x.jsa> afterwards.
//   older or unknown: nothing.
// Every band adds the options that keep the VM's messages about the cache off
// the program's standard output and error.
//
// File names: <exe>-<8 hex digits of the executable's path>-<16 hex digits of
// the runtime identity, version, kind and every class path entry with its size
// and time, and the main module and the module path's files, when there are
// any>.<extension>. Files of the same executable with other digits are old
// caches: they are removed when a new cache is made (and so is what an earlier
// training of the same cache left). <name>.tried marks a
// training; while it exists without a cache, no training is started again.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "runtime/java_version.h"

// One entry of the class path as the VM receives it.
struct ClassPathFile {
    std::wstring path;
    bool found = false;      // the file system knows it
    bool folder = false;     // a folder (also "." and ".." that a wildcard listed)
    uint64_t size = 0;
    uint64_t lastWrite = 0;  // the file system's time stamp, in its own units
};

// A variable of VM options that the VM reads itself, such as JAVA_TOOL_OPTIONS.
struct EnvironmentOptions {
    std::wstring name;
    std::wstring value;
};

// Everything the rule looks at, as plain values.
struct CacheInputs {
    std::wstring setting;                          // "Class Data Sharing" as read
    JavaVersion runtimeVersion;                    // 0.0.0.0: unknown
    std::wstring runtimeIdentity;                  // the release file's version, or the VM library's size and time
    std::wstring javaCommand;                      // the runtime's java command (bin\java.exe); empty when it has none
    std::wstring classPath;                        // the class path value exactly as the VM gets it
    std::vector<ClassPathFile> classPathFiles;     // its entries
    std::wstring modulePath;                       // the module path as the VM gets it; empty: none
    std::vector<ClassPathFile> modulePathFiles;    // its files (the modules in a folder of modules)
    std::wstring mainModule;                       // the root module ("Main Module"); empty: none
    std::vector<std::wstring> vmParameters;        // the user's parameters, split and unquoted
    std::vector<EnvironmentOptions> environmentOptions;  // JAVA_TOOL_OPTIONS, _JAVA_OPTIONS
    std::wstring executable;                       // the executable's path
    std::wstring cacheFolder;                      // with its trailing separator; empty: none
    // The process runs elevated ("Run as administrator") while the same
    // account's programs without elevation can write the cache folder: such a
    // program could have planted options or a forged cache there.
    bool elevated = false;
};

enum class CacheKind {
    None,
    ArchiveAtExit,  // JDK 13 to 18
    AutoArchive,    // JDK 19 and later (25 and later without a java command)
    AotCache,       // JDK 25 and later
};

// Whether the setting, the runtime's version and the user's options allow a
// cache: the checks that need no file facts. `reason` says why not.
bool cacheWanted(const CacheInputs& in, std::wstring& reason);

// The kind of cache for these inputs (cacheWanted, then the class path, the
// folder and the elevation), before any cache file is looked at; `reason` says
// why when it is None.
CacheKind chooseCacheKind(const CacheInputs& in, std::wstring& reason);

// What a start does about the cache.
struct CachePlan {
    CacheKind kind = CacheKind::None;
    std::vector<std::wstring> vmOptions;  // to add; empty: the options stay as they are
    std::wstring reason;                  // for the trace
    bool training = false;                // this start makes a new cache: mark it first
    // The VM's output goes through the launcher's filter, which holds back the
    // line with which the VM reports the configuration it recorded (JDK 25
    // training; no logging option silences it) and passes on everything else.
    bool filterVmOutput = false;
    std::wstring cacheFile;               // x.aot or x.jsa
    std::wstring markerFile;              // x.tried
    std::wstring configFile;              // x.aotconf (AOT cache only)
    std::vector<std::wstring> removeFiles;  // old caches of this executable, leftovers of a training
    // After the program: the child that assembles the AOT cache, started as
    // <javaCommand> @<argumentsFile>, where the file holds argumentsFileText.
    std::wstring javaCommand;
    std::wstring argumentsFile;
    std::wstring argumentsFileText;
};

// The plan for inputs whose kind is `kind`, given the names of the files in
// the cache folder.
CachePlan planCacheFiles(const CacheInputs& in, CacheKind kind, const std::vector<std::wstring>& folderNames);

// The base name of this application's cache files (without folder and
// extension), and the prefix that every base name of the same executable has.
std::wstring cacheBaseName(const CacheInputs& in, CacheKind kind);
std::wstring cacheNamePrefix(const std::wstring& executable);

// The text of a java argument file (@file): one argument a line, in double
// quotes, with \ and " escaped as the java command reads them.
std::wstring javaArgumentFileText(const std::vector<std::wstring>& arguments);

// One argument of a Windows command line, quoted when needed so that the C
// runtime's (and the java command's) splitting gives it back unchanged.
std::wstring commandLineArgument(const std::wstring& argument);

// <local>\<product name>\<product code>\, both cleaned as cleanProductName
// (base/paths.h) cleans them, leaving out an empty level; <local>\<executable's
// name without extension>\ when both are empty. Empty when `localAppData` is.
std::wstring composeCacheFolder(const std::wstring& localAppData, const std::wstring& productName,
                                const std::wstring& productCode, const std::wstring& executable);

// How the start of the AOT cache assembly went.
enum class ChildStart { Started, NoFile, NotStarted };

// The file operations of prepare and finish.
struct CacheFileOps {
    std::function<std::vector<std::wstring>(const std::wstring& folder)> listFolder;  // file names, no folder
    std::function<bool(const std::wstring& folder)> createFolder;                     // with the folders above it
    // A new file holding the text (in the VM's narrow form); false when the
    // file exists already or cannot be written.
    std::function<bool(const std::wstring& file, const std::wstring& text)> createFile;
    std::function<bool(const std::wstring& file)> exists;
    std::function<void(const std::wstring& file)> removeFile;      // also a read-only one; failure is ignored
    // Writes `text` (in the VM's narrow form) into the new file
    // `argumentsFile` and starts `program` with the one argument
    // @<argumentsFile>, output discarded, no other handle inherited, not waited
    // for. No other process can change the file before the child has read it.
    // NoFile when the file exists already or cannot be written.
    std::function<ChildStart(const std::wstring& program, const std::wstring& argumentsFile, const std::wstring& text)>
        startDetached;
};

// Before the VM is created: decides, removes old caches, marks a training
// (a training whose marker cannot be written does not happen: the folder is
// not writable, and a VM that cannot write its archive at exit fails). Traces
// the decision.
CachePlan prepareClassDataSharing(const CacheInputs& in, const CacheFileOps& ops);

// After the program has ended: starts the AOT cache assembly when the plan
// asks for it and the training wrote its configuration. Traces what it did.
void finishClassDataSharing(const CachePlan& plan, const CacheFileOps& ops);
