#include <windows.h>

#include "launcher/config.h"
#include "launcher/launcher.h"
#include "launcher/messages.h"
#include "launcher/paths.h"
#include "launcher/text.h"
#include "launcher/trace.h"
#include "resources/resource.h"
#include "runtime/pe_image.h"
#include "runtime/policy.h"
#include "runtime/selection.h"

namespace {

const wchar_t kJreSection[] = L"Java Runtime Environment";
const wchar_t kJrePathKey[] = L"JRE Path";

std::wstring environmentValue(const wchar_t* name) {
    std::wstring value;
    readEnvironmentVariable(name, value);
    return value;
}

// The full path of a possibly relative path, against the current directory
// (where CreateProcessW looks for a relative application name too).
std::wstring fullPath(const std::wstring& path) {
    DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (n == 0) return path;
    std::wstring full(n, L'\0');
    DWORD got = GetFullPathNameW(path.c_str(), n, &full[0], nullptr);
    if (got == 0 || got >= n) return path;
    full.resize(got);
    return full;
}

bool useLibrary(Launcher& l, const std::wstring& library, const wchar_t* why, bool pairCheck) {
    l.jvmLibraryPath = library;
    if (pairCheck) checkPairProduct(l);
    traceLine({L"runtime chosen (", why, L"): ", library});
    if (l.runPairProduct) traceLine({L"runtime: the paired executable will run it: ", l.pairProductPath});
    return true;
}

// A JAVA_HOME that names a runtime: the folder itself or, for a JDK 8 or
// older, its jre\ folder.
bool tryJavaHome(Launcher& l) {
    std::wstring value = environmentValue(L"JAVA_HOME");
    if (value.empty()) {
        trace(L"runtime: JAVA_HOME is not set");
        return false;
    }
    std::wstring folder = withTrailingSeparator(value);
    std::wstring library = resolveJvmLibrary(folder, l.jvmType);
    if (library.empty()) library = resolveJvmLibrary(folder + L"jre\\", l.jvmType);
    if (library.empty()) {
        traceLine({L"runtime: JAVA_HOME ", value, L" has no VM library for the JVM type"});
        return false;
    }
    return useLibrary(l, library, L"JAVA_HOME", true);
}

bool askUser(Launcher& l, const RuntimeSearch& search) {
    const std::wstring phrase = requirementPhrase(l.minimumVersion, l.maximumVersion);
    const unsigned id = l.jvmType == JvmType::Server ? IDS_JRE_NOT_FOUND_SERVER : IDS_JRE_NOT_FOUND;
    const std::wstring message = formatMessage(loadMessage(id), {phrase});
    traceLine({L"runtime: nothing qualifies, asking the user (", phrase, L")"});
    JreDialogResult answer = search.askUser ? search.askUser(l.jvmType, message)
                                            : runJreNotFoundDialog(l.jvmType, message, GetActiveWindow());
    if (answer.result != 1) {
        trace(answer.result == -1 ? L"runtime: the \"JRE Not Found\" dialog could not be shown"
                                  : L"runtime: the user cancelled the \"JRE Not Found\" dialog");
        return false;
    }
    const std::wstring folder = withTrailingSeparator(answer.chosenFolder);
    std::wstring library = answer.jvmLibrary;
    if (library.empty()) library = resolveJvmLibrary(folder, l.jvmType);
    if (library.empty()) {
        traceLine({L"runtime: the folder the user picked has no VM library: ", folder});
        return false;
    }
    useLibrary(l, library, L"picked by the user", true);
    writeChoiceBack(l, folder);
    return true;
}

void writeJrePath(const std::wstring& file, const std::wstring& folder) {
    if (file.empty()) return;
    // A failed write is not reported: the choice still holds for this run.
    bool written = writeProfileValue(file, kJreSection, kJrePathKey, folder);
    traceLine({written ? L"runtime: wrote \"JRE Path\" to " : L"runtime: could not write \"JRE Path\" to ", file});
}

}  // namespace

std::wstring registryPass(Launcher& l, RegistryView view) {
    traceLine({L"registry pass, ", viewText(view), L":"});
    std::vector<RuntimeCandidate> list = collectCandidates(l, view);
    if (list.empty()) {
        traceLine({L"registry pass, ", viewText(view), L": no candidate"});
        return std::wstring();
    }
    orderCandidates(list, l);
    int preferred = -1;
    const size_t chosen = chooseCandidate(list, l.preferredVersions, &preferred);
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
                   byPreference ? std::wstring_view(l.preferredVersions[preferred]) : std::wstring_view(),
                   byPreference ? L"\"" : L""});
    }
    l.selectedVersion = list[chosen].version;
    return list[chosen].home;
}

void checkPairProduct(Launcher& l) {
    l.runPairProduct = false;
    if (l.pairProductPath.empty()) return;
    uint16_t machine = 0;
    // The pair runs what this process cannot load: for the 32-bit launcher any
    // image that is not x86. Asking about this build's own machine keeps a
    // 64-bit launcher used as the pair (often with a copy of the same INI file)
    // from handing a 64-bit runtime on to itself without end.
    if (readImageMachineOfFile(l.jvmLibraryPath, &machine) && machine != kMachineOwn) l.runPairProduct = true;
}

void writeChoiceBack(const Launcher& l, const std::wstring& folder) {
    const std::wstring& pair = l.pairProductPath;
    if (!isWindowsNtFamily() || l.isService) {
        std::wstring config;
        if (configFilePath(config)) writeJrePath(config, folder);
        // A relative name would make the profile functions write into the
        // Windows folder; the paired executable is the file CreateProcessW
        // starts, relative to the current directory.
        if (!pair.empty() && pair.find(L'.') != std::wstring::npos) writeJrePath(iniPathFor(fullPath(pair)), folder);
    } else {
        writeJrePath(userConfigPath(l, true), folder);
        if (!pair.empty()) writeJrePath(userConfigPathFor(pair, l.productName, l.productCode, true), folder);
    }
}

bool findRuntime(Launcher& l) { return findRuntime(l, RuntimeSearch()); }

bool findRuntime(Launcher& l, const RuntimeSearch& search) {
    // 1. The configured folder.
    if (!l.jrePath.empty()) {
        const std::wstring folder = withTrailingSeparator(l.jrePath);
        const std::wstring library = resolveJvmLibrary(folder, l.jvmType);
        if (!library.empty()) return useLibrary(l, library, L"\"JRE Path\"", true);
        traceLine({L"runtime: \"JRE Path\" ", folder, L" has no VM library for the JVM type"});
    }

    // 2. A runtime shipped beside the executable. Without one the step yields
    // nothing: a VM library is never taken from whatever the current directory is.
    std::wstring home;
    if (findPrivateRuntime(home)) {
        if (home.empty()) {
            trace(L"runtime: no private runtime (bin\\java.dll) beside the executable");
        } else {
            const std::wstring library = resolveJvmLibrary(home, l.jvmType);
            if (!library.empty()) return useLibrary(l, library, L"private runtime", false);
            traceLine({L"runtime: the private runtime ", home, L" has no VM library for the JVM type"});
        }
    }

    // 3, 4. The registry: the default view, then the 64-bit one for the paired executable.
    home = registryPass(l, search.defaultView);
    const wchar_t* why = L"registry";
    if (home.empty()) {
        if (!l.pairProductPath.empty()) {
            home = registryPass(l, search.wideView);
            if (!home.empty()) {
                l.runPairProduct = true;
                why = L"registry, for the paired executable";
            }
        } else {
            traceLine({L"runtime: no \"Pair Product\", so the ", viewText(search.wideView), L" is not searched"});
        }
    }
    // 5. The chosen home, resolved with the configured VM type.
    if (!home.empty()) {
        const std::wstring library = resolveJvmLibrary(home, l.jvmType);
        if (!library.empty()) return useLibrary(l, library, why, false);
        traceLine({L"runtime: the chosen home has no VM library for the JVM type: ", home});
    }

    // 6. JAVA_HOME, then the user.
    if (tryJavaHome(l)) return true;
    return askUser(l, search);
}

void publishRuntime(Launcher& l) {
    SetEnvironmentVariableW(L"QZ_JVM_PATH", l.jvmLibraryPath.c_str());
    SetEnvironmentVariableW(L"QZ_JVM_HOME", jvmHomeFromLibrary(l.jvmLibraryPath).c_str());
}
