#pragma once

// Whether the process's window station is visible (WSF_VISIBLE), that is
// whether anybody can see a window it shows. A service's is not: a dialog there
// waits for nobody. False without a window station, true when the system
// cannot tell.
bool windowStationVisible();
