// The cell record: its text shared between copies, its typed views reading
// the slots each kind uses, its makers.
#include "model/GC_Cell.h"

#include <cmath>
#include <numbers>
#include <string>
#include <utility>

#include "VelmoTest.h"

namespace {

TEST(CellText, CopiesShareOneStringAndOutliveTheOriginal) {
  TCellText empty;
  EXPECT_TRUE(empty.empty());
  EXPECT_EQ(empty.str(), "");
  EXPECT_TRUE(TCellText(std::string()).empty()) << "an empty string holds nothing";

  auto* first = new TGcell;
  first->text = std::string("寸法 1234.5");
  TGcell copy = *first;
  EXPECT_EQ(copy.text.c_str(), first->text.c_str()) << "a copy shares the string";
  delete first;
  EXPECT_EQ(copy.text, "寸法 1234.5") << "and keeps it when the original goes";

  TGcell other = copy;
  other.text = "$FF0000";
  EXPECT_EQ(copy.text, "寸法 1234.5") << "a new text is a new string";
  EXPECT_EQ(other.text, std::string("$FF0000"));
  EXPECT_EQ(other.text.find(','), std::string::npos);
  EXPECT_TRUE(other.text.starts_with('$'));
  EXPECT_EQ(other.text.substr(1, 2), "FF");

  TGcell moved = std::move(other);
  EXPECT_EQ(moved.text, "$FF0000");
  static_assert(sizeof(TGcell) <= 96, "a line costs no more than this");
}

TEST(CellViews, EachKindReadsItsOwnSlots) {
  TGcell c;
  for (int i = 0; i < 9; ++i) c.p[i] = 10 + i;  // p0 = 10 .. p8 = 18

  c.kind = GK_LINE;
  const TLineGeom l = LineOf(c);
  EXPECT_EQ(l.a, (TPointD{10, 11}));
  EXPECT_EQ(l.b, (TPointD{12, 13}));

  c.kind = GK_ARC;
  const ArcParams a = ArcOf(c);
  EXPECT_EQ(a.cx, 10);
  EXPECT_EQ(a.cy, 11);
  EXPECT_EQ(a.r, 14);
  EXPECT_EQ(a.f, 15);
  EXPECT_EQ(a.t, 16);
  EXPECT_EQ(a.s, 17);
  EXPECT_EQ(a.e, 18);
  c.kind = GK_CIRCLE;
  EXPECT_EQ(ArcOf(c).s, 0);
  EXPECT_DOUBLE_EQ(ArcOf(c).e, 2 * std::numbers::pi) << "a circle runs the whole turn";

  c.kind = GK_TEXT;
  const TTextGeom t = TextOf(c);
  EXPECT_EQ(t.at, (TPointD{10, 11}));
  EXPECT_EQ(t.angle, 16);
  EXPECT_EQ(t.width, 12);
  EXPECT_EQ(t.height, 13);
  EXPECT_EQ(t.gap, 14);

  c.kind = GK_FILL4K;
  const TQuadGeom q = QuadOf(c);
  EXPECT_EQ(q.corner[0], (TPointD{10, 11}));
  EXPECT_EQ(q.corner[1], (TPointD{22, 24}));
  EXPECT_EQ(q.corner[2], (TPointD{24, 26}));
  EXPECT_EQ(q.corner[3], (TPointD{27, 29}));

  c.kind = GK_PICTURE;
  EXPECT_EQ(BoxOf(c).angle, 0) << "pictures stand upright";
  c.kind = GK_RECT;
  EXPECT_EQ(BoxOf(c).angle, 16);
  EXPECT_EQ(BoxOf(c).width, 12);
  EXPECT_EQ(BoxOf(c).height, 13);
}

TEST(CellViews, MakersWriteWhatTheViewsRead) {
  const TGcell line = MakeLine({1, 2}, {3, 4});
  EXPECT_EQ(line.kind, GK_LINE);
  EXPECT_EQ(LineOf(line).b, (TPointD{3, 4}));
  const TGcell arc = MakeArc({5, 6, 7, 1, 0.5, 1, 2});
  EXPECT_EQ(arc.kind, GK_ARC);
  EXPECT_EQ(ArcOf(arc).e, 2);
  const TGcell circle = MakeCircle({5, 6}, 7, 0.5, 0.25);
  EXPECT_EQ(circle.kind, GK_CIRCLE);
  EXPECT_EQ(ArcOf(circle).f, 0.5);
  EXPECT_EQ(ArcOf(circle).t, 0.25);
  const TGcell text = MakeText("ABC", {8, 9}, 0.5);
  EXPECT_EQ(text.kind, GK_TEXT);
  EXPECT_EQ(TextOf(text).angle, 0.5);
  EXPECT_EQ(text.text, "ABC");
}

}  // namespace
