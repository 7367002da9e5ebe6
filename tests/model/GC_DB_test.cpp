#include "model/GC_DB.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include "VelmoTest.h"
#include "kernel/ProgramDir.h"
#include "kernel/SjisConv.h"
#include "model/PVC.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kPi = std::numbers::pi;

class GcDbTest : public VelmoTest {
protected:
  static int Count(std::uint8_t layer) { return LayerCount(CurPVC(), layer); }
  static int Modified() { return CurPVC().modified; }
  static int AddLines(int n, std::uint8_t layer = 0x00) {
    int last = 0;
    for (int i = 0; i < n; ++i) last = GcellAddLine(layer, 0x11, i, 0, i, 10);
    return last;
  }
  static TGcell Arc(double start, double end, double r = 10) {
    TGcell c;
    c.kind = GK_ARC;
    c.p[4] = r;
    c.p[5] = 1;
    c.p[7] = start;
    c.p[8] = end;
    return c;
  }
};

TEST_F(GcDbTest, StartsEmptyWithCapacity2001) {
  EXPECT_EQ(StoreCapacity(), 2001);
  EXPECT_EQ(StoreUsed(), 0);
  EXPECT_EQ(StoreWindow(), 1);
}

TEST_F(GcDbTest, RejectsDegenerateAndNonFiniteGeometry) {
  struct Case {
    const char* what;
    TGcell cell;
    bool accepted;
  };
  auto line = [](double x1, double y1, double x2, double y2) {
    TGcell c;
    c.kind = GK_LINE;
    c.p[0] = x1, c.p[1] = y1, c.p[2] = x2, c.p[3] = y2;
    return c;
  };
  auto circle = [](double r) {
    TGcell c;
    c.kind = GK_CIRCLE;
    c.p[4] = r;
    c.p[5] = 1;
    return c;
  };
  TGcell nanText;
  nanText.kind = GK_TEXT;
  nanText.text = "A";
  nanText.p[6] = kNaN;
  const Case cases[] = {
      {"line shorter than 0.001 in both axes", line(0, 0, 0.0009, -0.0009), false},
      {"line of exactly 0.001 in x", line(0, 0, 0.001, 0), true},
      {"line of exactly 0.001 in y", line(5, 5, 5, 5.001), true},
      {"line with NaN end", line(0, 0, kNaN, 1), false},
      {"line with infinite start", line(-kInf, 0, 1, 1), false},
      {"circle below 0.001", circle(0.0009), false},
      {"circle of 0.001", circle(0.001), true},
      {"circle of negative radius", circle(-5), false},
      {"circle of NaN radius", circle(kNaN), false},
      {"arc too short", GcDbTest::Arc(1.0, 1.00009, 10), false},
      {"arc just long enough", GcDbTest::Arc(1.0, 1.0002, 10), true},
      {"arc with NaN angle", GcDbTest::Arc(kNaN, 1.0), false},
      {"arc with infinite angle", GcDbTest::Arc(0, kInf), false},
      {"text with NaN angle", nanText, false},
  };
  for (const Case& c : cases) {
    VelmoReset();
    const int i = GcellAdd(c.cell);
    EXPECT_EQ(i != 0, c.accepted) << c.what;
    EXPECT_EQ(StoreUsed(), c.accepted ? 1 : 0) << c.what;
    EXPECT_EQ(Count(0), c.accepted ? 1 : 0) << c.what;
    EXPECT_EQ(Modified(), 1) << c.what << ": every append attempt counts as a change";
  }
}

TEST_F(GcDbTest, NormalisesArcAngles) {
  struct Case {
    double start, end;
    int kind;
    double wantStart, wantEnd;
  };
  const Case cases[] = {
      {5.0, 1.0, GK_ARC, 1.0, 5.0},
      {-7.0, -6.0, GK_ARC, -7.0 + 2 * kPi, -6.0 + 2 * kPi},
      {0.0, 6.3, GK_CIRCLE, 0, 0},
      {7.0, 8.0, GK_ARC, 7.0 - 2 * kPi, 8.0 - 2 * kPi},
      {20.0, 21.0, GK_ARC, 20.0 - 6 * kPi, 21.0 - 6 * kPi},
      {-30.0, -29.0, GK_ARC, -30.0 + 8 * kPi, -29.0 + 8 * kPi},
      {-1.0, 1.0, GK_ARC, -1.0, 1.0},
  };
  for (const Case& c : cases) {
    VelmoReset();
    const int i = GcellAdd(Arc(c.start, c.end));
    ASSERT_NE(i, 0);
    const TGcell& got = GcellRef(i);
    EXPECT_EQ(got.kind, c.kind) << c.start << ".." << c.end;
    if (c.kind == GK_ARC) {
      EXPECT_NEAR(got.p[7], c.wantStart, 1e-9) << c.start << ".." << c.end;
      EXPECT_NEAR(got.p[8], c.wantEnd, 1e-9) << c.start << ".." << c.end;
      EXPECT_LE(got.p[8], 2 * kPi);
      EXPECT_GE(got.p[7], -2 * kPi);
    }
  }
}

TEST_F(GcDbTest, HugeArcAnglesEndInRange) {
  for (double start : {1e6, -1e9, 1e15}) {
    VelmoReset();
    const int i = GcellAdd(Arc(start, start + 2.0));
    ASSERT_NE(i, 0) << start;
    const TGcell& c = GcellRef(i);
    ASSERT_EQ(c.kind, GK_ARC) << start;
    EXPECT_LE(c.p[8], 2 * kPi) << start;
    EXPECT_GE(c.p[7], -2 * kPi) << start;
    EXPECT_LT(c.p[7], c.p[8]) << start;
  }
}

TEST_F(GcDbTest, AddArcWithEqualAnglesMakesCircle) {
  const int i = GcellAddArc(0x12, 0x11, 1, 2, 5, 1, 0, 0.5, 0.5);
  ASSERT_NE(i, 0);
  EXPECT_EQ(GcellRef(i).kind, GK_CIRCLE);
  EXPECT_EQ(Count(0x12), 1);
}

TEST_F(GcDbTest, AppendSetsWindowUndoMarkAndClearsSelection) {
  SetStoreWindow(2);
  const int i = GcellAddText(0x3A, 2, 0x11 | PEN_SELECTED | PEN_SELMARK, "文字", 1, 0.5, 3, 4);
  ASSERT_EQ(i, 1);
  const TGcell& c = GcellRef(i);
  EXPECT_EQ(c.window, 2);
  EXPECT_EQ(c.undo, 1);
  EXPECT_EQ(c.kind, GK_TEXT);
  EXPECT_EQ(c.pen, 0x11 | PEN_SELMARK);
  EXPECT_EQ(c.text, "文字");
  EXPECT_EQ(c.size, 2);
  EXPECT_EQ(c.vertical, 1);
  EXPECT_EQ(c.p[6], 0.5);
  EXPECT_EQ(LayerCount(CurPVC(), 0x3A), 1);
}

TEST_F(GcDbTest, GrowsByTwoThousandWhenNearlyFull) {
  AddLines(1999);  // StoreUsed = StoreCapacity - 2
  EXPECT_EQ(StoreCapacity(), 2001);
  EXPECT_EQ(AddLines(1), 2000);
  EXPECT_EQ(StoreCapacity(), 4001);
  EXPECT_TRUE(platform().messages().empty());
}

TEST_F(GcDbTest, FailedGrowthWarnsAndFillsTheLastSlot) {
  g_gcdb.allocLimit = 2002;  // the initial array, and not one slot more
  AddLines(1999);
  EXPECT_EQ(AddLines(1), 2000) << "the free slot is still used";
  ASSERT_EQ(platform().messages().size(), 1u);
  EXPECT_EQ(platform().messages()[0].text, "メモリー不足、データが満杯です.");
  EXPECT_EQ(platform().messages()[0].buttons, MsgButtons::Abort);
  EXPECT_EQ(AddLines(1), 0) << "no slot left";
  EXPECT_EQ(StoreUsed(), 2000);
  EXPECT_EQ(StoreCapacity(), 2001);
  EXPECT_EQ(Count(0), 2000);
}

TEST_F(GcDbTest, GetFiltersByWindowAndRange) {
  const int a = AddLines(1);
  SetStoreWindow(2);
  const int b = AddLines(1);
  SetStoreWindow(1);
  EXPECT_EQ(GcellGet(a).kind, GK_LINE);
  EXPECT_EQ(GcellGet(b).kind, 0) << "cell of the other window";
  EXPECT_EQ(GcellGet(b).p[3], 10) << "the rest of the copy is the cell";
  EXPECT_EQ(GcellGetAny(b).kind, GK_LINE);
  EXPECT_TRUE(GcellLive(a));
  EXPECT_FALSE(GcellLive(b));
  for (int i : {0, -1, 3, 2001, 1 << 30}) {
    EXPECT_EQ(GcellGet(i).kind, 0) << i;
    EXPECT_EQ(GcellGetAny(i).kind, 0) << i;
    EXPECT_EQ(GcellRef(i).kind, 0) << i;
  }
}

TEST_F(GcDbTest, PutOverwritesWithinCapacityOnly) {
  const int i = AddLines(1);
  TGcell c = GcellGet(i);
  c.p[0] = 99;
  const int before = Modified();
  GcellPut(c, i);
  EXPECT_EQ(GcellRef(i).p[0], 99);
  EXPECT_EQ(Modified(), before + 1);
  c.pen |= PEN_HILITE;
  GcellPutQuiet(c, i);
  EXPECT_EQ(GcellRef(i).pen & PEN_HILITE, PEN_HILITE);
  EXPECT_EQ(Modified(), before + 1) << "a quiet put is not a change";
  EXPECT_FALSE(GcellPut(c, 0));
  EXPECT_FALSE(GcellPut(c, StoreCapacity() + 1));
  EXPECT_EQ(Modified(), before + 1) << "writes outside the array do nothing";
}

// An overwrite is checked as an append is: degenerate or non-finite
// geometry is refused and the slot keeps its cell; arcs come into range.
TEST_F(GcDbTest, PutRefusesWhatAddRefuses) {
  const int i = AddLines(1, 0x21);
  const TGcell kept = GcellGet(i);
  struct Case {
    const char* what;
    TGcell cell;
  };
  TGcell nan = kept;
  nan.p[2] = std::nan("");
  TGcell circle = MakeCircle({0, 0}, 0.0005);
  TGcell arc = MakeArc({0, 0, 10, 1, 0, 1, 1.00005});
  const Case refused[] = {{"zero-length line", MakeLine({5, 5}, {5.0005, 5})},
                          {"non-finite", nan},
                          {"tiny circle", circle},
                          {"tiny arc", arc}};
  for (const Case& c : refused) {
    const int before = Modified();
    EXPECT_FALSE(GcellPut(c.cell, i)) << c.what;
    EXPECT_FALSE(GcellPutQuiet(c.cell, i)) << c.what;
    EXPECT_EQ(Modified(), before) << c.what;
    EXPECT_EQ(GcellRef(i).kind, kept.kind) << c.what;
    EXPECT_EQ(GcellRef(i).p[2], kept.p[2]) << c.what;
  }
  // An arc from 5 to 1 is stored from 1 to 5, as GcellAdd stores it.
  TGcell turned = MakeArc({0, 0, 10, 1, 0, 5, 1});
  ASSERT_TRUE(GcellPut(turned, i));
  EXPECT_EQ(GcellRef(i).p[7], 1);
  EXPECT_EQ(GcellRef(i).p[8], 5);
  // A deleted cell may be written back as it is (undo marks, flags).
  TGcell gone = GcellGet(i);
  gone.kind = -gone.kind;
  gone.p[4] = 0;
  EXPECT_TRUE(GcellPutQuiet(gone, i));
}

TEST_F(GcDbTest, DeleteAndUndoToggle) {
  const int i = AddLines(1, 0x21);
  GcellCommit();
  GcellSelect(i);
  GcellDelete(i);
  EXPECT_EQ(GcellRef(i).kind, -GK_LINE);
  EXPECT_EQ(GcellRef(i).undo, 1);
  EXPECT_EQ(GcellRef(i).pen & PEN_SELECTED, 0);
  EXPECT_EQ(Count(0x21), 0);
  GcellUndo();
  EXPECT_EQ(GcellRef(i).kind, GK_LINE);
  EXPECT_EQ(Count(0x21), 1);
  GcellUndo();
  EXPECT_EQ(GcellRef(i).kind, -GK_LINE) << "a second undo redoes the step";
  EXPECT_EQ(Count(0x21), 0);
  GcellCommit();
  EXPECT_EQ(GcellRef(i).kind, 0);
  GcellUndo();
  EXPECT_EQ(GcellRef(i).kind, 0) << "a committed deletion stays";
  EXPECT_EQ(Count(0x21), 0);
}

TEST_F(GcDbTest, UndoOfAddRemovesWhatTheStepAdded) {
  AddLines(1);
  GcellCommit();
  const int added = AddLines(1);
  GcellUndo();
  EXPECT_EQ(GcellRef(added).kind, -GK_LINE);
  EXPECT_EQ(Count(0), 1);
  GcellUndo();
  EXPECT_EQ(GcellRef(added).kind, GK_LINE);
  EXPECT_EQ(Count(0), 2);
}

TEST_F(GcDbTest, CellAddedAndDeletedInOneStepStaysGoneAfterUndo) {
  GcellCommit();
  const int i = AddLines(1);
  GcellDelete(i);
  EXPECT_EQ(Count(0), 0);
  GcellUndo();
  EXPECT_LE(GcellRef(i).kind, 0) << "it did not exist before the step";
  EXPECT_EQ(Count(0), 0);
  GcellUndo();
  EXPECT_LE(GcellRef(i).kind, 0) << "nor after it";
  EXPECT_EQ(Count(0), 0);
}

TEST_F(GcDbTest, CountersNeverGoNegative) {
  const int i = AddLines(1);
  GcellCommit();
  GcellDelete(i);
  GcellDelete(i);  // already deleted
  EXPECT_EQ(GcellRef(i).kind, -GK_LINE) << "a second delete does not revive it";
  EXPECT_EQ(Count(0), 0);
  GcellErase(i);  // erasing a deleted cell
  EXPECT_EQ(Count(0), 0);
  GcellUndo();  // the slot is dead: neither live nor revivable
  GcellUndo();
  EXPECT_EQ(GcellRef(i).kind, 0);
  EXPECT_EQ(Count(0), 0);
}

TEST_F(GcDbTest, EraseKillsAtOnceOutsideTheUndoStep) {
  const int i = AddLines(1);
  GcellErase(i);
  EXPECT_EQ(GcellRef(i).kind, 0);
  EXPECT_EQ(GcellRef(i).undo, 0);
  EXPECT_EQ(Count(0), 0);
  GcellUndo();
  EXPECT_EQ(GcellRef(i).kind, 0);
}

TEST_F(GcDbTest, CommitAndUndoTouchOnlyTheCurrentWindow) {
  const int a = AddLines(1);
  SetStoreWindow(2);
  const int b = AddLines(1);
  GcellCommit();
  EXPECT_EQ(GcellRef(a).undo, 1) << "window 1's step is still open";
  EXPECT_EQ(GcellRef(b).undo, 0);
  SetStoreWindow(1);
  GcellUndo();
  EXPECT_EQ(GcellRef(a).kind, -GK_LINE);
  EXPECT_EQ(GcellRef(b).kind, GK_LINE);
}

TEST_F(GcDbTest, CompactKeepsOrderAndOptionallyTheUndoStep) {
  for (int i = 0; i < 6; ++i) GcellAddPoint(0, 0x11, i, 0);
  GcellCommit();
  GcellDelete(2);  // deleted in this step: revivable
  GcellErase(4);   // dead
  GcellCompact(false);
  ASSERT_EQ(StoreUsed(), 5);
  EXPECT_EQ(GcellRef(2).kind, -GK_POINT);
  EXPECT_EQ(GcellRef(2).p[0], 1);
  EXPECT_EQ(GcellRef(3).p[0], 2);
  EXPECT_EQ(GcellRef(4).p[0], 4);
  GcellUndo();
  EXPECT_EQ(GcellRef(2).kind, GK_POINT) << "undo still works after compacting without dropping it";
  GcellUndo();

  SetStoreWindow(2);
  GcellAddPoint(0, 0x11, 9, 9);  // window 2 has an open step too
  GcellCompact(true);
  ASSERT_EQ(StoreUsed(), 5);
  EXPECT_EQ(GcellRef(1).p[0], 0);
  EXPECT_EQ(GcellRef(2).p[0], 2);
  EXPECT_EQ(GcellRef(5).p[0], 9);
  for (int i = 1; i <= StoreUsed(); ++i) EXPECT_EQ(GcellRef(i).undo, 0) << i;
  EXPECT_EQ(GcellRef(6).kind, 0) << "vacated slots are cleared";
}

TEST_F(GcDbTest, CommitCompactsOnlyPastTheThresholds) {
  struct Case {
    int cells, deleted;
    bool compacts;
  };
  const Case cases[] = {
      {100, 9, false},     // too few dead
      {1000, 600, false},  // 600 < 0.3 x 2001
      {1000, 601, true},   // over 30 % dead
      {1980, 10, false},   // 1980 < 0.99 x 2001
      {1990, 10, true},    // over 99 % full
      {1990, 9, false},    // but fewer than 10 dead
  };
  for (const Case& c : cases) {
    VelmoReset();
    AddLines(c.cells);
    GcellCommit();
    for (int i = 1; i <= c.deleted; ++i) GcellDelete(i);
    GcellCommit();
    EXPECT_EQ(StoreUsed(), c.compacts ? c.cells - c.deleted : c.cells) << c.cells << "/" << c.deleted;
  }
}

TEST_F(GcDbTest, CommitCompactsWhenAlmostFull) {
  g_gcdb.allocLimit = 2002;  // keep the capacity at 2001
  AddLines(1999);
  platform().Reset();
  AddLines(1);  // growth refused: 2000 of 2001 used
  platform().Reset();
  GcellCommit();
  for (int i = 1; i <= 10; ++i) GcellDelete(i);
  GcellCommit();
  EXPECT_EQ(StoreUsed(), 1990);
}

TEST_F(GcDbTest, HeldIndexSurvivesCompaction) {
  AddLines(1000);
  GcellCommit();
  const int victim = 900;
  const TCellRef held = GcellRefOf(victim);
  const double x = GcellRef(victim).p[0];
  for (int i = 1; i <= 700; ++i) GcellDelete(i);
  GcellCommit();
  ASSERT_EQ(StoreUsed(), 300) << "700 dead of 2001 compacts";
  const int now = GcellResolve(held);
  ASSERT_EQ(now, victim - 700);
  GcellDelete(now);
  EXPECT_EQ(GcellRef(now).kind, -GK_LINE);
  EXPECT_EQ(GcellRef(now).p[0], x) << "the cell held, not whatever moved into its slot";
  EXPECT_EQ(GcellResolve(GcellRefOf(5)), 5);
  EXPECT_EQ(GcellResolve(TCellRef{100, held.generation}), 0) << "a removed cell resolves to 0";
}

TEST_F(GcDbTest, ReferenceOlderThanTheLastMoveResolvesToZero) {
  AddLines(10);
  const TCellRef old = GcellRefOf(3);
  GcellCompact(true);
  GcellCompact(true);
  EXPECT_EQ(GcellResolve(old), 0);
}

TEST_F(GcDbTest, ClearWindowKeepsTheOtherWindowInOrder) {
  GcellAddPoint(0, 0x11, 1, 0);
  SetStoreWindow(2);
  GcellAddPoint(0, 0x11, 2, 0);
  SetStoreWindow(1);
  GcellAddPoint(0, 0x11, 3, 0);
  SetStoreWindow(2);
  GcellAddPoint(0, 0x11, 4, 0);
  GcellClearWindow(1);
  ASSERT_EQ(StoreUsed(), 2);
  EXPECT_EQ(GcellRef(1).p[0], 2);
  EXPECT_EQ(GcellRef(2).p[0], 4);
}

TEST_F(GcDbTest, ClearWindowDeletesTheDrawingsOwnPictureFiles) {
  const auto dir = std::filesystem::temp_directory_path() / ("velmo-gcdb-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const auto owned = dir / "#TMP0000ABCD#00000001.JPG";
  const auto foreign = dir / "photo.jpg";
  std::ofstream(owned) << "x";
  std::ofstream(foreign) << "x";
  g_programDir.tempPrefix = Utf8ToSjis((dir / "#TMP0000ABCD#").string());
  for (const auto& f : {owned, foreign}) {
    TGcell pic;
    pic.kind = GK_PICTURE;
    pic.p[2] = pic.p[3] = 10;
    pic.text = Utf8ToSjis(f.string());
    ASSERT_NE(GcellAdd(pic), 0);
  }
  GcellClearWindow(1);
  EXPECT_EQ(StoreUsed(), 0);
  EXPECT_FALSE(std::filesystem::exists(owned));
  EXPECT_TRUE(std::filesystem::exists(foreign));
  std::filesystem::remove_all(dir);
}

TEST_F(GcDbTest, EmptyTempPrefixOwnsNothing) {
  EXPECT_FALSE(IsTempFileName("anything.jpg"));
  EXPECT_FALSE(IsTempFileName(""));
}

TEST_F(GcDbTest, ReorderGroupsPensThenTextsAndKeepsTheRestInOrder) {
  struct Added {
    int kind;
    std::uint16_t pen;
    std::uint8_t size;
    const char* tag;
  };
  const Added adds[] = {
      {GK_FILL4K, 0x11, 0, "fill A"},   {GK_LINE, 0x13, 0, "line pen 3"},
      {GK_PICTURE, 0x11, 0, "picture"}, {GK_TEXT, 0x11, 2, "text size 2"},
      {GK_LINE, 0x11, 0, "line pen 1"}, {GK_FILL4K, 0x11, 0, "fill B"},
      {GK_LINE, 0x21, 0, "dashed pen 1"}, {GK_TEXT, 0x11, 1, "text size 1"},
      {GK_CIRCLE, 0x11, 0, "circle pen 1"}, {GK_FILL4K, 0x11, 0, "fill C"},
      {GK_ARC, 0x16, 0, "arc pen 6"},   {GK_TEXT, 0x11, 0, "text own size"},
  };
  for (const Added& a : adds) {
    TGcell c;
    c.kind = static_cast<std::int8_t>(a.kind);
    c.pen = a.pen;
    c.size = a.size;
    c.text = a.tag;
    c.p[0] = 0, c.p[1] = 0, c.p[2] = 10, c.p[3] = 10, c.p[4] = 5, c.p[5] = 1, c.p[7] = 0, c.p[8] = 1;
    ASSERT_NE(GcellAdd(c), 0) << a.tag;
  }
  const TCellRef fillB = GcellRefOf(6);
  GcellReorder();
  const std::vector<std::string> want = {
      "line pen 1", "circle pen 1", "line pen 3", "arc pen 6", "text size 1", "text size 2",
      "fill A",     "picture",      "fill B",     "dashed pen 1", "fill C",  "text own size",
  };
  ASSERT_EQ(StoreUsed(), static_cast<int>(want.size()));
  for (int i = 1; i <= StoreUsed(); ++i) EXPECT_EQ(GcellRef(i).text, want[i - 1]) << i;
  EXPECT_EQ(GcellRef(GcellResolve(fillB)).text, "fill B");
}

TEST_F(GcDbTest, SelectionFlagsMoveTogether) {
  const int i = AddLines(1);
  GcellSelect(i);
  EXPECT_EQ(GcellRef(i).pen & (PEN_SELECTED | PEN_SELMARK), PEN_SELECTED | PEN_SELMARK);
  GcellToggleSelect(i);
  EXPECT_EQ(GcellRef(i).pen & (PEN_SELECTED | PEN_SELMARK), 0);
  GcellToggleSelect(i);
  EXPECT_EQ(GcellRef(i).pen & (PEN_SELECTED | PEN_SELMARK), PEN_SELECTED | PEN_SELMARK);
  GcellMaskAll(static_cast<std::uint16_t>(~PEN_SELECTED));
  EXPECT_EQ(GcellRef(i).pen & (PEN_SELECTED | PEN_SELMARK), PEN_SELMARK) << "the mark outlives the selection";
  GcellUnselect(i);
  EXPECT_EQ(GcellRef(i).pen, 0x11);
  GcellSelect(0);
  GcellSelect(StoreCapacity() + 1);  // outside the array: nothing happens
}

TEST_F(GcDbTest, CountersOfTheOtherWindowStayInItsOwnRecord) {
  const int a = AddLines(1, 0x05);
  SetStoreWindow(2);
  // Window 2 is current now: window 1's counts live in its own slot.
  g_pvc.slots[1] = g_pvc.slots[0];
  g_pvc.slots[0] = TPVC{};
  GcellDelete(a);
  EXPECT_EQ(LayerCount(g_pvc.slots[1], 0x05), 0);
  EXPECT_EQ(LayerCount(CurPVC(), 0x05), 0);
  EXPECT_EQ(CurPVC().modified, 0);
  EXPECT_EQ(g_pvc.slots[1].modified, 2);
}

}  // namespace
