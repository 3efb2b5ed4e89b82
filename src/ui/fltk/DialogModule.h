#pragma once
// What the program and its FLTK dialog module know of each other. The module is
// built on its own, links FLTK and X11 and nothing of the program, and travels
// inside the program as bytes (DialogModule.cpp). The few functions of the
// program that it needs come with each call, in a DialogHost.

#include <cstddef>

#include "ui/frmWarning.h"

namespace ui {

struct DialogHost {
  void (*folderOpen)(frmWarning& form);   // the open-folder button
  void (*close)(frmWarning& form);        // the Close button
  void (*windowClose)(frmWarning& form);  // the window's own close command
  const warning::ControlLayout* layout;   // the controls in tab order
  std::size_t controls;
  int (*twipsToPixels)(int twips, int dpi);
};

enum class DialogResult : int {
  Shown,        // shown and closed again
  NoDisplay,    // no display to show it on
  DisplayLost,  // the display went away while the dialog was up
  Failed,       // anything else (out of memory)
};

inline constexpr const char* kDialogEntryPoint = "OrvaneShowWarning";

using ShowWarningFunction = DialogResult (*)(const DialogHost& host, frmWarning& form);

}  // namespace ui

// Shows `form`, already loaded, modally and returns once it is closed. The
// module's one exported name.
extern "C" [[gnu::visibility("default")]] ui::DialogResult OrvaneShowWarning(const ui::DialogHost& host,
                                                                             frmWarning& form);
