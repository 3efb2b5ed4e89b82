#include "platform/posix/FoldCase.h"

#include "platform/CodePage.h"

namespace platform::posix {

char16_t FoldCase(char16_t unit) {
  if (unit < 0x80) return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit + 0x20) : unit;
  if (unit >= 0xC0 && unit <= 0xDE && unit != 0xD7) return static_cast<char16_t>(unit + 0x20);
  if (unit >= 0x100 && unit <= 0x17F) {
    // Latin Extended-A pairs capital and small letters at even and odd code points,
    // except in the run 0x139..0x148 and 0x179..0x17E, which start on odd ones.
    if (unit == 0x130) return u'i';
    if (unit == 0x178) return 0xFF;
    const bool oddPairs = (unit >= 0x139 && unit <= 0x148) || (unit >= 0x179 && unit <= 0x17E);
    if (unit == 0x138 || unit == 0x149 || unit == 0x17F) return unit;
    if (oddPairs ? (unit % 2 == 1) : (unit % 2 == 0)) return static_cast<char16_t>(unit + 1);
    return unit;
  }
  if (unit >= 0x391 && unit <= 0x3AB && unit != 0x3A2) return static_cast<char16_t>(unit + 0x20);
  if (unit >= 0x410 && unit <= 0x42F) return static_cast<char16_t>(unit + 0x20);
  if (unit >= 0x400 && unit <= 0x40F) return static_cast<char16_t>(unit + 0x50);
  if (unit >= 0xFF21 && unit <= 0xFF3A) return static_cast<char16_t>(unit + 0x20);
  return unit;
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

}  // namespace platform::posix
