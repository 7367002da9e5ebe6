// The command line's PNG pictures read back by Qt's own PNG decoder: every
// pixel as it was drawn, for pictures of one colour, of noise and of runs,
// of any width.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QImage>
#include <random>

#include "files/PngFile.h"

namespace {

TRasterImage Picture(int w, int h, int kind) {
  TRasterImage img{w, h, std::vector<std::uint32_t>(static_cast<std::size_t>(w) * h, 0xFF000000u)};
  std::mt19937 rng(static_cast<unsigned>(w * 31 + h + kind));
  for (std::size_t i = 0; i < img.pixels.size(); ++i) {
    if (kind == 1) img.pixels[i] = 0xFF000000u | (rng() & 0xFFFFFFu);                  // noise
    if (kind == 2 && rng() % 50 == 0) img.pixels[i] = 0xFF000000u | (rng() & 0xFFFFFFu);  // lines on black
  }
  return img;
}

TEST(PngFile, QtReadsBackEveryPixel) {
  struct Case {
    int w, h, kind;
  };
  for (const Case c : {Case{1, 1, 0}, Case{1, 1, 1}, Case{7, 3, 1}, Case{640, 480, 0}, Case{333, 211, 2},
                       Case{1600, 40, 1}}) {
    const TRasterImage img = Picture(c.w, c.h, c.kind);
    const std::string png = PngBytes(img);
    QImage back;
    ASSERT_TRUE(back.loadFromData(QByteArray(png.data(), static_cast<qsizetype>(png.size())), "PNG"))
        << c.w << "x" << c.h;
    ASSERT_EQ(back.width(), c.w);
    ASSERT_EQ(back.height(), c.h);
    back = back.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < c.h; ++y)
      for (int x = 0; x < c.w; ++x)
        ASSERT_EQ(back.pixel(x, y) | 0xFF000000u, img.pixels[static_cast<std::size_t>(y) * c.w + x])
            << c.w << "x" << c.h << " at " << x << "," << y;
  }
  EXPECT_TRUE(PngBytes(TRasterImage{}).empty());
  // A drawing's background with a few lines packs small.
  EXPECT_LT(PngBytes(Picture(1600, 1200, 0)).size(), 20000u);
}

}  // namespace
