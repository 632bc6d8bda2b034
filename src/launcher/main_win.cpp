#include <windows.h>

#include "base/text.h"
#include "base/trace.h"
#include "launcher/launcher.h"
#include "ui/message_box.h"

int main(int, char**, char**) {
    // Libraries are never searched in the current directory: a document opened
    // from a folder that holds a DLL of a name some library asks for would
    // have that file's code run here.
    SetDllDirectoryW(L"");
    int exitCode = -1;
    // The windowed executable shows the launcher's messages in boxes.
    setErrorSink(showErrorBox);
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
