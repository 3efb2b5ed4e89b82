// The dialog's faces and its labels' drawing: the face for each control (a
// covering face where the dialog's own cannot draw a caption whole, each run of
// characters then drawn in the face that has them), and labels wrapped between
// words and Japanese characters as the other platform wraps them.
#include "ui/fltk/DialogFaces.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "platform/CodePage.h"
#include "ui/LabelWrap.h"

namespace ui {
namespace {

// For Japanese texts IPAPGothic stands in for the Japanese proportional face; it
// is also the dialog's default face, as the nearest Japanese proportional
// sans-serif. Other texts get the desktop's sans-serif for both.
constexpr Fl_Font kPlainFace = FL_FREE_FONT;
constexpr Fl_Font kBoldFace = FL_FREE_FONT + 1;
// Faces taken for texts the dialog's own face cannot draw, from here on. Such a
// text is drawn as the system's font linking draws it: each run of characters
// the dialog's face has in that face, the rest in the face taken.
constexpr Fl_Font kFirstCoveringFace = FL_FREE_FONT + 2;
// Each control's face, once the dialog is prepared.
std::vector<Fl_Font> faces;
// The characters the dialog's own face has; null until asked for.
FcCharSet* ownCharacters = nullptr;

bool IsCoveringFace(Fl_Font face) { return face >= kFirstCoveringFace; }

// Calls `each(run)` for each run of `text` that one face draws, with that face
// current: the current face, or for a covering face the dialog's own face for
// the characters that has.
template <typename Each>
void ForEachRun(std::string_view text, Each&& each) {
  const Fl_Font face = fl_font();
  const Fl_Fontsize size = fl_size();
  if (!IsCoveringFace(face) || ownCharacters == nullptr) {
    each(text);
    return;
  }
  const Fl_Font own = Fl::get_font_name(face)[0] == 'B' ? kBoldFace : kPlainFace;
  std::size_t start = 0;
  bool runIsOwn = false;
  const auto flush = [&](std::size_t end) {
    if (end == start) return;
    fl_font(runIsOwn ? own : face, size);
    each(text.substr(start, end - start));
    start = end;
  };
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t at = pos;
    const char32_t point = platform::DecodeUtf8(text, pos);
    const bool isOwn = point != platform::kInvalidUtf8 && FcCharSetHasChar(ownCharacters, point);
    if (isOwn != runIsOwn) {
      flush(at);
      runIsOwn = isOwn;
    }
  }
  flush(text.size());
  fl_font(face, size);
}

}  // namespace

int Measure(std::string_view text) {
  double width = 0;
  ForEachRun(text, [&](std::string_view run) { width += fl_width(run.data(), static_cast<int>(run.size())); });
  return static_cast<int>(std::ceil(width));
}

namespace {

// Label text broken between words and Japanese characters, cut at the label's
// height; top-left, top-centred or (FL_ALIGN_TOP absent) centred vertically.
void DrawWrapped(const Fl_Label* label, int X, int Y, int W, int H, Fl_Align align) {
  if (label->value == nullptr) return;
  fl_font(label->font, label->size);
  // Lines one em apart, as Japanese faces of the other platform set them (their
  // cell height is their em): Xft adds a pixel of leading that the small labels
  // have no room for.
  const int lineHeight = std::min(fl_height(), static_cast<int>(label->size));
  const std::vector<LabelLine> lines = WrapLabel(label->value, W, H, lineHeight, Measure);
  const int total = static_cast<int>(lines.size()) * lineHeight;
  int y = (align & FL_ALIGN_TOP) ? Y : Y + (H - total) / 2;
  // The last line's descenders may reach below the box, as the other platform's
  // labels let them: a Western face's do at the one-line labels' height.
  fl_push_clip(X, Y, W, H + fl_descent());
  fl_color(label->color);
  for (const LabelLine& line : lines) {
    const int width = Measure(line.text);
    const int x = (align & FL_ALIGN_LEFT) ? X : X + (W - width) / 2;
    const int baseline = y + lineHeight - fl_descent();
    double at = x;
    ForEachRun(line.text, [&](std::string_view run) {
      fl_draw(run.data(), static_cast<int>(run.size()), static_cast<int>(std::lround(at)), baseline);
      at += fl_width(run.data(), static_cast<int>(run.size()));
    });
    if (line.underline != kNoUnderline) {
      const UnderlineSpan span = Underline(line, Measure);
      fl_xyline(x + span.from, baseline + 1, x + span.to - 1);
    }
    y += lineHeight;
  }
  fl_pop_clip();
}

void MeasureWrapped(const Fl_Label* label, int& W, int& H) {
  fl_font(label->font, label->size);
  W = Measure(label->value ? label->value : "");
  H = fl_height();
}

// The family of a face that can draw every character of `text`, as fontconfig
// answers: empty when `family`'s own face can, or none can; else the first face
// in fontconfig's order for `family` that can (a Japanese one for a Japanese
// name on a Western desktop). Xft draws a character its face lacks as an empty
// box: it takes no other face for it.
std::string CoveringFamily(const char* text, const char* family) {
  FcCharSet* wanted = FcCharSetCreate();
  const std::string_view utf8 = text != nullptr ? text : "";
  for (std::size_t pos = 0; pos < utf8.size();) {
    const char32_t point = platform::DecodeUtf8(utf8, pos);
    if (point != platform::kInvalidUtf8 && point >= 0x20) FcCharSetAddChar(wanted, point);
  }
  std::string found;
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(family));
  FcResult result = FcResultNoMatch;
  FcFontSet* sorted = nullptr;
  if (pattern != nullptr && FcConfigSubstitute(nullptr, pattern, FcMatchPattern)) {
    FcDefaultSubstitute(pattern);
    sorted = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
  }
  for (int i = 0; sorted != nullptr && i < sorted->nfont; ++i) {
    FcCharSet* has = nullptr;
    FcChar8* name = nullptr;
    if (FcPatternGetCharSet(sorted->fonts[i], FC_CHARSET, 0, &has) != FcResultMatch ||
        FcPatternGetString(sorted->fonts[i], FC_FAMILY, 0, &name) != FcResultMatch)
      continue;
    if (i == 0 && ownCharacters == nullptr) ownCharacters = FcCharSetCopy(has);
    if (!FcCharSetIsSubset(wanted, has)) continue;
    if (i > 0) found = reinterpret_cast<const char*>(name);
    break;
  }
  if (sorted != nullptr) FcFontSetDestroy(sorted);
  if (pattern != nullptr) FcPatternDestroy(pattern);
  FcCharSetDestroy(wanted);
  return found;
}

}  // namespace

void PrepareFaces(const OrvaneDialog& dialog) {
  const char* family = dialog.japanese ? "IPAPGothic" : "sans";
  Fl::set_font(kPlainFace, dialog.japanese ? " IPAPGothic" : " sans");
  Fl::set_font(kBoldFace, dialog.japanese ? "BIPAPGothic" : "Bsans");
  // A text the face cannot draw whole takes a face that can; FLTK keeps the names.
  static std::deque<std::string> names;
  faces.clear();
  for (std::size_t i = 0; i < dialog.count; ++i) {
    const OrvaneControl& c = dialog.controls[i];
    faces.push_back(c.bold ? kBoldFace : kPlainFace);
    const std::string covering = CoveringFamily(c.caption, family);
    if (covering.empty()) continue;
    const std::string& name = names.emplace_back((c.bold ? "B" : " ") + covering);
    const auto face = static_cast<Fl_Font>(kFirstCoveringFace + static_cast<Fl_Font>(names.size()) - 1);
    Fl::set_font(face, name.c_str());
    faces.back() = face;
  }
  Fl::set_labeltype(kWrappedLabel, DrawWrapped, MeasureWrapped);
}

Fl_Font FaceOfControl(std::size_t index, bool bold) {
  return index < faces.size() ? faces[index] : bold ? kBoldFace : kPlainFace;
}

}  // namespace ui
