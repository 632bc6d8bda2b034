// Command lines, "Cmd" values and the per-user path pieces.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/profile.h"
#include "launcher/settings.h"
#include "base/paths.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::wstring text(reinterpret_cast<const char*>(data), reinterpret_cast<const char*>(data) + size);
    size_t total = 0;
    for (const std::wstring& t : splitCommandLine(text)) total += t.size();
    if (total > text.size()) __builtin_trap();  // tokens are pieces of the text
    (void)argumentsFromCommandLine(text);
    (void)trimWhitespace(text);
    (void)iniPathFor(text);
    (void)folderWithSeparator(text);
    (void)folderWithoutSeparator(text);
    (void)iniFileNameFor(text);
    (void)composeUserConfigPath(text, text, text, text, nullptr);
    (void)continuationValue(std::wstring(), text);
    (void)mainClassFromConfig(text);
    FolderOps ops;
    ops.exists = [](const std::wstring&) { return false; };
    ops.create = [](const std::wstring& p) -> unsigned { return p.size() % 3 == 0 ? 5u : 0u; };
    ops.remove = [](const std::wstring&) {};
    ensureParentFoldersWith(text, ops);
    return 0;
}
