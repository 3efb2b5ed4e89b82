#pragma once

#include <string_view>
#include <vector>

namespace ui {

struct IconImage {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgba;  // rows top to bottom, four bytes a pixel
};

// The richest image of a Windows icon file (the largest, then the most colours)
// that is stored as a bitmap with 1 to 32 bits a pixel; transparency comes from
// its mask, or from its alpha channel at 32 bits. Empty (width 0) when the file
// holds no such image or is damaged.
IconImage DecodeIcon(std::string_view ico);

}  // namespace ui
