#pragma once

class Launcher;

// Loads the VM library and resolves its two exports (messages 222, 202/212).
bool loadJavaVm(Launcher& launcher);
// Runs the VM thread and waits for it; gives its exit code (0 or 1).
int runVmThread(Launcher& launcher);
