#pragma once
// The Windows service host: the launcher as a service of its own process.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/handle.h"
#include "modes/service_status.h"
#include "vm/vm_session.h"

class ServiceHost : public ExitObserver {
public:
    // The run step, given the arguments the Java program gets in addition to
    // the command line's (the service name unless omitted, then the start
    // parameters); gives the exit code.
    using RunStep = std::function<int(const std::vector<std::wstring>& serviceArguments)>;
    // Asks the Java program to stop; called on a thread of its own per request.
    using StopRequest = std::function<void()>;
    // Sends one status record to the service manager (SetServiceStatus unless
    // a test gives its own); false when it could not be sent.
    using StatusReporter = std::function<bool(const ServiceStatusRecord&)>;

    // Without a run step the start-up has failed: the service reports that it
    // stopped with the code -1 and runs nothing. `stopTimeoutSeconds` is
    // "Stop Timeout" (0: a stop waits for the Java program as long as it takes).
    ServiceHost(bool omitServiceName, uint32_t stopTimeoutSeconds, RunStep run, StopRequest stop);
    ~ServiceHost();
    ServiceHost(const ServiceHost&) = delete;
    ServiceHost& operator=(const ServiceHost&) = delete;

    // Hands the calling (main) thread to the service control dispatcher until
    // the service has stopped. 0 when it ran, otherwise the platform's error code.
    unsigned long dispatch();

    // The VM's exit: the service is reported stopped, with the code as its own
    // error unless it is 0, before the VM ends the process.
    void onExit(int exitCode) override;
    void onAbort() override;

    // What the dispatcher's callbacks do (they reach the host through the
    // process-wide dispatcher context). serviceMain registers the control
    // handler and goes on with runService: the running report, the run step
    // and the final report.
    void serviceMain(unsigned long count, wchar_t** vector);
    void runService(unsigned long count, wchar_t** vector);
    void control(unsigned long code);

    void setStatusReporter(StatusReporter reporter) { reporter_ = std::move(reporter); }

    // The body of the thread that counts "Stop Timeout" down (public for its entry function).
    void runStopClock();

private:
    // Sends the whole status record; the caller holds the status lock.
    bool report();
    // The final report (stopped); the caller holds the status lock.
    void end(int exitCode);
    void startStop();

    bool omitServiceName_;
    uint32_t stopTimeoutMs_;
    RunStep run_;
    StopRequest stop_;
    StatusReporter reporter_;
    // Changes of the record and their reports happen under this lock (an
    // SRWLOCK), so that the last report is always the last change.
    void* statusLock_ = nullptr;
    ServiceStatusRecord status_;    // the status last reported
    void* statusHandle_ = nullptr;  // from the control handler's registration
    platform::Handle ended_;        // set with the final report
    platform::Handle stopClock_;    // counts "Stop Timeout" down after the first stop
};
