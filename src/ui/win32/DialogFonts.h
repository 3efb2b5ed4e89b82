#pragma once
// The Win32 warning dialog's fonts at the screen's DPI: Japanese faces for
// Japanese texts, as the layout was drawn with; the platform's dialog face and a
// Western sans-serif for any other.

#include <windows.h>

#include <array>
#include <cstddef>
#include <functional>
#include <string_view>

#include "ui/frmWarning.h"

namespace ui {

class DialogFonts {
 public:
  static constexpr std::size_t kControls = std::tuple_size_v<decltype(warning::kWarningLayout)>;

  explicit DialogFonts(int dpi);
  ~DialogFonts();
  DialogFonts(const DialogFonts&) = delete;
  DialogFonts& operator=(const DialogFonts&) = delete;

  // The font of the control at `index` in the layout.
  HFONT Of(std::size_t index) const { return fonts_[index]; }

  // Links a Japanese face to the control at `index` when its font lacks some
  // character of `text`, as Windows' own font linking does for the system's
  // faces: the characters the font has are drawn in it, the others in the face
  // linked (Meiryo, Yu Gothic, MS UI Gothic, ...).
  void Link(std::size_t index, std::string_view text);

  // Calls `each(run)` for each run of `text` that one font draws, with that font
  // selected into `dc`: the control's own, and the linked one where it has none.
  void ForEachRun(HDC dc, std::size_t index, std::wstring_view text,
                  const std::function<void(std::wstring_view)>& each) const;

  // How wide `text` is in the font of the control at `index`, in pixels.
  int Measure(std::size_t index, std::string_view text) const;
  int Measure(HDC dc, std::size_t index, std::wstring_view text) const;

 private:
  std::array<HFONT, kControls> fonts_{};
  std::array<HFONT, kControls> linked_{};  // owned; null where nothing is linked
  std::array<HFONT, 3> owned_{};           // the default face, the bold and the plain styled one
};

}  // namespace ui
