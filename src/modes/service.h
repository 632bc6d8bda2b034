#pragma once
#include "launcher/launcher.h"

class ServiceHost;

// Runs the launcher's run step for the service and turns the VM's exit into
// status reports.
class ServiceRunner : public ExitObserver {
public:
    Launcher* launcher = nullptr;
    ServiceHost* host = nullptr;

    int run(unsigned long count, wchar_t** vector);
    void startStop();
    void onExit(int exitCode) override;
    void onAbort() override;
};

// The process's service record.
class ServiceHost {
public:
    ServiceHost();
    ~ServiceHost();
    ServiceRunner runner;
    // SERVICE_STATUS as seven 32-bit words and the handle of the registration.
    unsigned long status[7] = {0, 0, 0, 0, 0, 0, 0};
    void* statusHandle = nullptr;
};

// The process-wide service record (the platform's callbacks carry no context).
extern ServiceHost* serviceHostInstance;

// Hands the main thread to the service control dispatcher. 0 when it ran,
// otherwise the platform's error code.
unsigned long dispatch();
