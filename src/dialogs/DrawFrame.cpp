#include "dialogs/DrawFrame.h"

#include <cmath>

#include "app/GC_View.h"
#include "kernel/Platform.h"
#include "kernel/Z_Basic.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "render/GC_Draw.h"

DrawFrameState g_drawFrame;

void DrawFrame_Reset() { g_drawFrame = DrawFrameState{}; }

namespace {

double FormScale(const std::string& text) { return ParseScale(ToHalfWidth(text, false)); }

}  // namespace

std::string NormalizeScaleField(const std::string& text) { return " " + ScaleText(FormScale(text)); }

bool DrawFrameOk(const TDrawFrameForm& form) {
  const double b = FormScale(form.edScale);
  if (!(b > 0) || !std::isfinite(b)) {
    Platform().Beep();
    return false;
  }
  TPVC& pvc = CurPVC();
  pvc.basicScale = b;
  for (TGroupEntry& g : pvc.groups) g.scaleX = g.scaleY = b;
  const int paper = std::clamp(ParseInt(form.rgPaperSize), 0, 4);
  const bool landscape = ParseInt(form.rgOrientation) != 0;
  double longSide = b * 297 * 4;
  for (int i = 0; i < paper; ++i) longSide /= std::sqrt(2.0);
  const double a = landscape ? longSide : longSide / std::sqrt(2.0);
  const double h = landscape ? longSide / std::sqrt(2.0) : longSide;
  const double m = b * (paper <= 2 ? 10 : 5);
  auto rect = [](double x1, double y1, double x2, double y2) {
    GcellAddLine(0, 0x57, x1, y1, x2, y1);
    GcellAddLine(0, 0x57, x2, y1, x2, y2);
    GcellAddLine(0, 0x57, x2, y2, x1, y2);
    GcellAddLine(0, 0x57, x1, y2, x1, y1);
  };
  rect(-m, -m, a - m, h - m);
  rect(0, 0, a - 2 * m, h - 2 * m);
  return true;
}

bool ShowDrawFrame() {
  TDrawFrameForm& f = g_drawFrame.form;
  f.edScale = " " + ScaleText(CurPVC().basicScale);
  bool made = false;
  const bool ok = Platform().DrawFrameDialog(f, [&f, &made] {
    made = DrawFrameOk(f);
    return made;
  });
  if (!ok || !made) return false;
  ViewFitAll();
  ViewRedraw(1);
  ShowDataCount();
  return true;
}
