#include "render/GC_Transform.h"

#include <cmath>
#include <numbers>
#include <vector>

#include "kernel/Z_Basic.h"
#include "kernel/Z_Math.h"
#include "render/GC_Draw.h"
#include "render/GC_Tenkai.h"

namespace {

constexpr double kPi = std::numbers::pi;
const char* const kLevelMark = "▽";


// A curve draws as a circle: its tilt means nothing and its angles are
// directions.
bool DrawsAsCircle(double f) { return f < 0.001 || f == 1; }

template <class F>
void MapPolygon(TGcell& c, F&& map) {
  std::vector<double> xs, ys;
  const int n = PolygonGetVertices(c.text.str(), xs, ys);
  if (n == 0) return;
  for (int i = 0; i < n; ++i) {
    const TPointD p = map(TPointD{xs[static_cast<std::size_t>(i)], ys[static_cast<std::size_t>(i)]});
    xs[static_cast<std::size_t>(i)] = p.x;
    ys[static_cast<std::size_t>(i)] = p.y;
  }
  PolygonSetVertices(c, xs.data(), ys.data(), n);
}

}  // namespace

bool ElevationOf(const std::string& text, double& metres) {
  const std::string mark(kLevelMark);
  if (text.compare(0, mark.size(), mark) != 0) return false;
  std::string digits;
  for (char ch : ToHalfWidth(std::string_view(text).substr(mark.size()), false))
    if (ch != ',') digits += ch;
  std::size_t i = 0;
  while (i < digits.size() && digits[i] == ' ') ++i;
  if (i < digits.size() && (digits[i] == '+' || digits[i] == '-')) ++i;
  if (i < digits.size() && digits[i] == '.') ++i;
  if (i >= digits.size() || digits[i] < '0' || digits[i] > '9') return false;
  metres = ParseReal(digits);
  return true;
}

void TransformCell(TGcell& c, const TCellTransform& t) {
  const double sx = t.scaleX == 0 ? 1 : t.scaleX;
  const double sy = t.scaleY == 0 ? sx : t.scaleY;
  auto vec = [&](TPointD v) { return Rotated({sx * v.x, sy * v.y}, t.angle); };
  auto map = [&](TPointD p) { return t.target + vec(p - t.base); };
  auto mapAt = [&](int k) {
    const TPointD q = map({c.p[k], c.p[k + 1]});
    c.p[k] = q.x;
    c.p[k + 1] = q.y;
  };
  auto vecAt = [&](int k) {
    const TPointD q = vec({c.p[k], c.p[k + 1]});
    c.p[k] = q.x;
    c.p[k + 1] = q.y;
  };
  switch (c.kind) {
    case GK_POINT: mapAt(0); break;
    case GK_LINE:
      mapAt(0);
      mapAt(2);
      break;
    case GK_ARC:
    case GK_CIRCLE:
    case GK_POLYARC: {
      mapAt(0);
      const bool hasEnds = c.kind != GK_CIRCLE;
      double& r = c.p[4];
      double& f = c.p[5];
      double& tilt = c.p[6];
      double& s = c.p[7];
      double& e = c.p[8];
      // A circle's tilt means nothing; left as it is, an uneven scale would
      // take it for an ellipse's and keep the curve round.
      if (DrawsAsCircle(f)) tilt = 0;
      // A negative scale reflects: the radius stays positive, the curve's
      // frame and angles are reflected instead (both negative: a half turn).
      double turn = t.angle;
      if (sx < 0 && sy < 0) {
        turn += kPi;
      } else if (sx < 0 || sy < 0) {
        tilt = -tilt;
        if (hasEnds && s != e) {
          const double s0 = s, e0 = e;
          s = sx < 0 ? kPi - e0 : -e0;
          e = sx < 0 ? kPi - s0 : -s0;
        }
      }
      const double ax = std::fabs(sx), ay = std::fabs(sy);
      r *= ax;
      if (std::fabs(tilt) < 0.0001) {
        tilt = 0;
        if (ax != ay) f = (f < 0.001 ? 1.0 : f) * ay / ax;
      }
      if (DrawsAsCircle(f)) {
        if (hasEnds && s != e) {
          s += turn;
          e += turn;
        }
      } else {
        tilt += turn;
        // Into (-2 pi, 2 pi) in one step, whatever the turn typed.
        if (std::isfinite(tilt)) tilt = std::fmod(tilt, 2 * kPi);
      }
      break;
    }
    case GK_POLYGON: MapPolygon(c, map); break;
    case GK_FILL4K:
      mapAt(0);
      vecAt(2);
      vecAt(4);
      vecAt(7);
      break;
    case GK_PICTURE: {
      mapAt(0);
      c.p[2] *= sx;
      c.p[3] *= sy;
      // A picture is never turned or mirrored: a negative size moves its corner.
      for (int k : {0, 1})
        if (c.p[k + 2] < 0) {
          c.p[k] += c.p[k + 2];
          c.p[k + 2] = -c.p[k + 2];
        }
      break;
    }
    case GK_TEXT: {
      mapAt(0);
      const double a = c.p[6];
      if (sx != sy) c.p[6] = std::atan2(std::sin(a) * sy, std::cos(a) * sx);
      else if (sx < 0) c.p[6] = a + kPi;
      c.p[6] += t.angle;
      double level = 0;
      if (t.convertElevation && ElevationOf(c.text.str(), level)) {
        level += (t.target.y - t.base.y) * t.metresPerUnit;
        std::string text = kLevelMark + Format("%.3n", {level});
        if (t.fullWidth) text = ToFullWidth(text);
        c.text = text;
      }
      break;
    }
    case GK_RECT:
      mapAt(0);
      c.p[2] *= sx;
      c.p[3] *= sy;
      c.p[6] += t.angle;
      break;
    default: break;
  }
}

void MirrorCell(TGcell& c, TPointD p1, TPointD p2) {
  const double r = std::atan2(p2.y - p1.y, p2.x - p1.x);
  auto mirror = [&](TPointD p) {
    const TPointD q = Rotated(p - p1, -r);
    return p1 + Rotated({q.x, -q.y}, r);
  };
  auto mirrorAt = [&](int k) {
    const TPointD q = mirror({c.p[k], c.p[k + 1]});
    c.p[k] = q.x;
    c.p[k + 1] = q.y;
  };
  switch (c.kind) {
    case GK_POINT: mirrorAt(0); break;
    case GK_LINE:
      mirrorAt(0);
      mirrorAt(2);
      break;
    case GK_ARC:
    case GK_CIRCLE:
    case GK_POLYARC: {
      mirrorAt(0);
      double& tilt = c.p[6];
      double& s = c.p[7];
      double& e = c.p[8];
      const bool hasEnds = c.kind != GK_CIRCLE && s != e;
      if (DrawsAsCircle(c.p[5])) {
        // Directions mirror to 2r - a; swapped, the sweep still runs
        // counter-clockwise over the mirrored part.
        if (hasEnds) {
          const double s0 = s;
          s = 2 * r - e;
          e = 2 * r - s0;
        }
      } else {
        tilt = 2 * r - tilt;
        if (hasEnds) {
          const double s0 = s;
          s = -e;
          e = -s0;
        }
      }
      break;
    }
    case GK_POLYGON: MapPolygon(c, mirror); break;
    case GK_FILL4K: {
      const TQuadGeom q = QuadOf(c);
      TPointD m[4];
      for (int k = 0; k < 4; ++k) m[k] = mirror(q.corner[k]);
      // The corners in reverse order keep the outline's turning sense.
      c.p[0] = m[0].x;
      c.p[1] = m[0].y;
      c.p[2] = m[3].x - m[0].x;
      c.p[3] = m[3].y - m[0].y;
      c.p[4] = m[2].x - m[0].x;
      c.p[5] = m[2].y - m[0].y;
      c.p[7] = m[1].x - m[0].x;
      c.p[8] = m[1].y - m[0].y;
      break;
    }
    case GK_TEXT: {
      const double a = c.p[6];
      const TPointD far = TPointD{c.p[0], c.p[1]} + TextExtent(c) * UnitVector(a);
      const TPointD m = mirror(far);
      c.p[0] = m.x;
      c.p[1] = m.y;
      c.p[6] = 2 * r - a + kPi;
      break;
    }
    case GK_RECT:
      mirrorAt(0);
      c.p[3] = -c.p[3];
      c.p[6] = 2 * r - c.p[6];
      break;
    default: break;
  }
  c.pen &= static_cast<std::uint16_t>(~PEN_SELECTED);
}
