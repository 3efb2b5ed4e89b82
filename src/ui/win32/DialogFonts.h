#pragma once
// The Win32 warning dialog's fonts at the screen's DPI: Japanese faces for
// Japanese texts, as the layout was drawn with; the platform's dialog face and a
// Western sans-serif for any other.

#include <windows.h>

#include <array>
#include <cstddef>
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

  // How wide `text` is in the font of the control at `index`, in pixels.
  int Measure(std::size_t index, std::string_view text) const;

 private:
  std::array<HFONT, kControls> fonts_{};
  std::array<HFONT, 3> owned_{};  // the default face, the bold and the plain styled one
};

}  // namespace ui
