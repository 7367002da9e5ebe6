// The view gestures of the drawing area (zoom box, pan, drag zoom, wheel),
// fit all and the previous view, the status displays and the switch
// between the two drawing windows, driven through the window's handlers.
#include "app/ApMouse.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "Harness.h"
#include "VelmoTest.h"
#include "app/ApUndo.h"
#include "app/Ap_Unit1.h"
#include "app/GC_View.h"
#include "kernel/Wiring.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "render/ApPenSet.h"
#include "render/Z_Graph.h"

namespace {

std::vector<int> g_codes;
void Recorder(TGContext&, int code, double, double) { g_codes.push_back(code); }

struct Window {
  double x1, y1, x2, y2;
};
Window WindowOf(const TGContext& v) { return {v.wx1, v.wy1, v.wx2, v.wy2}; }

class MouseNavTest : public VelmoTest {
protected:
  void SetUp() override {
    VelmoTest::SetUp();
    g_codes.clear();
    SetOpHandler(OpBtn_Line, Recorder);
    // A drawing of 0..8000 x 0..6000 units on an 800 x 600 area.
    GcellAddLine(0, 0x11, 0, 0, 8000, 6000);
    GcellAddLine(0, 0x11, 0, 6000, 8000, 0);
    PaintBox1Paint();
    ui.Choose(OpBtn_Line);
    g_codes.clear();
  }
  static TGContext& View() { return CurrentView(); }
  static double Width() { return View().wx2 - View().wx1; }
  static TPointD WorldAt(double px, double py) {
    TPointD p;
    G_ToWorld(View(), px, py, p.x, p.y);
    return p;
  }
  static void ExpectWindow(const TGContext& v, const Window& w, double tol = 1e-6) {
    EXPECT_NEAR(v.wx1, w.x1, tol);
    EXPECT_NEAR(v.wy1, w.y1, tol);
    EXPECT_NEAR(v.wx2, w.x2, tol);
    EXPECT_NEAR(v.wy2, w.y2, tol);
  }
  // Both buttons: left pressed at a, right at a too, dragged to b, both let go.
  void ZoomBox(double ax, double ay, double bx, double by) {
    ui.Press(ssLeft, ax, ay);
    ui.Press(ssRight, ax, ay);
    ui.Move((ax + bx) / 2, (ay + by) / 2);
    ui.Move(bx, by);
    ui.Release(ssLeft, bx, by);
    ui.Release(ssRight, bx, by);
  }
  Harness ui{800, 600};
};

TEST_F(MouseNavTest, ZoomBoxTakesEveryEventUntilBothButtonsAreUp) {
  ui.Press(ssLeft, 100, 100);
  ASSERT_EQ(g_codes, std::vector<int>{EV_LDOWN});
  ui.Press(ssRight, 102, 101);
  EXPECT_EQ(g_mouseNav.DragMode, dmZoomBox);
  EXPECT_TRUE(g_form1.pointerConfined);
  ui.Move(200, 200);
  ui.Key(27);
  ui.Key('3');
  ui.Release(ssLeft, 300, 200);  // the right button still holds the gesture
  EXPECT_EQ(g_mouseNav.DragMode, dmZoomBox);
  ui.Move(310, 210);
  EXPECT_EQ(g_codes, std::vector<int>{EV_LDOWN}) << "the operation hears nothing while the gesture runs";
  ui.Release(ssRight, 310, 210);
  EXPECT_EQ(g_mouseNav.DragMode, dmNone);
  EXPECT_FALSE(g_form1.pointerConfined);
  EXPECT_EQ(g_manager.gestureFilter, nullptr);
  // Afterwards: the repaint's EV_REDRAW and the pointer as moves, never a click.
  EXPECT_EQ(g_codes, (std::vector<int>{EV_LDOWN, EV_REDRAW, EV_MOVE, EV_MOVE}));
  EXPECT_EQ(g_mouseNav.ZoomBoxAction, zbZoomBox);
}

// Left let go and pressed again while the right button holds the box: the
// box starts afresh from the new press and its old mark does not stay.
TEST_F(MouseNavTest, ZoomBoxPressedAgainLeavesOneMark) {
  ViewRedraw(1);
  const std::vector<std::uint32_t> clean = ViewBuffer().Image().pixels;
  ui.Press(ssRight, 100, 100);
  ui.Press(ssLeft, 101, 100);
  ui.Move(300, 250);
  ui.Release(ssLeft, 300, 250);
  ui.Press(ssLeft, 400, 120);
  ui.Move(200, 300);
  CancelViewGesture();  // erases the one mark it knows of
  EXPECT_EQ(ViewBuffer().Image().pixels, clean);
  ui.Release(ssLeft, 200, 300);
  ui.Release(ssRight, 200, 300);
  EXPECT_EQ(g_mouseNav.DragMode, dmNone);
}

TEST_F(MouseNavTest, ZoomBoxClasses) {
  // Zoomed in a little first, so fit all and the previous view change things.
  Btn_ViewClick(TViewButton::BtnZM2);
  const TGContext start = View();
  const double w = Width();

  // Re-centre: the view keeps its size around the clicked point.
  TPointD p = WorldAt(603, 448);
  ZoomBox(600, 450, 603, 448);
  EXPECT_EQ(g_mouseNav.ZoomBoxAction, zbCentre);
  EXPECT_NEAR(View().wcx, p.x, 1e-6);
  EXPECT_NEAR(View().wcy, p.y, 1e-6);
  EXPECT_NEAR(Width(), w, 1e-6);
  ExpectWindow(CurPVC().prevView, WindowOf(start));

  // Down and right: the box becomes the view (widened to the area's shape).
  const TGContext before = View();
  const TPointD a = WorldAt(100, 100), b = WorldAt(300, 200);
  ZoomBox(100, 100, 300, 200);
  EXPECT_EQ(g_mouseNav.ZoomBoxAction, zbZoomBox);
  EXPECT_NEAR(View().wx1, a.x, 1e-6);
  EXPECT_NEAR(View().wx2, b.x, 1e-6);
  EXPECT_LE(View().wy1, b.y + 1e-6);
  EXPECT_GE(View().wy2, a.y - 1e-6);
  EXPECT_NEAR(View().wcy, (a.y + b.y) / 2, 1e-6);
  ExpectWindow(CurPVC().prevView, WindowOf(before));

  // Down and left: nothing changes.
  const TGContext boxed = View();
  ZoomBox(300, 100, 100, 200);
  EXPECT_EQ(g_mouseNav.ZoomBoxAction, zbCancel);
  ExpectWindow(View(), WindowOf(boxed));
  ExpectWindow(CurPVC().prevView, WindowOf(before));

  // Up and left: back to the previous view, and again.
  ZoomBox(300, 300, 200, 200);
  EXPECT_EQ(g_mouseNav.ZoomBoxAction, zbPrevious);
  ExpectWindow(View(), WindowOf(before));
  ExpectWindow(CurPVC().prevView, WindowOf(boxed));
  ZoomBox(300, 300, 300, 200);  // straight up is the previous view too
  EXPECT_EQ(g_mouseNav.ZoomBoxAction, zbPrevious);
  ExpectWindow(View(), WindowOf(boxed));

  // Up and right: everything; what was shown is the previous view.
  ZoomBox(100, 300, 200, 200);
  EXPECT_EQ(g_mouseNav.ZoomBoxAction, zbFitAll);
  EXPECT_NEAR(View().wy1, -160, 1e-6);  // 0..6000 and 2% of 8000
  EXPECT_NEAR(View().wy2, 6160, 1e-6);
  ExpectWindow(CurPVC().prevView, WindowOf(boxed));
  // Fit all again changes nothing, so the previous view stays.
  ZoomBox(100, 300, 200, 200);
  ExpectWindow(CurPVC().prevView, WindowOf(boxed));
}

TEST_F(MouseNavTest, ZoomBoxNeedsBothSidesAboveATenThousandthOfAUnit) {
  const TGContext before = View();
  ZoomBox(100, 100, 400, 100);  // along x only: a box without height
  EXPECT_EQ(g_mouseNav.ZoomBoxAction, zbZoomBox);
  ExpectWindow(View(), WindowOf(before));

  // Far in (a pixel is 0.001 units at basic scale 100), a box 5 pixels high
  // is 0.005 units high: more than 0.0001, so it is taken.
  ASSERT_EQ(CurPVC().basicScale, 100);
  G_SetWindow(View(), 0, 0, 0.799, 0.599);
  ASSERT_NEAR(G_PixelSize(View()), 0.001, 1e-9);
  const TPointD a = WorldAt(100, 100), b = WorldAt(300, 105);
  ZoomBox(100, 100, 300, 105);
  EXPECT_EQ(g_mouseNav.ZoomBoxAction, zbZoomBox);
  EXPECT_NEAR(View().wx1, a.x, 1e-9);
  EXPECT_NEAR(View().wx2, b.x, 1e-9);
}

TEST_F(MouseNavTest, ZoomBoxMarkIsErasedExactly) {
  ui.Press(ssRight, 100, 100);
  ui.Press(ssLeft, 100, 100);
  const std::vector<std::uint32_t> clean = ViewBuffer().Image().pixels;
  for (const TPointD& to : {TPointD{300, 250}, TPointD{40, 30}, TPointD{250, 20}, TPointD{20, 250}}) {
    ui.Move(to.x, to.y);
    EXPECT_NE(ViewBuffer().Image().pixels, clean) << to.x << "," << to.y << ": a mark shows";
  }
  ui.Move(101, 101);  // a box within 6 pixels re-centres and shows no mark
  EXPECT_EQ(ViewBuffer().Image().pixels, clean);
  // A repaint while the gesture runs takes the mark away; it comes back.
  ui.Move(300, 250);
  const std::vector<std::uint32_t> marked = ViewBuffer().Image().pixels;
  ViewRedraw(1);
  EXPECT_EQ(ViewBuffer().Image().pixels, marked);
  ui.Move(101, 101);
  EXPECT_EQ(ViewBuffer().Image().pixels, clean);
}

TEST_F(MouseNavTest, EndingTheOperationEndsTheZoomBox) {
  ui.Press(ssLeft, 100, 100);
  ui.Press(ssRight, 100, 100);
  const std::vector<std::uint32_t> clean = ViewBuffer().Image().pixels;
  ui.Move(300, 250);
  ZoomBoxEvent(EV_END, 0, 0);
  EXPECT_EQ(g_mouseNav.DragMode, dmNone);
  EXPECT_FALSE(g_form1.pointerConfined);
  EXPECT_EQ(ViewBuffer().Image().pixels, clean);
}

TEST_F(MouseNavTest, RightDragPans) {
  struct Case {
    bool doubleSpeed;
    double dx, dy;      // drag, pixels
    double sx, sy;      // the drawing's shift, pixels
  };
  const Case cases[] = {
      {true, 100, 0, 150, 0}, {false, 100, 0, 100, 0}, {true, 48, 0, 48, 0}, {true, 0, -100, 0, -150},
      {true, 60, 80, 90, 120},  // 100 pixels on the diagonal
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dx + c.dy);
    g_mouseNav.RScrSpd = c.doubleSpeed;
    const TGContext before = View();
    const double ps = G_PixelSize(before);
    g_codes.clear();
    ui.Press(ssRight, 400, 300);
    ui.Move(400 + c.dx / 2, 300 + c.dy / 2);
    ui.Move(400 + c.dx, 300 + c.dy);
    ui.Release(ssRight, 400 + c.dx, 300 + c.dy);
    EXPECT_EQ(g_mouseNav.DragMode, dmNone);
    // The drawing follows the pointer: the window goes the other way.
    ExpectWindow(View(), {before.wx1 - c.sx * ps, before.wy1 + c.sy * ps, before.wx2 - c.sx * ps,
                          before.wy2 + c.sy * ps});
    ExpectWindow(CurPVC().prevView, WindowOf(before));
    const bool panned = std::fabs(c.dx) > kPanStart || std::fabs(c.dy) > kPanStart;
    if (panned) {
      EXPECT_EQ(g_codes, (std::vector<int>{EV_RDOWN, EV_REDRAW, EV_MOVE}));
    }
  }
  EXPECT_EQ(platform().screenCursor(), CursorShape::Default);
}

TEST_F(MouseNavTest, PanShowsTheMovedImageAndEndsWithAFullRepaint) {
  const std::vector<std::uint32_t> start = ViewBuffer().Image().pixels;
  ui.Press(ssRight, 400, 300);
  ui.Move(460, 300);
  EXPECT_EQ(g_mouseNav.DragMode, dmPan);
  EXPECT_EQ(platform().screenCursor(), CursorShape::SizeAll);
  // The captured image, moved 70 pixels (60 at double speed past 50).
  const RasterCanvas& b = ViewBuffer();
  int differ = 0, drawn = 0;
  for (int y = 0; y < 600; ++y) {
    for (int x = 0; x < 800; ++x) {
      const TColor want = x < 70 ? BackgroundColor() : PixelToColor(start[y * 800 + x - 70]);
      differ += b.PixelColor(x, y) != want;
      drawn += want != BackgroundColor();
    }
  }
  EXPECT_EQ(differ, 0);
  EXPECT_GT(drawn, 1000);
  ui.Move(470, 300);  // the next step redraws quickly
  EXPECT_TRUE(g_viewBuffer.lastRedrawFast);
  ui.Release(ssRight, 470, 300);
  EXPECT_FALSE(g_viewBuffer.lastRedrawFast);
}

TEST_F(MouseNavTest, VerticalLeftDragZooms) {
  const TGContext before = View();
  ui.Press(ssLeft, 400, 300);
  ui.Move(405, 200);  // up 100: the reference is halfway, 250
  EXPECT_EQ(g_mouseNav.DragMode, dmDragZoom);
  EXPECT_EQ(platform().screenCursor(), CursorShape::SizeNS);
  const double g = 50.0 / 99 + 1;
  EXPECT_NEAR(Width(), (before.wx2 - before.wx1) / g, 1e-6);
  ui.Move(405, 400);  // below the reference: smaller
  EXPECT_NEAR(Width(), (before.wx2 - before.wx1) * (150.0 / 99 + 1), 1e-6);
  ui.Release(ssLeft, 405, 400);
  EXPECT_EQ(g_mouseNav.DragMode, dmNone);
  EXPECT_EQ(platform().screenCursor(), CursorShape::Default);
  EXPECT_NEAR(View().wcx, before.wcx, 1e-6);
  EXPECT_NEAR(View().wcy, before.wcy, 1e-6);
  ExpectWindow(CurPVC().prevView, WindowOf(before));
  EXPECT_EQ(g_codes, (std::vector<int>{EV_LDOWN, EV_REDRAW, EV_MOVE})) << "no click";

  // With Shift, or slanted, or short, it stays a press.
  struct Case {
    double x, y;
    unsigned mods;
  };
  for (const Case& c : {Case{400, 200, ssShift}, Case{434, 200, 0}, Case{400, 276, 0}}) {
    const TGContext now = View();
    ui.Press(ssLeft, 400, 300, c.mods);
    ui.Move(c.x, c.y, c.mods);
    EXPECT_EQ(g_mouseNav.DragMode, dmNone) << c.x << "," << c.y;
    ui.Release(ssLeft, c.x, c.y, c.mods);
    ExpectWindow(View(), WindowOf(now));
  }
}

// Far from the origin a few units span only a few representable values: a
// zoom that would round the window's sides together leaves the view as it
// was, never a collapsed window (the device reset, shown upside down).
TEST_F(MouseNavTest, ZoomBelowTheNumbersPrecisionKeepsTheView) {
  G_SetWindow(View(), 1e14, 1e14, 1e14 + 0.1, 1e14 + 0.075);
  const TGContext before = View();
  ASSERT_GT(Width(), 0);
  ui.Press(ssLeft, 400, 500);
  ui.Move(400, -2000);  // a long drag up: in about 13.6 times
  ASSERT_EQ(g_mouseNav.DragMode, dmDragZoom);
  EXPECT_GT(View().wx2, View().wx1);
  EXPECT_GT(View().wy2, View().wy1);
  ExpectWindow(View(), WindowOf(before));
  ui.Release(ssLeft, 400, -2000);
  EXPECT_GT(View().wy2, View().wy1);
}

TEST_F(MouseNavTest, WheelZoomsAboutThePointer) {
  const TGContext before = View();
  const TPointD p = WorldAt(200, 150);
  ui.Wheel(120, 200, 150, ssCtrl);
  EXPECT_NEAR(Width(), (before.wx2 - before.wx1) * 0.8, 1e-6);
  const TPointD q = WorldAt(200, 150);
  EXPECT_NEAR(q.x, p.x, 1e-6);
  EXPECT_NEAR(q.y, p.y, 1e-6);
  ExpectWindow(CurPVC().prevView, WindowOf(before));
  EXPECT_EQ(g_codes, (std::vector<int>{EV_REDRAW, EV_MOVE}));
  EXPECT_TRUE(g_viewBuffer.lastRedrawFast);
  ui.Wheel(-120, 200, 150, ssCtrl);
  ExpectWindow(View(), WindowOf(before));
  // The option makes every notch zoom, Ctrl or not.
  ASSERT_TRUE(g_mouseNav.WheelZm);
  ui.Wheel(-120, 700, 50);
  EXPECT_NEAR(Width(), (before.wx2 - before.wx1) * 1.25, 1e-6);
}

TEST_F(MouseNavTest, WheelScrollsWithoutZoomOption) {
  g_mouseNav.WheelZm = false;
  struct Case {
    int delta;
    unsigned mods;
    double fx, fy;  // the window's move in widths and heights
  };
  const Case cases[] = {{120, 0, 0, 0.25}, {-120, 0, 0, -0.25}, {120, ssShift, -0.125, 0}, {-120, ssShift, 0.125, 0}};
  for (const Case& c : cases) {
    const TGContext v = View();
    const double w = v.wx2 - v.wx1, h = v.wy2 - v.wy1;
    ui.Wheel(c.delta, 10, 10, c.mods);
    ExpectWindow(View(), {v.wx1 + c.fx * w, v.wy1 + c.fy * h, v.wx2 + c.fx * w, v.wy2 + c.fy * h});
    EXPECT_FALSE(g_viewBuffer.lastRedrawFast);
  }
}

TEST_F(MouseNavTest, LostReleaseEndsADrag) {
  ui.Press(ssRight, 400, 300);
  ui.Move(500, 300);
  ASSERT_EQ(g_mouseNav.DragMode, dmPan);
  PaintBox1MouseMove(0, 510, 300);  // the right button is up, though no release came
  EXPECT_EQ(g_mouseNav.DragMode, dmNone);
  EXPECT_FALSE(g_manager.rightHeld);
  EXPECT_EQ(platform().screenCursor(), CursorShape::Default);
  EXPECT_EQ(g_codes, (std::vector<int>{EV_RDOWN, EV_REDRAW, EV_MOVE}));
}

TEST_F(MouseNavTest, LostReleaseWithTheEntryBoxOpenConfirmsOrCancels) {
  // As a reported release would: no point reaches the operation.
  struct Case {
    unsigned button;
    int code;
  };
  for (const Case& c : {Case{ssLeft, EV_ENTER}, Case{ssRight, EV_ESC}}) {
    EntryOpen(2, "length", nullptr);
    PaintBox1MouseDown(c.button, c.button, 100, 100);
    g_codes.clear();
    PaintBox1MouseMove(0, 105, 102);  // the button is up, though no release came
    EXPECT_FALSE(g_manager.leftHeld || g_manager.rightHeld);
    ASSERT_FALSE(g_codes.empty());
    EXPECT_EQ(g_codes.front(), c.code);
    EXPECT_EQ(std::count(g_codes.begin(), g_codes.end(), EV_LCLICK), 0);
    EXPECT_EQ(std::count(g_codes.begin(), g_codes.end(), EV_RCLICK), 0);
    EntryClose();
  }
}

TEST_F(MouseNavTest, ReleaseOverAnotherPanelEndsThePress) {
  ui.Press(ssLeft, 100, 100);
  ui.Move(120, 110);
  FormMouseUp(ssLeft, 0);
  EXPECT_FALSE(g_manager.leftHeld);
  EXPECT_EQ(g_codes, (std::vector<int>{EV_LDOWN, EV_LCLICK, EV_MOVE}));
  FormMouseUp(ssLeft, 0);  // nothing pending: nothing happens
  EXPECT_EQ(g_codes.size(), 3u);
}

TEST_F(MouseNavTest, OpenEntryBoxLeavesTheZoomBoxAlone) {
  EntryOpen(2, "length", nullptr);
  const TGContext before = View();
  ZoomBox(100, 100, 300, 250);
  EXPECT_EQ(g_codes, (std::vector<int>{EV_LDOWN, EV_REDRAW, EV_MOVE, EV_MOVE}))
      << "no Enter or Esc from the gesture's releases";
  EXPECT_LT(Width(), before.wx2 - before.wx1);
  EXPECT_TRUE(EntryIsOpen());
  ui.LeftClick(10, 10);  // a plain click confirms the entry
  EXPECT_EQ(g_codes.back(), EV_ENTER);
}

TEST_F(MouseNavTest, ViewButtons) {
  const TGContext v = View();
  const double w = v.wx2 - v.wx1, h = v.wy2 - v.wy1;
  Btn_ViewClick(TViewButton::BtnZM2);
  ExpectWindow(View(), {v.wx1 + w / 4, v.wy1 + h / 4, v.wx2 - w / 4, v.wy2 - h / 4});
  Btn_ViewClick(TViewButton::BtnZM1);
  ExpectWindow(View(), WindowOf(v));
  Btn_ViewClick(TViewButton::Btn_L);
  ExpectWindow(View(), {v.wx1 - w / 4, v.wy1, v.wx2 - w / 4, v.wy2});
  Btn_ViewClick(TViewButton::Btn_U);
  ExpectWindow(View(), {v.wx1 - w / 4, v.wy1 + h / 4, v.wx2 - w / 4, v.wy2 + h / 4});
  const TGContext moved = View();
  Btn_ViewClick(TViewButton::BtnZM0);
  ExpectWindow(View(), WindowOf(v));
  ExpectWindow(CurPVC().prevView, WindowOf(moved));
  platform().SetKeyDown(PhysKey::Ctrl, true);
  Btn_ViewClick(TViewButton::BtnZM0);
  const std::string& t = g_form1.pnMouse.caption;
  EXPECT_EQ(std::count(t.begin(), t.end(), '+'), 2) << t;
  EXPECT_NE(t.find(" = "), std::string::npos) << t;
  ExpectWindow(CurPVC().prevView, WindowOf(moved));  // nothing changed: the previous view stays
}

TEST_F(MouseNavTest, MousePositionText) {
  struct Case {
    double v;
    const char* text;
  };
  const Case cases[] = {{12.5, "12.5000"},       {1234.5678, "1,234.5"}, {-12345.6, "-12,345"},
                        {123456789, "123,456,789"}, {-0.00001, "0.0000"},  {999.99999, "1,000.0"}};
  for (const Case& c : cases) EXPECT_EQ(MousePosText(c.v), c.text) << c.v;
  ui.Move(100, 100);
  const TPointD p = WorldAt(100, 100);
  EXPECT_EQ(g_form1.pnMouse.caption, MousePosText(p.x) + " : " + MousePosText(p.y));
}

TEST_F(MouseNavTest, TitleShowsTheWindowAndTheFile) {
  CurPVC().fileName = reinterpret_cast<const char*>(u8"/home/user/図面/plan.vld");
  ShowTitle();
  EXPECT_EQ(g_form1.caption, "Velmo 5    【1】/home/user/図面/plan.vld");
  EXPECT_EQ(g_form1.lbFileName.caption, "【1】plan.vld");
  EXPECT_EQ(g_form1.lbFileName.hint, "/home/user/図面/plan.vld");
  static std::string startup = "/p/#INIT.V$D";
  g_wiring.isStartupFile = [](const std::string& path) { return path == startup; };
  CurPVC().fileName = startup;
  ShowTitle();
  EXPECT_EQ(g_form1.caption, "Velmo 5    【1】");
  EXPECT_EQ(g_form1.lbFileName.caption, "【1】");
}

TEST_F(MouseNavTest, SwitchingShowsTheOtherDrawingWithItsOwnSettingsAndUndo) {
  // Window 1: zoomed in, basic scale 100, a committed step that added a circle.
  Btn_ViewClick(TViewButton::BtnZM2);
  const TGContext view1 = View();
  GcellCommit();
  const int circle1 = GcellAddCircle(0, 0x11, 4000, 3000, 500, 1, 0);
  CurPVC().fileName = "/d/one.vld";
  // Window 2 gets its own settings and drawing.
  g_pvc.slots[2].basicScale = 50;
  g_pvc.slots[2].fileName = "/d/two.vld";
  g_codes.clear();
  btnFigChangeClick();
  EXPECT_EQ(StoreWindow(), 2);
  EXPECT_EQ(CurPVC().basicScale, 50);
  EXPECT_EQ(g_mouseNav.Btn_ChangeGlyph, 2);
  EXPECT_EQ(g_form1.lbFileName.caption, "【2】two.vld");
  EXPECT_EQ(CurOpButton(), OpBtn_Dummy);
  EXPECT_EQ(g_codes, std::vector<int>{EV_END});
  // Nothing in window 2 yet: the empty drawing's fit.
  EXPECT_NEAR(View().wy2, 600 * 50 + 800, 1e-6);
  const int line2 = GcellAddLine(0, 0x12, 0, 0, 100, 100);
  const TGContext view2 = View();
  EXPECT_EQ(g_form1.lbDataCount.caption, "線=   0,字=   0");

  // Undo in window 2 takes its line, and leaves window 1's circle alone.
  UndoCommand();
  EXPECT_FALSE(GcellLive(line2));
  SwitchWindow(1);
  EXPECT_EQ(CurPVC().basicScale, 100);
  EXPECT_EQ(CurPVC().fileName, "/d/one.vld");
  ExpectWindow(View(), WindowOf(view1));
  EXPECT_TRUE(GcellLive(circle1));
  EXPECT_EQ(g_form1.lbDataCount.caption, "線=   3,字=   0");
  UndoCommand();
  EXPECT_FALSE(GcellLive(circle1));

  // Each window keeps its view.
  SwitchWindow(2);
  ExpectWindow(View(), WindowOf(view2));
  SwitchWindow(2);  // already current: nothing
  EXPECT_EQ(StoreWindow(), 2);
  Window1Click();
  EXPECT_EQ(g_mouseNav.fname1, "<1>/d/one.vld");
  EXPECT_EQ(g_mouseNav.fname2, "<2>/d/two.vld");
  EXPECT_EQ(g_mouseNav.windowChecked, 2);
}

TEST_F(MouseNavTest, BlockCopyGoesOnAcrossTheSwitch) {
  SetOpHandler(OpBtn_BlockCopy, Recorder);
  ui.Choose(OpBtn_BlockCopy);
  g_codes.clear();
  SwitchWindow(2);
  EXPECT_EQ(CurOpButton(), OpBtn_BlockCopy);
  EXPECT_EQ(g_codes, std::vector<int>{EV_REDRAW});
  SetOpHandler(OpBtn_BlockCopy, nullptr);
}

}  // namespace
