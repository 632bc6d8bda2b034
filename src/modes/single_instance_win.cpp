#include "modes/single_instance.h"

#include "launcher/launcher.h"

// Single-instance mode is not built yet: every start runs as an ordinary instance.
bool setupSingleInstance(Launcher&) { return true; }
int waitForFirstInstance(Launcher&) { return -1; }
void teardownSingleInstance(Launcher&) {}
