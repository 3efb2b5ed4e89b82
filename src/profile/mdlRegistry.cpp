#include "profile/mdlRegistry.h"

#include <algorithm>
#include <optional>

#include "platform/CodePage.h"

namespace mdlRegistry {
namespace {

constexpr std::uint32_t kTextBufferSize = 256;
constexpr std::uint32_t kByteBufferSize = 4096;

// The data of `name`, up to `maxSize` bytes; nothing when the key or the value is
// missing or the value longer.
std::optional<Bytes> QueryData(platform::RegistryRoot root, const std::string& subKey, const std::string& name,
                               std::uint32_t maxSize) {
  const auto data = platform::ReadRegistryData(root, subKey, name, maxSize);
  if (!data) return std::nullopt;
  return Bytes(data->bytes.begin(), data->bytes.end());
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
  switch (readType) {
    case kReadText: {
      const auto data = QueryData(root, subKey, valueName, whole ? kWholeValueLimit : kTextBufferSize);
      return data ? RegValue(AnsiText(*data)) : defaultValue;
    }
    case kReadBytes: {
      const auto data = QueryData(root, subKey, valueName, whole ? kWholeValueLimit : kByteBufferSize);
      return data ? RegValue(WithoutTrailingZeros(*data)) : defaultValue;
    }
    case kReadNumber: {
      // The first four bytes, low byte first, whatever the value's type.
      const auto data = QueryData(root, subKey, valueName, 4);
      if (!data) return defaultValue;
      std::uint32_t number = 0;
      for (std::size_t i = data->size(); i-- > 0;) number = (number << 8) | (*data)[i];
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
  return QueryData(root, subKey, valueName, maxSize).value_or(Bytes{});
}

}  // namespace mdlRegistry
