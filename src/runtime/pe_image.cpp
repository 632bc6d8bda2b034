#include "runtime/pe_image.h"

namespace {

// Little-endian reads; the caller has checked the bounds.
uint16_t read16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t read32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

const size_t kDosHeaderSize = 0x40;        // the DOS header, which holds the NT header offset at 0x3C
const size_t kNtHeaderOffsetField = 0x3C;
const size_t kSignatureSize = 4;
const size_t kFileHeaderSize = 20;         // Machine, NumberOfSections, ... Characteristics
const uint16_t kDosSignature = 0x5A4D;     // "MZ"
const uint32_t kPeSignature = 0x00004550;  // "PE\0\0"

}  // namespace

bool readImageMachine(const unsigned char* data, size_t size, uint16_t* machine) {
    if (!data || size < kDosHeaderSize) return false;
    if (read16(data) != kDosSignature) return false;
    // The offset is a signed 32-bit field; a negative one reads as a huge
    // unsigned value and fails the bound below like any other offset past the end.
    const uint32_t ntOffset = read32(data + kNtHeaderOffsetField);
    const size_t needed = kSignatureSize + kFileHeaderSize;
    if (ntOffset > size || size - ntOffset < needed) return false;
    const unsigned char* nt = data + ntOffset;
    if (read32(nt) != kPeSignature) return false;
    if (machine) *machine = read16(nt + kSignatureSize);
    return true;
}
