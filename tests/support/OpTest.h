// The fixture of the operations' tests: a drawing area of 800 x 600 pixels
// showing about one drawing unit per pixel, basic scale 100 with every
// group at 1/100, texts 0.1 mm high. Positions are whole pixels counted
// from the lower left of the area; P gives the drawing point a click there
// takes, so a test builds its cells at P(...) and clicks them exactly.
#pragma once

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
