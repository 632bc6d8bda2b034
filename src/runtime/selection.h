#pragma once
#include <functional>
#include <string>

#include "runtime/discovery.h"
#include "ui/jre_dialog.h"

class Launcher;

// How one search runs. The product uses the defaults; tests choose the views
// (an x86_64 process's own view is the 64-bit one) and answer for the user.
struct RuntimeSearch {
    RegistryView defaultView = RegistryView::Default;  // always searched
    RegistryView wideView = RegistryView::Bits64;      // searched for a "Pair Product" only
    // Asks the user for a runtime folder; empty: the "JRE Not Found" dialog.
    std::function<JreDialogResult(JvmType jvmType, const std::wstring& message)> askUser;
};

// Chooses the Java runtime: configured folder, private runtime, registry,
// JAVA_HOME, the user. Sets jvmLibraryPath, selectedVersion and runPairProduct.
// False when the user cancelled.
bool findRuntime(Launcher& launcher);
bool findRuntime(Launcher& launcher, const RuntimeSearch& search);

// One registry pass in one view: collects, orders and chooses a candidate, sets
// selectedVersion and gives the chosen home (empty when nothing qualifies).
std::wstring registryPass(Launcher& launcher, RegistryView view);

// Sets runPairProduct when a "Pair Product" is configured and the library at
// jvmLibraryPath is a valid image for another machine than this process's
// (x86 for the shipped 32-bit launcher).
void checkPairProduct(Launcher& launcher);

// Writes a folder the user picked as "JRE Path": into the per-user configuration
// (and the paired product's), or beside the executables for a service or a
// system outside the NT family.
void writeChoiceBack(const Launcher& launcher, const std::wstring& folder);

// Sets QZ_JVM_PATH and QZ_JVM_HOME for the Java program.
void publishRuntime(Launcher& launcher);
