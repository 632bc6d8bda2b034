#include "modes/service_status.h"

using namespace service_codes;

ServiceStatusRecord runningStatus() {
    ServiceStatusRecord status;
    status.serviceType = kOwnProcess;
    status.currentState = kRunning;
    status.controlsAccepted = kAcceptStop | kAcceptShutdown;
    return status;
}

bool applyControl(ServiceStatusRecord& status, uint32_t control, uint32_t stopTimeoutMs) {
    if (control != kControlStop && control != kControlShutdown) return false;
    status.win32ExitCode = 0;
    if (stopTimeoutMs == 0) {
        status.checkPoint = 0;
        status.waitHint = kStopWaitHintMs;
    } else if (status.currentState != kStopPending) {
        status.checkPoint = 0;
        status.waitHint = stopWaitHint(stopTimeoutMs);
    }
    status.currentState = kStopPending;
    return true;
}

uint32_t stopWaitHint(uint32_t remainingMs) { return (remainingMs < kStopTickMs ? remainingMs : kStopTickMs) + kStopTickMs; }

void advanceStopPending(ServiceStatusRecord& status, uint32_t remainingMs) {
    ++status.checkPoint;
    status.waitHint = stopWaitHint(remainingMs);
}

void applyEnd(ServiceStatusRecord& status, int exitCode) {
    status.currentState = kStopped;
    status.win32ExitCode = exitCode != 0 ? kServiceSpecificError : 0;
    status.serviceSpecificExitCode = static_cast<uint32_t>(exitCode);
}

void appendServiceArguments(std::vector<std::wstring>& arguments, unsigned long count, const wchar_t* const* vector,
                            bool omitServiceName) {
    if (count < 1 || !vector) return;
    for (unsigned long i = omitServiceName ? 1 : 0; i < count; ++i) arguments.push_back(vector[i] ? vector[i] : L"");
}
