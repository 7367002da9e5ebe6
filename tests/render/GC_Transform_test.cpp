// Cell transforms. Arcs and ellipses are checked against ezdxf's own
// transform of the same curve (data/gc_transform_reference.inc, made by
// gc_transform_reference.py): end points as a pair, and the point halfway
// along the parameter range.
#include "render/GC_Transform.h"

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "VelmoTest.h"
#include "kernel/Z_Math.h"
#include "render/GC_Draw.h"

namespace {

constexpr double kPi = std::numbers::pi;

struct TReference {
  const char* name;
  double curve[7];      // cx, cy, r, f, tilt, s, e
  double transform[7];  // bx, by, tx, ty, angle (degrees), sx, sy
  TPointD start, end, mid;
};
const TReference kReference[] = {
#include "render/data/gc_transform_reference.inc"
};

TPointD At(const TGcell& c, double th) {
  TPointD p;
  ArcPoint(p.x, p.y, ArcOf(c), th);
  return p;
}

void ExpectNear(TPointD a, TPointD b, const char* what) {
  EXPECT_NEAR(a.x, b.x, 1e-9) << what;
  EXPECT_NEAR(a.y, b.y, 1e-9) << what;
}

using GcTransformTest = VelmoTest;

TEST_F(GcTransformTest, ArcsAndEllipsesAsEzdxfTransformsThem) {
  for (const TReference& r : kReference) {
    const double* k = r.curve;
    TGcell c = MakeArc({k[0], k[1], k[2], k[3], k[4], k[5], k[6]});
    const double* t = r.transform;
    TCellTransform tr;
    tr.base = {t[0], t[1]};
    tr.target = {t[2], t[3]};
    tr.angle = t[4] * kPi / 180;
    tr.scaleX = t[5];
    tr.scaleY = t[6];
    TransformCell(c, tr);
    const ArcParams a = ArcOf(c);
    ASSERT_GT(a.r, 0) << r.name;
    const TPointD s = At(c, a.s), e = At(c, a.e);
    const bool same = Dist(s, r.start) < 1e-6;
    ExpectNear(s, same ? r.start : r.end, r.name);
    ExpectNear(e, same ? r.end : r.start, r.name);
    ExpectNear(At(c, (a.s + a.e) / 2), r.mid, r.name);
  }
}

TEST_F(GcTransformTest, StretchingACircleStoredWithFlatnessZero) {
  // A flatness below 0.001 stands for a circle: stretched, it is an ellipse.
  TGcell c = MakeCircle({0, 0}, 10, 0);
  TCellTransform t;
  t.scaleX = 2;
  t.scaleY = 1;
  TransformCell(c, t);
  EXPECT_DOUBLE_EQ(c.p[4], 20);
  EXPECT_DOUBLE_EQ(c.p[5], 0.5);
}

TEST_F(GcTransformTest, MirroredEllipsesLieOnTheMirroredCurve) {
  struct Case {
    ArcParams arc;
    TPointD p1, p2;
  };
  const std::vector<Case> cases = {
      {{5, 5, 10, 0.5, 0.6, 0.4, 2.9}, {0, 0}, {1, 2}},
      {{-3, 2, 7, 1, 0, 0.2, 1.7}, {0, 0}, {0, 1}},
      {{1, 1, 4, 2.5, -0.3, -1, 2}, {3, -1}, {-2, 4}},
  };
  for (const Case& k : cases) {
    TGcell c = MakeArc(k.arc);
    c.pen = 0x8011;
    TGcell m = c;
    MirrorCell(m, k.p1, k.p2);
    EXPECT_FALSE(m.pen & PEN_SELECTED);
    auto mirror = [&](TPointD p) {
      TPointD f;
      PerpendicularFoot(f.x, f.y, p.x, p.y, k.p1.x, k.p1.y, k.p2.x, k.p2.y);
      return 2 * f - p;
    };
    const ArcParams a = ArcOf(c), b = ArcOf(m);
    // The mirrored arc runs the other way: its start is the old end.
    ExpectNear(At(m, b.s), mirror(At(c, a.e)), "start");
    ExpectNear(At(m, b.e), mirror(At(c, a.s)), "end");
    ExpectNear(At(m, (b.s + b.e) / 2), mirror(At(c, (a.s + a.e) / 2)), "middle");
  }
}

TEST_F(GcTransformTest, MirroredFillKeepsItsTurningSense) {
  TGcell f;
  f.kind = GK_FILL4K;
  f.p[0] = 0, f.p[1] = 0;
  f.p[2] = 10, f.p[3] = 0;
  f.p[4] = 10, f.p[5] = 5;
  f.p[7] = 0, f.p[8] = 5;
  auto area = [](const TGcell& c) {
    const TQuadGeom q = QuadOf(c);
    double s = 0;
    for (int i = 0; i < 4; ++i) s += Cross(q.corner[i], q.corner[(i + 1) % 4]);
    return s / 2;
  };
  const double before = area(f);
  MirrorCell(f, {20, 0}, {20, 1});
  EXPECT_DOUBLE_EQ(area(f), before);
  EXPECT_DOUBLE_EQ(f.p[0], 40);
}

TEST_F(GcTransformTest, TextsAndPictures) {
  TGcell t = MakeText("AB", {10, 10}, 0);
  TCellTransform tr;
  tr.scaleX = 2;
  tr.scaleY = 1;
  t.p[6] = kPi / 4;
  TransformCell(t, tr);
  EXPECT_NEAR(t.p[6], std::atan2(1, 2), 1e-12) << "the base line's direction under the stretch";
  EXPECT_DOUBLE_EQ(t.p[0], 20);

  TGcell pic;
  pic.kind = GK_PICTURE;
  pic.p[0] = 10, pic.p[1] = 10, pic.p[2] = 30, pic.p[3] = 20;
  TCellTransform flip;
  flip.scaleX = -1;
  flip.scaleY = 1;
  TransformCell(pic, flip);
  EXPECT_DOUBLE_EQ(pic.p[0], -40) << "a picture is never mirrored: its corner moves";
  EXPECT_DOUBLE_EQ(pic.p[2], 30);
}

TEST_F(GcTransformTest, ElevationTexts) {
  struct Case {
    const char* text;
    bool level;
    double metres;
  };
  const std::vector<Case> cases = {
      {"▽10.000", true, 10},
      {"▽1,234.500", true, 1234.5},
      {"▽－２．５", true, -2.5},
      {"▽GL", false, 0},
      {"10.000", false, 0},
  };
  for (const Case& k : cases) {
    double m = 0;
    EXPECT_EQ(ElevationOf(k.text, m), k.level) << k.text;
    if (k.level) {
      EXPECT_DOUBLE_EQ(m, k.metres) << k.text;
    }
  }
  TGcell t = MakeText("▽1,234.500", {0, 0}, 0);
  TCellTransform tr;
  tr.target = {0, 500};
  tr.convertElevation = true;
  tr.metresPerUnit = 0.001;
  tr.fullWidth = true;
  TransformCell(t, tr);
  EXPECT_EQ(t.text.str(), "▽１，２３５．０００");
}

}  // namespace

namespace {

TEST_F(GcTransformTest, HugeTurnsAndTiltedCircles) {
  // A turn typed as a long run of digits: the tilt comes back into range
  // in one step instead of being stepped down by whole turns for ever.
  TGcell e = MakeArc({0, 0, 10, 0.5, 0.3, 0.1, 2});
  TCellTransform t;
  t.angle = 1.7e18;
  TransformCell(e, t);
  EXPECT_TRUE(std::isfinite(e.p[6]));
  EXPECT_LT(std::fabs(e.p[6]), 2 * kPi);
  // A circle stored with a tilt (from the ellipse mode without a flatness)
  // stretched 2:1 is an ellipse.
  TGcell c = MakeCircle({0, 0}, 10, 1, kPi / 6);
  TCellTransform s;
  s.scaleX = 2;
  s.scaleY = 1;
  TransformCell(c, s);
  EXPECT_DOUBLE_EQ(c.p[4], 20);
  EXPECT_DOUBLE_EQ(c.p[5], 0.5);
}

}  // namespace
