// The process environment for the VM and the assembly of the VM options.
#include <windows.h>

#include "launcher/config.h"
#include "launcher/launcher.h"
#include "launcher/messages.h"
#include "launcher/paths.h"
#include "launcher/text.h"
#include "launcher/trace.h"
#include "resources/resource.h"
#include "runtime/selection.h"
#include "vm/environment.h"
#include "vm/vm_options.h"

namespace {

const wchar_t kJre[] = L"Java Runtime Environment";
const wchar_t kApplication[] = L"Application";
const wchar_t kClassPath[] = L"Class Path";

std::vector<std::wstring> findNames(const std::wstring& pattern) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW(pattern.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        names.push_back(data.cFileName);
    } while (FindNextFileW(search, &data));
    FindClose(search);
    return names;
}

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

void appendOption(Launcher& launcher, const std::wstring& option) {
    trace(L"VM option: " + option);
    launcher.vmOptions.push_back(toAnsi(option));
}

std::wstring expanded(std::wstring text) {
    if (!text.empty()) expandEnvironmentInPlace(text);
    return text;
}

}  // namespace

void prepareJavaEnvironment(Launcher& launcher) {
    publishRuntime(launcher);
    if (!launcher.libraryPath.empty()) {
        std::wstring folder;
        moduleFolder(folder);
        std::wstring value = libraryPathValue(launcher.libraryPath, folder, launcher.jvmLibraryPath);
        expandEnvironmentInPlace(value);
        appendOption(launcher, L"-Djava.library.path=" + value);
    }
    std::wstring path = systemPathValue(launcher.systemPath, launcher.jvmLibraryPath);
    expandEnvironmentInPlace(path);
    trace(L"Path=" + path);
    SetEnvironmentVariableW(L"Path", path.c_str());
}

bool assembleVmOptions(Launcher& launcher) {
    std::wstring configPath;
    if (!configFilePath(configPath)) return false;
    ConfigFile config(configPath);

    std::wstring folderBare;
    moduleFolderBare(folderBare);
    ClassPathOps ops;
    ops.expand = [](std::wstring& entry) { expandEnvironmentInPlace(entry); };
    ops.findNames = findNames;
    std::wstring classPath = buildClassPath(config.read(kClassPath, L"Class Path"), folderBare, ops);
    if (isYesAnyCase(config.read(kApplication, L"Embedded Jar"))) {
        std::wstring exe;
        if (modulePath(exe)) classPath = exe + L";" + classPath;
    }
    if (classPath.empty()) {
        printErrorMessage(IDS_NO_CLASS_PATH);
        return false;
    }

    std::vector<std::wstring> options{L"-Djava.class.path=" + classPath};
    splitVmParameters(config.read(kJre, L"Virtual Machine Parameters"), memoryStatus(), launcher.threadStackSize,
                      options);
    for (std::wstring& option : options) {
        expandEnvironmentInPlace(option);
        appendOption(launcher, option);
    }

    launcher.outputFile = expanded(config.read(kApplication, L"Output File"));
    if (isYesExact(config.read(kApplication, L"Output Append"))) launcher.outputAppend = true;
    launcher.errorFile = expanded(config.read(kApplication, L"Error File"));
    if (isYesExact(config.read(kApplication, L"Error Append"))) launcher.errorAppend = true;

    launcher.extraArguments = config.read(kApplication, L"Cmd");
    if (!launcher.extraArguments.empty()) {
        expandEnvironmentInPlace(launcher.extraArguments);
        for (const std::wstring& argument : splitCommandLine(launcher.extraArguments)) {
            if (!argument.empty()) launcher.arguments.push_back(argument);
        }
    }
    return true;
}
