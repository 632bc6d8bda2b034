#include "runtime/java_version.h"

#include "base/messages.h"
#include "base/text.h"
#include "resources/resource.h"

namespace {

bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

}  // namespace

JavaVersion JavaVersion::parse(const std::wstring& text, int32_t padValue) {
    JavaVersion v;
    size_t pos = 0;
    const size_t n = text.size();
    while (pos < n && !isDigit(text[pos])) ++pos;
    if (pos == n) return v;

    int field = 0;
    for (;;) {
        // A group of more than ten significant digits cannot be held: the whole
        // parse fails. Values up to 2147483647 are kept; the few ten-digit values
        // above that (2147483648..2147483649) saturate rather than wrap.
        int64_t value = 0;
        while (pos < n && isDigit(text[pos])) {
            if (value > 214748364) return JavaVersion();
            value = value * 10 + (text[pos] - L'0');
            ++pos;
        }
        v.fields[field] = value > INT32_MAX ? INT32_MAX : static_cast<int32_t>(value);
        while (pos < n && !isDigit(text[pos])) ++pos;
        if (pos == n || field == 3) break;
        ++field;
    }
    for (int i = field + 1; i < 4; ++i) v.fields[i] = padValue;
    return v;
}

int compare(const JavaVersion& a, const JavaVersion& b) {
    for (int i = 0; i < 4; ++i) {
        if (a.fields[i] < b.fields[i]) return -1;
        if (a.fields[i] > b.fields[i]) return 1;
    }
    return 0;
}

bool equals(const JavaVersion& a, const JavaVersion& b) { return compare(a, b) == 0; }
bool operator==(const JavaVersion& a, const JavaVersion& b) { return equals(a, b); }
bool operator!=(const JavaVersion& a, const JavaVersion& b) { return !equals(a, b); }

bool isUnset(const JavaVersion& v) {
    bool allZero = true, allAny = true;
    for (int32_t f : v.fields) {
        if (f != 0) allZero = false;
        if (f != JavaVersion::kAny) allAny = false;
    }
    return allZero || allAny;
}

bool matchesPreferred(const JavaVersion& preferred, const JavaVersion& candidate) {
    if (equals(preferred, candidate)) return true;
    int count = 0;
    for (int i = 3; i >= 0 && preferred.fields[i] == 0; --i) ++count;
    for (int i = 0; i < 4 - count; ++i) {
        if (preferred.fields[i] != candidate.fields[i]) return false;
    }
    return true;
}

std::wstring toText(const JavaVersion& v) {
    int last = -1;
    for (int i = 3; i >= 0; --i) {
        if (v.fields[i] != 0 && v.fields[i] != JavaVersion::kAny) {
            last = i;
            break;
        }
    }
    if (last < 0) return L"0.0.0.0";
    if (last == 0) last = 1;
    std::wstring out;
    for (int i = 0; i <= last; ++i) {
        if (i) out += L'.';
        out += decimal(v.fields[i]);
    }
    return out;
}

JavaVersion configuredVersion(const std::wstring& text, int32_t padValue) {
    const JavaVersion v = JavaVersion::parse(text, padValue);
    if (startsWith(text, L"1.") || v.fields[0] < 5 || v.fields[0] > 8) return v;
    // "8" says what "1.8" says: every field moves one place to the right.
    return JavaVersion(1, v.fields[0], v.fields[1], v.fields[2]);
}

JavaVersion minimumFromConfig(const std::wstring& text) {
    if (text == L"any") return JavaVersion();
    return configuredVersion(text, 0);
}

JavaVersion maximumFromConfig(const std::wstring& text) {
    if (text == L"any") return JavaVersion(JavaVersion::kAny, JavaVersion::kAny, JavaVersion::kAny, JavaVersion::kAny);
    return configuredVersion(text, JavaVersion::kAny);
}

JavaVersion preferredFromConfig(const std::wstring& text) { return configuredVersion(text, 0); }

RequirementPhrase chooseRequirementPhrase(const JavaVersion& minimum, const JavaVersion& maximum) {
    const bool minSet = !isUnset(minimum);
    const bool maxSet = !isUnset(maximum);
    if (!minSet && !maxSet) return {IDS_LATEST_VERSION, {}};
    if (!minSet) return {IDS_MAXIMUM_VERSION, {toText(maximum)}};
    if (!maxSet) return {IDS_MINIMUM_VERSION, {toText(minimum)}};
    if (equals(minimum, maximum)) return {IDS_VERSION_REQUIRED, {toText(minimum)}};
    return {IDS_VERSION_BETWEEN, {toText(minimum), toText(maximum)}};
}

std::wstring requirementPhrase(const JavaVersion& minimum, const JavaVersion& maximum) {
    RequirementPhrase p = chooseRequirementPhrase(minimum, maximum);
    std::vector<MessageArg> args(p.arguments.begin(), p.arguments.end());
    return formatMessage(loadMessage(p.messageId), args);
}
