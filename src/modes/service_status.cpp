#include "modes/service_status.h"

using namespace service_codes;

ServiceStatusRecord runningStatus() {
    ServiceStatusRecord status;
    status.serviceType = kOwnProcess;
    status.currentState = kRunning;
    status.controlsAccepted = kAcceptStop | kAcceptShutdown;
    return status;
}

bool applyControl(ServiceStatusRecord& status, uint32_t control) {
    if (control != kControlStop && control != kControlShutdown) return false;
    status.win32ExitCode = 0;
    status.checkPoint = 0;
    status.currentState = kStopPending;
    status.waitHint = kStopWaitHintMs;
    return true;
}

bool applyJavaExit(ServiceStatusRecord& status, int exitCode) {
    if (exitCode != 0) return false;
    status.currentState = kStopped;
    return true;
}

void appendServiceArguments(std::vector<std::wstring>& arguments, unsigned long count, const wchar_t* const* vector,
                            bool omitServiceName) {
    if (count < 1 || !vector) return;
    for (unsigned long i = omitServiceName ? 1 : 0; i < count; ++i) arguments.push_back(vector[i] ? vector[i] : L"");
}
