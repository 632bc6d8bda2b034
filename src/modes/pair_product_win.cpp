#include "modes/pair_product.h"

#include "launcher/launcher.h"

// The paired executable is not built yet.
int relaunchPairProduct(Launcher&) { return -1; }
