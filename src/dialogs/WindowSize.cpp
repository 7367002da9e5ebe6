#include "dialogs/WindowSize.h"

#include <algorithm>
#include <cmath>

#include "app/ApManager.h"
#include "app/ApMouse.h"
#include "app/Ap_Unit1.h"
#include "app/GC_View.h"
#include "files/FileProc.h"
#include "kernel/Platform.h"
#include "kernel/Z_Basic.h"
#include "model/PVC.h"
#include "render/Z_Graph.h"

WindowSizeState g_windowSize;

void WindowSize_Reset() { g_windowSize = WindowSizeState{}; }

TWindowSize WindowSizeOf(const TSizeForm& form, int screenWidth, int screenHeight) {
  TWindowSize s;
  s.width = std::max(std::min(ParseInt(form.edWidth), 4 * std::max(screenWidth, 1)), 20);
  s.height = std::max(std::min(ParseInt(form.edHeight), 4 * std::max(screenHeight, 1)), 20);
  const double d = ParseReal(form.edWidSize);
  s.viewWidth = std::max(std::min(std::isfinite(d) ? d : 0.0, 1e9), 10.0);
  return s;
}


void FixSizeCommand() {
  TSizeForm& f = g_windowSize.form;
  const TGContext& v = CurrentView();
  f.edWidth = FormatReal(80, g_form1.drawWidth);
  f.edHeight = FormatReal(80, g_form1.drawHeight);
  f.edWidSize = FormatReal(80, v.wx2 - v.wx1);
  f.toolsMode = g_fileProc.toolsMode;
  f.wholeWindow = false;
  if (!Platform().SizeDialog(f)) return;
  int screenW = 0, screenH = 0;
  Platform().ScreenSize(screenW, screenH);
  const TWindowSize s = WindowSizeOf(f, screenW, screenH);
  if (!Platform().SetDrawingAreaSize(s.width, s.height, f.wholeWindow)) PaintBox1Resize(s.width, s.height);
  ViewSetWidth(s.viewWidth);
  ReplayMouseMove();
}
