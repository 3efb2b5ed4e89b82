#include "profile/PstHeader.h"

#include <cstdint>
#include <limits>

namespace profile {
namespace {

std::uint64_t LittleEndian(std::string_view bytes) {
  std::uint64_t value = 0;
  for (std::size_t i = bytes.size(); i-- > 0;) value = value << 8 | static_cast<unsigned char>(bytes[i]);
  return value;
}

// End of file less free space, where `start` holds a valid free-space map; a
// root that says more is free than the file holds is no root to trust.
std::optional<std::int64_t> DataBytes(std::string_view start, PstFormat format) {
  const bool ansi = format == PstFormat::Ansi;
  const std::size_t eof = ansi ? 168 : 184, free = ansi ? 176 : 200, valid = ansi ? 200 : 248;
  const std::size_t width = ansi ? 4 : 8;
  if (start.size() <= valid) return std::nullopt;
  if (start[valid] != 1 && start[valid] != 2) return std::nullopt;
  const std::uint64_t end = LittleEndian(start.substr(eof, width));
  const std::uint64_t unused = LittleEndian(start.substr(free, width));
  if (unused > end || end > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return std::nullopt;
  return static_cast<std::int64_t>(end - unused);
}

}  // namespace

HeaderReading ReadPstHeader(std::string_view start) {
  if (start.size() < kPstHeaderSize) return {std::nullopt, HeaderProblem::TooShort};
  const std::string_view client = start.substr(8, 2);
  if (!start.starts_with("!BDN") || (client != "SM" && client != "SO"))
    return {std::nullopt, HeaderProblem::NotPersonalFolderFile};
  const auto version =
      static_cast<std::uint16_t>(static_cast<unsigned char>(start[10]) | static_cast<unsigned char>(start[11]) << 8);
  const StoreKind kind = client == "SM" ? StoreKind::Pst : StoreKind::Ost;
  if (version == 14 || version == 15) return {PstHeader{PstFormat::Ansi, kind, DataBytes(start, PstFormat::Ansi)}, {}};
  if (version >= 23) return {PstHeader{PstFormat::Unicode, kind, DataBytes(start, PstFormat::Unicode)}, {}};
  return {std::nullopt, HeaderProblem::UnknownVersion, version};
}

}  // namespace profile
