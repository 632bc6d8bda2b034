// The machine-type check and the version resource on byte buffers:
// well-formed images and damaged ones.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "runtime/pe_image.h"
#include "support/pe_builder.h"

namespace {

void put16(std::vector<unsigned char>& b, size_t at, uint16_t value) {
    b[at] = static_cast<unsigned char>(value);
    b[at + 1] = static_cast<unsigned char>(value >> 8);
}

void put32(std::vector<unsigned char>& b, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

// A DOS header with the NT headers at `ntOffset`: signature, then the COFF file header.
std::vector<unsigned char> image(uint16_t machine, uint32_t ntOffset = 0x80, size_t size = 0x200) {
    std::vector<unsigned char> b(size, 0);
    b[0] = 'M';
    b[1] = 'Z';
    put32(b, 0x3C, ntOffset);
    if (static_cast<size_t>(ntOffset) + 24 <= size) {
        std::memcpy(&b[ntOffset], "PE\0\0", 4);
        put16(b, ntOffset + 4, machine);
    }
    return b;
}

bool check(const std::vector<unsigned char>& b, uint16_t* machine = nullptr) {
    return readImageMachine(b.data(), b.size(), machine);
}

TEST(PeImage, WellFormedHeadersGiveTheirMachine) {
    uint16_t machine = 0;
    EXPECT_TRUE(check(image(kMachineX86), &machine));
    EXPECT_EQ(machine, kMachineX86);
    EXPECT_TRUE(check(image(kMachineX64), &machine));
    EXPECT_EQ(machine, kMachineX64);
    EXPECT_TRUE(check(image(0xAA64), &machine));  // ARM64: valid, not x86
    EXPECT_EQ(machine, 0xAA64);
    // NT headers right after the DOS header, and the smallest file that holds them.
    EXPECT_TRUE(check(image(kMachineX86, 0x40, 0x40 + 24), &machine));
    EXPECT_EQ(machine, kMachineX86);
}

TEST(PeImage, EveryTruncationIsRejectedWithoutReadingPastTheEnd) {
    const std::vector<unsigned char> whole = image(kMachineX86, 0x80, 0x80 + 24);
    for (size_t n = 0; n < whole.size(); ++n) {
        // A copy of exactly n bytes, so that the sanitizer sees any read past it.
        std::vector<unsigned char> part(whole.begin(), whole.begin() + static_cast<long>(n));
        EXPECT_FALSE(readImageMachine(part.empty() ? nullptr : part.data(), n, nullptr)) << n;
        if (!part.empty()) {
            EXPECT_FALSE(check(part)) << n;
        }
    }
    EXPECT_TRUE(check(whole));
}

TEST(PeImage, OffsetsPastTheEndAndNegativeOffsetsAreRejected) {
    EXPECT_FALSE(check(image(kMachineX86, 0x200)));           // exactly the end
    std::vector<unsigned char> b = image(kMachineX86, 0x200 - 23);
    std::memcpy(&b[0x200 - 23], "PE\0\0", 4);  // the signature fits, the file header does not
    EXPECT_FALSE(check(b));
    EXPECT_FALSE(check(image(kMachineX86, 0x7FFFFFFF)));
    EXPECT_FALSE(check(image(kMachineX86, 0xFFFFFFFF)));      // -1 as the signed field
    EXPECT_FALSE(check(image(kMachineX86, 0xFFFFFFFC)));      // wraps around with a 32-bit sum
    EXPECT_FALSE(check(image(kMachineX86, 0x80000000)));
}

TEST(PeImage, WrongSignaturesAreRejected) {
    std::vector<unsigned char> b = image(kMachineX86);
    b[0] = 'Z';
    b[1] = 'M';
    EXPECT_FALSE(check(b));

    b = image(kMachineX86);
    b[0x80 + 3] = 1;  // "PE\0\1"
    EXPECT_FALSE(check(b));

    b = image(kMachineX86);
    std::memcpy(&b[0x80], "NE\0\0", 4);
    EXPECT_FALSE(check(b));

    // An offset of 0 points at "MZ", not at a PE signature.
    EXPECT_FALSE(check(image(kMachineX86, 0)));
    EXPECT_FALSE(check(std::vector<unsigned char>(0x200, 0)));
    EXPECT_FALSE(readImageMachine(nullptr, 0, nullptr));
}

// --- the version resource ------------------------------------------------------

using testing_support::PeLayout;
using testing_support::peImage;

// The product version of bytes copied into a buffer of exactly their size.
bool productVersion(const std::string& bytes, uint16_t out[4]) {
    std::vector<unsigned char> b(bytes.begin(), bytes.end());
    return readImageProductVersion(b.empty() ? nullptr : b.data(), b.size(), out);
}

TEST(PeVersionResource, ProductVersionOfBothHeaderKinds) {
    const uint16_t jdk21[4] = {21, 0, 2, 0};
    const uint16_t jdk8[4] = {8, 0, 3920, 8};
    uint16_t got[4] = {0, 0, 0, 0};
    ASSERT_TRUE(productVersion(peImage(kMachineX64, jdk21), got));  // PE32+
    EXPECT_EQ(std::vector<uint16_t>(got, got + 4), (std::vector<uint16_t>{21, 0, 2, 0}));
    ASSERT_TRUE(productVersion(peImage(kMachineX86, jdk8), got));  // PE32
    EXPECT_EQ(std::vector<uint16_t>(got, got + 4), (std::vector<uint16_t>{8, 0, 3920, 8}));
    // An image without a version resource, and bytes that are no image.
    EXPECT_FALSE(productVersion(peImage(kMachineX64), got));
    EXPECT_FALSE(productVersion(std::string(0x400, '\0'), got));
}

TEST(PeVersionResource, EveryTruncationIsRejected) {
    const uint16_t version[4] = {17, 0, 10, 7};
    const std::string whole = peImage(kMachineX64, version);
    uint16_t got[4];
    // The version resource ends with the fixed part; any cut before its end loses it.
    const size_t end = PeLayout::kFixedInfo + 52;
    for (size_t n = 0; n < end; ++n) EXPECT_FALSE(productVersion(whole.substr(0, n), got)) << n;
    EXPECT_TRUE(productVersion(whole.substr(0, end), got));
}

TEST(PeVersionResource, DamagedStructuresAreRejected) {
    const uint16_t version[4] = {17, 0, 10, 7};
    uint16_t got[4];
    struct Damage {
        const char* what;
        size_t at;
        uint32_t value;
        bool wide;
    };
    const size_t nt = PeLayout::kNtHeaders, opt = PeLayout::kOptionalHeader, res = PeLayout::kResources;
    const Damage damages[] = {
        {"optional header magic", opt, 0x107, false},
        {"optional header too small", nt + 20, 100, false},
        {"too few data directories", opt + 108, 2, true},
        {"no resource directory", opt + 112 + 16, 0, true},
        {"resource RVA outside every section", opt + 112 + 16, 0x5000, true},
        {"section count past the headers", nt + 6, 0xFFFF, false},
        {"section raw data past the end", opt + 240 + 20, 0x7FFFFFF0, true},
        {"no RT_VERSION type", res + 16, 6, true},
        {"type entry not a directory", res + 20, 0x18, true},
        {"name directory past the end", res + 20, 0x80000000u | 0xFFFFFF, true},
        {"no entries in the type directory", res + 14, 0, false},
        {"language entry is a directory", res + 0x30 + 20, 0x80000000u | 0x48, true},
        {"data RVA outside the section", res + 0x48, 0x9000, true},
        {"data size past the section", res + 0x48 + 4, 0x10000, true},
        {"data too small for the fixed part", res + 0x48 + 4, 60, true},
        {"wLength too small", PeLayout::kVersionInfo, 50, false},
        {"wValueLength too small", PeLayout::kVersionInfo + 2, 40, false},
        {"key misspelt", PeLayout::kVersionInfo + 6, 'W', false},
        {"fixed part signature", PeLayout::kFixedInfo, 0xFEEF04BC, true},
    };
    ASSERT_TRUE(productVersion(peImage(kMachineX64, version), got));
    for (const Damage& d : damages) {
        std::string b = peImage(kMachineX64, version);
        testing_support::pe_detail::put16(b, d.at, d.value & 0xFFFF);
        if (d.wide) testing_support::pe_detail::put32(b, d.at, d.value);
        EXPECT_FALSE(productVersion(b, got)) << d.what;
    }
}

}  // namespace
