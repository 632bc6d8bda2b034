// The service host: dispatcher, control handler, status reports, stop threads
// and the count-down of "Stop Timeout".
#include <windows.h>

#include <cstdio>
#include <memory>

#include "base/handle.h"
#include "base/text.h"
#include "base/trace.h"
#include "modes/event_log.h"
#include "modes/service.h"

using namespace service_codes;

namespace {

wchar_t kServiceName[] = L"";

// The dispatcher's context: the platform's callbacks carry none.
ServiceHost* dispatchedHost = nullptr;

void WINAPI controlHandler(DWORD control) {
    if (dispatchedHost) dispatchedHost->control(control);
}

void WINAPI serviceMain(DWORD count, LPWSTR* vector) {
    if (dispatchedHost) dispatchedHost->serviceMain(count, vector);
}

DWORD WINAPI stopRoutine(void* parameter) {
    std::unique_ptr<ServiceHost::StopRequest> stop(static_cast<ServiceHost::StopRequest*>(parameter));
    (*stop)();
    return 0;
}

DWORD WINAPI stopClockRoutine(void* parameter) {
    static_cast<ServiceHost*>(parameter)->runStopClock();
    return 0;
}

static_assert(sizeof(SRWLOCK) == sizeof(void*), "the status lock is held in a pointer-sized word");

class StatusLock {
public:
    explicit StatusLock(void*& word) : lock_(reinterpret_cast<PSRWLOCK>(&word)) { AcquireSRWLockExclusive(lock_); }
    ~StatusLock() { ReleaseSRWLockExclusive(lock_); }
    StatusLock(const StatusLock&) = delete;
    StatusLock& operator=(const StatusLock&) = delete;

private:
    PSRWLOCK lock_;
};

}  // namespace

ServiceHost::ServiceHost(bool omitServiceName, uint32_t stopTimeoutSeconds, RunStep run, StopRequest stop)
    : omitServiceName_(omitServiceName),
      stopTimeoutMs_(stopTimeoutSeconds > 0xFFFFFFFFu / 1000 ? 0xFFFFFFFFu : stopTimeoutSeconds * 1000),
      run_(std::move(run)),
      stop_(std::move(stop)),
      ended_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

ServiceHost::~ServiceHost() {
    SetEvent(ended_.get());
    if (stopClock_) WaitForSingleObject(stopClock_.get(), INFINITE);
}

void ServiceHost::serviceMain(unsigned long count, wchar_t** vector) {
    statusHandle_ = RegisterServiceCtrlHandlerW(kServiceName, controlHandler);
    if (!statusHandle_) return;
    if (count >= 1 && vector && vector[0]) event_log::setSource(vector[0]);
    runService(count, vector);
}

void ServiceHost::runService(unsigned long count, wchar_t** vector) {
    if (!run_) {
        // The start-up failed after its message: the manager learns it from
        // the final report, which its recovery actions look at.
        trace(L"service: the start-up failed, reporting stopped with -1");
        StatusLock lock(statusLock_);
        status_.serviceType = kOwnProcess;
        end(-1);
        return;
    }
    {
        StatusLock lock(statusLock_);
        status_ = runningStatus();
        if (!report()) return;
    }
    std::vector<std::wstring> arguments;
    appendServiceArguments(arguments, count, vector, omitServiceName_);
    const int exitCode = run_(arguments);
    StatusLock lock(statusLock_);
    // A stop control that came as the run step ended has been reported
    // before this; one that comes later finds the service stopped.
    if (status_.currentState != kStopped) end(exitCode);
}

void ServiceHost::control(unsigned long code) {
    StatusLock lock(statusLock_);
    if (status_.currentState == kStopped) return;
    const bool firstStop = status_.currentState != kStopPending;
    const bool stop = applyControl(status_, code, stopTimeoutMs_);
    if (!report() || !stop) return;
    startStop();
    if (firstStop && stopTimeoutMs_ > 0) {
        stopClock_.reset(CreateThread(nullptr, 0, stopClockRoutine, this, 0, nullptr));
        if (!stopClock_) trace(L"service: no thread for \"Stop Timeout\"");
    }
}

void ServiceHost::runStopClock() {
    const ULONGLONG deadline = GetTickCount64() + stopTimeoutMs_;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        const uint32_t remaining = now < deadline ? static_cast<uint32_t>(deadline - now) : 0;
        if (remaining == 0) break;
        const DWORD step = remaining < kStopTickMs ? remaining : kStopTickMs;
        if (!ended_) {
            Sleep(step);
        } else if (WaitForSingleObject(ended_.get(), step) != WAIT_TIMEOUT) {
            return;
        }
        const ULONGLONG later = GetTickCount64();
        if (later >= deadline) break;
        StatusLock lock(statusLock_);
        if (status_.currentState != kStopPending) return;
        advanceStopPending(status_, static_cast<uint32_t>(deadline - later));
        report();
    }
    StatusLock lock(statusLock_);
    if (status_.currentState == kStopped) return;
    traceLine({L"service: \"Stop Timeout\" ran out; the process ends with ", decimal(kStopTimeoutCode)});
    end(kStopTimeoutCode);
    std::fflush(stdout);
    // The Java program is not asked again, and its shutdown hooks do not run:
    // the lock stays taken, so nothing reports after this.
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(kStopTimeoutCode));
}

void ServiceHost::end(int exitCode) {
    applyEnd(status_, exitCode);
    report();
    SetEvent(ended_.get());
}

bool ServiceHost::report() {
    bool sent = false;
    if (reporter_) {
        sent = reporter_(status_);
    } else {
        SERVICE_STATUS record;
        record.dwServiceType = status_.serviceType;
        record.dwCurrentState = status_.currentState;
        record.dwControlsAccepted = status_.controlsAccepted;
        record.dwWin32ExitCode = status_.win32ExitCode;
        record.dwServiceSpecificExitCode = status_.serviceSpecificExitCode;
        record.dwCheckPoint = status_.checkPoint;
        record.dwWaitHint = status_.waitHint;
        sent = SetServiceStatus(static_cast<SERVICE_STATUS_HANDLE>(statusHandle_), &record) != 0;
    }
    if (traceEnabled()) {
        std::wstring line = L"service status " + decimal(status_.currentState);
        if (status_.win32ExitCode == kServiceSpecificError) {
            line += L" (service-specific error " + decimal(static_cast<int>(status_.serviceSpecificExitCode)) + L")";
        }
        if (status_.checkPoint != 0) line += L" (check point " + decimal(status_.checkPoint) + L")";
        trace(line + (sent ? L" reported" : L" not reported"));
    }
    return sent;
}

void ServiceHost::startStop() {
    auto* request = new StopRequest(stop_);
    platform::Handle thread(CreateThread(nullptr, 0, stopRoutine, request, 0, nullptr));
    if (!thread) delete request;
}

void ServiceHost::onExit(int exitCode) {
    StatusLock lock(statusLock_);
    if (status_.currentState == kStopped) return;
    if (exitCode != 0) traceLine({L"service: the Java program exits with ", decimal(exitCode)});
    end(exitCode);
}

void ServiceHost::onAbort() {}

unsigned long ServiceHost::dispatch() {
    dispatchedHost = this;
    SERVICE_TABLE_ENTRYW table[] = {{kServiceName, ::serviceMain}, {nullptr, nullptr}};
    DWORD error = StartServiceCtrlDispatcherW(table) ? 0 : GetLastError();
    dispatchedHost = nullptr;
    if (error) trace(L"service dispatcher failed: " + decimal(error));
    return error;
}
