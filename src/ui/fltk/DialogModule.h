#pragma once
// What the program and its FLTK dialog module (DialogModule.cpp) know of each
// other. The module is built on its own, links FLTK and X11 and nothing of the
// program, travels inside the program as bytes and is loaded, for each warning, in
// a process of its own (FltkDialog.cpp). Only C data and C functions cross between
// the two: each side may carry a C++ runtime of its own, so no C++ object,
// exception or allocation of one side ever reaches the other.

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
  int value;   // the check box: 1 ticked
  int beside;  // a value's label: the index of the caption it stands beside; else -1
};

struct OrvaneDialog {
  const char* caption;            // the window's, UTF-8
  int width, height;              // the client area, twips
  int japanese;                   // the texts are Japanese: Japanese faces
  const OrvaneControl* controls;  // in tab order
  size_t count;
  size_t closeButton, folderButton;  // indexes into `controls`
  // The open-folder button; it returns normally and throws nothing.
  void (*folderOpen)(void* context);
  void* context;
  // A descriptor the module writes one byte to once the display has answered, so
  // that the program can tell a display that never does; -1 for none.
  int answeredFd;
};

// How the dialog ended: also the exit status of the process that showed it.
enum OrvaneDialogResult {
  kOrvaneClosed = 10,   // by the Close button, the box not ticked
  kOrvaneClosedTicked,  // by the Close button, the box ticked
  kOrvaneWindowClosed,  // by the window's own close command
  kOrvaneNoDisplay,     // there was no display to show it on
  kOrvaneDisplayLost,   // the display went away while it was up
  kOrvaneFailed,        // anything else (out of memory)
};

// Shows the dialog modally and returns how it ended, once it has. When the display
// goes away while it is up, Xlib cannot go on, and neither can the process: the
// module ends it with the status kOrvaneDisplayLost. The module's one exported name.
[[gnu::visibility("default")]] int OrvaneShowWarning(const OrvaneDialog* dialog);

}  // extern "C"

namespace ui {

inline constexpr const char* kDialogEntryPoint = "OrvaneShowWarning";

using ShowWarningFunction = int (*)(const OrvaneDialog* dialog);

}  // namespace ui
