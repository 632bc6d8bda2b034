#pragma once
// The machine-type check of a VM library, and its version resource, on the
// bytes of the whole file. Every offset read from the file is checked against
// its size first, so a truncated or hostile file is never read past its end.
#include <cstddef>
#include <cstdint>

constexpr uint16_t kMachineX86 = 0x014C;
constexpr uint16_t kMachineX64 = 0x8664;
// The machine of this build: the VM libraries this process can load itself.
#if defined(__x86_64__) || defined(_M_X64)
constexpr uint16_t kMachineOwn = kMachineX64;
#else
constexpr uint16_t kMachineOwn = kMachineX86;
#endif

// True when the bytes are a PE image: the DOS signature MZ, the offset at 0x3C
// naming a place inside the file where the signature "PE\0\0" and the COFF file
// header that follows it lie. `machine` then receives the header's Machine field.
bool readImageMachine(const unsigned char* data, size_t size, uint16_t* machine);

// The product version of the image's version resource (the fixed part of the
// first RT_VERSION resource: dwProductVersionMS and LS as four 16-bit numbers,
// most significant first). False when the bytes are no PE image or hold no
// readable version resource.
bool readImageProductVersion(const unsigned char* data, size_t size, uint16_t version[4]);

// "x86", "x64" or "ARM64"; "an unknown processor" for other machine values.
const wchar_t* machineText(uint16_t machine);
