#pragma once
// The service host's rules that need no platform: the status record and how
// controls and the Java program's exit change it, and the Java program's
// arguments in a service start.
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
}  // namespace service_codes

// The record reported once the control handler is registered: an own-process
// service, running, accepting stop and shutdown, every other word 0.
ServiceStatusRecord runningStatus();
// A control: stop and shutdown make the record stop pending (exit code 0, check
// point 0, wait hint 3000) and give true, which asks for a stop thread once the
// report succeeded; any other control leaves the record as it is, to be
// reported again, and gives false.
bool applyControl(ServiceStatusRecord& status, uint32_t control);
// The Java program's exit with `exitCode`: 0 makes the record stopped and gives
// true (report it); any other code gives false and reports nothing.
bool applyJavaExit(ServiceStatusRecord& status, int exitCode);

// Appends a service start's arguments to the Java program's: the service name
// (vector[0]) unless it is omitted, then the start parameters in order.
void appendServiceArguments(std::vector<std::wstring>& arguments, unsigned long count, const wchar_t* const* vector,
                            bool omitServiceName);
