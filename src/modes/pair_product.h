#pragma once

class Launcher;

// Starts the paired executable with this process's command line. Gives 0, or the
// child's exit code when "Pair Return Code" is set.
int relaunchPairProduct(Launcher& launcher);
