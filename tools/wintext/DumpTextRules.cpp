// Writes the answers of this system's text conversions and case-insensitive
// name comparison, one line per code unit or byte sequence. Built for Windows
// and run under Wine it gives Windows' own answers; built for Linux, the Linux
// build's. tools/wintext/compare.py compares the two.
//   D1 XX U...    the single byte XX decoded from code page 932 (UTF-16 units)
//   D2 XXYY U...  the two bytes XX YY decoded
//   E UUUU BB..   the unit encoded, one '?' for a unit the code page does not hold
//   B UUUU BB..   the same with Windows' best fit
//   U UUUU VVVV   the upper case of the unit
//   C UUUU VVVV.. a set of two or more units equal without regard to case
// Windows: MultiByteToWideChar and WideCharToMultiByte (code page 932,
// WC_NO_BEST_FIT_CHARS and "?" for E, no flags for B), LCMapStringW with
// LCMAP_UPPERCASE, and CompareStringOrdinal ignoring case, which compares as the
// file systems and the registry do. Linux: FromAnsi, ToAnsi, ToAnsiBestFit and
// FoldCase; its text is UTF-8, in which a lone surrogate is U+FFFD.
// Usage: DumpTextRules OUTPUT_FILE
#ifdef _WIN32
#include <windows.h>
#else
#include "platform/CodePage.h"
#include "platform/emulation/FoldCase.h"
#endif

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <string>
#include <vector>

namespace {

#ifdef _WIN32
std::u16string Decode(const std::string& bytes) {
  wchar_t units[8];
  const int count = MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), units, 8);
  return std::u16string(units, units + std::max(count, 0));
}

std::string Encode(char16_t unit, bool bestFit) {
  const wchar_t in = static_cast<wchar_t>(unit);
  char bytes[8];
  const int count = bestFit ? WideCharToMultiByte(932, 0, &in, 1, bytes, 8, nullptr, nullptr)
                            : WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, &in, 1, bytes, 8, "?", nullptr);
  return std::string(bytes, static_cast<std::size_t>(std::max(count, 0)));
}

char16_t Upper(char16_t unit) {
  const wchar_t in = static_cast<wchar_t>(unit);
  wchar_t upper = 0;
  return LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, &in, 1, &upper, 1) == 1 ? static_cast<char16_t>(upper) : unit;
}

// Below, equal or above zero, as the two units compare without regard to case.
int CompareIgnoringCase(char16_t a, char16_t b) {
  const wchar_t left = static_cast<wchar_t>(a);
  const wchar_t right = static_cast<wchar_t>(b);
  return CompareStringOrdinal(&left, 1, &right, 1, TRUE) - CSTR_EQUAL;
}
#else
std::u16string Decode(const std::string& bytes) { return platform::Utf8ToUtf16(platform::FromAnsi(bytes)); }

std::string Encode(char16_t unit, bool bestFit) {
  const std::string utf8 = platform::Utf16ToUtf8(std::u16string_view(&unit, 1));
  return bestFit ? platform::ToAnsiBestFit(utf8) : platform::ToAnsi(utf8);
}

char16_t Upper(char16_t unit) { return platform::emulation::FoldCase(unit); }

int CompareIgnoringCase(char16_t a, char16_t b) { return Upper(a) - Upper(b); }
#endif

void PutUnits(std::FILE* out, const std::u16string& units) {
  for (const char16_t unit : units) std::fprintf(out, " %04X", static_cast<unsigned>(unit));
  std::fputc('\n', out);
}

void PutBytes(std::FILE* out, const std::string& bytes) {
  std::fputc(' ', out);
  for (const char byte : bytes) std::fprintf(out, "%02X", static_cast<unsigned>(static_cast<unsigned char>(byte)));
  std::fputc('\n', out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::FILE* out = std::fopen(argv[1], "wb");
  if (out == nullptr) return 1;
  for (unsigned byte = 0; byte < 0x100; ++byte) {
    std::fprintf(out, "D1 %02X", byte);
    PutUnits(out, Decode(std::string(1, static_cast<char>(byte))));
  }
  for (unsigned pair = 0; pair < 0x10000; ++pair) {
    std::fprintf(out, "D2 %04X", pair);
    PutUnits(out, Decode({static_cast<char>(pair >> 8), static_cast<char>(pair & 0xFF)}));
  }
  for (unsigned u = 0; u < 0x10000; ++u) {
    const auto unit = static_cast<char16_t>(u);
    std::fprintf(out, "E %04X", u);
    PutBytes(out, Encode(unit, false));
    std::fprintf(out, "B %04X", u);
    PutBytes(out, Encode(unit, true));
    std::fprintf(out, "U %04X %04X\n", u, static_cast<unsigned>(Upper(unit)));
  }
  // Sorted by the case-insensitive comparison, units it holds equal stand together.
  std::u16string order(0x10000, u'\0');
  std::iota(order.begin(), order.end(), char16_t{0});
  std::stable_sort(order.begin(), order.end(), [](char16_t a, char16_t b) { return CompareIgnoringCase(a, b) < 0; });
  for (std::size_t i = 0; i < order.size();) {
    std::size_t j = i + 1;
    while (j < order.size() && CompareIgnoringCase(order[i], order[j]) == 0) ++j;
    if (j - i > 1) {
      std::fputc('C', out);
      PutUnits(out, order.substr(i, j - i));
    }
    i = j;
  }
  return std::fclose(out) == 0 ? 0 : 1;
}
