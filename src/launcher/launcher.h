#pragma once
#include <jni.h>

#include <cstdint>
#include <string>
#include <vector>

#include "launcher/handle.h"
#include "runtime/java_version.h"

struct InstanceBlock;

// Which VM library of a runtime is loaded ("JVM Type").
enum class JvmType { Default, Server, FavorServer };

// Receives the VM's exit and abort notifications (service mode only).
class ExitObserver {
public:
    virtual void onExit(int exitCode) = 0;
    virtual void onAbort() = 0;

protected:
    ~ExitObserver() = default;
};

using CreateJavaVmFunction = jint(JNICALL*)(JavaVM**, void**, void*);
using DefaultInitArgsFunction = jint(JNICALL*)(void*);

// The application object: every setting, the chosen runtime, the arguments, the
// VM and the mode flags of one run. Exactly one exists per process.
class Launcher {
public:
    Launcher();
    ~Launcher();  // the teardown
    Launcher(const Launcher&) = delete;
    Launcher& operator=(const Launcher&) = delete;

    // Start-up: arguments, configuration, single instance, working directory,
    // runtime choice. False ends the run with -1.
    bool startUp();
    // The run step: paired executable, second instance, or the VM. Gives the exit code.
    int run();

    ExitObserver* exitObserver = nullptr;
    JvmType jvmType = JvmType::Default;
    std::wstring jvmLibraryPath;
    JavaVM* javaVm = nullptr;
    JNIEnv* jniEnv = nullptr;
    std::wstring mainClass;
    JavaVersion selectedVersion;
    JavaVersion minimumVersion;
    JavaVersion maximumVersion;
    std::vector<std::wstring> arguments;
    bool isService = false;
    bool omitServiceName = false;
    bool acceptJdk = false;
    bool acceptJre = false;
    bool favorSource = true;
    bool jrockitAllowed = false;
    bool sunAllowed = true;
    bool ibmAllowed = false;
    bool jrockitFavored = false;
    bool sunFavored = true;
    bool ibmFavored = false;
    std::wstring productName;
    std::wstring productCode;
    std::vector<std::string> vmOptions;
    std::vector<std::wstring> preferredVersions;
    std::wstring jrePath;
    std::wstring libraryPath;
    platform::MappedView<InstanceBlock> sharedBlock;
    platform::Handle sharedMapping;
    platform::Handle listenerThread;
    // A second instance holds this named mutex of the instance from writing its
    // arguments into the shared block until its teardown.
    platform::Handle instanceMutex;
    bool firstInstance = false;
    bool singleInstance = false;
    std::wstring outputFile;
    std::wstring errorFile;
    bool outputAppend = false;
    bool errorAppend = false;
    std::wstring systemPath;
    std::wstring extraArguments;
    std::wstring pairProductPath;
    bool pairReturnCode = false;
    bool failureCheck = false;
    bool overrideWorkingDir = false;
    uint32_t threadStackSize = 0;
    platform::Handle readyEvent;
    bool runPairProduct = false;
    CreateJavaVmFunction createJavaVmEntry = nullptr;
    DefaultInitArgsFunction defaultInitArgsEntry = nullptr;
};

// The one Launcher of the process, set by its constructor (the VM hooks reach it here).
extern Launcher* launcherInstance;
