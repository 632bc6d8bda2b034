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

    // The program's launch form (extensions), as the java command's -m and -jar take it.
    std::wstring mainModule;  // "Main Module": module or module/class
    std::wstring modulePath;  // "Module Path": entries as "Class Path" takes them
    std::wstring mainJar;     // "Main JAR": a path relative to the executable's folder
};
