#include "files/FileProc.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "JwwFixture.h"
#include "LhaFixture.h"
#include "VldFixture.h"
#include "app/ApInit.h"
#include "app/ApMainMenu.h"
#include "app/Ap_Unit1.h"
#include "files/Z_Compress.h"
#include "files/fSave_VLD.h"
#include "kernel/RunLock.h"
#include "model/ComHst.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "render/GC_Tenkai.h"
#include "kernel/SjisConv.h"

namespace {

using namespace vldtest;

class FileProcTest : public VldTest {
protected:
  // A drawing of n lines in the current window, modified.
  void Draw(int n) {
    for (int i = 0; i < n; ++i) GcellAddLine(0, 0x11, i, 0, i + 10, 5);
    CurPVC().modified = n;
  }
  int Lines() const {
    int n = 0;
    for (int i = 1; i <= StoreUsed(); ++i)
      if (GcellLive(i) && GcellRef(i).window == StoreWindow() && GcellRef(i).kind == GK_LINE) ++n;
    return n;
  }
  bool HasMessage(const std::string& part) const {
    for (const RecordedMessage& m : Headless().messages())
      if (m.text.find(part) != std::string::npos) return true;
    return false;
  }
  void MakeReadOnly(const fs::path& p) { ASSERT_EQ(::chmod(p.c_str(), 0444), 0); }
};

// ---- Save as ----------------------------------------------------------------

TEST_F(FileProcTest, SaveAsForcesTheFilterExtensionAndTurnsTheStartupNameIntoVsD) {
  struct Case {
    std::string chosen;
    int filter;
    std::string written;  // the only new file
  };
  // The extension's letters keep the case typed; without one, upper case.
  const std::vector<Case> cases = {
      {"plan", 1, "plan.VLD"},          {"plan.txt", 1, "plan.vld"},   {"plan.TXT", 1, "plan.VLD"},
      {"plan.vld", 4, "plan.vlz"},      {"plan.Vld", 4, "plan.VLZ"},   {"plan", 4, "plan.VLZ"},
      {"#init.vld", 1, "#init.V$D"},    {"#INIT", 1, "#INIT.V$D"},     {"#Init.Vld", 1, "#Init.V$D"},
      {"#init.vld", 4, "#init.vlz"},  // only the native text name is the start-up file
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.chosen + " filter " + std::to_string(c.filter));
    fs::remove_all(Path("out"));
    fs::create_directories(Path("out"));
    GcellClearWindow(StoreWindow());
    Draw(3);
    platform().ScriptFile({true, Path("out/" + c.chosen).string(), c.filter});
    SaveAsCommand();
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(Path("out"))) names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{c.written});
    EXPECT_EQ(CurPVC().fileName, Path("out/" + c.written).string());
    EXPECT_EQ(CurPVC().modified, 0);
    EXPECT_EQ(RecentFile(1), CurPVC().fileName);
  }
  EXPECT_TRUE(platform().messages().empty());
}

// Where letter case counts, "plan.VLD" chosen over an existing "plan.vld"
// is that file: the user is asked, and one file holds the new drawing.
TEST_F(FileProcTest, SaveAsOverAFileDifferingOnlyInTheExtensionsCaseAsksAndLeavesOneFile) {
  struct Case {
    std::string existing, chosen;
    int filter;
  } cases[] = {{"plan.vld", "plan", 1}, {"plan.vld", "plan.VLD", 1}, {"plan.VLZ", "plan.vlz", 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.chosen + " over " + c.existing);
    fs::remove_all(Path("out"));
    fs::create_directories(Path("out"));
    WriteFile(Path("out/" + c.existing), "old");
    GcellClearWindow(StoreWindow());
    Draw(3);
    Headless().Reset();
    platform().ScriptFile({true, Path("out/" + c.chosen).string(), c.filter});
    platform().ScriptAnswer(MsgAnswer::Cancel);
    SaveAsCommand();
    ASSERT_EQ(platform().messages().size(), 1u);
    EXPECT_NE(platform().messages()[0].text.find(c.existing), std::string::npos);
    EXPECT_EQ(ReadFile(Path("out/" + c.existing)), "old");
    EXPECT_EQ(CurPVC().modified, 3);

    platform().ScriptFile({true, Path("out/" + c.chosen).string(), c.filter});
    platform().ScriptAnswer(MsgAnswer::Ok);
    SaveAsCommand();
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(Path("out"))) names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{c.existing});
    EXPECT_NE(ReadFile(Path("out/" + c.existing)), "old");
    EXPECT_EQ(CurPVC().fileName, Path("out/" + c.existing).string());
    // Opened again, it holds the new drawing.
    GcellClearWindow(StoreWindow());
    ASSERT_TRUE(OpenDrawingFile(Path("out/" + c.existing)));
    EXPECT_EQ(Lines(), 3);
  }
}

// The dialogs start in the last folder, else the drawing's folder, else home.
TEST_F(FileProcTest, FileDialogsStartInTheLastFolderOrAtHome) {
  const char* home = std::getenv("HOME");
  ASSERT_NE(home, nullptr);
  platform().ScriptFile({false, ""});
  SaveAsCommand();
  EXPECT_EQ(fs::path(platform().fileDialogs().back().initialDir), fs::path(home) / "");
  fs::create_directories(Path("drawings"));
  CurPVC().fileName = Path("drawings/a.vld").string();
  platform().ScriptFile({false, ""});
  SaveAsCommand();
  EXPECT_EQ(platform().fileDialogs().back().initialDir, Path("drawings").string() + "/");
  SetLastFolder(dir_.string() + "/");
  platform().ScriptFile({false, ""});
  OpenCommand(TFileSender::Open1);
  EXPECT_EQ(platform().fileDialogs().back().initialDir, dir_.string() + "/");
}

TEST_F(FileProcTest, SaveAsPresetsTheDialogFromTheWindowsName) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"a.vld", 1}, {"a.VLZ", 4}, {"a.jwc", 2}, {"a.DXF", 3}, {"", 1}};
  for (const auto& [name, index] : cases) {
    CurPVC().fileName = name.empty() ? "" : Path(name).string();
    platform().ScriptFile({false, ""});
    SaveAsCommand();
    const TFileDialogRequest& request = platform().fileDialogs().back();
    EXPECT_EQ(request.filterIndex, index) << name;
    EXPECT_EQ(request.fileName, name.empty() ? "" : Path("a").string()) << name;
  }
}

TEST_F(FileProcTest, AFailedSaveAsKeepsTheWindowsName) {
  Draw(2);
  CurPVC().fileName = Path("mine.vld").string();
  fs::create_directories(Path("locked"));
  WriteFile(Path("locked/new.VLD"), "old");
  MakeReadOnly(Path("locked/new.VLD"));
  platform().ScriptFile({true, Path("locked/new.vld").string(), 1});
  SaveAsCommand();
  EXPECT_EQ(CurPVC().fileName, Path("mine.vld").string());
  EXPECT_EQ(CurPVC().modified, 2);
  EXPECT_EQ(ReadFile(Path("locked/new.VLD")), "old");
}

// ---- Read-only files and overwriting ------------------------------------------

TEST_F(FileProcTest, ReadOnlyTargetIsRefusedBeforeAnyQuestionAndLeftAlone) {
  for (const std::string name : {"ro.vld", "ro.VLZ", "ro.v$d"}) {
    SCOPED_TRACE(name);
    Headless().Reset();
    WriteFile(Path(name), "the user's drawing");
    MakeReadOnly(Path(name));
    Draw(4);
    EXPECT_FALSE(SaveToFile(Path(name)));  // an unscripted question would fail the test
    ASSERT_EQ(platform().messages().size(), 1u);
    EXPECT_NE(platform().messages()[0].text.find("読み出し専用ファイル"), std::string::npos);
    EXPECT_EQ(platform().messages()[0].buttons, MsgButtons::Abort);
    EXPECT_EQ(platform().beeps(), 1);
    EXPECT_EQ(ReadFile(Path(name)), "the user's drawing");
    EXPECT_NE(CurPVC().modified, 0);
    EXPECT_NE(CurPVC().fileName, Path(name).string());
  }
  // Nothing was left beside them.
  EXPECT_EQ(Names(), (std::vector<std::string>{"ro.VLZ", "ro.v$d", "ro.vld"}));
}

TEST_F(FileProcTest, OverwritingAsksAndCancelKeepsTheFile) {
  WriteFile(Path("a.vld"), "old");
  Draw(1);
  platform().ScriptAnswer(MsgAnswer::Cancel);
  EXPECT_FALSE(SaveToFile(Path("a.vld")));
  EXPECT_EQ(ReadFile(Path("a.vld")), "old");
  platform().ScriptAnswer(MsgAnswer::Ok);
  EXPECT_TRUE(SaveToFile(Path("a.vld")));
  EXPECT_NE(ReadFile(Path("a.vld")).find("LINE"), std::string::npos);
  ASSERT_EQ(platform().messages().size(), 2u);
  EXPECT_EQ(platform().messages()[0].buttons, MsgButtons::OkCancel);

  // With the option set, no question: the guide panel flashes grey instead,
  // shown at once, and gets its colour back.
  AppOptions().NoSvChk = true;
  std::vector<std::uint32_t> shown;
  platform().OnShowNow([&shown] { shown.push_back(g_form1.PnlGuid.color); });
  Draw(1);
  EXPECT_TRUE(SaveToFile(Path("a.vld")));
  EXPECT_EQ(platform().messages().size(), 2u);
  EXPECT_EQ(g_fileProc.guideFlashes, 1);
  EXPECT_EQ(shown, (std::vector<std::uint32_t>{0x505050, clBtnFace}));
}

TEST_F(FileProcTest, ExtensionsThatCannotBeSavedAreRefused) {
  Draw(1);
  for (const std::string name : {"a.txt", "a", "a.jww", "a.jwk", "a.dwg"}) {
    Headless().Reset();
    EXPECT_FALSE(SaveToFile(Path(name))) << name;
    EXPECT_EQ(platform().messages().size(), 1u) << name;
    EXPECT_FALSE(fs::exists(Path(name))) << name;
  }
  EXPECT_EQ(CurPVC().modified, 1);
}

// ---- Save and open round trips ----------------------------------------------------

// A part opened with "all parts" lays out the folder: every part in a grid
// of cells wide and high enough for the largest, its name below it; "No"
// opens the one part.
TEST_F(FileProcTest, PartsFolderLaidOutInAGrid) {
  const fs::path golden = fs::path(VELMO_TESTS_DIR) / "files" / "data" / "jwc" / "part.jwk";
  fs::create_directories(Path("parts"));
  for (const char* name : {"p5.jwk", "p1.JWK", "p3.jwk", "p2.jwk", "p4.jwk"})
    fs::copy_file(golden, Path("parts") / name);
  WriteFile(Path("parts/notes.txt"), "not a part");

  platform().ScriptAnswer(MsgAnswer::No);
  ASSERT_TRUE(OpenChosen(Path("parts/p3.jwk")));
  EXPECT_EQ(Lines(), 2);

  platform().ScriptAnswer(MsgAnswer::Yes);
  ASSERT_TRUE(OpenChosen(Path("parts/p3.jwk")));
  TGcell sample = MakeText("", {0, 0}, 0);
  sample.size = static_cast<std::uint8_t>(std::max(CurPVC().textSize, 1));
  const TTextMetrics m = TextMetrics(sample);
  const double w = std::max(10 * m.width, 200 + 1 + 3 * m.height);  // each part is 200 x 100
  const double h = std::max(m.height, 100 + 1 + 5 * m.height);
  const int columns = static_cast<int>(std::lround(std::sqrt(5.0) * 1.4 * h / w)) + 1;
  std::vector<TGcell> texts, marks;
  for (int i = 1; i <= StoreUsed(); ++i) {
    if (!GcellLive(i)) continue;
    if (GcellRef(i).kind == GK_TEXT) texts.push_back(GcellRef(i));
    if (GcellRef(i).kind == GK_POINT) marks.push_back(GcellRef(i));
  }
  ASSERT_EQ(texts.size(), 5u);
  ASSERT_EQ(marks.size(), 5u);
  EXPECT_EQ(Lines(), 10);
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    const double x = (i % columns + 0.2) * w, y = -h * (i / columns + 1);
    EXPECT_EQ(texts[i].text, "p" + std::to_string(i + 1));
    EXPECT_NEAR(TextOf(texts[i]).at.x, x, 1e-9);
    EXPECT_NEAR(TextOf(texts[i]).at.y, y - 2 * m.height, 1e-9);
    // The reference point (100, 50) of a part whose lower-left is (0, 0).
    EXPECT_NEAR(PointOf(marks[i]).x, x + 100, 1e-9);
    EXPECT_NEAR(PointOf(marks[i]).y, y + 50, 1e-9);
  }
  EXPECT_EQ(CurPVC().fileName, (Path("parts") / SjisToUtf8("部品リスト")).string());
  EXPECT_EQ(CurPVC().modified, 0);
}

// A DXF drawing opens through the import dialog, whose choices it takes; a
// DWG file asks for a converter.
TEST_F(FileProcTest, DxfDrawingsOpenThroughTheirDialog) {
  WriteFile(Path("plan.DXF"), "0\nSECTION\n2\nENTITIES\n0\nLINE\n10\n0\n20\n0\n11\n5\n21\n5\n0\n"
                              "TEXT\n10\n0\n20\n0\n40\n2\n1\nA\n0\nENDSEC\n0\nEOF\n");
  Headless().ScriptLoadDxf(false);
  EXPECT_FALSE(OpenFileIntoWindow(Path("plan.DXF")));
  EXPECT_EQ(Lines(), 0);

  TLoadDxfForm answer;
  answer.scale = "1/50";
  answer.textZoom = "２";  // full-width is taken too
  answer.sizeMode = 1;
  Headless().ScriptLoadDxf(true, answer);
  EXPECT_TRUE(OpenFileIntoWindow(Path("plan.DXF")));
  EXPECT_EQ(Lines(), 1);
  EXPECT_EQ(CurPVC().basicScale, 50);
  EXPECT_EQ(CurPVC().groups[7].scaleX, 50);
  for (int i = 1; i <= StoreUsed(); ++i)
    if (GcellLive(i) && GcellRef(i).kind == GK_TEXT) {
      EXPECT_EQ(GcellRef(i).p[3], 4);  // twice its height
      EXPECT_EQ(GcellRef(i).size, 0);  // its own size kept
    }
  EXPECT_EQ(g_fileProc.dxfForm.scale, ScaleText(50));  // shown in the scale's notation next time
  EXPECT_TRUE(Headless().messages().empty());

  // DWG: without a converter, a message; with one, what it wrote is read
  // (here a "converter" that copies, and a DWG that is DXF already).
  WriteFile(Path("plan.dwg"), ReadFile(Path("plan.DXF")));
  Headless().Reset();
  EXPECT_FALSE(OpenDrawingFile(Path("plan.dwg")));
  EXPECT_TRUE(HasMessage("DwgConv"));
  AppOptions().DwgConv = "/bin/cp";
  Headless().Reset();
  EXPECT_TRUE(OpenDrawingFile(Path("plan.dwg")));
  EXPECT_EQ(Lines(), 1);
  EXPECT_TRUE(Headless().messages().empty());
  AppOptions().DwgConv = "/bin/false";
  EXPECT_FALSE(OpenDrawingFile(Path("plan.dwg")));
  EXPECT_TRUE(HasMessage("ファイル読み込み失敗"));
}

// A Jw_cad drawing opens into the window with its settings; what it held
// that the window cannot, and the damage that stopped it, are told in one
// warning, and the part before the damage stays.
TEST_F(FileProcTest, JwwDrawingsOpenAndTellWhatWasLost) {
  jwwtest::TJwwWriter w;
  w.scales[0] = 20;
  w.Line({}, 0, 0, 10, 0).CircleSolid({105, 2}, 0, 0, 5, 0, 0, 1).Text({}, 0, 0, 1, 1, 1, 0, 0, "^@BMplan.bmp,100,50");
  std::string bytes = w.Bytes();
  WriteFile(Path("whole.JWW"), bytes);
  w.Line({}, 1, 1, 2, 2);
  bytes = w.Bytes();
  WriteFile(Path("cut.jww"), bytes.substr(0, bytes.size() - 20));

  EXPECT_TRUE(OpenFileIntoWindow(Path("whole.JWW")));
  EXPECT_EQ(Lines(), 1);
  EXPECT_EQ(CurPVC().basicScale, 20);
  EXPECT_EQ(CurPVC().fileName, Path("whole.JWW").string());
  ASSERT_EQ(Headless().messages().size(), 1u);
  EXPECT_TRUE(HasMessage("この形式の要素 2 個は読み込めませんでした。"));

  Headless().Reset();
  EXPECT_TRUE(OpenFileIntoWindow(Path("cut.jww")));
  EXPECT_EQ(Lines(), 1);
  ASSERT_EQ(Headless().messages().size(), 1u);
  EXPECT_TRUE(HasMessage("は壊れています。\r\nファイルが途中で終わっています.\r\n壊れた所より前の要素 1 個"));
}

TEST_F(FileProcTest, VlzSavesAndOpensTheSameDrawing) {
  Draw(50);
  ASSERT_TRUE(SaveByExtension(Path("d.vlz")));
  ASSERT_TRUE(SaveByExtension(Path("d.vld")));
  std::vector<unsigned char> text;
  const std::string packed = ReadFile(Path("d.vlz"));
  ASSERT_TRUE(DecompressBytes(kVlzSignature, ByteSpan(packed), text));
  EXPECT_EQ(std::string(text.begin(), text.end()), ReadFile(Path("d.vld")));
  EXPECT_LT(packed.size(), text.size());

  EXPECT_TRUE(OpenFileIntoWindow(Path("d.vlz")));
  EXPECT_EQ(Lines(), 50);
  EXPECT_EQ(CurPVC().fileName, Path("d.vlz").string());
  EXPECT_EQ(CurPVC().modified, 0);
  // The scratch text is gone.
  EXPECT_EQ(Names(), (std::vector<std::string>{"Operation.hst", "Operation.hst.lock", "d.vld", "d.vlz"}));
}

TEST_F(FileProcTest, AFailedOpenLeavesTheWindowUntitled) {
  Draw(5);
  ASSERT_TRUE(SaveToFile(Path("mine.vld")));
  const std::string mine = ReadFile(Path("mine.vld"));
  std::string damaged = ReadFile(Path("mine.vld"));
  WriteFile(Path("bad.vlz"), "CMP-VLE" + std::string(25, '\0') + "xxxx");  // signature off by one letter
  WriteFile(Path("cut.vlz"), "CMP-VLD");                                   // shorter than its header

  for (const std::string bad : {"bad.vlz", "cut.vlz", "unknown.abc"}) {
    SCOPED_TRACE(bad);
    ASSERT_TRUE(OpenFileIntoWindow(Path("mine.vld")));
    EXPECT_EQ(CurPVC().fileName, Path("mine.vld").string());
    Headless().Reset();
    if (bad == "unknown.abc") WriteFile(Path(bad), "?");
    EXPECT_FALSE(OpenFileIntoWindow(Path(bad)));
    EXPECT_EQ(platform().messages().size(), 1u);
    EXPECT_EQ(CurPVC().fileName, "");
    EXPECT_EQ(Lines(), 0);
    // Save no longer means the user's file: it asks for a name (cancelled here).
    platform().ScriptFile({false, ""});
    SaveCommand(TFileSender::Save1);
    EXPECT_EQ(ReadFile(Path("mine.vld")), mine);
  }
}

// A drawing cut short opens with the elements before the cut and a warning
// that says how many, untitled and modified: neither Save nor closing can
// put the part over the damaged original unasked.
TEST_F(FileProcTest, ADamagedDrawingOpensItsFirstPartUntitledAndModified) {
  constexpr int kDrawn = 2000;
  Draw(kDrawn);  // line i starts at x = i
  ASSERT_TRUE(SaveByExtension(Path("whole.vlz")));
  ASSERT_TRUE(SaveByExtension(Path("whole.vld")));
  const std::string vlz = ReadFile(Path("whole.vlz")), vld = ReadFile(Path("whole.vld"));
  struct Case {
    std::string name, bytes;
  } cases[] = {
      {"half.vlz", vlz.substr(0, vlz.size() / 2)},
      {"most.vlz", vlz.substr(0, vlz.size() * 99 / 100)},
      {"byte.vlz", vlz.substr(0, vlz.size() - 1)},
      {"half.vld", vld.substr(0, vld.size() / 2)},
      {"noeof.vld", vld.substr(0, vld.find("$ENDS,ENTITIES"))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(Path(c.name), c.bytes);
    GcellClearWindow(StoreWindow());
    CurPVC().modified = 0;
    Headless().Reset();
    EXPECT_TRUE(OpenFileIntoWindow(Path(c.name)));
    const int read = Lines();
    EXPECT_GT(read, c.name.starts_with("half") ? kDrawn / 3 : kDrawn * 9 / 10);
    EXPECT_LE(read, kDrawn);
    // The elements before the cut, as they were drawn.
    std::vector<double> xs;
    for (int i = 1; i <= StoreUsed(); ++i)
      if (GcellLive(i) && GcellRef(i).kind == GK_LINE) xs.push_back(GcellRef(i).p[0]);
    std::sort(xs.begin(), xs.end());
    for (int i = 0; i < read; ++i) ASSERT_EQ(xs[static_cast<std::size_t>(i)], i);
    ASSERT_EQ(platform().messages().size(), 1u);
    const RecordedMessage& m = platform().messages()[0];
    EXPECT_EQ(m.icon, MsgIcon::Warning);
    EXPECT_NE(m.text.find(c.name + "]は壊れています"), std::string::npos) << SjisToUtf8(m.text);
    EXPECT_NE(m.text.find(" " + std::to_string(read) + " 個"), std::string::npos) << SjisToUtf8(m.text);
    EXPECT_EQ(CurPVC().fileName, "");
    EXPECT_NE(CurPVC().modified, 0);
    EXPECT_NE(RecentFile(1), Path(c.name).string());
    // Save asks for a name (cancelled here); the original stays as it was.
    platform().ScriptFile({false, ""});
    SaveCommand(TFileSender::Save1);
    EXPECT_EQ(ReadFile(Path(c.name)), c.bytes);
    // The command line refuses to convert a part.
    Headless().Reset();
    EXPECT_EQ(ConvertDrawing(Path(c.name), Path("converted.vld")), 1);
    EXPECT_FALSE(fs::exists(Path("converted.vld")));
  }
  // No scratch text is left behind.
  for (const std::string& n : Names()) EXPECT_EQ(n.find("#TMP"), std::string::npos) << n;
}

TEST_F(FileProcTest, ReadProblemsNameTheUsersFileAndCountWhatWasLeftOut) {
  // A compressed file of its header alone holds no drawing: the message
  // names it, not the scratch text.
  WriteFile(Path("head.vlz"), "CMP-VLD" + std::string(25, '\0'));
  EXPECT_FALSE(OpenFileIntoWindow(Path("head.vlz")));
  ASSERT_EQ(platform().messages().size(), 1u);
  EXPECT_NE(platform().messages()[0].text.find("head.vlz<は読み込めません"), std::string::npos)
      << SjisToUtf8(platform().messages()[0].text);
  EXPECT_EQ(platform().messages()[0].text.find("#TMP"), std::string::npos);

  // Elements beyond the reader's limits are counted in a warning.
  Headless().Reset();
  WriteFile(Path("far.vld"), Crlf("Velmoデータファイル\t5.2\nLINE,0,0,17,0,0,1.0E+99,1,0\n"
                                  "POINT,0,0,17,-2.0E+13,0\nLINE,0,0,17,0,0,5,5,0\n$EOF\n"));
  EXPECT_TRUE(OpenFileIntoWindow(Path("far.vld")));
  EXPECT_EQ(Lines(), 1);
  ASSERT_EQ(platform().messages().size(), 1u);
  EXPECT_EQ(platform().messages()[0].icon, MsgIcon::Warning);
  EXPECT_NE(platform().messages()[0].text.find("のうち 2 個は、座標が範囲外"), std::string::npos)
      << SjisToUtf8(platform().messages()[0].text);
  EXPECT_EQ(CurPVC().fileName, Path("far.vld").string());  // whole: what it held was read

  // Lines ending in CR alone: the elements, no message.
  Headless().Reset();
  WriteFile(Path("cr.vld"), "Velmoデータファイル\t5.2\rCF_MJSIZH, 9.0\rLINE,0,0,17,0,0,5,5,0\r"
                            "LINE,0,0,17,1,0,5,5,0\r$EOF\r");
  EXPECT_TRUE(OpenFileIntoWindow(Path("cr.vld")));
  EXPECT_EQ(Lines(), 2);
  EXPECT_TRUE(platform().messages().empty());
  // Its settings too; the text-size box shows them.
  EXPECT_EQ(CurPVC().textSizes[1].height, 9);
  EXPECT_EQ(g_form1.CbMojiSize.items[1].substr(0, 8), " 1)  9.0");
}

TEST_F(FileProcTest, OpenCommandAsksToSaveAModifiedWindowFirst) {
  Draw(2);
  ASSERT_TRUE(SaveByExtension(Path("other.vld")));
  GcellClearWindow(StoreWindow());
  Draw(7);
  CurPVC().fileName = Path("current.vld").string();

  platform().ScriptAnswer(MsgAnswer::Cancel);  // the modified question
  OpenCommand(TFileSender::Open1);
  EXPECT_EQ(Lines(), 7);
  EXPECT_TRUE(platform().fileDialogs().empty());

  platform().ScriptAnswer(MsgAnswer::Yes);  // save current.vld (new: no overwrite question)
  platform().ScriptFile({true, Path("other.vld").string()});
  OpenCommand(TFileSender::Open1);
  EXPECT_EQ(Lines(), 2);
  EXPECT_EQ(ReadFile(Path("current.vld")).find("LINE") != std::string::npos, true);
  EXPECT_EQ(CurPVC().fileName, Path("other.vld").string());
  EXPECT_EQ(LastFolder(), dir_.string() + "/");
  EXPECT_EQ(RecentFile(1), Path("other.vld").string());
  EXPECT_EQ(RecentFile(2), Path("current.vld").string());

  // A name that does not exist.
  Headless().Reset();
  platform().ScriptFile({true, Path("gone.vld").string()});
  OpenCommand(TFileSender::Open1);
  ASSERT_EQ(platform().messages().size(), 1u);
  EXPECT_NE(platform().messages()[0].text.find("が見つかりません"), std::string::npos);
  EXPECT_EQ(Lines(), 2);
}

TEST_F(FileProcTest, OpeningShowsEverythingAndResetsThePens) {
  // A drawing with elements only: what it shows comes from the open itself.
  WriteFile(Path("bare.vld"), Crlf(std::string(kVldProduct) +
                                   "\t5.2\t2020.11.26\n$BEGIN,ENTITIES\nLINE,0,0,17,0,0,10,10,0\n"
                                   "$ENDS,ENTITIES\n$EOF\n"));
  TPVC& p = CurPVC();
  p.groups[4].visible = false;
  p.groups[0].layers[9].visible = false;
  p.show.texts = p.show.points = p.show.auxiliary = false;
  p.rangeRemembered = true;
  p.writeLayer = 0x35;
  p.writePen = 0x35;
  p.dimPen = 0x46;
  ASSERT_TRUE(OpenFileIntoWindow(Path("bare.vld")));
  EXPECT_EQ(Lines(), 1);
  EXPECT_TRUE(CurPVC().groups[4].visible);
  EXPECT_TRUE(CurPVC().groups[0].layers[9].visible);
  EXPECT_TRUE(CurPVC().show.texts);
  EXPECT_TRUE(CurPVC().show.points);
  EXPECT_TRUE(CurPVC().show.auxiliary);
  EXPECT_FALSE(CurPVC().rangeRemembered);
  EXPECT_EQ(CurPVC().writeLayer, 0);
  EXPECT_EQ(CurPVC().writePen, 0x11);
  EXPECT_EQ(CurPVC().dimPen, 0x11);
  EXPECT_TRUE(platform().messages().empty());
}

TEST_F(FileProcTest, OpeningInWindow2LeavesWindow1Alone) {
  Draw(2);
  ASSERT_TRUE(SaveByExtension(Path("two.vld")));
  GcellClearWindow(1);
  Draw(5);
  CurPVC().fileName = Path("one.vld").string();
  // The window switch is not built yet: the settings slots and the store's
  // window are switched as it will.
  ASSERT_TRUE(SwapWorkingSettings(1, 2));
  SetStoreWindow(2);
  ASSERT_TRUE(OpenFileIntoWindow(Path("two.vld")));
  EXPECT_EQ(Lines(), 2);
  ASSERT_TRUE(SwapWorkingSettings(2, 1));
  SetStoreWindow(1);
  EXPECT_EQ(Lines(), 5);
  EXPECT_EQ(CurPVC().fileName, Path("one.vld").string());
  EXPECT_EQ(CurPVC().modified, 5);
}

// ---- Recent files ---------------------------------------------------------------------

TEST_F(FileProcTest, RecentListHoldsEachNameOnceNewestFirst) {
  for (const char* n : {"a", "b", "c", "a", "c", "c"}) AddRecentFile(n);
  EXPECT_EQ(RecentFile(1), "c");
  EXPECT_EQ(RecentFile(2), "a");
  EXPECT_EQ(RecentFile(3), "b");
  EXPECT_EQ(RecentFile(4), "");
  EXPECT_EQ(g_fileProc.recentMenu[2].caption, "b");
  EXPECT_TRUE(g_fileProc.recentMenu[2].visible);
  EXPECT_FALSE(g_fileProc.recentMenu[3].visible);
  EXPECT_TRUE(g_fileProc.recentSeparators);

  for (int i = 1; i <= 12; ++i) AddRecentFile("f" + std::to_string(i));
  AddRecentFile("f5");  // from the middle of a full list
  const std::vector<std::string> want = {"f5", "f12", "f11", "f10", "f9", "f8", "f7", "f6", "f4"};
  for (int i = 1; i <= 9; ++i) EXPECT_EQ(RecentFile(i), want[i - 1]) << i;
  EXPECT_EQ(RecentFile(10), "");

  ClearRecentFiles();
  EXPECT_EQ(RecentFile(1), "");
  EXPECT_EQ(g_fileProc.recentMenu[0].caption, "なし");
  EXPECT_FALSE(g_fileProc.recentMenu[0].enabled);
  EXPECT_TRUE(g_fileProc.recentMenu[0].visible);
  EXPECT_FALSE(g_fileProc.recentMenu[1].visible);
  EXPECT_FALSE(g_fileProc.recentSeparators);
}

// The menu bar's items as the registry gives them now: the recent files
// ("なし" alone while there are none), the windows' names and ticks, the
// tools-mode item; opening a menu ends the operation.
TEST_F(FileProcTest, MenuItemsShowTheirStateAsItIsNow) {
  auto item = [](const char* name) { return *FindMenuCommand(name); };
  EXPECT_EQ(MenuCommandCaption(item("ReOpen1")), "なし");
  EXPECT_FALSE(MenuCommandEnabled(item("ReOpen1")));
  EXPECT_TRUE(MenuCommandShown(item("ReOpen1")));
  EXPECT_FALSE(MenuCommandShown(item("ReOpen2")));
  EXPECT_FALSE(MenuCommandEnabled(item("ReOpenDel2")));
  AddRecentFile("/d/a.vld");
  AddRecentFile("/d/b.vld");
  EXPECT_EQ(MenuCommandCaption(item("ReOpen1")), "/d/b.vld");
  EXPECT_EQ(MenuCommandCaption(item("ReOpen2")), "/d/a.vld");
  EXPECT_TRUE(MenuCommandEnabled(item("ReOpen1")));
  EXPECT_TRUE(MenuCommandShown(item("ReOpen2")));
  EXPECT_FALSE(MenuCommandShown(item("ReOpen3")));
  EXPECT_TRUE(MenuCommandEnabled(item("ReOpenDel2")));

  EXPECT_FALSE(MenuCommandShown(item("OpBtn_BoxCounter")));
  g_fileProc.toolsMode = true;
  EXPECT_TRUE(MenuCommandShown(item("OpBtn_BoxCounter")));

  // The window menu: each window's name, the current one ticked.
  CurPVC().fileName = "/d/plan.vld";
  EXPECT_EQ(FindTopMenu("ウィンドウ"), TMenu::Window);
  EXPECT_EQ(FindTopMenu("ファイル(&F)"), TMenu::File);
  EXPECT_EQ(FindTopMenu("なし"), TMenu::None);
  MenuOpened(TMenu::Window);
  EXPECT_EQ(MenuCommandCaption(item("fname1")), "<1>/d/plan.vld");
  EXPECT_EQ(MenuCommandCaption(item("fname2")), "<2>");
  EXPECT_TRUE(item("fname1").checked());
  MenuItemCommand("fname2");
  EXPECT_EQ(StoreWindow(), 2);
  EXPECT_TRUE(item("fname2").checked());
  EXPECT_FALSE(item("fname1").checked());

  // 終了 asks the window to close (its close asks the questions).
  MenuItemCommand("Exit1");
  EXPECT_EQ(Headless().closeRequests(), 1);
}

TEST_F(FileProcTest, ARecentFileThatIsGoneIsSaidSoAndNothingChanges) {
  Draw(2);
  CurPVC().fileName = Path("mine.vld").string();
  CurPVC().modified = 0;
  AddRecentFile(Path("gone.vld").string());
  MenuItemCommand("ReOpen1");
  ASSERT_EQ(platform().messages().size(), 1u);
  EXPECT_NE(platform().messages()[0].text.find("gone.vld]が見つかりません。"), std::string::npos);
  EXPECT_EQ(platform().messages()[0].buttons, MsgButtons::Yes);
  EXPECT_EQ(Lines(), 2);
  EXPECT_EQ(CurPVC().fileName, Path("mine.vld").string());
}

TEST_F(FileProcTest, ReopeningAListedFileMovesItToTheTop) {
  Draw(1);
  ASSERT_TRUE(SaveToFile(Path("one.vld")));
  Draw(2);
  ASSERT_TRUE(SaveToFile(Path("two.vld")));
  ASSERT_EQ(RecentFile(1), Path("two.vld").string());
  ASSERT_EQ(RecentFile(2), Path("one.vld").string());
  ReOpenCommand(2);
  EXPECT_EQ(RecentFile(1), Path("one.vld").string());
  EXPECT_EQ(RecentFile(2), Path("two.vld").string());
  EXPECT_EQ(RecentFile(3), "");
  EXPECT_EQ(CurPVC().fileName, Path("one.vld").string());
  EXPECT_EQ(Lines(), 1);
}

// ---- "Operation.hst" -------------------------------------------------------------------

TEST_F(FileProcTest, HistoryFileRoundTrip) {
  SetLastFolder("/home/user/図面/");
  g_fileProc.hst[kHstPictureFolder - 1] = "/pictures/";
  g_fileProc.hst[99] = "line 100";
  for (int i = 9; i >= 1; --i) AddRecentFile("/d/" + std::to_string(i) + ".vld");
  THistrylist& angles = *HistoryList(kAngleHistory);
  for (int i = 1; i <= 25; ++i) HistoryPush(angles, std::to_string(i * 15));
  HistoryPush(*HistoryList(50), "文字列 テキスト");
  HistoryPush(*HistoryList(99), "last");
  ASSERT_TRUE(SaveOperationHst());

  const std::string text = ReadFile(Path("Operation.hst"));
  const std::vector<std::string> lines = SplitCrlf(text);
  EXPECT_EQ(lines.front(), "$BEGIN");
  EXPECT_EQ(lines[101], "$EOB");
  EXPECT_EQ(lines.back(), "$EOF");
  EXPECT_EQ(lines.size(), 1u + 100 + 1 + 100 * 2 + 20 + 1 + 1 + 1);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");

  const FileProcState saved = g_fileProc;
  const ComHstState histories = g_comHst;
  FileProc_Reset();
  ComHst_Reset();
  LoadOperationHst();
  EXPECT_EQ(g_fileProc.hst, saved.hst);
  for (int k = 0; k < kHistoryLists; ++k) EXPECT_EQ(g_comHst.lists[k].entries, histories.lists[k].entries) << k;
  EXPECT_EQ(RecentFile(1), "/d/1.vld");
  EXPECT_EQ(g_fileProc.recentMenu[8].caption, "/d/9.vld");
  EXPECT_EQ(HistoryList(kAngleHistory)->entries[1], "375");
  EXPECT_EQ(HistoryCount(*HistoryList(kAngleHistory)), 20);
}

// Two copies of the program on one folder: each writes "Operation.hst" with
// what it changed, over what the other wrote meanwhile. The other copy is
// played here by writing the file as it would have.
TEST_F(FileProcTest, HistoryFileKeepsWhatAnotherCopyWroteMeanwhile) {
  SetLastFolder("/start/");
  AddRecentFile("/d/old.vld");
  HistoryPush(*HistoryList(3), "3 at start");
  HistoryPush(*HistoryList(5), "5 at start");
  ASSERT_TRUE(SaveOperationHst());
  LoadOperationHst();  // this run starts here

  // The other copy saved b.vld from another folder and typed into history 3.
  THstText other = ParseHstText(ReadFile(Path("Operation.hst")));
  other.hst[kHstLastFolder - 1] = "/other/";
  other.hst[kHstRecentFirst - 1 + 1] = other.hst[kHstRecentFirst - 1];
  other.hst[kHstRecentFirst - 1] = "/other/b.vld";
  other.lists[3].insert(other.lists[3].begin(), "3 by the other");
  WriteFile(Path("Operation.hst"), HstTextFormat(other));

  // This run saved a.vld and typed into history 5.
  AddRecentFile("/mine/a.vld");
  HistoryPush(*HistoryList(5), "5 by this run");
  ASSERT_TRUE(SaveOperationHst());
  const THstText merged = ParseHstText(ReadFile(Path("Operation.hst")));
  EXPECT_EQ(merged.hst[kHstLastFolder - 1], "/other/");  // this run did not change it
  EXPECT_EQ(merged.hst[kHstRecentFirst - 1], "/mine/a.vld");
  EXPECT_EQ(merged.hst[kHstRecentFirst], "/other/b.vld");
  EXPECT_EQ(merged.hst[kHstRecentFirst + 1], "/d/old.vld");
  EXPECT_EQ(merged.lists[3], (std::vector<std::string>{"3 by the other", "3 at start"}));
  EXPECT_EQ(merged.lists[5], (std::vector<std::string>{"5 by this run", "5 at start"}));
  // This run now shows what the other wrote too.
  EXPECT_EQ(RecentFile(2), "/other/b.vld");
  EXPECT_EQ(g_fileProc.recentMenu[1].caption, "/other/b.vld");
  EXPECT_EQ(HistoryList(3)->entries[1], "3 by the other");
  EXPECT_EQ(LastFolder(), "/other/");

  // The other copy reopened old.vld; this run then cleared its list and
  // opened c.vld: the clearing came later, so only c.vld is left.
  other = merged;
  other.hst[kHstRecentFirst - 1 + 2] = other.hst[kHstRecentFirst - 1 + 1];
  other.hst[kHstRecentFirst - 1 + 1] = other.hst[kHstRecentFirst - 1];
  other.hst[kHstRecentFirst - 1] = "/d/old.vld";
  WriteFile(Path("Operation.hst"), HstTextFormat(other));
  ClearRecentFiles();  // writes the file
  AddRecentFile("/mine/c.vld");
  ASSERT_TRUE(SaveOperationHst());
  EXPECT_EQ(RecentFile(1), "/mine/c.vld");
  EXPECT_EQ(RecentFile(2), "");
}

TEST_F(FileProcTest, HistoryFileReadingSurvivesOddFilesAndKeepsUnreadableOnes) {
  struct Case {
    const char* what;
    std::string text;
    std::string line1, line2;  // hst lines 1 and 2 after reading
    std::string hist0;         // first entry of history 0
    int hist0Count;
    std::string lastHist;  // first entry of history 99
    bool kept;             // could not be read: never written
  };
  std::string longBlock = "$BEGIN\n";
  for (int i = 1; i <= 130; ++i) longBlock += "L" + std::to_string(i) + "\n";
  longBlock += "$EOB\n$BEGIN\n";
  for (int i = 1; i <= 30; ++i) longBlock += "h" + std::to_string(i) + "\n";
  longBlock += "$EOB\n";
  std::string junk;  // no "$BEGIN" anywhere
  for (int i = 0; i < 4096; ++i) junk += static_cast<char>(i * 13 % 256);
  std::string million = "$BEGIN\n";
  for (int i = 0; i < 1000000; ++i) million += "x\n";
  std::string blocks;  // 150 blocks, numbered from 0
  for (int i = 0; i < 150; ++i) blocks += "$BEGIN\nb" + std::to_string(i) + "\n$EOB\n";
  std::string recent = "$BEGIN\n";
  for (int i = 1; i < kHstRecentFirst; ++i) recent += "\n";
  recent += "\x82\n$EOB\n$BEGIN\n\x82\n$EOB\n";
  const std::vector<Case> cases = {
      {"noise before, LF ends", "junk\n$BEGINxx\nfolder\npic\n$EOBzz\n$BEGIN\n5\n$EOB\n", "folder", "pic", "5", 1, "",
       false},
      {"overlong blocks", longBlock, "L1", "L2", "h1", 20, "", false},
      {"no $BEGIN", "nothing here\n", "", "", "", 0, "", true},
      {"binary junk", junk, "", "", "", 0, "", true},
      {"cut short", "$BEGIN\r\nf\r\n", "f", "", "", 0, "", false},
      {"empty", "", "", "", "", 0, "", false},
      {"only blanks and line ends", " \r\n\t\n", "", "", "", 0, "", false},
      {"a very long line", "$BEGIN\n" + std::string(100000, 'x') + "\n$EOB\n", std::string(kHstMaxLine, 'x'), "",
       "", 0, "", false},
      {"larger than read", "$BEGIN\n" + std::string(kHstMaxFile, 'x'), std::string(kHstMaxLine, 'x'), "", "", 0, "",
       true},
      {"NULs", std::string("$BEGIN\n/a\0b/\n$EOB\n$BEGIN\n\0\n$EOB\n", 32), std::string("/a\0b/", 5), "",
       std::string(1, '\0'), 1, "", false},
      // Lines end in LF: this is one "$BEGIN" line, with nothing after it.
      {"CR-only line ends", "$BEGIN\r/f/\r$EOB\r$BEGIN\r5\r$EOB\r", "", "", "", 0, "", false},
      {"10^6 lines in one block", million, "x", "x", "", 0, "", false},
      {"more blocks than lists", blocks, "b0", "", "b1", 1, "b100", false},
      {"lone CP932 lead bytes", recent, "", "", "\x82", 1, "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FileProc_Reset();
    ComHst_Reset();
    WriteFile(Path("Operation.hst"), c.text);
    LoadOperationHst();
    EXPECT_EQ(g_fileProc.hst[0], c.line1);
    EXPECT_EQ(g_fileProc.hst[1], c.line2);
    EXPECT_EQ(HistoryList(0)->entries[1], c.hist0);
    EXPECT_EQ(HistoryCount(*HistoryList(0)), c.hist0Count);
    EXPECT_EQ(HistoryList(99)->entries[1], c.lastHist);
    EXPECT_EQ(SaveOperationHst(), !c.kept);
    const std::string after = ReadFile(Path("Operation.hst"));
    if (c.kept) {
      EXPECT_TRUE(after == c.text);
    } else {
      EXPECT_EQ(after.rfind("$BEGIN\r\n", 0), 0u);
    }
  }
  EXPECT_EQ(g_fileProc.hst[99], "");
  // A CP932 lead byte alone is no UTF-8: its menu caption shows "?".
  WriteFile(Path("Operation.hst"), recent);
  FileProc_Reset();
  LoadOperationHst();
  EXPECT_EQ(RecentFile(1), "\x82");
  EXPECT_EQ(g_fileProc.recentMenu[0].caption, "?");
}

TEST_F(FileProcTest, AHistoryFileThatIsNoFileIsNeitherWaitedForNorReplaced) {
  // A pipe would block a plain open until someone writes into it.
  ASSERT_EQ(::mkfifo(Path("Operation.hst").c_str(), 0600), 0);
  LoadOperationHst();
  EXPECT_FALSE(SaveOperationHst());
  EXPECT_TRUE(fs::is_fifo(Path("Operation.hst")));
  fs::remove(Path("Operation.hst"));
  FileProc_Reset();
  fs::create_directory(Path("Operation.hst"));
  LoadOperationHst();
  EXPECT_FALSE(SaveOperationHst());
  EXPECT_TRUE(fs::is_directory(Path("Operation.hst")));
  // A file it cannot open.
  fs::remove(Path("Operation.hst"));
  FileProc_Reset();
  WriteFile(Path("Operation.hst"), "$BEGIN\r\n/mine/\r\n$EOB\r\n");
  fs::permissions(Path("Operation.hst"), fs::perms::none);
  LoadOperationHst();
  const bool root = ::geteuid() == 0;  // root reads it all the same
  EXPECT_EQ(SaveOperationHst(), root);
  fs::permissions(Path("Operation.hst"), fs::perms::owner_all);
  if (!root) {
    EXPECT_EQ(ReadFile(Path("Operation.hst")), "$BEGIN\r\n/mine/\r\n$EOB\r\n");
  }
}

// ---- The start-up file ---------------------------------------------------------------

TEST_F(FileProcTest, MissingStartupFileGivesTheBuiltInSettings) {
  Draw(3);
  CurPVC().basicScale = 7;
  CurPVC().groups[3].scaleX = 2;
  CurPVC().textSize = 9;
  CurPVC().fileName = Path("x.vld").string();
  CurPVC().pens[7].printWidth = 3;
  EXPECT_FALSE(OpenDrawingFile(""));
  const TPVC& p = CurPVC();
  EXPECT_EQ(p.basicScale, 1);
  for (const TGroupEntry& g : p.groups) {
    EXPECT_EQ(g.scaleX, 1);
    EXPECT_EQ(g.scaleY, 1);
  }
  EXPECT_EQ(p.textSize, 1);
  for (int n = 0; n <= 10; ++n) {
    SCOPED_TRACE("size " + std::to_string(n));
    EXPECT_EQ(p.textSizes[n].height, n + 1);
    EXPECT_EQ(p.textSizes[n].width, n + 1);
    EXPECT_EQ(p.textSizes[n].spacing, 0);
    EXPECT_EQ(p.textSizes[n].pen, std::min(n, 6));
  }
  for (int k = 1; k <= 7; ++k) {
    EXPECT_EQ(p.pens[k].colorIndex, k == 7 ? 14 : k) << "pen " << k;
    EXPECT_EQ(p.pens[k].printWidth, k) << "pen " << k;
  }
  EXPECT_EQ(p.selectionColor, 4);
  // The text-size box shows them.
  EXPECT_EQ(g_form1.CbMojiSize.index, 1);
  EXPECT_EQ(g_form1.CbMojiSize.items[10], "10) 11.0×11.0");
  EXPECT_EQ(Lines(), 0);
  EXPECT_TRUE(platform().messages().empty());
  EXPECT_FALSE(fs::exists(StartupFileName()));
}

TEST_F(FileProcTest, StartupFileHoldsSettingsButNoCells) {
  Draw(3);
  CurPVC().basicScale = 50;
  CurPVC().groups[2].scaleY = 20;
  ASSERT_TRUE(SaveStartupFile());
  EXPECT_EQ(StoreWindow(), 1);
  EXPECT_EQ(Lines(), 3);
  EXPECT_EQ(CurPVC().modified, 3);  // the cells are still unsaved
  EXPECT_EQ(ReadFile(StartupFileName()).find("LINE"), std::string::npos);

  CurPVC().basicScale = 1;
  CurPVC().groups[2].scaleY = 1;
  EXPECT_TRUE(OpenDrawingFile(StartupFileName()));
  EXPECT_EQ(CurPVC().basicScale, 50);
  EXPECT_EQ(CurPVC().groups[2].scaleY, 20);
  EXPECT_EQ(Lines(), 0);

  // New: the start-up settings, untitled and unmodified.
  CurPVC().basicScale = 3;
  CurPVC().fileName = Path("x.vld").string();
  platform().ScriptAnswer(MsgAnswer::No);  // still modified: asked, not saved
  NewCommand();
  EXPECT_EQ(platform().messages().size(), 1u);
  EXPECT_EQ(CurPVC().basicScale, 50);
  EXPECT_EQ(CurPVC().fileName, "");
  EXPECT_EQ(g_form1.lbFileName.caption, "【1】");
}

TEST_F(FileProcTest, SaveAsOfTheStartupNameMakesTheNextNewDrawingUseIt) {
  CurPVC().basicScale = 25;
  platform().ScriptFile({true, (dir_ / "#init.vld").string(), 1});
  SaveAsCommand();
  ASSERT_TRUE(fs::exists(dir_ / "#init.V$D"));
  // The program folder is dir_, whose start-up file is spelt "#INIT.V$D".
  fs::rename(dir_ / "#init.V$D", StartupFileName());
  CurPVC().basicScale = 1;
  EXPECT_TRUE(OpenDrawingFile(""));
  EXPECT_EQ(CurPVC().basicScale, 25);
}

// ---- Snapshots -----------------------------------------------------------------------

TEST_F(FileProcTest, SnapshotsWriteBothWindowsAndChangeNothing) {
  Draw(2);
  StoreWorkingSettings(1);
  SwapWorkingSettings(1, 2);
  SetStoreWindow(2);
  Draw(3);
  SnapshotWindows();
  EXPECT_EQ(StoreWindow(), 2);
  EXPECT_EQ(CurPVC().modified, 3);
  EXPECT_EQ(g_pvc.slots[1].modified, 2);
  auto count = [](const std::string& t) {
    int n = 0;
    for (std::size_t p = t.find("\nLINE"); p != std::string::npos; p = t.find("\nLINE", p + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count(ReadFile(SnapshotFileName(1))), 2);
  EXPECT_EQ(count(ReadFile(SnapshotFileName(2))), 3);
  EXPECT_EQ(SnapshotFileName(1).filename().string(), "#TMP0000ABCD#1.V$D");
}

TEST_F(FileProcTest, ARecoveredSnapshotStaysModifiedAndUntitled) {
  Draw(4);
  ASSERT_TRUE(SaveByExtension(Path("#TMP1234ABCD#1.V$D")));  // left by a crashed run
  WriteFile(Path("#TMP0000ABCD#2.V$D"), "");                  // this run's own: ignored
  GC_DB_Reset();
  PVC_Reset();

  OpenStartupWindows();
  EXPECT_EQ(StoreWindow(), 1);
  EXPECT_EQ(Lines(), 4);
  EXPECT_NE(CurPVC().modified, 0);
  EXPECT_EQ(CurPVC().fileName, "");
  EXPECT_EQ(g_pvc.slots[2].modified, 0);

  // Closing asks; cancelling keeps the work.
  platform().ScriptAnswer(MsgAnswer::Cancel);
  EXPECT_FALSE(ConfirmSaveModified());

  DeleteRunTempFiles();
  EXPECT_FALSE(fs::exists(Path("#TMP1234ABCD#1.V$D")));
  EXPECT_FALSE(fs::exists(Path("#TMP0000ABCD#2.V$D")));
}

TEST_F(FileProcTest, CloseDeletesOwnAndFinishedRunsFilesButNoRunningCopysNorUnrecoveredWork) {
  WriteFile(Path("#TMP0000ABCD#00000001.JPG"), "mine");
  WriteFile(Path("#TMP99999999#00000001.JPG"), "a running copy's");
  const int live = RunLockTake(Path("#TMP99999999#LOCK").string());
  ASSERT_GE(live, 0);
  WriteFile(Path("#TMP88888888#00000001.JPG"), "a finished run's");
  WriteFile(Path("#TMP88888888#LOCK"), "");
  WriteFile(Path("#TMP77777777#00000001.JPG"), "a crashed run's, its snapshot not recovered");
  WriteFile(Path("#TMP77777777#2.V$D"), "");
  WriteFile(Path("keep.vld"), "x");
  DeleteRunTempFiles();
  EXPECT_EQ(Names(), (std::vector<std::string>{"#TMP77777777#00000001.JPG", "#TMP77777777#2.V$D",
                                               "#TMP77777777#LOCK", "#TMP99999999#00000001.JPG",
                                               "#TMP99999999#LOCK", "keep.vld"}));
  EXPECT_FALSE(RunLockHeld(Path("#TMP77777777#LOCK").string()));
  RunLockRelease(live);
}

TEST_F(FileProcTest, TempPrefixIsSetOnceAndAvoidsTakenNames) {
  g_programDir.tempPrefix.clear();
  InitTempPrefix();
  const std::string p = g_programDir.tempPrefix;
  const std::string name = fs::path(SjisToUtf8(p)).filename().string();
  ASSERT_EQ(name.size(), 13u);
  EXPECT_EQ(name.substr(0, 4), "#TMP");
  EXPECT_EQ(name.back(), '#');
  for (char c : name.substr(4, 8)) EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) << name;
  EXPECT_EQ(fs::path(SjisToUtf8(p)).parent_path(), dir_);
  InitTempPrefix();
  EXPECT_EQ(g_programDir.tempPrefix, p);
}

// ---- Archives ------------------------------------------------------------------------

TEST_F(FileProcTest, ArchivesUnpackBaseNamesAndRefuseEscapingPaths) {
  using namespace lhatest;
  const Bytes a = ToBytes("first"), b = ToBytes("second"), c = ToBytes("evil");
  const Bytes archive = LhaArchive({
      LhaMember("A.VLD", "-lh0-", a, a),
      LhaMember("sub\\dir\\B.VLD", "-lh0-", b, b),
      LhaMember("../C.VLD", "-lh0-", c, c),
      LhaMember("/tmp/D.VLD", "-lh0-", c, c),
      LhaMember("x/../../E.VLD", "-lh0-", c, c),
  });
  WriteFile(Path("in.lzh"), std::string(archive.begin(), archive.end()));
  fs::create_directories(Path("out"));
  int refused = 0;
  EXPECT_EQ(UnpackArchive(Path("in.lzh"), Path("out"), &refused), 2);
  EXPECT_EQ(refused, 3);
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(Path("out"))) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"A.VLD", "B.VLD"}));
  EXPECT_EQ(ReadFile(Path("out/B.VLD")), "second");
  EXPECT_FALSE(fs::exists(Path("C.VLD")));
  EXPECT_FALSE(fs::exists("/tmp/D.VLD") && ReadFile("/tmp/D.VLD") == "evil");

  WriteFile(Path("junk.lzh"), "not an archive at all");
  EXPECT_EQ(UnpackArchive(Path("junk.lzh"), Path("out")), -1);
}

TEST_F(FileProcTest, OpenArchiveOffersTheUnpackedFiles) {
  using namespace lhatest;
  Draw(6);
  ASSERT_TRUE(SaveByExtension(Path("part.vld")));
  GcellClearWindow(StoreWindow());
  CurPVC().modified = 0;
  const Bytes vld = ToBytes(ReadFile(Path("part.vld")));
  const Bytes archive = LhaArchive({LhaMember("PART.VLD", "-lh5-", Lh5Encode(vld), vld)});
  WriteFile(Path("parts.lzh"), std::string(archive.begin(), archive.end()));

  EXPECT_FALSE(OpenArchive(Path("parts.lzh")));  // outside the tools mode
  g_fileProc.toolsMode = true;
  fs::create_directories(ProgramFile("LZHTMP"));
  WriteFile(ProgramFile("LZHTMP/stale.vld"), "from an earlier archive");
  platform().ScriptFile({true, ProgramFile("LZHTMP/PART.VLD").string()});
  EXPECT_TRUE(OpenArchive(Path("parts.lzh")));
  EXPECT_FALSE(fs::exists(ProgramFile("LZHTMP/stale.vld")));
  EXPECT_EQ(Lines(), 6);
  ASSERT_EQ(platform().fileDialogs().size(), 1u);
  EXPECT_EQ(platform().fileDialogs()[0].initialDir, ProgramFile("LZHTMP").string() + "/");
  ASSERT_EQ(platform().messages().size(), 1u);  // the warning about the unpacked files

  Headless().Reset();
  WriteFile(Path("photo.png"), "x");
  EXPECT_FALSE(OpenArchive(Path("photo.png")));
  EXPECT_EQ(platform().messages().size(), 1u);
  EXPECT_FALSE(OpenArchive(Path("a.vld")));
  EXPECT_EQ(platform().messages().size(), 1u);
}

// ---- Conversion -----------------------------------------------------------------------

TEST_F(FileProcTest, ConvertVldToVlzAndBackIsByteIdentical) {
  Draw(300);
  GcellAddText(0x12, 3, 0x12, "寸法 123", 0, 5, 5, 0);
  ASSERT_TRUE(SaveByExtension(Path("drawn.vld")));
  // The file as this program writes what it reads (the reader gives a text
  // of a size number the pen of that size).
  auto convert = [this](const char* in, const char* out) {
    VelmoReset();
    UseProgramFolder();
    return ConvertDrawing(Path(in), Path(out));
  };
  ASSERT_EQ(convert("drawn.vld", "a.vld"), 0);
  ASSERT_EQ(convert("a.vld", "b.VLZ"), 0);
  ASSERT_EQ(convert("b.VLZ", "c.Vld"), 0);
  const std::string a = ReadFile(Path("a.vld"));
  EXPECT_TRUE(a == ReadFile(Path("c.Vld")));
  EXPECT_NE(a.find("\x90\xA1\x96\x40 123"), std::string::npos);
  EXPECT_LT(ReadFile(Path("b.VLZ")).size(), a.size() / 2);
  EXPECT_TRUE(platform().messages().empty());
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.vld", "b.VLZ", "c.Vld", "drawn.vld"}));
}

TEST_F(FileProcTest, ConvertFailuresAreReportedAndCreateNothing) {
  Draw(1);
  ASSERT_TRUE(SaveByExtension(Path("a.vld")));
  WriteFile(Path("bad.vlz"), "CMP-VLD" + std::string(25, '\0') + "\xff\xff\xff\xff\xff\xff");
  struct Case {
    std::string in, out;
  };
  const std::vector<Case> cases = {
      {"gone.vld", "x.vlz"}, {"a.vld", "x.txt"}, {"a.vld", "x.dwg"},
      {"bad.vlz", "x.vld"},  {"a.vld", "a.vld"}, {"a.vld", "nofolder/x.vld"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in + " -> " + c.out);
    Headless().Reset();
    EXPECT_NE(ConvertDrawing(Path(c.in), Path(c.out)), 0);
    EXPECT_FALSE(platform().messages().empty());
  }
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.vld", "bad.vlz"}));
}

}  // namespace
