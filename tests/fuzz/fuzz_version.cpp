// Version texts from registry key names and the configuration.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/text.h"
#include "runtime/java_version.h"

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
    for (const std::wstring& piece : splitList(text, L';')) (void)JavaVersion::parse(piece, 0);
    (void)requirementPhrase(low, high);
    return 0;
}
