#include "base/messages.h"
#include "base/paths.h"
#include "base/text.h"
#include "base/trace.h"
#include "resources/resource.h"
#include "runtime/pe_image.h"
#include "runtime/selection.h"

namespace {

// ERROR_BAD_EXE_FORMAT: a VM library for another processor.
const int kBadExeFormat = 193;

void traceVersion(const RuntimeChoice& choice) {
    if (!traceEnabled()) return;
    const bool known = choice.versionOrigin != VersionOrigin::None;
    const bool hasText = !choice.versionText.empty();
    traceLine({L"runtime version: ", known ? std::wstring_view(versionFields(choice.version)) : L"unknown",
               known ? L" from the " : L"", known ? originText(choice.versionOrigin) : L"",
               hasText ? L", exact text \"" : (known ? L"" : L" (no release file, no version resource)"),
               hasText ? std::wstring_view(choice.versionText) : std::wstring_view(), hasText ? L"\" from the " : L"",
               hasText ? originText(choice.versionTextOrigin) : L""});
}

bool useRuntime(RuntimeChoice& choice, const RuntimePlaces& places, const std::wstring& library,
                const RuntimeVersion& version, const wchar_t* why, bool runPair) {
    choice.jvmLibraryPath = library;
    choice.runPairProduct = runPair;
    choice.version = version.version;
    choice.versionOrigin = version.origin;
    choice.versionText = version.text;
    choice.versionTextOrigin = version.textOrigin;
    traceLine({L"runtime chosen (", why, L"): ", library});
    traceVersion(choice);
    if (choice.runPairProduct) traceLine({L"runtime: the paired executable will run it: ", places.pairProductPath});
    return true;
}

// "JRE Path" and the private runtime are used whatever their version; the
// trace says when that lies outside the bounds.
void warnOutsideBounds(const RuntimePolicy& policy, const RuntimeVersion& version, const wchar_t* what) {
    if (!version.known()) return;
    const EntryVerdict verdict = boundsVerdict(version.version, policy.minimumVersion, policy.maximumVersion);
    if (verdict == EntryVerdict::Accepted) return;
    traceLine({L"runtime: warning: the ", what, L" runtime's version ", versionFields(version.version), L" is ",
               verdictText(verdict), L"; it is used all the same, since the bounds apply to registry runtimes"});
}

// A JAVA_HOME that names a runtime: the folder itself or, for a JDK 8 or
// older, its jre\ folder. It is held to the version bounds like a registry
// runtime, and to this build's processor unless the paired executable runs it.
bool tryJavaHome(const RuntimeProbe& probe, const RuntimePolicy& policy, const RuntimePlaces& places,
                 RuntimeChoice& choice) {
    std::wstring value = probe.environment(L"JAVA_HOME");
    if (value.empty()) {
        trace(L"runtime: JAVA_HOME is not set");
        return false;
    }
    std::wstring home = withTrailingSeparator(value);
    std::wstring library = resolveJvmLibrary(probe, home, policy.jvmType);
    if (library.empty()) {
        home += L"jre\\";
        library = resolveJvmLibrary(probe, home, policy.jvmType);
    }
    if (library.empty()) {
        traceLine({L"runtime: JAVA_HOME ", value, L" has no VM library for the JVM type"});
        return false;
    }
    const RuntimeVersion version = readRuntimeVersion(probe, home, library);
    const bool bounded = !isUnset(policy.minimumVersion) || !isUnset(policy.maximumVersion);
    if (!version.known()) {
        if (bounded) {
            traceLine({L"runtime: JAVA_HOME ", value,
                       L" skipped: its version cannot be read (no release file, no version resource) and a version "
                       L"bound is set"});
            return false;
        }
    } else {
        const EntryVerdict verdict = boundsVerdict(version.version, policy.minimumVersion, policy.maximumVersion);
        if (verdict != EntryVerdict::Accepted) {
            traceLine({L"runtime: JAVA_HOME ", value, L" skipped: version ", versionFields(version.version), L" (",
                       originText(version.origin), L") is ", verdictText(verdict)});
            return false;
        }
    }
    uint16_t machine = 0;
    bool runPair = false;
    if (!probe.imageMachine(library, &machine)) {
        traceLine({L"runtime: JAVA_HOME: the processor of ", library, L" cannot be read (no PE image): used as it is"});
    } else if (machine != kMachineOwn) {
        if (places.pairProductPath.empty()) {
            traceLine({L"runtime: JAVA_HOME ", value, L" skipped: its VM library is for ", machineText(machine),
                       L", this launcher for ", machineText(kMachineOwn), L", and no \"Pair Product\" is set"});
            return false;
        }
        runPair = true;
    }
    return useRuntime(choice, places, library, version, L"JAVA_HOME", runPair);
}

bool askUser(const RuntimeProbe& probe, const RuntimePolicy& policy, const RuntimePlaces& places,
             const RuntimeSearch& search, RuntimeChoice& choice) {
    const std::wstring phrase = requirementPhrase(policy.minimumVersion, policy.maximumVersion);
    const unsigned id = policy.jvmType == JvmType::Server ? IDS_JRE_NOT_FOUND_SERVER : IDS_JRE_NOT_FOUND;
    const std::wstring message = formatMessage(loadMessage(id), {phrase});
    traceLine({L"runtime: nothing qualifies, asking the user (", phrase, L")"});
    const UserAnswer answer = search.askUser ? search.askUser(message) : UserAnswer();
    if (answer.result != 1) {
        trace(answer.result == -1 ? L"runtime: the \"JRE Not Found\" dialog could not be shown"
                                  : L"runtime: the user cancelled the \"JRE Not Found\" dialog");
        return false;
    }
    const std::wstring folder = withTrailingSeparator(answer.folder);
    std::wstring library = answer.jvmLibrary;
    if (library.empty()) library = resolveJvmLibrary(probe, folder, policy.jvmType);
    if (library.empty()) {
        traceLine({L"runtime: the folder the user picked has no VM library: ", folder});
        return false;
    }
    useRuntime(choice, places, library, readRuntimeVersion(probe, folder, library), L"picked by the user",
               pairRunsLibrary(probe, places.pairProductPath, library));
    writeChoiceBack(probe, places, folder);
    return true;
}

void writeJrePath(const RuntimeProbe& probe, const std::wstring& file, const std::wstring& folder) {
    if (file.empty()) return;
    // A failed write is not reported: the choice still holds for this run.
    std::wstring note;
    bool written = probe.writeJrePath(file, folder, note);
    traceLine({written ? L"runtime: wrote \"JRE Path\" to " : L"runtime: could not write \"JRE Path\" to ", file});
    if (!note.empty()) traceLine({L"runtime: \"JRE Path\": ", note});
    if (!written) trace(L"runtime: the file is as it was, so the next start asks for a runtime again");
}

}  // namespace

std::wstring registryPass(const RuntimeProbe& probe, const RuntimePolicy& policy, RegistryView view,
                          JavaVersion* version, RuntimeCandidate* chosenCandidate, PassFor passFor) {
    traceLine({L"registry pass, ", viewText(view), L":"});
    std::vector<RuntimeCandidate> list = collectCandidates(probe, policy, view, passFor);
    if (list.empty()) {
        traceLine({L"registry pass, ", viewText(view), L": no candidate"});
        return std::wstring();
    }
    orderCandidates(list, policy);
    int preferred = -1;
    const size_t chosen = chooseCandidate(list, policy.preferredVersions, &preferred);
    if (traceEnabled()) {
        trace(L"  ordered:");
        for (size_t i = 0; i < list.size(); ++i) {
            const RuntimeCandidate& c = list[i];
            traceLine({L"    ", decimal(static_cast<long long>(i + 1)), L". ", versionFields(c.version), L" ", c.home,
                       c.isFavored ? L" favoured" : L"", c.isServer ? L" server" : L"", L" [", c.source, L"]"});
        }
        const bool byPreference = preferred >= 0;
        traceLine({L"  chose ", versionFields(list[chosen].version), L" ", list[chosen].home,
                   byPreference ? L": the first to match preferred version \"" : L": first in order",
                   byPreference ? std::wstring_view(policy.preferredVersions[preferred]) : std::wstring_view(),
                   byPreference ? L"\"" : L""});
    }
    if (version) *version = list[chosen].version;
    if (chosenCandidate) *chosenCandidate = list[chosen];
    return list[chosen].home;
}

bool pairRunsLibrary(const RuntimeProbe& probe, const std::wstring& pairProductPath,
                     const std::wstring& jvmLibraryPath) {
    if (pairProductPath.empty()) return false;
    uint16_t machine = 0;
    // The pair runs what this process cannot load: for the 32-bit launcher any
    // image that is not x86. Asking about this build's own machine keeps a
    // 64-bit launcher used as the pair (often with a copy of the same INI file)
    // from handing a 64-bit runtime on to itself without end.
    return probe.imageMachine(jvmLibraryPath, &machine) && machine != kMachineOwn;
}

void writeChoiceBack(const RuntimeProbe& probe, const RuntimePlaces& places, const std::wstring& folder) {
    const std::wstring& pair = places.pairProductPath;
    if (places.choiceBesideExecutable) {
        writeJrePath(probe, places.configPath, folder);
        // A relative name would make the profile functions write into the
        // Windows folder; the paired executable is the file CreateProcessW
        // starts, relative to the current directory.
        if (!pair.empty() && pair.find(L'.') != std::wstring::npos) {
            writeJrePath(probe, iniPathFor(probe.fullPath(pair)), folder);
        }
    } else {
        writeJrePath(probe, probe.userConfigPath(places.executable, places.productName, places.productCode), folder);
        if (!pair.empty()) {
            writeJrePath(probe, probe.userConfigPath(pair, places.productName, places.productCode), folder);
        }
    }
}

void noteOtherMachine(const RuntimeProbe& probe, Failure& failure, const std::wstring& jvmLibraryPath) {
    if (failure.id != IDS_LOAD_VM_FAILED || failure.inserts.size() < 2) return;
    const MessageArg& error = failure.inserts[1];
    if (!error.isNumber || error.number != kBadExeFormat) return;
    uint16_t machine = 0;
    if (!probe.imageMachine(jvmLibraryPath, &machine) || machine == kMachineOwn) return;
    if (machine != kMachineX86 && machine != kMachineX64) return;
    failure.noteId = IDS_OTHER_MACHINE;
    failure.noteInserts = {machineText(machine), machineText(kMachineOwn), machineText(machine)};
}

bool findRuntime(const RuntimeProbe& probe, const RuntimePolicy& policy, const RuntimePlaces& places,
                 const RuntimeSearch& search, RuntimeChoice& choice) {
    choice = RuntimeChoice();
    // 1. The configured folder.
    if (!places.jrePath.empty()) {
        const std::wstring folder = withTrailingSeparator(places.jrePath);
        const std::wstring library = resolveJvmLibrary(probe, folder, policy.jvmType);
        if (!library.empty()) {
            const RuntimeVersion version = readRuntimeVersion(probe, folder, library);
            warnOutsideBounds(policy, version, L"\"JRE Path\"");
            return useRuntime(choice, places, library, version, L"\"JRE Path\"",
                              pairRunsLibrary(probe, places.pairProductPath, library));
        }
        traceLine({L"runtime: \"JRE Path\" ", folder, L" has no VM library for the JVM type"});
    }

    // 2. A runtime shipped beside the executable. Without one the step yields
    // nothing: a VM library is never taken from whatever the current directory is.
    std::wstring home = findPrivateRuntime(probe, places.executableFolder);
    if (home.empty()) {
        trace(L"runtime: no private runtime (bin\\java.dll) beside the executable");
    } else {
        const std::wstring library = resolveJvmLibrary(probe, home, policy.jvmType);
        if (!library.empty()) {
            const RuntimeVersion version = readRuntimeVersion(probe, home, library);
            warnOutsideBounds(policy, version, L"private");
            return useRuntime(choice, places, library, version, L"private runtime", false);
        }
        traceLine({L"runtime: the private runtime ", home, L" has no VM library for the JVM type"});
    }

    // 3, 4. The registry: the default view, then the 64-bit one for the paired executable.
    RuntimeCandidate candidate;
    home = registryPass(probe, policy, search.defaultView, nullptr, &candidate);
    const wchar_t* why = L"registry";
    bool runPair = false;
    if (home.empty()) {
        if (!places.pairProductPath.empty()) {
            home = registryPass(probe, policy, search.wideView, nullptr, &candidate, PassFor::Pair);
            if (!home.empty()) {
                runPair = true;
                why = L"registry, for the paired executable";
            }
        } else {
            traceLine({L"runtime: no \"Pair Product\", so the ", viewText(search.wideView), L" is not searched"});
        }
    }
    // 5. The chosen home, resolved with the configured VM type.
    if (!home.empty()) {
        const std::wstring library = resolveJvmLibrary(probe, home, policy.jvmType);
        if (!library.empty()) {
            // The key's version is the one the bounds and preferences saw; the
            // exact text comes from the runtime itself.
            RuntimeVersion version = readRuntimeVersion(probe, home, library);
            version.version = candidate.version;
            version.origin = candidate.versionOrigin;
            return useRuntime(choice, places, library, version, why, runPair);
        }
        traceLine({L"runtime: the chosen home has no VM library for the JVM type: ", home});
    }

    // 6. JAVA_HOME, then the user.
    if (tryJavaHome(probe, policy, places, choice)) return true;
    return askUser(probe, policy, places, search, choice);
}
