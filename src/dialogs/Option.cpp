#include "dialogs/Option.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/ApGrpLay.h"
#include "app/ApManager.h"
#include "app/Ap_Unit1.h"
#include "app/GC_PointSearch.h"
#include "app/GC_View.h"
#include "files/FileProc.h"
#include "kernel/Platform.h"
#include "kernel/Z_Basic.h"
#include "model/GC_DB.h"
#include "render/ApPenSet.h"
#include "render/GC_Tenkai.h"
#include "render/GC_Transform.h"

OptionState g_option;

void Option_Reset() { g_option = OptionState{}; }

namespace {

double Scale(const std::string& text) { return ParseScale(ToHalfWidth(text, false)); }

int StoreSlot() { return StoreWindow() == 2 ? 2 : 1; }

}  // namespace

void LoadOptionForm(const TPVC& p, TOptionForm& f) {
  for (int g = 0; g < 16; ++g) {
    const TGroupEntry& e = p.groups[static_cast<std::size_t>(g)];
    f.groupName[g] = e.name;
    f.scaleX[g] = ScaleText(e.scaleX);
    f.scaleY[g] = e.scaleY == e.scaleX ? std::string() : ScaleText(e.scaleY);
    for (int l = 0; l < 16; ++l) f.layerName[g][l] = e.layers[static_cast<std::size_t>(l)].name;
  }
  f.edScale = ScaleText(p.basicScale);
  for (int k = 0; k < 6; ++k) {
    const TPenEntry& pen = p.pens[static_cast<std::size_t>(k + 1)];
    f.trackBar[k] = std::to_string(std::clamp(pen.printWidth, 1, 10));
    f.blackP[k] = pen.printBlack;
  }
  f.cbWhiteColor = p.monochrome;
  f.cbPenWidth = p.varyWidths;
  for (int n = 0; n < 10; ++n) {
    const TTextSize& t = p.textSizes[static_cast<std::size_t>(n + 1)];
    f.mojiSize[n][0] = FormatReal(51, t.height);
    f.mojiSize[n][1] = FormatReal(51, t.width);
    f.mojiSize[n][2] = FormatReal(51, t.spacing);
    f.mojiSize[n][3] = FormatReal(40, t.pen);
  }
  f.edMM_Offset = FormatReal(41, p.textOffset);
  f.EdArrowSize = FormatReal(41, p.dimArrowLength);
  f.EdArrowKakudo = FormatReal(30, p.dimArrowAngle);
  f.EdHL_Offset1 = FormatReal(41, p.dimExtGap);
  f.EdHL_Offset2 = FormatReal(41, p.dimExtOvershoot);
  f.EdSunpoPitch = FormatReal(41, p.dimPitch);
  f.edSM_Offset = FormatReal(41, p.dimTextGap);
  f.cbKanjiSunpo = p.dimFullWidth;
  f.cbKanmaSunpo = p.dimThousands;
  f.cbZerosSunpo = p.dimStripZeros;
  f.rgSunpoU = std::to_string(p.dimUnit);
  f.rgSunpoK = std::to_string(p.dimDecimals);
  f.cbRealGrid = p.realGrid;
  f.edRealGridSize = FormatReal(102, p.realGridSpacing);
  f.EdTuboSize = FormatReal(52, p.tuboArea);
  f.rgPaperSize = std::to_string(p.paperSize);
  f.rgOrientation = std::to_string(p.paperOrientation);
  f.rbPrinterType = std::to_string(p.printerType);
  f.cbQuality = p.finePrint;
  f.cbLayPen = p.penPerLayer;
}

bool StoreOptionForm(const TOptionForm& f, TPVC& p) {
  const double basic = Scale(f.edScale);
  if (!(basic > 0) || !std::isfinite(basic)) {
    Platform().Beep();
    return false;
  }
  for (int g = 0; g < 16; ++g) {
    TGroupEntry& e = p.groups[static_cast<std::size_t>(g)];
    e.name = FitText(f.groupName[g], 16);
    double x = Scale(f.scaleX[g]);
    if (!(x > 0)) x = 1;
    double y = Scale(f.scaleY[g]);
    if (!(y > 0)) y = x;
    e.scaleX = x;
    e.scaleY = y;
    for (int l = 0; l < 16; ++l) e.layers[static_cast<std::size_t>(l)].name = FitText(f.layerName[g][l], 16);
  }
  p.basicScale = basic;
  p.textOffset = ParseReal(f.edMM_Offset);
  p.dimArrowLength = std::max(0.0, ParseReal(f.EdArrowSize));
  p.dimArrowAngle = std::clamp(ParseReal(f.EdArrowKakudo), 15.0, 75.0);
  p.dimExtGap = std::max(0.0, ParseReal(f.EdHL_Offset1));
  p.dimExtOvershoot = std::max(0.0, ParseReal(f.EdHL_Offset2));
  p.dimPitch = std::max(0.0, ParseReal(f.EdSunpoPitch));
  p.dimTextGap = ParseReal(f.edSM_Offset);
  p.dimFullWidth = f.cbKanjiSunpo;
  p.dimThousands = f.cbKanmaSunpo;
  p.dimStripZeros = f.cbZerosSunpo;
  p.dimUnit = std::clamp(ParseInt(f.rgSunpoU), 0, 2);
  p.dimDecimals = std::clamp(ParseInt(f.rgSunpoK), 0, 3);
  p.realGrid = f.cbRealGrid;
  p.realGridSpacing = std::fabs(ParseReal(f.edRealGridSize));
  p.tuboArea = std::fabs(ParseReal(f.EdTuboSize));
  for (int n = 0; n < 10; ++n) {
    TTextSize& t = p.textSizes[static_cast<std::size_t>(n + 1)];
    // Heights and widths above 0, spacing 0 or more: the text layout divides by them.
    t.height = ParseReal(f.mojiSize[n][0]);
    if (!(t.height > 0)) t.height = 0.1;
    t.width = ParseReal(f.mojiSize[n][1]);
    if (!(t.width > 0)) t.width = 0.1;
    t.spacing = std::max(0.0, ParseReal(f.mojiSize[n][2]));
    t.pen = std::clamp(ParseInt(f.mojiSize[n][3]), 1, 7);
  }
  for (int k = 0; k < 6; ++k) {
    TPenEntry& pen = p.pens[static_cast<std::size_t>(k + 1)];
    pen.printWidth = std::clamp(ParseInt(f.trackBar[k]), 1, 10);
    pen.printBlack = f.blackP[k];
  }
  p.pens[7].colorIndex = 14;
  p.pens[7].printWidth = 1;
  p.monochrome = f.cbWhiteColor;
  p.varyWidths = f.cbPenWidth;
  p.paperSize = std::clamp(ParseInt(f.rgPaperSize), 0, 5);
  p.paperOrientation = std::clamp(ParseInt(f.rgOrientation), 0, 1);
  p.printerType = std::clamp(ParseInt(f.rbPrinterType), 0, 2);
  p.finePrint = f.cbQuality;
  p.penPerLayer = f.cbLayPen;
  // The write layer follows its group's last layer (a layer click may have changed it).
  const int wg = WriteGroup(p);
  p.writeLayer = wg << 4 | std::clamp(p.groups[static_cast<std::size_t>(wg)].lastLayer, 0, 15);
  return true;
}

bool SettingsDiffer(const TPVC& a, const TPVC& b) {
  for (std::size_t g = 0; g < a.groups.size(); ++g) {
    const TGroupEntry &x = a.groups[g], &y = b.groups[g];
    if (x.name != y.name || x.scaleX != y.scaleX || x.scaleY != y.scaleY || x.visible != y.visible ||
        x.lastLayer != y.lastLayer)
      return true;
    for (std::size_t l = 0; l < x.layers.size(); ++l)
      if (x.layers[l].name != y.layers[l].name || x.layers[l].visible != y.layers[l].visible) return true;
  }
  for (std::size_t n = 0; n < a.textSizes.size(); ++n) {
    const TTextSize &x = a.textSizes[n], &y = b.textSizes[n];
    if (x.height != y.height || x.width != y.width || x.spacing != y.spacing || x.pen != y.pen) return true;
  }
  for (std::size_t k = 0; k < a.pens.size(); ++k) {
    const TPenEntry &x = a.pens[k], &y = b.pens[k];
    if (x.colorIndex != y.colorIndex || x.printWidth != y.printWidth || x.printBlack != y.printBlack) return true;
  }
  return a.basicScale != b.basicScale || a.textOffset != b.textOffset || a.dimArrowLength != b.dimArrowLength ||
         a.dimArrowAngle != b.dimArrowAngle || a.dimExtGap != b.dimExtGap || a.dimExtOvershoot != b.dimExtOvershoot ||
         a.dimPitch != b.dimPitch || a.dimTextGap != b.dimTextGap || a.dimFullWidth != b.dimFullWidth ||
         a.dimThousands != b.dimThousands || a.dimStripZeros != b.dimStripZeros || a.dimUnit != b.dimUnit ||
         a.dimDecimals != b.dimDecimals || a.realGrid != b.realGrid || a.realGridSpacing != b.realGridSpacing ||
         a.tuboArea != b.tuboArea || a.paperSize != b.paperSize || a.paperOrientation != b.paperOrientation ||
         a.printerType != b.printerType || a.finePrint != b.finePrint || a.penPerLayer != b.penPerLayer ||
         a.monochrome != b.monochrome || a.varyWidths != b.varyWidths || a.selectionColor != b.selectionColor ||
         a.writeLayer != b.writeLayer;
}

void ApplySettingsChange(const TPVC& old, const TPVC& now) {
  const double r = now.basicScale / old.basicScale;
  double rx[16], ry[16];
  bool groupChanged = false;
  for (int g = 0; g < 16; ++g) {
    auto ratio = [](double a, double b) {
      const double q = a / b;
      return std::fabs(q - 1) <= 1e-6 ? 1.0 : q;
    };
    rx[g] = ratio(old.groups[static_cast<std::size_t>(g)].scaleX, now.groups[static_cast<std::size_t>(g)].scaleX);
    ry[g] = ratio(old.groups[static_cast<std::size_t>(g)].scaleY, now.groups[static_cast<std::size_t>(g)].scaleY);
    groupChanged = groupChanged || rx[g] != 1 || ry[g] != 1;
  }
  if (r == 1 && !groupChanged) return;
  // The rescaling is a step of its own: cells deleted before it cannot come
  // back by undo at the old scale beside rescaled ones.
  GcellCommit();
  // The settings change counts once (the caller's), not once per cell.
  const std::int32_t modified = CurPVC().modified;
  const int w = StoreWindow();
  const int used = StoreUsed();
  auto rewrite = [](int i, const TCellTransform& t) {
    TGcell c = GcellGet(i);
    TransformCell(c, t);
    GcellPut(c, i);
  };
  if (r != 1) {
    TCellTransform t;
    t.scaleX = t.scaleY = r;
    for (int i = 1; i <= used; ++i)
      if (GcellRef(i).window == w && GcellRef(i).kind > 0) rewrite(i, t);
  }
  if (groupChanged) {
    TPointD low[16];
    for (TPointD& p : low) p = {1e9, 1e9};
    TCellPieces pieces;
    double xs[kMaxCellPoints], ys[kMaxCellPoints];
    for (int i = 1; i <= used; ++i) {
      const TGcell& c = GcellRef(i);
      const int g = c.layer >> 4;
      if (c.window != w || c.kind <= 0 || (rx[g] == 1 && ry[g] == 1)) continue;
      ExpandCell(c, pieces);
      for (const TGcell& piece : pieces)
        for (int k = 0, m = CellPoints(piece, xs, ys); k < m; ++k) {
          low[g].x = std::min(low[g].x, xs[k]);
          low[g].y = std::min(low[g].y, ys[k]);
        }
    }
    for (int i = 1; i <= used; ++i) {
      const TGcell& c = GcellRef(i);
      const int g = c.layer >> 4;
      if (c.window != w || c.kind <= 0 || (rx[g] == 1 && ry[g] == 1)) continue;
      TCellTransform t;
      t.base = t.target = r != 1 ? TPointD{0, 0} : low[g];
      t.scaleX = rx[g];
      t.scaleY = ry[g];
      rewrite(i, t);
    }
  }
  CurPVC().modified = modified;
  ViewRedraw(1);
}

bool ShowOption(const std::string& page) {
  const int slot = StoreSlot();
  StoreWorkingSettings(slot);
  TOptionForm& f = g_option.form;
  LoadOptionForm(CurPVC(), f);
  f.press = [&f, slot](const std::string& b) {
    TPVC& pvc = CurPVC();
    const TPVC& other = g_pvc.slots[static_cast<std::size_t>(3 - slot)];
    if (b == "Button1") {
      TPVC stored = pvc;
      if (StoreOptionForm(f, stored)) {
        const std::int32_t modified = pvc.modified;
        pvc = stored;
        pvc.modified = modified;
        SaveStartupFile();
        Platform().MessageBox("初期化情報として記憶しました", kApplicationTitle, MsgButtons::Ok, MsgIcon::Information);
      }
      return;
    }
    if (b == "ScaleSame") {
      for (int g = 0; g < 16; ++g) f.scaleX[g] = f.edScale, f.scaleY[g].clear();
      return;
    }
    if (b == "BtnLayClr") {
      if (Platform().MessageBox("レイヤー名を全てクリアします、よろしいですか？", kApplicationTitle, MsgButtons::OkCancel,
                                MsgIcon::Question) != MsgAnswer::Ok)
        return;
      for (auto& row : f.layerName)
        for (std::string& n : row) n.clear();
      return;
    }
    if (b.rfind("Ref", 0) == 0) {
      if (b == "RefGroup") {
        pvc.basicScale = other.basicScale;
        for (std::size_t g = 0; g < 16; ++g) {
          pvc.groups[g].name = other.groups[g].name;
          pvc.groups[g].scaleX = other.groups[g].scaleX;
          pvc.groups[g].scaleY = other.groups[g].scaleY;
        }
      } else if (b == "RefLayer") {
        for (std::size_t g = 0; g < 16; ++g)
          for (std::size_t l = 0; l < 16; ++l) pvc.groups[g].layers[l].name = other.groups[g].layers[l].name;
      } else if (b == "RefPenSet") {
        for (std::size_t k = 1; k <= 6; ++k) pvc.pens[k] = other.pens[k];
        pvc.selectionColor = other.selectionColor;
        pvc.monochrome = other.monochrome;
        pvc.varyWidths = other.varyWidths;
      } else if (b == "RefMojiSize") {
        for (std::size_t n = 1; n <= 10; ++n) pvc.textSizes[n] = other.textSizes[n];
      } else if (b == "RefSunpo") {
        pvc.dimArrowLength = other.dimArrowLength, pvc.dimArrowAngle = other.dimArrowAngle;
        pvc.dimExtGap = other.dimExtGap, pvc.dimExtOvershoot = other.dimExtOvershoot;
        pvc.dimPitch = other.dimPitch, pvc.dimTextGap = other.dimTextGap, pvc.textOffset = other.textOffset;
        pvc.dimFullWidth = other.dimFullWidth, pvc.dimThousands = other.dimThousands;
        pvc.dimStripZeros = other.dimStripZeros, pvc.dimUnit = other.dimUnit, pvc.dimDecimals = other.dimDecimals;
        pvc.realGrid = other.realGrid, pvc.realGridSpacing = other.realGridSpacing;
      }
      LoadOptionForm(pvc, f);
      return;
    }
    // A layer cell: with Shift its visibility, else the group's last layer
    // (in the write group also the write layer).
    const bool shift = b.rfind("LayerShiftClick[", 0) == 0;
    if (shift || b.rfind("LayerClick[", 0) == 0) {
      const std::size_t open = b.find('['), comma = b.find(',');
      const int g = ParseInt(b.substr(open + 1)) - 1, l = ParseInt(b.substr(comma + 1)) - 1;
      if (g < 0 || g > 15 || l < 0 || l > 15) return;
      TGroupEntry& e = pvc.groups[static_cast<std::size_t>(g)];
      if (l == e.lastLayer) return;
      if (shift) {
        e.layers[static_cast<std::size_t>(l)].visible = !e.layers[static_cast<std::size_t>(l)].visible;
      } else {
        e.lastLayer = l;
        if (g == WriteGroup(pvc)) pvc.writeLayer = g << 4 | l;
      }
      RefreshLayerPanels();
    }
  };
  f.ok = [&f] {
    TPVC stored = CurPVC();
    if (!StoreOptionForm(f, stored)) return false;
    CurPVC() = stored;
    return true;
  };
  const bool ok = Platform().OptionDialog(f, page);
  if (!ok) {
    LoadWorkingSettings(slot);  // every change undone, layer clicks included
    RefreshLayerPanels();
    BuildPenColours();
    return false;
  }
  TPVC& pvc = CurPVC();
  const TPVC& old = g_pvc.slots[static_cast<std::size_t>(slot)];
  g_form1.CbMojiSize = MakeMojiSizeList(pvc);
  BuildPenColours();
  RefreshLayerPanels();
  if (SettingsDiffer(old, pvc)) {
    ++pvc.modified;
    ApplySettingsChange(old, pvc);
  }
  Form1Changed();
  ViewRedraw(1);
  return true;
}
