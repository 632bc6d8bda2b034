#include "runtime/discovery.h"

#include "base/text.h"
#include "base/trace.h"
#include "runtime/pe_image.h"
#include "runtime/policy.h"

namespace {

const wchar_t* rootText(RegistryRoot root) { return root == RegistryRoot::LocalMachine ? L"HKLM\\" : L"HKCU\\"; }

void traceFamily(const RuntimeFamily& family, RegistryRoot root, std::wstring_view state,
                 std::wstring_view reason = std::wstring_view()) {
    const bool msi = family.implementation != nullptr;
    traceLine({L"  ", rootText(root), family.key, keyNamesText(family.names), msi ? L"<version>\\" : L"",
               msi ? family.implementation : L"",
               msi ? L"\\MSI" : L"", L" (", kindText(family.kind), L", ", vendorText(family.vendor), L"): ", state,
               reason.empty() ? L"" : L" (", reason, reason.empty() ? L"" : L")"});
}

// A release file has some twenty short lines.
bool releaseVersionIn(const RuntimeProbe& probe, const std::wstring& folder, std::wstring& text) {
    std::string bytes;
    return !folder.empty() && probe.readFile(folder + L"release", 64 * 1024, bytes) && releaseFileVersion(bytes, text);
}

}  // namespace

std::wstring resolveJvmLibrary(const RuntimeProbe& probe, const std::wstring& home, JvmType type, bool* isServer) {
    static const wchar_t kServer[] = L"bin\\server\\jvm.dll";
    if (isServer) *isServer = false;
    if (type == JvmType::Server || type == JvmType::FavorServer) {
        std::wstring path = home + kServer;
        if (probe.exists(path)) {
            if (isServer) *isServer = true;
            return path;
        }
        if (type == JvmType::Server) return std::wstring();
    }
    static const struct {
        const wchar_t* subPath;
        bool server;
    } order[] = {
        {L"bin\\client\\jvm.dll", false}, {L"bin\\classic\\jvm.dll", false}, {L"bin\\hotspot\\jvm.dll", false},
        {kServer, true},                  {L"bin\\jrockit\\jvm.dll", false},
    };
    for (const auto& entry : order) {
        std::wstring path = home + entry.subPath;
        if (probe.exists(path)) {
            if (isServer) *isServer = entry.server;
            return path;
        }
    }
    return std::wstring();
}

const wchar_t* viewText(RegistryView view) {
    switch (view) {
    case RegistryView::Default: return L"default view";
    case RegistryView::Bits32: return L"32-bit view";
    case RegistryView::Bits64: return L"64-bit view";
    }
    return L"";
}

bool hasJavaLibrary(const RuntimeProbe& probe, const std::wstring& folder) {
    return probe.exists(folder + L"bin\\java.dll");
}

std::wstring findPrivateRuntime(const RuntimeProbe& probe, const std::wstring& folder) {
    if (hasJavaLibrary(probe, folder)) return folder;
    for (const wchar_t* sub : {L"jre\\", L"runtime\\"}) {
        if (hasJavaLibrary(probe, folder + sub)) return folder + sub;
    }
    return std::wstring();
}

void collectFamily(const RuntimeProbe& probe, const RuntimeFamily& family, RegistryRoot root, RegistryView view,
                   const RuntimePolicy& policy, std::vector<RuntimeCandidate>& list, PassFor passFor) {
    const bool tracing = traceEnabled();
    const EntryVerdict takesPart = familyParticipation(family, policy);
    // A family that does not take part is not searched; the trace still lists
    // its entries so that it can say why they were left.
    if (takesPart != EntryVerdict::Accepted && !tracing) return;

    std::vector<std::wstring> names;
    if (!probe.subkeyNames(root, view, family.key, names)) {
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

    for (const std::wstring& name : names) {
        if (!keyNameFits(family.names, name)) continue;
        std::wstring entryKey = family.key + name;
        if (family.implementation) entryKey += std::wstring(L"\\") + family.implementation + L"\\MSI";

        std::vector<std::wstring> values;
        const bool entryOpen = probe.textValues(root, view, entryKey, {family.valueName, family.versionValue}, values);
        // A version key without this VM's folder belongs to the other VM of the layout.
        if (family.implementation && !entryOpen) continue;

        RuntimeCandidate candidate;
        candidate.source = rootText(root) + entryKey;
        if (entryOpen) candidate.home = familyHome(family, values[0]);
        // The best version the key offers: its name, a fuller version value, or
        // for a name that gives only the major version, the home's release file.
        candidate.versionText = name;
        if (family.versionValue && entryOpen && !values[1].empty()) candidate.versionText = values[1];
        std::wstring release;
        if (family.modern && digitGroups(candidate.versionText) <= 1 && !candidate.home.empty() &&
            readReleaseVersion(probe, candidate.home, release)) {
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
            library = resolveJvmLibrary(probe, candidate.home, type, &isServer);
            if (library.empty() && family.modern) {
                // A JDK 8 registered by today's installers keeps its VM in jre\.
                library = resolveJvmLibrary(probe, candidate.home + L"jre\\", type, &isServer);
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
        if (verdict == EntryVerdict::Accepted && machineCheck && probe.imageMachine(library, &machine) &&
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

std::vector<RuntimeCandidate> collectCandidates(const RuntimeProbe& probe, const RuntimePolicy& policy,
                                                RegistryView view, PassFor passFor) {
    std::vector<RuntimeCandidate> list;
    for (const RuntimeFamily& family : classicFamilies()) {
        collectFamily(probe, family, RegistryRoot::LocalMachine, view, policy, list, passFor);
    }
    if (!list.empty()) return list;

    trace(L"  no candidate from the classic families: searching the layouts of Java 9 and later installers");
    for (RegistryRoot root : {RegistryRoot::LocalMachine, RegistryRoot::CurrentUser}) {
        for (const RuntimeFamily& family : modernFamilies()) {
            collectFamily(probe, family, root, view, policy, list, passFor);
        }
    }
    for (const DroppedCandidate& d : keepOnePerHome(list)) {
        traceLine({L"  ", d.source, L": skipped: ", verdictText(d.verdict)});
    }
    return list;
}

bool readReleaseVersion(const RuntimeProbe& probe, const std::wstring& home, std::wstring& text) {
    return releaseVersionIn(probe, home, text) || releaseVersionIn(probe, jreParentFolder(home), text);
}

RuntimeVersion readRuntimeVersion(const RuntimeProbe& probe, const std::wstring& home, const std::wstring& library) {
    RuntimeVersion v;
    if (readReleaseVersion(probe, home, v.text)) {
        v.textOrigin = VersionOrigin::ReleaseFile;
        v.version = JavaVersion::parse(v.text, 0);
        if (v.version != JavaVersion()) {
            v.origin = VersionOrigin::ReleaseFile;
            return v;
        }
    }
    uint16_t product[4] = {0, 0, 0, 0};
    if (!library.empty() && probe.imageProductVersion(library, product)) {
        v.version = versionFromProductVersion(product);
        if (v.version != JavaVersion()) v.origin = VersionOrigin::VersionResource;
        if (v.text.empty()) {
            v.text = productVersionText(product);
            v.textOrigin = VersionOrigin::VersionResource;
        }
    }
    return v;
}
