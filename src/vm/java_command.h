#pragma once
#include <string>

// The Java program's command as the configuration gives it: the raw texts,
// environment references not yet expanded.
struct JavaCommand {
    std::wstring classPath;     // "Class Path"
    bool embeddedJar = false;   // "Embedded Jar"
    std::wstring vmParameters;  // "Virtual Machine Parameters"
    std::wstring outputFile;    // "Output File"
    bool outputAppend = false;  // "Output Append"
    std::wstring errorFile;     // "Error File"
    bool errorAppend = false;   // "Error Append"
    std::wstring cmd;           // "Cmd"
    std::wstring libraryPath;   // "Library Path"
    std::wstring systemPath;    // "System Path"
    std::wstring classDataSharing;  // "Class Data Sharing" (the start-up cache, an extension)
};
