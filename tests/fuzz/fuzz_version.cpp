// Version texts from registry key names, release files and the configuration.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/text.h"
#include "runtime/java_version.h"
#include "runtime/runtime_version.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::wstring text(reinterpret_cast<const char*>(data), reinterpret_cast<const char*>(data) + size);
    JavaVersion low = JavaVersion::parse(text, 0);
    JavaVersion high = JavaVersion::parse(text, 65535);
    // Padding never changes the fields that were read, and never goes backwards.
    if (compare(low, high) > 0) __builtin_trap();
    (void)toText(low);
    (void)toText(high);
    (void)matchesPreferred(low, high);
    (void)minimumFromConfig(text);
    (void)maximumFromConfig(text);
    for (const std::wstring& piece : splitList(text, L';')) (void)preferredFromConfig(piece);
    (void)requirementPhrase(low, high);

    // A configured text that starts with "1." reads as it always did; any other
    // differs from the plain reading only by the 1 put in front.
    const JavaVersion configured = configuredVersion(text, 0);
    if (startsWith(text, L"1.") && configured != low) __builtin_trap();
    if (configured != low && (configured.fields[0] != 1 || configured.fields[1] != low.fields[0])) __builtin_trap();
    // The Java 8 keys of today's installers only ever gain the leading 1.
    const JavaVersion modern = modernVersion(text);
    if (modern != low && (modern.fields[0] != 1 || modern.fields[1] < 5 || modern.fields[1] > 8)) __builtin_trap();
    if (digitGroups(text) == 0 && low != JavaVersion()) __builtin_trap();

    // The same bytes as a release file.
    std::wstring release;
    if (releaseFileVersion(std::string(reinterpret_cast<const char*>(data), size), release)) {
        if (release.empty() || release.size() > 64) __builtin_trap();
        for (wchar_t c : release) {
            if (c < 0x20 || c > 0x7E || c == L'"') __builtin_trap();
        }
    }
    (void)jreParentFolder(text);
    return 0;
}
