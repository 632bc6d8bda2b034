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

const RuntimeFamily kClassicFamilies[] = {
    {L"Software\\JavaSoft\\Java Development Kit\\", kJdk, kSun, L"JavaHome", nullptr, true, false},
    {L"Software\\JavaSoft\\Java Runtime Environment\\", kJre, kSun, L"JavaHome", nullptr, false, true},
    {L"Software\\JRockit\\Java Runtime Environment\\", kJre, RuntimeVendor::JRockit, L"JavaHome", nullptr, false,
     false},
    {L"Software\\JRockit\\Java Development Kit\\", kJdk, RuntimeVendor::JRockit, L"JavaHome", nullptr, true, false},
    {L"Software\\IBM\\Java2 Runtime Environment\\", kJre, kIbm, L"JavaHome", nullptr, false, false},
};

// Java 9 and later have no jre\ folder: the VM library sits in the home itself.
const RuntimeFamily kModernFamilies[] = {
    {L"Software\\JavaSoft\\JDK\\", kJdk, kSun, L"JavaHome", nullptr, false, false},
    {L"Software\\JavaSoft\\JRE\\", kJre, kSun, L"JavaHome", nullptr, false, false},
    {L"Software\\Eclipse Adoptium\\JDK\\", kJdk, kSun, L"Path", L"hotspot", false, false},
    {L"Software\\Eclipse Adoptium\\JDK\\", kJdk, kIbm, L"Path", L"openj9", false, false},
    {L"Software\\Eclipse Adoptium\\JRE\\", kJre, kSun, L"Path", L"hotspot", false, false},
    {L"Software\\Eclipse Adoptium\\JRE\\", kJre, kIbm, L"Path", L"openj9", false, false},
    {L"Software\\AdoptOpenJDK\\JDK\\", kJdk, kSun, L"Path", L"hotspot", false, false},
    {L"Software\\AdoptOpenJDK\\JDK\\", kJdk, kIbm, L"Path", L"openj9", false, false},
    {L"Software\\AdoptOpenJDK\\JRE\\", kJre, kSun, L"Path", L"hotspot", false, false},
    {L"Software\\AdoptOpenJDK\\JRE\\", kJre, kIbm, L"Path", L"openj9", false, false},
    {L"Software\\Eclipse Foundation\\JDK\\", kJdk, kSun, L"Path", L"hotspot", false, false},
    {L"Software\\Eclipse Foundation\\JDK\\", kJdk, kIbm, L"Path", L"openj9", false, false},
    {L"Software\\Eclipse Foundation\\JRE\\", kJre, kSun, L"Path", L"hotspot", false, false},
    {L"Software\\Eclipse Foundation\\JRE\\", kJre, kIbm, L"Path", L"openj9", false, false},
    // Semeru runtimes are IBM's, whatever the VM folder is called.
    {L"Software\\Semeru\\JDK\\", kJdk, kIbm, L"Path", L"hotspot", false, false},
    {L"Software\\Semeru\\JDK\\", kJdk, kIbm, L"Path", L"openj9", false, false},
    {L"Software\\Semeru\\JRE\\", kJre, kIbm, L"Path", L"hotspot", false, false},
    {L"Software\\Semeru\\JRE\\", kJre, kIbm, L"Path", L"openj9", false, false},
    {L"Software\\Microsoft\\JDK\\", kJdk, kSun, L"Path", L"hotspot", false, false},
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

std::vector<std::wstring> keepFirstPerHome(std::vector<RuntimeCandidate>& list) {
    std::vector<std::wstring> dropped;
    std::vector<RuntimeCandidate> kept;
    for (RuntimeCandidate& c : list) {
        bool seen = false;
        for (const RuntimeCandidate& k : kept) {
            if (equalsIgnoreCase(k.home, c.home)) {
                seen = true;
                break;
            }
        }
        if (seen) {
            dropped.push_back(c.source);
        } else {
            kept.push_back(std::move(c));
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
