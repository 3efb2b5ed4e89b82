#pragma once

#include "check/mdlOrvane.h"

namespace ui {

// The log line of a warning that could not be shown at all.
inline constexpr const char* kCannotShowWarning = "警告画面を表示できません";

// The warning dialog in this system's toolkit (Windows: Win32; Linux: FLTK).
class NativeWarningDialog final : public mdlOrvane::WarningDialog {
 public:
  // Loads a fresh frmWarning, shows it modally, centred and without owner, and
  // returns once it has been closed. When no window can be shown (Linux without a
  // display, or a display that is lost), logs kCannotShowWarning and returns
  // without recording anything.
  void ShowModal() override;
};

}  // namespace ui
