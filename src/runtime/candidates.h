#pragma once
// The runtimes that installers register, as the launcher sees them: the
// registry layouts it searches, the candidates they yield and the rules that
// decide which candidates take part. Platform-free: the registry and the file
// system are read through a RuntimeProbe (probe.h).
#include <cstddef>
#include <string>
#include <vector>

#include "runtime/java_version.h"
#include "runtime/runtime_version.h"

struct RuntimePolicy;
enum class JvmType;

// One registered runtime.
struct RuntimeCandidate {
    JavaVersion version;   // the registry subkey name, parsed with pad value 0 (see versionText)
    std::wstring home;     // ends in '\'; a JDK 8 (or older) home's embedded jre\ folder
    bool isServer = false; // the VM library found for the home is bin\server\jvm.dll
    bool isFavored = false;
    std::wstring source;   // the registry key it came from (for the trace)
    // The text `version` was read from: the subkey name, a version value of the
    // key, or the home's release file (then `versionOrigin` says so).
    std::wstring versionText;
    VersionOrigin versionOrigin = VersionOrigin::Registry;
};

enum class RuntimeKind { Jdk, Jre };
enum class RuntimeVendor { Sun, JRockit, Ibm };

// What the subkeys of a family's key are called: version texts, or the names
// of the Zulu (zulu-21, zulu-17-jre) and Liberica (jdk-21, jre-17) installers,
// which name only a major version and tell the kind in the name.
enum class KeyNames { Versions, ZuluJdk, ZuluJre, LibericaJdk, LibericaJre };

// A registry layout of installed runtimes. Every version subkey of `key` names
// one runtime; the home is the value `valueName`, read from the version key
// itself or, with `implementation` set, from <version>\<implementation>\MSI.
struct RuntimeFamily {
    const wchar_t* key;             // under the root key, ending in '\'
    RuntimeKind kind;
    RuntimeVendor vendor;
    const wchar_t* valueName;
    const wchar_t* implementation;  // null, "hotspot" or "openj9"
    bool homeHoldsJre;              // the runtime lives in the home's jre\ folder (JDK 8 and older)
    bool favorServerAsDefault;      // resolve "favor_server" like the default type
    // A layout of Java 9 and later installers: versions read by modernVersion,
    // a home without a VM library tried again in its jre\ folder (a JDK 8), a
    // key that names only a major version completed from the home's release file.
    bool modern;
    KeyNames names;
    const wchar_t* versionValue;    // a value of the key with a fuller version text, or null
};

// A fixed table of families (constant data, no start-up code).
struct FamilyTable {
    const RuntimeFamily* items;
    size_t count;
    const RuntimeFamily* begin() const { return items; }
    const RuntimeFamily* end() const { return items + count; }
    size_t size() const { return count; }
    const RuntimeFamily& operator[](size_t i) const { return items[i]; }
    const RuntimeFamily& front() const { return items[0]; }
    const RuntimeFamily& back() const { return items[count - 1]; }
};

// The five families the launcher has always searched, in search order, under
// HKEY_LOCAL_MACHINE: Sun JDK, Sun JRE, JRockit JRE, JRockit JDK, IBM JRE.
FamilyTable classicFamilies();
// The layouts of Java 9 and later installers (JavaSoft JDK/JRE, Eclipse Adoptium,
// AdoptOpenJDK, Eclipse Foundation, Semeru, Microsoft, Zulu, Liberica), in search order. They are
// searched only when the classic families yield no candidate in a view, under
// HKEY_LOCAL_MACHINE and then HKEY_CURRENT_USER.
FamilyTable modernFamilies();

// Why a registry entry was taken or left.
enum class EntryVerdict {
    Accepted,
    KindNotAccepted,    // "JVM Source" excludes the kind
    VendorNotAllowed,   // "VM Provider" excludes the vendor
    BelowMinimum,
    AboveMaximum,
    NoHome,             // no (or an empty) home value
    NoVmLibrary,        // the home has no VM library for the VM type
    SameHome,           // an earlier candidate names the same home
    LessPrecise,        // a later candidate names the same home with a more precise version
    OtherMachine,       // a per-user runtime whose VM library this process cannot load
};
// "accepted", or the reason an entry was left.
const wchar_t* verdictText(EntryVerdict verdict);

// Whether a family is searched at all: its kind must be accepted or "JVM Source"
// must only favour, and its vendor must be allowed or favoured.
EntryVerdict familyParticipation(const RuntimeFamily& family, const RuntimePolicy& policy);
// Whether a family's candidates are favoured: kind accepted and vendor favoured.
bool familyFavored(const RuntimeFamily& family, const RuntimePolicy& policy);
// The version bounds, both inclusive. A maximum of 0.0.0.0 (what an absent
// "Maximum Version" gives) sets no upper bound.
EntryVerdict boundsVerdict(const JavaVersion& version, const JavaVersion& minimum, const JavaVersion& maximum);
// The home a family's value names: '\' appended when missing, then jre\ for the
// families that keep their runtime there. Empty for an empty value.
std::wstring familyHome(const RuntimeFamily& family, const std::wstring& value);
// The VM type that resolves a family's homes.
JvmType familyJvmType(const RuntimeFamily& family, JvmType configured);

// Whether a subkey name is one of a family's runtimes (names compared without regard to case).
bool keyNameFits(KeyNames names, const std::wstring& name);
// The form of the names for the trace: "zulu-<major>", ...; empty for version names.
const wchar_t* keyNamesText(KeyNames names);

// One candidate per home (homes compared without regard to case): of those
// that name the same home, the one whose version text has the most groups of
// digits (the first found among equals), in the place of the first found.
// Gives the ones dropped, with the reason.
struct DroppedCandidate {
    std::wstring source;
    EntryVerdict verdict;  // SameHome or LessPrecise
};
std::vector<DroppedCandidate> keepOnePerHome(std::vector<RuntimeCandidate>& list);

const wchar_t* kindText(RuntimeKind kind);
const wchar_t* vendorText(RuntimeVendor vendor);
// All four fields: 1.8.0.131.
std::wstring versionFields(const JavaVersion& version);
