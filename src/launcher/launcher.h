#pragma once
// The application object: it sequences one run of the launcher. Each piece of
// state is a value with one owner: the executable's paths, the arguments, the
// settings read once from the configuration file, the runtime choice, the VM
// session and the single-instance objects.
#include <string>
#include <vector>

#include "base/paths.h"
#include "launcher/settings.h"
#include "modes/single_instance.h"
#include "runtime/selection.h"
#include "vm/class_data_sharing_win.h"
#include "vm/vm_session.h"

// The target of the VM's exit hook for the whole run: the service, while one
// is served, hears of the Java program's exit, and a start-up cache that the
// program was training is made before the process ends.
class ExitRelay : public ExitObserver {
public:
    explicit ExitRelay(StartupCache& cache) : cache_(cache) {}
    void setService(ExitObserver* service) { service_.store(service); }
    // A VM that cannot set up the main module's boot layer ends the process
    // while `vm` creates it, after its reason and the abort hook: the hook
    // then reports it and ends with -1, as every failed launch does.
    void watchCreation(const VmSession* vm, const std::wstring& mainModule) {
        vm_ = vm;
        mainModule_ = mainModule;
    }
    void onExit(int exitCode) override;
    void onAbort() override;

private:
    std::atomic<ExitObserver*> service_{nullptr};
    StartupCache& cache_;
    const VmSession* vm_ = nullptr;
    std::wstring mainModule_;
};

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
    // Service mode: the dispatcher, which performs the run step on the service's
    // thread. After a failed start-up (`started` false) the service is only
    // reported stopped with the code -1, and the result is -1.
    int serve(bool started);
    bool isService() const { return settings_.isService; }

private:
    // After the program: the VM destroyed (which waits for its non-daemon
    // threads), then the start-up cache's work.
    void endProgram();

    ModulePaths paths_;
    std::wstring configPath_;
    std::vector<std::wstring> arguments_;
    Settings settings_;
    RuntimeChoice runtime_;
    StartupCache cache_;
    ExitRelay exitRelay_{cache_};
    VmSession vm_;
    SingleInstance instance_;
};
