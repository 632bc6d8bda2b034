#include "runtime/selection.h"

#include "launcher/launcher.h"

// Runtime discovery is not built yet: no runtime is ever found.
bool findRuntime(Launcher&) { return false; }

void publishRuntime(Launcher&) {}
