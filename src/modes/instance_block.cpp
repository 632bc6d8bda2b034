#include "modes/instance_block.h"

#include <algorithm>
#include <cstring>

std::wstring instanceNameFor(const std::wstring& modulePath) {
    std::wstring name = modulePath;
    for (wchar_t& c : name) {
        if (c == L'\\') c = L'_';
    }
    return name;
}

std::wstring qualifiedInstanceName(const std::wstring& name, const std::wstring& foldedPath) {
    uint32_t hash = 2166136261u;
    for (wchar_t c : foldedPath) {
        hash ^= static_cast<uint16_t>(c);
        hash *= 16777619u;
    }
    std::wstring qualified = name + L"|";
    for (int shift = 28; shift >= 0; shift -= 4) qualified += L"0123456789abcdef"[(hash >> shift) & 0xF];
    return qualified;
}

size_t encodedArgumentBytes(const std::vector<std::wstring>& arguments) {
    size_t bytes = 2;
    for (const std::wstring& argument : arguments) bytes += 2 * argument.size() + 2;
    return bytes;
}

bool encodeArguments(const std::vector<std::wstring>& arguments, uint16_t (&area)[1040]) {
    if (encodedArgumentBytes(arguments) > argument_block::kWriteBytes) return false;
    // Only the writer's 1040 bytes, half of the area.
    std::fill_n(area, argument_block::kWriteBytes / sizeof area[0], uint16_t{0});
    size_t at = 0;
    for (const std::wstring& argument : arguments) {
        // wchar_t holds one UTF-16 unit on Windows.
        for (wchar_t c : argument) area[at++] = static_cast<uint16_t>(c);
        area[at++] = 0;
    }
    area[at] = 0;
    return true;
}

std::vector<std::wstring> decodeArguments(const uint16_t (&area)[1040]) {
    // Another process may write the area at any time: read one copy of it.
    uint16_t units[argument_block::kReadUnits];
    std::memcpy(units, area, sizeof units);

    std::vector<std::wstring> arguments;
    std::wstring current;
    for (size_t i = 0; i < argument_block::kReadUnits; ++i) {
        if (units[i] != 0) {
            current += static_cast<wchar_t>(units[i]);
            continue;
        }
        arguments.push_back(current);
        current.clear();
        if (i + 1 < argument_block::kReadUnits && units[i + 1] == 0) break;
    }
    return arguments;
}
