#pragma once

#include <string>
#include <string_view>

#include "check/RunState.h"
#include "log/Texts.h"

namespace ui {

// The log line of a warning that could not be shown at all, with why in a few words.
inline std::string CannotShowWarning(std::string_view reason) {
  return texts::Str(texts::Id::CannotShowWarning) + std::string(reason);
}

// The warning dialog in this system's toolkit (Windows: Win32; Linux: FLTK).
class NativeWarningDialog final : public mdlOrvane::WarningDialog {
 public:
  // Loads a fresh frmWarning, shows it modally, centred and without owner, and
  // returns once it has been closed. When no window can be shown (Linux without a
  // display, a display that is lost, or a toolkit that cannot be loaded), logs
  // CannotShowWarning with the reason as a failure and returns NotShown without
  // recording anything.
  mdlOrvane::DialogResult ShowModal() override;
};

}  // namespace ui
