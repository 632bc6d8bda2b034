// %NAME% expansion (expandReferences): a lookup that knows no name, or gives each name back between '%', leaves
// any text as it is (values are not scanned again); one that gives "[NAME]" for names of odd length turns those
// references' '%', paired left to right, into '[' and ']'. Names asked for never hold '%'.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_text.h"
#include "base/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::wstring text = fuzzText(data, size);
    // known: 0 no name, 1 names of odd length, 2 every name.
    auto expand = [&](int known, wchar_t open, wchar_t close) {
        return expandReferences(text, [&](const std::wstring& name, std::wstring& value) {
            if (name.empty() || name.find(L'%') != std::wstring::npos) __builtin_trap();
            value = open + name + close;
            return known == 2 || (known == 1 && name.size() % 2 == 1);
        });
    };
    const std::wstring odd = expand(1, L'[', L']');
    bool inside = false, same = expand(0, L'%', L'%') == text && expand(2, L'%', L'%') == text && odd.size() == text.size();
    for (size_t i = 0; same && i < text.size(); ++i) {
        if (odd[i] == text[i]) continue;
        same = text[i] == L'%' && odd[i] == (inside ? L']' : L'[');
        inside = !inside;
    }
    if (!same || inside) __builtin_trap();
    return 0;
}
