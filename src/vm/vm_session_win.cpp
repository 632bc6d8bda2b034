// Loading the VM library, the VM thread, creating the VM and calling main, and
// the calls of other threads into the VM.
#include <windows.h>

#include "base/messages.h"
#include "base/paths.h"
#include "base/text.h"
#include "base/trace.h"
#include "resources/resource.h"
#include "vm/java_calls.h"
#include "vm/redirect.h"
#include "vm/vm_options.h"
#include "vm/vm_session.h"

namespace {

Failure resolveExport(HMODULE library, const char* name, void*& address) {
    address = reinterpret_cast<void*>(GetProcAddress(library, name));
    if (address) return Failure();
    DWORD error = GetLastError();
    return Failure(IDS_WINDOWS_EXCEPTION, {loadMessage(IDS_NO_CREATE_JAVA_VM), static_cast<int>(error)});
}

DWORD WINAPI vmThreadMain(void* parameter) { return static_cast<VmSession*>(parameter)->vmThreadBody(); }

}  // namespace

VmSession::VmSession(bool keepThreadsAttached)
    : keepAttached_(keepThreadsAttached), ready_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

VmSession::~VmSession() { destroy(); }

Failure VmSession::load(const std::wstring& libraryPath) {
    // What the VM library imports (the C runtime of today's runtimes sits in
    // bin\, beside no jvm.dll) is searched in the runtime's bin folder right
    // after the executable's, before the system folders and Path, and never in
    // the current directory; for this one load only, so that the Java
    // program's own libraries still find theirs on Path.
    SetDllDirectoryW(fullPath(runtimeBinOf(libraryPath)).c_str());
    HMODULE library = LoadLibraryW(libraryPath.c_str());
    const DWORD error = GetLastError();
    SetDllDirectoryW(L"");
    if (!library) return Failure(IDS_LOAD_VM_FAILED, {libraryPath, static_cast<int>(error)});
    // The library stays loaded for the life of the process: daemon threads of
    // the Java program run in it to the end.
    if (Failure f = resolveExport(library, "JNI_CreateJavaVM", createEntry_)) return f;
    return resolveExport(library, "JNI_GetDefaultJavaVMInitArgs", defaultsEntry_);
}

int VmSession::run(JavaLaunch launch, Failure& failure) {
    launch_ = std::move(launch);
    if (launch_.threadStackSize == 0 && defaultsEntry_) {
        launch_.threadStackSize = defaultThreadStackSizeWith(reinterpret_cast<DefaultInitArgsFunction>(defaultsEntry_));
    }
    if (traceEnabled()) trace(L"VM thread stack size " + decimal(launch_.threadStackSize));
    platform::Handle thread(CreateThread(nullptr, launch_.threadStackSize, vmThreadMain, this, 0, nullptr));
    DWORD code = 1;
    if (!thread) {
        trace(L"no VM thread: the VM runs on the calling thread");
        code = vmThreadBody();
    } else {
        WaitForSingleObject(thread.get(), INFINITE);
        GetExitCodeThread(thread.get(), &code);
    }
    failure = threadFailure_;
    return static_cast<int>(code);
}

uint32_t VmSession::vmThreadBody() {
    JavaVM* vm = nullptr;
    creating_ = true;
    threadFailure_ = createJavaVmWith(reinterpret_cast<CreateJavaVmFunction>(createEntry_), launch_.options, &vm, &env_,
                                      launch_.filterVmOutput);
    creating_ = false;
    if (threadFailure_) return 1;
    vm_ = vm;
    applyOutputRedirection(env_, launch_.redirection);
    MainThreadHooks hooks;
    hooks.mainClassFound = [this](const std::wstring& name) { programClass_ = name; };
    hooks.signalReady = [this] {
        SetEvent(ready_.get());
        if (onMainCalled_) onMainCalled_();
    };
    // The process then ends when the Java program ends it.
    if (keepAttached_) {
        hooks.waitForever = [] {
            for (;;) Sleep(INFINITE);
        };
    }
    ProgramEntry entry{launch_.mainClass, launch_.mainJar, launch_.mainModule};
    const bool ran = runJavaMainWith(vm, env_, entry, launch_.arguments, launch_.failureCheck, hooks, threadFailure_);
    return ran ? 0 : 1;
}

void VmSession::waitUntilMainCalled() const { WaitForSingleObject(ready_.get(), INFINITE); }

bool VmSession::callAttached(const std::function<void(JNIEnv*)>& work) {
    waitUntilMainCalled();
    JavaVM* vm = vm_;
    if (!vm) return false;
    return ::callAttached(vm, keepAttached_, work);
}

bool VmSession::callStop(const std::wstring& mainClass) {
    return callAttached(
        [&](JNIEnv* env) { callStaticStop(env, programClass_.empty() ? mainClass : programClass_); });
}

bool VmSession::callSecondaryMain(const std::wstring& mainClass, const std::vector<std::wstring>& arguments,
                                  const std::function<void(int)>& reply) {
    return callAttached(
        [&](JNIEnv* env) { ::callSecondaryMain(env, programClass_.empty() ? mainClass : programClass_, arguments, reply); });
}

void VmSession::destroy() {
    // The VM stays reachable while DestroyJavaVM waits for the program's
    // non-daemon threads: a forwarded start may still call into it then.
    if (JavaVM* vm = vm_.load()) vm->DestroyJavaVM();
    vm_ = nullptr;
    SetEvent(ready_.get());
}
