#include "files/BmpIo.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <string>
#include <vector>

#include "VelmoTest.h"

namespace {

// A bitmap file: info header (40 bytes), then palette or masks, then rows
// as given (already padded), bottom-up unless height is negative.
struct Bmp {
  int width = 1, height = 1, bpp = 24, compression = 0, colorsUsed = 0;
  std::string extra;  // palette entries or bit masks
  std::string rows;
  std::string Bytes() const {
    std::string b(54, '\0');
    auto put = [&](std::size_t at, std::uint32_t v, int n) {
      for (int i = 0; i < n; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
    };
    b[0] = 'B';
    b[1] = 'M';
    put(2, static_cast<std::uint32_t>(54 + extra.size() + rows.size()), 4);
    put(10, static_cast<std::uint32_t>(54 + extra.size()), 4);
    put(14, 40, 4);
    put(18, static_cast<std::uint32_t>(width), 4);
    put(22, static_cast<std::uint32_t>(height), 4);
    put(26, 1, 2);
    put(28, static_cast<std::uint32_t>(bpp), 2);
    put(30, static_cast<std::uint32_t>(compression), 4);
    put(46, static_cast<std::uint32_t>(colorsUsed), 4);
    return b + extra + rows;
  }
};

std::string Le32(std::uint32_t v) {
  return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
}

class BmpIoTest : public VelmoTest {};

TEST_F(BmpIoTest, DecodesTheUncompressedKinds) {
  struct Case {
    const char* what;
    Bmp bmp;
    std::vector<std::uint32_t> want;  // top row first
  } cases[] = {
      // Rows bottom-up: the file's first row is the picture's last.
      {"24 bits", {2, 2, 24, 0, 0, "", std::string("\x01\x02\x03\x04\x05\x06\0\0\x0a\x0b\x0c\x0d\x0e\x0f\0\0", 16)},
       {0xFF0C0B0A, 0xFF0F0E0D, 0xFF030201, 0xFF060504}},
      {"24 bits top-down", {1, -2, 24, 0, 0, "", std::string("\x01\x02\x03\0\x04\x05\x06\0", 8)},
       {0xFF030201, 0xFF060504}},
      {"32 bits", {1, 1, 32, 0, 0, "", std::string("\x01\x02\x03\x99", 4)}, {0xFF030201}},
      // Masks after the info header: red in the low byte here.
      {"32 bits with masks", {1, 1, 32, 3, 0, Le32(0xFF) + Le32(0xFF00) + Le32(0xFF0000), std::string("\x10\x20\x30\0", 4)},
       {0xFF102030}},
      // 5-5-5: all of red, nothing else.
      {"16 bits", {1, 1, 16, 0, 0, "", std::string("\x00\x7C\0\0", 4)}, {0xFFFF0000}},
      // Two palette entries; index 2 is outside them: black.
      {"8 bits", {3, 1, 8, 0, 2, Le32(0x00112233) + Le32(0x00445566), std::string("\x01\x00\x02\0", 4)},
       {0xFF445566, 0xFF112233, 0xFF000000}},
      {"4 bits", {3, 1, 4, 0, 2, Le32(0x000000FF) + Le32(0x0000FF00), std::string("\x10\x10\0\0", 4)},
       {0xFF00FF00, 0xFF0000FF, 0xFF00FF00}},
      {"1 bit", {9, 1, 1, 0, 0, Le32(0) + Le32(0x00FFFFFF), std::string("\xA0\x80\0\0", 4)},
       {0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000,
        0xFFFFFFFF}},
  };
  for (const Case& c : cases) {
    TRasterImage image;
    std::string reason;
    ASSERT_TRUE(DecodeBmp(c.bmp.Bytes(), image, &reason)) << c.what << ": " << reason;
    EXPECT_EQ(image.width, c.bmp.width) << c.what;
    EXPECT_EQ(image.height, std::abs(c.bmp.height)) << c.what;
    EXPECT_EQ(image.pixels, c.want) << c.what;
  }
}

TEST_F(BmpIoTest, RefusesDamagedAndUnsupportedFiles) {
  const std::string row(4, '\0');
  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"not a bitmap", "XM" + Bmp{}.Bytes().substr(2)},
      {"header cut", Bmp{}.Bytes().substr(0, 30)},
      {"pixels cut", Bmp{2, 2, 24, 0, 0, "", std::string(10, '\0')}.Bytes()},
      {"zero width", Bmp{0, 1, 24, 0, 0, "", row}.Bytes()},
      {"zero height", Bmp{1, 0, 24, 0, 0, "", row}.Bytes()},
      {"too many pixels", Bmp{1 << 20, 1 << 20, 24, 0, 0, "", row}.Bytes()},
      {"negative width", Bmp{-4, 1, 24, 0, 0, "", row}.Bytes()},
      {"run-length compressed", Bmp{1, 1, 8, 1, 0, std::string(1024, '\0'), row}.Bytes()},
      {"2 bits", Bmp{1, 1, 2, 0, 0, std::string(16, '\0'), row}.Bytes()},
      {"palette past the end", Bmp{1, 1, 8, 0, 200, "", row}.Bytes()},
      {"masks past the end", Bmp{1, 1, 32, 3, 0, "", ""}.Bytes()},
  };
  for (const Case& c : cases) {
    TRasterImage image;
    std::string reason;
    EXPECT_FALSE(DecodeBmp(c.bytes, image, &reason)) << c.what;
    EXPECT_FALSE(reason.empty()) << c.what;
    EXPECT_TRUE(image.pixels.empty()) << c.what;
  }
  // Pixel data offset beyond the file.
  std::string far = Bmp{}.Bytes();
  far[10] = '\xff';
  far[11] = '\xff';
  TRasterImage image;
  EXPECT_FALSE(DecodeBmp(far, image));
}

TEST_F(BmpIoTest, EncodesJpeg) {
  TRasterImage image{.width = 20, .height = 10, .pixels = std::vector<std::uint32_t>(200, 0xFF336699)};
  std::string jpeg;
  ASSERT_TRUE(EncodeJpeg(image, jpeg));
  ASSERT_GT(jpeg.size(), 100u);
  EXPECT_EQ(jpeg.substr(0, 2), "\xff\xd8");
  EXPECT_EQ(jpeg.substr(jpeg.size() - 2), "\xff\xd9");
  EXPECT_FALSE(EncodeJpeg(TRasterImage{}, jpeg));
  TRasterImage short_{.width = 20, .height = 10, .pixels = std::vector<std::uint32_t>(199, 0)};
  EXPECT_FALSE(EncodeJpeg(short_, jpeg));
}

}  // namespace

namespace {

// A picture with `colours` distinct colours, each row a run of them.
TRasterImage Picture(int w, int h, int colours) {
  TRasterImage im{w, h, std::vector<std::uint32_t>(static_cast<std::size_t>(w) * static_cast<std::size_t>(h))};
  for (std::size_t i = 0; i < im.pixels.size(); ++i) {
    const std::uint32_t k = static_cast<std::uint32_t>(i % static_cast<std::size_t>(colours));
    im.pixels[i] = 0xFF000000u | (k * 37 % 256) << 16 | (k * 11 % 256) << 8 | (k * 101 % 256);
  }
  return im;
}

int GifRead(GifFileType* gif, GifByteType* buf, int n) {
  auto* src = static_cast<std::pair<const std::string*, std::size_t>*>(gif->UserData);
  const int k = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(n), src->first->size() - src->second));
  std::memcpy(buf, src->first->data() + src->second, static_cast<std::size_t>(k));
  src->second += static_cast<std::size_t>(k);
  return k;
}

// The GIF decoded by giflib itself.
TRasterImage DecodeGif(const std::string& bytes) {
  std::pair<const std::string*, std::size_t> src{&bytes, 0};
  int error = 0;
  GifFileType* gif = DGifOpen(&src, GifRead, &error);
  TRasterImage im;
  if (!gif || DGifSlurp(gif) != GIF_OK || gif->ImageCount < 1) {
    if (gif) DGifCloseFile(gif, &error);
    return im;
  }
  const SavedImage& frame = gif->SavedImages[0];
  const ColorMapObject* map = frame.ImageDesc.ColorMap ? frame.ImageDesc.ColorMap : gif->SColorMap;
  im.width = gif->SWidth;
  im.height = gif->SHeight;
  for (int i = 0; i < im.width * im.height; ++i) {
    const GifColorType c = map->Colors[frame.RasterBits[i]];
    im.pixels.push_back(0xFF000000u | std::uint32_t{c.Red} << 16 | std::uint32_t{c.Green} << 8 | c.Blue);
  }
  DGifCloseFile(gif, &error);
  return im;
}

TEST(ImageEncoders, BmpAndGifReadBackAsWritten) {
  // 24 bits: every pixel as it was; 1 bit: dark pixels black, the rest white.
  const TRasterImage picture = Picture(13, 7, 200);
  std::string bmp;
  ASSERT_TRUE(EncodeBmp(picture, false, bmp));
  TRasterImage back;
  ASSERT_TRUE(DecodeBmp(bmp, back));
  EXPECT_EQ(back.pixels, picture.pixels);
  ASSERT_TRUE(EncodeBmp(picture, true, bmp));
  EXPECT_EQ(bmp[28], 1);
  ASSERT_TRUE(DecodeBmp(bmp, back));
  for (std::size_t i = 0; i < back.pixels.size(); ++i)
    EXPECT_EQ(back.pixels[i], IsDarkPixel(picture.pixels[i]) ? 0xFF000000u : 0xFFFFFFFFu) << i;

  // GIF: up to 256 colours exactly; more reduced to the nearest of a fixed
  // palette (within a step of it).
  std::string gif;
  ASSERT_TRUE(EncodeGif(picture, gif));
  EXPECT_EQ(DecodeGif(gif).pixels, picture.pixels);
  const TRasterImage many = Picture(40, 30, 1000);
  ASSERT_TRUE(EncodeGif(many, gif));
  const TRasterImage reduced = DecodeGif(gif);
  ASSERT_EQ(reduced.pixels.size(), many.pixels.size());
  for (std::size_t i = 0; i < many.pixels.size(); ++i)
    for (int shift : {0, 8, 16}) {
      const int a = static_cast<int>((many.pixels[i] >> shift) & 0xFF), b = static_cast<int>((reduced.pixels[i] >> shift) & 0xFF);
      ASSERT_LE(std::abs(a - b), shift == 0 ? 85 : 37) << i;
    }
  EXPECT_FALSE(EncodeGif(TRasterImage{}, gif));
  EXPECT_FALSE(EncodeBmp(TRasterImage{}, false, bmp));
}

}  // namespace
