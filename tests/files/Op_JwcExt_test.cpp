// External transform batches: the directives of a batch, the command line,
// the file written for the batch and the one it leaves read back, driven by
// a fake command processor (a shell script) in place of cmd.
#include "files/Op_JwcExt.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "OpTest.h"
#include "StoreCells.h"
#include "app/ApInit.h"
#include "app/ApUndo.h"
#include "kernel/SjisConv.h"

namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

class JwcExtTest : public CentredOpTest {
protected:
  void SetUp() override {
    CentredOpTest::SetUp();
    dir_ = fs::temp_directory_path() / ("velmo-jwc-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    // The fake processor: keeps what it was given and leaves result.txt as
    // the batch's answer (when there is one).
    const fs::path shell = dir_ / "fake.sh";
    std::ofstream(shell) << "#!/bin/sh\n"
                            "printf '%s' \"$1\" > command.txt\n"
                            "cp JWC_TEMP.TXT sent.txt\n"
                            "[ -f result.txt ] && cp result.txt JWC_TEMP.TXT\n"
                            "exit 0\n";
    ::chmod(shell.c_str(), 0755);
    AppOptions().JwcShell = Utf8ToSjis(shell.string());
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
    CentredOpTest::TearDown();
  }
  fs::path Batch(const std::string& name, const std::string& text) {
    const fs::path p = dir_ / name;
    std::ofstream(p, std::ios::binary) << text;
    return p;
  }
  void Result(const std::string& text) { std::ofstream(dir_ / "result.txt", std::ios::binary) << text; }
  void Choose(const fs::path& batch) {
    platform().ScriptFile({true, batch.string(), 1});
    ui.Choose(OpBtn_JwcExt);
  }
  fs::path dir_;
};

TEST_F(JwcExtTest, DirectivesOfABatch) {
  TJwcBatch b;
  b.fileName = "/x/PLAIN.BAT";
  EXPECT_TRUE(ParseBatchText("@echo off\r\nREM #jw\r\n", b));
  EXPECT_FALSE(b.hasMenu);
  EXPECT_EQ(b.sets[0].optionCount, 0);
  EXPECT_FALSE(b.sets[0].promptDefined[0]);
  EXPECT_FALSE(ParseBatchText("echo no directives\r\n", b)) << "not an external transform batch";

  ASSERT_TRUE(ParseBatchText("@REM 外変\r\n"
                             "REM #jw\r\n"
                             "REM #hm 処理|①右へ ②左へ\r\n"
                             "REM #:1\r\n"
                             "REM #hc 線を選択\r\n"
                             "REM #hc 二つ目\r\n"
                             "REM #0 基点を指示\r\n"
                             "REM #c 倍率/_/m\r\n"
                             "REM #c&&\r\n"
                             "REM #e\r\n"
                             "REM #:2\r\n"
                             "REM #h0\r\n"
                             "REM #e\r\n"
                             "REM #e\r\n"
                             "REM #h4\r\n",
                             b));
  EXPECT_EQ(b.title, " 外変") << "the first line from its fifth character";
  EXPECT_TRUE(b.hasMenu);
  EXPECT_EQ(b.menuTitle, "処理");
  EXPECT_TRUE(b.menuItem[1] && b.menuItem[2] && !b.menuItem[3]);
  EXPECT_EQ(b.sets[1].comment1, "線を選択");
  EXPECT_EQ(b.sets[1].comment2, "：二つ目");
  EXPECT_TRUE(b.sets[1].promptDefined[0]);
  EXPECT_EQ(b.sets[1].prompt[0], " 基点を指示");
  ASSERT_EQ(b.sets[1].optionCount, 1);
  EXPECT_EQ(b.sets[1].options[0].label, "倍率");
  EXPECT_EQ(b.sets[1].options[0].suffix, "/m");
  EXPECT_TRUE(b.sets[1].confirm);
  EXPECT_TRUE(b.sets[2].h[0]);
  EXPECT_FALSE(b.sets[0].h[4]) << "reading stopped at #e in set 0";

  // Eleven options: a set holds ten.
  std::string many = "REM #jw\r\n";
  for (int i = 0; i < 11; ++i) many += "REM #c opt" + std::to_string(i) + "\r\n";
  ASSERT_TRUE(ParseBatchText(many, b));
  EXPECT_EQ(b.sets[0].optionCount, 10);
  EXPECT_EQ(JwcNumber(1.5), "1.500000E+000");
  EXPECT_EQ(JwcNumber(-0.000125), "-1.250000E-004");
  EXPECT_EQ(JwcNumber(0), "0.000000E+000");
}

TEST_F(JwcExtTest, ARangeAPointAndTheResultReadBack) {
  Add(MakeCircle({10, 20}, 5));
  AddLine(-300, -200, -250, -200);  // not chosen
  GcellCommit();
  ViewRedraw(1);
  Result("ci 0 0 5\r\nci 0 0 5 0 90 1.5 0\r\nhd\r\nlc9\r\n 0 0 10 0\r\n");
  Choose(Batch("MOVE.BAT", "@echo off\r\nREM #jw\r\nREM #0 基点\r\nREM #c 倍率/_/m\r\n"));
  EXPECT_EQ(Prompt(), "JWC.外変：「始点指示(L)");
  L({-50, -50});
  R({50, 50});  // the right corner confirms the choice at once
  EXPECT_EQ(Prompt(), "JWC.外変： 基点");
  L({10, 0});
  EXPECT_EQ(Prompt(), "倍率");
  ui.Entry("2");
  // What the batch got.
  EXPECT_EQ(Read(dir_ / "command.txt"), "MOVE.BAT /m2 ");
  const std::string sent = Read(dir_ / "sent.txt");
  EXPECT_NE(sent.find("hn "), std::string::npos);
  const TPointD base = At({10, 0});
  EXPECT_NE(sent.find("ci " + JwcNumber(10 - base.x) + " " + JwcNumber(20 - base.y) + " 5.000000E+000"),
            std::string::npos)
      << sent;
  // What it left: two curves at the base, the chosen circle deleted, a line
  // of pen 7 as the auxiliary pen.
  const std::vector<TGcell> circles = StoreCells(GK_CIRCLE), arcs = StoreCells(GK_ARC), lines = StoreCells(GK_LINE);
  ASSERT_EQ(circles.size(), 1u);
  EXPECT_EQ(ArcOf(circles[0]).cx, base.x);
  EXPECT_EQ(ArcOf(circles[0]).r, 5);
  ASSERT_EQ(arcs.size(), 1u);
  EXPECT_NEAR(ArcOf(arcs[0]).e - ArcOf(arcs[0]).s, 3.14159265358979 / 2, 1e-12);
  EXPECT_DOUBLE_EQ(ArcOf(arcs[0]).f, 1.5);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1].pen, 0x57);
  EXPECT_EQ(Prompt(), "JWC.外変：「始点指示(L)") << "a new range for the same set";
  // One undo takes back the additions and the deletion together (the
  // operation starts afresh: its open dialog is cancelled).
  platform().ScriptFile({false});
  Btn_UndoClick();
  EXPECT_EQ(StoreCells(GK_CIRCLE).size(), 1u);
  EXPECT_EQ(ArcOf(StoreCells(GK_CIRCLE)[0]).cx, 10);
  EXPECT_TRUE(StoreCells(GK_ARC).empty());
}

TEST_F(JwcExtTest, NoRangeNotRunFailuresAndAnotherBatch) {
  AddLine(0, 0, 100, 0);
  GcellCommit();
  // #h0: no range; the batch leaves "hq" (it did not run). Without a range
  // the operation starts again with the open dialog (cancelled here).
  platform().ScriptFile({true, Batch("NONE.BAT", "REM #jw\r\nREM #h0\r\n").string(), 1});
  platform().ScriptFile({false});
  ui.Choose(OpBtn_JwcExt);
  EXPECT_EQ(Read(dir_ / "sent.txt").find("hn "), std::string::npos);
  ASSERT_FALSE(platform().messages().empty());
  EXPECT_EQ(platform().messages().back().text, "外部処理は実行されませんでした.");
  EXPECT_EQ(StoreCells(GK_LINE).size(), 1u);
  ui.Choose(OpBtn_Line);
  // "he": the batch's own message.
  Result("he 失敗しました\r\n");
  platform().ScriptFile({true, Batch("FAIL.BAT", "REM #jw\r\nREM #h0\r\n").string(), 1});
  platform().ScriptFile({false});
  ui.Choose(OpBtn_JwcExt);
  EXPECT_EQ(platform().messages().back().text, "失敗しました");
  ui.Choose(OpBtn_Line);
  // "h/": on with another batch, which asks for a range.
  const fs::path other = Batch("OTHER.BAT", "REM #jw\r\n");
  Result("h/" + Utf8ToSjis(other.string()) + "\r\n");
  Choose(Batch("FIRST.BAT", "REM #jw\r\nREM #h0\r\n"));
  EXPECT_EQ(fs::path(g_jwcExtOp.batch.fileName).filename(), "OTHER.BAT");
  EXPECT_EQ(Prompt(), "JWC.外変：「始点指示(L)");
  // Not a batch: a message, and the operation ends.
  ui.Choose(OpBtn_Line);
  Choose(Batch("TEXT.BAT", "echo hello\r\n"));
  EXPECT_NE(platform().messages().back().text.find("はJW_CAD外部変形バッチファイルではありません."), std::string::npos);
  EXPECT_NE(CurOpButton(), OpBtn_JwcExt);
}

TEST_F(JwcExtTest, ResultLinesAreCheckedAndNamesCutWhole) {
  const std::string text =
      "lc0\r\nlt9\r\n 0 0 10 0\r\n"
      "ci 0 0 5 0 1.0E+300\r\n"
      "ci 0 0 -5\r\n"
      " 1.0E+300 0 1 1\r\n"
      "lgn" + std::string(31, 'a') + "表\r\n"
      "lyn" + std::string(15, 'b') + "表\r\n"
      "cs 0 0 100 0 \"文字\r\n";
  EXPECT_EQ(ApplyJwcResult(nullptr, text, {100, 50}), "");
  const std::vector<TGcell> lines = StoreCells(GK_LINE);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].pen, 0x81) << "pen 1, line type 8";
  EXPECT_EQ(LineOf(lines[0]).a.x, 100);
  EXPECT_TRUE(StoreCells(GK_ARC).empty() && StoreCells(GK_CIRCLE).empty());
  EXPECT_EQ(CurPVC().groups[0].name, std::string(31, 'a'));
  EXPECT_EQ(CurPVC().groups[0].layers[0].name, std::string(15, 'b'));
  const std::vector<TGcell> texts = StoreCells(GK_TEXT);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, "文字");
}

}  // namespace
