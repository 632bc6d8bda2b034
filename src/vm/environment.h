#pragma once
// The process environment the VM sees and the assembly of its options.
#include <string>

#include "base/messages.h"
#include "base/paths.h"
#include "vm/class_data_sharing.h"
#include "vm/java_command.h"
#include "vm/vm_session.h"

struct StartupCacheRequest;
class StartupCache;

// Sets QZ_JVM_PATH and QZ_JVM_HOME for the Java program.
void publishRuntime(const std::wstring& jvmLibraryPath);

// Publishes the runtime, adds the library-path option to `launch` and rewrites Path.
void prepareJavaEnvironment(const JavaCommand& command, const std::wstring& jvmLibraryPath,
                            const std::wstring& executableFolder, JavaLaunch& launch);

// Class path, VM parameters, redirection settings and "Cmd" (appended to the
// arguments). Failure 209, with nothing after the class path added, when the
// class path is empty. With "Class Data Sharing" set, `request` (the runtime's
// version and identity, the VM library, the product and the executable)
// completed with the class path and the parameters prepares `cache`, which
// gives the start-up cache's options.
Failure assembleVmOptions(const JavaCommand& command, const ModulePaths& paths, StartupCacheRequest request,
                          JavaLaunch& launch, StartupCache& cache);
