// Linux builds host no single-instance objects.
#include "modes/single_instance.h"

void teardownSingleInstance(Launcher&) {}
