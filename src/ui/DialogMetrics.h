#pragma once
// The dialog's layout arithmetic, from twips and points to pixels at a screen's
// resolution. Stateless: the Linux dialog module compiles it in, and the program
// and its tests use the same file.

namespace warning {

// Twips (1440 to the inch; 15 to the pixel at 96 dpi) to pixels at `dpi`,
// rounded to the nearest pixel.
int TwipsToPixels(int twips, int dpi);

// The pixel size of a font of `points` at `dpi`, rounded down: the layout was
// drawn at 96 dpi, where the dialog's sizes are whole pixels, and rounded down no
// text takes more of its label at another DPI than there, so no line breaks where
// it does not break at 96 dpi.
int FontPixels(double points, int dpi);

// The pixel size of the Linux dialog's default face (9 points) at `dpi`: as
// FontPixels, but never 13, at which IPAPGothic draws a comma's tail as one faint
// pixel and the size line's digit groups read as full stops; it takes 12 there,
// as at 96 dpi (from 104 to 111 dpi, a 27-inch QHD screen among them).
int DefaultFacePixels(int dpi);

struct PixelBox {
  int left, top, width, height;
};

// A caption and the value beside it, once the caption's text is known to measure
// `textWidth` pixels in its font: the caption grows to fit it (the layout's width
// is the least it has), and the value starts as far after it as in the layout and
// keeps its right edge, giving up width (never below none) to a wider caption.
void FitCaption(PixelBox& caption, PixelBox& value, int textWidth);

}  // namespace warning
