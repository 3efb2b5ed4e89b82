#pragma once
// What the program and its FLTK dialog module know of each other. The module is
// built on its own, links FLTK and X11 and nothing of the program, travels inside
// the program as bytes (DialogModule.cpp) and is loaded, for each warning, in a
// process of its own. Only C data and C functions cross between the two: each
// side may carry a C++ runtime of its own, so no C++ object, exception or
// allocation of one side ever reaches the other.

#include <stddef.h>

extern "C" {

enum OrvaneControlKind { kOrvaneLabel, kOrvaneButton, kOrvaneCheckBox };

// One control: its place and look from the layout, its state from the form.
struct OrvaneControl {
  int kind;                      // OrvaneControlKind
  int left, top, width, height;  // twips
  const char* face;              // nullptr: the dialog's default font
  double points;                 // the size of `face`
  int bold;
  int red;              // RGB(255, 0, 0) text, else the system's text colour
  int centred;          // centred text, else left-aligned
  const char* caption;  // UTF-8
  int visible;
  int value;  // the check box: 1 ticked
};

struct OrvaneDialog {
  const char* caption;            // the window's, UTF-8
  int width, height;              // the client area, twips
  const OrvaneControl* controls;  // in tab order
  size_t count;
  size_t closeButton, folderButton;  // indexes into `controls`
  int (*twipsToPixels)(int twips, int dpi);
  int (*fontPixels)(double points, int dpi);
  // The open-folder button; it returns normally and throws nothing.
  void (*folderOpen)(void* context);
  void* context;
};

// How the dialog ended.
enum OrvaneDialogResult {
  kOrvaneClosed,        // by the Close button; *checked holds the check box's value
  kOrvaneWindowClosed,  // by the window's own close command
  kOrvaneNoDisplay,     // there was no display to show it on
  kOrvaneFailed,        // anything else (out of memory)
};

// Shows the dialog modally and returns once it is closed. When the display goes
// away while it is up, Xlib cannot go on, and neither can the process: the module
// ends it with the status kOrvaneDisplayLostStatus. The module's one exported name.
[[gnu::visibility("default")]] int OrvaneShowWarning(const OrvaneDialog* dialog, int* checked);

}  // extern "C"

namespace ui {

inline constexpr const char* kDialogEntryPoint = "OrvaneShowWarning";
inline constexpr int kOrvaneDisplayLostStatus = 5;

using ShowWarningFunction = int (*)(const OrvaneDialog* dialog, int* checked);

}  // namespace ui
