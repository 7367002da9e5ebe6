#include "ops/Op_MojiMove.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "app/Ap_Offset.h"
#include "app/GC_PointSearch.h"
#include "app/GC_View.h"
#include "kernel/Platform.h"
#include "kernel/Z_Basic.h"
#include "kernel/Z_Math.h"
#include "model/ComHst.h"
#include "model/PVC.h"
#include "ops/OpRange.h"
#include "render/GC_Draw.h"
#include "render/GC_Tenkai.h"

MojiMoveOpState g_mojiMoveOp;

void Op_MojiMove_Reset() { g_mojiMoveOp = MojiMoveOpState{}; }

namespace {

constexpr double kPi = std::numbers::pi;
constexpr std::uint16_t kRubberPen = 0x8011;
const char* const kVertical[] = {"①上下(・・)", "①$上寄せ", "①$上下中央", "①$下寄せ"};
const char* const kHorizontal[] = {"②左右(・・)", "②$左寄せ", "②$左右中央", "②$右寄せ"};

MojiMoveRun& S() { return g_mojiMoveOp.run; }
MojiMoveOptions& O() { return g_mojiMoveOp.options; }

void StartButtons() {
  ClearSubBtns();
  SetSubBtn("①方向(Free)", true);
  SetSubBtn("②角度変更", true);
  SetSubBtn("③角度ﾏｳｽ入力", true);
  SetSubBtn("④", false);
  SetSubBtn("⑤文字寄せ", true);
}

void AlignButtons() {
  ClearSubBtns();
  SetSubBtn(kVertical[O().vertical], true);
  SetSubBtn(kHorizontal[O().horizontal], true);
}

double TextDirection(const TGcell& t) { return TextOf(t).angle + (t.vertical ? kPi / 2 : 0); }

TPointD Constrain(TPointD p) {
  const MojiMoveRun& r = S();
  const std::string mode = SubOption(1).raw;
  if (mode == "①方向(Free)" || (mode != "①方向(左右)" && mode != "①方向(上下)")) return p;
  const double a = TextDirection(r.pending);
  TPointD uv = Rotated(p - r.base, -a);
  if (mode == "①方向(左右)")
    uv.y = 0;
  else
    uv.x = 0;
  return r.base + Rotated(uv, a);
}

// The box standing for the pending text moved by (at − base).
void ShowPreview(TGContext& view) {
  MojiMoveRun& r = S();
  const TPointD shift = r.current + r.d - r.base;
  TGcell t = r.pending;
  t.p[0] += shift.x;
  t.p[1] += shift.y;
  const TTextMetrics m = TextMetrics(t);
  TGcell box = MakeRect(TextOf(t).at, TextExtent(t), m.height, TextOf(t).angle);
  box.pen = kRubberPen;
  r.preview.Show(view, box);
}

// The pending angle: ② when it holds a value, else the picked text's own.
void TakeAngle() {
  MojiMoveRun& r = S();
  const TSubOption two = SubOption(2);
  if (two.hasValue) {
    r.pending.p[6] = DegToRad(two.value);
  } else if (const int i = GcellResolve(r.picked); i > 0) {
    r.pending.p[6] = GcellRef(i).p[6];
  }
}

void Pick(TGContext& view, int code, TPointD p) {
  MojiMoveRun& r = S();
  const int i = PickText(false, p.x, p.y);
  if (i <= 0) return;
  r.picked = GcellRefOf(i);
  r.pending = GcellGet(i);
  EraseTextAround(view, r.pending);
  if (code == EV_LCLICK) {
    r.base = r.current = p;
    r.d = {};
    if (SubOption(2).hasValue) r.pending.p[6] = DegToRad(SubOption(2).value);
  } else {
    const double o = CurPVC().textOffset * CurPVC().basicScale;
    r.d = Rotated({o / 2, o / 2}, TextOf(r.pending).angle);
    r.base = r.current = TextOf(r.pending).at - r.d;
  }
  ShowPreview(view);
  SetSubBtn("⑤", false);
  r.state = 2;
}

void Place(TGContext& view, TPointD p) {
  MojiMoveRun& r = S();
  r.preview.Hide(view);
  r.current = Constrain(p);
  const int before = GcellResolve(r.picked);
  if (before <= 0) {  // the text went meanwhile (an undo)
    r.preview.Clear(view);
    StartButtons();
    r.state = 1;
    return;
  }
  EraseTextAround(view, r.pending);
  GcellCommit();
  const int i = GcellResolve(r.picked);  // the commit may have moved it
  const TGcell old = GcellRef(i);
  GcellDelete(i);
  TPointD at;
  if (OffsetDx() != 0 || OffsetDy() != 0)
    at = r.current + TPointD{OffsetDx(), OffsetDy()};
  else
    at = TextOf(old).at + (r.current - r.base) + r.d;
  TGcell moved = old;
  moved.pen &= static_cast<std::uint16_t>(~PEN_SELECTED);
  moved.p[0] = at.x;
  moved.p[1] = at.y;
  moved.p[6] = r.pending.p[6];
  const int added = StoreCell(view, moved);
  if (added > 0) {
    r.picked = GcellRefOf(added);
    r.pending = GcellRef(added);
  }
  r.preview.Clear(view);
  ShowDataCount();
  SetSubBtn("⑤文字寄せ", true);
  r.state = 1;
}

// A click's point: the free press, or the right press snapped (false after
// a beep when nothing is near).
bool ClickAt(TGContext& view, int code, TPointD& p) {
  p = ToWorld(view, PressPixel(code));
  if (code == EV_RCLICK && !SnapPoint(view, p.x, p.y)) {
    Platform().Beep();
    return false;
  }
  return true;
}

void ShowState() {
  const int s = S().state;
  const char* prompt = s == 1    ? "移動する文字を指示(L)or(R)"
                       : s == 2  ? "移動位置を指示(L)or(R)"
                       : s == 3  ? "角度始点(原点)を指示(L)or(R)"
                       : s == 4  ? "角度終点を指示(L)or(R)"
                       : s == 5  ? "角度変更する文字を指示(L)or(R)"
                       : s == 31 ? "文字寄せ範囲：始点指示(L)"
                       : s == 32 ? "文字寄せ範囲：終点指示(L)"
                                 : "";
  const CursorShape cursor = s == 3 || s == 5 ? CursorShape::Point1
                             : s == 4 || s == 6 ? CursorShape::Point2
                             : s == 31 || s == 32 ? CursorShape::Drag
                             : s > 0 ? CursorShape::HandPoint
                                     : CursorShape::Default;
  ShowStep(prompt, cursor, s == 2, s == 2);
}

void Align(TGContext& view, TPointD corner) {
  MojiMoveRun& r = S();
  Platform().SetScreenCursor(CursorShape::Hourglass);
  r.rubber.Clear(view);
  SelectTextsInBox(r.from, corner);
  GcellCommit();
  AlignTexts(view);
  UnselectAllRedraw(view);
  ShowDataCount();
  Platform().SetScreenCursor(CursorShape::Default);
  r.crosshair.Show(view, r.pointer);
  r.state = 31;
}

}  // namespace

void SelectTextsInBox(TPointD a, TPointD b) {
  const double x1 = std::min(a.x, b.x), x2 = std::max(a.x, b.x), y1 = std::min(a.y, b.y), y2 = std::max(a.y, b.y);
  const auto touches = [&](TPointD p, TPointD q) {
    return ClipSegment(p.x, p.y, q.x, q.y, x1, y1, x2, y2) >= 0;
  };
  const int w = StoreWindow();
  for (int i = 1, n = StoreUsed(); i <= n; ++i) {
    const TGcell& c = GcellRef(i);
    if (c.window != w || c.kind <= 0 || !IsCellShown(c)) continue;
    if (c.kind == GK_LINE) {
      if (touches(LineOf(c).a, LineOf(c).b)) GcellSelect(i);
    } else if (c.kind == GK_TEXT) {
      const TTextGeom t = TextOf(c);
      const TPointD along = UnitVector(t.angle) * TextExtent(c), up = UnitVector(t.angle + kPi / 2) * TextMetrics(c).height;
      if (touches(t.at, t.at + along) || touches(t.at + up, t.at + up + along)) GcellSelect(i);
    }
  }
}

void AlignTexts(TGContext& view) {
  const TPVC& pvc = CurPVC();
  const double r = pvc.textOffset * pvc.basicScale;
  const int w = StoreWindow();
  // The selected lines, collected once.
  std::vector<TLineGeom> lines;
  std::vector<int> texts;
  for (int i = 1, n = StoreUsed(); i <= n; ++i) {
    const TGcell& c = GcellRef(i);
    if (c.window != w || !(c.pen & PEN_SELECTED)) continue;
    if (c.kind == GK_LINE) lines.push_back(LineOf(c));
    if (c.kind == GK_TEXT) texts.push_back(i);
  }
  const int horizontal = O().horizontal, vertical = O().vertical;
  for (const int i : texts) {
    const TGcell old = GcellRef(i);
    // Vertical texts run down their column: they are left where they are.
    if (old.vertical) continue;
    const double a = TextOf(old).angle;
    const TPointD p = Rotated(TextOf(old).at, -a);
    const TTextMetrics m = TextMetrics(old);
    const double len = TextExtent(old), h = m.height;
    // The horizontal search reaches 900 character advances, so texts of no
    // spacing find their frame too.
    const double step = std::max(m.width + m.gap, 1e-9);
    const double cx = p.x + len / 2, cy = p.y + h / 2;
    double left = cx - 900 * step, right = cx + 900 * step, bottom = cy - 900 * h, top = cy + 900 * h;
    for (const TLineGeom& l : lines) {
      const TPointD e1 = Rotated(l.a, -a), e2 = Rotated(l.b, -a);
      TPointD x;
      if (LineCross(x.x, x.y, left, cy, right, cy, e1.x, e1.y, e2.x, e2.y) == kOnBoth) (x.x >= cx ? right : left) = x.x;
      if (LineCross(x.x, x.y, cx, bottom, cx, top, e1.x, e1.y, e2.x, e2.y) == kOnBoth) (x.y >= cy ? top : bottom) = x.y;
    }
    const bool leftFound = cx - left < 200 * step, rightFound = right - cx < 200 * step;
    const bool bottomFound = cy - bottom < 200 * h, topFound = top - cy < 200 * h;
    double X = p.x, Y = p.y;
    if (horizontal == 1 && leftFound) X = left + r;
    if (horizontal == 2 && leftFound && rightFound) X = (left + right) / 2 - len / 2;
    if (horizontal == 3 && rightFound) X = right - (r + len);
    if (vertical == 1 && topFound) Y = top - (h + r);
    if (vertical == 2 && topFound && bottomFound) Y = (top + bottom) / 2 - h / 2;
    if (vertical == 3 && bottomFound) Y = bottom + r;
    if (X == p.x && Y == p.y) continue;
    const TPointD at = Rotated({X, Y}, a);
    TGcell moved = old;
    moved.pen &= static_cast<std::uint16_t>(~PEN_SELECTED);
    moved.p[0] = at.x;
    moved.p[1] = at.y;
    EraseCell(view, old);
    GcellDelete(i);
    StoreCell(view, moved);
  }
}

void Op_MojiMove(TGContext& view, int code, double x, double y) {
  MojiMoveRun& r = S();
  if (code == EV_START) {
    r = MojiMoveRun{};
    StartButtons();
    if (O().vertical == 0 && O().horizontal == 0) O().horizontal = 1;
    r.state = 1;
    ShowState();
    return;
  }
  if (code == EV_END) {
    r.crosshair.Hide(view);
    r.rubber.Clear(view);
    if (r.state == 2) {
      r.preview.Clear(view);
      if (const int i = GcellResolve(r.picked); i > 0) DrawCell(view, GcellRef(i));
    }
    r.state = 0;
    return;
  }
  if (code == EV_REDRAW) {
    if (r.state == 31) r.crosshair.Redraw(view);
    if (r.state == 2) EraseTextAround(view, r.pending);
    return;
  }
  if (r.state == 0) return;
  if (code == EV_MOVE || code == EV_RDOWN) r.pointer = {x, y};
  if (ValueEntryButton() != 0) {
    if (code != EV_ENTER && code != EV_ESC) return;
    const std::string text = TakeValueEntry(code);
    if (code == EV_ENTER) {
      SetSubBtn(text.empty() ? std::string("②角度") : "②角度=" + text, true);
      if (r.state == 2) {
        TakeAngle();
        ShowPreview(view);
      }
    } else {
      StartButtons();
      if (r.state == 2) SetSubBtn("⑤", false);
    }
    ShowState();
    return;
  }
  const TPointD world = ToWorld(view, {x, y});
  switch (r.state) {
    case 1:
    case 2:
      if (code == EV_SUB1) {
        const std::string mode = SubOption(1).raw;
        SetSubBtn(mode == "①方向(Free)" ? "①方向(左右)" : mode == "①方向(左右)" ? "①方向(上下)" : "①方向(Free)", true);
        if (r.state == 2) {
          r.current = Constrain(ToWorld(view, r.pointer));
          ShowPreview(view);
        }
        return;
      }
      if (code == EV_SUB1 + 1) {
        OpenValueEntry(2, "       角度(ﾟ)", HstList::Angle);
        return;
      }
      if (code == EV_SUB1 + 2) {
        ClearSubBtns();
        r.state = r.state == 1 ? 3 : 5;
        break;
      }
      if (code == EV_SUB1 + 4 && r.state == 1) {
        AlignButtons();
        r.crosshair.Show(view, r.pointer);
        r.state = 31;
        break;
      }
      if (r.state == 1) {
        if (IsClick(code)) Pick(view, code, ToWorld(view, PressPixel(code)));
        break;
      }
      if (code == EV_MOVE || code == EV_RDOWN) {
        TPointD p = world;
        if (code == EV_RDOWN) SnapPoint(view, p.x, p.y);
        TakeAngle();
        r.current = Constrain(p);
        ShowPreview(view);
      } else if (IsClick(code)) {
        TPointD p;
        if (ClickAt(view, code, p)) Place(view, p);
      } else if (code == EV_ESC) {
        r.preview.Clear(view);
        if (const int i = GcellResolve(r.picked); i > 0) DrawCell(view, GcellRef(i));
        SetSubBtn("⑤文字寄せ", true);
        r.state = 1;
      }
      break;
    case 3:
    case 5:
      if (code == EV_ESC) {
        StartButtons();
        r.state = 1;
      } else if (IsClick(code)) {
        TPointD p;
        if (!ClickAt(view, code, p)) break;
        r.from = p;
        TGcell l = MakeLine(p, p);
        l.pen = kRubberPen;
        r.rubber.Show(view, l);
        r.state += 1;
      }
      break;
    case 4:
    case 6:
      if (code == EV_ESC) {
        r.rubber.Clear(view);
        r.state -= 1;
      } else if (code == EV_MOVE || code == EV_RDOWN) {
        TPointD p = world;
        if (code == EV_RDOWN) SnapPoint(view, p.x, p.y);
        TGcell l = MakeLine(r.from, p);
        l.pen = kRubberPen;
        r.rubber.Show(view, l);
      } else if (IsClick(code)) {
        TPointD p;
        if (!ClickAt(view, code, p)) break;
        r.rubber.Clear(view);
        const bool moving = r.state == 6;
        StartButtons();
        SetSubBtn("②角度=" + Format("%.2f", {RadToDeg(LineAngle(r.from.x, r.from.y, p.x, p.y))}), true);
        if (moving) {
          SetSubBtn("⑤", false);
          TakeAngle();
          ShowPreview(view);
          r.state = 2;
        } else {
          r.state = 1;
        }
      }
      break;
    case 31:
      if (code == EV_MOVE) {
        r.crosshair.Show(view, r.pointer);
      } else if (code == EV_SUB1) {
        O().vertical = (O().vertical + 1) % 4;
        AlignButtons();
      } else if (code == EV_SUB1 + 1) {
        O().horizontal = (O().horizontal + 1) % 4;
        AlignButtons();
      } else if (code == EV_LCLICK) {
        r.crosshair.Hide(view);
        r.from = ToWorld(view, PressPixel(code));
        TGcell box = MakeRect(r.from, 0, 0);
        box.pen = kRubberPen;
        r.rubber.Show(view, box);
        r.state = 32;
      } else if (code == EV_ESC) {
        r.crosshair.Hide(view);
        StartButtons();
        r.state = 1;
      }
      break;
    case 32:
      if (code == EV_SUB1) {
        O().vertical = (O().vertical + 1) % 4;
        AlignButtons();
      } else if (code == EV_SUB1 + 1) {
        O().horizontal = (O().horizontal + 1) % 4;
        AlignButtons();
      } else if (code == EV_MOVE || code == EV_RDOWN) {
        TPointD p = world;
        if (code == EV_RDOWN) SnapPoint(view, p.x, p.y);
        TGcell box = MakeRect(r.from, p.x - r.from.x, p.y - r.from.y);
        box.pen = kRubberPen;
        r.rubber.Show(view, box);
      } else if (IsClick(code)) {
        Align(view, ToWorld(view, PressPixel(code)));
      } else if (code == EV_ESC) {
        r.rubber.Clear(view);
        r.crosshair.Show(view, r.pointer);
        r.state = 31;
      }
      break;
    default: break;
  }
  ShowState();
}
