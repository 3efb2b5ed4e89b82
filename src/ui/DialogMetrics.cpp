#include "ui/DialogMetrics.h"

#include <algorithm>
#include <cmath>

namespace warning {

int TwipsToPixels(int twips, int dpi) {
  const long long scaled = static_cast<long long>(twips) * dpi;
  return static_cast<int>(scaled >= 0 ? (scaled + 720) / 1440 : -((-scaled + 720) / 1440));
}

int FontPixels(double points, int dpi) {
  // A hair over, so that a size that is whole at `dpi` stays whole.
  return static_cast<int>(std::floor(points * dpi / 72 + 1e-9));
}

int DefaultFacePixels(int dpi) {
  const int pixels = FontPixels(9, dpi);
  return pixels == 13 ? 12 : pixels;
}

void FitCaption(PixelBox& caption, PixelBox& value, int textWidth) {
  const int gap = value.left - (caption.left + caption.width);
  const int right = value.left + value.width;
  caption.width = std::max(caption.width, textWidth);
  value.left = std::max(value.left, caption.left + caption.width + gap);
  value.width = std::max(0, right - value.left);
}

}  // namespace warning
