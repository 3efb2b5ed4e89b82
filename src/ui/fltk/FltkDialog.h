#pragma once
// The FLTK dialog module: its file name beside the program and its entry point.

#include "ui/frmWarning.h"

namespace ui {

inline constexpr const char* kDialogModule = "OrvaneDialog.so";
inline constexpr const char* kDialogEntryPoint = "OrvaneShowWarning";

using ShowWarningFunction = bool (*)(frmWarning& form);

}  // namespace ui

// Shows `form`, already loaded, modally and returns once it is closed. False when
// no window could be shown at all: no display, or the display was lost.
extern "C" bool OrvaneShowWarning(frmWarning& form);
