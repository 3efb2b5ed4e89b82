#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Conversions between UTF-8 (the program's text) and the system ANSI code page
// (Windows: the real ANSI code page; Linux: code page 932, converted exactly as
// Windows converts it). Neither fails: ToAnsi writes one '?' for each UTF-16
// unit the code page cannot hold (so two for a character outside the basic
// plane) and for each invalid UTF-8 byte; FromAnsi reads an invalid byte or
// pair as the code page's default character ("・" for code page 932).
std::string ToAnsi(std::string_view utf8);
std::string FromAnsi(std::string_view ansi);

// ToAnsi with Windows' best fit: a character the code page cannot hold but has a
// look-alike for becomes that look-alike ("ß" gives "s", "é" gives "e"), as text
// the registry stores as Unicode reaches a program reading it through the ANSI
// code page; any other becomes one '?'.
std::string ToAnsiBestFit(std::string_view utf8);

// UTF-16LE bytes (two per code unit, low byte first; an odd last byte is ignored)
// to UTF-8. An unpaired surrogate becomes U+FFFD.
std::string Utf16LeToUtf8(std::string_view bytes);

// UTF-8 to UTF-16 code units; invalid bytes become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);

// UTF-8 to UTF-16LE bytes (two per code unit, low byte first), as the registry and
// Unicode files hold text; invalid bytes become U+FFFD.
std::string Utf8ToUtf16Le(std::string_view utf8);

// Whether `byte` starts a double-byte character in the ANSI code page.
bool IsAnsiLeadByte(unsigned char byte);

// Number of characters (code points) in UTF-8 text; each invalid byte counts as one.
std::size_t CountCharacters(std::string_view utf8);

// The code point of the UTF-8 sequence at `pos` in `utf8`, moving `pos` past it.
// An invalid sequence (a stray byte, one cut short, an overlong form such as
// C0 80, a surrogate, or past U+10FFFF) gives kInvalidUtf8 and moves `pos` by
// exactly one byte.
inline constexpr char32_t kInvalidUtf8 = 0xFFFFFFFF;
char32_t DecodeUtf8(std::string_view utf8, std::size_t& pos);

// Whether `point` acts on the text around it instead of showing itself: the C0
// and C1 controls (CR, LF and U+0085 among them) and DEL, the line and paragraph
// separators, and the marks, embeddings, overrides and isolates of bidirectional
// text. A line of a log must show these, never hold them.
constexpr bool ControlsText(char32_t point) {
  return point < 0x20 || (point >= 0x7F && point <= 0x9F) || point == 0x061C || point == 0x200E || point == 0x200F ||
         (point >= 0x2028 && point <= 0x202E) || (point >= 0x2066 && point <= 0x2069);
}

// UTF-16 code units to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view units);

// UTF-16 code units as UTF-16LE bytes (two per unit, low byte first), and back
// (an odd last byte is ignored).
std::string ToUtf16Le(std::u16string_view units);
std::u16string FromUtf16Le(std::string_view bytes);

}  // namespace platform
