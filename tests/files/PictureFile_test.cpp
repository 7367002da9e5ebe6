// Picture files named in drawings: Windows names mapped onto the local file
// system, JPEG and BMP decoding, and what the renderer's loader refuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "VelmoTest.h"
#include "files/BmpIo.h"
#include "files/PictureFile.h"
#include "kernel/SjisConv.h"
#include "model/PVC.h"

namespace fs = std::filesystem;

namespace {

class PictureFileTest : public VelmoTest {
protected:
  void SetUp() override {
    VelmoTest::SetUp();
    dir = fs::temp_directory_path() / ("velmo_pict_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "Pics" / "Sub");
  }
  void TearDown() override {
    fs::remove_all(dir);
    VelmoTest::TearDown();
  }
  void Touch(const fs::path& p, const std::string& bytes = "x") {
    std::ofstream(p, std::ios::binary) << bytes;
  }
  fs::path dir;
};

TRasterImage Bands() {
  TRasterImage img;
  img.width = 16;
  img.height = 8;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 16; ++x) img.pixels.push_back(x < 8 ? 0xFFFF0000u : 0xFF0000FFu);  // red | blue
  return img;
}

TEST_F(PictureFileTest, WindowsNamesAreMappedOntoTheFolder) {
  Touch(dir / "Pics" / "Photo.JPG");
  Touch(dir / "Pics" / "Sub" / "Plan.bmp");
  Touch(dir / "lone.jpg");
  const std::string d = dir.string();
  struct Case {
    std::string name;  // as the drawing stores it
    fs::path want;     // empty: not found
  } cases[] = {
      {"Pics\\Photo.JPG", dir / "Pics" / "Photo.JPG"},           // relative, backslashes
      {"pics\\photo.jpg", dir / "Pics" / "Photo.JPG"},           // other letter case
      {"PICS/SUB/PLAN.BMP", dir / "Pics" / "Sub" / "Plan.bmp"},
      {"C:" + d + "/Pics/Photo.JPG", dir / "Pics" / "Photo.JPG"},  // a drive letter before a local path
      {"D:\\Users\\someone\\lone.jpg", dir / "lone.jpg"},       // elsewhere on Windows: the file's name here
      {"E:\\x\\LONE.JPG", dir / "lone.jpg"},
      {d + "/Pics/Photo.JPG", dir / "Pics" / "Photo.JPG"},      // already absolute
      {"missing.jpg", {}},
      {"Pics\\Nope\\photo.jpg", {}},  // the lone name is looked up in the drawing's folder only
      {"", {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ResolvePictureName(c.name, dir), c.want) << c.name;
  }
}

TEST_F(PictureFileTest, ShiftJisNamesAreConverted) {
  const fs::path file = dir / SjisToUtf8("図面の写真.jpg");
  Touch(file);
  EXPECT_EQ(ResolvePictureName("図面の写真.jpg", dir), file);  // a CP932 literal
}

TEST_F(PictureFileTest, JpegRoundTripAndBmpLoad) {
  std::string jpeg;
  ASSERT_TRUE(EncodeJpeg(Bands(), jpeg));
  TRasterImage img;
  ASSERT_TRUE(DecodeJpeg(jpeg, img));
  ASSERT_EQ(img.width, 16);
  ASSERT_EQ(img.height, 8);
  const std::uint32_t left = img.pixels[3 * 16 + 2], right = img.pixels[3 * 16 + 13];
  EXPECT_GT((left >> 16) & 0xFF, 200u);  // red stays red
  EXPECT_LT(left & 0xFF, 60u);
  EXPECT_GT(right & 0xFF, 200u);         // blue stays blue
  EXPECT_LT((right >> 16) & 0xFF, 60u);

  Touch(dir / "Pics" / "a.JPEG", jpeg);
  CurPVC().fileName = (dir / "drawing.vld").string();
  TRasterImage loaded;
  EXPECT_TRUE(LoadPictureFile("pics\\A.jpeg", loaded));
  EXPECT_EQ(loaded.width, 16);

  // A 2 x 1 24-bit bitmap: blue, then red pixel (BGR bytes), rows padded to 4.
  const unsigned char bmp[] = {'B', 'M', 62, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  // file header
                               40, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 8, 0, 0, 0,
                               0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                               255, 0, 0, 0, 0, 255, 0, 0};
  Touch(dir / "two.BMP", std::string(reinterpret_cast<const char*>(bmp), sizeof bmp));
  TRasterImage b;
  ASSERT_TRUE(LoadPictureFile("two.bmp", b));
  ASSERT_EQ(b.width, 2);
  EXPECT_EQ(b.pixels[0] & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(b.pixels[1] & 0xFFFFFF, 0xFF0000u);
}

TEST_F(PictureFileTest, UnreadablePicturesAreRefused) {
  CurPVC().fileName = (dir / "drawing.vld").string();
  Touch(dir / "bad.jpg", "not a jpeg at all");
  Touch(dir / "short.jpg", std::string("\xFF\xD8\xFF\xE0", 4));
  Touch(dir / "pic.png", "whatever");
  Touch(dir / "bad.bmp", "BM");
  for (const char* name : {"bad.jpg", "short.jpg", "pic.png", "bad.bmp", "none.jpg", ""}) {
    TRasterImage img;
    img.width = 5;
    EXPECT_FALSE(LoadPictureFile(name, img)) << name;
    EXPECT_EQ(img.width, 0) << name;
    EXPECT_TRUE(img.pixels.empty()) << name;
  }
}

}  // namespace
