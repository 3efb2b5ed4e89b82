#include "profile/PstHeader.h"

#include <cstdint>

#include "log/Texts.h"

namespace profile {

HeaderReading ReadPstHeader(std::string_view start) {
  if (start.size() < kPstHeaderSize) return {std::nullopt, texts::Str(texts::Id::TooShort)};
  const std::string_view client = start.substr(8, 2);
  if (!start.starts_with("!BDN") || (client != "SM" && client != "SO"))
    return {std::nullopt, texts::Str(texts::Id::NotPersonalFolderFile)};
  const auto version =
      static_cast<std::uint16_t>(static_cast<unsigned char>(start[10]) | static_cast<unsigned char>(start[11]) << 8);
  const StoreKind kind = client == "SM" ? StoreKind::Pst : StoreKind::Ost;
  if (version == 14 || version == 15) return {PstHeader{PstFormat::Ansi, kind}, {}};
  if (version >= 23) return {PstHeader{PstFormat::Unicode, kind}, {}};
  return {std::nullopt, texts::Fill(texts::Id::UnknownVersion, {std::to_string(version)})};
}

}  // namespace profile
