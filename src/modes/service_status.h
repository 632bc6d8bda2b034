#pragma once
// The service host's rules that need no platform: the status record and how
// controls, the end of the run and the Java program's exit change it, the
// count-down of "Stop Timeout", and the Java program's arguments in a service start.
#include <cstdint>
#include <string>
#include <vector>

// The service control manager's status record, word for word (SERVICE_STATUS).
struct ServiceStatusRecord {
    uint32_t serviceType = 0;
    uint32_t currentState = 0;
    uint32_t controlsAccepted = 0;
    uint32_t win32ExitCode = 0;
    uint32_t serviceSpecificExitCode = 0;
    uint32_t checkPoint = 0;
    uint32_t waitHint = 0;
};

namespace service_codes {
constexpr uint32_t kOwnProcess = 0x10;
constexpr uint32_t kStopped = 1;
constexpr uint32_t kStopPending = 3;
constexpr uint32_t kRunning = 4;
constexpr uint32_t kAcceptStop = 1;
constexpr uint32_t kAcceptShutdown = 4;
constexpr uint32_t kControlStop = 1;
constexpr uint32_t kControlShutdown = 5;
constexpr uint32_t kStopWaitHintMs = 3000;
// ERROR_SERVICE_SPECIFIC_ERROR: the service-specific word holds the code.
constexpr uint32_t kServiceSpecificError = 1066;
// While "Stop Timeout" runs, the stop pending report advances this often.
constexpr uint32_t kStopTickMs = 1000;
// The service-specific code of a service that "Stop Timeout" ended.
constexpr int kStopTimeoutCode = 1460;
}  // namespace service_codes

// The record reported once the control handler is registered: an own-process
// service, running, accepting stop and shutdown, every other word 0.
ServiceStatusRecord runningStatus();
// A control: stop and shutdown make the record stop pending with exit code 0
// and give true, which asks for a stop thread once the report succeeded; any
// other control leaves the record as it is, to be reported again, and gives
// false. Without a stop timeout (0) the check point is 0 and the wait hint
// 3000 ms; with one, the first stop starts the count-down (check point 0, the
// hint of stopWaitHint) and a later one leaves check point and hint alone.
bool applyControl(ServiceStatusRecord& status, uint32_t control, uint32_t stopTimeoutMs = 0);
// The wait hint of a stop pending report made `remainingMs` before the stop
// timeout runs out: the next report comes within one tick or at the timeout,
// and one more tick is allowed for a late one.
uint32_t stopWaitHint(uint32_t remainingMs);
// One tick of the count-down: the check point advances, the hint follows the time left.
void advanceStopPending(ServiceStatusRecord& status, uint32_t remainingMs);
// The service's end with `exitCode` (the run step's result, the Java program's
// exit, or kStopTimeoutCode): stopped; any code but 0 is reported as
// ERROR_SERVICE_SPECIFIC_ERROR with the code as the service-specific word.
void applyEnd(ServiceStatusRecord& status, int exitCode);

// Appends a service start's arguments to the Java program's: the service name
// (vector[0]) unless it is omitted, then the start parameters in order.
void appendServiceArguments(std::vector<std::wstring>& arguments, unsigned long count, const wchar_t* const* vector,
                            bool omitServiceName);
