// "Virtual Machine Parameters": splitting at spaces outside quotes, unquoting,
// the percentage forms of -Xms/-Xmx/-Xss and the stack size, with a memory
// status of any size. The first 16 bytes are the total physical memory and the
// free address space (little-endian); the rest is the parameter text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_text.h"
#include "vm/vm_options.h"

namespace {

void check(bool condition) {
    if (!condition) __builtin_trap();
}

std::wstring withoutQuotes(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        if (c != L'"') out += c;
    }
    return out;
}

bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// The rules written out once more, plainly, to compare with.

// Unquoting in one pass over the token: a quote opens, the next one closes
// (and a quote right after it makes that later one the closing quote, the
// earlier one staying as text); an unpaired quote stays.
std::wstring referenceUnquote(const std::wstring& t) {
    std::wstring out;
    size_t i = 0;
    while (i < t.size()) {
        if (t[i] != L'"') {
            out += t[i++];
            continue;
        }
        size_t j = t.find(L'"', i + 1);
        if (j == std::wstring::npos) {
            out += t.substr(i);
            break;
        }
        if (j + 1 < t.size() && t[j + 1] == L'"') {
            out += t.substr(i + 1, j - i);
            i = j + 2;
        } else {
            out += t.substr(i + 1, j - i - 1);
            i = j + 1;
        }
    }
    return out;
}

// The tokens: each ends at the first space outside a quoted stretch; a quote
// right after a closing quote opens nothing; after an unclosed quote the next
// space ends the token. Spaces between tokens are skipped.
std::vector<std::wstring> referenceTokens(const std::wstring& t) {
    std::vector<std::wstring> tokens;
    size_t i = 0;
    while (i < t.size()) {
        while (i < t.size() && t[i] == L' ') ++i;
        if (i == t.size()) break;
        size_t start = i;
        bool quoted = false;
        for (; i < t.size(); ++i) {
            if (quoted) {
                if (t[i] == L'"') {
                    quoted = false;
                    if (i + 1 < t.size() && t[i + 1] == L'"') ++i;
                }
            } else if (t[i] == L' ') {
                break;
            } else if (t[i] == L'"') {
                if (t.find(L'"', i + 1) == std::wstring::npos) {
                    i = t.find(L' ', i + 1);
                    if (i == std::wstring::npos) i = t.size();
                    break;
                }
                quoted = true;
            }
        }
        tokens.push_back(t.substr(start, i - start));
    }
    return tokens;
}

// A rewritten option is the prefix, a decimal kilobyte count and "K".
uint64_t rewrittenKilobytes(const std::wstring& option, size_t prefixLength) {
    check(option.size() >= prefixLength + 2 && option.back() == L'K');
    uint64_t value = 0;
    for (size_t i = prefixLength; i + 1 < option.size(); ++i) {
        check(isDigit(option[i]));
        value = value * 10 + static_cast<uint64_t>(option[i] - L'0');
        check(value <= 0xFFFFFFFFull);
    }
    return value;
}

void checkMemoryRewrite(const std::wstring& option, const MemoryStatus& memory) {
    if (option.empty()) return;
    ColonNumbers parsed = parseColonNumbers(option);
    std::wstring rewritten = option;
    rewriteMemoryOption(rewritten, memory);
    check(rewritten.compare(0, parsed.prefixLength, option, 0, parsed.prefixLength) == 0);
    uint64_t value = rewrittenKilobytes(rewritten, parsed.prefixLength);
    auto number = [&](size_t i) -> uint64_t { return i < parsed.numbers.size() ? parsed.numbers[i] : 0; };
    const uint64_t minimum = number(1) * 1024, maximum = number(2) * 1024;
    const uint64_t largest = 0xFFFFFFFFull;
    if (minimum > 0) check(value >= (minimum < largest ? minimum : largest));
    if (minimum == 0 && maximum == 0) {
        // Percent of the base in kilobytes, truncated; floating point may be one off.
        const wchar_t unit = option.back();
        const uint64_t base = ((unit == L'T' || unit == L't') ? memory.availableVirtual : memory.totalPhysical) >> 10;
        const unsigned __int128 exact = static_cast<unsigned __int128>(base) * number(0) / 100;
        const uint64_t held = exact > largest ? largest : static_cast<uint64_t>(exact);
        check(value + 1 >= held && value <= held + 1);
    }
    if (maximum > 0 && minimum <= maximum) check(value <= maximum);
}

void checkColonNumbers(const std::wstring& text) {
    ColonNumbers parsed = parseColonNumbers(text);
    check(parsed.prefixLength <= text.size());
    for (size_t i = 0; i < parsed.prefixLength; ++i) check(!isDigit(text[i]) && text[i] != L':');
    size_t expected = 0;
    if (parsed.prefixLength < text.size()) {
        expected = 1;
        for (size_t i = parsed.prefixLength; i + 1 < text.size(); ++i) expected += text[i] == L':';
    }
    check(parsed.numbers.size() == expected);
}

void checkStackSize(const std::wstring& text) {
    uint32_t size = parseStackSize(text);
    if (size != 0) {
        check(!text.empty() && isDigit(text[0]));
        check(text.find(L':') == std::wstring::npos || text.find(L':') == text.size() - 1);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MemoryStatus memory;
    memory.totalPhysical = fuzzNumber(data, size, 8);
    memory.availableVirtual = fuzzNumber(data, size, 8);
    const std::wstring text = fuzzText(data, size);

    // Unquoting removes pairs of quotes and nothing else.
    std::wstring unquoted = unquoteVmParameter(text);
    check(unquoted == referenceUnquote(text));
    check(unquoted.size() <= text.size() && (text.size() - unquoted.size()) % 2 == 0);
    check(withoutQuotes(unquoted) == withoutQuotes(text));

    checkColonNumbers(text);
    checkStackSize(text);
    checkMemoryRewrite(text, memory);

    const uint32_t unset = 0xA5A5A5A5u;
    uint32_t stack = unset;
    std::vector<std::wstring> options;
    splitVmParameters(text, memory, stack, options);

    // Quotes only join pieces: never more options than space-separated pieces.
    size_t pieces = 0;
    for (size_t i = 0; i < text.size(); ++i) pieces += text[i] != L' ' && (i == 0 || text[i - 1] == L' ');
    check(options.size() <= pieces);
    size_t total = 0;
    for (const std::wstring& o : options) total += o.size();
    check(total <= text.size() + 11 * options.size());  // a rewrite adds at most ten digits and "K"

    // Every token, unquoted, becomes one option; only percentages are rewritten.
    std::vector<std::wstring> tokens = referenceTokens(text);
    check(options.size() == tokens.size());
    for (size_t i = 0; i < tokens.size(); ++i) {
        std::wstring expected = referenceUnquote(tokens[i]);
        const std::wstring head = expected.substr(0, 4);
        const wchar_t last = expected.empty() ? L'\0' : expected.back();
        if ((head == L"-Xms" || head == L"-Xmx" || head == L"-Xss") && expected.size() > 4 &&
            (last == L'p' || last == L'P' || last == L't' || last == L'T')) {
            rewriteMemoryOption(expected, memory);
        }
        check(options[i] == expected);
    }

    // The stack size comes from the last -Xss option, as it was appended.
    uint32_t expected = unset;
    for (const std::wstring& o : options) {
        if (o.compare(0, 4, L"-Xss") == 0) expected = parseStackSize(o.substr(4));
    }
    check(stack == expected);
    return 0;
}
