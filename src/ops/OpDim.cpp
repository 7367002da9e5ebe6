#include "ops/OpDim.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "kernel/Z_Basic.h"
#include "kernel/Z_Math.h"
#include "model/PVC.h"
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
