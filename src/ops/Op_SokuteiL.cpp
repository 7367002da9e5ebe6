#include "ops/Op_SokuteiL.h"

#include <cmath>

#include "app/ApManager.h"
#include "app/Ap_Unit1.h"
#include "app/GC_PointSearch.h"
#include "app/GC_View.h"
#include "kernel/Platform.h"
#include "kernel/Z_Basic.h"
#include "kernel/Z_Math.h"
#include "model/ComHst.h"
#include "model/PVC.h"
#include "ops/OpRange.h"
#include "render/GC_Draw.h"

SokuteiLOpState g_sokuteiLOp;

void Op_SokuteiL_Reset() { g_sokuteiLOp = SokuteiLOpState{}; }

namespace {

constexpr std::uint16_t kSegmentPen = 0x8021;  // dotted, in the XOR colour

SokuteiLRun& S() { return g_sokuteiLOp.run; }

void ShowSegments(TGContext& view) {
  const SokuteiLRun& r = S();
  TGcell ab = MakeLine(r.a, r.b), bc = MakeLine(r.b, r.c);
  ab.pen = bc.pen = kSegmentPen;
  S().segments.Show(view, {ab, bc});
}

// The result line of the segment a–b: in the group of the line under the
// click, else the write group.
void ShowResult(TGContext& view, TPointD clicked) {
  const SokuteiLRun& r = S();
  const TGcell under = PickPrimitive(view, false, clicked.x, clicked.y);
  const TScaleFactors f =
      GroupFactors(CurPVC(), under.kind != 0 ? under.layer : static_cast<std::uint8_t>(CurPVC().writeLayer));
  const double dx = (r.b.x - r.a.x) * f.x, dy = (r.b.y - r.a.y) * f.y;
  g_form1.edCommon.text = Format(" θ= %.3fﾟ", {RadToDeg(LineAngle(0, 0, dx, dy))}) + " / L= " +
                          FormatLength(std::hypot(dx, dy)) + " ( X= " + FormatLength(std::fabs(dx)) +
                          " / Y= " + FormatLength(std::fabs(dy)) + " )";
  Form1Changed();
}

// A click's point: the free press, or the right press snapped (a beep and
// false when nothing is near); the click offset added.
bool PointOfClick(TGContext& view, int code, TPointD& p) { return ClickPoint(view, code, p); }

// A text of "@" without "=" is a pitch mark, not a number to add.
bool PitchMark(const TGcell& t) {
  const std::string s = ToHalfWidth(t.text.str(), false);
  return s.find('@') != std::string::npos && s.find('=') == std::string::npos;
}

void SelectTexts(TGContext& view, TPointD a, TPointD b) {
  const TGcell rect = MakeRect({std::min(a.x, b.x), std::min(a.y, b.y)}, std::fabs(b.x - a.x), std::fabs(b.y - a.y));
  const int w = StoreWindow();
  for (int i = 1, n = StoreUsed(); i <= n; ++i) {
    const TGcell& c = GcellRef(i);
    if (c.window != w || c.kind != GK_TEXT || !IsCellShown(c)) continue;
    if (RangeRectTest(rect, c) == RT_INSIDE && !PitchMark(c)) GcellSelect(i);
  }
  ViewRedraw(0);
  (void)view;
}

void ShowState() {
  const int s = S().state;
  ShowStep(s == 3 ? "文字選択範囲を指示 (L)" : s == 4 ? "除外,追加データ指示(L)or(R)" : "測点を指示(L)or(R)",
           s == 4 ? CursorShape::AddExclude : CursorShape::Arrow, s == 1 || s == 2, s == 1 || s == 2);
}

}  // namespace

std::string FormatLength(double mm) {
  const bool metres = mm >= 1'000'000;
  std::string s = Format("%.4f", {metres ? mm / 1000 : mm});
  for (int k = 0; k < 4 && !s.empty() && s.back() == '0'; ++k) s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  return s + (metres ? "ｍ" : "mm");
}

void SumNumbers() {
  double sum = 0;
  const int w = StoreWindow();
  for (int i = 1, n = StoreUsed(); i <= n; ++i) {
    const TGcell& c = GcellRef(i);
    if (c.window != w || c.kind != GK_TEXT || !(c.pen & PEN_SELECTED) || !IsCellShown(c)) continue;
    const std::string s = ToHalfWidth(c.text.str(), false);
    const std::size_t eq = s.find('=');
    sum += ParseReal(eq == std::string::npos ? s : s.substr(eq + 1));
  }
  const std::string s = Format("  %f", {sum});
  g_form1.edCommon.text = "数値合計" + s + ToFullWidth(s);
  Form1Changed();
}

void OpenResultBox(int historyList) {
  EntryOpen(0, "", HistoryList(historyList));
  g_form1.edCommon.readOnly = true;
  g_form1.PvEdit.width = 810;
  g_form1.edCommon.text.clear();
  Form1Changed();
}

void CloseResultBox() {
  g_form1.edCommon.readOnly = false;
  EntryClose();
}

void Op_SokuteiL(TGContext& view, int code, double x, double y) {
  SokuteiLRun& r = S();
  if (code == EV_START) {
    r = SokuteiLRun{};
    OpenResultBox(0);
    r.state = 1;
    ShowState();
    return;
  }
  if (code == EV_END) {
    r.segments.Clear(view);
    r.rubber.Clear(view);
    UnselectAllRedraw(view);
    CloseResultBox();
    r.state = 0;
    return;
  }
  if (r.state == 0) return;
  if (code == EV_REDRAW) return;  // the feedback comes back by itself; the result stays
  const TPointD pointer = PointerPoint(view, code, x, y);
  TPointD p;
  switch (r.state) {
    case 1:
      if (code == EV_LCLICK && ((g_manager.shiftAtClick & ssShift) ||
                                Length(PressPixel(EV_LCLICK) - TPointD{x, y}) > 30)) {
        r.from = ToWorld(view, PressPixel(code));
        TGcell box = MakeRangeRect(r.from, kRangePenMoving);
        const TPointD to = ToWorld(view, {x, y});
        box.p[2] = to.x - r.from.x;
        box.p[3] = to.y - r.from.y;
        r.rubber.Show(view, box);
        r.state = 3;
      } else if (IsClick(code) && PointOfClick(view, code, p)) {
        r.a = r.b = r.c = p;
        ShowSegments(view);
        r.state = 2;
      }
      break;
    case 2:
      if (code == EV_MOVE || code == EV_RDOWN) {
        r.c = pointer;
        ShowSegments(view);
      } else if (IsClick(code) && PointOfClick(view, code, p)) {
        r.a = r.b;
        r.b = r.c = p;
        ShowSegments(view);
        ShowResult(view, ToWorld(view, PressPixel(code)));
      }
      break;
    case 3:
      if (code == EV_ESC) {
        r.rubber.Clear(view);
        r.state = 1;
      } else if (code == EV_MOVE || code == EV_RDOWN) {
        TGcell box = MakeRangeRect(r.from, kRangePenMoving);
        box.p[2] = pointer.x - r.from.x;
        box.p[3] = pointer.y - r.from.y;
        r.rubber.Show(view, box);
      } else if (code == EV_LCLICK) {
        r.rubber.Clear(view);
        SelectTexts(view, r.from, ToWorld(view, PressPixel(code)));
        SumNumbers();
        r.state = 4;
      }
      break;
    case 4:
      if (code == EV_ESC) {
        UnselectAllRedraw(view);
        r.state = 1;
      } else if (IsClick(code)) {
        const TPointD at = ToWorld(view, PressPixel(code));
        const int i = PickText(false, at.x, at.y);
        if (i > 0) {
          GcellToggleSelect(i);
          DrawSelected(view, GcellRef(i));
          SumNumbers();
        }
      }
      break;
    default: break;
  }
  ShowState();
}
