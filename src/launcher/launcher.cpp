#include "launcher/launcher.h"

#include "modes/single_instance.h"

Launcher* launcherInstance = nullptr;

Launcher::Launcher() { launcherInstance = this; }

Launcher::~Launcher() {
    // The VM goes first: DestroyJavaVM waits for the Java program's non-daemon threads.
    if (javaVm) javaVm->DestroyJavaVM();
    if (singleInstance) teardownSingleInstance(*this);
    readyEvent.reset();
    if (launcherInstance == this) launcherInstance = nullptr;
}
