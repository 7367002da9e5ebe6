// velmo --script: scripts of the user's input run headless, their
// expectations, their malformed forms, and sessions recorded through
// app/ApInput replayed to the same drawing.
#include "VelmoScript.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "VelmoRecord.h"
#include "VelmoTest.h"
#include "app/ApInput.h"
#include "app/ApMainMenu.h"
#include "files/FileProc.h"
#include "files/fLoad_VLD.h"
#include "kernel/ProgramDir.h"
#include "kernel/SjisConv.h"
#include "kernel/Wiring.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "render/Z_Graph.h"

namespace {

namespace fs = std::filesystem;

// Texts of scripts and of the runner's messages are UTF-8; this file's
// literals are CP932 unless written u8.
std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

std::string ReadAll(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

int LiveCellsNow() {
  int n = 0;
  for (int i = 1; i <= StoreUsed(); ++i)
    if (GcellLive(i)) ++n;
  return n;
}

struct TResult {
  int status = -1;
  std::string out, err;  // UTF-8
};

class ScriptTest : public VelmoTest {
protected:
  void SetUp() override {
    VelmoTest::SetUp();
    dir_ = fs::temp_directory_path() / ("velmo-script-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    const char* home = std::getenv("VELMO_HOME");
    if (home) oldHome_ = home;
    hadHome_ = home != nullptr;
    ::setenv("VELMO_HOME", Home().c_str(), 1);
  }
  void TearDown() override {
    if (hadHome_)
      ::setenv("VELMO_HOME", oldHome_.c_str(), 1);
    else
      ::unsetenv("VELMO_HOME");
    std::error_code ec;
    fs::remove_all(dir_, ec);
    VelmoTest::TearDown();
  }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::string Home() const { return Path("home"); }

  TResult Run(const std::string& script, int width = 1600, int height = 1000) {
    return Capture([&](const TScriptRun& run) { return RunScriptText(script, "t.vsc", run); }, width, height);
  }
  TResult RunFile(const std::string& path) {
    return Capture([&](const TScriptRun& run) { return RunScriptFile(path, run); }, 1600, 1000);
  }

  template <class F>
  TResult Capture(F run, int width, int height) {
    char* outBuf = nullptr;
    char* errBuf = nullptr;
    std::size_t outSize = 0, errSize = 0;
    std::FILE* out = open_memstream(&outBuf, &outSize);
    std::FILE* err = open_memstream(&errBuf, &errSize);
    TScriptRun r;
    r.width = width;
    r.height = height;
    r.out = out;
    r.err = err;
    TResult res;
    res.status = run(r);
    std::fclose(out);
    std::fclose(err);
    res.out.assign(outBuf, outSize);
    res.err.assign(errBuf, errSize);
    std::free(outBuf);
    std::free(errBuf);
    return res;
  }

  // The lines of a drawing file, read into a fresh program.
  std::vector<TGcell> LinesOf(const std::string& file) {
    VelmoReset();
    EXPECT_TRUE(VldLoad(file, 0, 0)) << file;
    std::vector<TGcell> lines;
    for (int i = 1; i <= StoreUsed(); ++i) {
      if (!GcellLive(i)) continue;
      EXPECT_EQ(GcellRef(i).kind, GK_LINE) << "cell " << i;
      lines.push_back(GcellGet(i));
    }
    return lines;
  }

  fs::path dir_;

private:
  std::string oldHome_;
  bool hadHome_ = false;
};

// ---- Drawing ---------------------------------------------------------------

TEST_F(ScriptTest, TwoLinesWithASnappedStartAndATypedLengthAreSavedAsDrawn) {
  const std::string out = Path("two.vld");
  const TResult r = Run(U8(u8R"(# the line operation by its caption
op 直線
click L 200,200
click L 600,200
# right next to the first line's end: the next line starts on it
click R 600.5,200.6
sub 2
type "25"
key Enter
expect caption 2 "②長さ=25"
click L 600,500
expect cells 2
expect beep 0
print state
save )") + "\"" + out + "\"\n");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  for (const std::string& line : {U8(u8"operation: OpBtn_Line 直線\n"), U8(u8"caption2: ② 長さ=25\n"),
                                  std::string("cells: 2\n"), std::string("group: 0\nlayer: 0\npen: 0x11\n")})
    EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;

  const std::vector<TGcell> lines = LinesOf(out);
  ASSERT_EQ(lines.size(), 2u);
  // Free points land within a pixel (about 1.04 units in this view: a new
  // drawing without a start-up file is at 1:1).
  EXPECT_NEAR(lines[0].p[0], 200, 1.1);
  EXPECT_NEAR(lines[0].p[1], 200, 1.1);
  EXPECT_NEAR(lines[0].p[2], 600, 1.1);
  EXPECT_NEAR(lines[0].p[3], 200, 1.1);
  // The second starts exactly on the first's end, 25 long, upwards.
  EXPECT_EQ(lines[1].p[0], lines[0].p[2]);
  EXPECT_EQ(lines[1].p[1], lines[0].p[3]);
  EXPECT_NEAR(std::hypot(lines[1].p[2] - lines[1].p[0], lines[1].p[3] - lines[1].p[1]), 25, 1e-9);
  EXPECT_GT(lines[1].p[3], lines[1].p[1]);
}

TEST_F(ScriptTest, ThePanelsAndTheViewCommandsActAsTheWindowsControls) {
  const std::string out = Path("layers.vld");
  const TResult r = Run(U8(u8R"(panel write 3 5
op OpBtn_Line
view 0,0 1000,1000
click L 100,100
click L 900,100
panel write 0 0
key Esc
click L 100,900
click L 900,900
fit
wheel 2 500,500 ctrl
press BtnZM1
expect cells 2
save )") + "\"" + out + "\"\n");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<TGcell> lines = LinesOf(out);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].layer, 0x35);
  EXPECT_EQ(lines[1].layer, 0x00);
  // A view of 1000 units over 1000 pixels' height: the clicks land within a unit.
  EXPECT_NEAR(lines[0].p[0], 100, 1.5);
  EXPECT_NEAR(lines[1].p[3], 900, 1.5);
}

// ---- Expectations -----------------------------------------------------------

TEST_F(ScriptTest, AFailingExpectationStopsTheRunWithStatusOneAndNamesItsLine) {
  const std::string base = U8(u8"op 直線\nclick L 20000,20000\nclick L 60000,20000\n");
  struct Case {
    std::string expect, what;
  } cases[] = {
      {"expect cells 2", "expect cells"},
      {"expect cells LINE 0", "expect cells LINE"},
      {U8(u8"expect prompt \"始点\""), "expect prompt"},
      {U8(u8"expect caption 2 \"②長さ=30\""), "expect caption 2"},
      {"expect entry \"5\"", "expect entry"},
      {U8(u8"expect message \"満杯\""), "expect message"},
      {"expect beep 1", "expect beep"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expect);
    const std::string after = Path("after.vld");
    const TResult r = Run(base + c.expect + "\nsave \"" + after + "\"\n");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find(U8(u8"t.vsc の 4 行目: ") + c.what), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(after)) << "the run stops at the failure";
  }
  // And the same expectations, true: the run goes on to its end.
  const TResult ok = Run(base + U8(u8R"S(expect cells 1
expect cells LINE 1
expect cells TEXT 0
expect prompt "・始点指示(L)or(R)"
expect caption 2 "② 長さ"
expect entry ""
expect message ""
click R 150000,95000
expect beep 1
expect beep 0
)S"));
  EXPECT_EQ(ok.status, 0) << ok.err;
}

TEST_F(ScriptTest, AQuestionNeedsAnAnswerAndEveryAnswerIsUsed) {
  const std::string draw = "op OpBtn_Line\nclick L 20000,20000\nclick L 60000,20000\n";
  // Starting a new drawing asks whether to save the modified one.
  TResult r = Run(draw + "new\nexpect cells 0\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(U8(u8"4 行目: 答えの用意されていない問いです")), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(U8(u8"更新されています、保存しますか？")), std::string::npos) << r.err;

  r = Run(draw + "answer no\nnew\nexpect cells 0\n");
  EXPECT_EQ(r.status, 0) << r.err;

  r = Run(draw + "answer no\nanswer file cancel\nexpect cells 1\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(U8(u8"使われなかった答えが 2 個あります")), std::string::npos) << r.err;

  // A save-as dialog answered by the script: Ctrl+S on an untitled drawing.
  const std::string named = Path("named.VLD");  // the dialog's filter names the extension
  r = Run(draw + "answer file \"" + named + "\"\nkey S ctrl\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::exists(named));
  // The same dialog from the menu, the command named by its caption.
  const std::string other = Path("other.VLD");
  r = Run(draw + "answer file \"" + other + "\"\n" + U8(u8"menu 名前を付けて保存\nanswer ok\nmenu 上書き保存(&S)\n"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::exists(other));
}

// ---- Files --------------------------------------------------------------------

TEST_F(ScriptTest, AFailedSaveStopsTheRunAndLeavesTheFileAsItWas) {
  const std::string readOnly = Path("readonly.vld"), other = Path("plain.txt");
  {
    std::ofstream(readOnly) << "old drawing";
    std::ofstream(other) << "old text";
  }
  ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
  struct Case {
    std::string target, file;  // the save's target, the file that must stay
  } cases[] = {{readOnly, readOnly}, {other, other}, {Path("missing/dir/a.vld"), other}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    const TResult r =
        Run("op OpBtn_Line\nclick L 20000,20000\nclick L 60000,20000\nsave \"" + c.target + "\"\nexpect cells 5\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(U8(u8"4 行目: 保存できませんでした")), std::string::npos) << r.err;
    EXPECT_EQ(ReadAll(c.file), c.file == readOnly ? "old drawing" : "old text");
  }
  EXPECT_FALSE(fs::exists(Path("missing")));
}

TEST_F(ScriptTest, OpenReadsADrawingIntoTheWindowAndAMissingOneStopsTheRun) {
  const std::string file = Path("one.vld");
  ASSERT_EQ(Run("op OpBtn_Line\nclick L 20000,20000\nclick L 60000,20000\nsave \"" + file + "\"\n").status, 0);
  TResult r = Run("open \"" + file + "\"\nexpect cells 1\nwindow 2\nexpect cells 0\nopen \"" + file +
                  "\"\nexpect cells 1\nwindow 1\nexpect cells 1\n");
  EXPECT_EQ(r.status, 0) << r.err;
  r = Run("fit\nopen \"" + Path("none.vld") + "\"\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(U8(u8"2 行目: 開けませんでした")), std::string::npos) << r.err;
}

// ---- Malformed scripts ---------------------------------------------------------------

TEST_F(ScriptTest, AMalformedScriptIsRefusedWithItsLineAndNothingRuns) {
  const std::string written = Path("written.vld");
  struct Case {
    std::string line;      // the second line of the script
    std::string message;   // part of the message (UTF-8)
  } cases[] = {
      {"frobnicate 3", U8(u8"不明なコマンドです: frobnicate")},
      {"sub", U8(u8"引数の数が違います。書き方: sub N")},
      {"click L", U8(u8"引数の数が違います")},
      {"fit now", U8(u8"引数の数が違います")},
      {"click L nan,5", U8(u8"座標が有限の数ではありません: nan")},
      {"move inf,0", U8(u8"座標が有限の数ではありません: inf")},
      {"press L 1e999,0", U8(u8"座標が有限の数ではありません: 1e999")},
      {"move 1,2,3", U8(u8"座標は X,Y の形で書きます")},
      {"move 1;2", U8(u8"座標は X,Y の形で書きます")},
      {"click L 1,x", U8(u8"座標が数ではありません: x")},
      {"click X 1,2", U8(u8"ボタンは L, R, M のどれかです: X")},
      {"click L 1,2 triple", U8(u8"不明な指定です: triple")},
      {"key Hyper", U8(u8"不明なキーです: Hyper")},
      {"sub 8", U8(u8"サブメニューの番号は 1 から 7 までの整数です: 8")},
      {U8(u8"type \"😀\""), U8(u8"シフトJISで表せない文字があります")},
      {"type \"open", U8(u8"引用符が閉じていません")},
      {"press Nowhere", U8(u8"不明なコントロールです: Nowhere")},
      {"set BtnZM0 \"1\"", U8(u8"文字を入れられないコントロールです: BtnZM0")},
      {U8(u8"op 存在しない"), U8(u8"パレットにない操作です: 存在しない")},
      {"menu Nothing", U8(u8"メニューにない項目です: Nothing")},
      {"panel write G 0", U8(u8"グループは 0 から F までの一文字です: G")},
      {"answer maybe", U8(u8"不明な答えです: maybe")},
      {"answer colour 1,2", U8(u8"色は R,G,B (各 0～255) か 16 進 6 桁 (RRGGBB) です: 1,2")},
      {"answer colour 1,2,256", U8(u8"色は R,G,B (各 0～255) か 16 進 6 桁 (RRGGBB) です: 1,2,256")},
      {"answer color FF00", U8(u8"色は R,G,B (各 0～255) か 16 進 6 桁 (RRGGBB) です: FF00")},
      {"dialog open Edit1w", U8(u8"dialog の後は set, check, press のどれかです: open")},
      {"dialog", U8(u8"引数の数が違います。書き方: dialog set|check|press CONTROL ...")},
      {"clipboard", U8(u8"引数の数が違います。書き方: clipboard")},
      {"dialog set Edit1w", U8(u8"引数の数が違います。書き方: dialog set CONTROL \"TEXT\"")},
      {"dialog check cbx maybe", U8(u8"チェックは on か off です: maybe")},
      {"expect dialog Nowhere \"1\"", U8(u8"ダイアログにないコントロールです: Nowhere")},
      {"expect cells WALL 1", U8(u8"要素の種類は POINT LINE")},
      {"size 0x10", U8(u8"大きさは 幅x高さ")},
      {std::string("fit\x01"), U8(u8"UTF-8 のテキストではありません")},
      {std::string("op \xFF\xFE"), U8(u8"UTF-8 のテキストではありません")},
      {std::string("\0\0\x13\x88", 4), U8(u8"UTF-8 のテキストではありません")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const TResult r = Run("save \"" + written + "\"\n" + c.line + "\nfit\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(U8(u8"t.vsc の 2 行目: ") + c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
  EXPECT_FALSE(fs::exists(written));
  EXPECT_FALSE(fs::exists(Home())) << "the program folder is not even made";
}

TEST_F(ScriptTest, AScriptOfAMillionLinesOrAMissingFileIsRefused) {
  std::string huge;
  for (int i = 0; i < 1000000; ++i) huge += "fit\n";
  TResult r = Run(huge);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find(U8(u8"の 500001 行目: スクリプトが長すぎます (500000 行まで)")), std::string::npos) << r.err;

  r = RunFile(Path("none.vsc"));
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find(U8(u8"スクリプトファイル[") + Path("none.vsc") + U8(u8"]が見つかりません。")),
            std::string::npos)
      << r.err;
  EXPECT_FALSE(fs::exists(Home()));
}

// ---- Recorded sessions ----------------------------------------------------------------

// A session at the window's entry points, recorded, then replayed by the
// runner: the saved drawings are the same bytes.
TEST_F(ScriptTest, ARecordedSessionReplaysToTheSameDrawing) {
  const std::string rec = Path("session.vsc"), saved = Path("drawing.VLD"), copy = Path("recorded.vld");
  {
    HeadlessPlatform& headless = Headless();
    TScriptRecorder recorder(headless);
    ASSERT_TRUE(recorder.Open(rec));
    SetPlatform(&recorder);
    g_wiring.inputRecorder = &recorder;
    FormCreate(0);
    InputResize(900, 700);  // the window shown
    FormShow("");
    recorder.Started(CurPVC().fileName);

    InputOperation(OpBtn_Line);
    UserMove(100, 100);
    UserPress(ssLeft, 100.3, 120);  // not a whole pixel: written as the pixel
    UserRelease(ssLeft, 100.3, 120);
    UserMove(400, 130);
    UserPress(ssLeft, 400, 130);
    UserRelease(ssLeft, 400, 130);
    // The view changes: a zoom about the pointer, a pan with the right button.
    UserWheel(120, 300, 200, ssCtrl);
    UserWheel(120, 310, 210, ssCtrl);
    UserPress(ssRight, 500, 300);
    UserMove(560, 340);
    UserMove(620, 380);
    UserRelease(ssRight, 620, 380);
    // A line from a snapped start with a typed length, the box filled as
    // the window fills it, confirmed with Enter.
    ASSERT_EQ(LiveCellsNow(), 1);
    double ex = 0, ey = 0;
    G_ToPixel(CurrentView(), GcellRef(StoreUsed()).p[2], GcellRef(StoreUsed()).p[3], ex, ey);
    ex = std::round(ex) + 3, ey = std::round(ey) + 2;
    UserPress(ssRight, ex, ey);
    UserRelease(ssRight, ex, ey);
    EXPECT_EQ(Headless().beeps(), 0) << "snapped";
    InputSubMenu(2);
    InputFieldText(TEditField::edCommon, "3");
    InputFieldText(TEditField::edCommon, "37.5");
    UserKeyDown(13);
    UserKeyUp(13);
    UserMove(200, 500, ssShift);
    UserPress(ssLeft, 200, 500);
    UserRelease(ssLeft, 200, 500);
    // The length again from its history: Up in the box gives "37.5".
    InputSubMenu(2);
    UserKeyDown(38);
    UserKeyUp(38);
    EXPECT_EQ(g_form1.edCommon.text, "37.5");
    UserKeyDown(13);
    UserKeyUp(13);
    UserPress(ssLeft, 600, 100);
    UserRelease(ssLeft, 600, 100);
    UserMove(650, 150);
    UserPress(ssLeft, 650, 150);
    UserRelease(ssLeft, 650, 150);
    // A zoom box (both buttons, dragged down and right), then the group panel.
    UserPress(ssLeft, 100, 100);
    UserPress(ssRight, 100, 100);
    UserMove(300, 250);
    UserRelease(ssLeft, 300, 250);
    UserRelease(ssRight, 300, 250);
    InputControlPress("PnlGrp2", ssRight, ssRight);
    InputOperation(OpBtn_Line);
    UserPress(ssLeft, 150, 150);
    UserRelease(ssLeft, 150, 150);
    UserPress(ssLeft, 250, 200);
    UserRelease(ssLeft, 250, 200);
    // Saved twice with Ctrl+S: a name asked for, then the overwrite agreed to.
    headless.ScriptFile({true, saved, 1});
    UserKeyDown(17);
    UserKeyDown('S', ssCtrl);
    UserKeyUp('S');
    headless.ScriptAnswer(MsgAnswer::Ok);
    UserKeyDown('S', ssCtrl);
    UserKeyUp('S');
    UserKeyUp(17);
    EXPECT_EQ(LiveCellsNow(), 4);
    // A line started, then the file menu opened and closed unused: the line
    // operation ended there, so the next click draws nothing.
    UserPress(ssLeft, 50, 400);
    UserRelease(ssLeft, 50, 400);
    InputMenuOpen(static_cast<int>(TMenu::File));
    EXPECT_EQ(CurOpButton(), OpBtn_Dummy);
    UserPress(ssLeft, 500, 450);
    UserRelease(ssLeft, 500, 450);
    EXPECT_EQ(LiveCellsNow(), 4);

    g_wiring.inputRecorder = nullptr;
    recorder.Close();
    SetPlatform(&headless);
    DeleteRunTempFiles();
  }
  ASSERT_TRUE(fs::exists(saved));
  fs::rename(saved, copy);

  const std::string script = ReadAll(rec);
  // The answers come before the key that raised their questions.
  const std::size_t file = script.find("answer file \"" + saved + "\" 1\nkey S ctrl down\n");
  const std::size_t ok = script.find("answer ok\nkey S ctrl down\n");
  EXPECT_NE(file, std::string::npos) << script;
  EXPECT_NE(ok, std::string::npos) << script;
  EXPECT_LT(file, ok);
  EXPECT_EQ(script.find("size 900x700\n"), script.find('\n') + 1) << "the area's size comes first";
  EXPECT_NE(script.find("press L px 100.3,120\n"), std::string::npos) << script;
  EXPECT_NE(script.find("set edCommon \"37.5\"\nkey Enter down\n"), std::string::npos) << script;
  EXPECT_NE(script.find(U8(u8"\nmenu ファイル\npress L ")), std::string::npos) << script;

  // The menu opened at the end kept the last click from drawing.
  std::ofstream(rec, std::ios::app) << "expect cells 4\n";
  const TResult r = RunFile(rec);
  ASSERT_EQ(r.status, 0) << r.err << script;
  ASSERT_TRUE(fs::exists(saved));
  const std::string replayed = ReadAll(saved), recorded = ReadAll(copy);
  EXPECT_TRUE(replayed == recorded) << "replayed cells:\n"
                                    << replayed.substr(replayed.find("$BEGIN,ENTITIES")) << "recorded cells:\n"
                                    << recorded.substr(recorded.find("$BEGIN,ENTITIES"));
  EXPECT_EQ(LinesOf(saved).size(), 4u);
}

}  // namespace
