#pragma once

#include <string>
#include <string_view>

namespace platform {

// Conversions between UTF-8 (the program's text) and the system ANSI code page
// (Windows: the real ANSI code page; Linux: code page 932). Neither fails: a
// character the code page cannot hold becomes one '?', and so does each byte of
// an invalid input sequence.
std::string ToAnsi(std::string_view utf8);
std::string FromAnsi(std::string_view ansi);

// UTF-16LE bytes (two per code unit, low byte first; an odd last byte is ignored)
// to UTF-8. An unpaired surrogate becomes U+FFFD.
std::string Utf16LeToUtf8(std::string_view bytes);

// UTF-8 to UTF-16 code units; invalid bytes become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);

// UTF-8 to UTF-16LE bytes (two per code unit, low byte first), as the registry and
// Unicode files hold text; invalid bytes become U+FFFD.
std::string Utf8ToUtf16Le(std::string_view utf8);

// Number of characters (code points) in UTF-8 text; each invalid byte counts as one.
std::size_t CountCharacters(std::string_view utf8);

}  // namespace platform
