// Random input through the window's handlers: presses, moves and releases
// of either or both buttons anywhere (far outside the area too), the wheel,
// keys with Shift and Ctrl, sub-menu buttons, typed entries (numbers, junk,
// huge and long texts), the palette, the window switch, undo, the offset
// panel and the group and layer panels. Half of the steps feed an
// operation what it asks for, in stretches that take turns: the line
// operation (clicks, sub-menu buttons, sensible typed values, Esc in the
// middle of a chain) and the delete operation (picks and chain picks on
// and near cells, ranges, drags that start one, its sub-menu buttons, Esc
// and undo in the middle of a range), in a store small enough to fill and
// compact. After every step the invariants that must always hold are
// checked: the store and the view stay sound, no gesture outlives its
// buttons, the entry box and offset entry agree, nothing is lost but by
// undo and deleting, the other window never changes, the curve's temporary
// point never outlives the curve, no selection outlives the operation that
// made it, the delete operation shows and holds what its state asks for,
// and the screen is what a full repaint draws with the XOR images of the
// feedback on it. Fixed seeds, so a failure replays exactly.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "Harness.h"
#include "VelmoTest.h"
#include "app/ApGrpLay.h"
#include "app/ApKeyEvent.h"
#include "app/ApMouse.h"
#include "app/ApUndo.h"
#include "app/Ap_Offset.h"
#include "app/Ap_Unit1.h"
#include "app/GC_View.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "ops/OpKit.h"
#include "ops/Op_Delete.h"
#include "ops/Op_LineCut.h"
#include "ops/Op_LineStretch.h"
#include "ops/Op_Line.h"
#include "render/GC_Draw.h"

namespace {

bool Finite(double v) { return std::isfinite(v); }

// The first broken invariant, or empty.
std::string CheckInvariants(unsigned held) {
  std::ostringstream err;
  if (StoreUsed() < 0 || StoreUsed() > StoreCapacity()) err << "store used " << StoreUsed() << " capacity " << StoreCapacity() << "; ";
  for (int i = 1; i <= StoreUsed(); ++i) {
    const TGcell& c = g_gcdb.cells[i];
    if (c.kind == 0) continue;
    const int k = c.kind < 0 ? -c.kind : c.kind;
    if (!((k >= GK_POINT && k <= GK_TEXT) || k == GK_RECT)) err << "cell " << i << " kind " << int(c.kind) << "; ";
    if (c.window != 1 && c.window != 2) err << "cell " << i << " window " << int(c.window) << "; ";
    for (double v : c.p)
      if (!Finite(v)) {
        err << "cell " << i << " kind " << int(c.kind) << " has a non-finite coordinate; ";
        break;
      }
  }
  const TGContext& v = CurrentView();
  for (double w : {v.wx1, v.wy1, v.wx2, v.wy2, v.sx, v.sy})
    if (!Finite(w)) err << "view not finite; ";
  // An area one pixel wide or high cannot show a window; it comes back when
  // the area grows.
  const bool line = g_form1.drawWidth < 2 || g_form1.drawHeight < 2;
  if (!line && (!(v.wx2 > v.wx1) || !(v.wy2 > v.wy1) || !(v.sx > 0) || !(v.sy > 0)))
    err << "view window " << v.wx1 << "," << v.wy1 << " " << v.wx2 << "," << v.wy2 << " scale " << v.sx << "," << v.sy << "; ";
  if (held == 0 && g_mouseNav.DragMode != dmNone) err << "gesture " << g_mouseNav.DragMode << " without a button; ";
  if (g_form1.pointerConfined && g_mouseNav.DragMode != dmZoomBox) err << "pointer confined without the zoom box; ";
  const TEntryBox& e = g_form1.edCommon;
  if (OffsetEntryOpen() && e.tag != kOffsetTagLeft && e.tag != kOffsetTagRight) err << "offset entry with tag " << e.tag << "; ";
  if (e.tag < -2 || e.tag > 7) err << "entry tag " << e.tag << "; ";
  if (!Finite(OffsetDx()) || !Finite(OffsetDy())) err << "pending offset not finite; ";
  if (CurOpButton() < OpBtn_None || CurOpButton() >= OpBtn_Count) err << "operation " << CurOpButton() << "; ";
  if (StoreWindow() != 1 && StoreWindow() != 2) err << "store window " << StoreWindow() << "; ";
  return err.str();
}

// The slot of the line operation's temporary curve point, 0 without one.
int MarkerSlot() {
  const TCellRef m = g_lineOp.run.marker;
  return m.index > 0 ? GcellResolve(m) : 0;
}

// Live cells of window w, but for the curve's temporary point, which comes
// and goes.
int LiveCells(int w) {
  const int marker = MarkerSlot();
  int n = 0;
  for (int i = 1; i <= StoreUsed(); ++i) {
    const TGcell& c = g_gcdb.cells[i];
    if (c.window == w && c.kind > 0 && i != marker) ++n;
  }
  return n;
}

// Live points of the current window exactly at p, but for the curve's
// temporary point.
int PointsAt(TPointD p) {
  const int marker = MarkerSlot();
  int n = 0;
  for (int i = 1; i <= StoreUsed(); ++i)
    if (i != marker && GcellLive(i) && GcellRef(i).kind == GK_POINT && PointOf(GcellRef(i)) == p) ++n;
  return n;
}

bool FeedbackShown() {
  for (const TFeedback* f : TFeedback::All())
    if (f->Visible()) return true;
  return false;
}

// The screen holds the drawing and, in XOR over it, the images of the
// feedback sets that are on it: nothing else. Cells are first drawn again
// over what is there (mode 0), which mends what drawing one cell at a time
// leaves (a line drawn over a dashed one, a point erased off a line) but
// not an XOR image left behind. While feedback is shown that is done on a
// copy of the screen with the sets' images taken off, so the program's
// screen keeps them. The canvases drawn on are the caller's, kept from
// check to check.
struct ScreenCanvases {
  RasterCanvas fresh, bare;
};

void FitToScreen(RasterCanvas& c) {
  if (c.Width() != ViewBuffer().Width() || c.Height() != ViewBuffer().Height())
    c.SetSize(ViewBuffer().Width(), ViewBuffer().Height());
}

std::string CheckScreen(unsigned held, ScreenCanvases& canvases) {
  if (held || g_mouseNav.DragMode != dmNone) return "";
  if (!g_viewBuffer.windowSet || ViewBuffer().Width() < 2 || ViewBuffer().Height() < 2) return "";
  // Nothing drawn since the last check, which found the screen right.
  if (ViewBuffer().Dirty().Empty()) return "";
  const bool feedback = FeedbackShown();
  RasterCanvas& bare = canvases.bare;
  if (feedback) {
    FitToScreen(bare);
    bare.CopyRect(bare.ClipRect(), ViewBuffer(), ViewBuffer().ClipRect());
    TGContext b = CurrentView();
    b.canvas = &bare;
    for (const TFeedback* f : TFeedback::All())
      if (f->OnScreen())
        for (const TGcell& c : f->Cells()) XorCell(b, c);
    DrawGrid(b, true);
    DrawAllCells(b);
  } else {
    ViewRedraw(0);
  }
  TGContext g = CurrentView();
  RasterCanvas& fresh = canvases.fresh;
  FitToScreen(fresh);
  g.canvas = &fresh;
  DrawGrid(g);
  DrawAllCells(g);
  const auto& want = fresh.Image().pixels;
  const auto& have = (feedback ? bare : ViewBuffer()).Image().pixels;
  if (want != have) {
    const std::size_t i = std::mismatch(want.begin(), want.end(), have.begin()).first - want.begin();
    const int w = ViewBuffer().Width();
    std::ostringstream e;
    e << "screen differs from a full repaint at " << i % w << "," << i / w << " (" << std::hex << have[i] << " for "
      << want[i] << std::dec << ") with " << (feedback ? "the feedback's images taken off" : "no feedback shown")
      << ", operation " << CurOpButton() << "; ";
    return e.str();
  }
  ViewTakeDirty();
  return "";
}

// The operations that select a range; only they keep a selection, and only
// while they run.
bool Selecting(TOpButton b) {
  return b == OpBtn_Delete || b == OpBtn_BlockCopy || b == OpBtn_BlockMove || b == OpBtn_LineStretch ||
         b == OpBtn_LineCut || b == OpBtn_HyoMove || b == OpBtn_PenChange || b == OpBtn_SokuteiL;
}

bool HoldsSelection(DeleteState s) {
  return s == DeleteState::Adjust || s == DeleteState::AddStart || s == DeleteState::AddEnd;
}

// No cell stays selected once the operation that selected it has ended;
// the delete operation shows the crosshair and the rectangle, and holds a
// selection, only in the states that ask for them.
std::string CheckSelection() {
  std::ostringstream err;
  int selected[3] = {0, 0, 0};  // live selected cells by window
  int first = 0;                // the first slot, live or deleted, with the selection bit
  for (int i = 1; i <= StoreUsed(); ++i) {
    const TGcell& c = g_gcdb.cells[i];
    if (c.kind == 0 || !(c.pen & PEN_SELECTED)) continue;
    if (!first) first = i;
    if (c.kind > 0 && (c.window == 1 || c.window == 2)) ++selected[c.window];
  }
  if (!Selecting(CurOpButton())) {
    if (first) err << "cell " << first << " still selected under operation " << CurOpButton() << "; ";
    return err.str();
  }
  // The window stretch holds its selection from its range to its commit,
  // the area cut while its lines are adjusted.
  if (CurOpButton() == OpBtn_LineStretch) {
    const StretchState st = g_stretchOp.run.state;
    if ((selected[1] || selected[2]) && !(st == StretchState::WinAdjust || st == StretchState::WinDirection ||
                                          st == StretchState::WinBase || st == StretchState::WinTarget))
      err << "cells selected in stretch state " << static_cast<int>(st) << "; ";
    return err.str();
  }
  if (CurOpButton() == OpBtn_LineCut) {
    if ((selected[1] || selected[2]) && g_lineCutOp.run.state != CutState::AreaAdjust)
      err << "cells selected in line cut state " << static_cast<int>(g_lineCutOp.run.state) << "; ";
    return err.str();
  }
  if (CurOpButton() != OpBtn_Delete) return "";
  const DeleteRun& r = g_deleteOp.run;
  const DeleteState s = r.state;
  const int w = StoreWindow();
  if (selected[3 - w]) err << selected[3 - w] << " cells of the other window selected; ";
  if (selected[w] && !HoldsSelection(s))
    err << selected[w] << " cells selected in delete state " << static_cast<int>(s) << "; ";
  switch (s) {
    case DeleteState::Idle: err << "the delete operation runs idle; "; break;
    case DeleteState::Pick:
      if (FeedbackShown() || r.screen.Active() || r.screen.CrossShown()) err << "feedback shown while picking; ";
      break;
    case DeleteState::RangeStart:
    case DeleteState::AddStart:
      if (r.screen.Active()) err << "a rectangle held while its start is asked for, state " << static_cast<int>(s) << "; ";
      break;
    // Adjusting keeps the rectangle, but not after an added range was
    // given up.
    case DeleteState::RangeEnd:
    case DeleteState::AddEnd:
    case DeleteState::Adjust:
      if (s != DeleteState::Adjust && !r.screen.Active())
        err << "no rectangle while its end is asked for, state " << static_cast<int>(s) << "; ";
      if (r.screen.CrossShown()) err << "the crosshair shown in delete state " << static_cast<int>(s) << "; ";
      break;
  }
  return err.str();
}

class Monkey {
public:
  explicit Monkey(unsigned seed) : rng_(seed) {}

  int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  bool Chance(int percent) { return Int(0, 99) < percent; }

  double Coord(int extent) {
    switch (Int(0, 9)) {
      case 0: return Int(-100000, 100000);
      case 1: return Int(0, 1) ? 1e9 : -1e9;
      case 2: return Int(-50, -1);
      case 3: return extent + Int(0, 50);
      case 4: return Int(0, 1) ? 0 : extent - 1;
      default: return Int(0, extent - 1) + Int(0, 9) / 10.0;
    }
  }

  std::string Text() {
    static const char* const kTexts[] = {
        "1e308", "-1e308", "-0", "nan", "inf", "-inf", ",,,", "", " ", "0", "0,0", "1,2,3", "1e-320",
        "25.5", "-25.5", "100,", ",100", "1/0", "0.0000001", "999999999999", "1@", "+", "-", ".", "1e", "e5",
        "\x82\xa0", "\x81", "\xff\xfe", "1\x81", "=1+2", "3,-4", "10,10", "5", "5,5", "-5,5"};
    switch (Int(0, 4)) {
      case 0: {
        std::string s;
        for (int n = Int(0, 300); n > 0; --n) s += static_cast<char>(Int(1, 255));
        return s;
      }
      case 1: return std::string(Int(1, 5000), "9,.-e"[Int(0, 4)]);
      case 2: return std::to_string(Int(-100000, 100000)) + (Chance(50) ? "," + std::to_string(Int(-1000, 1000)) : "");
      default: return kTexts[Int(0, static_cast<int>(std::size(kTexts)) - 1)];
    }
  }

  int Key() {
    static const int kKeys[] = {13, 27, 32, 33, 34, 36, 37, 38, 39, 40, 'U', 'W', 'X', 'X', 16, 17, 18, 8, 9, 46};
    switch (Int(0, 5)) {
      case 0: return Int('0', '9');
      case 1: return Int(96, 105);
      case 2: return Int('A', 'Z');
      case 3: return Int(112, 123);
      case 4: {
        // Any other code the window sends (it sends none from 124 up).
        static const int kOthers[] = {0, 8, 9, 16, 17, 18, 19, 35, 45, 46, 106, 107, 109, 110, 111, 112};
        return kOthers[Int(0, static_cast<int>(std::size(kOthers)) - 1)];
      }
      default: return kKeys[Int(0, static_cast<int>(std::size(kKeys)) - 1)];
    }
  }

  unsigned Mods() {
    unsigned m = 0;
    if (Chance(15)) m |= ssShift;
    if (Chance(10)) m |= ssCtrl;
    if (Chance(3)) m |= ssAlt;
    return m;
  }

  // Whether the last step was, or may have been, the user's undo.
  bool undid() const { return undid_; }
  // Whether the last step cleared the drawing (a new drawing).
  bool cleared() const { return cleared_; }

  // A step an operation asks for. The line and the delete operation take
  // turns, each for a stretch of steps long enough to go deep into its
  // states. A store close to full is emptied as a new drawing would.
  std::string OpStep(Harness& ui) {
    undid_ = cleared_ = false;
    if (--stretch_ <= 0) {
      deleting_ = !deleting_;
      stretch_ = deleting_ ? Int(150, 500) : Int(200, 700);
    }
    const int w = g_form1.drawWidth > 1 ? g_form1.drawWidth : 160;
    const int h = g_form1.drawHeight > 1 ? g_form1.drawHeight : 120;
    if (StoreUsed() > StoreCapacity() - 3 && Chance(5)) {
      ui.Choose(OpBtn_Dummy);
      GcellCompact(true);
      GcellClearWindow(StoreWindow());
      ViewRedraw(1);
      cleared_ = true;
      return "New drawing";
    }
    return deleting_ ? DeleteStep(ui, w, h) : LineStep(ui, w, h);
  }

  // A step the line operation asks for: clicks (now and then on the last
  // one, which closes chains and snaps), moves, its sub-menu buttons,
  // sensible typed values, Esc and Enter; sometimes undo or the idle
  // operation.
  std::string LineStep(Harness& ui, int w, int h) {
    std::ostringstream d;
    // Choosing the operation again restarts it, and compacts a nearly full
    // store while it still holds a curve's temporary point.
    const bool curve = CurOpButton() == OpBtn_Line && g_lineOp.run.state == LineState::lsCurveNext;
    if ((CurOpButton() != OpBtn_Line && Chance(50)) || Chance(curve ? 8 : 2)) {
      ui.Choose(OpBtn_Line);
      return "Choose line";
    }
    static const char* const kValues[] = {"10", "25.5", "45", "-30", "0", "5,5", "10,-20", "マウス", "3", "100", "8"};
    const int what = Int(0, 99);
    if (what < 40) {
      // Picking a base line, a right click near a point more often: it
      // starts one.
      const bool base = CurOpButton() == OpBtn_Line && g_lineOp.run.state == LineState::lsBasePick;
      const unsigned b = Chance(base ? 40 : 70) ? ssLeft : ssRight;
      double x = Int(0, w - 1), y = Int(0, h - 1);
      if (Chance(15)) x = last_.x, y = last_.y;
      // Near a point of the drawing in sight, where right clicks snap (and
      // pick a base line).
      if (Chance(base ? 80 : 30)) {
        const bool start = Chance(50);
        std::vector<TPointD> ends;
        for (int i = 1; i <= StoreUsed(); ++i) {
          if (!GcellLive(i) || GcellRef(i).window != StoreWindow()) continue;
          const TPointD p = start ? PointOf(GcellRef(i)) : LineOf(GcellRef(i)).b;
          TPointD px;
          G_ToPixel(CurrentView(), p.x, p.y, px.x, px.y);
          if (px.x >= 0 && px.y >= 0 && px.x < w && px.y < h) ends.push_back(px);
        }
        if (!ends.empty()) {
          const TPointD px = ends[Int(0, static_cast<int>(ends.size()) - 1)];
          x = std::round(px.x) + Int(-2, 2), y = std::round(px.y) + Int(-2, 2);
        }
      }
      last_ = {x, y};
      const unsigned m = Chance(15) ? static_cast<unsigned>(ssShift) : 0u;
      d << "Op click " << b << " " << x << "," << y << " mods " << m;
      ui.Click(b, x, y, m);
    } else if (what < 55) {
      const double x = Int(0, w - 1), y = Int(0, h - 1);
      d << "Op move " << x << "," << y;
      ui.Move(x, y);
    } else if (what < 70) {
      const int n = Int(1, 7);
      d << "Op sub " << n;
      ui.SubMenu(n);
    } else if (what < 82) {
      if (!ValueEntryButton()) {
        static const int kValued[] = {2, 3, 5, 6};
        const int n = kValued[Int(0, 3)];
        d << "Op sub " << n << ", ";
        ui.SubMenu(n);
      }
      // The angle takes the word that turns it into the mouse angle now and then.
      const std::string v = ValueEntryButton() == 3 && Chance(30) ? std::string("マウス")
                                                                   : kValues[Int(0, static_cast<int>(std::size(kValues)) - 1)];
      d << "Op value '" << v << "'";
      ui.Type(v);
      if (Chance(85)) ui.Enter();
      else ui.Esc();
    } else if (what < 92) {
      d << "Op Esc";
      ui.Esc();
    } else if (what < 95) {
      d << "Op undo";
      undid_ = true;
      ui.Key('U');
    } else if (what < 97) {
      d << "Op idle";
      ui.Choose(OpBtn_Dummy);
    } else {
      d << "Op Enter";
      ui.Enter();
    }
    return d.str();
  }

  // Pixels on the shown cells of the current window that lie within the
  // area, one a cell: anywhere along a line (the same fraction of each), on
  // the curve of an arc, at a point.
  std::vector<TPointD> InSight(int w, int h) {
    const double t = Int(0, 100) / 100.0;
    std::vector<TPointD> spots;
    for (int i = 1; i <= StoreUsed(); ++i) {
      const TGcell& c = GcellRef(i);
      if (!GcellLive(i) || c.window != StoreWindow() || !IsCellShown(c)) continue;
      TPointD p;
      if (c.kind == GK_LINE) {
        const TLineGeom l = LineOf(c);
        p = l.a + (l.b - l.a) * t;
      } else if (c.kind == GK_ARC || c.kind == GK_CIRCLE) {
        const ArcParams a = ArcOf(c);
        ArcPoint(p.x, p.y, a, a.s + (a.e - a.s) * t);
      } else {
        p = PointOf(c);
      }
      TPointD px;
      G_ToPixel(CurrentView(), p.x, p.y, px.x, px.y);
      if (px.x >= 0 && px.y >= 0 && px.x < w && px.y < h) spots.push_back({std::round(px.x), std::round(px.y)});
    }
    return spots;
  }

  // A pixel on a cell in sight, give or take two pixels now and then; false
  // when none is.
  bool OnCell(int w, int h, double& x, double& y) {
    const std::vector<TPointD> spots = InSight(w, h);
    if (spots.empty()) return false;
    const TPointD p = spots[Int(0, static_cast<int>(spots.size()) - 1)];
    x = p.x, y = p.y;
    if (Chance(40)) x += Int(-2, 2), y += Int(-2, 2);
    return true;
  }

  // A line drawn for the delete operation to take, between two of twelve
  // spots spread over the area, so that lines are often drawn twice and
  // meet end to end (for the cleanup and chains); now and then both clicks
  // on one spot, which leaves a point.
  std::string DrawForDeleting(Harness& ui, int w, int h) {
    if (CurOpButton() != OpBtn_Line) ui.Choose(OpBtn_Line);
    auto spot = [&] { return TPointD{w * Int(1, 4) / 5.0, h * Int(1, 3) / 4.0}; };
    const TPointD a = spot(), b = Chance(5) ? a : spot();
    ui.LeftClick(std::round(a.x), std::round(a.y));
    ui.LeftClick(std::round(b.x), std::round(b.y));
    std::ostringstream d;
    d << "Del draw " << a.x << "," << a.y << " to " << b.x << "," << b.y;
    return d.str();
  }

  // Brings the drawing into sight, as the user would: every group and
  // layer, lines and points shown, the view fitted to the drawing.
  std::string ShowDrawing(Harness& ui) {
    ShowAllGroupsLayers();
    TDisplaySwitches& on = CurPVC().show;
    if (!on.lines) DspMaskClick(Dsp_Line);
    if (!on.points) DspMaskClick(Dsp_Point);
    if (!on.auxiliary) DspMaskClick(Dsp_Assist);
    ui.Key(36);  // Home: fit all
    return "Del show the drawing";
  }

  // A step the delete operation asks for: left and right clicks on and
  // near cells (picks, exclusions) and anywhere (corners of ranges, often
  // near the view's corners, so that ranges take several whole lines), with
  // Shift or Ctrl for chains; left drags a little short of and beyond the
  // 32 pixels that start a range; moves that stretch the rectangle; its
  // sub-menu buttons (range, cleanup, filters, confirm, added range,
  // clipboard, outside delete); Esc and undo in the middle of a range. How
  // often each comes depends on the state, as a user's would; with little
  // in sight, lines are drawn for it or the drawing brought into sight.
  std::string DeleteStep(Harness& ui, int w, int h) {
    // Something to delete in sight: an area grown back from a sliver, the
    // window that holds the drawing.
    if ((w < 40 || h < 40) && Chance(20)) {
      PaintBox1Resize(160, 120);
      PaintBox1Paint();
      return "Del resize";
    }
    if (LiveCells(StoreWindow()) == 0 && LiveCells(3 - StoreWindow()) > 0 && Chance(20)) {
      btnFigChangeClick();
      return "Del switch window";
    }
    // Little in sight: a line drawn or the drawing brought into sight, but
    // not in the middle of a range.
    const bool picking = CurOpButton() != OpBtn_Delete || g_deleteOp.run.state == DeleteState::Pick;
    if (picking && InSight(w, h).size() < 6 && Chance(30))
      return Chance(80) ? DrawForDeleting(ui, w, h) : ShowDrawing(ui);
    if ((CurOpButton() != OpBtn_Delete && Chance(50)) || Chance(1)) {
      ui.Choose(OpBtn_Delete);
      return "Choose delete";
    }
    const DeleteRun& run = g_deleteOp.run;
    const DeleteState s = run.state;
    const bool ranging = s != DeleteState::Pick && s != DeleteState::Adjust;
    enum { kClick, kWholeRange, kDrag, kMove, kSub, kEsc, kUndo, kIdle, kEnter };
    // How often each comes in each state (Idle: the operation is not the
    // current one, and the one that is takes them).
    static const int kWeights[][9] = {
        {45, 0, 12, 6, 25, 3, 4, 2, 3},   // Idle
        {45, 0, 12, 6, 25, 3, 4, 2, 3},   // Pick
        {35, 15, 6, 18, 14, 10, 4, 2, 4}, // RangeStart
        {35, 0, 6, 18, 14, 10, 4, 2, 4},  // RangeEnd
        {30, 0, 5, 8, 55, 8, 4, 2, 3},    // Adjust
        {50, 0, 6, 18, 10, 6, 3, 1, 2},   // AddStart
        {50, 0, 6, 18, 10, 6, 3, 1, 2},   // AddEnd
    };
    const int* weights = kWeights[static_cast<int>(s)];
    const int what = std::discrete_distribution<int>(weights, weights + 9)(rng_);
    std::ostringstream d;
    if (what == kClick) {
      // A right click picks only texts and fills while picking, but ends a
      // range at once.
      const int left = s == DeleteState::Pick                                    ? 85
                       : s == DeleteState::RangeEnd || s == DeleteState::AddEnd ? 40
                                                                                 : 65;
      const unsigned b = Chance(left) ? ssLeft : ssRight;
      double x = Int(0, w - 1), y = Int(0, h - 1);
      if (ranging && Chance(40)) {
        // Near a corner of the view; a range's far corner near the opposite
        // one.
        bool right = Chance(50), low = Chance(50);
        if (run.screen.Active()) {
          TPointD start;
          const TGcell& r = run.screen.Rect();
          G_ToPixel(CurrentView(), r.p[0], r.p[1], start.x, start.y);
          right = start.x < w / 2.0, low = start.y < h / 2.0;
        }
        x = right ? w - 1 - Int(0, 3) : Int(0, 3);
        y = low ? h - 1 - Int(0, 3) : Int(0, 3);
      } else if (Chance(60)) {
        OnCell(w, h, x, y);
      }
      const unsigned m = Chance(25) ? static_cast<unsigned>(Chance(60) ? ssShift : ssCtrl) : 0u;
      d << "Del click " << b << " " << x << "," << y << " mods " << m;
      ui.Click(b, x, y, m);
    } else if (what == kWholeRange) {
      // A range over the whole view, its far corner given with the left
      // button (it waits in the adjusting step) or the right (at once,
      // more often for the cleanup).
      const bool right = Chance(50), low = Chance(50);
      const unsigned b = Chance(run.cleanup ? 30 : 55) ? ssLeft : ssRight;
      d << "Del whole range " << b;
      ui.LeftClick(right ? w - 1 : 0, low ? h - 1 : 0);
      ui.Click(b, right ? 0 : w - 1, low ? 0 : h - 1);
    } else if (what == kDrag) {
      const double x = Int(0, w - 1), y = Int(0, h - 1);
      const int reach = Chance(20) ? Int(20, 32) : Int(33, 120);
      const double along = Chance(50) ? reach : -reach, aside = Int(-reach, reach);
      const bool across = Chance(50);  // the long way in x, else in y
      const double ex = x + (across ? along : aside), ey = y + (across ? aside : along);
      d << "Del drag " << x << "," << y << " to " << ex << "," << ey;
      ui.Press(ssLeft, x, y);
      for (int k = Int(1, 3), n = k; k > 0; --k) ui.Move(ex + (x - ex) * (k - 1) / n, ey + (y - ey) * (k - 1) / n);
      ui.Release(ssLeft, ex, ey);
    } else if (what == kMove) {
      const double x = Int(-10, w + 10), y = Int(-10, h + 10);
      d << "Del move " << x << "," << y;
      ui.Move(x, y);
    } else if (what == kSub) {
      // Buttons not offered (5 to 7, and 3 and 4 but while adjusting) now
      // and then. While picking the cleanup more often than the range;
      // while adjusting an added range more often than the others, and in
      // the cleanup its confirmation.
      static const int kAdjustButtons[] = {1, 2, 2, 2, 3, 4};
      int n = Int(1, 4);
      if (!Chance(90)) n = Int(5, 7);
      else if (s == DeleteState::Pick) n = Chance(80) ? 2 : 1;
      else if (s == DeleteState::Adjust) n = run.cleanup && Chance(40) ? 1 : kAdjustButtons[Int(0, 5)];
      d << "Del sub " << n;
      ui.SubMenu(n);
    } else if (what == kEsc) {
      d << "Del Esc";
      ui.Esc();
    } else if (what == kUndo) {
      d << "Del undo";
      undid_ = true;
      ui.Key('U');
    } else if (what == kIdle) {
      d << "Del idle";
      ui.Choose(Chance(50) ? OpBtn_Dummy : OpBtn_Line);
    } else {
      d << "Del Enter";
      ui.Enter();
    }
    return d.str();
  }

  // One random step; returns its description for the failure report.
  std::string Step(Harness& ui, unsigned& held) {
    if (!held && Chance(50)) return OpStep(ui);
    undid_ = cleared_ = false;
    const int w = g_form1.drawWidth > 0 ? g_form1.drawWidth : 800;
    const int h = g_form1.drawHeight > 0 ? g_form1.drawHeight : 600;
    std::ostringstream d;
    const int what = Int(0, 99);
    if (what < 15) {
      // A click inside the area, as drawing takes them.
      const unsigned b = Chance(70) ? ssLeft : ssRight;
      const double x = Int(0, w - 1), y = Int(0, h - 1);
      const unsigned m = Chance(20) ? static_cast<unsigned>(ssShift) : 0u;
      if (held) return "Click skipped";
      d << "Click " << b << " " << x << "," << y << " mods " << m;
      ui.Click(b, x, y, m);
    } else if (what < 35) {
      const unsigned b = Chance(50) ? ssLeft : ssRight;
      const double x = Coord(w), y = Coord(h);
      if (held & b) {
        d << "Release " << b << " " << x << "," << y;
        held &= ~b;
        ui.Release(b, x, y, Mods());
      } else {
        d << "Press " << b << " " << x << "," << y;
        held |= b;
        ui.Press(b, x, y, Mods());
      }
    } else if (what < 52) {
      const double x = Coord(w), y = Coord(h);
      d << "Move " << x << "," << y;
      ui.Move(x, y, Mods());
    } else if (what < 54) {
      const int delta = Chance(50) ? 120 : -120;
      const double x = Coord(w), y = Coord(h);
      const unsigned m = Mods();
      d << "Wheel " << delta << " " << x << "," << y << " mods " << m;
      ui.Wheel(delta, x, y, m);
    } else if (what < 68) {
      const int k = Key();
      const unsigned m = Mods();
      d << "Key " << k << " mods " << m;
      undid_ = k == 'U' || (k == 'Z' && m == ssCtrl);
      ui.Key(k, m);
    } else if (what < 76) {
      const int n = Int(1, 7);
      d << "SubMenu " << n;
      ui.SubMenu(n);
    } else if (what < 84) {
      const std::string t = Text();
      d << "Type " << t.size() << " bytes '" << t.substr(0, 40) << "'";
      ui.Type(t);
      if (Chance(70)) ui.Enter();
    } else if (what < 89) {
      const TOpButton b = Chance(60) ? OpBtn_Line : static_cast<TOpButton>(Int(OpBtn_Dummy, OpBtn_SokuteiA));
      d << "Choose " << b;
      ui.Choose(b);
    } else if (what < 91) {
      d << "SwitchWindow";
      btnFigChangeClick();
    } else if (what < 93) {
      d << "Undo";
      undid_ = true;
      UndoCommand();
    } else if (what < 95) {
      d << "OffsetModeClick";
      OffsetModeClick();
    } else if (what < 96) {
      switch (Int(0, 5)) {
        case 0: d << "Esc panel"; PvEscMouseDown(); break;
        case 1: d << "Bar"; Pv_TopMouseDown(); break;
        case 2: {
          const double x = Coord(200);
          d << "History label " << x;
          LbComHstMouseDown(x, 5);
          break;
        }
        case 3: {
          // A release over another panel.
          const unsigned b = Chance(50) ? ssLeft : ssRight;
          d << "FormMouseUp " << b;
          held &= ~b;
          FormMouseUp(b, Mods());
          break;
        }
        case 4: {
          const std::string t = Text().substr(0, 12);
          d << "Keys '" << t << "'";
          undid_ = t.find_first_of("uU") != std::string::npos;
          ui.Keys(t);
          break;
        }
        default: {
          const int rw = Chance(20) ? Int(1, 3) : Int(20, 300), rh = Chance(20) ? Int(1, 3) : Int(20, 300);
          d << "Resize " << rw << "x" << rh;
          PaintBox1Resize(rw, rh);
          if (Chance(50)) PaintBox1Paint();
          break;
        }
      }
    } else {
      const unsigned b = Chance(50) ? ssLeft : Chance(50) ? ssRight : ssMiddle;
      const unsigned m = Mods();
      const int n = Int(0, 15);
      switch (Int(0, 9)) {
        case 0: d << "Group " << n; BtnGroupMouseDown(n, b, m); break;
        case 1: d << "Layer " << n; BtnLayerMouseDown(n, b, m); break;
        case 2: d << "GroupAll"; GroupAllClick(); break;
        case 3: d << "LayerAll"; LayerAllClick(); break;
        case 4: d << "LbGroup"; LbGroupMouseDown(b, m); break;
        case 5: d << "LayLbl"; PnlLayLblMouseDown(b, m); break;
        case 6: d << "Sync"; BtnLayerSyncChangeMouseDown(); break;
        case 7: d << "Dsp " << n % Dsp_Count; DspMaskClick(static_cast<TDspSwitch>(n % Dsp_Count)); break;
        case 8: d << "FixZoom " << b; FixZoomMouseDown(b); break;
        default: d << "Pen " << n % 5 + 1; ImPenHstClick(n % 5 + 1); break;
      }
    }
    return d.str();
  }

private:
  std::mt19937 rng_;
  bool undid_ = false;
  bool cleared_ = false;
  TPointD last_;  // the last click of LineStep, pixels
  bool deleting_ = true;  // which operation OpStep feeds: delete, else line
  int stretch_ = 0;       // steps OpStep feeds it yet
};

class MonkeyTest : public VelmoTest, public ::testing::WithParamInterface<unsigned> {
protected:
  void SetUp() override {
    VelmoTest::SetUp();
    // Questions and dialogs random keys open (save, print) are answered
    // with their first choice or cancelled.
    platform().SetFailureHandler([](const std::string&) {});
    // A store that fills up and compacts within a run, and cannot grow.
    g_gcdb.cells.resize(kStoreSlots + 1);
    g_gcdb.capacity = kStoreSlots;
    g_gcdb.allocLimit = kStoreSlots + 1;
  }
  static constexpr int kStoreSlots = 200;
  // A small area keeps the repaints cheap.
  Harness ui{160, 120};
};

TEST_P(MonkeyTest, InvariantsHoldUnderRandomInput) {
  Monkey m(GetParam());
  PaintBox1Paint();
  ui.Choose(OpBtn_Line);
  unsigned held = 0;
  std::string last[8];
  std::set<LineState> reached;
  std::set<DeleteState> deleteReached;
  int stored = 0, deleted = 0;
  ScreenCanvases canvases;
  auto fail = [&](int step, const std::string& what) {
    std::string trail;
    for (int k = 7; k >= 0; --k)
      if (step - k >= 0) trail += "\n  " + last[(step - k) % 8];
    return "seed " + std::to_string(GetParam()) + " step " + std::to_string(step) + ": " + what + trail;
  };
  for (int step = 0; step < 20000; ++step) {
    const int before[3] = {0, LiveCells(1), LiveCells(2)};
    const int window = StoreWindow();
    // The operation before the step: deleting and moving take cells away
    // (a move across the windows from the other one); what they do is
    // checked by their own tests.
    const TOpButton op = CurOpButton();
    const bool hadMarker = MarkerSlot() > 0;
    const TPointD markerAt = hadMarker ? PointOf(GcellRef(MarkerSlot())) : TPointD{};
    const int pointsAtMarker = hadMarker ? PointsAt(markerAt) : 0;
    last[step % 8] = m.Step(ui, held);
    if (std::getenv("MONKEY_TRACE")) std::fprintf(stderr, "%d %s\n", step, last[step % 8].substr(0, 80).c_str());
    if (CurOpButton() == OpBtn_Line) reached.insert(g_lineOp.run.state);
    if (CurOpButton() == OpBtn_Delete) deleteReached.insert(g_deleteOp.run.state);
    const bool moving = op == OpBtn_BlockMove || CurOpButton() == OpBtn_BlockMove;
    const bool deleting = op == OpBtn_Delete || CurOpButton() == OpBtn_Delete;
    // The other window's drawing never changes (but by a move across the
    // windows): deleting takes cells of the current window only.
    if (StoreWindow() == window && !m.cleared() && !moving) {
      const int other = 3 - window;
      if (LiveCells(other) != before[other])
        FAIL() << fail(step, "window " + std::to_string(other) + " changed from " + std::to_string(before[other]) +
                                 " to " + std::to_string(LiveCells(other)) + " cells");
      if (deleting && !m.undid()) deleted += std::max(0, before[window] - LiveCells(window));
    }
    // Only the user's undo and the erasing operations take cells away.
    if (StoreWindow() == window && !m.cleared() && !moving && !deleting) {
      if (!m.undid() && LiveCells(window) < before[window])
        FAIL() << fail(step, "window " + std::to_string(window) + " lost cells " + std::to_string(before[window]) +
                                 " to " + std::to_string(LiveCells(window)));
      if (!m.undid()) stored += std::max(0, LiveCells(window) - before[window]);
      // The curve's temporary point goes with the curve.
      if (hadMarker && MarkerSlot() == 0 && !m.undid() && PointsAt(markerAt) != pointsAtMarker)
        FAIL() << fail(step, "the curve's temporary point outlived the curve");
    }
    std::string err = CheckInvariants(held);
    if (err.empty()) err = CheckSelection();
    if (err.empty()) err = CheckScreen(held, canvases);
    if (!err.empty()) FAIL() << fail(step, err);
  }
  // Both buttons let go: every gesture ends.
  if (held & ssLeft) ui.Release(ssLeft, 10, 10);
  if (held & ssRight) ui.Release(ssRight, 10, 10);
  EXPECT_EQ(g_mouseNav.DragMode, dmNone);
  EXPECT_EQ(CheckInvariants(0), "");
  // The run went through every state of the line operation and drew.
  for (LineState s : {LineState::lsStart, LineState::lsEnd, LineState::lsBasePick, LineState::lsBaseEnd,
                      LineState::lsMouseAngle, LineState::lsChainStart, LineState::lsChainNext,
                      LineState::lsCurveStart, LineState::lsCurveNext})
    EXPECT_TRUE(reached.count(s)) << "seed " << GetParam() << " never reached state " << static_cast<int>(s);
  EXPECT_GE(stored, 200) << "seed " << GetParam();
  // And through every state of the delete operation, deleting cells and
  // cleaning up repeated lines.
  for (DeleteState s : {DeleteState::Pick, DeleteState::RangeStart, DeleteState::RangeEnd, DeleteState::Adjust,
                        DeleteState::AddStart, DeleteState::AddEnd})
    EXPECT_TRUE(deleteReached.count(s)) << "seed " << GetParam() << " never reached delete state " << static_cast<int>(s);
  EXPECT_GE(deleted, 10) << "seed " << GetParam();
  int cleanups = 0;
  for (const RecordedMessage& msg : platform().messages()) cleanups += msg.text.starts_with("完了： ");
  EXPECT_GE(cleanups, 1) << "seed " << GetParam();
}

INSTANTIATE_TEST_SUITE_P(Seeds, MonkeyTest, ::testing::Values(1u, 2u, 3u, 42u, 2026u));

}  // namespace
