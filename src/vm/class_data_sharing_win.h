#pragma once
// The Windows side of the start-up cache: the facts the rule of
// vm/class_data_sharing.h needs, its file operations, and StartupCache, the
// one owner of a start's cache, which the run step of a process that hosts the
// VM itself uses in this order (a paired executable does the same in its own
// process, for the runtime it runs):
//
//   cache.prepare(request);   // before the VM is created; the plan's vmOptions
//                             // go right after the class path option
//   ... the VM runs the program ...
//   cache.finish();           // after the program has ended
#include <atomic>
#include <string>
#include <vector>

#include "runtime/java_version.h"
#include "vm/class_data_sharing.h"

struct StartupCacheRequest {
    std::wstring setting;                    // "Class Data Sharing" of section "Java Runtime Environment"
    JavaVersion runtimeVersion;              // the chosen runtime's exact version; 0.0.0.0 when not known
    std::wstring runtimeIdentity;            // the release file's version; empty: the VM library's size and time
    std::wstring jvmLibraryPath;             // the chosen VM library
    std::wstring classPath;                  // the class path value as the VM gets it (entries joined by ';')
    std::wstring modulePath;                 // the module path likewise; empty: none
    std::wstring mainModule;                 // the root module; empty: none
    std::vector<std::wstring> vmParameters;  // "Virtual Machine Parameters", split and processed
    std::wstring productName;                // "Product Name" and "Product Code": the cache folder
    std::wstring productCode;
    std::wstring executable;                 // this executable's path
};

// Before the VM is created: the options to add (none unless the setting is
// "auto" and everything fits), with the cache folder prepared. Never fails the start.
CachePlan prepareStartupCache(const StartupCacheRequest& request);
// After the program has ended: starts the AOT cache assembly when the plan
// asks for it. Returns at once.
void finishStartupCache(const CachePlan& plan);

// The start-up cache of one start, from its plan to the work after the program.
class StartupCache {
public:
    // Before the VM is created: plans for `request` (prepareStartupCache).
    const CachePlan& prepare(const StartupCacheRequest& request);
    // After the program has ended: the plan's work, done once, for whoever
    // comes first (the end of the run, or the exit hook on the thread that
    // ends the process). Nothing before a plan.
    void finish();

private:
    CachePlan plan_;
    std::atomic<bool> finished_{false};
};

// --- parts ---------------------------------------------------------------------

// %LOCALAPPDATA%\<Product Name>\<Product Code>\ (see composeCacheFolder); the
// folder of the account the process runs as. Empty when there is none.
std::wstring startupCacheFolder(const std::wstring& productName, const std::wstring& productCode,
                                const std::wstring& executable);
// Size, time and kind of every entry of a ';'-separated class path.
std::vector<ClassPathFile> classPathFilesOf(const std::wstring& classPath);
// The same for a module path, whose folders count by the files in them.
std::vector<ClassPathFile> modulePathFilesOf(const std::wstring& modulePath);
// "<size>:<last write time>" of the VM library: a runtime's identity when its
// release file gives none. Empty when the file cannot be read.
std::wstring vmLibraryIdentity(const std::wstring& jvmLibraryPath);
// The runtime's bin\java.exe (C:\jre\bin\server\jvm.dll -> C:\jre\bin\java.exe)
// when it exists, else empty text.
std::wstring javaCommandOf(const std::wstring& jvmLibraryPath);
// The file operations on this platform.
CacheFileOps windowsCacheFileOps();
