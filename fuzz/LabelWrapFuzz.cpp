// Any caption in any label: the lines stay inside the label's height, every
// underline points into its line, and an unclipped caption loses no character.
#include <cstdlib>

#include "FuzzInput.h"
#include "platform/CodePage.h"
#include "ui/LabelWrap.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const int width = data[0];
  const int lineHeight = 1 + data[1] % 32;
  const int height = data[2] * 2;
  const std::string_view caption(reinterpret_cast<const char*>(data) + 3, size - 3);
  // Japanese characters twice as wide as others.
  const ui::MeasureText measure = [](std::string_view text) {
    int width = 0;
    for (const char16_t unit : platform::Utf8ToUtf16(text)) width += unit >= 0x3000 ? 12 : 6;
    return width;
  };
  const std::vector<ui::LabelLine> lines = ui::WrapLabel(caption, width, height, lineHeight, measure);
  if (height > 0 && lines.size() > static_cast<std::size_t>(height / lineHeight + 1)) std::abort();
  // Characters other than blanks and line ends, counted in UTF-16 units so that an
  // invalid byte and its replacement count alike.
  auto visible = [](std::string_view text) {
    std::size_t count = 0;
    for (const char16_t unit : platform::Utf8ToUtf16(text)) count += unit != u' ' && unit != u'\n' && unit != u'\r';
    return count;
  };
  std::size_t shown = 0;
  for (const ui::LabelLine& line : lines) {
    if (line.underline != ui::kNoUnderline && line.underline >= line.text.size()) std::abort();
    shown += visible(line.text);
  }
  if (shown > visible(ui::ResolveAccessKeys(caption).text)) std::abort();
  return 0;
}
