#pragma once
// The INI rules of the profile-string service, applied to the text of a file in
// code page 932, or of a Unicode file as UTF-8. Nothing here touches a file.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace platform::ini {

// How the text handed to these functions is encoded. In UTF-8 no byte starts a
// double-byte character: every byte of a multi-byte character is above 0x7F, so
// none of them can be taken for a bracket, a blank or a letter.
enum class Encoding { Cp932, Utf8 };

// The value of `key` in the first section named `section` of `text`: blanks round
// it removed, then one pair of matching quotes. Missing when the section or key is
// missing; a line without '=' has no key. Keys above the first header belong to no
// section.
std::optional<std::string_view> FindValue(std::string_view text, std::string_view section, std::string_view key,
                                          Encoding encoding = Encoding::Cp932);

// Lookups for many keys of one large file: Find answers exactly as FindValue does,
// reading the text once for each section asked for. The index refers into `text`,
// which must outlive it.
class IniIndex {
 public:
  explicit IniIndex(std::string_view text, Encoding encoding = Encoding::Cp932) : text_(text), encoding_(encoding) {}
  std::optional<std::string_view> Find(std::string_view section, std::string_view key);

 private:
  using Values = std::unordered_map<std::string, std::string_view>;  // case-folded key -> value
  std::string_view text_;
  Encoding encoding_;
  // Each section asked for so far, case-folded, with the values of its first
  // section in the text: a whole file's keys would cost far more than the few
  // sections a run reads.
  std::unordered_map<std::string, Values> sections_;
};

// `text` with `key` in `section` set to `value`, leading blanks of `value` dropped.
// An existing key keeps its line and only the value between its blanks is
// replaced; a new key line goes after the last non-blank line of the section, a
// new section at the end of the text. New lines end like the text's first line
// (CR LF when it has none). Returns `text` unchanged when the value is already set.
std::string SetValue(std::string_view text, std::string_view section, std::string_view key, std::string_view value,
                     Encoding encoding = Encoding::Cp932);

// A default as the service returns it: trailing spaces removed, then one pair of
// matching quotes.
std::string_view CleanDefault(std::string_view defaultValue);

// Copies `value` into `buffer` of `size` bytes with a terminating NUL, cut to
// size-1 bytes at most and never inside a double-byte character. Returns the
// bytes copied, NUL excluded.
std::size_t CopyCut(std::string_view value, char* buffer, std::size_t size);

// A file that starts with the UTF-16LE byte order mark is a Unicode file, as the
// Windows service treats it: it is searched and edited as Unicode text (UTF-8 for
// the functions above) and stays UTF-16, while names and values cross the
// service in the ANSI code page.
bool IsUtf16File(std::string_view bytes);
// The text of a Unicode file `bytes`, as UTF-8.
std::string Utf16FileText(std::string_view bytes);
// The Unicode file `bytes`, whose text reads as `text`, once that text has become
// `updated`. Only the characters that changed are encoded again: every other unit
// stays as the file had it, even one the UTF-8 reading cannot hold (an unpaired
// surrogate, an odd last byte).
std::string EditedUtf16File(std::string_view bytes, std::string_view text, std::string_view updated);

}  // namespace platform::ini
