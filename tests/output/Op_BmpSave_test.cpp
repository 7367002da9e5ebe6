// The image export operation and the BMP copy commands on the headless
// platform: sizes typed and their fallbacks, the frame, the pictures put on
// the clipboard and written as BMP, JPEG and GIF, the proposed file name,
// the settings put back, and the view copied at once or twice its size.
#include "output/Op_BmpSave.h"

#include <filesystem>
#include <fstream>
#include <string>

#include "OpTest.h"
#include "app/ApInput.h"
#include "files/BmpIo.h"
#include "kernel/ReplaceFile.h"
#include "render/ApPenSet.h"

namespace {

namespace fs = std::filesystem;

std::uint32_t U32At(const std::string& b, std::size_t at) {
  return static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8 |
         static_cast<unsigned char>(b[at + 2]) << 16 | static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

std::string ReadFile(const fs::path& p) {
  std::string bytes;
  EXPECT_EQ(ReadFileContents(p, 1 << 26, bytes), ReadFileResult::Ok) << p;
  return bytes;
}

bool Black(const TRasterImage& im, int x, int y) {
  return (im.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(im.width) + static_cast<std::size_t>(x)] &
          0xFFFFFF) == 0;
}

class BmpSaveTest : public OpTest {
protected:
  void SetUp() override {
    OpTest::SetUp();
    // One folder a test: ctest runs the tests of this fixture side by side.
    dir_ = fs::path(testing::TempDir()) / ("bmp_save_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    fs::remove_all(dir_);
    OpTest::TearDown();
  }
  void Start() { InputMenu("OpBtn_BmpSave"); }
  void Type(int button, const std::string& text) {
    ui.SubMenu(button);
    ui.Entry(text);
  }
  // A left click at the world point, the save dialog answered with this
  // file (empty: cancelled) and filter.
  void ExportAt(double x, double y, const std::string& file, int filter) {
    if (file.empty())
      platform().ScriptFile({false, "", 1});
    else
      platform().ScriptFile({true, (dir_ / file).string(), filter});
    Left(x, y);
  }
  TRasterImage Clipboard() {
    TRasterImage im;
    EXPECT_TRUE(platform().ClipboardImage(im));
    return im;
  }
  fs::path dir_;
};

TEST_F(BmpSaveTest, SizesTypedAndTheirFallbacks) {
  Start();
  EXPECT_EQ(Prompt(), "画像ファイルに保存(L)or(R)、--- クリップボードにもコピーします。");
  EXPECT_EQ(Harness::SubCaption(1), "①BMPｻｲｽﾞ(ﾄﾞｯﾄ)=640,480");
  EXPECT_EQ(Harness::SubCaption(2), "②保存幅(mm)=2000");
  EXPECT_EQ(SubOption(4).raw, "④広め");
  struct Case {
    std::string typed, caption;
    double w, h;
  };
  for (const Case& c : {Case{"800", "①BMPｻｲｽﾞ(ﾄﾞｯﾄ)=800", 800, 800}, {"10,10", "①BMPｻｲｽﾞ(ﾄﾞｯﾄ)=640,480", 640, 480},
                        {"300,-4", "①BMPｻｲｽﾞ(ﾄﾞｯﾄ)=300,-4", 300, 300},
                        {"99999,100", "①BMPｻｲｽﾞ(ﾄﾞｯﾄ)=640,480", 640, 480},
                        {"１０２４，７６８", "①BMPｻｲｽﾞ(ﾄﾞｯﾄ)=1024,768", 1024, 768}}) {
    Type(1, c.typed);
    EXPECT_EQ(Harness::SubCaption(1), c.caption) << c.typed;
    EXPECT_EQ(g_bmpSave.W, c.w) << c.typed;
    EXPECT_EQ(g_bmpSave.H, c.h) << c.typed;
  }
  Type(2, "0");
  EXPECT_EQ(Harness::SubCaption(2), "②保存幅(mm)=2000");
  Type(2, "500");
  EXPECT_EQ(g_bmpSave.S, 500);
  // The frame has the image's shape: 500 wide, 500 · 768 / 1024 high.
  ui.Move(Px(100, 100).x, Px(100, 100).y);
  ASSERT_EQ(g_bmpSave.frame.Cells().size(), 1u);
  EXPECT_EQ(BoxOf(g_bmpSave.frame.Cells()[0]).width, 500);
  EXPECT_EQ(BoxOf(g_bmpSave.frame.Cells()[0]).height, 375);
  // ③ brings the last typed values back after a new start.
  ui.Choose(OpBtn_Line);
  Start();
  EXPECT_EQ(Harness::SubCaption(1), "①BMPｻｲｽﾞ(ﾄﾞｯﾄ)=640,480");
  ui.SubMenu(3);
  EXPECT_EQ(Harness::SubCaption(1), "①BMPｻｲｽﾞ(ﾄﾞｯﾄ)=1024,768");
  EXPECT_EQ(Harness::SubCaption(2), "②保存幅(mm)=500");
  ui.SubMenu(4);
  EXPECT_EQ(SubOption(4).raw, "④狭め");
}

TEST_F(BmpSaveTest, ExportsToTheClipboardAndEachFormat) {
  GcellAddLine(0, 0x11, 100, 300, 500, 300);
  GcellCommit();
  Start();
  Type(2, "640");  // one unit a pixel
  ui.SubMenu(4);   // ④狭め
  ui.SubMenu(4);   // ④標準: exactly the frame
  // The JPEG filter with "a.gif" typed saves a.jpg.
  ExportAt(0, 0, "a.gif", 2);
  EXPECT_TRUE(fs::exists(dir_ / "a.jpg"));
  EXPECT_FALSE(fs::exists(dir_ / "a.gif"));
  const TRasterImage im = Clipboard();
  ASSERT_EQ(im.width, 640);
  ASSERT_EQ(im.height, 480);
  EXPECT_TRUE(Black(im, 300, 480 - 300));   // the line, black on white
  EXPECT_FALSE(Black(im, 300, 480 - 200));
  EXPECT_FALSE(Black(im, 50, 480 - 300));

  // A drawing of lines: a 1-bit bitmap; with a fill: 24 bits.
  ExportAt(0, 0, "lines.bmp", 3);
  std::string bmp = ReadFile(dir_ / "lines.bmp");
  ASSERT_GT(bmp.size(), 54u);
  EXPECT_EQ(U32At(bmp, 18), 640u);
  EXPECT_EQ(U32At(bmp, 22), 480u);
  EXPECT_EQ(bmp[28], 1);
  TRasterImage decoded;
  ASSERT_TRUE(DecodeBmp(bmp, decoded));
  EXPECT_TRUE(Black(decoded, 300, 480 - 300));
  EXPECT_FALSE(Black(decoded, 300, 480 - 200));

  GcellAdd(MakeQuad({10, 10}, {60, 10}, {60, 60}, {10, 60}));
  GcellCommit();
  ExportAt(0, 0, "fill.bmp", 3);
  bmp = ReadFile(dir_ / "fill.bmp");
  ASSERT_GT(bmp.size(), 54u);
  EXPECT_EQ(bmp[28], 24);

  ExportAt(0, 0, "plan.gif", 1);
  const std::string gif = ReadFile(dir_ / "plan.gif");
  EXPECT_EQ(gif.substr(0, 3), "GIF");
  EXPECT_EQ(static_cast<unsigned char>(gif[6]) | static_cast<unsigned char>(gif[7]) << 8, 640);

  // Cancelled: the clipboard only.
  const auto files = std::distance(fs::directory_iterator(dir_), fs::directory_iterator());
  ExportAt(0, 0, "", 1);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), files);
  EXPECT_EQ(g_bmpSave.active, true);  // further clicks export again
}

TEST_F(BmpSaveTest, MarginsShowMoreOrLess) {
  GcellAddLine(0, 0x11, 100, 0, 100, 480);  // on the frame's left edge
  GcellCommit();
  Start();
  Type(2, "640");
  struct Case {
    int presses;  // of ④ from "④広め"
    int column;   // where the edge line lands: 2.1 pixels in, or on the edge
  };
  for (const Case c : {Case{0, 3}, Case{2, 0}}) {
    Start();
    Type(2, "640");
    for (int i = 0; i < c.presses; ++i) ui.SubMenu(4);
    ExportAt(100, 0, "", 1);
    const TRasterImage im = Clipboard();
    EXPECT_TRUE(Black(im, c.column, 240)) << c.presses;
    if (c.column > 0) {
      EXPECT_FALSE(Black(im, 0, 240));
    }
  }
}

// The export's look never outlives it: background, monochrome display,
// displayed widths and print widths come back, also after a failed save.
TEST_F(BmpSaveTest, SettingsComeBackAndFailuresSaySo) {
  TPVC& p = CurPVC();
  p.pens[1].printWidth = 3;
  const TPVC before = p;
  const bool white = WhiteBackground();
  GcellAddLine(0, 0x11, 100, 300, 500, 300);
  GcellCommit();
  Start();
  { std::ofstream(dir_ / "file") << "not a folder"; }
  ExportAt(0, 0, "file/x.bmp", 3);  // a folder that is a file: the write fails
  ASSERT_FALSE(platform().messages().empty());
  EXPECT_EQ(platform().messages().back().text, "画像保存エラー");
  EXPECT_EQ(platform().messages().back().buttons, MsgButtons::Abort);
  EXPECT_TRUE(platform().hasClipboardImage());  // the clipboard has it all the same
  EXPECT_EQ(CurPVC().pens[1].printWidth, 3);
  EXPECT_EQ(CurPVC().monochrome, before.monochrome);
  EXPECT_EQ(CurPVC().varyWidths, before.varyWidths);
  EXPECT_EQ(WhiteBackground(), white);
  EXPECT_EQ(CurPVC().pens[1].screenColor, before.pens[1].screenColor);
}

TEST_F(BmpSaveTest, FileNameFromAMarkerText) {
  Start();
  Type(2, "1000");
  g_bmpSave.fileName = (dir_ / "old.bmp").string();
  // The frame at (0, 0) is 1000 × 750: its top-left corner is (0, 750).
  GcellAddText(0, 1, 1, "$>plan1.dxf", 0, 0, 30, 760);
  ExportAt(0, 0, "", 1);
  ASSERT_FALSE(platform().fileDialogs().empty());
  EXPECT_EQ(platform().fileDialogs().back().fileName, (dir_ / "plan1").string());
  ExportAt(0, 500, "", 1);  // the text is far from this frame's corner
  EXPECT_EQ(platform().fileDialogs().back().fileName, (dir_ / "Default").string());
}

TEST(BmpCopyTest, TheViewOnceOrTwiceItsSize) {
  VelmoReset();
  Headless().Reset();
  Harness ui(1000, 700);
  TGContext& v = CurrentView();
  G_SetWindow(v, 0, 0, 1000, 700);
  g_viewBuffer.windowSet = true;
  GcellAddLine(0, 0x11, 100, 350, 900, 350);
  GcellCommit();
  ViewRedraw(1);
  struct Case {
    const char* item;
    MsgAnswer answer;
    int w, h;
  };
  for (const Case c : {Case{"BmpCopy1", MsgAnswer::Ok, 1000, 700}, {"BmpCopy2", MsgAnswer::Yes, 2000, 1400},
                       {"BmpCopy2", MsgAnswer::No, 1000, 700}}) {
    if (std::string(c.item) == "BmpCopy2") Headless().ScriptAnswer(c.answer);
    InputMenu(c.item);
    TRasterImage im;
    ASSERT_TRUE(Headless().ClipboardImage(im)) << c.item;
    EXPECT_EQ(im.width, c.w) << c.item;
    EXPECT_EQ(im.height, c.h) << c.item;
  }
  // With Ctrl held: black and white only.
  Headless().SetKeyDown(PhysKey::Ctrl, true);
  InputMenu("BmpCopy1");
  Headless().SetKeyDown(PhysKey::Ctrl, false);
  TRasterImage im;
  ASSERT_TRUE(Headless().ClipboardImage(im));
  for (std::uint32_t px : im.pixels) ASSERT_TRUE((px & 0xFFFFFF) == 0 || (px & 0xFFFFFF) == 0xFFFFFF);
}

}  // namespace
