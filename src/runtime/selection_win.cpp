#include <windows.h>

#include "base/messages.h"
#include "base/paths.h"
#include "base/profile.h"
#include "base/text.h"
#include "base/trace.h"
#include "resources/resource.h"
#include "runtime/pe_image.h"
#include "runtime/selection.h"

namespace {

const wchar_t kJreSection[] = L"Java Runtime Environment";
const wchar_t kJrePathKey[] = L"JRE Path";

bool useLibrary(RuntimeChoice& choice, const RuntimePlaces& places, const std::wstring& library, const wchar_t* why,
                bool pairCheck) {
    choice.jvmLibraryPath = library;
    if (pairCheck) choice.runPairProduct = pairRunsLibrary(places.pairProductPath, library);
    traceLine({L"runtime chosen (", why, L"): ", library});
    if (choice.runPairProduct) traceLine({L"runtime: the paired executable will run it: ", places.pairProductPath});
    return true;
}

// A JAVA_HOME that names a runtime: the folder itself or, for a JDK 8 or
// older, its jre\ folder.
bool tryJavaHome(const RuntimePolicy& policy, const RuntimePlaces& places, RuntimeChoice& choice) {
    std::wstring value = environmentValue(L"JAVA_HOME");
    if (value.empty()) {
        trace(L"runtime: JAVA_HOME is not set");
        return false;
    }
    std::wstring folder = withTrailingSeparator(value);
    std::wstring library = resolveJvmLibrary(folder, policy.jvmType);
    if (library.empty()) library = resolveJvmLibrary(folder + L"jre\\", policy.jvmType);
    if (library.empty()) {
        traceLine({L"runtime: JAVA_HOME ", value, L" has no VM library for the JVM type"});
        return false;
    }
    return useLibrary(choice, places, library, L"JAVA_HOME", true);
}

bool askUser(const RuntimePolicy& policy, const RuntimePlaces& places, const RuntimeSearch& search,
             RuntimeChoice& choice) {
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
    if (library.empty()) library = resolveJvmLibrary(folder, policy.jvmType);
    if (library.empty()) {
        traceLine({L"runtime: the folder the user picked has no VM library: ", folder});
        return false;
    }
    useLibrary(choice, places, library, L"picked by the user", true);
    writeChoiceBack(places, folder);
    return true;
}

void writeJrePath(const std::wstring& file, const std::wstring& folder) {
    if (file.empty()) return;
    // A failed write is not reported: the choice still holds for this run.
    bool written = writeProfileValue(file, kJreSection, kJrePathKey, folder);
    traceLine({written ? L"runtime: wrote \"JRE Path\" to " : L"runtime: could not write \"JRE Path\" to ", file});
}

}  // namespace

std::wstring registryPass(const RuntimePolicy& policy, RegistryView view, JavaVersion* version) {
    traceLine({L"registry pass, ", viewText(view), L":"});
    std::vector<RuntimeCandidate> list = collectCandidates(policy, view);
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
    return list[chosen].home;
}

bool pairRunsLibrary(const std::wstring& pairProductPath, const std::wstring& jvmLibraryPath) {
    if (pairProductPath.empty()) return false;
    uint16_t machine = 0;
    // The pair runs what this process cannot load: for the 32-bit launcher any
    // image that is not x86. Asking about this build's own machine keeps a
    // 64-bit launcher used as the pair (often with a copy of the same INI file)
    // from handing a 64-bit runtime on to itself without end.
    return readImageMachineOfFile(jvmLibraryPath, &machine) && machine != kMachineOwn;
}

void writeChoiceBack(const RuntimePlaces& places, const std::wstring& folder) {
    const std::wstring& pair = places.pairProductPath;
    if (places.choiceBesideExecutable) {
        writeJrePath(places.configPath, folder);
        // A relative name would make the profile functions write into the
        // Windows folder; the paired executable is the file CreateProcessW
        // starts, relative to the current directory.
        if (!pair.empty() && pair.find(L'.') != std::wstring::npos) writeJrePath(iniPathFor(fullPath(pair)), folder);
    } else {
        writeJrePath(userConfigPathFor(places.executable, places.productName, places.productCode, true), folder);
        if (!pair.empty()) {
            writeJrePath(userConfigPathFor(pair, places.productName, places.productCode, true), folder);
        }
    }
}

bool findRuntime(const RuntimePolicy& policy, const RuntimePlaces& places, const RuntimeSearch& search,
                 RuntimeChoice& choice) {
    choice = RuntimeChoice();
    // 1. The configured folder.
    if (!places.jrePath.empty()) {
        const std::wstring folder = withTrailingSeparator(places.jrePath);
        const std::wstring library = resolveJvmLibrary(folder, policy.jvmType);
        if (!library.empty()) return useLibrary(choice, places, library, L"\"JRE Path\"", true);
        traceLine({L"runtime: \"JRE Path\" ", folder, L" has no VM library for the JVM type"});
    }

    // 2. A runtime shipped beside the executable. Without one the step yields
    // nothing: a VM library is never taken from whatever the current directory is.
    std::wstring home = findPrivateRuntime(places.executableFolder);
    if (home.empty()) {
        trace(L"runtime: no private runtime (bin\\java.dll) beside the executable");
    } else {
        const std::wstring library = resolveJvmLibrary(home, policy.jvmType);
        if (!library.empty()) return useLibrary(choice, places, library, L"private runtime", false);
        traceLine({L"runtime: the private runtime ", home, L" has no VM library for the JVM type"});
    }

    // 3, 4. The registry: the default view, then the 64-bit one for the paired executable.
    home = registryPass(policy, search.defaultView, &choice.version);
    const wchar_t* why = L"registry";
    if (home.empty()) {
        if (!places.pairProductPath.empty()) {
            home = registryPass(policy, search.wideView, &choice.version);
            if (!home.empty()) {
                choice.runPairProduct = true;
                why = L"registry, for the paired executable";
            }
        } else {
            traceLine({L"runtime: no \"Pair Product\", so the ", viewText(search.wideView), L" is not searched"});
        }
    }
    // 5. The chosen home, resolved with the configured VM type.
    if (!home.empty()) {
        const std::wstring library = resolveJvmLibrary(home, policy.jvmType);
        if (!library.empty()) return useLibrary(choice, places, library, why, false);
        traceLine({L"runtime: the chosen home has no VM library for the JVM type: ", home});
    }

    // 6. JAVA_HOME, then the user.
    if (tryJavaHome(policy, places, choice)) return true;
    return askUser(policy, places, search, choice);
}
