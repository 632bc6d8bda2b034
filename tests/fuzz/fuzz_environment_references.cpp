// %NAME% expansion (expandReferences), which configured paths, the class
// path's entries and the VM options go through. Whatever the text: a lookup
// that knows no name, or one that gives each name back between '%', leaves
// it as it is (values are not scanned again, and the scan goes on after each
// reference); one that gives "[NAME]" keeps its length and turns the '%' of
// each expanded reference, left to right, into '[' and ']'; the lookup is
// asked only for names without '%'. With a lookup that knows names of odd
// length only, the rest stay as written.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_text.h"
#include "base/text.h"

namespace {

void check(bool condition) {
    if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::wstring text = fuzzText(data, size);
    auto asked = [](const std::wstring& name) { check(!name.empty() && name.find(L'%') == std::wstring::npos); };
    check(expandReferences(text, [&](const std::wstring& name, std::wstring&) { return asked(name), false; }) == text);
    check(expandReferences(text, [&](const std::wstring& name, std::wstring& value) {
              asked(name);
              value = L"%" + name + L"%";
              return true;
          }) == text);

    const std::wstring bracketed = expandReferences(text, [&](const std::wstring& name, std::wstring& value) {
        asked(name);
        value = L"[" + name + L"]";
        return name.size() % 2 == 1;
    });
    check(bracketed.size() == text.size());
    bool open = false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (bracketed[i] == text[i]) continue;
        check(text[i] == L'%' && bracketed[i] == (open ? L']' : L'['));
        open = !open;
    }
    check(!open);
    return 0;
}
