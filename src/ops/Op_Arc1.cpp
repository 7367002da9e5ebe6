#include "ops/Op_Arc1.h"

#include <cmath>
#include <numbers>
#include <vector>

#include "app/ApManager.h"
#include "app/Ap_Offset.h"
#include "app/GC_PointSearch.h"
#include "app/GC_View.h"
#include "kernel/Z_Math.h"
#include "model/GC_DB.h"
#include "render/GC_Draw.h"

ArcOpState g_arcOp;

void Op_Arc1_Reset() { g_arcOp = ArcOpState{}; }

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double k2Pi = 2 * kPi;
constexpr int kSub1 = EV_SUB1, kSub2 = EV_SUB1 + 1, kSub3 = EV_SUB1 + 2;

ArcRun& S() { return g_arcOp.run; }


// ---- States ---------------------------------------------------------------------

const char* PromptOf(ArcState s) {
  switch (s) {
    case ArcState::ArcCentre: return "円弧の中心を指示(L)or(R)";
    case ArcState::ArcStart:
    case ArcState::ThreeFirst: return "円弧の始点を指示(L)or(R)";
    case ArcState::ArcEnd:
    case ArcState::ThreeSecond: return "円弧の終点を指示(L)or(R)";
    case ArcState::ThreeThrough: return "円弧の位置を指示(L)or(R)";
    case ArcState::TanPoint: return "円(楕円)接線の始点を指示(L)or(R)";
    case ArcState::TanCircle: return "円(楕円)を指示(L)or(R)";
    case ArcState::TwoFirst: return "２円の接線：円１指示(L)or(R)";
    case ArcState::TwoSecond: return "２円の接線：円２指示(L)or(R)";
    case ArcState::Idle: break;
  }
  return "";
}

CursorShape CursorOf(ArcState s) {
  switch (s) {
    case ArcState::ArcStart:
    case ArcState::ThreeFirst:
    case ArcState::TanPoint:
    case ArcState::TwoFirst: return CursorShape::Point1;
    case ArcState::ArcEnd:
    case ArcState::ThreeSecond:
    case ArcState::TanCircle:
    case ArcState::TwoSecond: return CursorShape::Point2;
    default: return CursorShape::Arrow;
  }
}

void Enter(ArcState s) { S().state = s; }

void Buttons(bool enabled) {
  ClearSubBtns();
  SetSubBtn("① ３点弧 ", enabled);
  SetSubBtn("②円(楕円)接線", enabled);
  SetSubBtn("③２円の接線", enabled);
}

void TwoButtons() {
  ClearSubBtns();
  SetSubBtn(g_arcOp.options.crossed ? "①$ ○×○" : "①$ ○＝○", true);
}

// ---- Previews --------------------------------------------------------------------

TGcell OnWrite(TGcell c, bool selected) {
  c.layer = WriteLayer();
  c.pen = static_cast<std::uint16_t>(WritePen() | (selected ? PEN_SELECTED : 0));
  return c;
}

void ShowLine(TGContext& view, TPointD to) { S().line.Show(view, OnWrite(MakeLine(S().p1, to), true)); }

TGcell SweptArc() {
  const ArcRun& r = S();
  return MakeArc({r.p1.x, r.p1.y, Dist(r.p1, r.p2), 1, 0, std::min(r.start, r.end), std::max(r.start, r.end)});
}

void ShowArc(TGContext& view, const TGcell& c) { S().arc.Show(view, OnWrite(c, true)); }

void Store(TGContext& view, std::vector<TGcell> cells) {
  GcellCommit();
  for (TGcell& c : cells) StoreCell(view, OnWrite(std::move(c), false));
  ShowDataCount();
}

// A circle or arc at the press of the click (no snap), taken as its whole curve.
bool PickCurve(TGContext& view, int code, ArcParams& curve, TGcell& cell) {
  const TPointD p = ToWorld(view, PressPixel(code));
  const int i = PickNearest(view, false, p.x, p.y);
  if (i == 0) return false;
  cell = GcellGet(i);
  if (cell.kind != GK_ARC && cell.kind != GK_CIRCLE) return false;
  curve = ArcOf(cell);
  return true;
}

bool IsRound(const TGcell& c) { return c.p[5] == 0 || c.p[5] == 1; }

// ---- Events ----------------------------------------------------------------------

void OnEvent(TGContext& view, int code, double x, double y) {
  ArcRun& r = S();
  const ArcState s = r.state;
  // ② and ③ from any state.
  if (code == kSub2 || (code == kSub3 && s != ArcState::TwoFirst && s != ArcState::TwoSecond)) {
    r.line.Clear(view);
    r.arc.Clear(view);
    r.pickedShown.Clear(view);
    if (code == kSub2) {
      Buttons(false);
      SetOffsetAllow(true, true);
      Enter(ArcState::TanPoint);
    } else {
      TwoButtons();
      Enter(ArcState::TwoFirst);
    }
    return;
  }
  const bool move = code == EV_MOVE || code == EV_RDOWN;
  const TPointD pointer = move ? PointerPoint(view, code, x, y) : TPointD{};
  TPointD p;
  const bool click = IsClick(code);
  // Points take the snap and the pending offset; picks of circles do not.
  const bool pickState = s == ArcState::TanCircle || s == ArcState::TwoFirst || s == ArcState::TwoSecond;
  if (click && !pickState && !ClickPoint(view, code, p)) return;
  switch (s) {
    case ArcState::ArcCentre:
      if (code == kSub1) {
        Buttons(false);
        Enter(ArcState::ThreeFirst);
      } else if (click) {
        r.p1 = p;
        ShowLine(view, p);
        Buttons(false);
        Enter(ArcState::ArcStart);
      }
      break;
    case ArcState::ArcStart:
      if (code == EV_ESC) {
        r.line.Clear(view);
        Buttons(true);
        Enter(ArcState::ArcCentre);
      } else if (move) {
        ShowLine(view, pointer);
      } else if (click) {
        r.p2 = p;
        r.line.Clear(view);
        r.start = LineAngle(r.p1.x, r.p1.y, p.x, p.y);
        r.end = TrackEnd(r.p1, p, r.start, r.start);
        ShowArc(view, SweptArc());
        Enter(ArcState::ArcEnd);
      }
      break;
    case ArcState::ArcEnd:
      if (code == EV_ESC) {
        r.arc.Clear(view);
        ShowLine(view, r.p2);
        Enter(ArcState::ArcStart);
      } else if (move) {
        r.end = TrackEnd(r.p1, pointer, r.end, r.start);
        ShowArc(view, SweptArc());
      } else if (click) {
        r.end = TrackEnd(r.p1, p, r.end, r.start);
        r.arc.Clear(view);
        Store(view, {SweptArc()});
        Buttons(true);
        Enter(ArcState::ArcCentre);
      }
      break;
    case ArcState::ThreeFirst:
      if (code == EV_ESC) {
        Buttons(true);
        Enter(ArcState::ArcCentre);
      } else if (click) {
        r.p1 = p;
        Enter(ArcState::ThreeSecond);
      }
      break;
    case ArcState::ThreeSecond:
      if (code == EV_ESC) {
        Enter(ArcState::ThreeFirst);
      } else if (click) {
        r.p2 = p;
        ShowArc(view, ArcThroughThree(r.p1, r.p2, p));
        Enter(ArcState::ThreeThrough);
      }
      break;
    case ArcState::ThreeThrough:
      if (code == EV_ESC) {
        r.arc.Clear(view);
        Enter(ArcState::ThreeSecond);
      } else if (move) {
        ShowArc(view, ArcThroughThree(r.p1, r.p2, pointer));
      } else if (click) {
        r.arc.Clear(view);
        Store(view, {ArcThroughThree(r.p1, r.p2, p)});
        Enter(ArcState::ThreeFirst);
      }
      break;
    case ArcState::TanPoint:
      if (code == EV_ESC) {
        Buttons(true);
        Enter(ArcState::ArcCentre);
      } else if (click) {
        r.p1 = p;
        ShowLine(view, p);
        Enter(ArcState::TanCircle);
      }
      break;
    case ArcState::TanCircle:
      if (code == EV_ESC) {
        r.line.Clear(view);
        Enter(ArcState::TanPoint);
      } else if (move) {
        ShowLine(view, pointer);
      } else if (click) {
        ArcParams curve;
        TGcell cell;
        TPointD at;
        if (!PickCurve(view, code, curve, cell) || !TangentPoint(r.p1, curve, ToWorld(view, PressPixel(code)), at))
          break;
        r.line.Clear(view);
        Store(view, {MakeLine(r.p1, at)});
        Enter(ArcState::TanPoint);
      }
      break;
    case ArcState::TwoFirst:
      if (code == EV_ESC) {
        Buttons(true);
        Enter(ArcState::ArcCentre);
      } else if (code == kSub1) {
        g_arcOp.options.crossed = !g_arcOp.options.crossed;
        TwoButtons();
      } else if (click) {
        ArcParams curve;
        TGcell cell;
        if (!PickCurve(view, code, curve, cell) || !IsRound(cell)) break;
        r.picked = cell;
        TGcell shown = cell;
        shown.pen |= PEN_SELECTED;
        r.pickedShown.Show(view, shown);
        Enter(ArcState::TwoSecond);
      }
      break;
    case ArcState::TwoSecond:
      if (code == EV_ESC) {
        r.pickedShown.Clear(view);
        Enter(ArcState::TwoFirst);
      } else if (click) {
        ArcParams curve;
        TGcell cell;
        if (!PickCurve(view, code, curve, cell) || !IsRound(cell)) break;
        r.pickedShown.Clear(view);
        Store(view, TwoCircleTangents(ArcOf(r.picked), curve, g_arcOp.options.crossed));
        Enter(ArcState::TwoFirst);
      }
      break;
    case ArcState::Idle: break;
  }
}

}  // namespace

// ---- Geometry ----------------------------------------------------------------------

double TrackEnd(TPointD c, TPointD p, double previousEnd, double start) {
  double a = LineAngle(c.x, c.y, p.x, p.y);
  if (!std::isfinite(a) || !std::isfinite(previousEnd) || !std::isfinite(start)) return previousEnd;
  if (a > previousEnd) a -= std::ceil((a - previousEnd) / k2Pi) * k2Pi;
  int tries = 0;
  while (std::fabs(a - previousEnd) >= kPi && tries < 4) {
    a += k2Pi;
    ++tries;
  }
  if (std::fabs(a - previousEnd) >= kPi) a = previousEnd;
  if (a > start + k2Pi) a -= std::ceil((a - start - k2Pi) / k2Pi) * k2Pi;
  if (a < start - k2Pi) a += std::ceil((start - k2Pi - a) / k2Pi) * k2Pi;
  if (a == start) a = start + 0.000000001;
  return a;
}

TGcell ArcThroughThree(TPointD p1, TPointD p2, TPointD p3) {
  const TPointD a = p2 - p1, b = p3 - p1;
  const double la = Length(a), lb = Length(b);
  // Coincident points, or all three on one line (P3 before, between or
  // behind): no circle passes through them, the line P1-P2 is drawn.
  if (!(la > 1e-9) || !(lb > 1e-9) || !(std::fabs(Cross(a, b)) / (la * lb) >= 0.0001)) return MakeLine(p1, p2);
  const TPointD u = a / la, n{-u.y, u.x};
  const double x3 = Dot(b, u), y3 = Dot(b, n);
  const double yc = ((x3 * x3 + y3 * y3) / 2 - la / 2 * x3) / y3;
  const TPointD c = p1 + (la / 2) * u + yc * n;
  double s = LineAngle(c.x, c.y, p1.x, p1.y), e = LineAngle(c.x, c.y, p2.x, p2.y);
  if (y3 >= 0) std::swap(s, e);
  if (e < s) e += k2Pi;
  TGcell arc = MakeArc({c.x, c.y, Dist(c, p1), 1, 0, s, e});
  if (!IsFinite(c) || !std::isfinite(arc.p[4])) return MakeLine(p1, p2);
  return arc;
}

bool TangentPoint(TPointD p, const ArcParams& curve, TPointD click, TPointD& at) {
  const double f = curve.f < 0.001 ? 1 : curve.f;
  const TPointD c{curve.cx, curve.cy};
  auto toFrame = [&](TPointD v) {
    TPointD q = Rotated(v - c, -curve.t);
    q.y /= f;
    return q;
  };
  const TPointD q = toFrame(p), k = toFrame(click);
  const double r = curve.r;
  // Inside or on the curve (an ellipse judged in its own circle): no tangent.
  if (!(Length(q) > r)) return false;
  const double d = std::max(Length(q), 0.000001);
  const double phi = std::atan2(q.y, q.x);
  const TPointD kk = Rotated(k, -phi);
  const double tx = r * r / d;
  double ty = std::sqrt(std::max(r * r - tx * tx, 0.0));
  if (kk.y < 0) ty = -ty;
  TPointD t = Rotated({tx, ty}, phi);
  t.y *= f;
  at = c + Rotated(t, curve.t);
  return IsFinite(at);
}

std::vector<TGcell> TwoCircleTangents(const ArcParams& first, const ArcParams& second, bool crossed) {
  const bool firstLarger = first.r >= second.r;
  const ArcParams& A = firstLarger ? first : second;
  const ArcParams& B = firstLarger ? second : first;
  const double R = A.r, r = B.r;
  const TPointD a{A.cx, A.cy}, b{B.cx, B.cy};
  const double d = Dist(a, b);
  const double K = LineAngle(a.x, a.y, b.x, b.y);
  const TPointD a0 = Rotated(a, -K), b0 = Rotated(b, -K);
  std::vector<std::pair<TPointD, TPointD>> lines;
  if (!crossed) {
    // Outer tangents exist while neither circle holds the other.
    if (!(d > R - r + 1e-9)) return {};
    if (R - r < 0.001) {
      lines = {{a0 + TPointD{0, R}, b0 + TPointD{0, r}}, {a0 - TPointD{0, R}, b0 - TPointD{0, r}}};
    } else {
      const double N = std::acos((R - r) / d);
      const TPointD up{std::cos(N), std::sin(N)}, down{std::cos(N), -std::sin(N)};
      lines = {{a0 + R * up, b0 + r * up}, {a0 + R * down, b0 + r * down}};
    }
  } else {
    if (!((R + r) * 1.001 < d)) return {};
    const double N = std::acos((R + r) / d);
    const double cn = std::cos(N), sn = std::sin(N);
    lines = {{a0 + R * TPointD{cn, sn}, b0 - r * TPointD{cn, sn}}, {a0 + R * TPointD{cn, -sn}, b0 + r * TPointD{-cn, sn}}};
  }
  std::vector<TGcell> out;
  for (const auto& [from, to] : lines) out.push_back(MakeLine(Rotated(from, K), Rotated(to, K)));
  return out;
}

void Op_Arc1(TGContext& view, int code, double x, double y) {
  ArcRun& r = S();
  if (code == EV_START) {
    g_arcOp.run = ArcRun{};
    Buttons(true);
    Enter(ArcState::ArcCentre);
  } else if (code == EV_END) {
    r.line.Clear(view);
    r.arc.Clear(view);
    r.pickedShown.Clear(view);
    Enter(ArcState::Idle);
    return;
  } else if (code == EV_REDRAW || r.state == ArcState::Idle) {
    return;
  } else if (code >= kSub1 && code <= EV_SUB7 && code != kSub2 && code != kSub3 &&
             !SubOption(code - EV_SUB1 + 1).enabled) {
    return;
  } else {
    OnEvent(view, code, x, y);
  }
  const ArcState s = r.state;
  const bool offsets = s != ArcState::TanCircle && s != ArcState::TwoFirst && s != ArcState::TwoSecond;
  ShowStep(PromptOf(s), CursorOf(s), offsets, offsets);
}
