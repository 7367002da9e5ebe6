// Random input through the window's handlers: presses, moves and releases
// of either or both buttons anywhere (far outside the area too), the wheel,
// keys with Shift and Ctrl, sub-menu buttons, typed entries (numbers, junk,
// huge and long texts), the palette, the window switch, undo, the offset
// panel and the group and layer panels. After every step the invariants
// that must always hold are checked: the store and the view stay sound, no
// gesture outlives its buttons, the entry box and offset entry agree.
// Fixed seeds, so a failure replays exactly.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <random>
#include <sstream>
#include <string>

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

// Live cells of window w, but for points: the curve's temporary marker is
// one, and comes and goes.
int LiveCells(int w) {
  int n = 0;
  for (int i = 1; i <= StoreUsed(); ++i) {
    const TGcell& c = g_gcdb.cells[i];
    if (c.window == w && c.kind > 0 && c.kind != GK_POINT) ++n;
  }
  return n;
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

  // One random step; returns its description for the failure report.
  std::string Step(Harness& ui, unsigned& held) {
    undid_ = false;
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
};

class MonkeyTest : public VelmoTest, public ::testing::WithParamInterface<unsigned> {
protected:
  void SetUp() override {
    VelmoTest::SetUp();
    // Questions and dialogs random keys open (save, print) are answered
    // with their first choice or cancelled.
    platform().SetFailureHandler([](const std::string&) {});
  }
  // A small area keeps the repaints cheap.
  Harness ui{160, 120};
};

TEST_P(MonkeyTest, InvariantsHoldUnderRandomInput) {
  Monkey m(GetParam());
  PaintBox1Paint();
  ui.Choose(OpBtn_Line);
  unsigned held = 0;
  std::string last[8];
  for (int step = 0; step < 20000; ++step) {
    const int before[3] = {0, LiveCells(1), LiveCells(2)};
    const int window = StoreWindow();
    last[step % 8] = m.Step(ui, held);
    if (std::getenv("MONKEY_TRACE")) std::fprintf(stderr, "%d %s\n", step, last[step % 8].substr(0, 80).c_str());
    // Only the user's undo takes cells away (no erasing operation is among
    // the choices), and the other window's drawing never changes.
    if (StoreWindow() == window) {
      const int other = 3 - window;
      if (LiveCells(other) != before[other])
        FAIL() << "seed " << GetParam() << " step " << step << ": window " << other << " changed from "
               << before[other] << " to " << LiveCells(other) << " cells: " << last[step % 8];
      if (!m.undid() && LiveCells(window) < before[window])
        FAIL() << "seed " << GetParam() << " step " << step << ": window " << window << " lost cells "
               << before[window] << " to " << LiveCells(window) << ": " << last[step % 8];
    }
    const std::string err = CheckInvariants(held);
    if (!err.empty()) {
      std::string trail;
      for (int k = 7; k >= 0; --k)
        if (step - k >= 0) trail += "\n  " + last[(step - k) % 8];
      FAIL() << "seed " << GetParam() << " step " << step << ": " << err << trail;
    }
  }
  // Both buttons let go: every gesture ends.
  if (held & ssLeft) ui.Release(ssLeft, 10, 10);
  if (held & ssRight) ui.Release(ssRight, 10, 10);
  EXPECT_EQ(g_mouseNav.DragMode, dmNone);
  EXPECT_EQ(CheckInvariants(0), "");
}

INSTANTIATE_TEST_SUITE_P(Seeds, MonkeyTest, ::testing::Values(1u, 2u, 3u, 42u, 2026u));

}  // namespace
