// Line joining: trimming and extending two lines to their crossing, the
// chamfer line, fillet and concave arcs, collinear merges, refusals, and the
// join applied to the store.
//
// Expected coordinates are worked out by hand in the comments; the oblique
// fillets were checked with a separate construction (centre = crossing of
// the two lines offset inwards by r, tangent points = perpendicular feet of
// the centre), which gave for the 60-degree corner at (10,0) with r = 2 the
// centre (6.5358983848622465, 2), tangent points (6.5358983848622465, 0) and
// (8.267949192431123, 3), angles -pi/2 and pi/6; for the 135-degree corner
// the centre (9.171572875253808, 2), tangent points (9.171572875253808, 0)
// and (10.585786437626904, 0.585786437626904), angles -pi/2 and -pi/4.
#include "ops/Op_LineConect.h"

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "VelmoTest.h"

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTol = 1e-9;
constexpr double kSqrt3 = 1.7320508075688772;
constexpr double kSqrt2 = 1.4142135623730951;

TGcell Line(double x1, double y1, double x2, double y2, std::uint16_t pen = 0x21, std::uint8_t layer = 0x12) {
  TGcell c;
  c.kind = GK_LINE;
  c.layer = layer;
  c.pen = pen;
  c.p[0] = x1;
  c.p[1] = y1;
  c.p[2] = x2;
  c.p[3] = y2;
  return c;
}

struct Seg {
  double x1, y1, x2, y2;
};

void ExpectLine(const TGcell& c, Seg e, const std::string& what) {
  SCOPED_TRACE(what);
  EXPECT_EQ(c.kind, GK_LINE);
  EXPECT_NEAR(c.p[0], e.x1, kTol);
  EXPECT_NEAR(c.p[1], e.y1, kTol);
  EXPECT_NEAR(c.p[2], e.x2, kTol);
  EXPECT_NEAR(c.p[3], e.y2, kTol);
}

// Same angle up to whole turns.
void ExpectAngle(double got, double want, const char* what) {
  EXPECT_NEAR(std::remainder(got - want, 2 * kPi), 0.0, kTol) << what << " got " << got << " want " << want;
}

TJoinParams Params(TChamfer ch = {}, TScaleFactors f = {1, 1}) {
  TJoinParams p;
  p.chamfer = ch;
  p.factors = f;
  p.cornerLayer = 0x34;
  p.cornerPen = 0x52;
  return p;
}

// A corner piece must meet both lines at their ends at the corner (the
// second point: the construction puts the kept end first).
void ExpectPieceJoinsLines(const TJoinResult& r) {
  ASSERT_TRUE(r.hasCorner);
  double ax, ay, bx, by;
  if (r.corner.kind == GK_LINE) {
    ax = r.corner.p[0], ay = r.corner.p[1], bx = r.corner.p[2], by = r.corner.p[3];
  } else {
    const double cx = r.corner.p[0], cy = r.corner.p[1], rr = r.corner.p[4];
    ax = cx + rr * std::cos(r.corner.p[7]), ay = cy + rr * std::sin(r.corner.p[7]);
    bx = cx + rr * std::cos(r.corner.p[8]), by = cy + rr * std::sin(r.corner.p[8]);
  }
  const double e1x = r.line1.p[2], e1y = r.line1.p[3], e2x = r.line2.p[2], e2y = r.line2.p[3];
  const double direct = std::hypot(ax - e1x, ay - e1y) + std::hypot(bx - e2x, by - e2y);
  const double crossed = std::hypot(ax - e2x, ay - e2y) + std::hypot(bx - e1x, by - e1y);
  EXPECT_LT(std::min(direct, crossed), 1e-9) << "corner piece ends do not meet the line ends";
}

// ---- Sharp corners ----------------------------------------------------------

struct SharpCase {
  const char* name;
  Seg l1, l2;
  TPointD c1, c2;
  Seg want1, want2;
};

TEST(JoinLines, SharpCornersKeepTheClickedSides) {
  const SharpCase cases[] = {
      // A horizontal and a vertical line crossing at (5,0). Click 1 left of
      // the crossing keeps (0,0); click 2 above keeps (5,5).
      {"crossing, left and upper parts", {0, 0, 10, 0}, {5, -5, 5, 5}, {2, 0.3}, {5, 4},
       {0, 0, 5, 0}, {5, 5, 5, 0}},
      // The same lines clicked on the other sides.
      {"crossing, right and lower parts", {0, 0, 10, 0}, {5, -5, 5, 5}, {8, 0}, {5, -4},
       {10, 0, 5, 0}, {5, -5, 5, 0}},
      // Neither line reaches the crossing (10,0): both are extended; line 2
      // keeps its far end (10,8).
      {"both extended", {0, 0, 4, 0}, {10, 2, 10, 8}, {1, 0}, {10, 5}, {0, 0, 10, 0}, {10, 8, 10, 0}},
      // Line 1 extended to (6,0), line 2 crossing it trimmed to its upper part.
      {"one extended, one trimmed", {0, 0, 4, 0}, {6, -3, 6, 3}, {1, 0}, {6, 2}, {0, 0, 6, 0},
       {6, 3, 6, 0}},
      // Oblique: y = 6 - x meets y = 0 at (6,0); the click (3,3) lies between
      // (2,4) and the crossing, so (2,4) stays.
      {"oblique crossing", {0, 0, 10, 0}, {2, 4, 8, -2}, {1, 0}, {3, 3}, {0, 0, 6, 0}, {2, 4, 6, 0}},
      // The crossing (10.5,0) lies just past line 1's end and the click
      // (11,0.2) past that again: the line is extended from (0,0), not
      // reduced to the 0.5 gap between its end and the crossing.
      {"click past the end and the crossing", {0, 0, 10, 0}, {10.5, -5, 10.5, 5}, {11, 0.2}, {10.5, 3},
       {0, 0, 10.5, 0}, {10.5, 5, 10.5, 0}},
      // Click 1 right over the crossing: the first point's part stays.
      {"click over the crossing", {0, 0, 10, 0}, {5, -5, 5, 5}, {5, 0.3}, {5, 4}, {0, 0, 5, 0}, {5, 5, 5, 0}},
      // The lines already meet at (0,0) and click 1 is that very end: the
      // part on the click's side is empty, so line 1 keeps the rest.
      {"click on the end at the corner", {0, 0, 10, 0}, {0, 0, 0, 10}, {0, 0}, {0, 5}, {10, 0, 0, 0},
       {0, 10, 0, 0}},
  };
  for (const SharpCase& c : cases) {
    SCOPED_TRACE(c.name);
    const TJoinResult r = JoinLines(Line(c.l1.x1, c.l1.y1, c.l1.x2, c.l1.y2), Line(c.l2.x1, c.l2.y1, c.l2.x2, c.l2.y2),
                                    c.c1, c.c2, Params());
    ASSERT_EQ(r.status, JoinStatus::Ok);
    EXPECT_TRUE(r.keep1);
    EXPECT_TRUE(r.keep2);
    EXPECT_FALSE(r.hasCorner);
    ExpectLine(r.line1, c.want1, "line 1");
    ExpectLine(r.line2, c.want2, "line 2");
  }
}

TEST(JoinLines, LinesKeepTheirOwnAttributes) {
  TGcell a = Line(0, 0, 10, 0, 0x45, 0x7A);
  a.p[6] = 1.25;  // the duplicate cleanup's scratch slot is carried along
  const TGcell b = Line(5, -5, 5, 5, 0x1033, 0x01);
  const TJoinResult r = JoinLines(a, b, {1, 0}, {5, 4}, Params());
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.line1.layer, 0x7A);
  EXPECT_EQ(r.line1.pen, 0x45);
  EXPECT_EQ(r.line1.p[6], 1.25);
  EXPECT_EQ(r.line2.layer, 0x01);
  EXPECT_EQ(r.line2.pen, 0x1033);
}

// ---- Chamfers and arcs ------------------------------------------------------

struct Arc {
  double cx, cy, r, start, end;
};

struct CornerCase {
  const char* name;
  Seg l1, l2;
  TPointD c1, c2;
  TChamfer ch;
  TScaleFactors f;
  Seg want1, want2;
  bool arc;
  Seg chamferLine;  // when !arc
  Arc wantArc;      // when arc
};

// Right angle: line 1 (0,0)-(30,0) and line 2 (20,-5)-(20,25) cross at
// X = (20,0); the clicks keep (0,0) and (20,25).
// 60 degrees: line 1 (0,0)-(10,0), line 2 from X = (10,0) at 120 degrees to
// (5, 5 sqrt3); the corner's legs point at 180 and 120 degrees.
// 135 degrees: line 2 from X = (10,0) at 45 degrees to (10 + 5 sqrt2, 5 sqrt2).
const Seg kRight1{0, 0, 30, 0}, kRight2{20, -5, 20, 25};
const TPointD kRightC1{5, 0}, kRightC2{20, 20};
const Seg k60a{0, 0, 10, 0}, k60b{10, 0, 5, 5 * kSqrt3};
const TPointD k60c1{2, 0}, k60c2{6, 7};
const Seg k135b{10, 0, 10 + 5 * kSqrt2, 5 * kSqrt2};

TEST(JoinLines, ChamfersAndArcs) {
  const CornerCase cases[] = {
      // Side 3: both ends 3 before X.
      {"right angle, side", kRight1, kRight2, kRightC1, kRightC2, {3, 0, 0, 0}, {1, 1},
       {0, 0, 17, 0}, {20, 25, 20, 3}, false, {17, 0, 20, 3}, {}},
      // Face 10: cut back 10 / (2 sin 45) = 10 / sqrt2 = 7.0710678; the
      // chamfer line is the hypotenuse, 10 long.
      {"right angle, face", kRight1, kRight2, kRightC1, kRightC2, {0, 10, 0, 0}, {1, 1},
       {0, 0, 20 - 10 / kSqrt2, 0}, {20, 25, 20, 10 / kSqrt2}, false,
       {20 - 10 / kSqrt2, 0, 20, 10 / kSqrt2}, {}},
      // Radius 5: cut back 5 / tan 45 = 5; centre (15,5), from (15,0) at
      // -90 degrees to (20,5) at 0 degrees.
      {"right angle, fillet", kRight1, kRight2, kRightC1, kRightC2, {0, 0, 5, 0}, {1, 1},
       {0, 0, 15, 0}, {20, 25, 20, 5}, true, {}, {15, 5, 5, -kPi / 2, 0}},
      // The same corner with the lines given the other way round: the turn
      // from line 1 to line 2 has the other sign, the arc is the same.
      {"right angle, fillet, lines swapped", kRight2, kRight1, kRightC2, kRightC1, {0, 0, 5, 0}, {1, 1},
       {20, 25, 20, 5}, {0, 0, 15, 0}, true, {}, {15, 5, 5, -kPi / 2, 0}},
      // Concave 4: ends 4 back, arc about X from 90 to 180 degrees.
      {"right angle, concave", kRight1, kRight2, kRightC1, kRightC2, {0, 0, 0, 4}, {1, 1},
       {0, 0, 16, 0}, {20, 25, 20, 4}, true, {}, {20, 0, 4, kPi / 2, kPi}},
      // Side 2: (8,0) and X + 2 (cos 120, sin 120) = (9, sqrt3).
      {"60 degrees, side", k60a, k60b, k60c1, k60c2, {2, 0, 0, 0}, {1, 1},
       {0, 0, 8, 0}, {5, 5 * kSqrt3, 9, kSqrt3}, false, {8, 0, 9, kSqrt3}, {}},
      // Face 3: cut back 3 / (2 sin 30) = 3, an equilateral corner: (7,0) and
      // (8.5, 1.5 sqrt3).
      {"60 degrees, face", k60a, k60b, k60c1, k60c2, {0, 3, 0, 0}, {1, 1},
       {0, 0, 7, 0}, {5, 5 * kSqrt3, 8.5, 1.5 * kSqrt3}, false, {7, 0, 8.5, 1.5 * kSqrt3}, {}},
      // Radius 2: cut back 2 / tan 30 = 2 sqrt3 (see the file comment).
      {"60 degrees, fillet", k60a, k60b, k60c1, k60c2, {0, 0, 2, 0}, {1, 1},
       {0, 0, 10 - 2 * kSqrt3, 0}, {5, 5 * kSqrt3, 10 - kSqrt3, 3}, true, {},
       {10 - 2 * kSqrt3, 2, 2, -kPi / 2, kPi / 6}},
      // Concave 1.5: ends (8.5,0) and X + 1.5 (cos 120, sin 120).
      {"60 degrees, concave", k60a, k60b, k60c1, k60c2, {0, 0, 0, 1.5}, {1, 1},
       {0, 0, 8.5, 0}, {5, 5 * kSqrt3, 9.25, 0.75 * kSqrt3}, true, {}, {10, 0, 1.5, 2 * kPi / 3, kPi}},
      // Radius 2 at 135 degrees: cut back 2 / tan 67.5 = 2 (sqrt2 - 1).
      {"135 degrees, fillet", k60a, k135b, k60c1, {14, 4}, {0, 0, 2, 0}, {1, 1},
       {0, 0, 10 - 2 * (kSqrt2 - 1), 0}, {10 + 5 * kSqrt2, 5 * kSqrt2, 12 - kSqrt2, 2 - kSqrt2}, true, {},
       {10 - 2 * (kSqrt2 - 1), 2, 2, -kPi / 2, -kPi / 4}},
      // Group at 1:50 on a 1:100 drawing: 0.5 real mm per stored unit, so a
      // real radius 5 is 10 units: centre (10,10), ends (10,0) and (20,10).
      {"fillet at half the basic scale", kRight1, kRight2, kRightC1, kRightC2, {0, 0, 5, 0}, {0.5, 0.5},
       {0, 0, 10, 0}, {20, 25, 20, 10}, true, {}, {10, 10, 10, -kPi / 2, 0}},
      // The radius uses the x factor on both axes: x 0.5, y 0.25 still gives
      // a circle of 10 units.
      {"fillet with different x and y scales", kRight1, kRight2, kRightC1, kRightC2, {0, 0, 5, 0},
       {0.5, 0.25}, {0, 0, 10, 0}, {20, 25, 20, 10}, true, {}, {10, 10, 10, -kPi / 2, 0}},
      // Concave 4 real at 0.5 mm per unit: 8 units.
      {"concave at half the basic scale", kRight1, kRight2, kRightC1, kRightC2, {0, 0, 0, 4}, {0.5, 0.5},
       {0, 0, 12, 0}, {20, 25, 20, 8}, true, {}, {20, 0, 8, kPi / 2, kPi}},
      // Side 2 real with x 0.5 and y 0.25 mm per unit: 4 units along the
      // horizontal line, 8 along the vertical one.
      {"side with different x and y scales", kRight1, kRight2, kRightC1, kRightC2, {2, 0, 0, 0},
       {0.5, 0.25}, {0, 0, 16, 0}, {20, 25, 20, 8}, false, {16, 0, 20, 8}, {}},
      // Face 5 real with x 0.5, y 0.25: the corner is square at the real
      // scale too, so 5 / sqrt2 real along each line: 5 sqrt2 units along
      // x, 10 sqrt2 along y.
      {"face with different x and y scales", kRight1, kRight2, kRightC1, kRightC2, {0, 5, 0, 0},
       {0.5, 0.25}, {0, 0, 20 - 5 * kSqrt2, 0}, {20, 25, 20, 10 * kSqrt2}, false,
       {20 - 5 * kSqrt2, 0, 20, 10 * kSqrt2}, {}},
  };
  for (const CornerCase& c : cases) {
    SCOPED_TRACE(c.name);
    const TJoinResult r = JoinLines(Line(c.l1.x1, c.l1.y1, c.l1.x2, c.l1.y2), Line(c.l2.x1, c.l2.y1, c.l2.x2, c.l2.y2),
                                    c.c1, c.c2, Params(c.ch, c.f));
    ASSERT_EQ(r.status, JoinStatus::Ok);
    EXPECT_TRUE(r.keep1);
    EXPECT_TRUE(r.keep2);
    ExpectLine(r.line1, c.want1, "line 1");
    ExpectLine(r.line2, c.want2, "line 2");
    ASSERT_TRUE(r.hasCorner);
    EXPECT_EQ(r.corner.layer, 0x34);
    EXPECT_EQ(r.corner.pen, 0x52);
    if (c.arc) {
      ASSERT_EQ(r.corner.kind, GK_ARC);
      EXPECT_NEAR(r.corner.p[0], c.wantArc.cx, kTol);
      EXPECT_NEAR(r.corner.p[1], c.wantArc.cy, kTol);
      EXPECT_NEAR(r.corner.p[4], c.wantArc.r, kTol);
      EXPECT_EQ(r.corner.p[5], 1.0);
      ExpectAngle(r.corner.p[7], c.wantArc.start, "start");
      EXPECT_NEAR(r.corner.p[8] - r.corner.p[7], c.wantArc.end - c.wantArc.start, kTol) << "span";
    } else {
      ExpectLine(r.corner, c.chamferLine, "chamfer line");
    }
    ExpectPieceJoinsLines(r);
  }
}

TEST(JoinLines, FaceChamferLineHasTheFaceLength) {
  // Right angle, face 10 at factor 1: the chamfer runs from
  // (20 - 10/sqrt2, 0) to (20, 10/sqrt2): sqrt(50 + 50) = 10.
  const TJoinResult r = JoinLines(Line(0, 0, 30, 0), Line(20, -5, 20, 25), kRightC1, kRightC2, Params({0, 10, 0, 0}));
  ASSERT_TRUE(r.hasCorner);
  EXPECT_NEAR(std::hypot(r.corner.p[2] - r.corner.p[0], r.corner.p[3] - r.corner.p[1]), 10, 1e-9);
}

// With different x and y scales an oblique line's chamfer end moves along
// the line itself by the stored distance that measures the value in real
// millimetres. Corner at X = (10,0) between (0,0)-(10,0) and the 45-degree
// line (10,0)-(20,10), factors x 0.5 and y 0.25 mm per unit.
TEST(JoinLines, ObliqueChamferWithDifferentScalesStaysOnTheLines) {
  const TScaleFactors f{0.5, 0.25};
  const TGcell a = Line(0, 0, 10, 0), b = Line(10, 0, 20, 10);
  auto realLength = [&](double dx, double dy) { return std::hypot(dx * f.x, dy * f.y); };

  // Side 2: a unit step along 45 degrees measures
  // hypot(0.5, 0.25) / sqrt2 = 0.3952847 mm, so 2 mm is 5.0596443 units,
  // (3.5777088, 3.5777088) from X; the horizontal end is 2 / 0.5 = 4 units back.
  const TJoinResult side = JoinLines(a, b, {2, 0}, {18, 8}, Params({2, 0, 0, 0}, f));
  ASSERT_TRUE(side.ok());
  ExpectLine(side.line1, {0, 0, 6, 0}, "line 1");
  ExpectLine(side.line2, {20, 10, 13.577708763999663, 3.577708763999663}, "line 2");

  // Face 3: both ends the same real distance from X, on their lines, and the
  // chamfer 3 real mm long; on this corner and on one where neither line is
  // horizontal: (0,0)-(10,5) and (10,5)-(4,20), X = (10,5).
  struct Corner {
    TGcell a, b;
    TPointD c1, c2;
  } corners[] = {{a, b, {2, 0}, {18, 8}}, {Line(0, 0, 10, 5), Line(10, 5, 4, 20), {2, 1}, {6, 15}}};
  for (const Corner& k : corners) {
    const TJoinResult face = JoinLines(k.a, k.b, k.c1, k.c2, Params({0, 3, 0, 0}, f));
    ASSERT_TRUE(face.ok());
    ASSERT_TRUE(face.hasCorner);
    const double xx = k.a.p[2], xy = k.a.p[3];  // X is line 1's second point here
    const double e1x = face.line1.p[2] - xx, e1y = face.line1.p[3] - xy;
    const double e2x = face.line2.p[2] - xx, e2y = face.line2.p[3] - xy;
    const double d1x = k.a.p[0] - xx, d1y = k.a.p[1] - xy;  // line 1 back from X
    const double d2x = k.b.p[2] - xx, d2y = k.b.p[3] - xy;  // line 2 away from X
    EXPECT_NEAR(e1x * d1y - e1y * d1x, 0, kTol) << "end 1 leaves its line";
    EXPECT_NEAR(e2x * d2y - e2y * d2x, 0, kTol) << "end 2 leaves its line";
    EXPECT_GT(e1x * d1x + e1y * d1y, 0);
    EXPECT_GT(e2x * d2x + e2y * d2y, 0);
    EXPECT_NEAR(realLength(e1x, e1y), realLength(e2x, e2y), 1e-9);
    EXPECT_NEAR(realLength(e2x - e1x, e2y - e1y), 3, 1e-9);
    ExpectPieceJoinsLines(face);
  }
}

TEST(JoinLines, ChamferValuesAreTriedInOrder) {
  // Side wins over everything, face over the arcs, the fillet over the
  // concave arc; values of 0.001 and less count as unset.
  struct Case {
    TChamfer ch;
    std::int8_t kind;
    double end1x;  // where line 1 ends on the right-angle corner
  } cases[] = {
      {{3, 10, 5, 4}, GK_LINE, 17},
      {{0.001, 10, 5, 4}, GK_LINE, 20 - 10 / kSqrt2},
      {{0, 0.001, 5, 4}, GK_ARC, 15},
      {{0, 0, 0.001, 4}, GK_ARC, 16},
      {{-3, -10, -5, -4}, 0, 20},
  };
  for (const Case& c : cases) {
    const TJoinResult r = JoinLines(Line(0, 0, 30, 0), Line(20, -5, 20, 25), kRightC1, kRightC2, Params(c.ch));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.hasCorner ? r.corner.kind : 0, c.kind) << c.end1x;
    EXPECT_NEAR(r.line1.p[2], c.end1x, kTol);
  }
}

// ---- Degenerate corners -----------------------------------------------------

TEST(JoinLines, CornerTooLargeForTheLinesIsRefused) {
  // Right angle: 20 units from X back to (0,0) on line 1, 25 to (20,25).
  struct Case {
    const char* name;
    TChamfer ch;
    TScaleFactors f;
  } cases[] = {
      {"side 21", {21, 0, 0, 0}, {1, 1}},
      {"face 30: cut back 21.2", {0, 30, 0, 0}, {1, 1}},
      {"radius 21: cut back 21", {0, 0, 21, 0}, {1, 1}},
      {"concave 26", {0, 0, 0, 26}, {1, 1}},
      {"radius 11 real at 0.5 mm per unit: 22 units", {0, 0, 11, 0}, {0.5, 0.5}},
  };
  for (const auto& c : cases) {
    const TJoinResult r = JoinLines(Line(0, 0, 30, 0), Line(20, -5, 20, 25), kRightC1, kRightC2, Params(c.ch, c.f));
    EXPECT_EQ(r.status, JoinStatus::TooLarge) << c.name;
    EXPECT_FALSE(r.hasCorner) << c.name;
  }
  // A sharp 10-degree corner: a radius 2 fillet needs 2 / tan 5 = 22.9 units
  // on each line, line 1 has 10.
  const double a = 170 * kPi / 180;
  const TJoinResult sharp = JoinLines(Line(0, 0, 10, 0), Line(10, 0, 10 + 30 * std::cos(a), 30 * std::sin(a)),
                                      {1, 0}, {0, 4}, Params({0, 0, 2, 0}));
  EXPECT_EQ(sharp.status, JoinStatus::TooLarge);
}

TEST(JoinLines, CornerThatUsesUpALineRemovesIt) {
  // Radius 20 on the right-angle corner cuts line 1 back by exactly its 20
  // units: line 1 goes, the arc runs from (0,0) about (0,20) to (20,20).
  const TJoinResult r = JoinLines(Line(0, 0, 30, 0), Line(20, -5, 20, 25), kRightC1, kRightC2, Params({0, 0, 20, 0}));
  ASSERT_EQ(r.status, JoinStatus::Ok);
  EXPECT_FALSE(r.keep1);
  EXPECT_TRUE(r.keep2);
  ExpectLine(r.line2, {20, 25, 20, 20}, "line 2");
  ASSERT_TRUE(r.hasCorner);
  EXPECT_NEAR(r.corner.p[0], 0, kTol);
  EXPECT_NEAR(r.corner.p[1], 20, kTol);
  EXPECT_NEAR(r.corner.p[4], 20, kTol);
}

TEST(JoinLines, CornerPieceTooSmallToStoreIsLeftOut) {
  // Side 0.0015 real at 2 mm per unit is 0.00075 units: the chamfer line
  // would be (19.99925,0)-(20,0.00075), which the store drops.
  const TJoinResult r =
      JoinLines(Line(0, 0, 30, 0), Line(20, -5, 20, 25), kRightC1, kRightC2, Params({0.0015, 0, 0, 0}, {2, 2}));
  ASSERT_EQ(r.status, JoinStatus::Ok);
  EXPECT_FALSE(r.hasCorner);
  EXPECT_NEAR(r.line1.p[2], 19.99925, kTol);
  // Arcs of radius 0.0015 real at 4 mm per unit: 0.000375 units over a
  // quarter turn is 0.00059 long, below the store's 0.001.
  for (TChamfer ch : {TChamfer{0, 0, 0.0015, 0}, TChamfer{0, 0, 0, 0.0015}}) {
    const TJoinResult a = JoinLines(Line(0, 0, 30, 0), Line(20, -5, 20, 25), kRightC1, kRightC2, Params(ch, {4, 4}));
    ASSERT_EQ(a.status, JoinStatus::Ok);
    EXPECT_FALSE(a.hasCorner);
    EXPECT_NEAR(a.line1.p[2], 20 - 0.000375, kTol);
  }
  // At 2 mm per unit the fillet is 0.00075 x pi/2 = 0.00118 long and stays.
  const TJoinResult kept =
      JoinLines(Line(0, 0, 30, 0), Line(20, -5, 20, 25), kRightC1, kRightC2, Params({0, 0, 0.0015, 0}, {2, 2}));
  EXPECT_TRUE(kept.hasCorner);
}

// ---- Parallel and collinear lines -------------------------------------------

struct ParallelCase {
  const char* name;
  Seg l1, l2;
  std::uint16_t pen2;
  JoinStatus want;
  Seg merged;
};

TEST(JoinLines, ParallelLines) {
  const ParallelCase cases[] = {
      // Line 2 beyond line 1's end: one line over both.
      {"collinear with a gap", {0, 0, 10, 0}, {15, 0, 12, 0}, 0x21, JoinStatus::Ok, {0, 0, 15, 0}},
      // Overlapping, line 2 reaching back past line 1's start.
      {"collinear overlapping", {0, 0, 10, 0}, {-5, 0, 3, 0}, 0x21, JoinStatus::Ok, {-5, 0, 10, 0}},
      // Line 1 runs right to left and keeps that direction.
      {"collinear, line 1 reversed", {10, 0, 0, 0}, {12, 0, 20, 0}, 0x21, JoinStatus::Ok, {20, 0, 0, 0}},
      // A diagonal: (0,0)-(3,4) and (6,8)-(9,12).
      {"collinear diagonal", {0, 0, 3, 4}, {6, 8, 9, 12}, 0x21, JoinStatus::Ok, {0, 0, 9, 12}},
      // Flags are not part of the pen: a highlighted line merges too.
      {"collinear, line 2 highlighted", {0, 0, 10, 0}, {12, 0, 20, 0}, 0x21 | PEN_HILITE | PEN_SELECTED,
       JoinStatus::Ok, {0, 0, 20, 0}},
      // Within 0.001 of line 1's line counts as on it.
      {"offset 0.0005", {0, 0, 10, 0}, {12, 0.0005, 20, 0.0005}, 0x21, JoinStatus::Ok, {0, 0, 20, 0}},
      {"offset 0.002", {0, 0, 10, 0}, {12, 0.002, 20, 0.002}, 0x21, JoinStatus::Parallel, {}},
      // Starting on line 1's line but 0.00005 radians off: 100 units on, the
      // far end is 0.005 away, which a merge would move.
      {"far end 0.005 off the line", {0, 0, 10, 0}, {12, 0, 112, 100 * std::tan(0.00005)}, 0x21,
       JoinStatus::Parallel, {}},
      {"parallel offset 5", {0, 0, 10, 0}, {0, 5, 10, 5}, 0x21, JoinStatus::Parallel, {}},
      {"antiparallel offset 5", {0, 0, 10, 0}, {10, 5, 0, 5}, 0x21, JoinStatus::Parallel, {}},
      {"collinear, other pen", {0, 0, 10, 0}, {12, 0, 20, 0}, 0x22, JoinStatus::PenMismatch, {}},
      {"collinear, other line type", {0, 0, 10, 0}, {12, 0, 20, 0}, 0x31, JoinStatus::PenMismatch, {}},
      // 0.00005 radians apart: parallel for the join although the lines
      // would cross 20000 units away.
      {"directions 0.00005 apart", {0, 0, 10, 0}, {0, 1, 10, 1 - 10 * std::tan(0.00005)}, 0x21,
       JoinStatus::Parallel, {}},
  };
  for (const ParallelCase& c : cases) {
    SCOPED_TRACE(c.name);
    const TJoinResult r = JoinLines(Line(c.l1.x1, c.l1.y1, c.l1.x2, c.l1.y2),
                                    Line(c.l2.x1, c.l2.y1, c.l2.x2, c.l2.y2, c.pen2), {1, 0}, {15, 0},
                                    Params({0, 0, 5, 0}));
    ASSERT_EQ(r.status, c.want);
    if (c.want != JoinStatus::Ok) continue;
    EXPECT_TRUE(r.keep1);
    EXPECT_FALSE(r.keep2);
    EXPECT_FALSE(r.hasCorner) << "a merge has no corner, whatever the chamfer";
    ExpectLine(r.line1, c.merged, "merged");
  }
}

TEST(JoinLines, NearlyParallelLinesBeyondTheToleranceMeetFarAway) {
  // 0.0002 radians apart: y = 1 - x tan(0.0002) reaches y = 0 at
  // x = 1 / tan(0.0002) = 4999.99999.
  const double t = std::tan(0.0002);
  const TJoinResult r = JoinLines(Line(0, 0, 10, 0), Line(0, 1, 10, 1 - 10 * t), {1, 0}, {1, 1}, Params());
  ASSERT_EQ(r.status, JoinStatus::Ok);
  EXPECT_NEAR(r.line1.p[2], 1 / t, 1e-6);
  EXPECT_NEAR(r.line1.p[3], 0, 1e-9);
  EXPECT_NEAR(r.line2.p[2], 1 / t, 1e-6);
}

// ---- Refused input ----------------------------------------------------------

TEST(JoinLines, RefusesInputItCannotJoin) {
  const TGcell good = Line(0, 0, 10, 0), cross = Line(5, -5, 5, 5);
  TGcell arc = cross;
  arc.kind = GK_ARC;
  TGcell deleted = cross;
  deleted.kind = -GK_LINE;
  TGcell nan = cross;
  nan.p[1] = std::nan("");
  struct Case {
    const char* name;
    TGcell a, b;
    TPointD c1;
    TScaleFactors f;
    JoinStatus want;
  } cases[] = {
      {"line 1 zero length", Line(3, 3, 3.0005, 3.0009), cross, {1, 0}, {1, 1}, JoinStatus::ZeroLength},
      {"line 2 zero length", good, Line(5, 5, 5, 5), {1, 0}, {1, 1}, JoinStatus::ZeroLength},
      {"an arc", good, arc, {1, 0}, {1, 1}, JoinStatus::NotLines},
      {"a deleted line", deleted, good, {1, 0}, {1, 1}, JoinStatus::NotLines},
      {"NaN coordinate", good, nan, {1, 0}, {1, 1}, JoinStatus::NotLines},
      {"NaN click", good, cross, {std::nan(""), 0}, {1, 1}, JoinStatus::NotLines},
      {"zero x factor", good, cross, {1, 0}, {0, 1}, JoinStatus::NotLines},
      {"negative y factor", good, cross, {1, 0}, {1, -1}, JoinStatus::NotLines},
      {"infinite factor", good, cross, {1, 0}, {INFINITY, 1}, JoinStatus::NotLines},
  };
  for (const auto& c : cases) {
    const TJoinResult r = JoinLines(c.a, c.b, c.c1, {5, 4}, Params({0, 0, 1, 0}, c.f));
    EXPECT_EQ(r.status, c.want) << c.name;
    EXPECT_FALSE(r.ok()) << c.name;
  }
  // A line 0.0015 long whose crossing lies in its middle: both parts would
  // be too short to keep.
  const TJoinResult tiny = JoinLines(Line(0, 0, 0.0015, 0), Line(0.00075, -5, 0.00075, 5), {0, 0}, {0.00075, 4}, Params());
  EXPECT_EQ(tiny.status, JoinStatus::ZeroLength);
}

TEST(JoinLines, CrossingBeyondTheDoubleRangeIsRefused) {
  // Line 2 starts 1e305 above line 1 and falls by 1.1e-4 per unit: the
  // crossing would lie near x = 1e305 / 1.1e-4 = 9.1e308, past the largest
  // double.
  const TJoinResult r = JoinLines(Line(0, 0, 1, 0), Line(0, 1e305, 1e301, 1e305 - 1.1e297), {0.5, 0}, {1, 1e305},
                                  Params());
  EXPECT_EQ(r.status, JoinStatus::NoCrossing);
}

// ---- Rounded chain corners ----------------------------------------------------

TEST(RoundCorner, DoubleLineChainGetsConcentricArcs) {
  // A chain (0,0) -> (10,0) -> (10,10), spacing 2, centre radius 3. The
  // turn is to the left, so the left lines are inside (radius 3 - 1 = 2)
  // and the right lines outside (3 + 1 = 4). Left lines y = 1 and x = 9
  // meet at (9,1), cut back 2: (7,1) and (9,3). Right lines y = -1 and
  // x = 11 meet at (11,-1), cut back 4: (7,-1) and (11,3). The centre
  // line's corner (10,0) cut back 3: (7,0) and (10,3). All arcs centre
  // on (7,3).
  struct Side {
    const char* name;
    Seg prev, cur;
    double radius;
    Seg want1, want2;
  } sides[] = {
      {"left (inner)", {0, 1, 10, 1}, {9, 0, 9, 10}, 2, {0, 1, 7, 1}, {9, 3, 9, 10}},
      {"right (outer)", {0, -1, 10, -1}, {11, 0, 11, 10}, 4, {0, -1, 7, -1}, {11, 3, 11, 10}},
      {"centre", {0, 0, 10, 0}, {10, 0, 10, 10}, 3, {0, 0, 7, 0}, {10, 3, 10, 10}},
  };
  for (const Side& s : sides) {
    SCOPED_TRACE(s.name);
    const TJoinResult r = RoundCorner(Line(s.prev.x1, s.prev.y1, s.prev.x2, s.prev.y2, 0x8057, 0x3C),
                                      Line(s.cur.x1, s.cur.y1, s.cur.x2, s.cur.y2, 0x8057, 0x3C), s.radius);
    ASSERT_EQ(r.status, JoinStatus::Ok);
    ExpectLine(r.line1, s.want1, "previous segment");
    ExpectLine(r.line2, s.want2, "current segment, still running away from the corner");
    ASSERT_TRUE(r.hasCorner);
    EXPECT_EQ(r.corner.kind, GK_ARC);
    EXPECT_NEAR(r.corner.p[0], 7, kTol);
    EXPECT_NEAR(r.corner.p[1], 3, kTol);
    EXPECT_NEAR(r.corner.p[4], s.radius, kTol);
    ExpectAngle(r.corner.p[7], -kPi / 2, "start");
    EXPECT_NEAR(r.corner.p[8] - r.corner.p[7], kPi / 2, kTol);
    EXPECT_EQ(r.corner.layer, 0x3C) << "the arc follows line 1's layer";
    EXPECT_EQ(r.corner.pen, 0x8057) << "and pen word";
  }
}

TEST(RoundCorner, ZeroRadiusGivesASharpCorner) {
  // The inner side when the radius is at most half the spacing.
  const TJoinResult r = RoundCorner(Line(0, 1, 10, 1), Line(9, 0, 9, 10), 0);
  ASSERT_EQ(r.status, JoinStatus::Ok);
  EXPECT_FALSE(r.hasCorner);
  ExpectLine(r.line1, {0, 1, 9, 1}, "previous");
  ExpectLine(r.line2, {9, 1, 9, 10}, "current");
}

TEST(RoundCorner, RightTurnAndRefusals) {
  // A right turn (0,0) -> (10,0) -> (10,-10), radius 4: corner (10,0) cut
  // back 4, centre (6,-4), the arc from (6,0) at 90 degrees clockwise to
  // (10,-4) at 0 degrees, i.e. counter-clockwise from 0 to 90.
  const TJoinResult r = RoundCorner(Line(0, 0, 10, 0), Line(10, 0, 10, -10), 4);
  ASSERT_EQ(r.status, JoinStatus::Ok);
  ExpectLine(r.line1, {0, 0, 6, 0}, "previous");
  ExpectLine(r.line2, {10, -4, 10, -10}, "current");
  ASSERT_TRUE(r.hasCorner);
  EXPECT_NEAR(r.corner.p[0], 6, kTol);
  EXPECT_NEAR(r.corner.p[1], -4, kTol);
  ExpectAngle(r.corner.p[7], 0, "start");
  EXPECT_NEAR(r.corner.p[8] - r.corner.p[7], kPi / 2, kTol);

  // A straight continuation is no corner: refused, not merged.
  EXPECT_EQ(RoundCorner(Line(0, 0, 10, 0), Line(10, 0, 20, 0), 3).status, JoinStatus::Parallel);
  // A radius that needs more than the previous segment's 10 units.
  EXPECT_EQ(RoundCorner(Line(0, 0, 10, 0), Line(10, 0, 10, 30), 11).status, JoinStatus::TooLarge);
}

// ---- Scale factors from the drawing -----------------------------------------

class JoinStoreTest : public VelmoTest {};

TEST_F(JoinStoreTest, ParamsForTheWriteGroup) {
  TPVC& pvc = CurPVC();
  pvc.basicScale = 100;
  pvc.writeLayer = 0x35;
  pvc.writePen = 0x42;
  pvc.groups[3].scaleX = 50;  // 1:50 on a 1:100 drawing
  pvc.groups[3].scaleY = 50;
  pvc.groups[0].scaleX = pvc.groups[0].scaleY = 200;  // another group's scale does not count
  const TJoinParams p = JoinParamsFor(pvc, {0, 0, 5, 0});
  EXPECT_EQ(p.cornerLayer, 0x35);
  EXPECT_EQ(p.cornerPen, 0x42);
  // Radius 5 real at 1:50 on 1:100 is 10 units (centre (10,10) on the
  // right-angle corner).
  const TJoinResult r = JoinLines(Line(0, 0, 30, 0), Line(20, -5, 20, 25), kRightC1, kRightC2, p);
  ASSERT_TRUE(r.hasCorner);
  EXPECT_NEAR(r.corner.p[4], 10, kTol);
  EXPECT_NEAR(r.corner.p[0], 10, kTol);
  EXPECT_NEAR(r.corner.p[1], 10, kTol);
  EXPECT_EQ(r.corner.layer, 0x35);
  EXPECT_EQ(r.corner.pen, 0x42);

  // A zero group scale is guarded, not a division by zero: 0.0001 / 100.
  pvc.groups[3].scaleX = 0;
  const TJoinParams z = JoinParamsFor(pvc, {});
  EXPECT_GT(z.factors.x, 0);
  EXPECT_TRUE(std::isfinite(z.factors.x));
}

// ---- Applying a join to the store -------------------------------------------

TEST_F(JoinStoreTest, JoinReplacesBothLinesInOneUndoStep) {
  // All three are added in one open step, which the join must close first.
  const int before = GcellAddLine(0x01, 0x21, 100, 100, 200, 100);
  const int i1 = GcellAddLine(0x12, 0x21, 0, 0, 30, 0);
  const int i2 = GcellAddLine(0x12, 0x23, 20, -5, 20, 25);
  TJoinAdded added;
  ASSERT_EQ(JoinStoredLines(i1, i2, kRightC1, kRightC2, Params({0, 0, 5, 0}), &added), JoinStatus::Ok);

  EXPECT_LT(GcellRef(i1).kind, 0);
  EXPECT_LT(GcellRef(i2).kind, 0);
  EXPECT_EQ(GcellRef(before).kind, GK_LINE);
  EXPECT_EQ(GcellRef(before).undo, 0) << "the earlier step is closed";
  ASSERT_GT(added.line1, 0);
  ASSERT_GT(added.line2, 0);
  ASSERT_GT(added.corner, 0);
  EXPECT_EQ(StoreUsed(), 6);
  ExpectLine(GcellGet(added.line1), {0, 0, 15, 0}, "stored line 1");
  ExpectLine(GcellGet(added.line2), {20, 25, 20, 5}, "stored line 2");
  EXPECT_EQ(GcellGet(added.line2).pen, 0x23);
  const TGcell arc = GcellGet(added.corner);
  EXPECT_EQ(arc.kind, GK_ARC);
  EXPECT_NEAR(arc.p[0], 15, kTol);
  EXPECT_NEAR(arc.p[1], 5, kTol);
  EXPECT_EQ(arc.layer, 0x34);
  EXPECT_EQ(arc.pen, 0x52);

  // One undo brings back exactly the two source lines.
  GcellUndo();
  EXPECT_EQ(GcellRef(i1).kind, GK_LINE);
  EXPECT_EQ(GcellRef(i2).kind, GK_LINE);
  EXPECT_LT(GcellRef(added.line1).kind, 0);
  EXPECT_LT(GcellRef(added.line2).kind, 0);
  EXPECT_LT(GcellRef(added.corner).kind, 0);
  EXPECT_EQ(GcellRef(before).kind, GK_LINE);
}

TEST_F(JoinStoreTest, MergeAddsOneLine) {
  const int i1 = GcellAddLine(0x12, 0x21, 0, 0, 10, 0);
  const int i2 = GcellAddLine(0x12, 0x21, 12, 0, 20, 0);
  TJoinAdded added;
  ASSERT_EQ(JoinStoredLines(i1, i2, {1, 0}, {15, 0}, Params(), &added), JoinStatus::Ok);
  EXPECT_GT(added.line1, 0);
  EXPECT_EQ(added.line2, 0);
  EXPECT_EQ(added.corner, 0);
  EXPECT_EQ(StoreUsed(), 3);
  ExpectLine(GcellGet(added.line1), {0, 0, 20, 0}, "merged");
}

TEST_F(JoinStoreTest, RefusedJoinChangesNothing) {
  const int i1 = GcellAddLine(0x12, 0x21, 0, 0, 10, 0);
  const int i2 = GcellAddLine(0x12, 0x21, 0, 5, 10, 5);  // parallel
  const int circle = GcellAddCircle(0x12, 0x21, 0, 0, 5, 1, 0);
  const int modified = CurPVC().modified;
  struct Case {
    int a, b;
    JoinStatus want;
  } cases[] = {
      {i1, i2, JoinStatus::Parallel},
      {i1, circle, JoinStatus::NotLines},
      {i1, i1, JoinStatus::NotLines},
      {i1, 99, JoinStatus::NotLines},
      {0, i2, JoinStatus::NotLines},
  };
  for (const Case& c : cases) {
    TJoinAdded added{7, 7, 7};
    EXPECT_EQ(JoinStoredLines(c.a, c.b, {1, 0}, {1, 5}, Params({0, 0, 5, 0}), &added), c.want);
    EXPECT_EQ(added.line1 + added.line2 + added.corner, 0);
  }
  EXPECT_EQ(StoreUsed(), 3);
  EXPECT_EQ(CurPVC().modified, modified);
  for (int i : {i1, i2, circle}) {
    EXPECT_GT(GcellRef(i).kind, 0);
    EXPECT_EQ(GcellRef(i).undo, 1) << "the step that added them is still open";
  }
}

TEST_F(JoinStoreTest, LinesOfTheOtherWindowAreNotJoined) {
  SetStoreWindow(2);
  const int i1 = GcellAddLine(0x12, 0x21, 0, 0, 30, 0);
  const int i2 = GcellAddLine(0x12, 0x21, 20, -5, 20, 25);
  SetStoreWindow(1);
  EXPECT_EQ(JoinStoredLines(i1, i2, kRightC1, kRightC2, Params()), JoinStatus::NotLines);
  EXPECT_EQ(StoreUsed(), 2);
}

TEST_F(JoinStoreTest, CommitThatCompactsTheStoreMovesTheLines) {
  // 700 lines deleted in the open step: the commit before the join finds
  // more than 30 % of the 2001 slots dead and compacts, so the two lines
  // move from slots 701 and 702 to 1 and 2.
  for (int k = 0; k < 700; ++k) GcellAddLine(0x00, 0x21, k, 50, k, 60);
  const int i1 = GcellAddLine(0x12, 0x21, 0, 0, 30, 0);
  const int i2 = GcellAddLine(0x12, 0x21, 20, -5, 20, 25);
  ASSERT_EQ(i1, 701);
  for (int k = 1; k <= 700; ++k) GcellDelete(k);

  TJoinAdded added;
  ASSERT_EQ(JoinStoredLines(i1, i2, kRightC1, kRightC2, Params(), &added), JoinStatus::Ok);
  EXPECT_EQ(StoreUsed(), 4) << "compacted to the two sources and the two new lines";
  EXPECT_LT(GcellRef(1).kind, 0) << "source line 1 deleted at its new slot";
  EXPECT_LT(GcellRef(2).kind, 0) << "source line 2 deleted at its new slot";
  int live = 0;
  for (int i = 1; i <= StoreUsed(); ++i) live += GcellLive(i);
  EXPECT_EQ(live, 2);
  ExpectLine(GcellGet(added.line1), {0, 0, 20, 0}, "line 1");
  ExpectLine(GcellGet(added.line2), {20, 25, 20, 0}, "line 2");
}

}  // namespace
