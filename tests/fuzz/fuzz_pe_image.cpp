// The machine-type check on arbitrary file contents. The input is copied into
// a buffer of exactly its size so that any read past the end is caught.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "runtime/pe_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<unsigned char> file(data, data + size);
    uint16_t machine = 0;
    bool valid = readImageMachine(file.empty() ? nullptr : file.data(), file.size(), &machine);
    if (valid) {
        // A valid image holds the signature at the offset the DOS header names.
        uint32_t offset = 0;
        std::memcpy(&offset, file.data() + 0x3C, 4);
        if (static_cast<size_t>(offset) + 24 > size) __builtin_trap();
        if (std::memcmp(file.data() + offset, "PE\0\0", 4) != 0) __builtin_trap();
        if (machine != (file[offset + 4] | (file[offset + 5] << 8))) __builtin_trap();
    }
    return 0;
}
