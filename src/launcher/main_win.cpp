#include <windows.h>

#include <string>

#include "launcher/launcher.h"
#include "launcher/text.h"
#include "launcher/paths.h"
#include "launcher/trace.h"
#include "modes/service.h"

int main(int, char**, char**) {
    int exitCode = -1;
    {
        Launcher launcher;
        {
            ServiceHost service;
            serviceHostInstance = &service;
            SetThreadLocale(GetSystemDefaultLCID());

            if (launcher.startUp()) {
                if (!launcher.isService) {
                    exitCode = launcher.run();
                } else {
                    std::wstring path;
                    if (modulePath(path)) {
                        launcher.exitObserver = &service.runner;
                        service.runner.launcher = &launcher;
                        exitCode = static_cast<int>(dispatch());
                    }
                }
            }
            serviceHostInstance = nullptr;
            launcher.exitObserver = nullptr;
        }
    }
    trace(L"exit code " + decimal(exitCode));
    return exitCode;
}
