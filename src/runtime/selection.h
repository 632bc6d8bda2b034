#pragma once

class Launcher;

// Chooses the Java runtime: configured folder, private runtime, registry, the
// user. Sets jvmLibraryPath and runPairProduct. False when the user cancelled.
bool findRuntime(Launcher& launcher);

// Sets QZ_JVM_PATH and QZ_JVM_HOME for the Java program.
void publishRuntime(Launcher& launcher);
