#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ui/IconImage.h"

namespace {

void Put(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A 2 x 2 icon bitmap: rows bottom up, each padded to four bytes, then the mask.
std::string Bitmap(int bits, const std::string& palette, const std::string& rows, const std::string& mask) {
  std::string bmp;
  Put(bmp, 40, 4), Put(bmp, 2, 4), Put(bmp, 4, 4), Put(bmp, 1, 2), Put(bmp, static_cast<std::uint32_t>(bits), 2);
  Put(bmp, 0, 4), Put(bmp, 0, 4), Put(bmp, 0, 4), Put(bmp, 0, 4);
  Put(bmp, static_cast<std::uint32_t>(palette.size() / 4), 4), Put(bmp, 0, 4);
  return bmp + palette + rows + mask;
}

std::string Icon(const std::vector<std::string>& bitmaps) {
  std::string ico;
  Put(ico, 0, 2), Put(ico, 1, 2), Put(ico, static_cast<std::uint32_t>(bitmaps.size()), 2);
  std::size_t offset = 6 + 16 * bitmaps.size();
  for (const std::string& bmp : bitmaps) {
    Put(ico, 2, 1), Put(ico, 2, 1), Put(ico, 0, 2), Put(ico, 1, 2), Put(ico, 0, 2);
    Put(ico, static_cast<std::uint32_t>(bmp.size()), 4), Put(ico, static_cast<std::uint32_t>(offset), 4);
    offset += bmp.size();
  }
  for (const std::string& bmp : bitmaps) ico += bmp;
  return ico;
}

// Bottom row: blue, green; top row: red, white. The mask makes the top right clear.
const std::string kTrueColour =
    Bitmap(24, "", std::string("\xff\0\0\0\xff\0\0\0", 8) + std::string("\0\0\xff\xff\xff\xff\0\0", 8),
           std::string("\0\0\0\0\x40\0\0\0", 8));
const std::string kPaletted =
    Bitmap(8, std::string("\0\0\0\0\xff\xff\xff\0", 8), std::string("\1\0\0\0\0\1\0\0", 8), std::string(8, '\0'));

TEST(DecodeIcon, TakesTheImageWithTheMostColoursTopRowFirst) {
  const ui::IconImage image = ui::DecodeIcon(Icon({kPaletted, kTrueColour}));
  ASSERT_EQ(image.width, 2);
  ASSERT_EQ(image.height, 2);
  const std::vector<unsigned char> expected{255, 0, 0, 255, 255, 255, 255, 0, 0, 0, 255, 255, 0, 255, 0, 255};
  EXPECT_EQ(image.rgba, expected);
}

TEST(DecodeIcon, PalettedImage) {
  const ui::IconImage image = ui::DecodeIcon(Icon({kPaletted}));
  const std::vector<unsigned char> expected{0, 0, 0, 255, 255, 255, 255, 255, 255, 255, 255, 255, 0, 0, 0, 255};
  EXPECT_EQ(image.rgba, expected);
}

TEST(DecodeIcon, DamagedFilesGiveNoImage) {
  const std::string good = Icon({kTrueColour});
  EXPECT_EQ(ui::DecodeIcon("").width, 0);
  EXPECT_EQ(ui::DecodeIcon(good.substr(0, good.size() - 1)).width, 0);                  // mask cut short
  EXPECT_EQ(ui::DecodeIcon(std::string("\0\0\2\0\1\0", 6) + good.substr(6)).width, 0);  // a cursor file, not an icon
}

}  // namespace
