#pragma once
// What starts the Java program, in the forms of the java command: a main class
// on the class path, a main JAR (java -jar) or a main module (java -m).
#include <string>

struct ProgramEntry {
    std::wstring mainClass;   // '/'-separated; empty: from the JAR's manifest or the module's descriptor
    std::wstring mainJar;     // the main JAR as found; its manifest is read once the VM runs
    std::wstring mainModule;  // the main module's name (the root module of the boot layer)
};
