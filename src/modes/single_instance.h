#pragma once

class Launcher;

// Decides single-instance mode; in a second instance hands the arguments to the
// first. False when a second instance failed to hand them over.
bool setupSingleInstance(Launcher& launcher);
// A second instance's wait for the first instance's answer; gives the exit code.
int waitForFirstInstance(Launcher& launcher);
// Releases the single-instance objects.
void teardownSingleInstance(Launcher& launcher);
