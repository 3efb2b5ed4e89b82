#include "profile/mdlRegistry.h"

#include <algorithm>
#include <array>

#include "platform/CodePage.h"

namespace mdlRegistry {
namespace {

constexpr std::uint32_t kTextBufferSize = 256;
constexpr std::uint32_t kByteBufferSize = 4096;

// Opens the key for one read and closes it again whatever the read does.
class ScopedKey {
 public:
  ScopedKey(platform::RegistryRoot root, const std::string& subKey)
      : status_(platform::OpenRegistryKey(root, subKey, &key_)) {}
  ~ScopedKey() {
    if (status_ == platform::kRegistryOk) platform::CloseRegistryKey(key_);
  }
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;

  bool IsOpen() const { return status_ == platform::kRegistryOk; }
  long Query(const std::string& name, unsigned char* buffer, std::uint32_t* size) const {
    return platform::QueryRegistryValue(key_, name, buffer, size);
  }

 private:
  platform::RegistryKey key_ = 0;
  long status_;
};

}  // namespace

std::string RegValue::AsText() const {
  if (const auto* text = std::get_if<std::string>(&value_)) return *text;
  if (const auto* bytes = std::get_if<Bytes>(&value_)) {
    return platform::Utf16LeToUtf8(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
  }
  return std::to_string(std::get<std::int32_t>(value_));
}

Bytes RegValue::AsBytes() const {
  if (const auto* bytes = std::get_if<Bytes>(&value_)) return *bytes;
  Bytes out;
  if (const auto* text = std::get_if<std::string>(&value_)) {
    const std::string units = platform::Utf8ToUtf16Le(*text);
    return Bytes(units.begin(), units.end());
  }
  const auto number = static_cast<std::uint32_t>(std::get<std::int32_t>(value_));
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>((number >> (8 * i)) & 0xFF));
  return out;
}

std::int32_t RegValue::AsNumber() const {
  const auto* number = std::get_if<std::int32_t>(&value_);
  return number ? *number : 0;
}

RegValue GetRegValue(platform::RegistryRoot root, const std::string& subKey, const std::string& valueName,
                     std::int32_t readType, const RegValue& defaultValue) {
  const ScopedKey key(root, subKey);
  if (!key.IsOpen()) return defaultValue;

  switch (readType) {
    case kReadText: {
      std::array<unsigned char, kTextBufferSize> buffer{};
      std::uint32_t size = kTextBufferSize;
      if (key.Query(valueName, buffer.data(), &size) != platform::kRegistryOk) return defaultValue;
      // Text that fills all 256 bytes without a NUL is taken whole.
      const auto end = std::find(buffer.begin(), buffer.end(), 0);
      return platform::FromAnsi(std::string_view(reinterpret_cast<const char*>(buffer.data()),
                                                 static_cast<std::size_t>(end - buffer.begin())));
    }
    case kReadBytes: {
      // One byte more than offered: it stays zero, so the step to an even count
      // never reads past the buffer.
      std::array<std::uint8_t, kByteBufferSize + 1> buffer{};
      std::uint32_t size = kByteBufferSize;
      if (key.Query(valueName, buffer.data(), &size) != platform::kRegistryOk) return defaultValue;
      // Trailing zero bytes go, but a UTF-16 unit keeps its zero high byte.
      std::ptrdiff_t last = static_cast<std::ptrdiff_t>(kByteBufferSize);
      while (last >= 0 && buffer[static_cast<std::size_t>(last)] == 0) --last;
      if (last >= 0 && last % 2 == 0) ++last;
      return Bytes(buffer.begin(), buffer.begin() + (last + 1));
    }
    case kReadNumber: {
      std::array<std::uint8_t, 4> buffer{};
      std::uint32_t size = 4;
      if (key.Query(valueName, buffer.data(), &size) != platform::kRegistryOk) return defaultValue;
      std::uint32_t number = 0;
      for (int i = 3; i >= 0; --i) number = (number << 8) | buffer[static_cast<std::size_t>(i)];
      return static_cast<std::int32_t>(number);
    }
    default:
      return defaultValue;
  }
}

Bytes GetRegBytesAsStored(platform::RegistryRoot root, const std::string& subKey, const std::string& valueName) {
  const ScopedKey key(root, subKey);
  if (!key.IsOpen()) return {};
  constexpr std::uint32_t kMaxSize = 1u << 20;
  Bytes buffer(kByteBufferSize);
  // A value that grows between the two queries is asked for again.
  for (int attempt = 0; attempt < 3; ++attempt) {
    std::uint32_t size = static_cast<std::uint32_t>(buffer.size());
    const long status = key.Query(valueName, buffer.data(), &size);
    if (status == platform::kRegistryOk) {
      buffer.resize(std::min<std::size_t>(size, buffer.size()));
      return buffer;
    }
    if (status != platform::kRegistryMoreData || size > kMaxSize) return {};
    buffer.assign(size, 0);
  }
  return {};
}

}  // namespace mdlRegistry
