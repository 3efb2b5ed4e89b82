#pragma once
// The dialog's faces and its labels' drawing (DialogFaces.cpp), for the dialog
// module (DialogModule.cpp); both are the module's alone.

#include <FL/Enumerations.H>
#include <FL/Fl_Box.H>

#include <cstddef>
#include <string_view>

#include "ui/fltk/DialogModule.h"

namespace ui {

// The label type that draws a label wrapped (set up by PrepareFaces).
inline const auto kWrappedLabel = static_cast<Fl_Labeltype>(FL_FREE_LABELTYPE);

// Sets up the faces for `dialog`'s controls, and the wrapped label type.
void PrepareFaces(const OrvaneDialog& dialog);
// The face of the control at `index` (its bold or plain face when unknown).
Fl_Font FaceOfControl(std::size_t index, bool bold);
// The width of `text` in the current face, each run in the face that draws it.
int Measure(std::string_view text);

// A label keeps its rectangle: no inner margin, no box.
class Label : public Fl_Box {
 public:
  using Fl_Box::Fl_Box;
  void draw() override { draw_label(x(), y(), w(), h(), align()); }
};

}  // namespace ui
