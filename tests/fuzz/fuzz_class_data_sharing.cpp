// The start-up cache rule's readers of outside input: the VM option variables
// (JAVA_TOOL_OPTIONS), the user's parameters, and the quoting of the assembly
// child's command line, each against the rule written out plainly.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_text.h"
#include "vm/class_data_sharing.h"

namespace {

bool startsWith(const std::wstring& text, const wchar_t* prefix) { return text.compare(0, std::wcslen(prefix), prefix) == 0; }

bool isSharingOrAgent(const std::wstring& t) {
    for (const wchar_t* p : {L"-Xshare", L"-XX:SharedArchiveFile", L"-XX:ArchiveClassesAtExit", L"-XX:+AutoCreateSharedArchive",
                             L"-XX:-AutoCreateSharedArchive", L"-XX:AOT", L"-XX:+AOT", L"-XX:-AOT", L"-XX:VMOptionsFile",
                             L"-XX:Flags=", L"-XX:+UseSharedSpaces", L"-XX:-UseSharedSpaces", L"--patch-module",
                             L"--limit-modules", L"--upgrade-module-path", L"-javaagent:", L"-agentlib:", L"-agentpath:",
                             L"-Xrun"}) {
        if (startsWith(t, p)) return true;
    }
    return false;
}

// The C runtime's splitting of a command line, as documented: 2n backslashes
// before a quote give n and the quote toggles quoting, 2n+1 give n and a
// literal quote, other backslashes are literal, white space outside quotes separates.
std::vector<std::wstring> splitLikeTheRuntime(const std::wstring& line) {
    std::vector<std::wstring> args;
    std::wstring current;
    bool quoted = false, any = false;
    for (size_t i = 0; i < line.size(); ++i) {
        size_t slashes = 0;
        while (i < line.size() && line[i] == L'\\') ++slashes, ++i;
        if (i < line.size() && line[i] == L'"') {
            current.append(slashes / 2, L'\\');
            any = true;
            if (slashes % 2) {
                current += L'"';
            } else {
                quoted = !quoted;
            }
            continue;
        }
        current.append(slashes, L'\\');
        if (slashes) any = true;
        if (i >= line.size()) break;
        if (!quoted && (line[i] == L' ' || line[i] == L'\t')) {
            if (any) args.push_back(current);
            current.clear();
            any = false;
        } else {
            current += line[i];
            any = true;
        }
    }
    if (any) args.push_back(current);
    return args;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::wstring text = fuzzText(data, size);

    CacheInputs in;
    in.setting = L"auto";
    in.runtimeVersion = JavaVersion(21, 0, 5, 0);
    in.classPathFiles = {{L"C:\\app\\app.jar", true, false, 1, 2}};
    in.executable = L"C:\\app\\app.exe";
    in.cacheFolder = L"C:\\cache\\";
    in.environmentOptions = {{L"JAVA_TOOL_OPTIONS", text}};
    std::wstring reason;
    const CacheKind kind = chooseCacheKind(in, reason);
    if (text.find_first_of(L"\"'") == std::wstring::npos) {
        bool blocked = false;
        size_t at = 0;
        while (at < text.size()) {
            size_t end = text.find_first_of(L" \t\r\n", at);
            if (end == std::wstring::npos) end = text.size();
            if (end > at && isSharingOrAgent(text.substr(at, end - at))) blocked = true;
            at = end + 1;
        }
        if ((kind == CacheKind::None) != blocked) __builtin_trap();
    }
    in.environmentOptions.clear();
    in.vmParameters = {text};
    if ((chooseCacheKind(in, reason) == CacheKind::None) != isSharingOrAgent(text)) __builtin_trap();

    in.classPath = text;
    (void)planCacheFiles(in, CacheKind::AotCache, {text, cacheBaseName(in, CacheKind::AotCache) + L".aot"});
    (void)composeCacheFolder(text, text, text, text);

    if (text.find(L'\0') == std::wstring::npos) {
        const std::vector<std::wstring> back = splitLikeTheRuntime(L"java.exe " + commandLineArgument(text));
        if (back.size() != 2 || back[1] != text) __builtin_trap();
    }
    return 0;
}
