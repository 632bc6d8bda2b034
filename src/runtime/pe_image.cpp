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

namespace {

const size_t kOptionalHeaderAt = kSignatureSize + kFileHeaderSize;  // from the NT headers
const uint16_t kPe32Magic = 0x10B;
const uint16_t kPe32PlusMagic = 0x20B;
const size_t kSectionHeaderSize = 40;
const uint32_t kResourceDirectoryIndex = 2;
const uint32_t kRtVersion = 16;
const uint32_t kSubdirectoryBit = 0x80000000u;
const uint32_t kFixedInfoSignature = 0xFEEF04BDu;

// A range of the file whose every read is checked against its length.
struct Span {
    const unsigned char* data = nullptr;
    size_t size = 0;
    bool has(size_t at, size_t length) const { return at <= size && size - at >= length; }
};

// The file range that holds `length` bytes at relative virtual address `rva`:
// it must lie inside the raw data of one section. From there the span runs to
// the end of that section's raw data.
bool spanAtRva(const Span& file, const unsigned char* sections, uint16_t count, uint32_t rva, uint32_t length,
               Span& out) {
    for (uint16_t i = 0; i < count; ++i) {
        const unsigned char* s = sections + i * kSectionHeaderSize;
        const uint32_t address = read32(s + 12);
        const uint32_t rawSize = read32(s + 16);
        const uint32_t rawAt = read32(s + 20);
        if (rva < address || rva - address >= rawSize) continue;
        // The raw data as far as the file holds it.
        if (rawAt > file.size) return false;
        const size_t available = rawSize < file.size - rawAt ? rawSize : file.size - rawAt;
        const size_t into = rva - address;
        if (into > available || available - into < length) return false;
        out.data = file.data + rawAt + into;
        out.size = available - into;
        return true;
    }
    return false;
}

// The entry of a resource directory at `at`: with `wantId` the entry whose
// numeric id is `id`, otherwise the first. Gives its OffsetToData field.
bool directoryEntry(const Span& resources, uint32_t at, bool wantId, uint32_t id, uint32_t& target) {
    const size_t kDirectorySize = 16;
    const size_t kEntrySize = 8;
    if (!resources.has(at, kDirectorySize)) return false;
    const unsigned char* dir = resources.data + at;
    const size_t entries = static_cast<size_t>(read16(dir + 12)) + read16(dir + 14);
    for (size_t i = 0; i < entries; ++i) {
        const size_t entryAt = at + kDirectorySize + i * kEntrySize;
        if (!resources.has(entryAt, kEntrySize)) return false;
        const uint32_t name = read32(resources.data + entryAt);
        if (wantId && name != id) continue;  // a name given as a string has its top bit set
        target = read32(resources.data + entryAt + 4);
        return true;
    }
    return false;
}

}  // namespace

bool readImageProductVersion(const unsigned char* data, size_t size, uint16_t version[4]) {
    if (!readImageMachine(data, size, nullptr)) return false;
    const Span file{data, size};
    const uint32_t ntOffset = read32(data + kNtHeaderOffsetField);
    const unsigned char* nt = data + ntOffset;
    const uint16_t sectionCount = read16(nt + kSignatureSize + 2);
    const uint16_t optionalSize = read16(nt + kSignatureSize + 16);

    // The optional header's data directories: where they start and how many there are.
    const size_t optionalAt = static_cast<size_t>(ntOffset) + kOptionalHeaderAt;
    if (!file.has(optionalAt, 2) || optionalSize < 2) return false;
    const uint16_t magic = read16(data + optionalAt);
    size_t countField = 0;
    if (magic == kPe32Magic) {
        countField = 92;
    } else if (magic == kPe32PlusMagic) {
        countField = 108;
    } else {
        return false;
    }
    const size_t directoriesField = countField + 4;
    const size_t resourceField = directoriesField + kResourceDirectoryIndex * 8;
    if (optionalSize < resourceField + 8 || !file.has(optionalAt, optionalSize)) return false;
    if (read32(data + optionalAt + countField) <= kResourceDirectoryIndex) return false;
    const uint32_t resourceRva = read32(data + optionalAt + resourceField);
    if (resourceRva == 0) return false;

    const size_t sectionsAt = optionalAt + optionalSize;
    if (!file.has(sectionsAt, static_cast<size_t>(sectionCount) * kSectionHeaderSize)) return false;
    const unsigned char* sections = data + sectionsAt;

    // Type RT_VERSION, then the first name, then the first language: a data entry.
    Span resources;
    if (!spanAtRva(file, sections, sectionCount, resourceRva, 16, resources)) return false;
    uint32_t target = 0;
    if (!directoryEntry(resources, 0, true, kRtVersion, target) || !(target & kSubdirectoryBit)) return false;
    if (!directoryEntry(resources, target & ~kSubdirectoryBit, false, 0, target) || !(target & kSubdirectoryBit)) {
        return false;
    }
    if (!directoryEntry(resources, target & ~kSubdirectoryBit, false, 0, target) || (target & kSubdirectoryBit)) {
        return false;
    }
    if (!resources.has(target, 16)) return false;
    const uint32_t dataRva = read32(resources.data + target);
    const uint32_t dataSize = read32(resources.data + target + 4);

    // VS_VERSIONINFO: wLength, wValueLength, wType, L"VS_VERSION_INFO", padding
    // to 32 bits, then VS_FIXEDFILEINFO.
    static const char kKey[] = "VS_VERSION_INFO";
    const size_t keyAt = 6;
    const size_t keyBytes = sizeof kKey * 2;  // with the terminating zero
    const size_t fixedAt = (keyAt + keyBytes + 3) & ~static_cast<size_t>(3);
    const size_t fixedSize = 52;
    Span info;
    if (dataSize < fixedAt + fixedSize) return false;
    if (!spanAtRva(file, sections, sectionCount, dataRva, dataSize, info)) return false;
    const unsigned char* p = info.data;
    if (read16(p) < fixedAt + fixedSize || read16(p + 2) < fixedSize) return false;
    for (size_t i = 0; i < sizeof kKey; ++i) {
        if (read16(p + keyAt + 2 * i) != static_cast<unsigned char>(kKey[i])) return false;
    }
    const unsigned char* fixed = p + fixedAt;
    if (read32(fixed) != kFixedInfoSignature) return false;
    const uint32_t productMs = read32(fixed + 16);
    const uint32_t productLs = read32(fixed + 20);
    version[0] = static_cast<uint16_t>(productMs >> 16);
    version[1] = static_cast<uint16_t>(productMs & 0xFFFF);
    version[2] = static_cast<uint16_t>(productLs >> 16);
    version[3] = static_cast<uint16_t>(productLs & 0xFFFF);
    return true;
}

const wchar_t* machineText(uint16_t machine) {
    switch (machine) {
    case kMachineX86: return L"x86";
    case kMachineX64: return L"x64";
    case 0xAA64: return L"ARM64";
    }
    return L"an unknown processor";
}
