#include <windows.h>

#include <cstdio>
#include <utility>

#include "launcher/launcher.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/profile.h"
#include "base/text.h"
#include "base/trace.h"
#include "modes/event_log.h"
#include "modes/pair_product.h"
#include "modes/service.h"
#include "resources/resource.h"
#include "ui/jre_dialog.h"
#include "ui/message_box.h"
#include "ui/window_station.h"
#include "vm/class_data_sharing_win.h"
#include "vm/environment.h"
#include "vm/vm_options.h"

namespace {

void traceArguments(const std::vector<std::wstring>& arguments) {
    if (!traceEnabled()) return;
    trace(L"arguments: " + decimal(static_cast<long long>(arguments.size())));
    for (size_t i = 0; i < arguments.size(); ++i) {
        trace(L"  argument[" + decimal(static_cast<long long>(i)) + L"] = \"" + arguments[i] + L"\"");
    }
}

void traceCurrentDirectory() {
    if (traceEnabled()) trace(L"current directory: " + currentDirectory());
}

// The "JRE Not Found" dialog, owned by the window active at that moment. In a
// window station nobody sees (a service's) the dialog would wait for nobody:
// its message is printed as an error instead and the answer is Cancel.
UserAnswer askTheUser(const std::wstring& message, JvmType jvmType) {
    if (!windowStationVisible()) {
        trace(L"runtime: the window station is not visible: no dialog, the search ends as if cancelled");
        printError(message);
        UserAnswer cancelled;
        cancelled.result = 2;
        return cancelled;
    }
    JreDialogResult r = runJreNotFoundDialog(message, GetActiveWindow(), [jvmType](const std::wstring& folder) {
        return resolveJvmLibrary(systemRuntimeProbe(), folder, jvmType);
    });
    return UserAnswer{r.result, r.chosenFolder, r.jvmLibrary};
}

// The configuration as the system's profile functions read it.
class SystemSettingsFacts : public SettingsFacts {
public:
    std::unique_ptr<ProfileSource> open(const std::wstring& path) const override {
        return std::unique_ptr<ProfileSource>(new ConfigFile(path));
    }
    bool isWindowsNtFamily() const override { return ::isWindowsNtFamily(); }
    std::wstring userConfigPath(const std::wstring& exePath, const std::wstring& productName,
                                const std::wstring& productCode) const override {
        return userConfigPathFor(exePath, productName, productCode, false);
    }
    bool fileFound(const std::wstring& path) const override { return findFile(path); }
};

}  // namespace

bool Launcher::startUp() {
    arguments_ = readArguments();
    traceArguments(arguments_);
    unsigned long error = 0;
    if (!readModulePaths(paths_, &error)) {
        report(Failure(IDS_WINDOWS_EXCEPTION, {loadMessage(IDS_MODULE_PATH), static_cast<int>(error)}));
        return false;
    }
    configPath_ = iniPathFor(paths_.exe);
    if (configPath_.empty()) return false;
    // Read as if empty, it would be reported as a file without "Main Class".
    if (!profileReachable(configPath_) && findFile(configPath_)) {
        report(Failure(IDS_INI_PATH_TOO_LONG, {configPath_}));
        return false;
    }
    Failure failure = readSettings(configPath_, paths_.exe, SystemSettingsFacts(), settings_);
    // Boxes of the windowed executable carry the product's name from here on.
    setMessageBoxContext(settings_.productName, settings_.isService);
    // Nobody reads a service's console: from here on its errors also go to the event log.
    if (settings_.isService) event_log::start(event_log::sourceNameFor(paths_.exe), paths_.exe);
    if (failure) {
        report(failure);
        return false;
    }
    vm_.setKeepThreadsAttached(settings_.runtime.keepsThreadsAttached());

    if (settings_.singleInstance) {
        InstanceProgram program;
        program.waitUntilMainCalled = [this] { vm_.waitUntilMainCalled(); };
        program.secondaryMain = [this](const std::vector<std::wstring>& arguments,
                                       const std::function<void(int)>& reply) {
            vm_.callSecondaryMain(settings_.mainClass, arguments, reply);
        };
        if (!instance_.join(paths_.exe, arguments_, std::move(program), failure)) {
            report(failure);
            return false;
        }
        vm_.onMainCalled([this] { instance_.mainCalled(); });
    }
    if (instance_.role() == SingleInstance::Role::Second) {
        trace(L"second instance: handed the arguments to the first");
        return true;
    }
    if (settings_.overrideWorkingDir && !applyWorkingDirOverride(paths_.exe, &error)) {
        report(Failure(IDS_WORKING_DIR_FAILED, {folderWithoutSeparator(paths_.exe), static_cast<int>(error)}));
        return false;
    }
    traceCurrentDirectory();

    RuntimePlaces places;
    places.jrePath = settings_.jrePath;
    places.executable = paths_.exe;
    places.executableFolder = paths_.folder;
    places.configPath = configPath_;
    places.pairProductPath = settings_.pairProductPath;
    places.productName = settings_.productName;
    places.productCode = settings_.productCode;
    places.choiceBesideExecutable = settings_.isService || !isWindowsNtFamily();
    RuntimeSearch search;
    const JvmType jvmType = settings_.runtime.jvmType;
    search.askUser = [jvmType](const std::wstring& message) { return askTheUser(message, jvmType); };
    return findRuntime(systemRuntimeProbe(), settings_.runtime, places, search, runtime_);
}

int Launcher::run() {
    if (runtime_.runPairProduct) {
        trace(L"run: starting the paired executable " + settings_.pairProductPath);
        Failure failure;
        const int exitCode = relaunchPairProduct(settings_.pairProductPath, settings_.pairReturnCode, failure);
        report(failure);
        return exitCode;
    }
    if (instance_.role() == SingleInstance::Role::Second) return instance_.waitForFirstInstance();

    if (Failure failure = checkMainModuleRuntime(settings_.command, runtime_.version)) {
        report(failure);
        return -1;
    }
    JavaLaunch launch;
    launch.mainClass = settings_.mainClass;
    launch.arguments = arguments_;
    launch.failureCheck = settings_.failureCheck;
    prepareJavaEnvironment(settings_.command, runtime_.jvmLibraryPath, paths_.folder, launch);
    if (Failure failure = vm_.load(runtime_.jvmLibraryPath)) {
        noteOtherMachine(systemRuntimeProbe(), failure, runtime_.jvmLibraryPath);
        report(failure);
        return -1;
    }
    // An empty class path still starts the VM thread; the main class lookup then
    // reports the failure.
    StartupCacheRequest cache;
    cache.runtimeVersion = runtime_.version;
    // The release file's version is exact; the rest names the runtime by its VM library.
    if (runtime_.versionTextOrigin == VersionOrigin::ReleaseFile) cache.runtimeIdentity = runtime_.versionText;
    cache.jvmLibraryPath = runtime_.jvmLibraryPath;
    cache.productName = settings_.productName;
    cache.productCode = settings_.productCode;
    cache.executable = paths_.exe;
    if (Failure failure = assembleVmOptions(settings_.command, paths_, cache, launch, cache_)) {
        report(failure);
        if (failure.id != IDS_NO_CLASS_PATH) return -1;
    }
    exitRelay_.watchCreation(&vm_, launch.mainModule);
    Failure failure;
    const int status = vm_.run(std::move(launch), failure);
    report(failure);
    return status == 0 ? 0 : -1;
}

void ExitRelay::onExit(int exitCode) {
    if (ExitObserver* service = service_.load()) service->onExit(exitCode);
    cache_.finish();
}

void ExitRelay::onAbort() {
    if (ExitObserver* service = service_.load()) service->onAbort();
    if (vm_ && vm_->creating() && !mainModule_.empty()) {
        report(Failure(IDS_MODULE_NOT_RESOLVED, {mainModule_}));
        std::fflush(stdout);
        ExitProcess(static_cast<UINT>(-1));
    }
}

Launcher::Launcher() { setExitObserver(&exitRelay_); }

void Launcher::endProgram() {
    vm_.destroy();
    // A service ends the program in serve() and again in the destructor: the
    // cache's work is done the first time only.
    cache_.finish();
}

int Launcher::serve(bool started) {
    ServiceHost::RunStep runStep;
    if (started) {
        runStep = [this](const std::vector<std::wstring>& serviceArguments) {
            arguments_.insert(arguments_.end(), serviceArguments.begin(), serviceArguments.end());
            return run();
        };
    }
    ServiceHost host(settings_.omitServiceName, settings_.stopTimeoutSeconds, std::move(runStep),
                     [this] { vm_.callStop(settings_.mainClass); });
    exitRelay_.setService(&host);
    const int exitCode = static_cast<int>(host.dispatch());
    // The host hears the VM's exit until the dispatcher returns; the VM goes
    // while the host still exists, so that no hook can reach it afterwards.
    exitRelay_.setService(nullptr);
    endProgram();
    // A failed start-up ends with -1, as it does outside a service.
    return started ? exitCode : -1;
}

Launcher::~Launcher() {
    // The VM goes first: DestroyJavaVM waits for the Java program's non-daemon
    // threads. The single-instance objects follow as members.
    endProgram();
    setExitObserver(nullptr);
}
