// The service host: dispatcher, control handler, status reports, stop threads.
#include <windows.h>

#include "launcher/launcher.h"
#include "launcher/text.h"
#include "launcher/trace.h"
#include "modes/service.h"
#include "vm/java_calls.h"

ServiceHost* serviceHostInstance = nullptr;

namespace {

wchar_t kServiceName[] = L"";

void WINAPI controlHandler(DWORD control) {
    ServiceHost* host = serviceHostInstance;
    if (!host) return;
    bool stop = applyControl(host->status, control);
    if (host->report() && stop) host->runner.startStop();
}

void WINAPI serviceMain(DWORD count, LPWSTR* vector) {
    ServiceHost* host = serviceHostInstance;
    if (!host) return;
    host->statusHandle = RegisterServiceCtrlHandlerW(kServiceName, controlHandler);
    if (!host->statusHandle) return;
    host->status = runningStatus();
    if (!host->report()) return;
    host->runner.run(count, vector);
    host->status.currentState = service_codes::kStopped;
    host->report();
}

// The body of a stop thread.
DWORD WINAPI stopRoutine(void* parameter) {
    Launcher& launcher = *static_cast<Launcher*>(parameter);
    // A stop that comes while the VM is being created waits for the Java main:
    // until then there is no VM to attach to and no program to stop.
    if (launcher.readyEvent) WaitForSingleObject(launcher.readyEvent.get(), INFINITE);
    if (!launcher.javaVm) return 0;
    JNIEnv* env = nullptr;
    if (launcher.javaVm->AttachCurrentThread(reinterpret_cast<void**>(&env), nullptr) != JNI_OK) return 0;
    callStaticStop(env, toAnsi(launcher.mainClass));
    if (!launcher.ibmAllowed && !launcher.ibmFavored) launcher.javaVm->DetachCurrentThread();
    return 0;
}

}  // namespace

ServiceHost::ServiceHost() { runner.host = this; }

bool ServiceHost::report() {
    SERVICE_STATUS record;
    record.dwServiceType = status.serviceType;
    record.dwCurrentState = status.currentState;
    record.dwControlsAccepted = status.controlsAccepted;
    record.dwWin32ExitCode = status.win32ExitCode;
    record.dwServiceSpecificExitCode = status.serviceSpecificExitCode;
    record.dwCheckPoint = status.checkPoint;
    record.dwWaitHint = status.waitHint;
    bool sent = SetServiceStatus(static_cast<SERVICE_STATUS_HANDLE>(statusHandle), &record) != 0;
    if (traceEnabled()) {
        trace(L"service status " + decimal(status.currentState) + (sent ? L" reported" : L" not reported"));
    }
    return sent;
}

int ServiceRunner::run(unsigned long count, wchar_t** vector) {
    appendServiceArguments(launcher->arguments, count, vector, launcher->omitServiceName);
    return launcher->run();
}

void ServiceRunner::startStop() {
    HANDLE thread = CreateThread(nullptr, 0, stopRoutine, launcher, 0, nullptr);
    if (thread) CloseHandle(thread);
}

void ServiceRunner::onExit(int exitCode) {
    if (applyJavaExit(host->status, exitCode)) host->report();
}

void ServiceRunner::onAbort() {}

unsigned long dispatch() {
    ServiceHost* host = serviceHostInstance;
    // Stop threads wait on the ready event for the Java main; it exists before
    // the dispatcher can deliver a control (single instance is off for services).
    if (host && host->runner.launcher && !host->runner.launcher->readyEvent) {
        host->runner.launcher->readyEvent.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    }
    SERVICE_TABLE_ENTRYW table[] = {{kServiceName, serviceMain}, {nullptr, nullptr}};
    if (StartServiceCtrlDispatcherW(table)) return 0;
    DWORD error = GetLastError();
    trace(L"service dispatcher failed: " + decimal(error));
    return error;
}
