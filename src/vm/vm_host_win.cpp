#include "vm/environment.h"
#include "vm/vm_host.h"

#include "launcher/launcher.h"

// VM hosting is not built yet: loading always fails.
void prepareJavaEnvironment(Launcher&) {}
bool assembleVmOptions(Launcher&) { return false; }
bool loadJavaVm(Launcher&) { return false; }
int runVmThread(Launcher&) { return 1; }
