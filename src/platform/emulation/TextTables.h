#pragma once
// Linux only: Windows' tables for code page 932 and for the case of names,
// generated at build time by tools/wintext/make_tables.py.

#include <cstddef>
#include <cstdint>

namespace platform::emulation::tables {

// Decoding: each single byte, and the pairs of a lead byte (kLeadIndex gives its
// row, counted from 1; 0 for a byte that leads nothing) with a trail byte in
// kTrailFirst..kTrailLast. Any other pair is U+30FB.
constexpr unsigned kTrailFirst = 0x40;
constexpr unsigned kTrailLast = 0xFC;
constexpr std::size_t kTrails = kTrailLast - kTrailFirst + 1;
extern const char16_t kSingleByte[256];
extern const unsigned char kLeadIndex[256];
extern const char16_t kDoubleByte[60 * kTrails];

// Encoding: kEncodeBlocks[kEncodeBlockOf[unit >> 8]][unit & 0xFF] is 0 when
// code page 932 does not hold the unit, else its byte (below 0x100) or its
// lead byte << 8 | trail byte.
extern const unsigned char kEncodeBlockOf[256];
extern const std::uint16_t kEncodeBlocks[][256];

// Best fit: units, in ascending order, that the code page does not hold but
// Windows writes as the look-alike code in kBestFitCodes.
extern const std::size_t kBestFitCount;
extern const char16_t kBestFitUnits[];
extern const std::uint16_t kBestFitCodes[];

// Upper case: units, in ascending order, with Windows' upper case of each.
extern const std::size_t kUpperCount;
extern const char16_t kUpperFrom[];
extern const char16_t kUpperTo[];

}  // namespace platform::emulation::tables
