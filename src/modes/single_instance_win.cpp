// Single-instance forwarding between the processes of one executable.
//
// Objects, all named after the instance name (the executable's path as the file
// system spells it, with '\' -> '_'; see join() for the second name):
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
//
// The block says which process is the first instance, and anyone may write it:
// a start believes it only for a live process of its own executable. Requests
// are served by at most kRequestThreads threads at once, and the listener ends
// only on the teardown's own event, never on a message that any process can post.
#include <windows.h>

#include <algorithm>
#include <memory>
#include <utility>

#include "base/handle.h"
#include "base/paths.h"
#include "base/text.h"
#include "base/trace.h"
#include "modes/instance_block.h"
#include "modes/single_instance.h"
#include "resources/resource.h"

namespace {

const wchar_t kEventSuffix[] = L"_upr_evt";
const wchar_t kMutexSuffix[] = L"_arg_mtx";
const wchar_t kReadSuffix[] = L"_arg_read";

// secondaryMain calls that may run at once (each may block for long), requests
// that may wait for one of them, and the messages the listener takes in a row
// before it looks at the teardown's event again.
constexpr unsigned kRequestThreads = 8;
constexpr size_t kWaitingRequests = 1024;
constexpr unsigned kMessagesPerRound = 256;

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

// Upper case by the invariant rules, so that every start folds a path alike.
std::wstring foldCase(const std::wstring& text) {
    std::wstring folded = text;
    if (!folded.empty()) {
        LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, text.c_str(), static_cast<int>(text.size()), &folded[0],
                     static_cast<int>(folded.size()));
    }
    return folded;
}

// The executable of a process; empty when it cannot be asked.
std::wstring imagePathOf(HANDLE process) {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        DWORD size = static_cast<DWORD>(buffer.size());
        if (QueryFullProcessImageNameW(process, 0, &buffer[0], &size)) {
            buffer.resize(size);
            return buffer;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || buffer.size() >= 32768) return std::wstring();
        buffer.assign(buffer.size() * 4, L'\0');
    }
}

class Locked {
public:
    explicit Locked(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
    ~Locked() { ReleaseSRWLockExclusive(&lock_); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    SRWLOCK& lock_;
};

}  // namespace

struct SingleInstance::State {
    Role role = Role::Off;
    InstanceProgram program;
    std::wstring exePath;  // as the file system spells it
    UINT message = 0;      // the registered request and reply message
    platform::Handle mapping;
    platform::MappedView<InstanceBlock> block;
    platform::Handle readyEvent;  // named: set when the Java main has started
    platform::Handle argumentsRead;  // named: a request thread has decoded the slot
    platform::Handle listener;
    platform::Handle stopListening;  // the teardown's signal to the listener
    // A second instance holds this named mutex of the instance from writing its
    // arguments into the shared block until they have been read.
    platform::Handle argumentMutex;
    platform::Handle firstProcess;  // a second instance's first instance

    // The requests: the listener queues them and starts request threads, which
    // take them in order; `serving` threads take from the queue.
    SRWLOCK queueLock = SRWLOCK_INIT;
    std::vector<DWORD> waiting;  // requester thread ids
    unsigned serving = 0;
    std::vector<platform::Handle> requestThreads;  // the listener's, and the teardown's after it

    void turnOff() {
        trace(L"single instance: off for this run");
        role = Role::Off;
        listener.reset();
        block.reset();
        mapping.reset();
        readyEvent.reset();
        argumentsRead.reset();
    }
    enum class Found { ThisExecutable, None, Another };
    bool joinAs(const std::wstring& name);
    bool firstRunsUnder(const std::wstring& name);
    Found firstInstanceFound();
    void becomeFirst(const std::wstring& name);
    bool handOver(const std::vector<std::wstring>& arguments, const std::wstring& name, Failure& failure);
    void submit(DWORD requester);
    bool nextRequest(DWORD& requester);
    void serve(DWORD requester);
};

namespace {

// --- first instance ----------------------------------------------------------------------

DWORD WINAPI requestThread(void* parameter) {
    auto* state = static_cast<SingleInstance::State*>(parameter);
    DWORD requester = 0;
    while (state->nextRequest(requester)) state->serve(requester);
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

    HANDLE stop = state->stopListening.get();
    for (;;) {
        const DWORD wait = MsgWaitForMultipleObjectsEx(1, &stop, INFINITE, QS_ALLPOSTMESSAGE, MWMO_INPUTAVAILABLE);
        // What came before the teardown's signal is still taken. A quit message
        // is ignored like any other: anyone can post one.
        for (unsigned n = 0; n < kMessagesPerRound && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++n) {
            if (msg.message == state->message) state->submit(static_cast<DWORD>(msg.wParam));
        }
        if (wait != WAIT_OBJECT_0 + 1) return 0;
    }
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

void SingleInstance::State::submit(DWORD requester) {
    // Threads that have ended give their handles back.
    requestThreads.erase(std::remove_if(requestThreads.begin(), requestThreads.end(),
                                        [](const platform::Handle& thread) {
                                            return WaitForSingleObject(thread.get(), 0) == WAIT_OBJECT_0;
                                        }),
                         requestThreads.end());
    bool queued = false, start = false;
    {
        Locked lock(queueLock);
        if (waiting.size() < kWaitingRequests) {
            queued = true;
            waiting.push_back(requester);
            start = serving < kRequestThreads;
            if (start) ++serving;
        }
    }
    if (!queued) {
        trace(L"single instance: too many requests wait; the one of thread " + decimal(requester) + L" is dropped");
    }
    if (!start) return;
    platform::Handle thread(CreateThread(nullptr, 0, requestThread, this, 0, nullptr));
    if (thread) {
        requestThreads.push_back(std::move(thread));
    } else {
        // The request waits for the next thread.
        Locked lock(queueLock);
        --serving;
    }
}

bool SingleInstance::State::nextRequest(DWORD& requester) {
    Locked lock(queueLock);
    if (waiting.empty()) {
        --serving;
        return false;
    }
    requester = waiting.front();
    waiting.erase(waiting.begin());
    return true;
}

void SingleInstance::State::serve(DWORD requester) {
    program.waitUntilMainCalled();
    // Everything needed from the block is read before the thread joins the VM.
    std::vector<std::wstring> arguments = decodeArguments(block->arguments);
    // The slot is free for the next start.
    if (argumentsRead) SetEvent(argumentsRead.get());
    const UINT reply = message;
    program.secondaryMain(arguments, [reply, requester](int result) {
        PostThreadMessageW(requester, reply, static_cast<WPARAM>(result), 0);
    });
}

// The first instance that the block names: a live process of this executable,
// none (its process has ended or is gone, or there never was one), or a
// process of another executable (also one that took the id of an ended one).
// A process that may not be asked counts as one of this executable, as does
// one whose executable cannot be read.
SingleInstance::State::Found SingleInstance::State::firstInstanceFound() {
    const DWORD processId = block->processId;
    platform::Handle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, processId));
    if (!process) return GetLastError() == ERROR_ACCESS_DENIED ? Found::ThisExecutable : Found::None;
    if (WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0) return Found::None;
    const std::wstring image = imagePathOf(process.get());
    if (!image.empty() && foldCase(canonicalPath(image)) != foldCase(exePath)) {
        trace(L"single instance: the first instance there, process " + decimal(processId) + L", runs " + image);
        return Found::Another;
    }
    firstProcess = std::move(process);
    return Found::ThisExecutable;
}

// Whether a first instance of this executable runs under `name` (looked at
// without joining).
bool SingleInstance::State::firstRunsUnder(const std::wstring& name) {
    mapping.reset(OpenFileMappingW(FILE_MAP_READ, FALSE, name.c_str()));
    if (mapping) block.reset(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, sizeof(InstanceBlock)));
    const bool runs = block && firstInstanceFound() == Found::ThisExecutable;
    block.reset();
    mapping.reset();
    firstProcess.reset();
    return runs;
}

// Joins the instances under `name`: as the first instance when the block is new
// or names no live first instance (this start then takes its place), as a
// second instance of a live one of this executable. False, with nothing kept,
// when a live process of another executable is the first instance there.
bool SingleInstance::State::joinAs(const std::wstring& name) {
    platform::Handle mutex = acquireInstanceMutex(name);
    mapping.reset(
        CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(InstanceBlock), name.c_str()));
    if (!mapping) {
        releaseInstanceMutex(mutex);
        return true;
    }
    const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    // The size is explicit: a smaller object of the same name fails here instead
    // of being overrun.
    block.reset(MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, sizeof(InstanceBlock)));
    if (!block) {
        turnOff();
        releaseInstanceMutex(mutex);
        return true;
    }
    const Found found = existed ? firstInstanceFound() : Found::None;
    if (found == Found::Another) {
        block.reset();
        mapping.reset();
        releaseInstanceMutex(mutex);
        return false;
    }
    if (found == Found::ThisExecutable) {
        role = Role::Second;
        trace(L"single instance: second instance of " + name);
        argumentMutex = std::move(mutex);
        // A signal left from the previous start's request is stale: this start holds the slot now.
        argumentsRead.reset(CreateEventW(nullptr, FALSE, FALSE, (name + kReadSuffix).c_str()));
        if (argumentsRead) ResetEvent(argumentsRead.get());
        return true;
    }
    if (existed) trace(L"single instance: no first instance runs; this start takes its place");
    role = Role::First;
    becomeFirst(name);
    releaseInstanceMutex(mutex);
    return true;
}

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
    message = RegisterWindowMessageW(name.c_str());
    stopListening.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!readyEvent || message == 0 || !stopListening) return turnOff();
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
    trace(L"single instance: first instance, listener thread " + decimal(threadId));
}

bool SingleInstance::State::handOver(const std::vector<std::wstring>& arguments, const std::wstring& name,
                                     Failure& failure) {
    if (!encodeArguments(arguments, block->arguments)) {
        trace(L"single instance: the arguments do not fit the shared block");
        return false;
    }
    // The answer is posted to this thread: it needs a message queue before asking.
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    // The user started this process, so it may pass the foreground on: a
    // secondaryMain that brings its window to the front then really comes forward.
    const DWORD processId = block->processId;
    const bool granted = AllowSetForegroundWindow(processId) != FALSE;
    trace(std::wstring(granted ? L"single instance: the first instance may take the foreground, process "
                               : L"single instance: the foreground could not be passed on to process ") +
          decimal(processId));
    // The message id by its name, as the first instance registered it: the one
    // in the block is only what someone wrote there.
    message = RegisterWindowMessageW(name.c_str());
    if (message == 0 || !PostThreadMessageW(block->listenerThreadId, message, GetCurrentThreadId(), 0)) {
        const DWORD error = GetLastError();
        trace(L"single instance: the request could not be posted");
        failure = Failure(IDS_REQUEST_NOT_DELIVERED, {processId, error});
        return false;
    }
    return true;
}

SingleInstance::SingleInstance() : state_(new State) {}

SingleInstance::~SingleInstance() {
    State& s = *state_;
    if (s.role == Role::First && s.listener) {
        SetEvent(s.stopListening.get());
        WaitForSingleObject(s.listener.get(), INFINITE);
        s.listener.reset();
    }
    // The VM is gone by now, and a request thread still waiting for the Java
    // main has been let go: each ends soon, and none may outlive the block it reads.
    for (platform::Handle& thread : s.requestThreads) WaitForSingleObject(thread.get(), INFINITE);
    s.requestThreads.clear();
    // Later starts find no first instance in the block (unless another has taken its place).
    if (s.role == Role::First && s.block) {
        InterlockedCompareExchange(reinterpret_cast<volatile LONG*>(&s.block->processId), 0,
                                   static_cast<LONG>(GetCurrentProcessId()));
    }
    s.block.reset();
    s.mapping.reset();
    // Given back only now: the next start sees this block gone, or the answer read.
    releaseInstanceMutex(s.argumentMutex);
}

SingleInstance::Role SingleInstance::role() const { return state_->role; }

void SingleInstance::mainCalled() {
    if (state_->role == Role::First && state_->readyEvent) SetEvent(state_->readyEvent.get());
}

bool SingleInstance::join(const std::wstring& exePath, const std::vector<std::wstring>& arguments,
                          InstanceProgram program, Failure& failure) {
    State& s = *state_;
    s.program = std::move(program);
    // One name for every spelling of the path: 8.3 names and other letters included.
    s.exePath = canonicalPath(exePath);
    std::wstring name = instanceNameFor(s.exePath);
    // The second name is this executable's where another one whose path gives the
    // same name (x_y\a.exe and x\y\a.exe) is the first instance, or was when this
    // executable's first instance started.
    const std::wstring qualified = qualifiedInstanceName(name, foldCase(s.exePath));
    if (s.firstRunsUnder(qualified) || !s.joinAs(name)) {
        name = qualified;
        trace(L"single instance: another executable has the instance name; this one uses " + name);
        if (!s.joinAs(name)) {
            s.turnOff();
            return true;
        }
    }
    if (s.role != Role::Second) return true;
    return s.handOver(arguments, name, failure);
}

int SingleInstance::waitForFirstInstance() {
    if (!state_->firstProcess) {
        trace(L"single instance: the first instance cannot be opened");
        return 0;
    }
    FirstInstanceWatch watch{state_->firstProcess.get(), state_->message, state_->argumentsRead.get(),
                             &state_->argumentMutex};
    int result = waitForAnswer(watch);
    releaseInstanceMutex(state_->argumentMutex);
    trace(L"single instance: answer " + decimal(result));
    return result;
}
