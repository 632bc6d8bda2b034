#pragma once
// Small PE images made in memory for tests of the machine check and of the
// version resource: headers, one ".rsrc" section and, when asked for, an
// RT_VERSION resource whose fixed part carries a product version. Never loaded.
// Platform-free (header only), for the unit tests and the Windows fixtures.
#include <cstdint>
#include <cstring>
#include <string>

namespace testing_support {

namespace pe_detail {

inline void put16(std::string& b, size_t at, uint32_t value) {
    b[at] = static_cast<char>(value & 0xFF);
    b[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

inline void put32(std::string& b, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace pe_detail

// Offsets of the image that peImage makes, for tests that damage it.
struct PeLayout {
    static constexpr size_t kNtHeaders = 0x80;
    static constexpr size_t kOptionalHeader = kNtHeaders + 24;
    static constexpr size_t kResources = 0x200;         // file offset of the section (RVA 0x1000)
    static constexpr uint32_t kResourcesRva = 0x1000;
    static constexpr size_t kVersionInfo = kResources + 0x58;
    static constexpr size_t kFixedInfo = kVersionInfo + 40;
    static constexpr size_t kSize = 0x400;
};

// An image for `machine` (0x014C x86 with a PE32 optional header, any other
// with PE32+). With `productVersion` (four numbers, most significant first)
// it holds a version resource; without, its resource section is empty.
inline std::string peImage(uint16_t machine, const uint16_t* productVersion = nullptr) {
    using namespace pe_detail;
    using L = PeLayout;
    std::string b(L::kSize, '\0');
    b[0] = 'M';
    b[1] = 'Z';
    put32(b, 0x3C, L::kNtHeaders);
    std::memcpy(&b[L::kNtHeaders], "PE\0\0", 4);
    const bool pe32 = machine == 0x014C;
    const size_t optionalSize = pe32 ? 224 : 240;
    put16(b, L::kNtHeaders + 4, machine);
    put16(b, L::kNtHeaders + 6, 1);  // one section
    put16(b, L::kNtHeaders + 20, static_cast<uint32_t>(optionalSize));
    put16(b, L::kNtHeaders + 22, 0x2102);  // executable, DLL
    put16(b, L::kOptionalHeader, pe32 ? 0x10B : 0x20B);
    const size_t countField = pe32 ? 92 : 108;
    put32(b, L::kOptionalHeader + countField, 16);
    const uint32_t resourceSize = productVersion ? 0x58 + 92 : 16;
    put32(b, L::kOptionalHeader + countField + 4 + 2 * 8, L::kResourcesRva);
    put32(b, L::kOptionalHeader + countField + 4 + 2 * 8 + 4, resourceSize);

    const size_t section = L::kOptionalHeader + optionalSize;
    std::memcpy(&b[section], ".rsrc", 5);
    put32(b, section + 8, resourceSize);        // VirtualSize
    put32(b, section + 12, L::kResourcesRva);   // VirtualAddress
    put32(b, section + 16, 0x200);              // SizeOfRawData
    put32(b, section + 20, L::kResources);      // PointerToRawData
    if (!productVersion) return b;

    // Type 16 (RT_VERSION) -> name 1 -> language 0x409 -> the data entry.
    const size_t r = L::kResources;
    put16(b, r + 14, 1);
    put32(b, r + 16, 16);
    put32(b, r + 20, 0x80000000u | 0x18);
    put16(b, r + 0x18 + 14, 1);
    put32(b, r + 0x18 + 16, 1);
    put32(b, r + 0x18 + 20, 0x80000000u | 0x30);
    put16(b, r + 0x30 + 14, 1);
    put32(b, r + 0x30 + 16, 0x409);
    put32(b, r + 0x30 + 20, 0x48);
    put32(b, r + 0x48, L::kResourcesRva + 0x58);
    put32(b, r + 0x48 + 4, 92);

    // VS_VERSIONINFO: lengths, type, the key, padding, VS_FIXEDFILEINFO.
    const size_t v = L::kVersionInfo;
    put16(b, v, 92);
    put16(b, v + 2, 52);
    const char key[] = "VS_VERSION_INFO";
    for (size_t i = 0; i < sizeof key; ++i) put16(b, v + 6 + 2 * i, static_cast<unsigned char>(key[i]));
    const size_t f = L::kFixedInfo;
    put32(b, f, 0xFEEF04BDu);
    put32(b, f + 4, 0x10000);
    // A file version unlike the product version, as in JDK 8 libraries (the HotSpot build).
    put32(b, f + 8, (25u << 16) | 392);
    put32(b, f + 12, 8);
    put32(b, f + 16, (static_cast<uint32_t>(productVersion[0]) << 16) | productVersion[1]);
    put32(b, f + 20, (static_cast<uint32_t>(productVersion[2]) << 16) | productVersion[3]);
    return b;
}

}  // namespace testing_support
