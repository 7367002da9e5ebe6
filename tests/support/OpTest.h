// The fixture of the operations' tests: a drawing area of 800 x 600 pixels
// showing about one drawing unit per pixel, basic scale 100 with every
// group at 1/100, texts 0.1 mm high. Positions are whole pixels counted
// from the lower left of the area; P gives the drawing point a click there
// takes, so a test builds its cells at P(...) and clicks them exactly.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "Harness.h"
#include "VelmoTest.h"
#include "app/GC_View.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "render/Z_Graph.h"

class OpTest : public VelmoTest {
protected:
  Harness ui{800, 600};

  void SetUp() override {
    VelmoTest::SetUp();
    ui = Harness{800, 600};
    TGContext& v = CurrentView();
    G_SetWindow(v, 0, 0, v.devRight - v.devLeft, v.devBottom - v.devTop);
    g_viewBuffer.windowSet = true;
    CurPVC().basicScale = 100;
    for (auto& g : CurPVC().groups) g.scaleX = g.scaleY = 100;
    for (int n = 1; n <= 10; ++n) CurPVC().textSizes[n] = {0.1, 0.1, 0, 1, 0};
    ViewRedraw(1);
  }

  static TPointD Px(double x, double y) { return {x, 599 - y}; }
  static TPointD P(double x, double y) {
    TPointD w;
    G_ToWorld(CurrentView(), x, 599 - y, w.x, w.y);
    return w;
  }
  void Left(double x, double y, unsigned mods = 0) {
    const TPointD p = Px(x, y);
    ui.LeftClick(p.x, p.y, mods);
  }
  void Right(double x, double y) {
    const TPointD p = Px(x, y);
    ui.RightClick(p.x, p.y);
  }
  void MoveTo(double x, double y) {
    const TPointD p = Px(x, y);
    ui.Move(p.x, p.y);
  }
  static int Line(TPointD a, TPointD b, std::uint8_t layer = 0) { return GcellAddLine(layer, 0x11, a.x, a.y, b.x, b.y); }
  static std::vector<TGcell> Live(int kind = 0) {
    std::vector<TGcell> out;
    for (int i = 1; i <= StoreUsed(); ++i)
      if (GcellLive(i) && (kind == 0 || GcellRef(i).kind == kind)) out.push_back(GcellGet(i));
    return out;
  }
  // The prompt line without the blank the label puts on either side.
  static std::string Prompt() {
    const std::string p = Harness::Prompt();
    return p.size() >= 2 ? p.substr(1, p.size() - 2) : p;
  }
};

// The same with the drawing's origin in the middle of the area, and the
// helpers taking drawing points: L and R click at a point's pixel, At is the
// point such a click takes (that of the whole pixel).
class CentredOpTest : public OpTest {
protected:
  void SetUp() override {
    OpTest::SetUp();
    TGContext& v = CurrentView();
    G_SetWindow(v, -400, -300, v.devRight - v.devLeft - 400, v.devBottom - v.devTop - 300);
    ViewRedraw(1);
  }
  static TPointD Pixel(TPointD p) {
    TPointD px;
    G_ToPixel(CurrentView(), p.x, p.y, px.x, px.y);
    return px;
  }
  static TPointD At(TPointD p) {
    const TPointD px = Pixel(p);
    TPointD w;
    G_ToWorld(CurrentView(), std::round(px.x), std::round(px.y), w.x, w.y);
    return w;
  }
  void L(TPointD p, unsigned mods = 0) {
    const TPointD px = Pixel(p);
    ui.LeftClick(px.x, px.y, mods);
  }
  void R(TPointD p) {
    const TPointD px = Pixel(p);
    ui.RightClick(px.x, px.y);
  }
  // Types a value into sub-menu button n's entry box.
  void Value(int button, const std::string& text) {
    ui.SubMenu(button);
    ui.Entry(text);
  }
  static int AddLine(double x1, double y1, double x2, double y2, std::uint16_t pen = 0x11) {
    return GcellAddLine(0, pen, x1, y1, x2, y2);
  }
  // A cell in pen 1 (cells of pen 0 offer no point to snap to).
  static int Add(TGcell c) {
    c.pen = 0x11;
    return GcellAdd(c);
  }
  static std::vector<TLineGeom> Lines() {
    std::vector<TLineGeom> out;
    for (const TGcell& c : Live(GK_LINE)) out.push_back(LineOf(c));
    return out;
  }
  static void ExpectLine(const TLineGeom& l, TPointD a, TPointD b, double tol = 1e-6) {
    EXPECT_NEAR(l.a.x, a.x, tol);
    EXPECT_NEAR(l.a.y, a.y, tol);
    EXPECT_NEAR(l.b.x, b.x, tol);
    EXPECT_NEAR(l.b.y, b.y, tol);
  }
};
