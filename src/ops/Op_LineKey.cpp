#include "ops/Op_LineKey.h"

#include <algorithm>
#include <cmath>

#include "app/ApKeyEvent.h"
#include "app/GC_PointSearch.h"
#include "app/GC_View.h"
#include "kernel/Platform.h"
#include "kernel/Z_Basic.h"
#include "model/PVC.h"
#include "render/GC_Draw.h"
#include "render/Z_Graph.h"

LineKeyOpState g_lineKeyOp;

void Op_LineKey_Reset() {
  if (g_lineKeyOp.blinkTimer) Platform().StopTimer(g_lineKeyOp.blinkTimer);
  g_lineKeyOp = LineKeyOpState{};
}

namespace {

constexpr std::size_t kStackSize = 256;
constexpr std::uint16_t kMarkerPen = 0x14;  // red
constexpr std::uint16_t kRingPen = 0x16;    // yellow

LineKeyOpState& S() { return g_lineKeyOp; }
TLineKeyForm& F() { return g_lineKeyOp.form; }

void MarkerOn(TGContext& view) {
  TGcell m = MarkAt(S().current);
  m.pen = kMarkerPen;
  S().marker.Show(view, m);
}
void MarkerOff(TGContext& view) { S().marker.Clear(view); }

void StopBlink(TGContext& view) {
  if (S().blinkTimer) Platform().StopTimer(S().blinkTimer);
  S().blinkTimer = 0;
  S().ring.Clear(view);
}

// A ring about the current point shrinking in 16 steps 10 ms apart.
void BlinkStep() {
  TGContext& view = CurrentView();
  LineKeyOpState& s = S();
  if (s.blinkStep < 0) {
    StopBlink(view);
    return;
  }
  TGcell ring = MakeCircle(s.current, (s.blinkStep + 8.1) * G_PixelSize(view));
  ring.pen = kRingPen;
  s.ring.Show(view, ring);
  --s.blinkStep;
}

void Blink(TGContext& view) {
  StopBlink(view);
  S().blinkStep = 15;
  BlinkStep();
  S().blinkTimer = Platform().StartTimer(10, [] { BlinkStep(); });
  if (!S().blinkTimer) StopBlink(view);  // no timers here: no ring
}

// Drawing units per real millimetre of the write group, along x and y.
TPointD RealToDrawing() {
  const TPVC& pvc = CurPVC();
  const TGroupEntry& g = pvc.groups[static_cast<std::size_t>(WriteGroup(pvc))];
  const double b = std::max(pvc.basicScale, 0.0001);
  return {b / std::max(g.scaleX, 0.0001), b / std::max(g.scaleY, 0.0001)};
}

void AddSegment(TGContext& view, TPointD p) {
  LineKeyOpState& s = S();
  // The lines of a run are one undo step of their own.
  if (!s.strokeStarted) {
    GcellCommit();
    s.strokeStarted = true;
    for (TLineKeySegment& e : s.stack) e.line = GcellRefOf(GcellResolve(e.line));
  }
  const int i = GcellAddLine(WriteLayer(), WritePen(), s.current.x, s.current.y, p.x, p.y);
  if (i > 0) DrawCell(view, GcellRef(i));
  if (s.stack.size() >= kStackSize) s.stack.erase(s.stack.begin());
  s.stack.push_back({s.current, GcellRefOf(i)});
  s.current = p;
  ShowDataCount();
}

void Step(TGContext& view, TPointD d) {
  if (d.x == 0 && d.y == 0) return;
  MarkerOff(view);
  AddSegment(view, S().current + d);
  MarkerOn(view);
}

void TakeBack(TGContext& view) {
  LineKeyOpState& s = S();
  if (s.stack.empty()) return;
  MarkerOff(view);
  const TLineKeySegment e = s.stack.back();
  s.stack.pop_back();
  s.current = e.before;
  if (const int i = GcellResolve(e.line); i > 0 && GcellLive(i)) {
    EraseCell(view, GcellRef(i));
    GcellErase(i);
    // The erasing may have cut through touching lines.
    for (const TLineKeySegment& k : s.stack)
      if (const int j = GcellResolve(k.line); j > 0 && GcellLive(j)) DrawCell(view, GcellRef(j));
  }
  ShowDataCount();
  MarkerOn(view);
}

void Changed() { ++F().revision; }

}  // namespace

bool LineKeyWindowShown() { return F().visible; }

bool LineKeyKeyDown(int key) {
  if (!F().visible) return false;
  TGContext& view = CurrentView();
  TLineKeyForm& f = F();
  if (key == kVkEsc) {
    TakeBack(view);
    return true;
  }
  if (f.CbxCursorMode) {
    const double pitch = ParseInt(f.pitchPrompt);
    const TPointD k = RealToDrawing();
    TPointD d{};
    if (key == kVkLeft) d = {-pitch * k.x, 0};
    if (key == kVkRight) d = {pitch * k.x, 0};
    if (key == kVkUp) d = {0, pitch * k.y};
    if (key == kVkDown) d = {0, -pitch * k.y};
    Step(view, d);
    return true;  // typing does nothing in this mode
  }
  if (key != kVkEnter) return false;
  if (f.CmdEdit1.empty()) return true;
  // Typed lengths are real millimetres of the write group, as the arrow
  // keys' pitch.
  const TPointD k = RealToDrawing();
  Step(view, {EvalField(f.CmdEdit1, 1) * k.x, EvalField(f.CmdEdit1, 2) * k.y});
  f.LbBakCmd = f.CmdEdit1;
  f.CmdEdit1.clear();
  Changed();
  return true;
}

void LineKeyText(const std::string& text) {
  TLineKeyForm& f = F();
  f.CmdEdit1 = f.CbxCursorMode ? f.pitchPrompt : text;
  Changed();
}

void LineKeyCursorMode(bool on) {
  TLineKeyForm& f = F();
  TGContext& view = CurrentView();
  f.CbxCursorMode = on;
  if (on) {
    const int typed = ParseInt(f.CmdEdit1);
    std::string pitch;
    if (typed != 0) {
      pitch = f.CmdEdit1.substr(0, f.CmdEdit1.find(','));
    } else {
      const TPVC& pvc = CurPVC();
      pitch = Format("%f", {pvc.realGrid && pvc.realGridSpacing != 0 ? pvc.realGridSpacing : 5 * pvc.basicScale});
    }
    f.pitchPrompt = " " + pitch + ":←↑↓→キーを押してください.";
    f.CmdEdit1 = f.pitchPrompt;
  } else {
    f.CmdEdit1.clear();
  }
  S().stack.clear();
  Changed();
  Blink(view);
}

void LineKeyFieldClick() {
  if (F().CbxCursorMode) LineKeyCursorMode(false);
}

void LineKeyWindowClick() { Blink(CurrentView()); }

void LineKeyClose() {
  F().visible = false;
  Changed();
  OpEndSelf();
  IdleCheck();
}

void Op_LineKey(TGContext& view, int code, double x, double y) {
  (void)x;
  (void)y;
  LineKeyOpState& s = S();
  if (code == EV_START) {
    F().visible = true;
    Changed();
    s.stack.clear();
    s.strokeStarted = false;
    ClearSubBtns();
    ShowStep("始点指示(LorR)、終点指示作図(Shift+LorR)", CursorShape::Cross, false, false);
    MarkerOn(view);
    Blink(view);
    return;
  }
  if (code == EV_END) {
    StopBlink(view);
    MarkerOff(view);
    F().visible = false;
    Changed();
    return;
  }
  if (!F().visible) return;
  if (code == EV_REDRAW) {
    MarkerOn(view);
    Blink(view);
    return;
  }
  if (!IsClick(code)) return;
  MarkerOff(view);
  TPointD p = ToWorld(view, PressPixel(code));
  if (code == EV_RCLICK && !SnapPoint(view, p.x, p.y)) {
    Platform().Beep();
    Blink(view);
    MarkerOn(view);
    return;
  }
  if ((g_manager.shiftAtClick & ssShift) || Platform().IsKeyDown(PhysKey::Shift)) {
    AddSegment(view, p);
  } else {
    s.stack.clear();
    s.current = p;
    Blink(view);
  }
  MarkerOn(view);
}
