// The typed reads, the same on both systems over the three operations.
#include "platform/Registry.h"

#include <algorithm>
#include <new>

namespace platform {

bool RegistryKeyExists(RegistryRoot root, const std::string& subKey) {
  RegistryKey key = 0;
  if (OpenRegistryKey(root, subKey, &key) != kRegistryOk) return false;
  CloseRegistryKey(key);
  return true;
}

std::optional<RegistryData> ReadRegistryData(RegistryRoot root, const std::string& subKey, const std::string& name,
                                             std::uint32_t maxSize) {
  RegistryKey key = 0;
  if (OpenRegistryKey(root, subKey, &key) != kRegistryOk) return std::nullopt;
  // A buffer that grows to the size the value needs, up to `maxSize`; a value
  // that grows between two queries is asked for again.
  constexpr std::uint32_t kFirstSize = 4096;
  std::optional<RegistryData> read;
  try {
    RegistryData data;
    data.bytes.resize(std::min(maxSize, kFirstSize));
    for (int attempt = 0; attempt < 3; ++attempt) {
      auto size = static_cast<std::uint32_t>(data.bytes.size());
      const long status =
          QueryRegistryValue(key, name, reinterpret_cast<unsigned char*>(data.bytes.data()), &size, &data.type);
      if (status == kRegistryOk) {
        data.bytes.resize(std::min<std::size_t>(size, data.bytes.size()));
        read = std::move(data);
        break;
      }
      if (status != kRegistryMoreData || size > maxSize || size <= data.bytes.size()) break;
      data.bytes.assign(size, '\0');
    }
  } catch (const std::bad_alloc&) {  // nothing, as for a value too long to read
  }
  CloseRegistryKey(key);
  return read;
}

std::optional<std::uint32_t> ReadRegistryDword(RegistryRoot root, const std::string& subKey, const std::string& name) {
  const std::optional<RegistryData> data = ReadRegistryData(root, subKey, name, 4);
  if (!data || data->type != kRegDword || data->bytes.size() != 4) return std::nullopt;
  std::uint32_t value = 0;  // low byte first
  for (std::size_t i = 4; i-- > 0;) value = (value << 8) | static_cast<unsigned char>(data->bytes[i]);
  return value;
}

}  // namespace platform
