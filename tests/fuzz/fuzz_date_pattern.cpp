// Redirection file names with a date and time stretch between the first and
// the last '%'. The first two bytes are the milliseconds; the rest is the name.
// The platform's formatting is played by a stand-in that fails on pictures
// holding "!" and otherwise doubles every character.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_text.h"
#include "vm/date_pattern.h"

namespace {

void check(bool condition) {
    if (!condition) __builtin_trap();
}

std::wstring doubled(const std::wstring& picture) {
    std::wstring out;
    for (wchar_t c : picture) out += std::wstring(2, c);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const unsigned milliseconds = static_cast<unsigned>(fuzzNumber(data, size, 2));
    const std::wstring original = fuzzText(data, size);

    const std::wstring digits = std::to_wstring(milliseconds);
    std::wstring replaced = replaceMilliseconds(original, milliseconds);
    size_t ells = 0;
    for (wchar_t c : original) ells += c == L'L';
    check(replaced.size() == original.size() + ells * (digits.size() - 1));
    check(replaced.find(L'L') == std::wstring::npos || digits.find(L'L') != std::wstring::npos);

    size_t first = 0, last = 0;
    const bool dated = findDatePatternStretch(original, first, last);
    check(dated == (original.find(L'%') != std::wstring::npos));

    std::wstring seen;
    bool called = false;
    std::wstring name = original;
    expandDateTimePatternWith(name, milliseconds, [&](const std::wstring& picture) {
        called = true;
        seen = picture;
        return picture.find(L'!') != std::wstring::npos ? std::wstring() : doubled(picture);
    });
    check(called == dated);
    if (!dated) {
        check(name == original);
        return 0;
    }
    check(first <= last && original[first] == L'%' && original[last] == L'%');
    const std::wstring picture = last > first ? original.substr(first + 1, last - first - 1) : std::wstring();
    check(seen == replaceMilliseconds(picture, milliseconds));
    const std::wstring formatted = seen.find(L'!') != std::wstring::npos ? std::wstring() : doubled(seen);
    check(name == original.substr(0, first) + formatted + original.substr(last + 1));
    return 0;
}
