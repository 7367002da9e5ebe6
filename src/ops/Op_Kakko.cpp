#include "ops/Op_Kakko.h"

#include <cmath>
#include <numbers>

#include "app/GC_View.h"
#include "ops/Op_Arc1.h"
#include "render/GC_Transform.h"
#include "render/Z_Graph.h"

KakkoOpState g_kakkoOp;

void Op_Kakko_Reset() { g_kakkoOp = KakkoOpState{}; }

namespace {

constexpr double kPi = std::numbers::pi;

KakkoRun& S() { return g_kakkoOp.run; }

TGcell Arc(double cx, double cy, double rho, double start, double end) {
  return MakeArc({cx, cy, rho, 1, 0, start, end});
}

void ShowCaptions() {
  static constexpr const char* kCaptions[4][2] = {
      {"①（　）", "①$（　）"}, {"②｛　｝", "②$｛　｝"}, {"③〔　〕", "③$〔　〕"}, {"④［　］", "④$［　］"}};
  for (int k = 1; k <= 4; ++k) SetSubBtn(kCaptions[k - 1][k == g_kakkoOp.options.kind ? 1 : 0], true);
}

void ShowState() {
  const int s = S().state;
  if (s == 1) ShowStep("・括弧の始点指示(L)or(R)", CursorShape::Cross, true, true);
  if (s == 2) ShowStep("◆括弧の終点指示(L)or(R)", CursorShape::Cross, true, true);
}

void ShowPreview(TGContext& view) {
  TGcell pattern;
  pattern.pen = static_cast<std::uint16_t>((WritePen() & 0xFF) | PEN_SELECTED);
  S().preview.Show(view, BuildBracket(g_kakkoOp.options.kind, S().s, S().e, G_PixelSize(view), pattern));
}

}  // namespace

std::vector<TGcell> BuildBracket(int kind, TPointD s, TPointD e, double p, const TGcell& pattern) {
  std::vector<TGcell> out;
  const TPointD d = e - s;
  if (std::max(std::fabs(d.x), std::fabs(d.y)) < p) return out;
  const double r = std::fabs(d.y) > std::fabs(d.x) ? (s.x > e.x ? kPi : 0) : (s.y > e.y ? -kPi / 2 : kPi / 2);
  const TPointD m = (s + e) * 0.5;
  const TPointD ls = Rotated(s - m, -r), le = Rotated(e - m, -r);
  double x1 = std::min(ls.x, le.x), x2 = std::max(ls.x, le.x);
  const double y1 = std::min(ls.y, le.y), y2 = std::max(ls.y, le.y);
  switch (kind) {
    case 1: {
      const double w = x2 - x1;
      if (w < p)
        out.push_back(MakeLine({x1, y1}, {x2, y2}));
      else if (w > y2 - p / 9)
        out.push_back(Arc(x1, 0, y2, -kPi / 2, kPi / 2));
      else
        out.push_back(ArcThroughThree({x1, y1}, {x1, y2}, {x2, 0}));
      break;
    }
    case 2: {
      if (x2 > 0.49 * y2) x2 = x1 + 0.98 * y2;
      const double rho = (x2 - x1) / 2, xm = x1 + rho;
      out.push_back(Arc(x1, y2 - rho, rho, 0, kPi / 2));
      out.push_back(MakeLine({xm, y2 - rho}, {xm, rho}));
      out.push_back(Arc(x2, rho, rho, -kPi, -kPi / 2));
      out.push_back(Arc(x2, -rho, rho, kPi / 2, kPi));
      out.push_back(MakeLine({xm, y1 + rho}, {xm, -rho}));
      out.push_back(Arc(x1, y1 + rho, rho, -kPi / 2, 0));
      break;
    }
    case 3:
      out.push_back(MakeLine({x1, y2}, {x2, y2 - x2}));
      out.push_back(MakeLine({x2, y2 - x2}, {x2, y1 + x2}));
      out.push_back(MakeLine({x2, y1 + x2}, {x1, y1}));
      break;
    default:
      out.push_back(MakeLine({x1, y2}, {x2, y2}));
      out.push_back(MakeLine({x2, y2}, {x2, y1}));
      out.push_back(MakeLine({x2, y1}, {x1, y1}));
      break;
  }
  TCellTransform t;
  t.angle = r;
  t.target = m;
  for (TGcell& c : out) {
    TransformCell(c, t);
    c.layer = pattern.layer;
    c.pen = pattern.pen;
  }
  return out;
}

void Op_Kakko(TGContext& view, int code, double x, double y) {
  KakkoRun& r = S();
  if (code == EV_START) {
    r = KakkoRun{};
    ClearSubBtns();
    ShowCaptions();
    r.state = 1;
    ShowState();
    return;
  }
  if (code == EV_END) {
    r.preview.Clear(view);
    r.state = 0;
    return;
  }
  if (r.state == 0 || code == EV_REDRAW) return;
  if (code >= EV_SUB1 && code < EV_SUB1 + 4) {
    g_kakkoOp.options.kind = code - EV_SUB1 + 1;
    ShowCaptions();
    if (r.state == 2) ShowPreview(view);
    ShowState();
    return;
  }
  TPointD p;
  if (r.state == 1) {
    if (IsClick(code) && ClickPoint(view, code, p)) {
      r.s = r.e = p;
      ShowPreview(view);
      r.state = 2;
    }
  } else if (r.state == 2) {
    if (code == EV_ESC) {
      r.preview.Clear(view);
      r.state = 1;
    } else if (code == EV_MOVE || code == EV_RDOWN) {
      r.e = PointerPoint(view, code, x, y);
      ShowPreview(view);
    } else if (IsClick(code) && ClickPoint(view, code, p)) {
      r.preview.Clear(view);
      r.e = p;
      TGcell pattern;
      pattern.layer = WriteLayer();
      pattern.pen = WritePen();
      const std::vector<TGcell> cells = BuildBracket(g_kakkoOp.options.kind, r.s, r.e, G_PixelSize(view), pattern);
      if (!cells.empty()) {
        GcellCommit();
        for (const TGcell& c : cells) StoreCell(view, c);
        ShowDataCount();
      }
      r.state = 1;
    }
  }
  ShowState();
}
