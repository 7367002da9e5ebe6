#include "files/BmpIo.h"

#include <cstdint>
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
