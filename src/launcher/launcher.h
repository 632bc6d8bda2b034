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
#include "vm/vm_session.h"

class Launcher {
public:
    Launcher() = default;
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
    ModulePaths paths_;
    std::wstring configPath_;
    std::vector<std::wstring> arguments_;
    Settings settings_;
    RuntimeChoice runtime_;
    VmSession vm_;
    SingleInstance instance_;
};
