#include "ops/Op_BoxCounter.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/ApInit.h"
#include "app/GC_View.h"
#include "kernel/Z_Basic.h"
#include "model/GC_Cell.h"
#include "model/PVC.h"
#include "ops/OpRange.h"

BoxCounterOpState g_boxCounterOp;

void Op_BoxCounter_Reset() { g_boxCounterOp = BoxCounterOpState{}; }

namespace {

BoxCounterRun& S() { return g_boxCounterOp.run; }

// A line of the frame: its extent along it and its position across it.
struct TEntry {
  double lo, hi, pos;
};

// Entries of equal position (within t of their neighbours) whose extents
// meet or come within t are merged: the list ends sorted by position, and
// runs of collinear pieces take a sort of their own rather than comparing
// every pair.
void Merge(std::vector<TEntry>& list, double t) {
  std::sort(list.begin(), list.end(), [](const TEntry& a, const TEntry& b) { return a.pos < b.pos; });
  std::vector<TEntry> out;
  out.reserve(list.size());
  for (std::size_t i = 0; i < list.size();) {
    std::size_t j = i + 1;
    while (j < list.size() && list[j].pos - list[j - 1].pos < t) ++j;
    std::sort(list.begin() + static_cast<std::ptrdiff_t>(i), list.begin() + static_cast<std::ptrdiff_t>(j),
              [](const TEntry& a, const TEntry& b) { return a.lo < b.lo; });
    const std::size_t first = out.size();
    for (std::size_t k = i; k < j; ++k) {
      if (out.size() > first && list[k].lo <= out.back().hi + t)
        out.back().hi = std::max(out.back().hi, list[k].hi);
      else
        out.push_back(list[k]);
    }
    i = j;
  }
  // Each run was written in the order of its extents: sort by position again.
  std::stable_sort(out.begin(), out.end(), [](const TEntry& a, const TEntry& b) { return a.pos < b.pos; });
  list = std::move(out);
}

// The entries whose position lies within t of pos (the list sorted by position).
template <class F>
void AtPosition(const std::vector<TEntry>& list, double pos, double t, F&& f) {
  auto it = std::lower_bound(list.begin(), list.end(), pos - t, [](const TEntry& e, double v) { return e.pos < v; });
  for (; it != list.end() && it->pos <= pos + t; ++it)
    if (std::fabs(it->pos - pos) < t) f(*it);
}

int CountSize(const std::vector<TEntry>& verticals, const std::vector<TEntry>& horizontals, double w, double h,
              double t, const char* fillText, bool colour) {
  int count = 0;
  for (const TEntry& a : verticals) {
    AtPosition(verticals, a.pos + w, t, [&](const TEntry& b) {
      if (!(a.lo <= b.hi + t && b.lo <= a.hi + t)) return;
      const double y0 = std::max(a.lo, b.lo) - t, y1 = std::min(a.hi, b.hi) + t;
      auto c = std::lower_bound(horizontals.begin(), horizontals.end(), y0,
                                [](const TEntry& e, double v) { return e.pos < v; });
      for (; c != horizontals.end() && c->pos <= y1 - h; ++c) {
        // The bottom side must run from pos a to pos a + w.
        if (c->lo > a.pos + t || c->hi < a.pos + w - t) continue;
        bool boxed = false;
        AtPosition(horizontals, c->pos + h, t, [&](const TEntry& d) {
          if (boxed) return;
          if (!(c->lo <= d.hi + t && d.lo <= c->hi + t)) return;
          if (!(d.lo < a.pos + t && d.hi > a.pos + w - t)) return;
          const double x0 = std::max(c->lo, d.lo) - t, x1 = std::min(c->hi, d.hi) + t;
          if (a.pos >= x0 && a.pos + w <= x1) boxed = true;
        });
        if (!boxed) continue;
        // A line across the whole box inside it splits it.
        bool split = false;
        for (auto v = std::upper_bound(verticals.begin(), verticals.end(), a.pos + t,
                                       [](double v, const TEntry& e) { return v < e.pos; });
             v != verticals.end() && v->pos < a.pos + w - t && !split; ++v)
          split = v->lo < c->pos + t && v->hi > c->pos + h - t;
        for (auto u = std::upper_bound(horizontals.begin(), horizontals.end(), c->pos + t,
                                       [](double v, const TEntry& e) { return v < e.pos; });
             u != horizontals.end() && u->pos < c->pos + h - t && !split; ++u)
          split = u->lo < a.pos + t && u->hi > a.pos + w - t;
        if (split) continue;
        ++count;
        if (colour) {
          TGcell fill = MakeQuad({a.pos, c->pos}, {a.pos, c->pos + h}, {a.pos + w, c->pos + h}, {a.pos + w, c->pos});
          fill.text = fillText;
          fill.layer = static_cast<std::uint8_t>(CurPVC().writeLayer);
          fill.pen = static_cast<std::uint16_t>(CurPVC().writePen);
          GcellAdd(fill);
        }
      }
    });
  }
  return count;
}

void ShowState() {
  const int s = S().state;
  ShowStep(s == 1 ? "矩形集計範囲の「始点指示(L)" : s == 2 ? "矩形集計範囲の終点指示」(L)or(R)" : "", CursorShape::Drag,
           false, false);
}

void SaveSizes() {
  TAppOptions& o = AppOptions();
  const TBoxCounterForm& f = g_boxCounterOp.form;
  o.Edit1BW = f.Edit1w;
  o.Edit1BH = f.Edit1h;
  o.Edit2BW = f.Edit2w;
  o.Edit2BH = f.Edit2h;
}

void OpenDialog(TGContext& view) {
  BoxCounterRun& r = S();
  TBoxCounterForm& f = g_boxCounterOp.form;
  const TAppOptions& o = AppOptions();
  f.Edit1w = o.Edit1BW;
  f.Edit1h = o.Edit1BH;
  f.Edit2w = o.Edit2BW;
  f.Edit2h = o.Edit2BH;
  f.lbCnt1.clear();
  f.lbCnt2.clear();
  Platform().BoxCounterDialog(f, [&](bool colour) {
    SaveSizes();
    CountBoxes(r.from, r.to, colour);
  });
  SaveSizes();
  (void)view;
}

}  // namespace

void CountBoxes(TPointD a, TPointD b, bool colour) {
  TBoxCounterForm& form = g_boxCounterOp.form;
  const TPVC& pvc = CurPVC();
  // Sizes are real millimetres of the write group.
  const TScaleFactors f = GroupFactors(pvc, kWriteLayerCode);
  const double fx = f.x > 0 ? f.x : 1, fy = f.y > 0 ? f.y : 1;
  const double w1 = ParseReal(form.Edit1w) / fx, h1 = ParseReal(form.Edit1h) / fy;
  const double w2 = ParseReal(form.Edit2w) / fx, h2 = ParseReal(form.Edit2h) / fy;
  const double t = std::max({w1, h1, w2, h2}) / 200;
  const double xmin = std::min(a.x, b.x), xmax = std::max(a.x, b.x), ymin = std::min(a.y, b.y), ymax = std::max(a.y, b.y);
  const int win = StoreWindow();
  const std::uint8_t pen = static_cast<std::uint8_t>(pvc.writePen & 0xFF);
  GcellCommit();  // the marks are an undo step of their own
  std::vector<TEntry> horizontals, verticals;
  for (int i = 1, n = StoreUsed(); i <= n; ++i) {
    const TGcell& c = GcellRef(i);
    if (c.window != win || c.kind <= 0) continue;
    if (c.kind == GK_FILL4K && c.text.find(",BOX") != std::string::npos) {
      GcellDelete(i);  // an earlier count's mark
      continue;
    }
    if (c.kind != GK_LINE || (c.pen & 0xFF) != pen) continue;
    const TLineGeom l = LineOf(c);
    if (std::fabs(l.a.y - l.b.y) < t && ymin < l.a.y && l.a.y < ymax) {
      const TEntry e{std::min(l.a.x, l.b.x), std::max(l.a.x, l.b.x), (l.a.y + l.b.y) / 2};
      if (e.lo <= xmax && e.hi >= xmin) horizontals.push_back(e);
    } else if (std::fabs(l.a.x - l.b.x) < t && xmin < l.a.x && l.a.x < xmax) {
      const TEntry e{std::min(l.a.y, l.b.y), std::max(l.a.y, l.b.y), (l.a.x + l.b.x) / 2};
      if (e.lo <= ymax && e.hi >= ymin) verticals.push_back(e);
    }
  }
  int counts[2] = {0, 0};
  if (horizontals.size() >= 2 && verticals.size() >= 2 && t > 0) {
    Merge(horizontals, t);
    Merge(verticals, t);
    if (w1 > 0 && h1 > 0) counts[0] = CountSize(verticals, horizontals, w1, h1, t, "$A0A060,BOX", colour);
    if (w2 > 0 && h2 > 0) counts[1] = CountSize(verticals, horizontals, w2, h2, t, "$60A0A0,BOX", colour);
  }
  form.lbCnt1 = Format("%5d 個", {counts[0]});
  form.lbCnt2 = Format("%5d 個", {counts[1]});
  ShowDataCount();
  ViewRedraw(1);
}

void Op_BoxCounter(TGContext& view, int code, double x, double y) {
  BoxCounterRun& r = S();
  if (code == EV_START) {
    r = BoxCounterRun{};
    ClearSubBtns();
    r.crosshair.Show(view, r.pointer);
    r.state = 1;
    ShowState();
    return;
  }
  if (code == EV_END) {
    r.crosshair.Hide(view);
    r.rubber.Clear(view);
    r.state = 0;
    return;
  }
  if (code == EV_REDRAW) {
    if (r.state == 1) r.crosshair.Redraw(view);
    return;
  }
  if (r.state == 0) return;
  if (code == EV_MOVE) r.pointer = {x, y};
  const TPointD world = ToWorld(view, {x, y});
  if (r.state == 1) {
    if (code == EV_MOVE) {
      r.crosshair.Show(view, r.pointer);
    } else if (code == EV_LCLICK) {
      r.crosshair.Hide(view);
      r.from = ToWorld(view, PressPixel(code));
      r.rubber.Show(view, MakeRangeRect(r.from, kRangePenMoving));
      r.state = 2;
    }
  } else if (r.state == 2) {
    if (code == EV_MOVE) {
      TGcell box = MakeRangeRect(r.from, kRangePenMoving);
      box.p[2] = world.x - r.from.x;
      box.p[3] = world.y - r.from.y;
      r.rubber.Show(view, box);
    } else if (code == EV_ESC) {
      r.rubber.Clear(view);
      r.crosshair.Show(view, r.pointer);
      r.state = 1;
    } else if (IsClick(code)) {
      r.to = ToWorld(view, PressPixel(code));
      TGcell box = MakeRangeRect(r.from, kRangePenFixed);
      box.p[2] = r.to.x - r.from.x;
      box.p[3] = r.to.y - r.from.y;
      r.rubber.Show(view, box);
      OpenDialog(view);
      r.rubber.Clear(view);
      r.crosshair.Show(view, r.pointer);
      r.state = 1;
    }
  }
  ShowState();
}
