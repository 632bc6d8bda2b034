// Single-instance forwarding between the processes of one executable.
//
// Objects, all named after the instance name (the module path with '\' -> '_'):
//   <name>           the shared block (InstanceBlock) and the registered message
//   <name>_upr_evt   manual-reset event: the first instance's Java main has started
//   <name>_arg_mtx   mutex that orders the starts of the executable
//
// The argument area is one slot. A start takes the mutex before it opens the
// block. The first instance gives it back once its listener can take requests;
// a second instance keeps it from writing its arguments until its teardown,
// that is until the answer has come (which the first instance sends only after
// reading the arguments) or the first instance has ended. So the next start
// writes the slot only after the previous request has been read, and never sees
// a half-initialised block. A holder that dies abandons the mutex, and the next
// waiter owns it.
#include <windows.h>

#include <memory>
#include <utility>

#include "launcher/config.h"
#include "launcher/launcher.h"
#include "launcher/paths.h"
#include "launcher/text.h"
#include "launcher/trace.h"
#include "modes/instance_block.h"
#include "modes/single_instance.h"
#include "vm/java_calls.h"

namespace {

const wchar_t kEventSuffix[] = L"_upr_evt";
const wchar_t kMutexSuffix[] = L"_arg_mtx";

// Takes the mutex that orders the starts; null when there is none to take.
HANDLE acquireInstanceMutex(const std::wstring& name) {
    HANDLE mutex = CreateMutexW(nullptr, FALSE, (name + kMutexSuffix).c_str());
    if (!mutex) return nullptr;
    DWORD wait = WaitForSingleObject(mutex, INFINITE);
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) return mutex;
    CloseHandle(mutex);
    return nullptr;
}

void releaseInstanceMutex(platform::Handle& mutex) {
    if (!mutex) return;
    ReleaseMutex(mutex.get());
    mutex.reset();
}

void turnOff(Launcher& launcher) {
    trace(L"single instance: off for this run");
    launcher.singleInstance = false;
    launcher.firstInstance = false;
    launcher.listenerThread.reset();
    launcher.sharedBlock.reset();
    launcher.sharedMapping.reset();
    launcher.readyEvent.reset();
}

// --- first instance ----------------------------------------------------------------------

struct Request {
    Launcher* launcher;
    DWORD requester;
};

DWORD WINAPI requestThread(void* parameter) {
    std::unique_ptr<Request> request(static_cast<Request*>(parameter));
    Launcher& launcher = *request->launcher;
    WaitForSingleObject(launcher.readyEvent.get(), INFINITE);
    // Everything needed from the block is read before the thread joins the VM.
    std::vector<std::wstring> arguments = decodeArguments(launcher.sharedBlock->arguments);
    const UINT message = launcher.sharedBlock->messageId;
    const DWORD requester = request->requester;

    JNIEnv* env = nullptr;
    if (launcher.javaVm->AttachCurrentThread(reinterpret_cast<void**>(&env), nullptr) != JNI_OK) return 0;
    callSecondaryMain(env, toAnsi(launcher.mainClass), arguments, [message, requester](int result) {
        PostThreadMessageW(requester, message, static_cast<WPARAM>(result), 0);
    });
    if (!launcher.ibmAllowed && !launcher.ibmFavored) launcher.javaVm->DetachCurrentThread();
    return 0;
}

struct ListenerStart {
    Launcher* launcher;
    HANDLE started;
};

DWORD WINAPI listenerThread(void* parameter) {
    auto* start = static_cast<ListenerStart*>(parameter);
    Launcher& launcher = *start->launcher;
    // The thread's message queue exists from here on: requests can be posted.
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    SetEvent(start->started);

    const UINT message = launcher.sharedBlock->messageId;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message != message) continue;
        auto* request = new Request{&launcher, static_cast<DWORD>(msg.wParam)};
        HANDLE thread = CreateThread(nullptr, 0, requestThread, request, 0, nullptr);
        if (thread) CloseHandle(thread);
        else delete request;
    }
    return 0;
}

// The first instance's part of the set-up, with the block mapped and the mutex held.
void becomeFirstInstance(Launcher& launcher, const std::wstring& name) {
    InstanceBlock& block = *launcher.sharedBlock.get();
    launcher.readyEvent.reset(CreateEventW(nullptr, TRUE, FALSE, (name + kEventSuffix).c_str()));
    UINT message = RegisterWindowMessageW(name.c_str());
    if (!launcher.readyEvent || message == 0) return turnOff(launcher);
    block.messageId = message;
    block.processId = GetCurrentProcessId();

    platform::Handle started(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!started) return turnOff(launcher);
    ListenerStart start{&launcher, started.get()};
    DWORD threadId = 0;
    launcher.listenerThread.reset(CreateThread(nullptr, 0, listenerThread, &start, 0, &threadId));
    if (!launcher.listenerThread) return turnOff(launcher);
    block.listenerThreadId = threadId;
    HANDLE waits[2] = {started.get(), launcher.listenerThread.get()};
    WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    trace(L"single instance: first instance, listener thread " + decimal(threadId));
}

// --- second instance ---------------------------------------------------------------------

bool handOverArguments(Launcher& launcher) {
    InstanceBlock& block = *launcher.sharedBlock.get();
    if (!encodeArguments(launcher.arguments, block.arguments)) {
        trace(L"single instance: the arguments do not fit the shared block");
        return false;
    }
    // The answer is posted to this thread: it needs a message queue before asking.
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    if (!PostThreadMessageW(block.listenerThreadId, block.messageId, GetCurrentThreadId(), 0)) {
        trace(L"single instance: the request could not be posted");
        return false;
    }
    return true;
}

// The first instance as the second instance's wait sees it.
struct FirstInstanceWatch {
    HANDLE process;
    UINT message;

    bool takeReply(int& result) {
        MSG msg;
        if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
        if (msg.message != message) return false;
        result = static_cast<int>(msg.wParam);
        return true;
    }
    // Liveness comes from the process handle, so that an exit code of 259
    // (STILL_ACTIVE) does not look like a running process.
    FirstState firstState(int& exitCode) {
        DWORD wait = WaitForSingleObject(process, 0);
        if (wait == WAIT_TIMEOUT) return FirstState::Running;
        DWORD code = 0;
        if (!GetExitCodeProcess(process, &code)) return FirstState::Unknown;
        if (wait != WAIT_OBJECT_0 && code == STILL_ACTIVE) return FirstState::Running;
        exitCode = static_cast<int>(code);
        return FirstState::Ended;
    }
    void sleep(unsigned ms) { Sleep(ms); }
};

}  // namespace

bool setupSingleInstance(Launcher& launcher) {
    if (launcher.isService) return true;
    std::wstring configPath;
    if (!configFilePath(configPath)) return false;
    if (!isYesExact(ConfigFile(configPath).read(L"Application", L"Single Instance"))) return true;
    std::wstring module;
    if (!modulePath(module)) return true;
    const std::wstring name = instanceNameFor(module);

    platform::Handle mutex(acquireInstanceMutex(name));
    launcher.sharedMapping.reset(
        CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(InstanceBlock), name.c_str()));
    if (!launcher.sharedMapping) {
        releaseInstanceMutex(mutex);
        return true;
    }
    launcher.firstInstance = GetLastError() != ERROR_ALREADY_EXISTS;
    // The size is explicit: a smaller object of the same name fails here instead
    // of being overrun.
    launcher.sharedBlock.reset(MapViewOfFile(launcher.sharedMapping.get(), FILE_MAP_WRITE, 0, 0, sizeof(InstanceBlock)));
    launcher.singleInstance = true;
    if (!launcher.sharedBlock) {
        turnOff(launcher);
        releaseInstanceMutex(mutex);
        return true;
    }

    if (launcher.firstInstance) {
        becomeFirstInstance(launcher, name);
        releaseInstanceMutex(mutex);
        return true;
    }
    trace(L"single instance: second instance of " + name);
    launcher.instanceMutex = std::move(mutex);
    return handOverArguments(launcher);
}

int waitForFirstInstance(Launcher& launcher) {
    const InstanceBlock& block = *launcher.sharedBlock.get();
    platform::Handle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, block.processId));
    if (!process) {
        trace(L"single instance: the first instance cannot be opened");
        return 0;
    }
    FirstInstanceWatch watch{process.get(), block.messageId};
    int result = waitForAnswer(watch);
    trace(L"single instance: answer " + decimal(result));
    return result;
}

void teardownSingleInstance(Launcher& launcher) {
    if (launcher.firstInstance && launcher.listenerThread) {
        // The listener has a queue (the set-up waited for it); a quit message ends it.
        do {
            PostThreadMessageW(GetThreadId(launcher.listenerThread.get()), WM_QUIT, 0, 0);
        } while (WaitForSingleObject(launcher.listenerThread.get(), 20) == WAIT_TIMEOUT);
        launcher.listenerThread.reset();
    }
    launcher.sharedBlock.reset();
    launcher.sharedMapping.reset();
    // Given back only now: the next start sees this block gone, or the answer read.
    releaseInstanceMutex(launcher.instanceMutex);
}
