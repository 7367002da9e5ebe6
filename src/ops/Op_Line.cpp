#include "ops/Op_Line.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "app/Ap_Offset.h"
#include "app/Ap_Unit1.h"
#include "app/GC_PointSearch.h"
#include "app/GC_View.h"
#include "kernel/Platform.h"
#include "kernel/Z_Basic.h"
#include "kernel/Z_Math.h"
#include "model/ComHst.h"
#include "model/PVC.h"
#include "ops/Op_LineConect.h"
#include "render/GC_Draw.h"

LineOpState g_lineOp;

namespace {

constexpr double kPi = std::numbers::pi;

// Sub-menu captions.
const char* const kHvOn = "①$ ┼ ";
const char* const kHvOff = "① ／ ";
const char* const kFix = "① 確 定 ";
const char* const kTwoPoints = "①２点間";
const char* const kLength = "②長さ";
const char* const kAngle = "③角度";
const char* const kBase = "④角度基線";
const char* const kBaseOn = "④$角度基線";
const char* const kRelEnd = "⑤終点数値";
const char* const kSpacing = "⑤線間隔";
const char* const kCurve = "⑥曲線";
const char* const kRadius = "⑥中心Ｒ";
const char* const kChain = "⑦２重連線";
const char* const kCentreOn = "⑦$中心作図";
const char* const kCentreOff = "⑦中心作図";

// The typed word that turns ③ into the mouse angle.
const char* const kMouseWord = "マウス";

// Centre lines of double-line chains: auxiliary pen 7, line type 5.
constexpr std::uint16_t kCentrePen = 0x57;
// An end this close to the start makes a point instead of a line.
constexpr double kPointEps = 0.01;
// Pixels between two chain clicks that count as the same point.
constexpr double kSameClickPx = 4;
// Corners turning more than this get no arcs.
constexpr double kMaxTurn = 0.9 * kPi;

LineOptions& Opt() { return g_lineOp.options; }
LineRun& S() { return g_lineOp.run; }

// Temporary cells show in the selection colour.
std::uint16_t SelectedPen() { return static_cast<std::uint16_t>(WritePen() | PEN_SELECTED); }

TGcell LineCell(TPointD a, TPointD b, std::uint16_t pen) {
  TGcell c = MakeLine(a, b);
  c.pen = pen;
  return c;
}

// ---- States, prompts and captions ----------------------------------------------

const char* PromptOf(LineState s) {
  switch (s) {
    case LineState::lsStart: return "・始点指示(L)or(R)";
    case LineState::lsEnd: return "◆終点指示(L)or(R)";
    case LineState::lsBasePick: return "基準線(L)、始点(R)";
    case LineState::lsBaseEnd: return "基準線終点(L)or(R)";
    case LineState::lsMouseAngle: return "マウス角度、原点指示(L)or(R)";
    case LineState::lsChainStart: return "・連線の始点指示(L)or(R)";
    case LineState::lsChainNext: return "◆連線の終点指示(L)or(R)、同一点２度クリックで終了";
    case LineState::lsCurveStart: return "曲線の始点指示(L)or(R)";
    case LineState::lsCurveNext: return "曲線の中間点指示(L)or(R)";
    case LineState::lsIdle: break;
  }
  return "";
}

void Enter(LineState s) {
  S().state = s;
  const bool picking = s == LineState::lsBasePick || s == LineState::lsBaseEnd;
  ShowStep(PromptOf(s), picking ? CursorShape::HandPoint : CursorShape::Arrow, s != LineState::lsBasePick, true);
}

bool IsChain(LineState s) { return s == LineState::lsChainStart || s == LineState::lsChainNext; }

// The buttons of the line and chain states. len and ang are the captions of
// ② and ③ to show (③ only in free mode).
void SetCaptions(LineState s, const std::string& len, const std::string& ang) {
  const LineOptions& o = Opt();
  ClearSubBtns();
  SetSubBtn(o.hv ? kHvOn : kHvOff, true);
  SetSubBtn(len, true);
  if (!o.hv) SetSubBtn(ang, true);
  SetSubBtn(S().baseSet ? kBaseOn : kBase, true);
  if (s == LineState::lsStart) {
    SetSubBtn(kCurve, true);
    SetSubBtn(kChain, true);
  } else if (s == LineState::lsEnd) {
    SetSubBtn(kRelEnd, true);
  } else if (IsChain(s)) {
    SetSubBtn(o.chainSpacing, true);
    SetSubBtn(o.chainRadius, true);
    SetSubBtn(o.centre ? kCentreOn : kCentreOff, true);
  }
}

// ---- Base line ---------------------------------------------------------------

void ShowBase(TGContext& view) { S().baseShown.Show(view, S().base); }

void ClearBase(TGContext& view) {
  S().baseShown.Clear(view);
  S().baseSet = false;
}

// Direction of the base line, 0 without one.
double BaseAngle(const TScaleFactors& k) {
  const LineRun& st = S();
  if (!st.baseSet) return 0;
  const TLineGeom b = LineOf(st.base);
  if (st.basePicked) return LineAngle(b.a.x * k.x, b.a.y * k.y, b.b.x * k.x, b.b.y * k.y);
  return LineAngle(b.a.x, b.a.y, b.b.x, b.b.y);
}

// ---- Constrained end point ---------------------------------------------------

TPointD ConstrainEnd(TPointD s, TPointD p) {
  const TScaleFactors k = WriteScale();
  const double len = std::fabs(SubBtnValue(2));
  const double d = BaseAngle(k);
  if (Opt().hv) {
    double sx, sy, px, py;
    RotatePoint(sx, sy, s.x, s.y, -d);
    RotatePoint(px, py, p.x, p.y, -d);
    const double dx = px - sx, dy = py - sy;
    double ex, ey;
    if (std::fabs(dy) >= std::fabs(dx)) {
      ex = sx;
      ey = len > 0 ? sy + SignOf(dy) * len / k.y : py;
    } else {
      ex = len > 0 ? sx + SignOf(dx) * len / k.x : px;
      ey = sy;
    }
    TPointD e;
    RotatePoint(e.x, e.y, ex, ey, d);
    return e;
  }
  if (const TSubOption angle = SubOption(3); angle.enabled && angle.hasNumber) {
    // Whole turns off first: stepping them off one by one never ends for a
    // huge typed angle.
    double g = std::fmod(std::fabs(DegToRad(angle.value)), 2 * kPi);
    while (g > kPi) g = std::fabs(g - 2 * kPi);
    if (g > kPi / 2) g = 2 * kPi - g;
    double u, v;
    RotatePoint(u, v, p.x - s.x, p.y - s.y, -d);
    if (u >= 0 && v < 0) g = -g;
    else if (u < 0 && v >= 0) g = kPi - g;
    else if (u < 0 && v < 0) g = g - kPi;
    const double a = d + g;
    const double l = len > 0 ? len : (p.x - s.x) * k.x * std::cos(a) + (p.y - s.y) * k.y * std::sin(a);
    return {s.x + l * std::cos(a) / k.x, s.y + l * std::sin(a) / k.y};
  }
  // Free: to the pointer, or the typed length towards it (measured at the
  // group's scale, so the line keeps the pointer's direction on paper).
  if (!(len > 0)) return p;
  const double dx = (p.x - s.x) * k.x, dy = (p.y - s.y) * k.y;
  const double a = LineAngle(0, 0, dx, dy);
  return {s.x + len * std::cos(a) / k.x, s.y + len * std::sin(a) / k.y};
}

// ---- Single lines ------------------------------------------------------------

// The rubber cell from the start to e: a line, or a point when e is at the start.
void SetRubber(TGContext& view, TPointD e) {
  const LineRun& st = S();
  TGcell c = Dist(st.start, e) < kPointEps ? MakePoint(st.start) : MakeLine(st.start, e);
  c.pen = SelectedPen();
  S().rubber.Show(view, c);
}

bool RubberIsPoint() {
  const std::vector<TGcell>& r = S().rubber.Cells();
  return !r.empty() && r.front().kind == GK_POINT;
}

// A fresh start with the given captions of ② and ③: no rubber line, no
// base line.
void Restart(TGContext& view, const std::string& len, const std::string& ang) {
  S().rubber.Clear(view);
  ClearBase(view);
  SetCaptions(LineState::lsStart, len, ang);
  Enter(LineState::lsStart);
}

// Restart with the values of ② and ③ still in force.
void RestartKeeping(TGContext& view) {
  const TSubOption len = SubOption(2), ang = SubOption(3);
  Restart(view, len.raw, ang.enabled ? ang.raw : std::string(kAngle));
}

void BeginLine(TGContext& view, TPointD s) {
  S().start = s;
  SetRubber(view, s);
  SetSubBtn(kRelEnd, true);
  SetSubBtn("⑥", false);
  SetSubBtn("⑦", false);
  Enter(LineState::lsEnd);
}

// Stores the line from the start to e (a point when the rubber was one) as
// one undo step; with Shift the end starts the next line.
void FinishLine(TGContext& view, TPointD e) {
  LineRun& st = S();
  SetRubber(view, e);
  st.rubber.Hide(view);
  const bool point = RubberIsPoint();
  GcellCommit();
  StoreOnWrite(view, point ? MakePoint(st.start) : MakeLine(st.start, e));
  ShowDataCount();
  if (g_manager.shiftAtClick & ssShift) {
    if (!point) st.start = e;
    SetRubber(view, st.start);
    Enter(LineState::lsEnd);
  } else {
    RestartKeeping(view);
  }
}

// ---- Double-line chains -------------------------------------------------------

enum { kLeft = 0, kRight = 1, kCentre = 2 };

double ChainSpacing(const TScaleFactors& k) { return std::fabs(SubBtnValue(5)) / k.x; }
double ChainRadius(const TScaleFactors& k) { return std::fabs(SubBtnValue(6)) / k.x; }

TPointD From(const TGcell& c) { return LineOf(c).a; }
TPointD To(const TGcell& c) { return LineOf(c).b; }

// Which of the three lines a chain of spacing w builds. The centre line is
// built whenever it differs from the left one; ⑦ decides whether it is shown
// and stored.
bool ChainUses(int i, double w) {
  return i == kLeft || w > 0;  // without spacing the left line is the centre line
}

// The segment from s to e: its untrimmed lines, no corners yet.
void BuildSegment(TChainSegment& seg, TPointD s, TPointD e, double w) {
  const std::uint16_t pen = static_cast<std::uint16_t>((WritePen() & PEN_NUMBER_MASK) | PEN_SELECTED);
  const TPointD o = UnitVector(LineAngle(s.x, s.y, e.x, e.y) + kPi / 2) * (w / 2);
  seg = TChainSegment{};
  seg.line[kLeft] = LineCell(s + o, e + o, pen);
  seg.line[kRight] = LineCell(s - o, e - o, pen);
  seg.line[kCentre] = LineCell(s, e, pen);
  for (int i = 0; i < 3; ++i) {
    if (!ChainUses(i, w)) seg.line[i].kind = 0;
    seg.start[i] = From(seg.line[i]);
    seg.end[i] = To(seg.line[i]);
  }
}

double SegLength(const TChainSegment& seg) { return Dist(From(seg.line[kCentre]), To(seg.line[kCentre])); }

// Rounds the corner between prev and cur, from their untrimmed lines: the
// ends of prev's lines and the starts of cur's lines move to the arcs.
void JoinChain(TChainSegment& prev, TChainSegment& cur, double w, double r) {
  for (int i = 0; i < 3; ++i) {
    prev.end[i] = To(prev.line[i]);
    prev.endCut[i] = false;
    cur.start[i] = From(cur.line[i]);
    cur.startCut[i] = false;
    cur.hasArc[i] = false;
  }
  const double prevLen = SegLength(prev);
  if (prevLen < 0.001 || SegLength(cur) < 0.001) return;
  const TLineGeom a = LineOf(prev.line[kCentre]), b = LineOf(cur.line[kCentre]);
  const double turn = RelativeAngle(a.a.x, a.a.y, a.b.x, a.b.y, b.a.x, b.a.y, b.b.x, b.b.y);
  if (std::fabs(turn) > kMaxTurn || prevLen < std::min(r, w / 2)) return;
  const double outer = r + w / 2, inner = std::max(r - w / 2, 0.0);
  for (int i = 0; i < 3; ++i) {
    if (prev.line[i].kind != GK_LINE || cur.line[i].kind != GK_LINE) continue;
    double radius = r;
    if (i == kLeft && w > 0) radius = turn > 0 ? inner : outer;
    if (i == kRight) radius = turn > 0 ? outer : inner;
    const TJoinResult j = RoundCorner(prev.line[i], cur.line[i], radius);
    if (!j.ok()) continue;
    prev.end[i] = To(j.line1);
    prev.endCut[i] = !j.keep1;
    cur.start[i] = From(j.line2);
    cur.startCut[i] = !j.keep2;
    if (j.hasCorner) {
      cur.arc[i] = j.corner;
      cur.hasArc[i] = true;
    }
  }
}

// Line i of a segment between its trimmed ends; false when nothing is left
// of it (the corners used it up or overlap).
bool TrimmedLine(const TChainSegment& seg, int i, TGcell& out) {
  const TGcell& l = seg.line[i];
  if (l.kind != GK_LINE || seg.startCut[i] || seg.endCut[i]) return false;
  const TPointD a = seg.start[i], b = seg.end[i];
  const TLineGeom g = LineOf(l);
  if (!(Dot(b - a, g.b - g.a) > 0) || Dist(a, b) < 0.001) return false;
  out = l;
  SetLine(out, a, b);
  return true;
}

// The cells of a segment in storing order: left and right lines, their
// arcs, the centre line and its arc (while ⑦ is on). To store, the sides
// take the write layer and pen, the centre line and its arc the centre pen.
// leftOnly leaves out the right and centre cells.
std::vector<TGcell> SegmentCells(const TChainSegment& seg, bool store = false, bool leftOnly = false) {
  std::vector<TGcell> out;
  auto put = [&](TGcell c, bool centre) {
    if (store) {
      c.layer = WriteLayer();
      c.pen = centre ? kCentrePen : WritePen();
    }
    out.push_back(std::move(c));
  };
  TGcell c;
  const int sides = leftOnly ? 1 : 2;
  for (int i = 0; i < sides; ++i)
    if (TrimmedLine(seg, i, c)) put(c, false);
  for (int i = 0; i < sides; ++i)
    if (seg.hasArc[i]) put(seg.arc[i], false);
  if (leftOnly || !Opt().centre) return out;
  if (TrimmedLine(seg, kCentre, c)) put(c, true);
  if (seg.hasArc[kCentre]) put(seg.arc[kCentre], true);
  return out;
}

// Feedback of a segment whose lines lie within a pixel of each other: XOR
// would let two coincident lines cancel out, so only one side is shown.
std::vector<TGcell> SegmentFeedback(const TGContext& view, const TChainSegment& seg) {
  const TGcell& l = seg.line[kLeft];
  const TGcell& r = seg.line[kRight];
  const bool thin = r.kind != GK_LINE || Dist(From(l), From(r)) < G_PixelSize(view);
  return SegmentCells(seg, false, thin);
}

std::vector<TGcell> ChainFeedback(const TGContext& view) {
  const LineRun& st = S();
  std::vector<TGcell> out;
  if (st.hasPrev) out = SegmentFeedback(view, st.prev);
  for (TGcell& c : SegmentFeedback(view, st.cur)) out.push_back(std::move(c));
  return out;
}

void ShowChain(TGContext& view) { S().chainShown.Show(view, ChainFeedback(view)); }

// The current segment now ends at e: rebuilt, joined and drawn again.
void ChainTo(TGContext& view, TPointD e) {
  LineRun& st = S();
  const TScaleFactors k = WriteScale();
  const double w = ChainSpacing(k), r = ChainRadius(k);
  BuildSegment(st.cur, From(st.cur.line[kCentre]), e, w);
  if (st.hasPrev) JoinChain(st.prev, st.cur, w, r);
  ShowChain(view);
}

// Stores the previous segment's cells as one undo step.
void StorePrevSegment(TGContext& view) {
  GcellCommit();
  for (const TGcell& c : SegmentCells(S().prev, true)) StoreCell(view, c);
  ShowDataCount();
}

void EndChain(TGContext& view) {
  LineRun& st = S();
  st.chainShown.Clear(view);
  st.hasPrev = false;
  st.cur = TChainSegment{};
  st.prev = TChainSegment{};
}

void EnterChainMode(TGContext& view) {
  S().rubber.Clear(view);
  ClearBase(view);
  SetCaptions(LineState::lsChainStart, kLength, kAngle);
  Enter(LineState::lsChainStart);
}

// ---- Curves ------------------------------------------------------------------

int FixedCount() {
  const LineRun& st = S();
  return static_cast<int>(st.curve.size()) - (st.curveMoving ? 1 : 0);
}

// The marker's slot now (0 when there is none), kept up to date across the
// store's compactions.
int MarkerSlot() {
  LineRun& st = S();
  const int i = st.marker.index > 0 ? GcellResolve(st.marker) : 0;
  st.marker = i > 0 ? GcellRefOf(i) : TCellRef{};
  return i;
}

// The curve's feedback: the polyline through its points and the marker at
// the first point, in XOR. The marker is a stored point too (so a right
// click can close the curve on it), drawn normally beneath the XOR mark.
std::vector<TGcell> CurveFeedback() {
  const LineRun& st = S();
  std::vector<TGcell> out;
  for (std::size_t i = 1; i < st.curve.size(); ++i)
    if (Dist(st.curve[i - 1], st.curve[i]) > 0) out.push_back(LineCell(st.curve[i - 1], st.curve[i], SelectedPen()));
  if (const int mi = MarkerSlot(); mi > 0 && GcellLive(mi)) {
    TGcell m = GcellGet(mi);
    m.pen = static_cast<std::uint16_t>(m.pen | PEN_SELECTED);
    out.push_back(m);
  }
  return out;
}

void ShowCurve(TGContext& view) { S().curveShown.Show(view, CurveFeedback()); }

void RemoveMarker(TGContext& view) {
  LineRun& st = S();
  if (const int mi = MarkerSlot(); mi > 0 && GcellLive(mi)) {
    EraseCell(view, GcellGet(mi));
    GcellErase(mi);
  }
  st.marker = {};
}

void ClearCurve(TGContext& view) {
  LineRun& st = S();
  st.curveShown.Clear(view);
  RemoveMarker(view);
  st.curve.clear();
  st.curveMoving = false;
}

void EnterCurveMode(TGContext& view) {
  ClearBase(view);
  ClearCurve(view);
  ClearSubBtns();
  Enter(LineState::lsCurveStart);
}

void FinishCurve(TGContext& view) {
  LineRun& st = S();
  std::vector<TPointD> fixed(st.curve.begin(), st.curve.begin() + FixedCount());
  SetSubBtn("①", false);
  ClearCurve(view);
  GcellCommit();
  const std::vector<TPointD> q = SmoothCurve(fixed);
  for (std::size_t i = 1; i < q.size(); ++i) StoreOnWrite(view, MakeLine(q[i - 1], q[i]));
  ShowDataCount();
  Enter(LineState::lsCurveStart);
}

// ---- Typed values ----------------------------------------------------------------

// The value of button n typed (text, half-width) and confirmed.
void ValueTyped(TGContext& view, int n, const std::string& text) {
  LineRun& st = S();
  const LineState s = st.state;
  switch (n) {
    case 2:
      SetSubValue(kLength, text);
      break;
    case 3:
      if (text == ToHalfWidth(kMouseWord, false)) {
        SetSubValue(kAngle, kMouseWord);
        ClearBase(view);
        ClearSubBtns();
        SetSubBtn(kTwoPoints, true);
        st.resume = s;
        Enter(LineState::lsMouseAngle);
      } else {
        SetSubValue(kAngle, text);
      }
      break;
    case 5:
      if (IsChain(s)) {
        Opt().chainSpacing = std::string(kSpacing) + "=" + text;
        SetSubBtn(Opt().chainSpacing, true);
      } else if (s == LineState::lsEnd) {
        std::string t = text;
        if (!t.empty() && t[0] == '=') t.erase(0, 1);
        const double dx = EvalField(t, 1), dy = EvalField(t, 2);
        if (dx == 0 && dy == 0) return;
        const TScaleFactors k = WriteScale();
        FinishLine(view, {st.start.x + dx / k.x, st.start.y + dy / k.y});
      }
      break;
    case 6:
      Opt().chainRadius = std::string(kRadius) + "=" + text;
      SetSubBtn(Opt().chainRadius, true);
      break;
    default:
      break;
  }
}

// ---- Events by state ---------------------------------------------------------

void EndOp(TGContext& view) {
  LineRun& st = S();
  st.rubber.Clear(view);
  ClearBase(view);
  EndChain(view);
  ClearCurve(view);
  st.state = LineState::lsIdle;
}

void StartOp(TGContext& view) {
  EndOp(view);  // nothing of an earlier run stays, not even a missed end
  g_lineOp.run = LineRun{};
  Restart(view, kLength, kAngle);
}

// Sub-menu events shared by the line and chain states.
bool CommonSub(TGContext& view, int code) {
  LineRun& st = S();
  switch (code) {
    case EV_SUB1: {
      bool& hv = Opt().hv;
      hv = !hv;
      SetSubBtn(hv ? kHvOn : kHvOff, true);
      if (hv) SetSubBtn("③", false);
      else SetSubBtn(kAngle, true);
      return true;
    }
    case EV_SUB1 + 1:
      OpenValueEntry(2, "  線の長さ(mm)", HstList::LineLength);
      return true;
    case EV_SUB1 + 2:
      OpenValueEntry(3, "       角度(ﾟ)", HstList::Angle);
      return true;
    case EV_SUB1 + 3:
      if (st.baseSet) {
        ClearBase(view);
        SetSubBtn(kBase, true);
      } else {
        st.resume = st.state;
        ShowSubButtons(false);
        Enter(LineState::lsBasePick);
      }
      return true;
    default:
      return false;
  }
}

// Back from picking a base line.
void ResumeAfterBase() {
  LineRun& st = S();
  ShowSubButtons(true);
  SetSubBtn(st.baseSet ? kBaseOn : kBase, true);
  Enter(st.resume);
}

void OnStart(TGContext& view, int code) {
  if (CommonSub(view, code)) return;
  TPointD p;
  if (IsClick(code)) {
    if (ClickPoint(view, code, p)) BeginLine(view, p);
  } else if (code == EV_SUB1 + 5) {
    EnterCurveMode(view);
  } else if (code == EV_SUB7) {
    EnterChainMode(view);
  } else if (code == EV_ESC) {
    Restart(view, kLength, kAngle);
  }
}

void OnEnd(TGContext& view, int code, double x, double y) {
  LineRun& st = S();
  if (CommonSub(view, code)) return;
  TPointD p;
  if (code == EV_MOVE || code == EV_RDOWN) {
    SetRubber(view, ConstrainEnd(st.start, PointerPoint(view, code, x, y)));
  } else if (IsClick(code)) {
    if (ClickPoint(view, code, p)) FinishLine(view, ConstrainEnd(st.start, p));
  } else if (code == EV_SUB1 + 4) {
    OpenValueEntry(5, "終点相対位置(X,Y)", HstList::LineRelEnd);
  } else if (code == EV_ESC) {
    st.rubber.Clear(view);
    RestartKeeping(view);
  }
}

void OnBasePick(TGContext& view, int code) {
  LineRun& st = S();
  if (code == EV_LCLICK) {
    const TPointD p = ToWorld(view, g_manager.leftPressPos);
    const int i = PickNearest(view, false, p.x, p.y);
    if (i <= 0 || GcellRef(i).kind != GK_LINE) return;
    st.base = GcellGet(i);
    st.base.pen = static_cast<std::uint16_t>(st.base.pen | PEN_SELECTED);
    st.basePicked = false;
    st.baseSet = true;
    ShowBase(view);
    ResumeAfterBase();
  } else if (code == EV_RCLICK) {
    TPointD p;
    if (!ClickPoint(view, code, p)) return;
    st.base = LineCell(p, p, SelectedPen());
    st.basePicked = true;
    ShowBase(view);
    Enter(LineState::lsBaseEnd);
  } else if (code == EV_ESC) {
    ResumeAfterBase();
  }
}

void OnBaseEnd(TGContext& view, int code, double x, double y) {
  LineRun& st = S();
  TPointD p;
  if (code == EV_MOVE || code == EV_RDOWN) {
    p = PointerPoint(view, code, x, y);
  } else if (IsClick(code)) {
    if (!ClickPoint(view, code, p)) return;
  } else {
    if (code == EV_ESC) {
      ClearBase(view);
      Enter(LineState::lsBasePick);
    }
    return;
  }
  SetLine(st.base, LineOf(st.base).a, p);
  ShowBase(view);
  if (IsClick(code)) {
    st.baseSet = true;
    ResumeAfterBase();
  }
}

void OnMouseAngle(TGContext& view, int code) {
  LineRun& st = S();
  TPointD p;
  if (IsClick(code)) {
    ClickPoint(view, code, p);  // taken, nothing follows from it
  } else if (code == EV_SUB1) {
    SetSubBtn("①", false);
  } else if (code == EV_ESC) {
    const LineState back = st.resume;
    SetCaptions(IsChain(back) ? back : back == LineState::lsEnd ? LineState::lsEnd : LineState::lsStart, kLength,
                kAngle);
    if (back == LineState::lsEnd) SetRubber(view, st.start);
    Enter(back);
  }
}

// ⑤ spacing, ⑥ radius, ⑦ centre line in the chain states.
bool ChainSub(TGContext& view, int code) {
  LineRun& st = S();
  switch (code) {
    case EV_SUB1 + 4:
      OpenValueEntry(5, "　２線の間隔(mm)", HstList::Spacing);
      return true;
    case EV_SUB1 + 5:
      OpenValueEntry(6, "中心線の半径(mm)", HstList::LineRadius);
      return true;
    case EV_SUB7: {
      bool& centre = Opt().centre;
      centre = !centre;
      SetSubBtn(centre ? kCentreOn : kCentreOff, true);
      if (st.state == LineState::lsChainNext) ChainTo(view, To(st.cur.line[kCentre]));
      return true;
    }
    default:
      return false;
  }
}

void OnChainStart(TGContext& view, int code) {
  LineRun& st = S();
  if (CommonSub(view, code)) return;
  TPointD p;
  if (IsClick(code)) {
    if (!ClickPoint(view, code, p)) return;
    BuildSegment(st.cur, p, p, ChainSpacing(WriteScale()));
    st.hasPrev = false;
    st.lastClickPx = PressPixel(code);
    Enter(LineState::lsChainNext);
  } else if (!ChainSub(view, code) && code == EV_ESC) {
    Restart(view, kLength, kAngle);  // back to single lines
  }
}

void OnChainNext(TGContext& view, int code, double x, double y) {
  LineRun& st = S();
  if (CommonSub(view, code) || ChainSub(view, code)) return;
  const TPointD s = From(st.cur.line[kCentre]);
  TPointD p;
  if (code == EV_MOVE) {
    ChainTo(view, ConstrainEnd(s, ToWorld(view, {x, y})));
  } else if (IsClick(code)) {
    if (!ClickPoint(view, code, p)) return;
    const TPointD px = PressPixel(code);
    const bool same = Dist(px, st.lastClickPx) <= kSameClickPx;
    // The same point twice ends the chain: the last segment keeps its full end.
    const TPointD e = same ? s : ConstrainEnd(s, p);
    ChainTo(view, e);
    st.chainShown.Hide(view);
    if (st.hasPrev) StorePrevSegment(view);
    st.prev = st.cur;
    st.hasPrev = true;
    if (same) {
      EndChain(view);
      ClearBase(view);
      SetSubBtn(kBase, true);
      Enter(LineState::lsChainStart);
      return;
    }
    st.lastClickPx = px;
    BuildSegment(st.cur, e, e, ChainSpacing(WriteScale()));
    ShowChain(view);
  } else if (code == EV_ESC) {
    EndChain(view);
    Enter(LineState::lsChainStart);
  }
}

void OnCurveStart(TGContext& view, int code) {
  LineRun& st = S();
  TPointD p;
  if (IsClick(code)) {
    if (!ClickPoint(view, code, p)) return;
    st.curve = {p, p};
    st.curveMoving = true;
    const int mi = GcellAddPoint(WriteLayer(), WritePen(), p.x, p.y);
    st.marker = mi > 0 ? GcellRefOf(mi) : TCellRef{};
    if (mi > 0) DrawCell(view, GcellRef(mi));
    ShowCurve(view);
    Enter(LineState::lsCurveNext);
  } else if (code == EV_ESC) {
    ClearCurve(view);
    Restart(view, kLength, kAngle);
  }
}

void OnCurveNext(TGContext& view, int code, double x, double y) {
  LineRun& st = S();
  TPointD p;
  if (code == EV_MOVE || code == EV_RDOWN) {
    if (!st.curveMoving) return;  // full: no point follows the pointer
    st.curve.back() = PointerPoint(view, code, x, y);
    ShowCurve(view);
  } else if (IsClick(code)) {
    if (!st.curveMoving) {
      Platform().Beep();
      return;
    }
    if (!ClickPoint(view, code, p)) return;
    st.curve.back() = p;
    st.curveMoving = static_cast<int>(st.curve.size()) < kCurveMaxPoints;
    if (st.curveMoving) st.curve.push_back(p);
    ShowCurve(view);
    if (FixedCount() >= 3) SetSubBtn(kFix, true);
  } else if (code == EV_ESC) {
    if (st.curveMoving) st.curve.pop_back();
    if (!st.curve.empty()) {
      st.curve.back() = ToWorld(view, g_manager.lastMousePos);
      st.curveMoving = true;
    }
    if (FixedCount() < 3) SetSubBtn("①", false);
    if (FixedCount() <= 0) {
      ClearCurve(view);
      Enter(LineState::lsCurveStart);
      return;
    }
    ShowCurve(view);
  } else if (code == EV_SUB1 && FixedCount() >= 3) {
    FinishCurve(view);
  }
}

}  // namespace

void Op_Line_Reset() {
  g_lineOp = LineOpState{};
  g_lineOp.options.chainSpacing = kSpacing;
  g_lineOp.options.chainRadius = kRadius;
}

void Op_Line(TGContext& view, int code, double x, double y) {
  LineRun& st = S();
  switch (code) {
    case EV_START:
      StartOp(view);
      return;
    case EV_END:
      EndOp(view);
      return;
    case EV_REDRAW:
      return;  // the kit draws the feedback again
    default:
      break;
  }
  if (st.state == LineState::lsIdle) return;
  // A value being typed: only Enter and Esc count.
  if (const int n = ValueEntryButton()) {
    if (code == EV_ENTER || code == EV_ESC) {
      const std::string text = TakeValueEntry(code);
      if (!text.empty()) ValueTyped(view, n, text);
    }
    return;
  }
  if (code >= EV_SUB1 && code <= EV_SUB7 && !SubOption(code - EV_SUB1 + 1).enabled) return;
  switch (st.state) {
    case LineState::lsStart: OnStart(view, code); break;
    case LineState::lsEnd: OnEnd(view, code, x, y); break;
    case LineState::lsBasePick: OnBasePick(view, code); break;
    case LineState::lsBaseEnd: OnBaseEnd(view, code, x, y); break;
    case LineState::lsMouseAngle: OnMouseAngle(view, code); break;
    case LineState::lsChainStart: OnChainStart(view, code); break;
    case LineState::lsChainNext: OnChainNext(view, code, x, y); break;
    case LineState::lsCurveStart: OnCurveStart(view, code); break;
    case LineState::lsCurveNext: OnCurveNext(view, code, x, y); break;
    case LineState::lsIdle: break;
  }
}

std::vector<TPointD> SmoothCurve(const std::vector<TPointD>& pts) {
  constexpr int m = 5;
  const int n = static_cast<int>(pts.size());
  if (n < 2) return pts;
  const int N = 1 + m * (n - 1);
  // q[1..N] the polyline, q[0] and q[N + 1] guards.
  std::vector<TPointD> q(static_cast<std::size_t>(N) + 2);
  q[1] = pts[0];
  int k = 2;
  for (int i = 0; i + 1 < n; ++i)
    for (int u = 1; u <= m; ++u) {
      const double t = std::min((u - 0.5) / (m - 1), 1.0);
      q[k++] = pts[i] + t * (pts[i + 1] - pts[i]);
    }
  auto angle = [&](int a, int b) { return LineAngle(q[a].x, q[a].y, q[b].x, q[b].y); };
  auto turn = [&](int a, int b, int c) {
    return RelativeAngle(q[a].x, q[a].y, q[b].x, q[b].y, q[b].x, q[b].y, q[c].x, q[c].y);
  };
  const bool closed = Dist(q[N], q[1]) < 0.001;
  for (int sweep = 1; sweep <= 2 * m * m; ++sweep) {
    if (closed) {
      q[0] = q[N - 1];
      q[N + 1] = q[2];
    } else {
      q[0] = 2 * q[1] - q[2];
      q[N + 1] = 2 * q[N] - q[N - 1];
    }
    const bool up = sweep % 2 == 0;
    for (int j = 2; j <= N - 1; ++j) {
      const int p = up ? j : N + 1 - j;
      if ((p - 1) % m == 0) continue;  // a clicked point stays
      const double k1 = turn(p - 2, p - 1, p) / std::max(Dist(q[p - 1], q[p]), 0.001);
      const double k2 = turn(p, p + 1, p + 2) / std::max(Dist(q[p], q[p + 1]), 0.001);
      const double c = Dist(q[p - 1], q[p + 1]);
      const double phi = std::clamp(-(k1 + k2) / 2 * c, -kPi / 2, kPi / 2);
      const double th = angle(p - 1, p + 1);
      const double h = (c / 2) / std::max(std::cos(phi / 2), 0.001);
      const TPointD a = q[p - 1], b = q[p + 1], o = q[p];
      q[p] = {(a.x + h * std::cos(th + phi) + 2.1 * o.x + 2.9 * (a.x + b.x) / 2) / 6,
              (a.y + h * std::sin(th + phi) + 2.1 * o.y + 2.9 * (a.y + b.y) / 2) / 6};
    }
  }
  return {q.begin() + 1, q.begin() + N + 1};
}
