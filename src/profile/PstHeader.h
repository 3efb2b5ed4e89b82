#pragma once

#include <cstddef>
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

struct PstHeader {
  PstFormat format = PstFormat::Ansi;
  StoreKind kind = StoreKind::Pst;
};

struct HeaderReading {
  std::optional<PstHeader> header;  // nothing when the bytes are no header this program knows
  std::string why;                  // then why, for the log: "ファイルが短すぎます"
};

// The header in `start`, a file's first bytes: the magic "!BDN" at 0, "SM" (a
// personal-folder file) or "SO" (an offline file) at 8, and the version at 10,
// low byte first: 14 or 15 for the ANSI format, 23 and above for Unicode.
HeaderReading ReadPstHeader(std::string_view start);

}  // namespace profile
