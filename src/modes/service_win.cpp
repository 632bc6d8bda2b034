#include "modes/service.h"

// The service host is not built yet.
ServiceHost* serviceHostInstance = nullptr;

ServiceHost::ServiceHost() { runner.host = this; }
ServiceHost::~ServiceHost() {}

int ServiceRunner::run(unsigned long, wchar_t**) { return -1; }
void ServiceRunner::startStop() {}
void ServiceRunner::onExit(int) {}
void ServiceRunner::onAbort() {}

unsigned long dispatch() { return static_cast<unsigned long>(-1); }
