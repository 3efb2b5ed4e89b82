#include "platform/emulation/FoldCase.h"

#include <algorithm>

#include "platform/CodePage.h"
#include "platform/emulation/TextTables.h"

namespace platform::emulation {

char16_t FoldCase(char16_t unit) {
  if (unit < 0x80) return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - 0x20) : unit;
  const char16_t* from = tables::kUpperFrom;
  const char16_t* end = from + tables::kUpperCount;
  const char16_t* found = std::lower_bound(from, end, unit);
  return found != end && *found == unit ? tables::kUpperTo[found - from] : unit;
}

std::u16string FoldName(std::u16string_view name) {
  std::u16string out(name);
  for (char16_t& unit : out) unit = FoldCase(unit);
  return out;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  const std::u16string left = Utf8ToUtf16(a);
  const std::u16string right = Utf8ToUtf16(b);
  if (left.size() != right.size()) return false;
  for (std::size_t i = 0; i < left.size(); ++i) {
    if (FoldCase(left[i]) != FoldCase(right[i])) return false;
  }
  return true;
}

}  // namespace platform::emulation
