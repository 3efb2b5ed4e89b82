#include "profile/mdlRegistry.h"

#include <algorithm>
#include <array>
#include <new>
#include <optional>

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

// The data of `name` as long as the query reports it, read into a buffer of
// `firstSize` bytes that grows to the size the value needs, up to `maxSize`;
// nothing when the value is missing or longer than `maxSize`.
std::optional<Bytes> QueryData(const ScopedKey& key, const std::string& name, std::uint32_t firstSize,
                               std::uint32_t maxSize) {
  Bytes buffer(firstSize);
  // A value that grows between two queries is asked for again.
  for (int attempt = 0; attempt < 3; ++attempt) {
    std::uint32_t size = static_cast<std::uint32_t>(buffer.size());
    const long status = key.Query(name, buffer.data(), &size);
    if (status == platform::kRegistryOk) {
      buffer.resize(std::min<std::size_t>(size, buffer.size()));
      return buffer;
    }
    if (status != platform::kRegistryMoreData || size > maxSize || size <= buffer.size()) return std::nullopt;
    try {
      buffer.assign(size, 0);
    } catch (const std::bad_alloc&) {
      return std::nullopt;
    }
  }
  return std::nullopt;
}

// Text in the ANSI code page up to its first NUL (all of it when it has none).
std::string AnsiText(const Bytes& data) {
  const auto end = std::find(data.begin(), data.end(), 0);
  return platform::FromAnsi(
      std::string_view(reinterpret_cast<const char*>(data.data()), static_cast<std::size_t>(end - data.begin())));
}

// The bytes up to the last one that is not zero, lengthened by a zero byte when
// that makes the count even: a UTF-16 unit keeps its zero high byte.
Bytes WithoutTrailingZeros(Bytes data) {
  std::size_t length = data.size();
  while (length > 0 && data[length - 1] == 0) --length;
  if (length % 2 == 1) ++length;
  data.resize(length, 0);
  return data;
}

}  // namespace

RegValue GetRegValue(platform::RegistryRoot root, const std::string& subKey, const std::string& valueName,
                     std::int32_t readType, const RegValue& defaultValue, Extent extent) {
  const bool whole = extent == Extent::Whole;
  const ScopedKey key(root, subKey);
  if (!key.IsOpen()) return defaultValue;
  switch (readType) {
    case kReadText: {
      const auto data = QueryData(key, valueName, kTextBufferSize, whole ? kWholeValueLimit : kTextBufferSize);
      return data ? RegValue(AnsiText(*data)) : defaultValue;
    }
    case kReadBytes: {
      const auto data = QueryData(key, valueName, kByteBufferSize, whole ? kWholeValueLimit : kByteBufferSize);
      return data ? RegValue(WithoutTrailingZeros(*data)) : defaultValue;
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

Bytes GetRegBytesAsStored(platform::RegistryRoot root, const std::string& subKey, const std::string& valueName,
                          std::uint32_t maxSize) {
  const ScopedKey key(root, subKey);
  if (!key.IsOpen()) return {};
  return QueryData(key, valueName, kByteBufferSize, maxSize).value_or(Bytes{});
}

}  // namespace mdlRegistry
