#pragma once
// Linux only: how Windows compares names without regard to case, for registry
// keys and values as for file names in a prefix.

#include <string>
#include <string_view>

namespace platform::emulation {

// Maps one UTF-16 unit to Windows' upper case of it (the table its file
// systems and registry compare names by); a unit without one is itself.
char16_t FoldCase(char16_t unit);

// `name` with each unit folded.
std::u16string FoldName(std::u16string_view name);

// Whether two UTF-8 names are equal when each UTF-16 unit is folded.
bool EqualIgnoringCase(std::string_view a, std::string_view b);

}  // namespace platform::emulation
