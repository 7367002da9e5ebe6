#!/usr/bin/python3
"""Reference values for tests/kernel/Z_Math_test.cpp.

Every expected point, distance, angle and area here comes from exact rational
geometry (sympy) or 50-digit arithmetic (mpmath), computed from the geometric
definitions (line and conic equations, projections, Liang-Barsky clipping,
sympy's polygon containment and centroid), never from the C++ code. Position
codes are classified from those exact values with the tolerances the kernel
promises to its callers.

Run from anywhere:  /usr/bin/python3 tests/kernel/data/z_math_reference.py
It rewrites z_math_reference.inc beside itself (Debian: python3-sympy).
"""

import os

import mpmath
from mpmath import mpf
from sympy import Circle, Line, Point, Polygon, Rational, Segment, atan2, sqrt

mpmath.mp.dps = 50
PI = mpmath.pi
PI_F = 3.141592653589793  # the double nearest pi


def Q(x):
    """The exact value of the double x."""
    return Rational(float(x))


def M(x):
    """The double x (or an exact number) as a 50-digit float."""
    if isinstance(x, (float, int, mpf)):
        return mpf(x)
    return mpf(x.evalf(60))


def lit(x):
    """A C++ double literal that reads back as the nearest double."""
    v = float(x)
    r = repr(v)
    if "e" not in r and "." not in r and "inf" not in r and "nan" not in r:
        r += ".0"
    return r


def row(name, *values):
    return "  {\"%s\", %s}," % (name, ", ".join(str(v) for v in values))


# --------------------------------------------------------------------- lines

def frame(x1, y1, x2, y2):
    """Exact unit direction and length of segment 1->2 (+x for a point)."""
    dx, dy = Q(x2) - Q(x1), Q(y2) - Q(y1)
    ell = sqrt(dx * dx + dy * dy)
    if ell == 0:
        return Rational(1), Rational(0), Rational(0)
    return dx / ell, dy / ell, ell


def along_across(x1, y1, c, s, x, y):
    dx, dy = Q(x) - Q(x1), Q(y) - Q(y1)
    return dx * c + dy * s, dy * c - dx * s


def line_cross(x1, y1, x2, y2, x3, y3, x4, y4):
    c, s, ell = frame(x1, y1, x2, y2)
    u3, v3 = along_across(x1, y1, c, s, x3, y3)
    u4, v4 = along_across(x1, y1, c, s, x4, y4)
    tol6, tol4 = Rational(1, 10**6), Rational(1, 10**4)
    line1 = Line(Point(Q(x1), Q(y1)), Point(Q(x1) + c, Q(y1) + s))
    if abs(v3 - v4) < tol6:
        if abs(v3) > tol6:
            return 0, None
        if (u3 < 0 and u4 < 0) or (u3 > ell and u4 > ell):
            return 0, None
        p = line1.projection(Point(Q(x3), Q(y3)))  # collinear: point 3
        L = 2
    else:
        p = line1.intersection(Line(Point(Q(x3), Q(y3)), Point(Q(x4), Q(y4))))[0]
        # Segment 2 wholly on one side of line 1 (beyond the tolerance): the
        # crossing lies before point 3 when point 3 is the nearer end.
        if (v3 < -tol4 and v4 < -tol4) or (v3 > tol4 and v4 > tol4):
            L = 1 if abs(v3) < abs(v4) else 3
        else:
            L = 2
    xp, _ = along_across(x1, y1, c, s, p.x, p.y)
    H = 1 if xp < -tol4 else 3 if xp > ell + tol4 else 2
    return 16 * H + L, p


LINE_CROSS = [
    # name, x1, y1, x2, y2, x3, y3, x4, y4
    ("right angle in the middles", 0, 0, 10, 0, 5, -5, 5, 5),
    ("crossing beyond segment 1's end", 0, 0, 4, 0, 5, -5, 5, 5),
    ("crossing before segment 1's start", 6, 0, 10, 0, 5, -5, 5, 5),
    ("crossing at segment 1's end", 0, 0, 5, 0, 5, -5, 5, 5),
    ("crossing 5e-5 past segment 1's end", 0, 0, 4.99995, 0, 5, -5, 5, 5),
    ("crossing 2e-4 past segment 1's end", 0, 0, 4.9998, 0, 5, -5, 5, 5),
    ("crossing 5e-5 before segment 1's start", 5.00005, 0, 10, 0, 5, -5, 5, 5),
    ("crossing 2e-4 before segment 1's start", 5.0002, 0, 10, 0, 5, -5, 5, 5),
    ("segment 2 wholly left, point 3 nearer", 0, 0, 10, 0, 3, 1, 4, 3),
    ("segment 2 wholly left, point 4 nearer", 0, 0, 10, 0, 4, 3, 3, 1),
    ("segment 2 wholly right, point 3 nearer", 0, 0, 10, 0, 3, -1, 4, -3),
    ("segment 2 wholly right, point 4 nearer", 0, 0, 10, 0, 4, -3, 3, -1),
    ("segment 2 ends 5e-5 off line 1", 0, 0, 10, 0, 3, 0.00005, 4, 3),
    ("segment 2 ends 2e-4 off line 1", 0, 0, 10, 0, 3, 0.0002, 4, 3),
    ("oblique segments", 1.5, -2.25, 7.75, 3.5, -1, 4, 6.5, -0.75),
    ("oblique, crossing before both", 1, 1, 3, 2, -2, 7, -1, 5),
    ("steep near-parallel lines", 0, 0, 1e-3, 100, 1, 0, 1.0001, 100),
    ("distinct parallels 2e-6 apart", 0, 0, 10, 0, 2, 2e-6, 8, 2e-6),
    ("distinct oblique parallels", 0, 0, 3, 4, 3, 0, 6, 4),
    ("collinear overlapping", 0, 0, 10, 0, 4, 0, 12, 0),
    ("collinear overlapping, reversed", 0, 0, 10, 0, 12, 0, 4, 0),
    ("collinear, segment 2 starts before segment 1", 0, 0, 10, 0, -3, 0, 5, 0),
    ("collinear oblique inside", 1, 1, 7, 9, 2.5, 3, 4, 5),
    ("collinear wholly before", 0, 0, 10, 0, -5, 0, -1, 0),
    ("collinear wholly beyond", 0, 0, 10, 0, 11, 0, 15, 0),
    ("nearly collinear, 5e-7 off", 0, 0, 10, 0, 4, 5e-7, 12, 5e-7),
    ("nearly collinear, converging below 1e-6", 0, 0, 10, 0, 4, 8e-7, 12, 2e-7),
    ("segment 2 is a point on segment 1", 0, 0, 10, 0, 3, 0, 3, 0),
    ("segment 2 is a point off line 1", 0, 0, 10, 0, 3, 1, 3, 1),
    ("segment 1 is a point", 2, 1, 2, 1, 0, -5, 0, 5),
]


def gen_line_cross(out):
    out.append("static const LineCrossCase kLineCrossCases[] = {")
    for name, *a in LINE_CROSS:
        code, p = line_cross(*a)
        px, py = (p.x, p.y) if p is not None else (0, 0)
        out.append(row(name, *map(lit, a), code, lit(M(px)), lit(M(py))))
    out.append("};")


# -------------------------------------------------------------- conic setup

def conic(cx, cy, r, f, t):
    """Centre and quadratic form of (P-C)^T A (P-C) = 1 for the curve."""
    f = mpf(f) if f >= 0.001 else mpf(1)
    if f == 1:
        t = 0
    ct, st = mpmath.cos(M(t)), mpmath.sin(M(t))
    a, b = M(r) ** 2, (M(r) * f) ** 2
    # A = Rot(t) diag(1/a, 1/b) Rot(t)^T
    A = mpmath.matrix([[ct * ct / a + st * st / b, ct * st / a - ct * st / b],
                       [ct * st / a - ct * st / b, st * st / a + ct * ct / b]])
    return (M(cx), M(cy)), A, f, ct, st


def quad(A, x, y):
    return A[0, 0] * x * x + 2 * A[0, 1] * x * y + A[1, 1] * y * y


def bil(A, x1, y1, x2, y2):
    return A[0, 0] * x1 * x2 + A[0, 1] * (x1 * y2 + y1 * x2) + A[1, 1] * y1 * y2


def param_angle(cx, cy, r, f, t, x, y):
    """Parameter angle of a curve point: the angle th with point =
    C + Rot(t) (r cos th, r f sin th)."""
    (Cx, Cy), _, f, ct, st = conic(cx, cy, r, f, t)
    dx, dy = x - Cx, y - Cy
    return mpmath.atan2((dy * ct - dx * st) / f, dx * ct + dy * st)


def in_range(a, s, e):
    if s == e:
        return True
    s, e = min(s, e), max(s, e)
    s, e = M(s), M(e)
    k = mpmath.floor((a - s) / (2 * PI))
    return a - k * 2 * PI <= e


def curve_point(cx, cy, r, f, t, th):
    (Cx, Cy), _, f, ct, st = conic(cx, cy, r, f, t)
    u, v = M(r) * mpmath.cos(th), M(r) * f * mpmath.sin(th)
    return Cx + u * ct - v * st, Cy + u * st + v * ct


def line_circle(rx, ry, x1, y1, x2, y2, cx, cy, r, f, t):
    """Line P1 + l (P2 - P1) against the curve; R chooses by its position
    along the line in the curve's circle metric (the form A scaled by r^2)."""
    (Cx, Cy), A, _, _, _ = conic(cx, cy, r, f, t)
    dx, dy = M(x2) - M(x1), M(y2) - M(y1)
    wx, wy = M(x1) - Cx, M(y1) - Cy
    a, b, c = quad(A, dx, dy), 2 * bil(A, dx, dy, wx, wy), quad(A, wx, wy) - 1
    point = a == 0
    if point:  # a point: the line runs along +x through it
        dx, dy = mpf(1), mpf(0)
        a, b = quad(A, dx, dy), 2 * bil(A, dx, dy, wx, wy)
    scale = mpmath.sqrt(a) * M(r)  # circle-frame length of P2 - P1
    disc = b * b - 4 * a * c
    if disc < 0:
        return 0, None, None
    h = mpmath.sqrt(disc) / (2 * a)
    mid = -b / (2 * a)
    lr = bil(A, M(rx) - M(x1), M(ry) - M(y1), dx, dy) / a  # R's foot, circle metric
    lam = mid - h if abs(h - (lr - mid)) >= abs(-h - (lr - mid)) else mid + h
    along = lam * scale
    ell = 0 if point else scale
    H = 1 if along < -mpf("1e-9") else 2
    if along > ell + mpf("1e-9"):
        H = 3
    return 16 * H + 2, M(x1) + lam * dx, M(y1) + lam * dy


LINE_CIRCLE = [
    # name, rx, ry, x1, y1, x2, y2, cx, cy, r, f, t
    ("secant, R near the right crossing", 9, 0, -10, 0, 10, 0, 0, 0, 5, 1, 0),
    ("secant, R near the left crossing", -9, 1, -10, 0, 10, 0, 0, 0, 5, 1, 0),
    ("secant, R at the middle takes the one nearer point 1", 0, 3, -10, 0, 10, 0, 0, 0, 5, 1, 0),
    ("secant, reversed line, R at the middle", 0, 3, 10, 0, -10, 0, 0, 0, 5, 1, 0),
    ("oblique chord, circle off the origin", 4, 7, -1, 2, 9, 6, 3, 4, 2.5, 1, 0),
    ("segment stops short of the circle", 9, 0, -10, 0, -6, 0, 0, 0, 5, 1, 0),
    ("segment starts past the circle", -9, 0, 6, 0, 10, 0, 0, 0, 5, 1, 0),
    ("segment ends 1e-6 short of the crossing", 9, 0, -10, 0, 4.999999, 0, 0, 0, 5, 1, 0),
    ("segment ends 1e-10 short of the crossing", 9, 0, -10, 0, 4.9999999999, 0, 0, 0, 5, 1, 0),
    ("segment inside the circle", 9, 0, -1, 0, 1, 0, 0, 0, 5, 1, 0),
    ("tangent line", 0, 0, -10, 1, 10, 1, 0, 0, 1, 1, 0),
    ("line 1e-3 outside", 0, 0, -10, 1.001, 10, 1.001, 0, 0, 1, 1, 0),
    ("tilt ignored for a circle", 9, 0, -10, 0, 10, 0, 0, 0, 5, 1, 0.7),
    ("flatness below 0.001 is a circle", 9, 0, -10, 0, 10, 0, 0, 0, 5, 0.0005, 0.7),
    ("ellipse, axis-aligned", 0, 9, 0.5, -10, 0.5, 10, 0, 0, 4, 0.5, 0),
    ("ellipse tilted, R near the left crossing", -4, -0.5, -6, -1, 7, 2, 1, 1, 5, 0.4, 0.6),
    ("ellipse tilted, R near the right crossing", 5, 2, -6, -1, 7, 2, 1, 1, 5, 0.4, 0.6),
    ("ellipse tangent", 0, 0, -10, 2, 10, 2, 0, 0, 4, 0.5, 0),
    ("ellipse just missed", 0, 0, -10, 2.001, 10, 2.001, 0, 0, 4, 0.5, 0),
    ("flatness above 1", 0, 9, 0, -20, 0, 20, 0, 0, 2, 3, 0.3),
]


def gen_line_circle(out):
    out.append("static const LineCircleCase kLineCircleCases[] = {")
    for name, *a in LINE_CIRCLE:
        code, X, Y = line_circle(*a)
        out.append(row(name, *map(lit, a), code, lit(X or 0), lit(Y or 0)))
    out.append("};")


def line_arc(rx, ry, x1, y1, x2, y2, cx, cy, r, f, t, s, e):
    code, X, Y = line_circle(rx, ry, x1, y1, x2, y2, cx, cy, r, f, t)
    if code and not in_range(param_angle(cx, cy, r, f, t, X, Y), s, e):
        code = code // 16 * 16 + 1
    return code, X, Y


LINE_ARC = [
    # name, rx, ry, x1, y1, x2, y2, cx, cy, r, f, t, s, e
    ("upper half arc, crossing on it", 0, 9, 3, -10, 3, 10, 0, 0, 5, 1, 0, 0, PI_F),
    ("upper half arc, crossing below it", 0, -9, 3, -10, 3, 10, 0, 0, 5, 1, 0, 0, PI_F),
    ("start equal to end is the full circle", 0, -9, 3, -10, 3, 10, 0, 0, 5, 1, 0, 2, 2),
    ("start above end is exchanged", 0, 9, 3, -10, 3, 10, 0, 0, 5, 1, 0, PI_F, 0),
    ("arc across the zero angle", 9, 1, -10, 1, 10, 1, 0, 0, 5, 1, 0, 5.5, 7),
    ("arc across the zero angle, other side", -9, 1, -10, 1, 10, 1, 0, 0, 5, 1, 0, 5.5, 7),
    ("segment short of the arc, outside its range", 0, -9, 3, 6, 3, 10, 0, 0, 5, 1, 0, 0, 1),
    ("line missing the circle", 0, 0, 6, -10, 6, 10, 0, 0, 5, 1, 0, 0, 1),
    ("elliptic arc, crossing on it", -6, 1, -8, 1, 8, 1.5, 0, 0, 6, 0.5, 0.3, 0.5, 2.5),
    ("elliptic arc, crossing outside it", 6, 1, -8, 1, 8, 1.5, 0, 0, 6, 0.5, 0.3, 0.5, 2.5),
    ("elliptic full curve", 2, -3, -8, 1, 8, 1.5, 0, 0, 6, 0.5, 0.3, 1, 1),
]


def gen_line_arc(out):
    out.append("static const LineArcCase kLineArcCases[] = {")
    for name, *a in LINE_ARC:
        code, X, Y = line_arc(*a)
        out.append(row(name, *map(lit, a), code, lit(X or 0), lit(Y or 0)))
    out.append("};")


# ------------------------------------------------------------ arc distance

def arc_distance(px, py, cx, cy, r, f, t, s, e):
    """Distance in the circle frame from P to the circular arc there, by
    minimising over the arc's parameter (grid, then golden section)."""
    (Cx, Cy), _, f, ct, st = conic(cx, cy, r, f, t)
    dx, dy = M(px) - Cx, M(py) - Cy
    u, v = dx * ct + dy * st, (dy * ct - dx * st) / f
    if s == e:
        lo, hi = mpf(0), 2 * PI
    else:
        lo, hi = M(min(s, e)), M(max(s, e))

    def d(th):
        return mpmath.hypot(u - M(r) * mpmath.cos(th), v - M(r) * mpmath.sin(th))

    n = 4000
    ths = [lo + (hi - lo) * k / n for k in range(n + 1)]
    k = min(range(n + 1), key=lambda i: d(ths[i]))
    a, b = ths[max(k - 1, 0)], ths[min(k + 1, n)]
    g = (mpmath.sqrt(5) - 1) / 2
    for _ in range(150):
        x1, x2 = b - g * (b - a), a + g * (b - a)
        if d(x1) < d(x2):
            b = x2
        else:
            a = x1
    return min(d((a + b) / 2), d(ths[k]))


ARC_DISTANCE = [
    # name, px, py, cx, cy, r, f, t, s, e
    ("outside a full circle", 8, 6, 1, 2, 5, 1, 0, 0, 0),
    ("inside a full circle", 1.5, 2, 1, 2, 5, 1, 0, 0, 0),
    ("at the centre", 1, 2, 1, 2, 5, 1, 0, 0, 0),
    ("within the arc's range", 0, 9, 0, 0, 5, 1, 0, 0.5, 2.5),
    ("beyond the arc's end", -9, -1, 0, 0, 5, 1, 0, 0.5, 2.5),
    ("beyond the arc's start, on its circle", 5, 0, 0, 0, 5, 1, 0, 0.5, 2.5),
    ("arc given end first", -9, -1, 0, 0, 5, 1, 0, 2.5, 0.5),
    ("arc across the zero angle", 7, -1, 0, 0, 5, 1, 0, 5.5, 7),
    ("ellipse, measured in the circle frame", 3, 4, 0, 0, 6, 0.5, 0.4, 0, 0),
    ("elliptic arc, outside its range", -3, -4, 0, 0, 6, 0.5, 0.4, 0.2, 2),
]


def gen_arc_distance(out):
    out.append("static const ArcDistanceCase kArcDistanceCases[] = {")
    for name, *a in ARC_DISTANCE:
        out.append(row(name, *map(lit, a), lit(arc_distance(*a))))
    out.append("};")


def arc_nearest(px, py, cx, cy, r, f, t, s, e):
    (Cx, Cy), A, _, _, _ = conic(cx, cy, r, f, t)
    ux, uy = M(px) - Cx, M(py) - Cy
    n = mpmath.hypot(ux, uy)
    ux, uy = (ux / n, uy / n) if n else (mpf(1), mpf(0))
    lam = 1 / mpmath.sqrt(quad(A, ux, uy))  # the ray meets the curve
    X, Y = Cx + lam * ux, Cy + lam * uy
    if in_range(param_angle(cx, cy, r, f, t, X, Y), s, e):
        return X, Y
    sx, sy = curve_point(cx, cy, r, f, t, M(s))
    ex, ey = curve_point(cx, cy, r, f, t, M(e))
    if mpmath.hypot(M(px) - sx, M(py) - sy) < mpmath.hypot(M(px) - ex, M(py) - ey):
        return sx, sy
    return ex, ey


ARC_NEAREST = [
    # name, px, py, cx, cy, r, f, t, s, e
    ("full circle, outside point", 8, 6, 1, 2, 5, 1, 0, 0, 0),
    ("full circle, inside point", 1.5, 2.5, 1, 2, 5, 1, 0, 0, 0),
    ("full circle, the centre", 1, 2, 1, 2, 5, 1, 0, 0, 0),
    ("on the ray within the arc", -1, 4, 0, 0, 5, 1, 0, 0.5, 2.5),
    ("outside the arc, nearer its start", 6, -1, 0, 0, 5, 1, 0, 0.5, 2.5),
    ("outside the arc, nearer its end", -6, -1, 0, 0, 5, 1, 0, 0.5, 2.5),
    ("tilted ellipse, within the arc", 1, 3, 0.5, 0.5, 6, 0.5, 0.4, 0.5, 3),
    ("tilted ellipse, outside the arc", 2, -4, 0.5, 0.5, 6, 0.5, 0.4, 0.5, 3),
    ("flatness above 1", 3, 3, 0, 0, 2, 2.5, 0, 0, 0),
]


def gen_arc_nearest(out):
    out.append("static const ArcNearestCase kArcNearestCases[] = {")
    for name, *a in ARC_NEAREST:
        X, Y = arc_nearest(*a)
        out.append(row(name, *map(lit, a), lit(X), lit(Y)))
    out.append("};")


# ------------------------------------------------------------ circle cross

def circle_circle(rx, ry, c1, c2):
    """Two circles: exact intersections, the one on R's side of the line
    C1->C2 (left when R is on it); touching within 1e-4 gives the point of
    circle 1 on the centre line."""
    (x1, y1, r1), (x2, y2, r2) = c1[:3], c2[:3]
    C1, C2 = Point(Q(x1), Q(y1)), Point(Q(x2), Q(y2))
    D = C1.distance(C2)
    tol = Rational(1, 10**4)
    R1, R2 = abs(Q(r1)), abs(Q(r2))
    if D < tol or D - tol > R1 + R2 or min(R1, R2) + D < max(R1, R2) - tol:
        return None
    pts = Circle(C1, R1).intersection(Circle(C2, R2))
    if not pts:  # touching within the tolerance
        sign = 1 if (D * D + R1 * R1 - R2 * R2) > 0 else -1
        e = (C2 - C1) / D
        return C1.x + sign * R1 * e.x, C1.y + sign * R1 * e.y
    def side(p):
        return (C2.x - C1.x) * (p.y - C1.y) - (C2.y - C1.y) * (p.x - C1.x)
    r_side = side(Point(Q(rx), Q(ry)))
    want = [p for p in pts if (side(p) < 0) == (r_side < 0)]
    p = want[0] if want else pts[0]
    return p.x, p.y


def conic_conic(rx, ry, c1, c2):
    """Curve 1 as C1 + Rot(t1)(r1 (1-u^2)/(1+u^2), r1 f1 2u/(1+u^2)), put into
    curve 2's equation: a quartic in u = tan(th/2); the real roots are the
    intersections. Returns the one nearest R."""
    (C2x, C2y), A2, _, _, _ = conic(*c2[:5])

    def g(th):
        x, y = curve_point(*c1[:5], th)
        return quad(A2, x - C2x, y - C2y) - 1

    # Quartic coefficients by interpolating (1+u^2)^2 g at five u values.
    us = [mpf(k) for k in (-2, -1, 0, 1, 2)]
    vals = [(1 + u * u) ** 2 * g(2 * mpmath.atan(u)) for u in us]
    V = mpmath.matrix([[u ** k for k in range(4, -1, -1)] for u in us])
    coef = mpmath.lu_solve(V, mpmath.matrix(vals))
    coef = [coef[i] for i in range(5)]
    while abs(coef[0]) < mpf("1e-40"):
        coef = coef[1:]
    roots = mpmath.polyroots(coef, maxsteps=200, extraprec=200)
    ths = []
    for z in roots:
        # A touching pair of roots moved off the real axis by rounding the
        # inputs still counts when its real part lies on both curves.
        if abs(mpmath.im(z)) < mpf("1e-6"):
            th = 2 * mpmath.atan(mpmath.re(z))
            if abs(g(th)) < mpf("1e-12") and all(abs(th - o) > mpf("1e-6") for o in ths):
                ths.append(th)
    assert abs(g(PI)) > mpf("1e-6"), "keep intersections off th = pi"
    if not ths:
        return None
    pts = [curve_point(*c1[:5], th) for th in ths]
    return min(pts, key=lambda p: mpmath.hypot(p[0] - M(rx), p[1] - M(ry)))


def circle_cross(rx, ry, c1, c2, touch=None):
    circles = (c1[3] == 1 or c1[3] < 0.001) and (c2[3] == 1 or c2[3] < 0.001)
    p = circle_circle(rx, ry, c1, c2) if circles else conic_conic(rx, ry, c1, c2)
    if p is None and touch is not None:  # touching within the tolerance
        p = touch
    if p is None:
        return 0, 0, 0
    X, Y = M(p[0]), M(p[1])
    H = 2 if in_range(param_angle(*c1[:5], X, Y), c1[5], c1[6]) else 1
    L = 2 if in_range(param_angle(*c2[:5], X, Y), c2[5], c2[6]) else 1
    return 16 * H + L, X, Y


def C(cx, cy, r, f=1, t=0, s=0, e=0):
    return (cx, cy, r, f, t, s, e)


def touching_circle(ell, th, rho, gap=0):
    """The circle of radius rho touching the ellipse from outside at its
    parameter angle th (its centre rounded to doubles), or passing gap
    outside it there."""
    (Cx, Cy), A, _, _, _ = conic(*ell[:5])
    x, y = curve_point(*ell[:5], mpf(th))
    nx = A[0, 0] * (x - Cx) + A[0, 1] * (y - Cy)  # outward normal
    ny = A[0, 1] * (x - Cx) + A[1, 1] * (y - Cy)
    n = mpmath.hypot(nx, ny)
    k = rho + gap
    return C(float(x + k * nx / n), float(y + k * ny / n), rho)


def touch_point(ell, th):
    """Where a circle passing just outside the ellipse along its normal at th
    comes nearest: the ellipse point at th."""
    return curve_point(*ell[:5], mpf(th))


CIRCLE_CROSS = [
    # name, rx, ry, circle 1, circle 2
    ("unit circles 1 apart, R above", 0.5, 3, C(0, 0, 1), C(1, 0, 1)),
    ("unit circles 1 apart, R below", 0.5, -3, C(0, 0, 1), C(1, 0, 1)),
    ("R on the centre line takes the left side", 5, 0, C(0, 0, 1), C(1, 0, 1)),
    ("oblique centre line", 9, -1, C(1, 2, 3), C(4, 6, 2.5)),
    ("radii 1 and 1.9, centres 1 apart", 0, 5, C(0, 0, 1), C(1, 0, 1.9)),
    ("crossing far round circle 1", 0, -5, C(0, 0, 1), C(1, 0, 1.99)),
    ("small circle 1 round a large circle 2", 0, 5, C(4.5, 0, 1), C(0, 0, 5)),
    ("touching outside", 0, 5, C(0, 0, 2), C(3, 0, 1)),
    ("touching outside, 5e-5 apart", 0, 5, C(0, 0, 2), C(3.00005, 0, 1)),
    ("touching inside", 0, 5, C(0, 0, 3), C(1, 0, 2)),
    ("touching inside, circle 1 the smaller", 0, 5, C(1, 0, 2), C(0, 0, 3)),
    ("circles 1 mm apart", 0, 5, C(0, 0, 2), C(4, 0, 1)),
    ("small circle inside a large one", 0, 5, C(0, 0, 5), C(1, 0, 1)),
    ("concentric", 0, 5, C(0, 0, 5), C(0, 0, 3)),
    ("same circle", 0, 5, C(2, 2, 3), C(2, 2, 3)),
    ("flatness below 0.001 is a circle", 0.5, 3, C(0, 0, 1, 0.0002, 1), C(1, 0, 1)),
    ("arcs, point on both", 0.5, 3, C(0, 0, 1, 1, 0, 0.5, 1.5), C(1, 0, 1, 1, 0, 1.5, 2.5)),
    ("arcs, point outside arc 1", 0.5, -3, C(0, 0, 1, 1, 0, 0.5, 1.5), C(1, 0, 1, 1, 0, 3.5, 4.5)),
    ("arcs, point outside arc 2", 0.5, 3, C(0, 0, 1, 1, 0, 0.5, 1.5), C(1, 0, 1, 1, 0, 3.5, 4.5)),
    ("arcs, point outside both", 0.5, -3, C(0, 0, 1, 1, 0, 0.5, 1.5), C(1, 0, 1, 1, 0, 1.5, 2.5)),
    ("circle and axis-aligned ellipse", 3, 3, C(0, 0, 2.5), C(0, 0, 4, 0.5)),
    ("circle and tilted ellipse, four points", -1, 2, C(0.2, 0.1, 1.5), C(0, 0, 2.5, 0.4, 0.3)),
    ("tilted ellipse and circle", 2, -2, C(1, 1, 5, 0.3, 0.6), C(3, 1, 2)),
    ("two ellipses", 0, -4, C(0, 0, 4, 0.5, 0.2), C(1, 0.5, 3, 0.6, -0.9)),
    ("ellipse touched by a circle", 0, 3, C(0, 0, 2, 0.5), C(0, 2, 1)),
    ("ellipse touched by a circle off the axes", 3, 3, C(0, 0, 2, 0.5, 0.3),
     touching_circle(C(0, 0, 2, 0.5, 0.3), 1.0, 0.7)),
    ("ellipse passed 5e-5 outside by a circle", 3, 3, C(0, 0, 2, 0.5, 0.3),
     touching_circle(C(0, 0, 2, 0.5, 0.3), 1.0, 0.7, 5e-5), touch_point(C(0, 0, 2, 0.5, 0.3), 1.0)),
    ("ellipse passed 2e-4 outside by a circle", 3, 3, C(0, 0, 2, 0.5, 0.3),
     touching_circle(C(0, 0, 2, 0.5, 0.3), 1.0, 0.7, 2e-4)),
    ("ellipse missed by a circle", 0, 3, C(0, 0, 2, 0.5), C(0, 2.01, 1)),
    ("circle inside an ellipse", 0, 3, C(0, 0, 6, 0.5), C(0.5, 0, 1)),
    ("elliptic arc, point outside it", 3, 3, C(0, 0, 4, 0.5, 0, 3, 6), C(0, 0, 2.5)),
]


def gen_circle_cross(out):
    out.append("static const CircleCrossCase kCircleCrossCases[] = {")
    for name, rx, ry, c1, c2, *touch in CIRCLE_CROSS:
        code, X, Y = circle_cross(rx, ry, c1, c2, *touch)
        c1s = "{" + ", ".join(map(lit, c1)) + "}"
        c2s = "{" + ", ".join(map(lit, c2)) + "}"
        out.append(row(name, lit(rx), lit(ry), c1s, c2s, code, lit(X), lit(Y)))
    out.append("};")


# -------------------------------------------------------------- clipping

def liang_barsky(x1, y1, x2, y2, xmin, ymin, xmax, ymax):
    """Exact parameters [t0, t1] of the segment inside the rectangle, or None."""
    x1, y1, x2, y2 = map(Q, (x1, y1, x2, y2))
    dx, dy = x2 - x1, y2 - y1
    t0, t1 = Rational(0), Rational(1)
    for p, q in ((-dx, x1 - Q(xmin)), (dx, Q(xmax) - x1), (-dy, y1 - Q(ymin)),
                 (dy, Q(ymax) - y1)):
        if p == 0:
            if q < 0:
                return None
        elif p < 0:
            t0 = max(t0, q / p)
        else:
            t1 = min(t1, q / p)
    return (t0, t1) if t0 <= t1 else None


def clip_segment(x1, y1, x2, y2, xmin, ymin, xmax, ymax):
    def clamp_all():
        return (-1, min(max(Q(x1), Q(xmin)), Q(xmax)), min(max(Q(y1), Q(ymin)), Q(ymax)),
                min(max(Q(x2), Q(xmin)), Q(xmax)), min(max(Q(y2), Q(ymin)), Q(ymax)))
    t = liang_barsky(x1, y1, x2, y2, xmin, ymin, xmax, ymax)
    if t is None:
        return clamp_all()
    t0, t1 = t
    X1, Y1, X2, Y2 = map(Q, (x1, y1, x2, y2))
    code = (1 if t0 > 0 else 0) | (2 if t1 < 1 else 0)
    return (code, X1 + (X2 - X1) * t0, Y1 + (Y2 - Y1) * t0, X1 + (X2 - X1) * t1,
            Y1 + (Y2 - Y1) * t1)


RECT = (0, 0, 10, 5)
CLIP_SEGMENT = [
    # name, x1, y1, x2, y2 (rectangle 0,0 - 10,5)
    ("wholly inside", 1, 1, 9, 4),
    ("inside, touching the border", 0, 0, 10, 5),
    ("wholly left", -5, 1, -1, 4),
    ("wholly above and right", 12, 7, 20, 9),
    ("first end left of the rectangle", -5, 2, 5, 3),
    ("second end below the rectangle", 5, 3, 7, -3),
    ("both ends outside, through the rectangle", -5, -1, 15, 6),
    ("both ends outside, reversed", 15, 6, -5, -1),
    ("vertical, through top and bottom", 4, -3, 4, 9),
    ("through a corner region", -1, 3, 3, 7),
    ("steep from above the right side", 11, 6.5, 8, -1),
]


def gen_clip_segment(out):
    out.append("static const ClipSegmentCase kClipSegmentCases[] = {")
    for name, *a in CLIP_SEGMENT:
        code, *pts = clip_segment(*a, *RECT)
        out.append(row(name, *map(lit, a), code, *(lit(M(v)) for v in pts)))
    out.append("};")


def clip_polygon(pts, rect):
    xmin, ymin, xmax, ymax = rect
    xs, ys = [p[0] for p in pts], [p[1] for p in pts]
    if max(xs) < xmin or min(xs) > xmax or max(ys) < ymin or min(ys) > ymax:
        return []
    if min(xs) >= xmin and max(xs) <= xmax and min(ys) >= ymin and max(ys) <= ymax:
        return [(Q(x), Q(y)) for x, y in pts]
    c = clip_segment(*pts[0], *pts[1], *rect)
    res = [(c[1], c[2])]
    for i in range(1, len(pts)):
        if pts[i - 1] == pts[i]:
            continue
        c = clip_segment(*pts[i - 1], *pts[i], *rect)
        res += [(c[1], c[2]), (c[3], c[4])]
    res.append(res[0])
    return res


CLIP_POLYGON = [
    # name, closed outline (rectangle 0,0 - 10,5)
    ("inside, copied", [(1, 1), (9, 1), (5, 4), (1, 1)]),
    ("missing the rectangle", [(20, 1), (30, 1), (25, 4), (20, 1)]),
    ("triangle over the right side", [(5, 1), (15, 2.5), (5, 4), (5, 1)]),
    ("square round the rectangle", [(-1, -1), (11, -1), (11, 6), (-1, 6), (-1, -1)]),
    ("repeated vertex skipped", [(5, 1), (15, 2.5), (15, 2.5), (5, 4), (5, 1)]),
]


def gen_clip_polygon(out):
    out.append("static const ClipPolygonCase kClipPolygonCases[] = {")
    for name, pts in CLIP_POLYGON:
        res = clip_polygon(pts, RECT)
        ins = ", ".join("{%s, %s}" % (lit(x), lit(y)) for x, y in pts)
        outs = ", ".join("{%s, %s}" % (lit(M(x)), lit(M(y))) for x, y in res)
        out.append('  {"%s", {%s}, {%s}},' % (name, ins, outs))
    out.append("};")


# ----------------------------------------------------------- polygons

def point_in_polygon(pts, px, py):
    P = Point(Q(px), Q(py))
    V = [Point(Q(x), Q(y)) for x, y in pts]
    sides = [Segment(V[i - 1], V[i]) for i in range(len(V)) if V[i - 1] != V[i]]
    if any(s.contains(P) for s in sides):
        return True
    return bool(Polygon(*V).encloses_point(P))


def comb(teeth):
    """A comb whose teeth point up: a scan line through them crosses 2 * teeth
    edges."""
    pts = [(0, 0), (2 * teeth, 0)]
    for k in range(teeth - 1, -1, -1):
        pts += [(2 * k + 1.5, 10), (2 * k + 1, 1), (2 * k + 0.5, 10)]
    return pts


DIAMOND = [(0, 1), (1, 0), (2, 1), (1, 2)]
SQUARE = [(0, 0), (4, 0), (4, 4), (0, 4)]
NOTCH = [(0, 0), (6, 0), (6, 4), (3, 2), (0, 4)]  # reflex vertex at (3, 2)
THIN = [(0, 0), (10, 0.05), (5, 10)]
POINT_IN_POLYGON = [
    # name, polygon, px, py
    ("diamond centre, vertices on the scan line", DIAMOND, 1, 1),
    ("diamond, left of its left vertex", DIAMOND, -0.5, 1),
    ("diamond, near the right vertex inside", DIAMOND, 1.9, 1),
    ("diamond, top vertex", DIAMOND, 1, 2),
    ("diamond, on a slanted edge", DIAMOND, 0.5, 1.5),
    ("diamond, box corner outside", DIAMOND, 0.2, 0.2),
    ("square, inside", SQUARE, 1, 3),
    ("square, on a vertical edge", SQUARE, 4, 2),
    ("square, on the top edge", SQUARE, 2, 4),
    ("square, on the bottom edge", SQUARE, 2, 0),
    ("square, a corner", SQUARE, 4, 4),
    ("square, outside the box", SQUARE, 5, 2),
    ("notch, scan line through the reflex vertex, left part", NOTCH, 1, 2),
    ("notch, scan line through the reflex vertex, right part", NOTCH, 5, 2),
    ("notch, in the notch", NOTCH, 3, 3),
    ("notch, scan line through the top corners", NOTCH, 3, 4),
    ("thin bottom edge inside", THIN, 5, 0.03),
    ("thin bottom edge below", THIN, 5, 0.02),
    ("comb of 15 teeth, in a tooth", comb(15), 28, 5),
    ("comb of 15 teeth, in a gap", comb(15), 29, 5),
    ("comb of 15 teeth, in the leftmost tooth", comb(15), 0.25, 5),
    ("comb of 15 teeth, in the base", comb(15), 28, 0.5),
]


def gen_point_in_polygon(out):
    out.append("static const PointInPolygonCase kPointInPolygonCases[] = {")
    for name, pts, px, py in POINT_IN_POLYGON:
        ins = ", ".join("{%s, %s}" % (lit(x), lit(y)) for x, y in pts)
        out.append('  {"%s", {%s}, %s, %s, %s},' % (
            name, ins, lit(px), lit(py), "true" if point_in_polygon(pts, px, py) else "false"))
    out.append("};")


def moments(pts, bx, by):
    poly = Polygon(*[Point(Q(x), Q(y)) for x, y in pts])
    area = -poly.area  # the kernel's sign: negative counter-clockwise
    c = poly.centroid
    return area, area * (c.x - Q(bx)), area * (c.y - Q(by))


POLYGON_MOMENTS = [
    # name, outline, bx, by
    ("unit square counter-clockwise", [(0, 0), (1, 0), (1, 1), (0, 1)], 0, 0),
    ("unit square clockwise", [(0, 0), (0, 1), (1, 1), (1, 0)], 0, 0),
    ("triangle about a vertex", [(1, 1), (7, 2), (3, 6)], 1, 1),
    ("concave outline", [(0, 0), (6, 0), (6, 4), (3, 2), (0, 4)], 2, 1),
    ("below and left of the origin", [(-8, -6), (-2, -7), (-1, -1), (-6, -2)], -5, -4),
    ("far from the origin, reference near", [(1e6, 2e6), (1e6 + 3, 2e6), (1e6 + 3, 2e6 + 2),
                                             (1e6, 2e6 + 2)], 1e6, 2e6),
]


def gen_polygon_moments(out):
    out.append("static const PolygonMomentsCase kPolygonMomentsCases[] = {")
    for name, pts, bx, by in POLYGON_MOMENTS:
        A, Mx, My = moments(pts, bx, by)
        ins = ", ".join("{%s, %s}" % (lit(x), lit(y)) for x, y in pts)
        out.append('  {"%s", {%s}, %s, %s, %s, %s, %s},' % (
            name, ins, lit(bx), lit(by), lit(M(A)), lit(M(Mx)), lit(M(My))))
    out.append("};")


# ------------------------------------------------------- angles and feet

ANGLES = [
    # name, x1, y1, x2, y2, x3, y3, x4, y4 (LineAngle of 1->2, RelativeAngle)
    ("first quadrant, left turn", 0, 0, 3, 4, 1, 1, -2, 5),
    ("pointing down the negative axis", 5, 2, -1, 2, 0, 0, 0, -3),
    ("right turn", -1, -1, 4, -1, 2, 2, 5, -1),
    ("straight back", 0, 0, 1, 1, 3, 3, 2, 2),
    ("oblique, small turn", 1.25, -3.5, 7.5, 2.75, 0, 0, 5, 5.3),
]


def gen_angles(out):
    out.append("static const AngleCase kAngleCases[] = {")
    for name, x1, y1, x2, y2, x3, y3, x4, y4 in ANGLES:
        la = atan2(Q(y2) - Q(y1), Q(x2) - Q(x1))
        d1 = (Q(x2) - Q(x1), Q(y2) - Q(y1))
        d2 = (Q(x4) - Q(x3), Q(y4) - Q(y3))
        rel = atan2(d1[0] * d2[1] - d1[1] * d2[0], d1[0] * d2[0] + d1[1] * d2[1])
        out.append(row(name, *map(lit, (x1, y1, x2, y2, x3, y3, x4, y4)),
                       lit(M(la)), lit(M(rel))))
    out.append("};")


FEET = [
    # name, px, py, ax, ay, bx, by
    ("foot inside the segment", 3, 4, 0, 0, 10, 0),
    ("foot before the start", -3, 4, 0, 0, 10, 0),
    ("foot beyond the end", 13, -4, 0, 0, 10, 0),
    ("oblique segment", 2, 7, -1, -1, 5, 3),
    ("oblique, beyond its end", 9, 9, -1, -1, 5, 3),
    ("point on the segment", 2, 1, -1, -1, 5, 3),
]


def gen_feet(out):
    out.append("static const FootCase kFootCases[] = {")
    for name, px, py, ax, ay, bx, by in FEET:
        P, A, B = Point(Q(px), Q(py)), Point(Q(ax), Q(ay)), Point(Q(bx), Q(by))
        foot = Line(A, B).projection(P)
        dist = Segment(A, B).distance(P)
        out.append(row(name, *map(lit, (px, py, ax, ay, bx, by)), lit(M(foot.x)),
                       lit(M(foot.y)), lit(M(dist))))
    out.append("};")


def main():
    out = ["// Generated by z_math_reference.py from exact and 50-digit reference",
           "// geometry; do not edit. Each row: name, inputs, expected results."]
    for gen in (gen_angles, gen_feet, gen_line_cross, gen_line_circle, gen_line_arc,
                gen_arc_distance, gen_arc_nearest, gen_circle_cross, gen_clip_segment,
                gen_clip_polygon, gen_point_in_polygon, gen_polygon_moments):
        out.append("")
        gen(out)
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "z_math_reference.inc")
    with open(path, "w", encoding="utf-8", newline="\n") as fh:
        fh.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
