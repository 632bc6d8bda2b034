#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A Java version reduced to four numbers, as runtimes name their registry keys
// (1.6, 1.6.0_20, 17.0.9+9) and as the configuration states its bounds.
// 0 in every field means "no value"; 65535 in every field means "any".
struct JavaVersion {
    int32_t fields[4] = {0, 0, 0, 0};

    static constexpr int32_t kAny = 65535;

    JavaVersion() = default;
    JavaVersion(int32_t a, int32_t b, int32_t c, int32_t d) : fields{a, b, c, d} {}

    // Reads the first four runs of digits; any run of other characters separates
    // them. Fields after the last one read get padValue. Unreadable text and a
    // group that overflows give 0.0.0.0 (without padding).
    static JavaVersion parse(const std::wstring& text, int32_t padValue);
};

int compare(const JavaVersion& a, const JavaVersion& b);  // -1, 0 or 1
bool equals(const JavaVersion& a, const JavaVersion& b);
bool operator==(const JavaVersion& a, const JavaVersion& b);
bool operator!=(const JavaVersion& a, const JavaVersion& b);
bool isUnset(const JavaVersion& v);
// Trailing zero fields of the preferred version are wildcards.
bool matchesPreferred(const JavaVersion& preferred, const JavaVersion& candidate);
// Display form: 1.7.65535.65535 -> "1.7", 1.6.0.20 -> "1.6.0.20", 5.0.0.0 -> "5.0".
std::wstring toText(const JavaVersion& v);

// A configured version text: parsed, except that a text whose first group is 5
// to 8 and that does not start with "1." means 1.N as well ("8" is "1.8",
// "8.0.392" is "1.8.0.392"), as Java 8 is often called.
JavaVersion configuredVersion(const std::wstring& text, int32_t padValue);
// "Minimum Version" / "Maximum Version" values: the exact word "any", otherwise
// a configured version.
JavaVersion minimumFromConfig(const std::wstring& text);
JavaVersion maximumFromConfig(const std::wstring& text);
// One text of "Preferred versions" (pad value 0).
JavaVersion preferredFromConfig(const std::wstring& text);

// Which requirement phrase applies, and its arguments (string ids 217-221).
struct RequirementPhrase {
    unsigned messageId = 0;
    std::vector<std::wstring> arguments;
};
RequirementPhrase chooseRequirementPhrase(const JavaVersion& minimum, const JavaVersion& maximum);
// The phrase with the string table's text filled in.
std::wstring requirementPhrase(const JavaVersion& minimum, const JavaVersion& maximum);
