#include "ops/Op_NumLines.h"

#include <algorithm>

#include "app/GC_PointSearch.h"
#include "app/GC_View.h"
#include "kernel/Platform.h"
#include "model/PVC.h"
#include "render/GC_Draw.h"

NumLinesOpState g_numLinesOp;

void Op_NumLines_Reset() { g_numLinesOp = NumLinesOpState{}; }

namespace {

NumLinesOpState& S() { return g_numLinesOp; }

void ShowPreview(TGContext& view) {
  const std::vector<TPointD> p = ComputePolyline(S().form, S().base);
  std::vector<TGcell> lines;
  for (std::size_t k = 0; k + 1 < p.size(); ++k) {
    TGcell l = MakeLine(p[k], p[k + 1]);
    l.pen = WritePen();
    lines.push_back(l);
  }
  S().preview.Show(view, std::move(lines));
}

}  // namespace

std::vector<TPointD> ComputePolyline(const TNumLinesForm& form, TPointD base) {
  const TPVC& pvc = CurPVC();
  const TGroupEntry& g = pvc.groups[static_cast<std::size_t>(WriteGroup(pvc))];
  // Drawing units per millimetre of the write group (an enlarged group's
  // scale is below 1).
  const double mx = pvc.basicScale / std::max(g.scaleX, 0.0001), my = pvc.basicScale / std::max(g.scaleY, 0.0001);
  std::vector<TPointD> p{base};
  const int n = std::min(form.count, TNumLinesForm::kRows);
  for (int k = 0; k < n; ++k) {
    const TPointD last = p.back();
    const double x = form.CheckBoxX ? last.x + mx * form.XMm(k) : base.x + mx * (form.XMm(k) - form.XMm(0));
    const double y = form.CheckBoxY ? last.y + my * form.YMm(k) : base.y + my * (form.YMm(k) - form.YMm(0));
    p.push_back({x, y});
  }
  return p;
}

void Op_NumLines(TGContext& view, int code, double x, double y) {
  NumLinesOpState& s = S();
  if (code == EV_START) {
    s.preview.Clear(view);
    s.state = 0;
    if (!Platform().NumLinesDialog(s.form)) {
      OpEndSelf();
      return;
    }
    s.base = {0, 0};
    ClearSubBtns();
    s.state = 1;
    ShowPreview(view);
    ShowStep("描画位置を指示(L)or(R)", CursorShape::Cross, true, true);
    return;
  }
  if (code == EV_END) {
    s.preview.Clear(view);
    s.state = 0;
    return;
  }
  if (s.state != 1 || code == EV_REDRAW) return;
  if (code == EV_MOVE || code == EV_RDOWN) {
    s.base = PointerPoint(view, code, x, y);
    ShowPreview(view);
  } else if (IsClick(code)) {
    TPointD p;
    if (!ClickPoint(view, code, p)) return;
    s.preview.Clear(view);
    s.base = p;
    GcellCommit();
    const std::vector<TPointD> points = ComputePolyline(s.form, p);
    for (std::size_t k = 0; k + 1 < points.size(); ++k) StoreOnWrite(view, MakeLine(points[k], points[k + 1]));
    ShowDataCount();
    ShowPreview(view);
  }
  ShowStep("描画位置を指示(L)or(R)", CursorShape::Cross, true, true);
}
