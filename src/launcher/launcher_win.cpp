#include <windows.h>

#include "launcher/config.h"
#include "launcher/launcher.h"
#include "launcher/paths.h"
#include "launcher/text.h"
#include "launcher/trace.h"
#include "modes/pair_product.h"
#include "modes/single_instance.h"
#include "runtime/selection.h"
#include "vm/environment.h"
#include "vm/vm_host.h"

namespace {

void traceArguments(const std::vector<std::wstring>& arguments) {
    if (!traceEnabled()) return;
    trace(L"arguments: " + decimal(static_cast<long long>(arguments.size())));
    for (size_t i = 0; i < arguments.size(); ++i) {
        trace(L"  argument[" + decimal(static_cast<long long>(i)) + L"] = \"" + arguments[i] + L"\"");
    }
}

void traceCurrentDirectory() {
    if (!traceEnabled()) return;
    wchar_t buffer[MAX_PATH];
    DWORD n = GetCurrentDirectoryW(MAX_PATH, buffer);
    trace(L"current directory: " + std::wstring(buffer, n < MAX_PATH ? n : 0));
}

}  // namespace

bool Launcher::startUp() {
    readArguments(*this);
    traceArguments(arguments);
    if (!readConfiguration(*this)) return false;
    if (!setupSingleInstance(*this)) return false;
    if (singleInstance && !firstInstance) {
        trace(L"second instance: handed the arguments to the first");
        return true;
    }
    if (overrideWorkingDir) applyWorkingDirOverride();
    traceCurrentDirectory();
    return findRuntime(*this);
}

int Launcher::run() {
    if (runPairProduct) {
        trace(L"run: starting the paired executable " + pairProductPath);
        return relaunchPairProduct(*this);
    }
    if (singleInstance && !firstInstance) return waitForFirstInstance(*this);
    prepareJavaEnvironment(*this);
    if (!loadJavaVm(*this)) return -1;
    // An empty class path still starts the VM thread; the main class lookup then
    // reports the failure.
    assembleVmOptions(*this);
    return runVmThread(*this) == 0 ? 0 : -1;
}
