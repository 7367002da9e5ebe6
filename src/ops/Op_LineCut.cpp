#include "ops/Op_LineCut.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "app/ApManager.h"
#include "app/GC_PointSearch.h"
#include "app/GC_View.h"
#include "kernel/Platform.h"
#include "kernel/Z_Math.h"
#include "model/PVC.h"
#include "ops/OpRange.h"
#include "render/GC_Draw.h"

LineCutOpState g_lineCutOp;

void Op_LineCut_Reset() { g_lineCutOp = LineCutOpState{}; }

// ---- The geometry -------------------------------------------------------------

namespace {

constexpr double kTwoPi = 6.283185307179586476925286766559;

// The position of p along the line from a, in units.
double Along(const TLineGeom& l, TPointD p) {
  const double len = Dist(l.a, l.b);
  return len > 0 ? Dot(p - l.a, l.b - l.a) / len : 0;
}

TPointD PointAlong(const TLineGeom& l, double t) {
  const double len = Dist(l.a, l.b);
  return len > 0 ? l.a + (l.b - l.a) * (t / len) : l.a;
}

TGcell Piece(const TGcell& from, TPointD a, TPointD b) {
  TGcell c = from;
  c.pen &= static_cast<std::uint16_t>(~PEN_SELECTED);
  SetLine(c, a, b);
  return c;
}

TGcell ArcPiece(const TGcell& from, double s, double e) {
  TGcell c = from;
  c.kind = GK_ARC;
  c.pen &= static_cast<std::uint16_t>(~PEN_SELECTED);
  c.p[7] = s;
  c.p[8] = e;
  return c;
}

bool InsidePolygon(const std::vector<TPointD>& poly, TPointD p) {
  bool inside = false;
  for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    const TPointD a = poly[i], b = poly[j];
    if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) inside = !inside;
  }
  return inside;
}

// Distance from p to the infinite line through a and b.
double LineDistance(TPointD p, TPointD a, TPointD b) {
  const double len = Dist(a, b);
  return len > 0 ? std::fabs(Cross(b - a, p - a)) / len : Dist(p, a);
}

// The positions along the line where it crosses the polygon's sides.
std::vector<double> Crossings(const std::vector<TPointD>& poly, const TLineGeom& l) {
  std::vector<double> out;
  for (std::size_t i = 0; i < poly.size(); ++i) {
    const TPointD a = poly[i], b = poly[(i + 1) % poly.size()];
    TPointD x;
    if (LineCross(x.x, x.y, l.a.x, l.a.y, l.b.x, l.b.y, a.x, a.y, b.x, b.y) != kOnBoth) continue;
    // The crossing lies on the side too (LineCross only tells that the side straddles the line).
    if (Along({a, b}, x) < -1e-9 || Along({a, b}, x) > Dist(a, b) + 1e-9) continue;
    out.push_back(Along(l, x));
  }
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace

std::vector<TGcell> CutTwoPoints(const TGcell& cell, TPointD p1, TPointD p2, TPointD pick, double tol) {
  std::vector<TGcell> out;
  if (cell.kind == GK_LINE) {
    const TLineGeom l = LineOf(cell);
    const double len = Dist(l.a, l.b);
    double s1 = std::clamp(Along(l, p1), 0.0, len), s2 = std::clamp(Along(l, p2), 0.0, len);
    if (s1 > s2) std::swap(s1, s2);
    if (s1 > tol) out.push_back(Piece(cell, l.a, PointAlong(l, s1)));
    if (s2 < len - tol) out.push_back(Piece(cell, PointAlong(l, s2), l.b));
    return out;
  }
  if (cell.kind != GK_ARC && cell.kind != GK_CIRCLE) return {cell};
  const ArcParams a = ArcOf(cell);
  const double angleTol = a.r > 0 ? tol / a.r : 0;
  const double a1 = CurveAngle(p1.x, p1.y, a), a2 = CurveAngle(p2.x, p2.y, a);
  if (cell.kind == GK_CIRCLE) {
    const double t2 = NormalizeAngle(a2, a1);
    if (t2 < angleTol || kTwoPi - t2 < angleTol) return {cell};  // one point: nothing to take out
    // The run from a1 counter-clockwise to a2 goes when it holds the pick.
    const double t0 = NormalizeAngle(CurveAngle(pick.x, pick.y, a), a1);
    out.push_back(t0 < t2 ? ArcPiece(cell, a1 + t2, a1 + kTwoPi) : ArcPiece(cell, a1, a1 + t2));
    return out;
  }
  double t1 = std::clamp(NormalizeAngle(a1, a.s), a.s, a.e), t2 = std::clamp(NormalizeAngle(a2, a.s), a.s, a.e);
  // A direction past the arc's end that lies nearer its start counts as the start.
  const auto fold = [&](double t, double raw) {
    const double n = NormalizeAngle(raw, a.s);
    return n > a.e && (kTwoPi - (n - a.s)) < (n - a.e) ? a.s : t;
  };
  t1 = fold(t1, a1);
  t2 = fold(t2, a2);
  if (t1 > t2) std::swap(t1, t2);
  if (a.s + angleTol < t1) out.push_back(ArcPiece(cell, a.s, t1));
  if (a.e - angleTol > t2) out.push_back(ArcPiece(cell, t2, a.e));
  return out;
}

TCutArea AreaOf(std::vector<TPointD> points) {
  TCutArea area;
  if (points.size() == 2) {
    const TPointD a = points[0], b = points[1];
    points = {a, {b.x, a.y}, b, {a.x, b.y}};
  }
  area.points = std::move(points);
  return area;
}

bool AreaTakes(const TCutArea& area, const TGcell& line, double tol) {
  const TLineGeom l = LineOf(line);
  if (area.isCircle) {
    const double r = area.radius + tol;
    if (Dist(l.a, area.centre) <= r || Dist(l.b, area.centre) <= r) return true;
    return SegmentDistance(area.centre.x, area.centre.y, l.a.x, l.a.y, l.b.x, l.b.y) <= area.radius;
  }
  const std::vector<TPointD>& poly = area.points;
  if (poly.size() < 3) return false;
  for (std::size_t i = 0; i < poly.size(); ++i) {
    const TPointD a = poly[i], b = poly[(i + 1) % poly.size()];
    if (LineDistance(l.a, a, b) <= tol && LineDistance(l.b, a, b) <= tol) return false;  // along a side
  }
  return InsidePolygon(poly, l.a) || InsidePolygon(poly, l.b) || !Crossings(poly, l).empty();
}

bool CutByArea(const TCutArea& area, const TGcell& line, double tol, std::vector<TGcell>& pieces) {
  pieces.clear();
  const TLineGeom l = LineOf(line);
  const double len = Dist(l.a, l.b);
  if (area.isCircle) {
    const double r = area.radius + tol;
    const bool inA = Dist(l.a, area.centre) <= r, inB = Dist(l.b, area.centre) <= r;
    if (inA && inB) return true;
    // Where the infinite line meets the circle: the foot of the centre, a half chord either way.
    const double t = Along(l, area.centre);
    const double d = Dist(PointAlong(l, t), area.centre);
    if (d >= area.radius) return false;
    const double h = std::sqrt(area.radius * area.radius - d * d);
    const double t1 = t - h, t2 = t + h;
    if (t2 <= 0 || t1 >= len) return false;  // the circle lies beyond an end
    if (!inA && t1 > tol) pieces.push_back(Piece(line, l.a, PointAlong(l, t1)));
    if (!inB && t2 < len - tol) pieces.push_back(Piece(line, PointAlong(l, t2), l.b));
    return true;
  }
  bool inA = InsidePolygon(area.points, l.a), inB = InsidePolygon(area.points, l.b);
  std::vector<double> cuts;
  for (double t : Crossings(area.points, l)) {
    if (t <= tol) {
      inA = true;  // a crossing at an end: that end counts as inside
      continue;
    }
    if (t >= len - tol) {
      inB = true;
      continue;
    }
    if (!cuts.empty() && t - cuts.back() < tol) continue;
    cuts.push_back(t);
  }
  if (cuts.empty()) return inA && inB;
  std::vector<double> ends{0};
  ends.insert(ends.end(), cuts.begin(), cuts.end());
  ends.push_back(len);
  for (std::size_t k = inA ? 1 : 0; k + 1 < ends.size(); k += 2)
    pieces.push_back(Piece(line, PointAlong(l, ends[k]), PointAlong(l, ends[k + 1])));
  return true;
}

// ---- The operation -------------------------------------------------------------

namespace {

constexpr int kSub1 = EV_SUB1, kSub2 = EV_SUB1 + 1;

LineCutRun& S() { return g_lineCutOp.run; }
LineCutOptions& Opt() { return g_lineCutOp.options; }
void Enter(CutState s) { S().state = s; }

double Tol() { return 0.01 * CurPVC().basicScale; }

void PickButtons() {
  ClearSubBtns();
  SetSubBtn("① 領域切断", true);
}

void AreaButtons() {
  ClearSubBtns();
  SetSubBtn(S().points.empty() ? "①前範囲" : "①領域確定", !S().points.empty() || Opt().hasPrevious);
  SetSubBtn(Opt().penFilter ? "②$線種指定" : "② 線種指定", true);
}

void ShowState() {
  std::string prompt = "線の切断：";
  CursorShape cursor = CursorShape::Default;
  bool offset = false;
  switch (S().state) {
    case CutState::CutPick:
      prompt += "　切断線を指示(L)";
      cursor = CursorShape::HandPoint;
      break;
    case CutState::CutFirst:
      prompt += "　切断位置１を指示(L)or(R)";
      cursor = CursorShape::Point1;
      offset = true;
      break;
    case CutState::CutSecond:
      prompt += "　切断位置２を指示(L)or(R)";
      cursor = CursorShape::Point2;
      offset = true;
      break;
    case CutState::AreaPoints:
      prompt = "切断領域の輪郭点を指示(L)or(R)";
      if (S().points.empty()) prompt += "、円指示(L)";
      if (Opt().penFilter) prompt += "、線種指定は書き込みペンで指定して下さい.";
      prompt += "《切断するのは直線だけです》";
      break;
    case CutState::AreaAdjust: prompt += "　除外,追加データ指示(L)or(R)"; break;
    case CutState::Idle: prompt.clear(); break;
  }
  ShowStep(prompt, cursor, offset, offset);
}


// ---- Two points -------------------------------------------------------------------

void BackToPick(TGContext& view) {
  LineCutRun& r = S();
  r.cellShown.Clear(view);
  r.marker.Clear(view);
  PickButtons();
  Enter(CutState::CutPick);
}

void OnPick(TGContext& view, int code) {
  LineCutRun& r = S();
  if (code == kSub1) {
    r.points.clear();
    AreaButtons();
    Enter(CutState::AreaPoints);
    return;
  }
  if (code != EV_LCLICK) return;
  const TPointD p = ToWorld(view, PressPixel(code));
  const int i = PickNearest(view, false, p.x, p.y);
  if (i == 0) return;
  const TGcell& c = GcellRef(i);
  if (c.kind != GK_LINE && c.kind != GK_ARC && c.kind != GK_CIRCLE) return;
  r.cell = GcellRefOf(i);
  r.pickPoint = p;
  r.cellShown.Show(view, Highlighted(c));
  ClearSubBtns();
  Enter(CutState::CutFirst);
}

// Where the marker of a point on the cell goes; false (a beep) for a point
// beyond a line's ends by more than slack.
bool OnCell(const TGcell& c, TPointD p, double slack, TPointD& at) {
  if (c.kind == GK_LINE) {
    const TLineGeom l = LineOf(c);
    const double t = Along(l, p), len = Dist(l.a, l.b);
    if (t < -slack || t > len + slack) return false;
    at = PointAlong(l, std::clamp(t, 0.0, len));
    return true;
  }
  ArcNearestPoint(at.x, at.y, p.x, p.y, ArcOf(c));
  return true;
}

void OnFirst(TGContext& view, int code) {
  LineCutRun& r = S();
  if (code == EV_ESC) {
    BackToPick(view);
    return;
  }
  if (!IsClick(code)) return;
  TPointD p;
  if (!ClickPoint(view, code, p)) return;
  const int i = GcellResolve(r.cell);
  if (i == 0) return;
  TPointD at;
  if (!OnCell(GcellRef(i), p, 0, at)) {
    Platform().Beep();
    return;
  }
  r.first = p;
  r.marker.Show(view, MarkAt(at));
  Enter(CutState::CutSecond);
}

void OnSecond(TGContext& view, int code) {
  LineCutRun& r = S();
  if (code == EV_ESC) {
    r.marker.Clear(view);
    Enter(CutState::CutFirst);
    return;
  }
  if (!IsClick(code)) return;
  TPointD p;
  if (!ClickPoint(view, code, p)) return;
  int i = GcellResolve(r.cell);
  if (i == 0) return;
  TPointD at;
  if (!OnCell(GcellRef(i), p, Tol(), at)) {
    Platform().Beep();
    return;
  }
  r.marker.Clear(view);
  r.cellShown.Clear(view);
  GcellCommit();
  i = GcellResolve(r.cell);
  if (i == 0) return;
  const TGcell c = GcellRef(i);
  EraseCell(view, c);
  GcellDelete(i);
  for (const TGcell& piece : CutTwoPoints(c, r.first, p, r.pickPoint, Tol())) StoreCell(view, piece);
  ShowDataCount();
  BackToPick(view);
}

// ---- Area -------------------------------------------------------------------------

// The outline as the pointer p would make it; without p, the fixed outline.
void ShowOutline(TGContext& view, const TPointD* p) {
  LineCutRun& r = S();
  std::vector<TGcell> cells;
  const auto line = [&](TPointD a, TPointD b, std::uint16_t pen) {
    TGcell c = MakeLine(a, b);
    c.pen = pen;
    cells.push_back(c);
  };
  const std::vector<TPointD>& pts = r.points;
  if (pts.size() == 2) {
    const TCutArea rect = AreaOf(pts);
    for (std::size_t k = 0; k < 4; ++k) line(rect.points[k], rect.points[(k + 1) % 4], 0x8011);
  } else {
    for (std::size_t k = 0; k + 1 < pts.size(); ++k) line(pts[k], pts[k + 1], 0x8011);
    if (!p && pts.size() > 2) line(pts.back(), pts.front(), 0x8011);
  }
  if (p && !pts.empty()) {
    line(pts.back(), *p, 0x8021);
    if (pts.size() >= 2) line(*p, pts.front(), 0x8021);
  }
  r.outline.Show(view, std::move(cells));
}

// A closed outline, fixed.
void ShowPolygon(TGContext& view, const std::vector<TPointD>& pts) {
  std::vector<TGcell> cells;
  for (std::size_t k = 0; k < pts.size(); ++k) {
    TGcell c = MakeLine(pts[k], pts[(k + 1) % pts.size()]);
    c.pen = 0x8011;
    cells.push_back(c);
  }
  S().outline.Show(view, std::move(cells));
}

// Selects the lines the area takes.
void SelectArea(TGContext& view, const TCutArea& area) {
  LineCutRun& r = S();
  r.area = area;
  const int w = StoreWindow(), pen = CurPVC().writePen;
  for (int i = 1, n = StoreUsed(); i <= n; ++i) {
    const TGcell& c = GcellRef(i);
    if (c.window != w || c.kind != GK_LINE || !IsCellShown(c)) continue;
    if (Opt().penFilter && (c.pen & 0xFF) != (pen & 0xFF)) continue;
    if (AreaTakes(area, c, Tol())) GcellSelect(i);
  }
  r.outline.Hide(view);
  RedrawSelected(view);
  r.outline.Show(view);
  ShowDataCount();
  ClearSubBtns();
  SetSubBtn("① 確定", true);
  Enter(CutState::AreaAdjust);
}

void ShowAreaCircle(TGContext& view, const TCutArea& area) {
  TGcell c = MakeCircle(area.centre, area.radius);
  c.pen = 0x8011 | PEN_SELECTED;
  S().outline.Show(view, c);
}

void OnAreaPoints(TGContext& view, int code, double x, double y) {
  LineCutRun& r = S();
  switch (code) {
    case EV_MOVE: {
      if (r.points.empty()) break;
      const TPointD p = ToWorld(view, {x, y});
      ShowOutline(view, &p);
      break;
    }
    case kSub2:
      Opt().penFilter = !Opt().penFilter;
      AreaButtons();
      break;
    case EV_ESC:
      if (r.points.empty()) {
        r.outline.Clear(view);
        PickButtons();
        Enter(CutState::CutPick);
        break;
      }
      r.points.pop_back();
      if (r.points.empty()) r.outline.Clear(view);
      else ShowOutline(view, nullptr);
      AreaButtons();
      break;
    case kSub1: {
      TCutArea area;
      if (r.points.empty()) {
        if (!Opt().hasPrevious) break;
        area = Opt().previous;
      } else if (r.points.size() < 2) {
        break;
      } else {
        area = AreaOf(r.points);
      }
      if (area.isCircle)
        ShowAreaCircle(view, area);
      else
        ShowPolygon(view, area.points);
      SelectArea(view, area);
      break;
    }
    case EV_LCLICK:
    case EV_RCLICK: {
      if (code == EV_LCLICK && r.points.empty()) {
        const TPointD p = ToWorld(view, PressPixel(code));
        const int i = PickNearest(view, false, p.x, p.y);
        if (i > 0 && GcellRef(i).kind == GK_CIRCLE) {
          const ArcParams a = ArcOf(GcellRef(i));
          if (FlatnessOf(GcellRef(i)) != 1) {  // an ellipse is no cutting circle
            Platform().Beep();
            break;
          }
          TCutArea area;
          area.isCircle = true;
          area.centre = {a.cx, a.cy};
          area.radius = a.r;
          ShowAreaCircle(view, area);
          SelectArea(view, area);
          break;
        }
      }
      if (r.points.size() >= 100) {
        Platform().Beep();
        break;
      }
      TPointD p;
      if (!ClickPoint(view, code, p)) break;
      r.points.push_back(p);
      ShowOutline(view, nullptr);
      AreaButtons();
      break;
    }
    default: break;
  }
}

void LeaveAdjust(TGContext& view) {
  LineCutRun& r = S();
  UnselectAllRedraw(view);
  ShowDataCount();
  r.outline.Clear(view);
  if (!r.points.empty()) ShowOutline(view, nullptr);
  AreaButtons();
  Enter(CutState::AreaPoints);
}

void CutArea(TGContext& view) {
  LineCutRun& r = S();
  r.outline.Clear(view);
  ClearSubBtns();
  Platform().SetScreenCursor(CursorShape::Hourglass);
  ++CurPVC().modified;
  GcellCommit();
  const double tol = Tol();
  std::vector<int> chosen;
  for (int i = 1, n = StoreUsed(); i <= n; ++i)
    if (GcellLive(i) && GcellRef(i).kind == GK_LINE && (GcellRef(i).pen & PEN_SELECTED)) chosen.push_back(i);
  std::vector<TGcell> pieces;
  for (int i : chosen) {
    const TGcell c = GcellRef(i);
    if (!CutByArea(r.area, c, tol, pieces)) continue;
    GcellDelete(i);
    for (const TGcell& piece : pieces) GcellAdd(piece);
  }
  GcellMaskAll(static_cast<std::uint16_t>(~PEN_SELECTED));
  ViewRedraw(1);
  ShowDataCount();
  Platform().SetScreenCursor(CursorShape::Default);
  Opt().previous = r.area;
  Opt().hasPrevious = true;
  r.points.clear();
  AreaButtons();
  Enter(CutState::AreaPoints);
}

void OnAreaAdjust(TGContext& view, int code) {
  switch (code) {
    case EV_LCLICK:
    case EV_RCLICK: {
      const TPointD p = ToWorld(view, PressPixel(code));
      const int i = PickNearest(view, false, p.x, p.y);
      if (i == 0 || GcellRef(i).kind != GK_LINE) break;
      S().outline.Hide(view);
      GcellToggleSelect(i);
      DrawCell(view, GcellRef(i));
      S().outline.Show(view);
      ShowDataCount();
      break;
    }
    case kSub1: CutArea(view); break;
    case EV_ESC: LeaveAdjust(view); break;
    default: break;
  }
}

}  // namespace

void Op_LineCut(TGContext& view, int code, double x, double y) {
  LineCutRun& r = S();
  if (code == EV_START) {
    g_lineCutOp.run = LineCutRun{};
    PickButtons();
    Enter(CutState::CutPick);
    ShowState();
    return;
  }
  if (code == EV_END) {
    const bool adjusting = r.state == CutState::AreaAdjust;
    r.cellShown.Clear(view);
    r.marker.Clear(view);
    r.outline.Clear(view);
    if (adjusting) {
      UnselectAllRedraw(view);
      ShowDataCount();
    }
    Enter(CutState::Idle);
    return;
  }
  if (code == EV_REDRAW || r.state == CutState::Idle) return;
  if (code >= kSub1 && code <= EV_SUB7 && !SubOption(code - EV_SUB1 + 1).enabled) return;
  switch (r.state) {
    case CutState::CutPick: OnPick(view, code); break;
    case CutState::CutFirst: OnFirst(view, code); break;
    case CutState::CutSecond: OnSecond(view, code); break;
    case CutState::AreaPoints: OnAreaPoints(view, code, x, y); break;
    case CutState::AreaAdjust: OnAreaAdjust(view, code); break;
    case CutState::Idle: break;
  }
  ShowState();
}
