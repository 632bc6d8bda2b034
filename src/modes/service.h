#pragma once
// The Windows service host: the launcher as a service of its own process.
#include <functional>
#include <string>
#include <vector>

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

    ServiceHost(bool omitServiceName, RunStep run, StopRequest stop);
    ServiceHost(const ServiceHost&) = delete;
    ServiceHost& operator=(const ServiceHost&) = delete;

    // Hands the calling (main) thread to the service control dispatcher until
    // the service has stopped. 0 when it ran, otherwise the platform's error code.
    unsigned long dispatch();

    // The VM's exit: a Java exit with 0 reports the service stopped.
    void onExit(int exitCode) override;
    void onAbort() override;

    // What the dispatcher's callbacks do (they reach the host through the
    // process-wide dispatcher context).
    void serviceMain(unsigned long count, wchar_t** vector);
    void control(unsigned long code);

private:
    // Sends the whole status record. False when it could not be sent.
    bool report();
    void startStop();

    bool omitServiceName_;
    RunStep run_;
    StopRequest stop_;
    ServiceStatusRecord status_;   // the status last reported
    void* statusHandle_ = nullptr;  // from the control handler's registration
};
