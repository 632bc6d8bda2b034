#pragma once

class Launcher;

// Publishes the runtime, adds the library-path option and rewrites Path.
void prepareJavaEnvironment(Launcher& launcher);
// Class path, VM parameters, redirection settings and "Cmd". False when the
// configuration file cannot be located or the class path is empty (message 209).
bool assembleVmOptions(Launcher& launcher);
