#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Label text as a fixed-size label of the platform shows it: access-key ampersands
// resolved, broken into lines at the label's width and cut at its height.
namespace ui {

inline constexpr std::size_t kNoUnderline = std::string::npos;

// A caption with its access-key markers resolved: "&x" shows x underlined, "&&"
// shows one "&". Only the first marked character is underlined; a lone "&" at the
// end is shown as it is.
struct DisplayText {
  std::string text;                      // UTF-8, without markers
  std::size_t underline = kNoUnderline;  // byte offset in `text` of the underlined character
};
DisplayText ResolveAccessKeys(std::string_view caption);

struct LabelLine {
  std::string text;                      // UTF-8, no line end, no spaces at a wrapped end
  std::size_t underline = kNoUnderline;  // byte offset in `text`
};

// The width in pixels of UTF-8 text in the label's font.
using MeasureText = std::function<int(std::string_view)>;

// Where the underline of `line` runs, in pixels from the line's start: under its
// whole underlined character. {0, 0} for a line with none.
struct UnderlineSpan {
  int from = 0;
  int to = 0;
};
UnderlineSpan Underline(const LabelLine& line, const MeasureText& measure);

// The lines of `caption` in a label `width` x `height` pixels whose lines are
// `lineHeight` apart. Lines break at line ends, after spaces, and between any two
// characters where one is Japanese (a closing mark such as "。" is kept with the
// character before it, an opening one with the character after it). A word wider
// than the label is broken where it no longer fits; every line holds at least one
// character. Lines that start below the label's height are dropped; the last kept
// line may be only partly inside, and the caller clips it. Empty for an empty
// caption or a label without height.
std::vector<LabelLine> WrapLabel(std::string_view caption, int width, int height, int lineHeight,
                                 const MeasureText& measure);

}  // namespace ui
