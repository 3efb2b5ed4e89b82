#pragma once
// Linux only: how Wine compares names without regard to case, for registry keys
// and values as for file names in a prefix.

#include <string_view>

namespace platform::posix {

// Maps one UTF-16 unit to lower case: ASCII, Latin-1, Latin Extended-A, Greek,
// Cyrillic and the full-width Latin letters; every other unit is itself.
char16_t FoldCase(char16_t unit);

// Whether two UTF-8 names are equal when each UTF-16 unit is folded.
bool EqualIgnoringCase(std::string_view a, std::string_view b);

}  // namespace platform::posix
