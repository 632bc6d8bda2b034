#include "runtime/candidates.h"

#include "base/paths.h"
#include "base/text.h"
#include "runtime/policy.h"

namespace {

const RuntimeKind kJdk = RuntimeKind::Jdk;
const RuntimeKind kJre = RuntimeKind::Jre;
const RuntimeVendor kSun = RuntimeVendor::Sun;
const RuntimeVendor kIbm = RuntimeVendor::Ibm;

bool kindAccepted(RuntimeKind kind, const RuntimePolicy& l) { return kind == kJdk ? l.acceptJdk : l.acceptJre; }

bool vendorAllowed(RuntimeVendor vendor, const RuntimePolicy& l) {
    switch (vendor) {
    case RuntimeVendor::Sun: return l.sunAllowed || l.sunFavored;
    case RuntimeVendor::JRockit: return l.jrockitAllowed || l.jrockitFavored;
    case RuntimeVendor::Ibm: return l.ibmAllowed || l.ibmFavored;
    }
    return false;
}

bool vendorFavored(RuntimeVendor vendor, const RuntimePolicy& l) {
    switch (vendor) {
    case RuntimeVendor::Sun: return l.sunFavored;
    case RuntimeVendor::JRockit: return l.jrockitFavored;
    case RuntimeVendor::Ibm: return l.ibmFavored;
    }
    return false;
}

constexpr RuntimeFamily classic(const wchar_t* key, RuntimeKind kind, RuntimeVendor vendor, bool favorServerAsDefault) {
    return {key, kind, vendor, L"JavaHome", nullptr, kind == kJdk, favorServerAsDefault, false, KeyNames::Versions,
            nullptr};
}

constexpr RuntimeFamily modern(const wchar_t* key, RuntimeKind kind, RuntimeVendor vendor, const wchar_t* valueName,
                               const wchar_t* implementation, KeyNames names = KeyNames::Versions,
                               const wchar_t* versionValue = nullptr) {
    return {key, kind, vendor, valueName, implementation, false, false, true, names, versionValue};
}

const RuntimeFamily kClassicFamilies[] = {
    classic(L"Software\\JavaSoft\\Java Development Kit\\", kJdk, kSun, false),
    classic(L"Software\\JavaSoft\\Java Runtime Environment\\", kJre, kSun, true),
    classic(L"Software\\JRockit\\Java Runtime Environment\\", kJre, RuntimeVendor::JRockit, false),
    classic(L"Software\\JRockit\\Java Development Kit\\", kJdk, RuntimeVendor::JRockit, false),
    classic(L"Software\\IBM\\Java2 Runtime Environment\\", kJre, kIbm, false),
};

// Java 9 and later have no jre\ folder: the VM library sits in the home itself
// (a Java 8 home registered here is tried again in its jre\ folder).
const RuntimeFamily kModernFamilies[] = {
    modern(L"Software\\JavaSoft\\JDK\\", kJdk, kSun, L"JavaHome", nullptr),
    modern(L"Software\\JavaSoft\\JRE\\", kJre, kSun, L"JavaHome", nullptr),
    modern(L"Software\\Eclipse Adoptium\\JDK\\", kJdk, kSun, L"Path", L"hotspot"),
    modern(L"Software\\Eclipse Adoptium\\JDK\\", kJdk, kIbm, L"Path", L"openj9"),
    modern(L"Software\\Eclipse Adoptium\\JRE\\", kJre, kSun, L"Path", L"hotspot"),
    modern(L"Software\\Eclipse Adoptium\\JRE\\", kJre, kIbm, L"Path", L"openj9"),
    modern(L"Software\\AdoptOpenJDK\\JDK\\", kJdk, kSun, L"Path", L"hotspot"),
    modern(L"Software\\AdoptOpenJDK\\JDK\\", kJdk, kIbm, L"Path", L"openj9"),
    modern(L"Software\\AdoptOpenJDK\\JRE\\", kJre, kSun, L"Path", L"hotspot"),
    modern(L"Software\\AdoptOpenJDK\\JRE\\", kJre, kIbm, L"Path", L"openj9"),
    modern(L"Software\\Eclipse Foundation\\JDK\\", kJdk, kSun, L"Path", L"hotspot"),
    modern(L"Software\\Eclipse Foundation\\JDK\\", kJdk, kIbm, L"Path", L"openj9"),
    modern(L"Software\\Eclipse Foundation\\JRE\\", kJre, kSun, L"Path", L"hotspot"),
    modern(L"Software\\Eclipse Foundation\\JRE\\", kJre, kIbm, L"Path", L"openj9"),
    // Semeru runtimes are IBM's, whatever the VM folder is called.
    modern(L"Software\\Semeru\\JDK\\", kJdk, kIbm, L"Path", L"hotspot"),
    modern(L"Software\\Semeru\\JDK\\", kJdk, kIbm, L"Path", L"openj9"),
    modern(L"Software\\Semeru\\JRE\\", kJre, kIbm, L"Path", L"hotspot"),
    modern(L"Software\\Semeru\\JRE\\", kJre, kIbm, L"Path", L"openj9"),
    modern(L"Software\\Microsoft\\JDK\\", kJdk, kSun, L"Path", L"hotspot"),
    // Zulu keeps its full version in "CurrentVersion" (where present); Liberica
    // names only the major version.
    modern(L"Software\\Azul Systems\\Zulu\\", kJdk, kSun, L"InstallationPath", nullptr, KeyNames::ZuluJdk,
           L"CurrentVersion"),
    modern(L"Software\\Azul Systems\\Zulu\\", kJre, kSun, L"InstallationPath", nullptr, KeyNames::ZuluJre,
           L"CurrentVersion"),
    modern(L"Software\\BellSoft\\Liberica\\", kJdk, kSun, L"InstallationPath", nullptr, KeyNames::LibericaJdk),
    modern(L"Software\\BellSoft\\Liberica\\", kJre, kSun, L"InstallationPath", nullptr, KeyNames::LibericaJre),
};

}  // namespace

FamilyTable classicFamilies() { return {kClassicFamilies, sizeof kClassicFamilies / sizeof kClassicFamilies[0]}; }
FamilyTable modernFamilies() { return {kModernFamilies, sizeof kModernFamilies / sizeof kModernFamilies[0]}; }

const wchar_t* verdictText(EntryVerdict verdict) {
    switch (verdict) {
    case EntryVerdict::Accepted: return L"accepted";
    case EntryVerdict::KindNotAccepted: return L"kind not accepted by \"JVM Source\"";
    case EntryVerdict::VendorNotAllowed: return L"vendor not allowed by \"VM Provider\"";
    case EntryVerdict::BelowMinimum: return L"below \"Minimum Version\"";
    case EntryVerdict::AboveMaximum: return L"above \"Maximum Version\"";
    case EntryVerdict::NoHome: return L"no home folder value";
    case EntryVerdict::NoVmLibrary: return L"no VM library for the JVM type in the home";
    case EntryVerdict::SameHome: return L"same home as an earlier candidate";
    case EntryVerdict::LessPrecise: return L"same home as a later candidate with a more precise version";
    case EntryVerdict::OtherMachine: return L"per-user runtime whose VM library is for another processor";
    }
    return L"";
}

EntryVerdict familyParticipation(const RuntimeFamily& family, const RuntimePolicy& l) {
    if (!l.favorSource && !kindAccepted(family.kind, l)) return EntryVerdict::KindNotAccepted;
    if (!vendorAllowed(family.vendor, l)) return EntryVerdict::VendorNotAllowed;
    return EntryVerdict::Accepted;
}

bool familyFavored(const RuntimeFamily& family, const RuntimePolicy& l) {
    return kindAccepted(family.kind, l) && vendorFavored(family.vendor, l);
}

EntryVerdict boundsVerdict(const JavaVersion& version, const JavaVersion& minimum, const JavaVersion& maximum) {
    // Without this exception an absent "Maximum Version" would admit only keys
    // whose names hold no digits.
    const bool noMaximum = maximum == JavaVersion();
    if (!noMaximum && compare(version, maximum) == 1) return EntryVerdict::AboveMaximum;
    if (compare(version, minimum) == -1) return EntryVerdict::BelowMinimum;
    return EntryVerdict::Accepted;
}

std::wstring familyHome(const RuntimeFamily& family, const std::wstring& value) {
    if (value.empty()) return std::wstring();
    std::wstring home = withTrailingSeparator(value);
    if (family.homeHoldsJre) home += L"jre\\";
    return home;
}

JvmType familyJvmType(const RuntimeFamily& family, JvmType configured) {
    if (family.favorServerAsDefault && configured == JvmType::FavorServer) return JvmType::Default;
    return configured;
}

bool keyNameFits(KeyNames names, const std::wstring& name) {
    auto prefixed = [&name](const wchar_t* prefix) {
        const std::wstring p = prefix;
        return name.size() > p.size() && equalsIgnoreCase(name.substr(0, p.size()), p);
    };
    auto jreSuffix = [&name] { return name.size() > 4 && equalsIgnoreCase(name.substr(name.size() - 4), L"-jre"); };
    switch (names) {
    case KeyNames::Versions: return true;
    case KeyNames::ZuluJdk: return prefixed(L"zulu-") && !jreSuffix();
    case KeyNames::ZuluJre: return prefixed(L"zulu-") && jreSuffix();
    case KeyNames::LibericaJdk: return prefixed(L"jdk-");
    case KeyNames::LibericaJre: return prefixed(L"jre-");
    }
    return false;
}

const wchar_t* keyNamesText(KeyNames names) {
    switch (names) {
    case KeyNames::Versions: return L"";
    case KeyNames::ZuluJdk: return L"zulu-<major>";
    case KeyNames::ZuluJre: return L"zulu-<major>-jre";
    case KeyNames::LibericaJdk: return L"jdk-<major>";
    case KeyNames::LibericaJre: return L"jre-<major>";
    }
    return L"";
}

std::vector<DroppedCandidate> keepOnePerHome(std::vector<RuntimeCandidate>& list) {
    std::vector<DroppedCandidate> dropped;
    std::vector<RuntimeCandidate> kept;
    for (RuntimeCandidate& c : list) {
        RuntimeCandidate* same = nullptr;
        for (RuntimeCandidate& k : kept) {
            if (equalsIgnoreCase(k.home, c.home)) {
                same = &k;
                break;
            }
        }
        if (!same) {
            kept.push_back(std::move(c));
        } else if (digitGroups(c.versionText) > digitGroups(same->versionText)) {
            dropped.push_back({same->source, EntryVerdict::LessPrecise});
            *same = std::move(c);
        } else {
            dropped.push_back({c.source, EntryVerdict::SameHome});
        }
    }
    list.swap(kept);
    return dropped;
}

const wchar_t* kindText(RuntimeKind kind) { return kind == kJdk ? L"JDK" : L"JRE"; }

const wchar_t* vendorText(RuntimeVendor vendor) {
    switch (vendor) {
    case RuntimeVendor::Sun: return L"Sun";
    case RuntimeVendor::JRockit: return L"JRockit";
    case RuntimeVendor::Ibm: return L"IBM";
    }
    return L"";
}

std::wstring versionFields(const JavaVersion& v) {
    return decimal(v.fields[0]) + L"." + decimal(v.fields[1]) + L"." + decimal(v.fields[2]) + L"." +
           decimal(v.fields[3]);
}
