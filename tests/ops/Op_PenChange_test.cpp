// The attribute change: ranges filtered by the dialog's boxes or by the
// write pen and text size, the attributes the boxes choose, single changes
// by left and right clicks (chains, fills, pictures, texts and their face
// marker), one undo step each, and a change after the store was compacted.
#include "ops/Op_PenChange.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "OpTest.h"
#include "StoreCells.h"
#include "app/ApUndo.h"
#include "files/BmpIo.h"
#include "render/GC_Draw.h"

namespace {

namespace fs = std::filesystem;

class PenChangeTest : public CentredOpTest {
protected:
  // A range over the whole area, then its confirmation.
  void ChangeRange(int sub, bool confirmByRight = false) {
    ui.SubMenu(sub);
    L({-390, -290});
    if (confirmByRight) {
      R({390, 290});
      return;
    }
    L({390, 290});
    ui.SubMenu(1);
  }
  // The dialog confirmed after these boxes were set.
  void Dialog(std::initializer_list<std::pair<const char*, bool>> boxes) {
    for (auto [name, on] : boxes) platform().ScriptDialogCheck(name, on);
    platform().ScriptDialog("BitBtn1", "", true);
  }
  static std::uint16_t PenOf(int kind, std::size_t k = 0) { return StoreCells(kind).at(k).pen; }
};

TEST_F(PenChangeTest, TheDialogChoosesWhatChanges) {
  struct Case {
    const char* what;
    std::int32_t writePen, writeLayer;
    std::uint16_t pen;
    std::uint8_t layer;
    std::initializer_list<std::pair<const char*, bool>> boxes;
    std::uint16_t penAfter;
    std::uint8_t layerAfter;
  };
  const Case cases[] = {
      {"pen number only", 0x23, 0x00, 0x45, 0x00, {{"cbPenNo", true}}, 0x43, 0x00},
      {"pen 7 takes line type 5", 0x17, 0x00, 0x45, 0x00, {{"cbPenNo", true}}, 0x57, 0x00},
      {"line type only", 0x23, 0x00, 0x45, 0x00, {{"cbPenNo", false}, {"cbStyle", true}}, 0x25, 0x00},
      {"group only", 0x23, 0x21, 0x45, 0x53, {{"cbPenNo", false}, {"cbGroup", true}}, 0x45, 0x23},
      {"layer only", 0x23, 0x21, 0x45, 0x53, {{"cbPenNo", false}, {"cbLayer", true}}, 0x45, 0x51},
      {"pen 7 taken with every line type off",
       0x23, 0x00, 0x77, 0x00,
       {{"cbPenNo", true}, {"StyleCheck1", false}, {"StyleCheck2", false}, {"StyleCheck3", false},
        {"StyleCheck4", false}, {"StyleCheck5", false}, {"StyleCheck6", false}, {"StyleCheck7", false},
        {"StyleCheck8", false}},
       0x73, 0x00},
      {"pen 5 not ticked", 0x23, 0x00, 0x45, 0x00, {{"cbPenNo", true}, {"PenNoCheck5", false}}, 0x45, 0x00},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    VelmoReset();
    SetUp();
    CurPVC().writePen = c.writePen;
    CurPVC().writeLayer = c.writeLayer;
    GcellAddLine(c.layer, c.pen, -100, 0, 100, 0);
    ViewRedraw(1);
    ui.Choose(OpBtn_PenChange);
    Dialog(c.boxes);
    ChangeRange(1, true);
    EXPECT_EQ(platform().unusedAnswers(), 0u);
    ASSERT_EQ(StoreCells(GK_LINE).size(), 1u);
    EXPECT_EQ(PenOf(GK_LINE) & 0xFFF, c.penAfter);
    EXPECT_EQ(StoreCells(GK_LINE)[0].layer, c.layerAfter);
  }
}

TEST_F(PenChangeTest, TextsTickedTakeTheSizeAndOneUndoRestoresTheRange) {
  CurPVC().writePen = 0x23;
  CurPVC().textSize = 5;
  AddLine(-100, 0, 100, 0, 0x45);
  AddLine(-100, 50, 100, 50, 0x16);
  for (std::uint8_t size : {2, 3}) {
    TGcell t = MakeText("abc", {-50.0, 100.0 + 50 * size}, 0);
    t.size = size;
    t.pen = 1;
    GcellAdd(t);
  }
  GcellCommit();
  ViewRedraw(1);
  ui.Choose(OpBtn_PenChange);
  EXPECT_EQ(Prompt(), "変更する 線･円指示(L), 文字や塗潰面(R)");
  Dialog({{"cbPenNo", true}, {"cbMoji", true}, {"MojiCheck2", true}});
  ui.SubMenu(1);
  EXPECT_EQ(Prompt(), "ペン変更：「始点指示(L)");
  // The captions come from the size box; the boxes are kept.
  EXPECT_EQ(g_penChangeOp.form.MojiCaption[0], MakeMojiSizeList(CurPVC()).items[1]);
  EXPECT_EQ(g_penChangeOp.form.MojiCaption[9], MakeMojiSizeList(CurPVC()).items[10]);
  L({-390, -290});
  EXPECT_EQ(Prompt(), "ペン変更：　終点指示(L)」、確定指示(R)");
  L({390, 290});
  EXPECT_EQ(Prompt(), "除外,追加データ指示, 線(L), 文字や塗潰面(R)");
  EXPECT_EQ(CountSelected(), 3) << "two lines and the text of size 2";
  EXPECT_EQ(SubOption(1).raw, "①確定");
  ui.SubMenu(1);
  EXPECT_EQ(Prompt(), "ペン変更：「始点指示(L)");
  std::vector<TGcell> lines = StoreCells(GK_LINE), texts = StoreCells(GK_TEXT);
  EXPECT_EQ(lines[0].pen, 0x43);
  EXPECT_EQ(lines[1].pen, 0x13);
  EXPECT_EQ(texts[0].size, 3) << "size 3 was not ticked";
  EXPECT_EQ(texts[1].size, 5);
  Btn_UndoClick();
  lines = StoreCells(GK_LINE);
  texts = StoreCells(GK_TEXT);
  // Back as they were (with the mark of the last range).
  EXPECT_EQ(lines[0].pen & 0xFFF, 0x45);
  EXPECT_EQ(lines[1].pen & 0xFFF, 0x16);
  EXPECT_EQ(texts[0].size + texts[1].size, 5);
  EXPECT_TRUE(g_penChangeOp.form.MojiCheck[1]) << "the boxes keep their state";
  // A dialog closed without confirming leaves the operation where it was.
  ui.Esc();
  ui.Esc();
  EXPECT_EQ(g_penChangeOp.run.state, PenChangeState::Pick);
  platform().ScriptDialogCheck("cbStyle", true);
  ui.SubMenu(1);
  EXPECT_EQ(g_penChangeOp.run.state, PenChangeState::Pick);
  EXPECT_TRUE(g_penChangeOp.form.cbStyle);
}

TEST_F(PenChangeTest, PenSpecifiedRangeTakesTheNewPenBeforeConfirming) {
  CurPVC().writePen = 0x23;
  AddLine(-100, 0, 100, 0, 0x23);
  AddLine(-100, 50, 100, 50, 0x24);
  AddLine(-100, 100, 100, 100, 0x13);
  ViewRedraw(1);
  ui.Choose(OpBtn_PenChange);
  ui.SubMenu(2);
  EXPECT_EQ(Prompt(), "Pen指定選択：「始点指示(L)");
  L({-390, -290});
  // A right click confirms nothing in this mode: the new pen comes first.
  R({390, 290});
  EXPECT_EQ(g_penChangeOp.run.state, PenChangeState::Adjust);
  EXPECT_EQ(CountSelected(), 1);
  CurPVC().writePen = 0x35;
  ui.SubMenu(1);
  const std::vector<TGcell> lines = StoreCells(GK_LINE);
  EXPECT_EQ(lines[0].pen, 0x24);
  EXPECT_EQ(lines[1].pen, 0x13);
  EXPECT_EQ(lines[2].pen, 0x35);
}

TEST_F(PenChangeTest, LeftClicksGiveTheWritePenToACellOrItsChain) {
  CurPVC().writePen = 0x23;
  // A rectangle of pen 0x15 and a line of another pen touching it.
  AddLine(0, 0, 100, 0, 0x15);
  AddLine(100, 0, 100, 60, 0x15);
  AddLine(100, 60, 0, 60, 0x15);
  AddLine(0, 60, 0, 0, 0x15);
  AddLine(100, 60, 200, 150, 0x16);
  AddLine(-200, -100, -100, -100, 0x23);
  ViewRedraw(1);
  ui.Choose(OpBtn_PenChange);
  // Already in the write pen: nothing, not even an undo step.
  L({-150, -100});
  EXPECT_EQ(StoreCells(GK_LINE).size(), 6u);
  EXPECT_EQ(StoreUsed(), 6);
  const TPointD on = Pixel({50, 0});
  ui.LeftClick(on.x, on.y, ssShift);
  std::vector<TGcell> lines = StoreCells(GK_LINE);
  ASSERT_EQ(lines.size(), 6u);
  int changed = 0;
  for (const TGcell& l : lines) changed += l.pen == 0x23;
  EXPECT_EQ(changed, 5) << "the four sides and the line already in the write pen";
  for (const TGcell& l : lines)
    if (LineOf(l).b.x == 200) EXPECT_EQ(l.pen, 0x16);
  Btn_UndoClick();
  lines = StoreCells(GK_LINE);
  changed = 0;
  for (const TGcell& l : lines) changed += (l.pen & 0xFFF) == 0x15;
  EXPECT_EQ(changed, 4);
}

TEST_F(PenChangeTest, ASingleChangeAfterTheStoreWasCompactedHitsTheClickedCell) {
  CurPVC().writePen = 0x23;
  for (int i = 0; i < 700; ++i) AddLine(-300, -250 + 0.5 * i, -250, -250 + 0.5 * i, 0x11);
  AddLine(0, 0, 100, 100, 0x14);
  AddLine(200, 0, 300, 0, 0x15);
  GcellCommit();
  for (int i = 1; i <= 700; ++i) GcellDelete(i);
  ViewRedraw(1);
  ui.Choose(OpBtn_PenChange);
  L({50, 50});
  const std::vector<TGcell> lines = StoreCells(GK_LINE);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_LT(StoreUsed(), 700) << "the store was compacted";
  for (const TGcell& l : lines) EXPECT_EQ(l.pen, LineOf(l).a.x == 0 ? 0x23 : 0x15);
}

TEST_F(PenChangeTest, RightClicksRecolourFillsRechoosePicturesAndChangeTexts) {
  CurPVC().writePen = 0x23;
  CurPVC().textSize = 4;
  TGcell quad = MakeQuad({-300, -200}, {-300, -100}, {-200, -100}, {-200, -200});
  quad.pen = 0x11;
  quad.text = "$000000FF";
  GcellAdd(quad);
  TGcell polygon;
  polygon.kind = GK_POLYGON;
  polygon.pen = 0x11;
  const double xs[] = {0, 100, 100}, ys[] = {-200, -200, -100};
  PolygonSetVertices(polygon, xs, ys, 3);
  polygon.text = "$000000FF" + polygon.text.substr(polygon.text.find(','));
  const std::string vertices = polygon.text.substr(polygon.text.find(','));
  GcellAdd(polygon);
  GcellCommit();
  ViewRedraw(1);
  ui.Choose(OpBtn_PenChange);
  struct Case {
    TPointD at;
    bool ok;
    int kind;
    const char* text;
  };
  const std::string recoloured = "$00030201" + vertices;
  for (const Case& c : {Case{{-250, -150}, true, GK_FILL4K, "$00030201"},
                        {{80, -180}, true, GK_POLYGON, recoloured.c_str()},
                        {{-250, -150}, false, GK_FILL4K, "$00030201"}}) {
    platform().ScriptColor(c.ok, 0x010203);
    R(c.at);
    ASSERT_EQ(StoreCells(c.kind).size(), 1u);
    EXPECT_EQ(StoreCells(c.kind)[0].text, c.text);
    EXPECT_EQ(StoreCells(c.kind)[0].pen, 0x23);
  }
  EXPECT_EQ(platform().unusedAnswers(), 0u);

  // A picture given another file; a cancelled dialog changes nothing.
  const fs::path dir = fs::temp_directory_path() / ("velmo-penchange-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::string bytes;
  ASSERT_TRUE(EncodeBmp(TRasterImage{4, 3, std::vector<std::uint32_t>(12, 0xFFFFFFFF)}, false, bytes));
  std::ofstream(dir / "new.bmp", std::ios::binary) << bytes;
  TGcell picture;
  picture.kind = GK_PICTURE;
  picture.p[0] = 150;
  picture.p[1] = 100;
  picture.p[2] = 80;
  picture.p[3] = 60;
  picture.pen = 0x11;
  picture.text = "old.bmp";
  GcellAdd(picture);
  GcellCommit();
  platform().ScriptFile({false});
  R({190, 130});
  EXPECT_EQ(StoreCells(GK_PICTURE)[0].text, "old.bmp");
  EXPECT_EQ(StoreCells(GK_PICTURE)[0].pen, 0x11);
  platform().ScriptFile({true, (dir / "new.bmp").string(), 1});
  R({190, 130});
  EXPECT_EQ(StoreCells(GK_PICTURE)[0].text, (dir / "new.bmp").string());
  EXPECT_EQ(StoreCells(GK_PICTURE)[0].pen, 0x23);
  fs::remove_all(dir);

  // Texts: the current size; with Alt the face marker on and off.
  TGcell t = MakeText("~abc", {-300, 100}, 0);
  t.size = 2;
  t.pen = 1;
  GcellAdd(t);
  GcellCommit();
  ViewRedraw(1);
  const TPointD px = Pixel({-298, 101});
  ui.RightClick(px.x, px.y, ssAlt);
  EXPECT_EQ(StoreCells(GK_TEXT)[0].text, "abc");
  EXPECT_EQ(StoreCells(GK_TEXT)[0].size, 2);
  ui.RightClick(px.x, px.y, ssAlt);
  EXPECT_EQ(StoreCells(GK_TEXT)[0].text, "~abc");
  R({-298, 101});
  EXPECT_EQ(StoreCells(GK_TEXT)[0].size, 4);
  Btn_UndoClick();
  EXPECT_EQ(StoreCells(GK_TEXT)[0].size, 2);
}

}  // namespace
