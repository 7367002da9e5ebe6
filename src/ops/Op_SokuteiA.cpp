#include "ops/Op_SokuteiA.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/Ap_Unit1.h"
#include "app/GC_PointSearch.h"
#include "app/GC_View.h"
#include "kernel/Platform.h"
#include "kernel/Z_Basic.h"
#include "kernel/Z_Math.h"
#include "model/ComHst.h"
#include "model/PVC.h"
#include "ops/Op_SokuteiL.h"

SokuteiAOpState g_sokuteiAOp;

void Op_SokuteiA_Reset() { g_sokuteiAOp = SokuteiAOpState{}; }

namespace {

SokuteiARun& S() { return g_sokuteiAOp.run; }

struct TMoments {
  double area = 0;  // drawing units²
  TPointD offset;   // of the centroid from slot 1
};

TMoments Moments() {
  const SokuteiARun& r = S();
  std::vector<double> xs, ys;
  xs.push_back(r.slot[1].x);
  ys.push_back(r.slot[1].y);
  for (int i = 1; i < r.n; ++i) {
    xs.push_back(r.slot[static_cast<std::size_t>(i)].x);
    ys.push_back(r.slot[static_cast<std::size_t>(i)].y);
  }
  double a = 0, mx = 0, my = 0;
  PolygonMoments(xs.data(), ys.data(), 0, static_cast<int>(xs.size()) - 1, r.slot[1].x, r.slot[1].y, a, mx, my);
  const double div = std::fabs(a) < 1e-6 ? (a < 0 ? -1e-6 : 1e-6) : a;
  return {std::fabs(a), {mx / div, my / div}};
}

// The outline, its bounding box and the centroid cross, in XOR.
void ShowFigure(TGContext& view) {
  SokuteiARun& r = S();
  std::vector<TGcell> cells;
  double x1 = r.slot[1].x, x2 = x1, y1 = r.slot[1].y, y2 = y1;
  for (int i = 2; i <= r.n; ++i) {
    const TPointD a = r.slot[static_cast<std::size_t>(i - 1)], b = r.slot[static_cast<std::size_t>(i)];
    TGcell l = MakeLine(a, b);
    l.pen = i == r.n ? 0x8021 : 0x8011;
    cells.push_back(l);
  }
  for (int i = 1; i <= r.n; ++i) {
    x1 = std::min(x1, r.slot[static_cast<std::size_t>(i)].x);
    x2 = std::max(x2, r.slot[static_cast<std::size_t>(i)].x);
    y1 = std::min(y1, r.slot[static_cast<std::size_t>(i)].y);
    y2 = std::max(y2, r.slot[static_cast<std::size_t>(i)].y);
  }
  if (r.n > 3) {
    const TMoments m = Moments();
    r.centroid = r.slot[1] + m.offset;
    TGcell box = MakeRect({x1, y1}, x2 - x1, y2 - y1);
    TGcell v = MakeLine({r.centroid.x, y1}, {r.centroid.x, y2}), h = MakeLine({x1, r.centroid.y}, {x2, r.centroid.y});
    box.pen = v.pen = h.pen = 0x8057;
    cells.insert(cells.end(), {box, v, h});
  }
  r.figure.Show(view, std::move(cells));
}

void ShowResult() {
  g_form1.edCommon.text = S().n > 3 ? AreaText() : std::string();
  Form1Changed();
}

void TakeLayer(TGContext& view, TPointD p) {
  const TGcell under = PickPrimitive(view, false, p.x, p.y);
  S().layer = under.kind != 0 ? under.layer : static_cast<std::uint8_t>(CurPVC().writeLayer);
}

}  // namespace

std::string AreaText() {
  const TPVC& pvc = CurPVC();
  const TScaleFactors f = GroupFactors(pvc, S().layer);
  const TMoments m = Moments();
  const double a = m.area * f.x * f.y, ox = m.offset.x * f.x, oy = m.offset.y * f.y;
  if (a < 1'000'000) return Format(" %.4n mm2", {a}) + Format("  [ 重心(mm) X=%.2f  Y=%.2f ]", {ox, oy});
  std::string s = Format(" %.4n㎡", {a * 1e-6});
  if (pvc.tuboArea > 0.001) s += Format(" %.2f坪(%.2f㎡)", {a * 1e-6 / pvc.tuboArea, pvc.tuboArea});
  return s + Format(" [重心(m) X=%.4f Y=%.4f]", {ox / 1000, oy / 1000});
}

void Op_SokuteiA(TGContext& view, int code, double x, double y) {
  SokuteiARun& r = S();
  if (code == EV_START) {
    r = SokuteiARun{};
    OpenResultBox(0);
    r.n = 1;
  } else if (code == EV_END) {
    r.figure.Clear(view);
    CloseResultBox();
    r.n = 0;
    return;
  } else if (code == EV_REDRAW || r.n == 0) {
    return;
  } else if (code == EV_ENTER && r.n > 3) {
    GcellCommit();
    GcellAdd([&] {
      TGcell p = MakePoint(r.centroid);
      p.layer = static_cast<std::uint8_t>(CurPVC().writeLayer);
      p.pen = 0x57;
      return p;
    }());
    ViewRedraw(1);
  } else if (code == EV_MOVE || code == EV_RDOWN) {
    if (r.n == 2 || r.n == 3) {
      r.slot[static_cast<std::size_t>(r.n)] = PointerPoint(view, code, x, y);
      ShowFigure(view);
    }
  } else if (IsClick(code)) {
    TPointD p;
    if (ClickPoint(view, code, p)) {
      if (r.n == 1) {
        r.slot[1] = r.slot[2] = p;
        r.n = 2;
      } else {
        r.slot[static_cast<std::size_t>(r.n)] = p;
        if (r.n < kAreaSlots) {
          ++r.n;
          r.slot[static_cast<std::size_t>(r.n)] = r.slot[1];
        }
      }
      TakeLayer(view, ToWorld(view, PressPixel(code)));
      ShowFigure(view);
    }
  } else if (code == EV_ESC && r.n >= 2) {
    const TPointD pointer = ToWorld(view, {x, y});
    --r.n;
    if (r.n >= 2) r.slot[static_cast<std::size_t>(r.n)] = r.n > 3 ? r.slot[1] : pointer;
    if (r.n < 2) {
      r.n = 1;
      r.figure.Clear(view);
    } else {
      ShowFigure(view);
    }
  }
  ShowResult();
  ShowStep("輪郭点指示(L)or(R)", CursorShape::Arrow, true, true);
}
