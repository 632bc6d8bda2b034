// Loading the VM library, the VM thread, creating the VM and calling main.
#include <windows.h>

#include "launcher/launcher.h"
#include "launcher/messages.h"
#include "launcher/trace.h"
#include "launcher/text.h"
#include "resources/resource.h"
#include "vm/java_calls.h"
#include "vm/redirect.h"
#include "vm/vm_host.h"

namespace {

bool resolveExport(HMODULE library, const char* name, FARPROC& address) {
    address = GetProcAddress(library, name);
    if (address) return true;
    DWORD error = GetLastError();
    printErrorMessage(IDS_WINDOWS_EXCEPTION, {loadMessage(IDS_NO_CREATE_JAVA_VM), static_cast<int>(error)});
    return false;
}

uint32_t defaultThreadStackSize(Launcher& launcher) {
    return launcher.defaultInitArgsEntry ? defaultThreadStackSizeWith(launcher.defaultInitArgsEntry) : 0;
}

bool createJavaVm(Launcher& launcher) {
    if (!createJavaVmWith(launcher.createJavaVmEntry, launcher.vmOptions, &launcher.javaVm, &launcher.jniEnv)) {
        return false;
    }
    applyOutputRedirection(launcher);
    return true;
}

bool runJavaMain(Launcher& launcher) {
    MainThreadHooks hooks;
    if (launcher.readyEvent) hooks.signalReady = [&launcher] { SetEvent(launcher.readyEvent.get()); };
    // IBM runtimes must not see the VM thread detach: it stays attached and
    // the process ends when the Java program ends it.
    if (launcher.ibmAllowed || launcher.ibmFavored) {
        hooks.waitForever = [] {
            for (;;) Sleep(INFINITE);
        };
    }
    return runJavaMainWith(launcher.javaVm, launcher.jniEnv, launcher.mainClass, launcher.arguments,
                           launcher.failureCheck, hooks);
}

DWORD vmThreadBody(Launcher& launcher) {
    if (!createJavaVm(launcher)) return 1;
    return runJavaMain(launcher) ? 0 : 1;
}

DWORD WINAPI vmThreadMain(void* parameter) { return vmThreadBody(*static_cast<Launcher*>(parameter)); }

}  // namespace

bool loadJavaVm(Launcher& launcher) {
    HMODULE library = LoadLibraryW(launcher.jvmLibraryPath.c_str());
    if (!library) {
        DWORD error = GetLastError();
        printErrorMessage(IDS_LOAD_VM_FAILED, {launcher.jvmLibraryPath, static_cast<int>(error)});
        return false;
    }
    // The library stays loaded for the life of the process.
    FARPROC create = nullptr;
    FARPROC defaults = nullptr;
    if (!resolveExport(library, "JNI_CreateJavaVM", create)) return false;
    if (!resolveExport(library, "JNI_GetDefaultJavaVMInitArgs", defaults)) return false;
    launcher.createJavaVmEntry = reinterpret_cast<CreateJavaVmFunction>(reinterpret_cast<void*>(create));
    launcher.defaultInitArgsEntry = reinterpret_cast<DefaultInitArgsFunction>(reinterpret_cast<void*>(defaults));
    return true;
}

int runVmThread(Launcher& launcher) {
    if (launcher.threadStackSize == 0) launcher.threadStackSize = defaultThreadStackSize(launcher);
    if (traceEnabled()) trace(L"VM thread stack size " + decimal(launcher.threadStackSize));
    platform::Handle thread(CreateThread(nullptr, launcher.threadStackSize, vmThreadMain, &launcher, 0, nullptr));
    if (!thread) {
        trace(L"no VM thread: the VM runs on the calling thread");
        return static_cast<int>(vmThreadBody(launcher));
    }
    WaitForSingleObject(thread.get(), INFINITE);
    DWORD code = 1;
    GetExitCodeThread(thread.get(), &code);
    return static_cast<int>(code);
}
