// The typed reads, the same on both systems over the three operations.
#include "platform/Registry.h"

#include <algorithm>

namespace platform {

bool RegistryKeyExists(RegistryRoot root, const std::string& subKey, KeyAccess access) {
  RegistryKey key = 0;
  if (OpenRegistryKey(root, subKey, &key, access) != kRegistryOk) return false;
  CloseRegistryKey(key);
  return true;
}

std::optional<RegistryData> ReadRegistryData(RegistryRoot root, const std::string& subKey, const std::string& name,
                                             std::uint32_t maxSize, KeyAccess access) {
  RegistryKey key = 0;
  if (OpenRegistryKey(root, subKey, &key, access) != kRegistryOk) return std::nullopt;
  RegistryData data;
  data.bytes.resize(maxSize);
  std::uint32_t size = maxSize;
  const long status =
      QueryRegistryValue(key, name, reinterpret_cast<unsigned char*>(data.bytes.data()), &size, &data.type);
  CloseRegistryKey(key);
  if (status != kRegistryOk) return std::nullopt;
  data.bytes.resize(std::min(size, maxSize));
  return data;
}

std::optional<std::uint32_t> ReadRegistryDword(RegistryRoot root, const std::string& subKey, const std::string& name,
                                               KeyAccess access) {
  const std::optional<RegistryData> data = ReadRegistryData(root, subKey, name, 4, access);
  if (!data || data->type != kRegDword || data->bytes.size() != 4) return std::nullopt;
  std::uint32_t value = 0;  // low byte first
  for (std::size_t i = 4; i-- > 0;) value = (value << 8) | static_cast<unsigned char>(data->bytes[i]);
  return value;
}

}  // namespace platform
