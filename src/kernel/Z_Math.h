// Plane geometry: angles, rotation, distances, intersections of lines,
// circles, ellipses and arcs, clipping against a rectangle, point in polygon
// and polygon area moments. Pure functions over drawing units, y up, angles
// in radians counter-clockwise from +x.
//
// Position codes. The intersection routines return 0 for "no intersection",
// else 16*H + L: H tells where the point lies on the first figure, L on the
// second. 1 = before the first point of a segment (for an arc: outside its
// angular range), 2 = on the figure, 3 = beyond the second point of a
// segment. 34 (hex 22) means on both. Callers branch on these codes and on
// the tolerances documented with each routine.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

// A point or a vector in the plane: drawing units (y up), or pixels (y
// down) where a caller says so.
struct TPointD {
  double x = 0;
  double y = 0;

  friend constexpr TPointD operator+(TPointD a, TPointD b) { return {a.x + b.x, a.y + b.y}; }
  friend constexpr TPointD operator-(TPointD a, TPointD b) { return {a.x - b.x, a.y - b.y}; }
  friend constexpr TPointD operator-(TPointD a) { return {-a.x, -a.y}; }
  friend constexpr TPointD operator*(double k, TPointD a) { return {k * a.x, k * a.y}; }
  friend constexpr TPointD operator*(TPointD a, double k) { return {k * a.x, k * a.y}; }
  friend constexpr TPointD operator/(TPointD a, double k) { return {a.x / k, a.y / k}; }
  constexpr TPointD& operator+=(TPointD b) { x += b.x; y += b.y; return *this; }
  constexpr TPointD& operator-=(TPointD b) { x -= b.x; y -= b.y; return *this; }
  friend constexpr bool operator==(TPointD a, TPointD b) = default;
};

inline constexpr double Dot(TPointD a, TPointD b) { return a.x * b.x + a.y * b.y; }
// The z component of a x b: positive when b turns counter-clockwise from a.
inline constexpr double Cross(TPointD a, TPointD b) { return a.x * b.y - a.y * b.x; }
inline double Length(TPointD a) { return std::hypot(a.x, a.y); }
inline double Dist(TPointD a, TPointD b) { return std::hypot(a.x - b.x, a.y - b.y); }
// v turned by a (radians) about the origin.
inline TPointD Rotated(TPointD v, double a) {
  const double c = std::cos(a), s = std::sin(a);
  return {c * v.x - s * v.y, s * v.x + c * v.y};
}
// The unit vector of direction a (radians).
inline TPointD UnitVector(double a) { return {std::cos(a), std::sin(a)}; }
inline bool IsFinite(TPointD a) { return std::isfinite(a.x) && std::isfinite(a.y); }
// v clamped to [lo, hi]; otherwise when it is not a number or infinite.
inline double ClampFinite(double v, double lo, double hi, double otherwise) {
  return std::isfinite(v) ? std::clamp(v, lo, hi) : otherwise;
}

// A circle, ellipse, arc or elliptic arc. The curve point for parameter th is
// (cx, cy) + rotation by t of (r cos th, r f sin th). s and e are parameter
// angles in the ellipse's own frame; the curve runs counter-clockwise from s
// to e, and s == e means the whole curve. A flatness below 0.001 counts as 1;
// with flatness exactly 1 the curve is a circle and the tilt is ignored.
struct ArcParams {
  double cx = 0, cy = 0;  // centre
  double r = 0;           // radius (semi-axis along the tilt direction)
  double f = 1;           // flatness: the other semi-axis is r * f
  double t = 0;           // tilt of the r axis
  double s = 0, e = 0;    // start and end parameter angles
};

// Position code of "on both figures".
inline constexpr int kOnBoth = 34;

// Angle conversion with pi carried in extended precision.
double RadToDeg(double a);
double DegToRad(double a);

// +1 for x >= 0 (so 0 and -0 give +1), -1 otherwise (NaN too).
int SignOf(double x);

// (X, Y) = (x, y) turned by a about the origin.
void RotatePoint(double& X, double& Y, double x, double y, double a);

// Direction from point 1 to point 2, in (-pi, pi]; coincident points give 0.
double LineAngle(double x1, double y1, double x2, double y2);

// Direction of 3->4 measured from the direction of 1->2, in (-pi, pi].
double RelativeAngle(double x1, double y1, double x2, double y2, double x3, double y3,
                     double x4, double y4);

// a shifted by whole turns into [start, start + 2 pi). Non-finite a or start
// gives NaN, which every range test treats as "outside".
double NormalizeAngle(double a, double start);

// The curve point of arc for parameter angle th.
void ArcPoint(double& X, double& Y, const ArcParams& arc, double th);

double PointDistance(double x1, double y1, double x2, double y2);

// Distance from P to the segment AB (a point when A == B).
double SegmentDistance(double px, double py, double ax, double ay, double bx, double by);

// Distance from P to the curve: to the circle, or to the nearer end when P's
// direction from the centre is outside the arc. For an ellipse it is measured
// in the circle frame (across-axis stretched by 1/f): good for ranking only.
// NaN when the arc's angles are not finite.
double ArcDistance(double px, double py, const ArcParams& arc);

// Foot of the perpendicular from P on the infinite line AB.
void PerpendicularFoot(double& X, double& Y, double px, double py, double ax, double ay,
                       double bx, double by);

// Intersection of line 1->2 with line 3->4. 0 for parallels more than 1e-6
// apart and for collinear segments that do not overlap; collinear (within
// 1e-6) overlapping segments give point 3's foot on line 1. H: 1e-4 tolerance
// along segment 1. L: 2 when an end of segment 2 lies within 1e-4 of line 1
// or the ends lie on opposite sides. X, Y are left alone when the result is 0.
int LineCross(double& X, double& Y, double x1, double y1, double x2, double y2, double x3,
              double y3, double x4, double y4);

// Intersection of line 1->2 with the circle or ellipse (cx, cy, r, f, t): of
// the two, the one whose position along the line is nearer R's (a tie takes
// the one nearer point 1). H with 1e-9 tolerance; L is always 2. 0 when the
// line misses the curve.
int LineCircleCross(double& X, double& Y, double rx, double ry, double x1, double y1,
                    double x2, double y2, double cx, double cy, double r, double f,
                    double t);

// As LineCircleCross on the arc's whole curve, chosen by R; L = 1 when the
// point lies outside the arc's range (X, Y are still set).
int LineArcCross(double& X, double& Y, double rx, double ry, double x1, double y1,
                 double x2, double y2, const ArcParams& arc);

// The parameter angle of P about the curve's centre, taken in the circle
// frame of an ellipse (turned back by the tilt, the across-axis stretched
// by 1/f), in (-pi, pi].
double CurveAngle(double px, double py, const ArcParams& arc);

// The point of the arc on the ray from the centre through P; when that point
// is outside the arc, the nearer arc end (the end at e on a tie).
void ArcNearestPoint(double& X, double& Y, double px, double py, const ArcParams& arc);

// Intersection of two curves, the point on R's side. Two circles: 0 when
// concentric (centres within 1e-4), apart or nested by more than 1e-4,
// otherwise the point on circle 1 on R's side of the line through the
// centres (the left side when R is on the line); touching within 1e-4 counts.
// Ellipses: the intersection nearest R, touching within about 1e-4; 0 for
// none or for curves that coincide. H = 1 when the point is outside arc 1's
// range, L = 1 when outside arc 2's, else 2: full curves give 0 or 34.
int CircleCross(double& X, double& Y, double rx, double ry, const ArcParams& c1,
                const ArcParams& c2);

// Clips segment P1-P2 to the rectangle. 0: inside, unchanged. -1: outside,
// every coordinate clamped into the rectangle. Else bit 1: P1 moved, bit 2:
// P2 moved.
int ClipSegment(double& x1, double& y1, double& x2, double& y2, double xmin, double ymin,
                double xmax, double ymax);

// Outline of a closed polygon prepared for filling inside the rectangle:
// every edge clipped with ClipSegment, edges outside running along the
// rectangle's border. Returns the point count (0 when the polygon misses the
// rectangle, n when it lies inside, at most 2n) and fills outX, outY.
int ClipPolygon(const double xs[], const double ys[], int n, double xmin, double ymin,
                double xmax, double ymax, std::vector<double>& outX,
                std::vector<double>& outY);

// Even-odd test; points on the outline count as inside.
bool PointInPolygon(const double xs[], const double ys[], int n, double px, double py);

// Signed area A (negative for a counter-clockwise outline) and first moments
// of the closed outline xs[first..last] about (bx, by): the centroid is
// (bx + Mx / A, by + My / A). Coordinates are clamped into +-1e19.
void PolygonMoments(const double xs[], const double ys[], int first, int last, double bx,
                    double by, double& A, double& Mx, double& My);
