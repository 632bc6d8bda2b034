#pragma once
#include <functional>
#include <string>

#include "base/messages.h"
#include "runtime/discovery.h"
#include "runtime/java_version.h"
#include "runtime/policy.h"

// What the runtime search decided.
struct RuntimeChoice {
    std::wstring jvmLibraryPath;  // the VM library to load
    // The chosen runtime's version, whatever its source: a registry runtime's
    // from its key (or its release file), any other's from its release file or
    // the major version of its VM library's version resource. 0.0.0.0 when it
    // cannot be read.
    JavaVersion version;
    VersionOrigin versionOrigin = VersionOrigin::None;  // where `version` came from
    // The exact version text: the release file's JAVA_VERSION ("21.0.2"), else
    // the version resource's product version ("21.0.2.0"); empty when neither can be read.
    std::wstring versionText;
    VersionOrigin versionTextOrigin = VersionOrigin::None;
    bool runPairProduct = false;  // the paired executable runs it instead of this process
};

// The places a runtime may come from besides the registry, and where a folder
// the user picks is remembered.
struct RuntimePlaces {
    std::wstring jrePath;           // "JRE Path"
    std::wstring executable;        // this executable's path
    std::wstring executableFolder;  // its folder, with '\' (a private runtime sits there)
    std::wstring configPath;        // the configuration file beside it
    std::wstring pairProductPath;   // "Pair Product"
    std::wstring productName;       // the per-user configuration's folders
    std::wstring productCode;
    bool choiceBesideExecutable = false;  // a service or a system outside the NT family
};

// The user's answer when nothing qualifies: 1 (OK) with the folder picked and
// its VM library, 2 (cancelled) or -1 (no dialog could be shown).
struct UserAnswer {
    int result = -1;
    std::wstring folder;
    std::wstring jvmLibrary;
};

// How one search runs. Tests choose the views (an x86_64 process's own view is
// the 64-bit one); the caller supplies the question to the user.
struct RuntimeSearch {
    RegistryView defaultView = RegistryView::Default;  // always searched
    RegistryView wideView = RegistryView::Bits64;      // searched for a "Pair Product" only
    // Asks the user for a runtime folder, showing `message`.
    std::function<UserAnswer(const std::wstring& message)> askUser;
};

// Chooses the Java runtime: configured folder, private runtime, registry,
// JAVA_HOME (within the version bounds, and for this build's processor or the
// paired executable), the user. False when the user cancelled (or could not be asked).
bool findRuntime(const RuntimeProbe& probe, const RuntimePolicy& policy, const RuntimePlaces& places,
                 const RuntimeSearch& search, RuntimeChoice& choice);

// One registry pass in one view: collects, orders and chooses a candidate;
// gives the chosen home (empty when nothing qualifies), its version and the
// candidate itself.
std::wstring registryPass(const RuntimeProbe& probe, const RuntimePolicy& policy, RegistryView view,
                          JavaVersion* version = nullptr, RuntimeCandidate* chosen = nullptr,
                          PassFor passFor = PassFor::ThisProcess);

// Whether the paired executable must run `jvmLibraryPath`: a "Pair Product" is
// configured and the library is a valid image for another machine than this
// process's (x86 for the shipped 32-bit launcher).
bool pairRunsLibrary(const RuntimeProbe& probe, const std::wstring& pairProductPath,
                     const std::wstring& jvmLibraryPath);

// When the VM library could not be loaded because it is built for the other
// processor (message 222 with error 193), adds the note that says so and which
// build of the launcher runs it (message 231).
void noteOtherMachine(const RuntimeProbe& probe, Failure& failure, const std::wstring& jvmLibraryPath);

// Writes a folder the user picked as "JRE Path": into the per-user configuration
// (and the paired product's), or beside the executables for a service or a
// system outside the NT family.
void writeChoiceBack(const RuntimeProbe& probe, const RuntimePlaces& places, const std::wstring& folder);
