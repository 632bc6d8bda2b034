#include <windows.h>

#include "base/text.h"
#include "base/trace.h"
#include "launcher/launcher.h"

int main(int, char**, char**) {
    int exitCode = -1;
    {
        Launcher launcher;
        // Narrow text for the VM (options, class names) and messages follows the
        // system's default locale from here on.
        SetThreadLocale(GetSystemDefaultLCID());
        const bool started = launcher.startUp();
        // A service connects to the service manager even when its start-up failed,
        // so that Windows learns of the failure.
        if (launcher.isService()) {
            exitCode = launcher.serve(started);
        } else if (started) {
            exitCode = launcher.run();
        }
    }
    trace(L"exit code " + decimal(exitCode));
    return exitCode;
}
