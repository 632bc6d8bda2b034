// The argument area of the single-instance block, as another process may have
// left it, and argument lists as a second instance encodes them.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "modes/instance_block.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The input is a whole shared block (shorter inputs leave the rest zero).
    InstanceBlock block;
    std::memset(&block, 0, sizeof block);
    std::memcpy(&block, data, size < sizeof block ? size : sizeof block);
    std::vector<std::wstring> decoded = decodeArguments(block.arguments);
    size_t units = 0;
    for (const std::wstring& s : decoded) {
        units += s.size() + 1;
        for (wchar_t c : s) {
            if (c == 0) __builtin_trap();
        }
    }
    if (units > argument_block::kReadUnits) __builtin_trap();

    // What a writer accepts reads back the same, up to an empty argument after
    // the first (its 0 unit follows the previous one's: the list ends there).
    if (encodeArguments(decoded, block.arguments)) {
        std::vector<std::wstring> again = decodeArguments(block.arguments);
        std::vector<std::wstring> expected;
        for (size_t i = 0; i < decoded.size(); ++i) {
            if (i > 0 && decoded[i].empty()) break;
            expected.push_back(decoded[i]);
        }
        if (expected.empty()) expected.push_back(std::wstring());
        if (again != expected) __builtin_trap();
    } else if (encodedArgumentBytes(decoded) <= argument_block::kWriteBytes) {
        __builtin_trap();
    }
    return 0;
}
