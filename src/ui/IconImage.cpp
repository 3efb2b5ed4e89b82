#include "ui/IconImage.h"

#include <algorithm>
#include <cstdint>

namespace ui {
namespace {

std::uint32_t Read(std::string_view data, std::size_t at, std::size_t bytes) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < bytes; ++i)
    value |= static_cast<std::uint32_t>(static_cast<unsigned char>(data[at + i])) << (8 * i);
  return value;
}

IconImage DecodeBitmap(std::string_view bmp) {
  if (bmp.size() < 40 || Read(bmp, 0, 4) < 40) return {};
  const std::uint32_t headerSize = Read(bmp, 0, 4);
  const auto width = static_cast<std::int32_t>(Read(bmp, 4, 4));
  const auto doubleHeight = static_cast<std::int32_t>(Read(bmp, 8, 4));
  const std::uint32_t bits = Read(bmp, 14, 2);
  const std::uint32_t compression = Read(bmp, 16, 4);
  std::uint32_t colours = Read(bmp, 32, 4);
  if (width <= 0 || width > 1024 || doubleHeight <= 0 || doubleHeight > 2048 || compression != 0) return {};
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return {};
  if (bits <= 8 && (colours == 0 || colours > (1u << bits))) colours = 1u << bits;
  if (bits > 8) colours = 0;

  const auto w = static_cast<std::size_t>(width);
  const auto h = static_cast<std::size_t>(doubleHeight / 2);
  const std::size_t palette = headerSize;
  const std::size_t pixels = palette + std::size_t{4} * colours;
  const std::size_t stride = (w * bits + 31) / 32 * 4;
  const std::size_t mask = pixels + stride * h;
  const std::size_t maskStride = (w + 31) / 32 * 4;
  if (mask + maskStride * h > bmp.size()) return {};

  IconImage image;
  image.width = width;
  image.height = doubleHeight / 2;
  image.rgba.resize(w * h * 4);
  for (std::size_t y = 0; y < h; ++y) {
    const std::size_t row = pixels + (h - 1 - y) * stride;  // stored bottom up
    const std::size_t maskRow = mask + (h - 1 - y) * maskStride;
    for (std::size_t x = 0; x < w; ++x) {
      std::uint32_t b, g, r, a = 255;
      if (bits <= 8) {
        const std::size_t bit = x * bits;
        const std::uint32_t index = (Read(bmp, row + bit / 8, 1) >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
        const std::size_t entry = palette + 4 * std::min<std::size_t>(index, colours - 1);
        b = Read(bmp, entry, 1), g = Read(bmp, entry + 1, 1), r = Read(bmp, entry + 2, 1);
      } else {
        const std::size_t at = row + x * bits / 8;
        b = Read(bmp, at, 1), g = Read(bmp, at + 1, 1), r = Read(bmp, at + 2, 1);
        if (bits == 32) a = Read(bmp, at + 3, 1);
      }
      if (bits != 32 && ((Read(bmp, maskRow + x / 8, 1) >> (7 - x % 8)) & 1)) a = 0;
      unsigned char* out = &image.rgba[(y * w + x) * 4];
      out[0] = static_cast<unsigned char>(r), out[1] = static_cast<unsigned char>(g);
      out[2] = static_cast<unsigned char>(b), out[3] = static_cast<unsigned char>(a);
    }
  }
  return image;
}

}  // namespace

IconImage DecodeIcon(std::string_view ico) {
  if (ico.size() < 6 || Read(ico, 0, 2) != 0 || Read(ico, 2, 2) != 1) return {};
  const std::uint32_t count = Read(ico, 4, 2);
  IconImage best;
  std::uint32_t bestBits = 0;
  for (std::uint32_t i = 0; i < count && 6 + 16 * (i + 1) <= ico.size(); ++i) {
    const std::size_t entry = 6 + 16 * i;
    const std::uint32_t size = Read(ico, entry + 8, 4);
    const std::uint32_t offset = Read(ico, entry + 12, 4);
    if (offset > ico.size() || size > ico.size() - offset) continue;
    const std::string_view bmp = ico.substr(offset, size);
    IconImage image = DecodeBitmap(bmp);
    if (image.width == 0) continue;
    const std::uint32_t bits = Read(bmp, 14, 2);
    if (image.width > best.width || (image.width == best.width && bits > bestBits)) {
      best = std::move(image);
      bestBits = bits;
    }
  }
  return best;
}

}  // namespace ui
