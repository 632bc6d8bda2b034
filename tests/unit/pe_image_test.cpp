// The machine-type check on byte buffers: well-formed headers and damaged ones.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "runtime/pe_image.h"

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

}  // namespace
