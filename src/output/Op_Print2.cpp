#include "output/Op_Print2.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <numbers>

#include "app/ApManager.h"
#include "app/Ap_Unit1.h"
#include "app/GC_PointSearch.h"
#include "app/GC_View.h"
#include "files/FileProc.h"
#include "kernel/Platform.h"
#include "kernel/SjisConv.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "render/Canvas.h"
#include "render/GC_Draw.h"
#include "render/Z_Graph.h"

PrintOpState g_print;

void Op_Print2_Reset() { g_print = PrintOpState{}; }

namespace {

constexpr std::uint16_t kFramePen = 0x8011;  // pen 1, solid, selected: the XOR colour
constexpr std::uint16_t kPaperPen = 0x8021;  // dotted

PrintOpState& P() { return g_print; }

// The drawing's paper and orientation offered to the print dialog.
bool ChoosePrinter() {
  const TPVC& pvc = CurPVC();
  TPrintSetup setup;
  if (pvc.paperSize != 5) {
    setup.paperSize = pvc.paperSize;
    setup.landscape = pvc.paperOrientation == 1;
  } else {
    setup.paperSize = 5;
  }
  return Platform().PrintDialog(setup);
}

TGcell Rect(TPointD corner, double w, double h, std::uint16_t pen) {
  TGcell r = MakeRect(corner, w, h);
  r.pen = pen;
  return r;
}

void ShowFrame(TGContext& view) {
  const PrintOpState& s = P();
  std::vector<TGcell> cells{Rect(s.corner, s.W * s.k - s.k, s.H * s.k - s.k, kFramePen)};
  if (s.MX != 0 && s.MY != 0)
    cells.push_back(Rect(s.corner - TPointD{s.MX * s.k, s.MY * s.k}, s.PW * s.k, s.PH * s.k, kPaperPen));
  P().frame.Show(view, std::move(cells));
}

void MoveFrame(TGContext& view, TPointD p) {
  P().corner = p;
  ShowFrame(view);
}

// The text sizes of the settings as a print needs them, put back whatever
// happens to the print.
class TPrintTextSizes {
public:
  TPrintTextSizes(bool enlarge, bool realSize) : saved_(CurPVC().textSizes) {
    TPVC& p = CurPVC();
    const double group = GroupFactors(p, kWriteLayerCode).x * std::max(p.basicScale, 0.0001);
    for (int n = 1; n <= 10; ++n) {
      TTextSize& t = p.textSizes[static_cast<std::size_t>(n)];
      if (enlarge) {
        t.height *= 1.2;
        t.width *= 1.2;
        t.spacing = std::max(t.spacing - 0.2 * t.width, 0.0);
      }
      if (realSize && group > 0) {
        t.height /= group;
        t.width /= group;
        t.spacing /= group;
      }
    }
  }
  ~TPrintTextSizes() { CurPVC().textSizes = saved_; }
  TPrintTextSizes(const TPrintTextSizes&) = delete;
  TPrintTextSizes& operator=(const TPrintTextSizes&) = delete;

private:
  decltype(TPVC::textSizes) saved_;
};

std::string JobTitle() {
  const std::string& name = g_pvc.slots[static_cast<std::size_t>(StoreWindow())].fileName;
  return Utf8ToSjis(std::filesystem::path(name).filename().string());
}

// Prints the window (x1, y1)-(x2, y2) of the drawing on the chosen printer.
void PrintWindow(double printScale, double x1, double y1, double x2, double y2, bool enlarge, bool realSize) {
  ICanvas* printer = Platform().Printer();
  if (!printer) return;
  Platform().SetScreenCursor(CursorShape::Hourglass);
  Platform().SetPrintJobTitle(JobTitle());
  TGContext g;
  if (G_Begin(g, TTargetKind::Printer, printer, printScale)) {
    g.textMarks = true;
    // The whole printable page is the frame the user placed: the page
    // offsets a printer context starts with would push its right and top
    // edges off the paper.
    g.extraOffsetX = g.extraOffsetY = 0;
    g.pageOffsetX = g.pageOffsetY = 0;
    G_SetViewport(g, 0, 0, P().W, P().H);
    G_SetWindow(g, x1, y1, x2, y2);
    {
      const TPrintTextSizes sizes(enlarge, realSize);
      PrintCells(g);
    }
    G_End(g);
  }
  Platform().SetScreenCursor(CursorShape::Default);
}

void StartPlacing(TGContext& view) {
  P().state = 0;
  if (!PrintPageSetup()) {
    OpEndSelf();
    return;
  }
  ClearSubBtns();
  SetSubBtn("①印刷領域を作図", true);
  ShowFrame(view);
  P().state = 1;
}

void PrintDialogStep(TGContext& view) {
  P().state = 0;
  Platform().SetScreenCursor(CursorShape::Hourglass);
  const bool ok = ChoosePrinter();
  Platform().SetScreenCursor(CursorShape::Default);
  if (!ok) {
    OpEndSelf();
    return;
  }
  StartPlacing(view);
}

void DrawFrameLines(TGContext& view) {
  const PrintOpState& s = P();
  GcellCommit();
  auto box = [&](TPointD c, double w, double h) {
    const TPointD a = c, b = c + TPointD{0, h}, d = c + TPointD{w, h}, e = c + TPointD{w, 0};
    for (auto [p, q] : {std::pair{a, b}, std::pair{b, d}, std::pair{d, e}, std::pair{e, a}})
      StoreOnWrite(view, MakeLine(p, q));
  };
  P().frame.Hide(view);
  box(s.corner, s.W * s.k - s.k, s.H * s.k - s.k);
  if (s.MX != 0 && s.MY != 0) box(s.corner - TPointD{s.MX * s.k, s.MY * s.k}, s.PW * s.k, s.PH * s.k);
  ShowDataCount();
  ShowFrame(view);
}

void Print(TGContext& view) {
  PrintOpState& s = P();
  s.frame.Hide(view);
  s.state = 99;
  s.enlargeTexts = false;
  const double f = PrintFactor(s.mode);
  if (f < 0.8)
    s.enlargeTexts = Platform().MessageBox("文字を少し大きくしますか？", kApplicationTitle, MsgButtons::YesNo,
                                           MsgIcon::Question) == MsgAnswer::Yes;
  PrintWindow(std::min(f, 1.0), s.corner.x, s.corner.y, s.corner.x + s.W * s.k, s.corner.y + s.H * s.k,
              s.enlargeTexts, s.mode == 11);
  if (Platform().MessageBox("続けて印刷しますか？", kApplicationTitle, MsgButtons::YesNo, MsgIcon::Question) ==
      MsgAnswer::Yes) {
    StartPlacing(view);
  } else {
    ClearSubBtns();
    s.state = 0;
    OpEndSelf();
  }
}

// A click's point: the left press, or the right press snapped (a beep and
// false when nothing is near).
bool FramePoint(TGContext& view, int code, TPointD& p) {
  p = ToWorld(view, PressPixel(code));
  if (code == EV_RCLICK && !SnapPoint(view, p.x, p.y)) {
    Platform().Beep();
    return false;
  }
  return true;
}

const char* PromptOf(int state) {
  switch (state) {
    case 1: return "印刷位置(範囲)を指示(L)or(R)";
    case 2: return "作図位置を指示(L)or(R)";
    case 3: return "印刷を実行してよろしいですか？ Yes:(L)  No:(R)";
    default: return "";
  }
}

}  // namespace

double PrintFactor(int mode) {
  switch (mode) {
    case 100: return 1.0;
    case 72: return 0.7071067811865476;
    case 50: return 0.5;
    case 11: return GroupFactors(CurPVC(), kWriteLayerCode).x * std::max(CurPVC().basicScale, 0.0001);
    default: return 1.0;
  }
}

bool PrintPageSetup() {
  PrintOpState& s = P();
  ICanvas* printer = Platform().Printer();
  if (!printer || printer->PrinterDpi() <= 0) return false;
  s.pixelsPerMm = printer->PrinterDpi() / 25.4;
  s.W = printer->Width() / s.pixelsPerMm;
  s.H = printer->Height() / s.pixelsPerMm;
  s.MX = std::nearbyint(s.W * 0.02);
  s.MY = std::nearbyint(s.H * 0.02);
  s.PW = s.W + 2 * s.MX;
  s.PH = s.H + 2 * s.MY;
  const double f = PrintFactor(s.mode);
  s.k = std::max(CurPVC().basicScale, 0.0001) / (f > 0 ? f : 1);
  return true;
}

bool PrintCells(TGContext& g) {
  const int w = StoreWindow(), n = StoreUsed();
  bool areas = false;
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = 1; i <= n; ++i) {
      const TGcell& c = GcellRef(i);
      if (c.window != w || c.kind <= 0) continue;
      const bool area = c.kind >= GK_POLYGON && c.kind <= GK_PICTURE;
      if (area != (pass == 0)) continue;
      if (!IsCellShown(c) || (IsAuxCell(c) && !g_print.printAux)) continue;
      DrawCellGeneral(g, c, false);
      areas = areas || area;
    }
  }
  return areas;
}

void PrintDisplayedArea() {
  SnapshotWindows();
  if (Platform().MessageBox("表示部分を印刷します．", kApplicationTitle, MsgButtons::OkCancel, MsgIcon::Question) !=
      MsgAnswer::Ok)
    return;
  if (!ChoosePrinter()) return;
  SnapshotWindows();
  const int mode = P().mode;
  P().mode = 100;
  const bool ok = PrintPageSetup();
  P().mode = mode;
  if (!ok) return;
  const TGContext& v = CurrentView();
  double s = std::min(CurPVC().basicScale * P().W / (v.wx2 - v.wx1), 1.0);
  if (P().W < 450) s /= 2;
  PrintWindow(s, v.wx1, v.wy1, v.wx2, v.wy2, false, false);
}

int PrintDrawingFile(const std::filesystem::path& in, int mode) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(in, ec)) {
    Platform().MessageBox("ﾌｧｲﾙ[" + Utf8ToSjis(in.string()) + "]が見つかりません。", kApplicationTitle, MsgButtons::Ok,
                          MsgIcon::Error);
    return 1;
  }
  TOpenReport report;
  if (!OpenDrawingFile(in, &report) || report.damaged) return 1;
  PrintOpState& s = P();
  s.mode = mode == 0 ? 100 : mode;
  if (!ChoosePrinter() || !PrintPageSetup()) {
    Platform().MessageBox("プリンタがありません。", kApplicationTitle, MsgButtons::Ok, MsgIcon::Error);
    return 1;
  }
  const TExtents e = GcellExtents();
  if (mode == 0) {
    // The whole drawing, widened to the page's shape, fitted to it.
    const double w = std::max(e.xmax - e.xmin, 1e-3), h = std::max(e.ymax - e.ymin, 1e-3);
    const double scale = std::max(w / s.W, h / s.H);
    const double cx = (e.xmin + e.xmax) / 2, cy = (e.ymin + e.ymax) / 2;
    PrintWindow(1.0, cx - s.W * scale / 2, cy - s.H * scale / 2, cx + s.W * scale / 2, cy + s.H * scale / 2, false,
                false);
  } else {
    // The drawing's lower left at the page's margins.
    s.corner = {e.xmin - s.MX * s.k, e.ymin - s.MY * s.k};
    const double f = PrintFactor(s.mode);
    PrintWindow(std::min(f, 1.0), s.corner.x, s.corner.y, s.corner.x + s.W * s.k, s.corner.y + s.H * s.k, false,
                s.mode == 11);
  }
  return 0;
}

void Op_Print2(TGContext& view, int code, double x, double y) {
  PrintOpState& s = P();
  switch (code) {
    case EV_START:
      // Started again other than by its menu item (undo restarts the
      // operation): it has no print mode to go on with.
      if (y != -1 || s.state != 0) {
        OpEndSelf();
        return;
      }
      SnapshotWindows();
      s.mode = static_cast<int>(std::nearbyint(x));
      PrintDialogStep(view);
      break;
    case EV_END:
      s.frame.Clear(view);
      s.enlargeTexts = false;
      s.state = 0;
      return;
    case EV_REDRAW: return;
    case EV_ESC:
      if (s.state == 1) {
        s.frame.Clear(view);
        PrintDialogStep(view);
      } else if (s.state == 2) {
        SetSubBtn("①印刷領域を作図", true);
        s.state = 1;
      } else if (s.state == 3) {
        SetSubBtn("①印刷領域を作図", true);
        SetSubBtn("②", false);
        s.state = 1;
      }
      break;
    case EV_SUB1:
      if (s.state == 1) {
        SetSubBtn("①", false);
        s.state = 2;
      } else if (s.state == 3) {
        Print(view);
      }
      break;
    case EV_SUB1 + 1:
      if (s.state == 3) {
        SetSubBtn("①印刷領域を作図", true);
        SetSubBtn("②", false);
        s.state = 1;
      }
      break;
    case EV_MOVE:
    case EV_RDOWN:
      if (s.state == 1 || s.state == 2) MoveFrame(view, PointerPoint(view, code, x, y));
      break;
    case EV_LCLICK:
    case EV_RCLICK: {
      if (s.state == 3) {
        if (code == EV_LCLICK) {
          Print(view);
        } else {
          SetSubBtn("①印刷領域を作図", true);
          SetSubBtn("②", false);
          s.state = 1;
        }
        break;
      }
      if (s.state != 1 && s.state != 2) break;
      TPointD p;
      if (!FramePoint(view, code, p)) break;
      MoveFrame(view, p);
      if (s.state == 1) {
        SetSubBtn("①実行(L)", true);
        SetSubBtn("②再指定(R)", true);
        s.state = 3;
      } else {
        DrawFrameLines(view);
      }
      break;
    }
    default: break;
  }
  ShowStep(PromptOf(s.state), s.state == 3 ? CursorShape::Help : CursorShape::Arrow, false, false);
}
