// Single-instance forwarding between the processes of one executable.
//
// Objects, all named after the instance name (the module path with '\' -> '_'):
//   <name>           the shared block (InstanceBlock) and the registered message
//   <name>_upr_evt   manual-reset event: the first instance's Java main has started
//                    (kept for others; this process's request threads wait on
//                    the VM session's own event, which no earlier instance can
//                    have left signalled)
//   <name>_arg_mtx   mutex that orders the starts of the executable
//   <name>_arg_read  auto-reset event: a request thread has decoded the arguments
//
// The argument area is one slot. A start takes the mutex before it opens the
// block. The first instance gives it back once its listener can take requests;
// a second instance holds it only while its arguments sit in the slot: until
// a request thread signals that it has read them, the answer has come (sent
// only after reading) or the first instance has ended. So the next start
// writes the slot only after the previous request has been read, never waits
// for a slow answer to another start, and never sees a half-initialised
// block. A first instance that never signals the event still works: the slot
// is then given back on the answer or at the end. A holder that dies abandons
// the mutex, and the next waiter owns it.
#include <windows.h>

#include <memory>
#include <utility>

#include "base/handle.h"
#include "base/text.h"
#include "base/trace.h"
#include "modes/instance_block.h"
#include "modes/single_instance.h"
#include "vm/vm_session.h"

namespace {

const wchar_t kEventSuffix[] = L"_upr_evt";
const wchar_t kMutexSuffix[] = L"_arg_mtx";
const wchar_t kReadSuffix[] = L"_arg_read";

// Takes the mutex that orders the starts; none when there is none to take.
platform::Handle acquireInstanceMutex(const std::wstring& name) {
    platform::Handle mutex(CreateMutexW(nullptr, FALSE, (name + kMutexSuffix).c_str()));
    if (!mutex) return mutex;
    DWORD wait = WaitForSingleObject(mutex.get(), INFINITE);
    if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) mutex.reset();
    return mutex;
}

void releaseInstanceMutex(platform::Handle& mutex) {
    if (!mutex) return;
    ReleaseMutex(mutex.get());
    mutex.reset();
}

}  // namespace

struct SingleInstance::State {
    Role role = Role::Off;
    VmSession* vm = nullptr;
    std::wstring mainClass;
    platform::Handle mapping;
    platform::MappedView<InstanceBlock> block;
    platform::Handle readyEvent;  // named: set when the Java main has started
    platform::Handle argumentsRead;  // named: a request thread has decoded the slot
    platform::Handle listener;
    std::vector<platform::Handle> requests;  // request threads, written by the listener only
    // A second instance holds this named mutex of the instance from writing its
    // arguments into the shared block until they have been read.
    platform::Handle argumentMutex;

    void turnOff() {
        trace(L"single instance: off for this run");
        role = Role::Off;
        listener.reset();
        block.reset();
        mapping.reset();
        readyEvent.reset();
        argumentsRead.reset();
    }
    void becomeFirst(const std::wstring& name);
    bool handOver(const std::vector<std::wstring>& arguments);
};

namespace {

// --- first instance ----------------------------------------------------------------------

struct Request {
    SingleInstance::State* state;
    DWORD requester;
};

DWORD WINAPI requestThread(void* parameter) {
    std::unique_ptr<Request> request(static_cast<Request*>(parameter));
    SingleInstance::State& state = *request->state;
    state.vm->waitUntilMainCalled();
    // Everything needed from the block is read before the thread joins the VM.
    std::vector<std::wstring> arguments = decodeArguments(state.block->arguments);
    const UINT message = state.block->messageId;
    const DWORD requester = request->requester;
    // The slot is free for the next start.
    if (state.argumentsRead) SetEvent(state.argumentsRead.get());
    state.vm->callSecondaryMain(state.mainClass, arguments, [message, requester](int result) {
        PostThreadMessageW(requester, message, static_cast<WPARAM>(result), 0);
    });
    return 0;
}

struct ListenerStart {
    SingleInstance::State* state;
    HANDLE started;
};

DWORD WINAPI listenerThread(void* parameter) {
    auto* start = static_cast<ListenerStart*>(parameter);
    SingleInstance::State* state = start->state;
    // The thread's message queue exists from here on: requests can be posted.
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    SetEvent(start->started);

    const UINT message = state->block->messageId;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message != message) continue;
        auto* request = new Request{state, static_cast<DWORD>(msg.wParam)};
        platform::Handle thread(CreateThread(nullptr, 0, requestThread, request, 0, nullptr));
        if (thread) {
            state->requests.push_back(std::move(thread));
        } else {
            delete request;
        }
    }
    return 0;
}

// --- second instance ---------------------------------------------------------------------

// The first instance as the second instance's wait sees it. While the slot is
// held, the pauses between looks wait for the request thread's word that the
// arguments have been read, and give the slot back on it.
struct FirstInstanceWatch {
    HANDLE process;
    UINT message;
    HANDLE argumentsRead;
    platform::Handle* slot;

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
    void sleep(unsigned ms) {
        if (!*slot || !argumentsRead) {
            Sleep(ms);
        } else if (WaitForSingleObject(argumentsRead, ms) == WAIT_OBJECT_0) {
            trace(L"single instance: the first instance has read the arguments");
            releaseInstanceMutex(*slot);
        }
    }
};

}  // namespace

// The first instance's part of the set-up, with the block mapped and the mutex held.
void SingleInstance::State::becomeFirst(const std::wstring& name) {
    readyEvent.reset(CreateEventW(nullptr, TRUE, FALSE, (name + kEventSuffix).c_str()));
    if (readyEvent && GetLastError() == ERROR_ALREADY_EXISTS) {
        // Left by an earlier instance (still held open by one of its starts),
        // perhaps signalled: others see this instance's state from now on.
        trace(L"single instance: the ready event existed; reset");
        ResetEvent(readyEvent.get());
    }
    argumentsRead.reset(CreateEventW(nullptr, FALSE, FALSE, (name + kReadSuffix).c_str()));
    UINT message = RegisterWindowMessageW(name.c_str());
    if (!readyEvent || message == 0) return turnOff();
    block->messageId = message;
    block->processId = GetCurrentProcessId();

    platform::Handle started(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!started) return turnOff();
    ListenerStart start{this, started.get()};
    DWORD threadId = 0;
    listener.reset(CreateThread(nullptr, 0, listenerThread, &start, 0, &threadId));
    if (!listener) return turnOff();
    block->listenerThreadId = threadId;
    HANDLE waits[2] = {started.get(), listener.get()};
    WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    HANDLE event = readyEvent.get();
    vm->onMainCalled([event] { SetEvent(event); });
    trace(L"single instance: first instance, listener thread " + decimal(threadId));
}

bool SingleInstance::State::handOver(const std::vector<std::wstring>& arguments) {
    if (!encodeArguments(arguments, block->arguments)) {
        trace(L"single instance: the arguments do not fit the shared block");
        return false;
    }
    // The answer is posted to this thread: it needs a message queue before asking.
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    // The user started this process, so it may pass the foreground on: a
    // secondaryMain that brings its window to the front then really comes forward.
    const bool granted = AllowSetForegroundWindow(block->processId) != FALSE;
    trace(std::wstring(granted ? L"single instance: the first instance may take the foreground, process "
                               : L"single instance: the foreground could not be passed on to process ") +
          decimal(block->processId));
    if (!PostThreadMessageW(block->listenerThreadId, block->messageId, GetCurrentThreadId(), 0)) {
        trace(L"single instance: the request could not be posted");
        return false;
    }
    return true;
}

SingleInstance::SingleInstance() : state_(new State) {}

SingleInstance::~SingleInstance() {
    State& s = *state_;
    if (s.role == Role::First && s.listener) {
        // The listener has a queue (the set-up waited for it); a quit message ends it.
        do {
            PostThreadMessageW(GetThreadId(s.listener.get()), WM_QUIT, 0, 0);
        } while (WaitForSingleObject(s.listener.get(), 20) == WAIT_TIMEOUT);
        s.listener.reset();
    }
    // The VM is gone by now, and a request thread still waiting for the Java
    // main has been let go: each ends soon, and none may outlive the block it reads.
    for (platform::Handle& thread : s.requests) WaitForSingleObject(thread.get(), INFINITE);
    s.requests.clear();
    s.block.reset();
    s.mapping.reset();
    // Given back only now: the next start sees this block gone, or the answer read.
    releaseInstanceMutex(s.argumentMutex);
}

SingleInstance::Role SingleInstance::role() const { return state_->role; }

bool SingleInstance::join(const std::wstring& exePath, const std::vector<std::wstring>& arguments, VmSession& vm,
                          const std::wstring& mainClass) {
    State& s = *state_;
    s.vm = &vm;
    s.mainClass = mainClass;
    const std::wstring name = instanceNameFor(exePath);

    platform::Handle mutex = acquireInstanceMutex(name);
    s.mapping.reset(
        CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(InstanceBlock), name.c_str()));
    if (!s.mapping) {
        releaseInstanceMutex(mutex);
        return true;
    }
    const bool first = GetLastError() != ERROR_ALREADY_EXISTS;
    // The size is explicit: a smaller object of the same name fails here instead
    // of being overrun.
    s.block.reset(MapViewOfFile(s.mapping.get(), FILE_MAP_WRITE, 0, 0, sizeof(InstanceBlock)));
    if (!s.block) {
        s.turnOff();
        releaseInstanceMutex(mutex);
        return true;
    }

    if (first) {
        s.role = Role::First;
        s.becomeFirst(name);
        releaseInstanceMutex(mutex);
        return true;
    }
    s.role = Role::Second;
    trace(L"single instance: second instance of " + name);
    s.argumentMutex = std::move(mutex);
    // A signal left from the previous start's request is stale: this start holds the slot now.
    s.argumentsRead.reset(CreateEventW(nullptr, FALSE, FALSE, (name + kReadSuffix).c_str()));
    if (s.argumentsRead) ResetEvent(s.argumentsRead.get());
    return s.handOver(arguments);
}

int SingleInstance::waitForFirstInstance() {
    const InstanceBlock& block = *state_->block.get();
    platform::Handle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, block.processId));
    if (!process) {
        trace(L"single instance: the first instance cannot be opened");
        return 0;
    }
    FirstInstanceWatch watch{process.get(), block.messageId, state_->argumentsRead.get(), &state_->argumentMutex};
    int result = waitForAnswer(watch);
    releaseInstanceMutex(state_->argumentMutex);
    trace(L"single instance: answer " + decimal(result));
    return result;
}
