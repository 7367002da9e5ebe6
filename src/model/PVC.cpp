#include "model/PVC.h"

#include <algorithm>
#include <cmath>

#include "kernel/Common.h"
#include "kernel/Z_Basic.h"
#include "model/GC_DB.h"

namespace {

constexpr double kMinDivisor = 0.0001;
constexpr double kMaxShown = 2147483647.0;  // the largest integer a scale text shows

PVCState StartState() {
  PVCState s;
  s.slots.fill(DefaultPVC());
  return s;
}

}  // namespace

PVCState g_pvc = StartState();

void PVC_Reset() { g_pvc = StartState(); }

void ShowAllGroupsAndLayers(TPVC& pvc) {
  for (TGroupEntry& g : pvc.groups) {
    g.visible = true;
    for (TLayerEntry& l : g.layers) l.visible = true;
  }
}

void ShowWriteLayer(TPVC& pvc) {
  TGroupEntry& g = pvc.groups[WriteGroup(pvc)];
  g.visible = true;
  g.layers[WriteLayerNumber(pvc)].visible = true;
}

TPVC DefaultPVC() {
  TPVC p;
  for (TGroupEntry& g : p.groups) g.scaleX = g.scaleY = 100;
  ShowAllGroupsAndLayers(p);
  p.layerPens.fill(0x11);
  p.penPresets = {0x11, 0x21, 0x23, 0x25, 0x51, 0x53};
  p.basicScale = 100;

  p.dimArrowLength = 1.5;
  p.dimArrowAngle = 15;
  p.dimExtGap = 1.0;
  p.dimExtOvershoot = 1.0;
  p.dimPitch = 0;
  p.dimTextGap = 0.5;
  p.textOffset = 1.0;
  p.dimUnit = DIM_MM;
  p.dimDecimals = 0;
  p.dimPen = 0x11;
  p.dimTextSize = 2;

  p.show = {.dimHidden = false, .points = true, .lines = true, .texts = true, .fills = true, .pictures = true,
            .auxiliary = true};

  // Pens 1..6 (and the unused 8..10): colour k, print width k tenths of a
  // millimetre. Pen 7, the auxiliary pen, is thin in the auxiliary colour.
  for (int k = 1; k < kPenTableSize; ++k) {
    p.pens[k].colorIndex = k;
    p.pens[k].printWidth = k;
    p.pens[k].screenWidth = 1;
  }
  p.pens[7].colorIndex = 14;
  p.pens[7].printWidth = 1;
  p.selectionColor = 4;

  // Height and width in paper millimetres of sizes 0..10.
  static constexpr double kSizes[kTextSizeCount][2] = {
      {1.0, 1.0},   {2.0, 2.1},   {3.2, 3.1},   {4.0, 4.2},   {6.0, 6.5},   {8.0, 9.0},
      {10.0, 11.0}, {10.0, 11.0}, {10.0, 11.0}, {10.0, 11.0}, {10.0, 11.0}};
  for (int n = 0; n < kTextSizeCount; ++n) {
    p.textSizes[n].height = kSizes[n][0];
    p.textSizes[n].width = kSizes[n][1];
    p.textSizes[n].spacing = 0;
    p.textSizes[n].pen = 1;
  }

  p.printerType = PRINTER_MONO;
  p.paperSize = PAPER_A3;
  p.paperOrientation = 1;

  p.writeLayer = 0x00;
  p.writePen = 0x11;
  p.textSize = 2;
  p.realGridSpacing = 1000;
  p.tuboArea = 400.0 / 121.0;  // square metres per tsubo
  return p;
}

TPVC BuiltInSettings() {
  TPVC p = DefaultPVC();
  p.basicScale = 1;
  for (TGroupEntry& g : p.groups) g.scaleX = g.scaleY = 1;
  p.textSize = 1;
  for (int n = 0; n < kTextSizeCount; ++n)
    p.textSizes[n] = {.height = n + 1.0, .width = n + 1.0, .spacing = 0, .pen = std::min(n, 6)};
  for (int k = 1; k <= 7; ++k) {
    p.pens[k].colorIndex = k;
    p.pens[k].printWidth = k;
  }
  p.pens[7].colorIndex = 14;
  p.selectionColor = 4;
  return p;
}

void NormalizePVC(TPVC& pvc) {
  if (pvc.writePen == 0) pvc.writePen = 0x11;
  pvc.penPresets[0] = pvc.writePen;
  if (pvc.penPresets[1] == 0) {
    pvc.penPresets[1] = 0x21;
    pvc.penPresets[2] = 0x23;
    pvc.penPresets[3] = 0x25;
  }
  if (pvc.penPresets[4] == 0) {
    pvc.penPresets[4] = 0x51;
    pvc.penPresets[5] = 0x53;
  }

  // Indices into the groups, layers, size table and palette.
  pvc.writeLayer = std::clamp(pvc.writeLayer, 0, 255);
  for (TGroupEntry& g : pvc.groups) g.lastLayer = std::clamp(g.lastLayer, 0, kLayerCount - 1);
  pvc.textSize = std::clamp(pvc.textSize, 0, kTextSizeCount - 1);
  pvc.dimTextSize = std::min<std::uint16_t>(pvc.dimTextSize, kTextSizeCount - 1);
  for (int k = 1; k < kPenTableSize; ++k) pvc.pens[k].colorIndex = std::clamp(pvc.pens[k].colorIndex, 1, 15);
  pvc.selectionColor = std::clamp(pvc.selectionColor, 1, 15);

  ShowWriteLayer(pvc);
}

// ---- Window slots ---------------------------------------------------------

void StoreWorkingSettings(int w) {
  if (w == 1 || w == 2) g_pvc.slots[w] = g_pvc.slots[0];
}

void LoadWorkingSettings(int w) {
  if (w != 1 && w != 2) return;
  g_pvc.slots[0] = g_pvc.slots[w];
  NormalizePVC(g_pvc.slots[0]);
}

bool SwapWorkingSettings(int from, int to) {
  if (!((from == 1 && to == 2) || (from == 2 && to == 1))) return false;
  StoreWorkingSettings(from);
  LoadWorkingSettings(to);
  return true;
}

// ---- Groups, layers and scales --------------------------------------------

int GroupOfCode(const TPVC& pvc, int code) {
  if (code == kWriteLayerCode) code = pvc.writeLayer;
  return std::clamp(code, 0, 255) >> 4;
}

double GroupScaleX(const TPVC& pvc, int code) { return pvc.groups[GroupOfCode(pvc, code)].scaleX; }
double GroupScaleY(const TPVC& pvc, int code) { return pvc.groups[GroupOfCode(pvc, code)].scaleY; }

TScaleFactors GroupFactors(const TPVC& pvc, int code) {
  const TGroupEntry& g = pvc.groups[GroupOfCode(pvc, code)];
  const double b = std::max(pvc.basicScale, kMinDivisor);
  return {std::max(g.scaleX, kMinDivisor) / b, std::max(g.scaleY, kMinDivisor) / b};
}

double RealToUnitsX(const TPVC& pvc, int code, double length) { return length / GroupFactors(pvc, code).x; }
double RealToUnitsY(const TPVC& pvc, int code, double length) { return length / GroupFactors(pvc, code).y; }

// ---- Scale texts ----------------------------------------------------------

namespace {

// How a scale is shown: nothing, 1:n, v:1 with v to the nearest half
// (ratios up to 5:1), or n:1.
struct TShownScale {
  enum Kind { None, OneTo, Halves, ToOne } kind = None;
  double n = 0;
  double value() const { return kind == None ? 0 : kind == OneTo ? n : 1 / n; }
};

TShownScale Shown(double x) {
  const double a = std::fabs(x);
  if (!(a > 0)) return {};  // 0 and NaN
  if (a >= 1) return {TShownScale::OneTo, static_cast<double>(RoundInt(a))};
  if (a >= 0.2) return {TShownScale::Halves, RoundInt(2 / a) / 2.0};
  return {TShownScale::ToOne, static_cast<double>(RoundInt(std::min(1 / a, kMaxShown)))};
}

// The value of the first field, inverted when it holds a "/".
double ReadScale(std::string_view text) {
  const std::string half = ToHalfWidth(text, false);  // "／" and full-width digits
  // Neither "," nor "/" can be the second byte of a two-byte character.
  const std::string first = half.substr(0, half.find(','));
  double v = std::fabs(EvalField(first, 1));
  if (!(v > 0)) return 0;
  if (first.find('/') != std::string::npos) v = 1 / v;
  return v;
}

}  // namespace

std::string ScaleText(double x) {
  const TShownScale s = Shown(x);
  switch (s.kind) {
    case TShownScale::None: return "";
    case TShownScale::OneTo: return Format(" 1/%4d", {static_cast<std::int64_t>(s.n)});
    case TShownScale::ToOne: return Format("%5.0f/1", {s.n});
    case TShownScale::Halves: break;
  }
  std::string t = Format("%5.1f/1", {s.n});
  // A whole ratio without its ".0", in the same width.
  if (t.compare(3, 2, ".0") == 0) t = "  " + t.substr(0, 3) + "/1";
  return t;
}

std::string ScaleLabel(double sx, double sy) {
  if (sx == sy) return "S=" + RemoveSpaces(ScaleText(sx));
  return "X=" + RemoveSpaces(ScaleText(sx)) + ",Y=" + RemoveSpaces(ScaleText(sy));
}

double ParseScale(std::string_view text) {
  // The value as shown, computed from the numbers rather than by reading the
  // shown text back, which would add rounding noise (1 / (1 / n)).
  return Shown(ReadScale(text)).value();
}

// ---- Text sizes -----------------------------------------------------------

TMojiSizeList MakeMojiSizeList(const TPVC& pvc) {
  TMojiSizeList list;
  list.items.reserve(kTextSizeCount);
  list.items.push_back(" 0) **.*×**.*");
  for (int n = 1; n < kTextSizeCount; ++n)
    list.items.push_back(Format("%2d)%5.1f×%4.1f", {n, pvc.textSizes[n].height, pvc.textSizes[n].width}));
  list.index = (pvc.textSize >= 0 && pvc.textSize < kTextSizeCount) ? pvc.textSize : -1;
  return list;
}

// ---- Counters -------------------------------------------------------------

void ResetLayerCounts(TPVC& pvc) {
  for (TGroupEntry& g : pvc.groups) {
    g.count = 0;
    for (TLayerEntry& l : g.layers) l.count = 0;
  }
  pvc.lineCount = pvc.textCount = 0;
}

void CountCell(TPVC& pvc, const TGcell& cell) {
  if (cell.kind <= 0) return;
  ++LayerCount(pvc, cell.layer);
  if (cell.kind == GK_TEXT)
    ++pvc.textCount;
  else
    ++pvc.lineCount;
}
