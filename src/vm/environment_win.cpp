// The process environment for the VM and the assembly of the VM options.
#include <windows.h>

#include "base/messages.h"
#include "base/paths.h"
#include "base/text.h"
#include "base/trace.h"
#include "resources/resource.h"
#include "vm/class_data_sharing_win.h"
#include "vm/environment.h"
#include "vm/vm_options.h"

namespace {

// Total physical memory and the address space still free for this process,
// as 64-bit counts (the 32-bit query saturates on machines with more than 4 GiB).
MemoryStatus memoryStatus() {
    MemoryStatus status;
    MEMORYSTATUSEX ex = {};
    ex.dwLength = sizeof(ex);
    if (GlobalMemoryStatusEx(&ex)) {
        status.totalPhysical = ex.ullTotalPhys;
        status.availableVirtual = ex.ullAvailVirtual;
    }
    return status;
}

void appendOption(JavaLaunch& launch, const std::wstring& option) {
    trace(L"VM option: " + option);
    launch.options.push_back(toAnsi(option));
}

// A path list the VM reads in the narrow code page, with entries that would
// not survive it replaced by their short names where they have one.
std::wstring narrowable(const std::wstring& list, const wchar_t* what) {
    NarrowPathList narrow = narrowPathList(list, survivesAnsi, shortPathName);
    for (const std::wstring& entry : narrow.shortened) {
        traceLine({L"VM option: ", what, L" entry passed by its short name, the code page cannot hold it: ", entry});
    }
    for (const std::wstring& entry : narrow.unrepresentable) {
        traceLine({L"VM option: ", what, L" entry the code page cannot hold and that has no short name: ", entry});
    }
    return narrow.list;
}

std::wstring expanded(std::wstring text) {
    if (!text.empty()) expandEnvironmentInPlace(text);
    return text;
}

}  // namespace

void publishRuntime(const std::wstring& jvmLibraryPath) {
    SetEnvironmentVariableW(L"QZ_JVM_PATH", jvmLibraryPath.c_str());
    SetEnvironmentVariableW(L"QZ_JVM_HOME", jvmHomeFromLibrary(jvmLibraryPath).c_str());
}

void prepareJavaEnvironment(const JavaCommand& command, const std::wstring& jvmLibraryPath,
                            const std::wstring& executableFolder, JavaLaunch& launch) {
    publishRuntime(jvmLibraryPath);
    if (!command.libraryPath.empty()) {
        std::wstring value = libraryPathValue(command.libraryPath, executableFolder, jvmLibraryPath);
        expandEnvironmentInPlace(value);
        appendOption(launch, L"-Djava.library.path=" + narrowable(value, L"library path"));
    }
    std::wstring path = systemPathValue(command.systemPath, jvmLibraryPath);
    expandEnvironmentInPlace(path);
    trace(L"Path=" + path);
    SetEnvironmentVariableW(L"Path", path.c_str());
}

Failure assembleVmOptions(const JavaCommand& command, const ModulePaths& paths, StartupCacheRequest request,
                          JavaLaunch& launch, StartupCache& cache) {
    ClassPathOps ops;
    ops.expand = [](std::wstring& entry) { expandEnvironmentInPlace(entry); };
    ops.findNames = findNames;
    ProgramPaths program;
    if (Failure failure = buildProgramPaths(command, launch.mainClass, paths.folderBare, paths.exe, ops, program)) {
        return failure;
    }
    // Expanded entry by entry already, and the names found must stay as they are.
    program.classPath = narrowable(program.classPath, L"class path");
    program.modulePath = narrowable(program.modulePath, L"module path");
    launch.mainClass = program.entry.mainClass;
    launch.mainJar = program.entry.mainJar;
    launch.mainModule = program.entry.mainModule;

    std::vector<std::wstring> options = programOptions(program);
    const size_t named = options.size();
    splitVmParameters(command.vmParameters, memoryStatus(), launch.threadStackSize, options);
    for (size_t i = named; i < options.size(); ++i) {
        std::wstring& option = options[i];
        expandEnvironmentInPlace(option);
        if (!survivesAnsi(option)) {
            traceLine({L"VM option: passed as it is, the code page cannot hold it: ", option});
        }
    }
    // The start-up cache's options go right after those that name the
    // program's classes, so that the user's own parameters (an -Xlog of
    // theirs, say) come later and win.
    if (!command.classDataSharing.empty()) {
        request.setting = command.classDataSharing;
        request.classPath = program.classPath;
        request.modulePath = program.modulePath;
        request.mainModule = program.entry.mainModule;
        request.vmParameters.assign(options.begin() + static_cast<std::ptrdiff_t>(named), options.end());
        const CachePlan& plan = cache.prepare(request);
        options.insert(options.begin() + static_cast<std::ptrdiff_t>(named), plan.vmOptions.begin(),
                       plan.vmOptions.end());
        launch.filterVmOutput = plan.filterVmOutput;
    }
    for (const std::wstring& option : options) appendOption(launch, option);

    launch.redirection.outputFile = expanded(command.outputFile);
    launch.redirection.outputAppend = command.outputAppend;
    launch.redirection.errorFile = expanded(command.errorFile);
    launch.redirection.errorAppend = command.errorAppend;

    for (const std::wstring& argument : splitCommandLine(expanded(command.cmd))) {
        if (!argument.empty()) launch.arguments.push_back(argument);
    }
    return Failure();
}
