#include "ui/DialogMetrics.h"

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

}  // namespace warning
