// Linux has no ANSI code page: the program's files and registry text use code
// page 932, converted with Windows' own tables for it.
#include "platform/CodePage.h"

#include <algorithm>
#include <cstdint>

#include "platform/emulation/TextTables.h"

namespace platform {
namespace {

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The code of `unit` in code page 932 (see TextTables.h), or 0 when it has none.
std::uint16_t Encode(char16_t unit) {
  return emulation::tables::kEncodeBlocks[emulation::tables::kEncodeBlockOf[unit >> 8]][unit & 0xFF];
}

std::uint16_t EncodeBestFit(char16_t unit) {
  if (const std::uint16_t code = Encode(unit)) return code;
  const char16_t* units = emulation::tables::kBestFitUnits;
  const char16_t* end = units + emulation::tables::kBestFitCount;
  const char16_t* found = std::lower_bound(units, end, unit);
  return found != end && *found == unit ? emulation::tables::kBestFitCodes[found - units] : 0;
}

// Each UTF-16 unit becomes its code, or one '?' when it has none, so the two
// halves of a character beyond the basic plane give two.
template <typename EncodeUnit>
std::string EncodeText(std::string_view utf8, EncodeUnit encode) {
  if (IsAscii(utf8)) return std::string(utf8);
  std::string out;
  out.reserve(utf8.size());
  for (const char16_t unit : Utf8ToUtf16(utf8)) {
    const std::uint16_t code = unit == 0 ? 0 : encode(unit);
    if (code == 0) {
      out += unit == 0 ? '\0' : '?';
    } else {
      if (code > 0xFF) out += static_cast<char>(code >> 8);
      out += static_cast<char>(code & 0xFF);
    }
  }
  return out;
}

}  // namespace

std::string ToAnsi(std::string_view utf8) {
  return EncodeText(utf8, [](char16_t unit) { return Encode(unit); });
}

std::string ToAnsiBestFit(std::string_view utf8) { return EncodeText(utf8, EncodeBestFit); }

bool IsAnsiLeadByte(unsigned char byte) { return emulation::tables::kLeadIndex[byte] != 0; }

// A lead byte takes the byte after it as its trail, unless that is a NUL or the
// end of the text; a lead byte on its own, like an invalid pair, is U+30FB.
std::string FromAnsi(std::string_view ansi) {
  if (IsAscii(ansi)) return std::string(ansi);
  std::u16string utf16;
  utf16.reserve(ansi.size());
  for (std::size_t i = 0; i < ansi.size(); ++i) {
    const auto byte = static_cast<unsigned char>(ansi[i]);
    char16_t unit = emulation::tables::kSingleByte[byte];
    const unsigned row = emulation::tables::kLeadIndex[byte];
    if (row != 0 && i + 1 < ansi.size() && ansi[i + 1] != '\0') {
      const auto trail = static_cast<unsigned char>(ansi[++i]);
      unit = trail >= emulation::tables::kTrailFirst && trail <= emulation::tables::kTrailLast
                 ? emulation::tables::kDoubleByte[(row - 1) * emulation::tables::kTrails +
                                                  (trail - emulation::tables::kTrailFirst)]
                 : u'\u30FB';
    }
    utf16 += unit;
  }
  return Utf16ToUtf8(utf16);
}

}  // namespace platform
