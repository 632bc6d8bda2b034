// The service host: dispatcher, control handler, status reports, stop threads.
#include <windows.h>

#include <memory>

#include "base/handle.h"
#include "base/text.h"
#include "base/trace.h"
#include "modes/service.h"

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

}  // namespace

ServiceHost::ServiceHost(bool omitServiceName, RunStep run, StopRequest stop)
    : omitServiceName_(omitServiceName), run_(std::move(run)), stop_(std::move(stop)) {}

void ServiceHost::serviceMain(unsigned long count, wchar_t** vector) {
    statusHandle_ = RegisterServiceCtrlHandlerW(kServiceName, controlHandler);
    if (!statusHandle_) return;
    status_ = runningStatus();
    if (!report()) return;
    std::vector<std::wstring> arguments;
    appendServiceArguments(arguments, count, vector, omitServiceName_);
    run_(arguments);
    status_.currentState = service_codes::kStopped;
    report();
}

void ServiceHost::control(unsigned long code) {
    bool stop = applyControl(status_, code);
    if (report() && stop) startStop();
}

bool ServiceHost::report() {
    SERVICE_STATUS record;
    record.dwServiceType = status_.serviceType;
    record.dwCurrentState = status_.currentState;
    record.dwControlsAccepted = status_.controlsAccepted;
    record.dwWin32ExitCode = status_.win32ExitCode;
    record.dwServiceSpecificExitCode = status_.serviceSpecificExitCode;
    record.dwCheckPoint = status_.checkPoint;
    record.dwWaitHint = status_.waitHint;
    bool sent = SetServiceStatus(static_cast<SERVICE_STATUS_HANDLE>(statusHandle_), &record) != 0;
    if (traceEnabled()) {
        trace(L"service status " + decimal(status_.currentState) + (sent ? L" reported" : L" not reported"));
    }
    return sent;
}

void ServiceHost::startStop() {
    auto* request = new StopRequest(stop_);
    platform::Handle thread(CreateThread(nullptr, 0, stopRoutine, request, 0, nullptr));
    if (!thread) delete request;
}

void ServiceHost::onExit(int exitCode) {
    if (applyJavaExit(status_, exitCode)) report();
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
