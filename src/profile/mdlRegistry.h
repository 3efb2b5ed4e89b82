#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "platform/Registry.h"

// Reading one registry value in the shape the caller asks for.
namespace mdlRegistry {

using Bytes = std::vector<std::uint8_t>;

// A registry read's result: text, a byte sequence or a number (the caller's
// default is one of these too).
class RegValue {
 public:
  // Implicit, so that a default reads like the value it stands for: GetRegValue(..., "").
  RegValue() = default;
  RegValue(std::string text) : value_(std::move(text)) {}
  RegValue(const char* text) : value_(std::string(text)) {}
  RegValue(Bytes bytes) : value_(std::move(bytes)) {}
  RegValue(std::int32_t number) : value_(number) {}

  bool IsText() const { return std::holds_alternative<std::string>(value_); }
  bool IsBytes() const { return std::holds_alternative<Bytes>(value_); }
  bool IsNumber() const { return std::holds_alternative<std::int32_t>(value_); }

  // As text: text as it is; bytes read as UTF-16LE code units (an odd last byte
  // ignored); a number in decimal.
  std::string AsText() const;
  // As bytes: bytes as they are; text as its UTF-16LE code units (the empty text
  // gives none); a number as its four bytes, low byte first.
  Bytes AsBytes() const;
  // The number; 0 for text and bytes.
  std::int32_t AsNumber() const;

  friend bool operator==(const RegValue&, const RegValue&) = default;

 private:
  std::variant<std::string, Bytes, std::int32_t> value_;
};

// ReadType values.
inline constexpr std::int32_t kReadText = 1;
inline constexpr std::int32_t kReadBytes = 3;
inline constexpr std::int32_t kReadNumber = 4;

// How much of a value a read takes: at most the shape's buffer, as the mail
// client's own readers read, or the whole value (its size asked for, then read
// again), up to kWholeValueLimit.
enum class Extent { Buffer, Whole };
inline constexpr std::uint32_t kWholeValueLimit = 1u << 20;

// Reads value `valueName` of `subKey` under `root` in the shape `readType` asks
// for, whatever type the value is stored as:
//   1 text: in the ANSI code page, cut at the first NUL; at most 256 bytes unless
//     read whole;
//   3 bytes: cut after the last non-zero byte and then lengthened by one byte
//     when that makes the count even (no bytes when all are zero); at most 4096
//     bytes unless read whole;
//   4 number: at most 4 bytes, as a little-endian signed 32-bit number.
// Returns `defaultValue` when the key cannot be opened, the value is missing or
// larger than the extent allows, or `readType` is none of these. Leaves no key open.
RegValue GetRegValue(platform::RegistryRoot root, const std::string& subKey, const std::string& valueName,
                     std::int32_t readType, const RegValue& defaultValue, Extent extent = Extent::Buffer);

// The bytes of `valueName` exactly as long as they are stored, up to `maxSize`
// bytes; no bytes when the key or value is missing or longer (or longer than the
// memory at hand). For values of a fixed size, and for lists of fixed-size
// records, whose last record may end in zero bytes and which may outgrow the 4096
// bytes of the byte shape (a profile of more than 256 stores).
inline constexpr std::uint32_t kNoLimit = 0xFFFFFFFFu;
Bytes GetRegBytesAsStored(platform::RegistryRoot root, const std::string& subKey, const std::string& valueName,
                          std::uint32_t maxSize = kWholeValueLimit);

}  // namespace mdlRegistry
