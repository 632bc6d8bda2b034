#pragma once
// The Windows service host: the launcher as a service of its own process.
#include "launcher/launcher.h"
#include "modes/service_status.h"

class ServiceHost;

// Runs the launcher's run step for the service, starts the stop threads, and
// turns the VM's exit into a status report.
class ServiceRunner : public ExitObserver {
public:
    Launcher* launcher = nullptr;
    ServiceHost* host = nullptr;

    // Appends the service name (unless omitted) and the start parameters to the
    // Java program's arguments and performs the run step on this thread.
    int run(unsigned long count, wchar_t** vector);
    // A new thread that calls the main class's static "stop".
    void startStop();
    void onExit(int exitCode) override;
    void onAbort() override;
};

// The process's service record.
class ServiceHost {
public:
    ServiceHost();
    ServiceHost(const ServiceHost&) = delete;
    ServiceHost& operator=(const ServiceHost&) = delete;

    ServiceRunner runner;
    ServiceStatusRecord status;   // the status last reported
    void* statusHandle = nullptr;  // from the control handler's registration

    // Sends the whole status record. False when it could not be sent.
    bool report();
};

// The process-wide service record (the platform's callbacks carry no context).
extern ServiceHost* serviceHostInstance;

// Hands the main thread to the service control dispatcher until the service
// has stopped. 0 when it ran, otherwise the platform's error code.
unsigned long dispatch();
