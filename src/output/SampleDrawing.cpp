#include "output/SampleDrawing.h"

#include <cmath>
#include <fstream>
#include <numbers>

#include "files/BmpIo.h"
#include "kernel/SjisConv.h"
#include "kernel/Z_Basic.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "render/GC_Draw.h"

namespace {

constexpr double kPi = std::numbers::pi;

bool WritePicture(const std::string& path) {
  TRasterImage img;
  img.width = 64;
  img.height = 48;
  img.pixels.resize(64 * 48);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) {
      std::uint32_t c = y < 16 ? 0xFFE03020u : y < 32 ? 0xFF30B040u : 0xFF3050E0u;  // red, green, blue bands
      if (std::abs(x * 3 - y * 4) < 4) c = 0xFFFFFFFFu;
      img.pixels[static_cast<std::size_t>(y) * 64 + x] = c;
    }
  std::string jpeg;
  if (!EncodeJpeg(img, jpeg)) return false;
  std::ofstream out(path, std::ios::binary);
  out.write(jpeg.data(), static_cast<std::streamsize>(jpeg.size()));
  return static_cast<bool>(out);
}

void Fill(std::int8_t kind, std::uint16_t pen, const std::string& text, std::initializer_list<double> p) {
  TGcell c;
  c.window = static_cast<std::uint8_t>(StoreWindow());
  c.kind = kind;
  c.pen = pen;
  c.text = text;
  int i = 0;
  for (double v : p) c.p[i++] = v;
  GcellAdd(c);
}

}  // namespace

bool BuildSampleDrawing(const std::string& pictureFile) {
  SetStoreWindow(1);
  GcellClearWindow(1);
  const bool wrote = WritePicture(pictureFile);
  // Texts are CP932 literals (the core compiles to CP932); the picture's
  // name comes in as UTF-8. Units: paper millimetres times the basic scale.
  const double b = CurPVC().basicScale;
  const auto L = [b](std::uint16_t pen, double x1, double y1, double x2, double y2) {
    GcellAddLine(0, pen, x1 * b, y1 * b, x2 * b, y2 * b);
  };
  // The frame and the title block.
  L(0x12, -200, -140, 200, -140);
  L(0x12, 200, -140, 200, 140);
  L(0x12, 200, 140, -200, 140);
  L(0x12, -200, 140, -200, -140);
  L(0x11, 80, -140, 80, -110);
  L(0x11, 80, -110, 200, -110);
  GcellAddText(0, 4, 0x01, "Velmo 描画見本", 0, 0, 86 * b, -124 * b);
  GcellAddText(0, 2, 0x01, "縮尺 1/100  A3", 0, 0, 86 * b, -134 * b);

  // Every line type in pen 1, and every pen solid.
  for (int t = 1; t <= 8; ++t) {
    const double y = 120 - t * 8;
    L(static_cast<std::uint16_t>(0x01 | t << 4), -190, y, -110, y);
    GcellAddText(0, 1, 0x01, Format("type %d", {t}), 0, 0, -105 * b, (y - 1) * b);
  }
  for (int p = 1; p <= 6; ++p) {
    const double x = -190 + p * 12;
    L(static_cast<std::uint16_t>(0x10 | p), x, 40, x + 10, -20);
  }
  L(0x57, -195, -30, 195, -30);  // an auxiliary line across the sheet
  L(0x57, 0, -135, 0, 135);

  // Circles, an ellipse and arcs.
  GcellAddCircle(0, 0x13, -40 * b, 80 * b, 30 * b, 1, 0);
  GcellAddCircle(0, 0x15, -40 * b, 80 * b, 20 * b, 0.5, kPi / 6);
  GcellAddArc(0, 0x14, 40 * b, 80 * b, 30 * b, 1, 0, 0, kPi);
  GcellAddArc(0, 0x16, 40 * b, 80 * b, 22 * b, 1, 0, kPi, 1.5 * kPi);
  GcellAddArc(0, 0x32, 40 * b, 80 * b, 14 * b, 0.6, kPi / 4, 0, 1.5 * kPi);
  GcellAddPoint(0, 0x11, 40 * b, 80 * b);

  // Fills: a polygon, a tilted filled half-ellipse, a quadrilateral.
  {
    TGcell poly;
    poly.window = static_cast<std::uint8_t>(StoreWindow());
    poly.kind = GK_POLYGON;
    poly.pen = 0x11;
    poly.text = "$0040A0F0";
    const double xs[] = {100 * b, 180 * b, 170 * b, 130 * b, 110 * b};
    const double ys[] = {40 * b, 50 * b, 100 * b, 120 * b, 80 * b};
    PolygonSetVertices(poly, xs, ys, 5);
    GcellAdd(poly);
  }
  Fill(GK_POLYARC, 0x13, "$00F0A040", {-150 * b, -80 * b, 0, 0, 35 * b, 0.5, kPi / 6, 0, kPi});
  Fill(GK_FILL4K, 0x14, "", {-80 * b, -100 * b, 50 * b, 0, 60 * b, 30 * b, 0, 10 * b, 40 * b});

  // A picture.
  Fill(GK_PICTURE, 0x11, Utf8ToSjis(pictureFile), {10 * b, -100 * b, 64 * b, 48 * b});

  // Texts: sizes, a rotated one, a vertical one, superscripts.
  GcellAddText(0, 5, 0x01, "図面の文字", 0, 0, -60 * b, 20 * b);
  GcellAddText(0, 3, 0x01, "面積 12.5m^u2", 0, 0, -60 * b, 5 * b);
  GcellAddText(0, 3, 0x01, "回転した文字", 0, 30 * kPi / 180, 100 * b, -40 * b);
  GcellAddText(0, 4, 0x01, "縦書き", 1, -kPi / 2, 185 * b, 30 * b);
  GcellCommit();
  return wrote;
}
