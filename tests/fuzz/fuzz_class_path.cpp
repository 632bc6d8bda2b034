// "Class Path": cutting at ';', where relative and wildcard entries are
// searched, the joined value, and the runtime folders taken from a VM library
// path. The input is "<executable folder>\n<class path>" (no line break: the
// whole input is the class path of C:\app). Environment references and the file
// search are played by stand-ins: %X% expands to a long text, %E% to nothing,
// a search for a trailing '*' returns ".", ".." and a.jar, and any other
// search finds its own name or nothing.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_text.h"
#include "base/paths.h"
#include "base/text.h"
#include "vm/vm_options.h"

namespace {

void check(bool condition) {
    if (!condition) __builtin_trap();
}

bool endsWith(const std::wstring& text, const std::wstring& suffix) {
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

void replace(std::wstring& text, const std::wstring& from, const std::wstring& to) {
    for (size_t at = text.find(from); at != std::wstring::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

size_t count(const std::wstring& text, wchar_t c) {
    size_t n = 0;
    for (wchar_t x : text) n += x == c;
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::wstring input = fuzzText(data, size);
    size_t newline = input.find(L'\n');
    const std::wstring folder = newline == std::wstring::npos ? L"C:\\app" : input.substr(0, newline);
    const std::wstring configured = newline == std::wstring::npos ? input : input.substr(newline + 1);

    // Entries: one per ';', and one more for text after the last.
    std::vector<std::wstring> entries = splitList(configured, L';');
    const bool tail = !configured.empty() && configured.back() != L';';
    check(entries.size() == count(configured, L';') + (tail ? 1 : 0));
    std::wstring joined;
    for (const std::wstring& e : entries) {
        check(e.find(L';') == std::wstring::npos);
        joined += e + L";";
    }
    check(joined == (tail ? configured + L";" : configured));

    ClassPathOps ops;
    ops.expand = [](std::wstring& s) {
        replace(s, L"%X%", std::wstring(300, L'x'));
        replace(s, L"%E%", L"");
    };
    ops.findNames = [](const std::wstring& pattern) {
        std::vector<std::wstring> names;
        if (endsWith(pattern, L"*")) {
            names = {L".", L"..", L"a.jar"};
        } else if (pattern.size() % 2 == 0) {
            names = {pattern.substr(pattern.rfind(L'\\') + 1)};
        }
        return names;
    };
    // The value written out plainly: absolute entries without '*' as they are;
    // the others searched below the executable's folder (a relative entry gets
    // a separator when it has none) or where they point, and every name found
    // joined to the entry's folder part.
    auto absolute = [](const std::wstring& e) { return e.size() >= 2 && (e[1] == L':' || (e[0] == L'\\' && e[1] == L'\\')); };
    std::wstring expected;
    for (std::wstring entry : entries) {
        ops.expand(entry);  // two passes: a value may hold a reference
        ops.expand(entry);
        if (entry.empty()) continue;
        check(isAbsolutePath(entry) == absolute(entry));
        if (entry.find(L'*') == std::wstring::npos && absolute(entry)) {
            expected += (expected.empty() ? L"" : L";") + entry;
            continue;
        }
        const size_t cut = entry.rfind(L'\\');
        const std::wstring folderPart = cut == std::wstring::npos ? std::wstring() : entry.substr(0, cut + 1);
        const std::wstring below = absolute(entry) ? std::wstring() : folder + (entry[0] == L'\\' ? L"" : L"\\");
        ClassPathSearch search = classPathSearchFor(entry, folder);
        check(search.pattern == below + entry && search.resultDirectory == below + folderPart);
        for (const std::wstring& name : ops.findNames(search.pattern)) expected += (expected.empty() ? L"" : L";") + below + folderPart + name;
    }
    check(buildClassPath(configured, folder, ops) == expected);

    // The runtime folders of a VM library path are pieces of it.
    const std::wstring bin = runtimeBinOf(configured);
    const std::wstring home = runtimeHomeOf(configured);
    check(startsWith(configured, bin) && startsWith(bin, home));
    check(endsWith(libraryPathValue(folder, folder, configured), home + L"lib"));
    check(endsWith(systemPathValue(folder, configured), L"%Path%;" + bin));
    return 0;
}
