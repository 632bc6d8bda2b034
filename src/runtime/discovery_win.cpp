#include <windows.h>

#include "base/handle.h"
#include "base/paths.h"
#include "base/trace.h"
#include "runtime/discovery.h"
#include "runtime/pe_image.h"
#include "runtime/policy.h"

namespace {

bool openKey(platform::RegistryKey& key, HKEY root, const std::wstring& path, REGSAM access) {
    return RegOpenKeyExW(root, path.c_str(), 0, access, reinterpret_cast<HKEY*>(key.receive())) == ERROR_SUCCESS;
}

REGSAM viewFlags(RegistryView view) {
    switch (view) {
    case RegistryView::Default: return 0;
    case RegistryView::Bits32: return KEY_WOW64_32KEY;
    case RegistryView::Bits64: return KEY_WOW64_64KEY;
    }
    return 0;
}

HKEY rootKey(RegistryRoot root) { return root == RegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }
const wchar_t* rootText(RegistryRoot root) { return root == RegistryRoot::LocalMachine ? L"HKLM\\" : L"HKCU\\"; }

// A value as text, whatever its registry type. Empty when it is missing, has
// size 0 or cannot be read.
std::wstring readTextValue(HKEY key, const wchar_t* name) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || size == 0) {
        return std::wstring();
    }
    // Room for the value rounded up to whole characters, and a terminating zero.
    std::wstring buffer(size / sizeof(wchar_t) + 2, L'\0');
    DWORD got = size;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&buffer[0]), &got) != ERROR_SUCCESS) {
        return std::wstring();
    }
    buffer.resize((got + sizeof(wchar_t) - 1) / sizeof(wchar_t));
    // A string value usually carries its terminating zero; the text ends at the first one.
    size_t end = buffer.find(L'\0');
    if (end != std::wstring::npos) buffer.resize(end);
    return buffer;
}

// The subkey names of a key in index order, up to the first call that fails.
std::vector<std::wstring> subkeyNames(HKEY key) {
    std::vector<std::wstring> names;
    for (DWORD index = 0;; ++index) {
        wchar_t name[MAX_PATH];
        DWORD length = MAX_PATH;
        if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    return names;
}

void traceFamily(const RuntimeFamily& family, RegistryRoot root, std::wstring_view state,
                 std::wstring_view reason = std::wstring_view()) {
    const bool msi = family.implementation != nullptr;
    traceLine({L"  ", rootText(root), family.key, keyNamesText(family.names), msi ? L"<version>\\" : L"",
               msi ? family.implementation : L"",
               msi ? L"\\MSI" : L"", L" (", kindText(family.kind), L", ", vendorText(family.vendor), L"): ", state,
               reason.empty() ? L"" : L" (", reason, reason.empty() ? L"" : L")"});
}

}  // namespace

const wchar_t* viewText(RegistryView view) {
    switch (view) {
    case RegistryView::Default: return L"default view";
    case RegistryView::Bits32: return L"32-bit view";
    case RegistryView::Bits64: return L"64-bit view";
    }
    return L"";
}

bool hasJavaLibrary(const std::wstring& folder) { return fileExists(folder + L"bin\\java.dll"); }

std::wstring findPrivateRuntime(const std::wstring& folder) {
    if (hasJavaLibrary(folder)) return folder;
    for (const wchar_t* sub : {L"jre\\", L"runtime\\"}) {
        if (hasJavaLibrary(folder + sub)) return folder + sub;
    }
    return std::wstring();
}

void collectFamily(const RuntimeFamily& family, RegistryRoot root, RegistryView view, const RuntimePolicy& policy,
                   std::vector<RuntimeCandidate>& list, PassFor passFor) {
    const bool tracing = traceEnabled();
    const EntryVerdict takesPart = familyParticipation(family, policy);
    // A family that does not take part is not searched; the trace still lists
    // its entries so that it can say why they were left.
    if (takesPart != EntryVerdict::Accepted && !tracing) return;

    const REGSAM access = KEY_READ | viewFlags(view);
    platform::RegistryKey familyKey;
    if (!openKey(familyKey, rootKey(root), family.key, access)) {
        if (tracing) traceFamily(family, root, L"not present");
        return;
    }
    if (tracing) {
        if (takesPart == EntryVerdict::Accepted) {
            traceFamily(family, root, L"searched");
        } else {
            traceFamily(family, root, L"not searched", verdictText(takesPart));
        }
    }
    const bool favored = familyFavored(family, policy);
    const JvmType type = familyJvmType(family, policy.jvmType);
    // HKEY_CURRENT_USER\Software is shared by both views: its runtimes may be of either processor.
    const bool machineCheck = root == RegistryRoot::CurrentUser && passFor == PassFor::ThisProcess;

    for (const std::wstring& name : subkeyNames(static_cast<HKEY>(familyKey.get()))) {
        if (!keyNameFits(family.names, name)) continue;
        std::wstring entryKey = family.key + name;
        if (family.implementation) entryKey += std::wstring(L"\\") + family.implementation + L"\\MSI";

        platform::RegistryKey entry;
        const bool entryOpen = openKey(entry, rootKey(root), entryKey, access);
        // A version key without this VM's folder belongs to the other VM of the layout.
        if (family.implementation && !entryOpen) continue;

        RuntimeCandidate candidate;
        candidate.source = rootText(root) + entryKey;
        if (entryOpen) candidate.home = familyHome(family, readTextValue(static_cast<HKEY>(entry.get()), family.valueName));
        // The best version the key offers: its name, a fuller version value, or
        // for a name that gives only the major version, the home's release file.
        candidate.versionText = name;
        if (family.versionValue && entryOpen) {
            std::wstring fuller = readTextValue(static_cast<HKEY>(entry.get()), family.versionValue);
            if (!fuller.empty()) candidate.versionText = fuller;
        }
        std::wstring release;
        if (family.modern && digitGroups(candidate.versionText) <= 1 && !candidate.home.empty() &&
            readReleaseVersion(candidate.home, release)) {
            candidate.versionText = release;
            candidate.versionOrigin = VersionOrigin::ReleaseFile;
        }
        candidate.version =
            family.modern ? modernVersion(candidate.versionText) : JavaVersion::parse(candidate.versionText, 0);

        EntryVerdict verdict = takesPart;
        if (verdict == EntryVerdict::Accepted) {
            verdict = boundsVerdict(candidate.version, policy.minimumVersion, policy.maximumVersion);
        }
        if (verdict == EntryVerdict::Accepted && candidate.home.empty()) verdict = EntryVerdict::NoHome;
        std::wstring library;
        if (verdict == EntryVerdict::Accepted) {
            bool isServer = false;
            library = resolveJvmLibrary(candidate.home, type, &isServer);
            if (library.empty() && family.modern) {
                // A JDK 8 registered by today's installers keeps its VM in jre\.
                library = resolveJvmLibrary(candidate.home + L"jre\\", type, &isServer);
                if (!library.empty()) candidate.home += L"jre\\";
            }
            if (library.empty()) {
                verdict = EntryVerdict::NoVmLibrary;
            } else {
                candidate.isServer = isServer;
                candidate.isFavored = favored;
            }
        }
        uint16_t machine = 0;
        if (verdict == EntryVerdict::Accepted && machineCheck && readImageMachineOfFile(library, &machine) &&
            machine != kMachineOwn) {
            verdict = EntryVerdict::OtherMachine;
        }
        if (tracing) {
            const bool accepted = verdict == EntryVerdict::Accepted;
            const bool otherText = candidate.versionText != name;
            const wchar_t* from = candidate.versionOrigin == VersionOrigin::ReleaseFile ? L"release file"
                                                                                       : family.versionValue;
            traceLine({L"    ", name, L": version ", versionFields(candidate.version), otherText ? L" (" : L"",
                       otherText ? from : L"", otherText ? L" \"" : L"",
                       otherText ? std::wstring_view(candidate.versionText) : std::wstring_view(),
                       otherText ? L"\")" : L"", L", home ",
                       candidate.home.empty() ? L"(none)" : std::wstring_view(candidate.home),
                       accepted ? L": " : L": skipped: ", verdictText(verdict),
                       accepted ? (candidate.isServer ? L" (server VM" : L" (client VM") : L"",
                       accepted ? (candidate.isFavored ? L", favoured)" : L")") : L"",
                       verdict == EntryVerdict::OtherMachine ? L" (" : L"",
                       verdict == EntryVerdict::OtherMachine ? machineText(machine) : L"",
                       verdict == EntryVerdict::OtherMachine ? L")" : L""});
        }
        if (verdict == EntryVerdict::Accepted) list.push_back(candidate);
    }
}

std::vector<RuntimeCandidate> collectCandidates(const RuntimePolicy& policy, RegistryView view, PassFor passFor) {
    std::vector<RuntimeCandidate> list;
    for (const RuntimeFamily& family : classicFamilies()) {
        collectFamily(family, RegistryRoot::LocalMachine, view, policy, list, passFor);
    }
    if (!list.empty()) return list;

    trace(L"  no candidate from the classic families: searching the layouts of Java 9 and later installers");
    for (RegistryRoot root : {RegistryRoot::LocalMachine, RegistryRoot::CurrentUser}) {
        for (const RuntimeFamily& family : modernFamilies()) collectFamily(family, root, view, policy, list, passFor);
    }
    for (const DroppedCandidate& d : keepOnePerHome(list)) {
        traceLine({L"  ", d.source, L": skipped: ", verdictText(d.verdict)});
    }
    return list;
}
