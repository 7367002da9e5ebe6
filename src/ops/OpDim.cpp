#include "ops/OpDim.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "app/Ap_Unit1.h"
#include "kernel/Platform.h"
#include "kernel/Z_Basic.h"
#include "kernel/Z_Math.h"
#include "model/PVC.h"
#include "ops/OpKit.h"
#include "render/GC_Tenkai.h"

std::string DimText(double value) {
  const TPVC& p = CurPVC();
  if (p.dimUnit == DIM_CM) value /= 10;
  if (p.dimUnit == DIM_M) value /= 1000;
  const int decimals = std::clamp(p.dimDecimals, 0, 3);
  const std::string format = std::string("%.") + std::to_string(decimals) + (p.dimThousands ? "n" : "f");
  std::string s = Format(format, {value});
  if (p.dimStripZeros && decimals > 0) {
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
  }
  return s;
}

std::string DimValueText(double value, bool metres, double unitLength) {
  std::string s;
  if (metres) {
    s = Format("%.3f", {value / 1000});
  } else {
    const double u = std::fabs(unitLength);
    const double n = u != 0 ? std::min(std::nearbyint(value / u), 999999.0) : 0;
    if (n > 1 && std::fabs(n * u - value) < 1)
      s = Format("%d@%.0f=%.0f", {static_cast<int>(n), u, value});
    else
      s = DimText(value);
  }
  return CurPVC().dimFullWidth ? ToFullWidth(s) : s;
}

std::string DimUnitCaption() {
  static const char* const kDecimals[] = {"整数", "１桁", "２桁", "３桁"};
  static const char* const kUnits[] = {"mm", "cm", "ｍ"};
  const TPVC& p = CurPVC();
  return std::string(kDecimals[std::clamp(p.dimDecimals, 0, 3)]) + kUnits[std::clamp(p.dimUnit, 0, 2)];
}

double DimPaper(double mm) { return mm * CurPVC().basicScale; }

void DimArrow(std::vector<TGcell>& out, TPointD e, TPointD inward) {
  const TPVC& p = CurPVC();
  if (p.dimArrowLength == 0) {
    out.push_back(MakePoint(e));
    return;
  }
  const double len = DimPaper(p.dimArrowLength);
  const double a = std::atan2(inward.y, inward.x);
  const double half = DegToRad(p.dimArrowAngle);
  for (double s : {half, -half}) out.push_back(MakeLine(e + len * UnitVector(a + s), e));
}

double DimUprightAngle(double a) {
  if (std::fabs(std::cos(a)) < 0.01) return std::numbers::pi / 2;
  return std::cos(a) >= 0 ? a : a + std::numbers::pi;
}

TGcell DimCentredText(const std::string& text, TPointD mid, double a) {
  const TPVC& p = CurPVC();
  TGcell t = MakeText(text, mid, a);
  t.size = static_cast<std::uint8_t>(std::max<int>(1, p.dimTextSize));
  t.pen = 1;
  const double len = TextExtent(t);
  const TPointD along = UnitVector(a), across{-along.y, along.x};
  const TPointD at = mid + DimPaper(p.dimTextGap) * across - (len / 2) * along;
  t.p[0] = at.x;
  t.p[1] = at.y;
  return t;
}

std::string AngleText(double degrees) {
  std::string s = Format("%.3f", {degrees});
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  s += "ﾟ";
  return CurPVC().dimFullWidth ? ToFullWidth(s) : s;
}

void EditDimensionUnit() {
  TPVC& p = CurPVC();
  static const char* const kUnits[] = {"mm", "cm", "m"};
  std::string text = Format("%s,%d,%d,%d", {kUnits[std::clamp(p.dimUnit, 0, 2)], p.dimDecimals,
                                           p.dimThousands ? 1 : 0, p.dimStripZeros ? 1 : 0});
  if (!Platform().InputQuery("寸法の単位", "単位(mm,cm,m),小数桁(0～3),3桁区切り(0/1),0の省略(0/1)", text)) return;
  const std::string t = ToHalfWidth(text, false);
  const std::string unit = t.substr(0, t.find(','));
  if (unit == "mm" || unit == "MM") p.dimUnit = DIM_MM;
  if (unit == "cm" || unit == "CM") p.dimUnit = DIM_CM;
  if (unit == "m" || unit == "M") p.dimUnit = DIM_M;
  const std::string rest = t.find(',') == std::string::npos ? std::string() : t.substr(t.find(',') + 1);
  p.dimDecimals = std::clamp(static_cast<int>(EvalField(rest, 1)), 0, 3);
  p.dimThousands = EvalField(rest, 2) != 0;
  p.dimStripZeros = EvalField(rest, 3) != 0;
  ++p.modified;
}

std::uint8_t DimByte(std::uint8_t measured) {
  return static_cast<std::uint8_t>((measured & 0xF0) | WriteLayerNumber(CurPVC()));
}

void DimFinish(std::vector<TGcell>& cells, std::uint8_t layer) {
  const std::uint16_t pen = static_cast<std::uint16_t>(CurPVC().writePen);
  for (TGcell& c : cells) {
    c.layer = layer;
    if (c.kind != GK_TEXT) c.pen = pen;
  }
}

void DimOpStart() {
  TPVC& p = CurPVC();
  if (p.dimTextSize >= 1 && p.dimTextSize <= 10) p.textSize = p.dimTextSize;
  g_form1.CbMojiSize = MakeMojiSizeList(p);
  ShowTextSizeBox(true);
  if (p.dimPen != 0) p.writePen = p.dimPen;
}

void DimOpEnd() {
  ShowTextSizeBox(false);
  Form1Changed();
}

void DimRemember() {
  TPVC& p = CurPVC();
  p.dimPen = static_cast<std::uint16_t>(p.writePen);
  p.dimTextSize = static_cast<std::uint16_t>(p.textSize);
}
