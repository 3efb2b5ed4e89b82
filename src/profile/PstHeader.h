#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "profile/Profile.h"

// What a personal-folder file says it is in its first bytes: the same bytes
// administrators' inventory scripts read. The profile records what was chosen
// when the store was added; a file copied or restored over the same path from
// another machine keeps that record, and the header tells the truth.
namespace profile {

// How many of a file's first bytes its header needs.
inline constexpr std::size_t kPstHeaderSize = 12;
// How many hold the header's root too: where the file's data ends and how much
// of it is free space.
inline constexpr std::size_t kPstRootEnd = 256;

struct PstHeader {
  PstFormat format = PstFormat::Ansi;
  StoreKind kind = StoreKind::Pst;
  // The bytes of data the file holds (its end less its free space), when the
  // header's root says so and its free-space map is valid.
  std::optional<std::int64_t> dataBytes;
};

// Why bytes are no header this program knows.
enum class HeaderProblem { None, TooShort, NotPersonalFolderFile, UnknownVersion };

struct HeaderReading {
  std::optional<PstHeader> header;              // nothing when the bytes are no header this program knows
  HeaderProblem problem = HeaderProblem::None;  // then why
  std::uint16_t version = 0;                    // the version found, for UnknownVersion
};

// The header in `start`, a file's first bytes: the magic "!BDN" at 0, "SM" (a
// personal-folder file) or "SO" (an offline file) at 8, and the version at 10,
// low byte first: 14 or 15 for the ANSI format, 23 and above for Unicode. The
// data size comes from the root, little-endian: ANSI end of file at 168 and free
// space at 176 (4 bytes each), the map's validity at 200; Unicode the same at 184,
// 200 (8 bytes each) and 248. The map is valid when that byte is 1 or 2.
HeaderReading ReadPstHeader(std::string_view start);

}  // namespace profile
