#include "ui/LabelWrap.h"

#include <algorithm>

#include "platform/CodePage.h"

namespace ui {
namespace {

struct Char {
  std::size_t begin;  // byte range in the text
  std::size_t end;
  char32_t cp;  // U+FFFD for an invalid byte
};

std::vector<Char> Decode(std::string_view s) {
  std::vector<Char> chars;
  chars.reserve(s.size());
  for (std::size_t pos = 0; pos < s.size();) {
    const std::size_t begin = pos;
    const char32_t cp = platform::DecodeUtf8(s, pos);
    chars.push_back({begin, pos, cp == platform::kInvalidUtf8 ? U'\uFFFD' : cp});
  }
  return chars;
}

bool IsSpace(char32_t c) { return c == U' ' || c == U'\t' || c == U'\u3000'; }

// Characters of Japanese (and other East Asian) text, between which a line may
// break without a space.
bool IsWide(char32_t c) {
  return (c >= 0x1100 && c <= 0x11FF) || (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFFEF) ||
         (c >= 0x20000 && c <= 0x3FFFF);
}

// Marks that never start a line: closing brackets, punctuation, small kana and
// the prolonged sound mark.
bool NoBreakBefore(char32_t c) {
  static constexpr std::u32string_view kMarks =
      U"、。，．・：；？！ー」』）］｝〕〉》】〙〗’”ゝゞヽヾ々"
      U"ぁぃぅぇぉっゃゅょゎァィゥェォッャュョヮヵヶ"
      U"｡｣､･ｰｧｨｩｪｫｬｭｮｯ"
      U")]},.:;!?%";
  return kMarks.find(c) != std::u32string_view::npos;
}

// Marks that never end a line: opening brackets.
bool NoBreakAfter(char32_t c) {
  static constexpr std::u32string_view kMarks = U"「『（［｛〔〈《【〘〖‘“｢([{";
  return kMarks.find(c) != std::u32string_view::npos;
}

bool CanBreakBetween(char32_t before, char32_t after) {
  if (IsSpace(before) || IsSpace(after)) return true;
  if (!IsWide(before) && !IsWide(after)) return false;
  return !NoBreakBefore(after) && !NoBreakAfter(before);
}

}  // namespace

DisplayText ResolveAccessKeys(std::string_view caption) {
  DisplayText out;
  out.text.reserve(caption.size());
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) {
      ++i;
      if (caption[i] != '&' && out.underline == kNoUnderline) out.underline = out.text.size();
    }
    out.text += caption[i];
  }
  return out;
}

UnderlineSpan Underline(const LabelLine& line, const MeasureText& measure) {
  if (line.underline == kNoUnderline) return {};
  std::size_t end = line.underline + 1;
  while (end < line.text.size() && (static_cast<unsigned char>(line.text[end]) & 0xC0) == 0x80) ++end;
  const std::string_view text = line.text;
  return {measure(text.substr(0, line.underline)), measure(text.substr(0, end))};
}

std::vector<LabelLine> WrapLabel(std::string_view caption, int width, int height, int lineHeight,
                                 const MeasureText& measure) {
  std::vector<LabelLine> lines;
  if (caption.empty() || height <= 0) return lines;
  const std::size_t maxLines =
      static_cast<std::size_t>((height + std::max(lineHeight, 1) - 1) / std::max(lineHeight, 1));

  const DisplayText display = ResolveAccessKeys(caption);
  const std::string& text = display.text;
  const std::vector<Char> chars = Decode(text);
  const std::size_t n = chars.size();

  auto bytesOf = [&](std::size_t from, std::size_t to) {  // chars [from, to)
    return from >= to ? std::string_view()
                      : std::string_view(text).substr(chars[from].begin, chars[to - 1].end - chars[from].begin);
  };
  auto emit = [&](std::size_t from, std::size_t to) {
    while (to > from && IsSpace(chars[to - 1].cp)) --to;  // spaces hang past a wrapped end
    LabelLine line;
    line.text = std::string(bytesOf(from, to));
    const std::size_t begin = from < n ? chars[from].begin : text.size();
    if (display.underline != kNoUnderline && display.underline >= begin && display.underline < begin + line.text.size())
      line.underline = display.underline - begin;
    lines.push_back(std::move(line));
  };

  std::size_t start = 0;
  while (lines.size() < maxLines) {
    // One paragraph: up to the next line end.
    std::size_t stop = start;
    while (stop < n && chars[stop].cp != U'\n') ++stop;
    std::size_t paragraphEnd = stop;
    if (paragraphEnd > start && chars[paragraphEnd - 1].cp == U'\r') --paragraphEnd;

    std::size_t from = start;
    do {
      std::size_t fitEnd = from;     // chars [from, fitEnd) fit
      std::size_t lastBreak = from;  // the last place where the line may end
      bool all = true;
      for (std::size_t j = from; j < paragraphEnd; ++j) {
        if (IsSpace(chars[j].cp)) continue;  // trailing spaces are not measured
        if (fitEnd > from && measure(bytesOf(from, j + 1)) > width) {
          all = false;
          break;
        }
        fitEnd = j + 1;
        if (j + 1 < paragraphEnd && CanBreakBetween(chars[j].cp, chars[j + 1].cp)) lastBreak = j + 1;
      }
      std::size_t end = all ? paragraphEnd : lastBreak > from ? lastBreak : fitEnd;
      emit(from, end);
      from = end;
      while (from < paragraphEnd && IsSpace(chars[from].cp)) ++from;
    } while (from < paragraphEnd && lines.size() < maxLines);

    if (stop >= n) break;
    start = stop + 1;
  }
  return lines;
}

}  // namespace ui
