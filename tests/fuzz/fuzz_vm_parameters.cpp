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

    if (text.find(L'"') == std::wstring::npos) {
        check(options.size() == pieces);
        size_t at = 0;
        for (const std::wstring& option : options) {
            while (text[at] == L' ') ++at;
            size_t end = text.find(L' ', at);
            std::wstring piece = text.substr(at, end == std::wstring::npos ? std::wstring::npos : end - at);
            at = end == std::wstring::npos ? text.size() : end;
            std::wstring head = piece.substr(0, 4);
            wchar_t last = piece.back();
            bool percent = (head == L"-Xms" || head == L"-Xmx" || head == L"-Xss") && piece.size() > 4 &&
                           (last == L'p' || last == L'P' || last == L't' || last == L'T');
            if (!percent) check(option == piece);
        }
    }

    // The stack size comes from the last -Xss option, as it was appended.
    uint32_t expected = unset;
    for (const std::wstring& o : options) {
        if (o.compare(0, 4, L"-Xss") == 0) expected = parseStackSize(o.substr(4));
    }
    check(stack == expected);
    return 0;
}
