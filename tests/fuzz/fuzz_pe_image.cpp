// The machine-type check and the version resource on arbitrary file contents.
// The input is copied into a buffer of exactly its size so that any read past
// the end is caught.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "runtime/pe_image.h"
#include "runtime/runtime_version.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<unsigned char> file(data, data + size);
    const unsigned char* bytes = file.empty() ? nullptr : file.data();
    uint16_t machine = 0;
    bool valid = readImageMachine(bytes, file.size(), &machine);
    if (valid) {
        // A valid image holds the signature at the offset the DOS header names.
        uint32_t offset = 0;
        std::memcpy(&offset, file.data() + 0x3C, 4);
        if (static_cast<size_t>(offset) + 24 > size) __builtin_trap();
        if (std::memcmp(file.data() + offset, "PE\0\0", 4) != 0) __builtin_trap();
        if (machine != (file[offset + 4] | (file[offset + 5] << 8))) __builtin_trap();
    }
    uint16_t version[4] = {0, 0, 0, 0};
    if (readImageProductVersion(bytes, file.size(), version)) {
        // Only a valid image has a version resource; the version reads as a major number or none.
        if (!valid) __builtin_trap();
        const JavaVersion v = versionFromProductVersion(version);
        if (version[0] == 0 ? v != JavaVersion() : v.fields[0] == 0) __builtin_trap();
        (void)productVersionText(version);
    }
    return 0;
}
