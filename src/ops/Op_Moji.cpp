#include "ops/Op_Moji.h"

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "app/ApManager.h"
#include "app/Ap_Offset.h"
#include "app/Ap_Unit1.h"
#include "app/GC_PointSearch.h"
#include "app/GC_View.h"
#include "kernel/Platform.h"
#include "kernel/Z_Basic.h"
#include "kernel/Z_Math.h"
#include "model/ComHst.h"
#include "model/PVC.h"
#include "render/GC_Draw.h"
#include "render/GC_Tenkai.h"

MojiOpState g_mojiOp;

void Op_Moji_Reset() { g_mojiOp = MojiOpState{}; }

namespace {

constexpr double kPi = std::numbers::pi;
// The preview's box and caret: pen 1, solid, selected.
constexpr std::uint16_t kBoxPen = 0x8011;
// An angle read back from the field within this of the stored one (the
// field shows three decimals of a degree) is the stored angle.
constexpr double kSameAngle = 1e-5;

MojiRun& S() { return g_mojiOp.run; }


TEntryBox& AngleField() { return g_form1.EbMojiA; }
TEntryBox& TextField() { return g_form1.EbMojiT; }
bool Vertical() { return g_form1.sbMojiV.caption == "横"; }
bool Pending() { return S().pending.kind == GK_TEXT; }
int Edited() { return GcellResolve(S().edited); }

void SetField(TEntryBox& f, const std::string& text) {
  f.text = text;
  f.selStart = static_cast<int>(text.size());
  f.selLength = 0;
  Form1Changed();
}

void SetDirection(bool vertical) {
  g_form1.sbMojiV.caption = vertical ? "横" : "縦";
  Form1Changed();
}

void Focus(TEditField field) {
  g_form1.EbMojiA.focused = field == TEditField::EbMojiA;
  g_form1.EbMojiT.focused = field == TEditField::EbMojiT;
  g_manager.activeHistory = HistoryList(field == TEditField::EbMojiA ? kAngleHistory : kTextHistory);
  g_manager.activeHistory->browse = 0;
  Form1Changed();
}

double TypedAngle() { return DegToRad(EvalField(ToHalfWidth(AngleField().text, false), 1)); }

void SetTextSize(int size) {
  CurPVC().textSize = size;
  g_form1.CbMojiSize = MakeMojiSizeList(CurPVC());
  Form1Changed();
}

void ShowPrompt() {
  SetGuide(AngleField().focused ? "文字角度入力、角度指定線指示(L)、垂直線指示で下向き(R)"
                                : "文字,文字追加位置指示(L)or(R)");
}

// ---- The preview ------------------------------------------------------------------

TGcell Box(TPointD at, double h, double l, double a) {
  TGcell r = MakeRect(at, l, h, a);
  r.pen = kBoxPen;
  return r;
}

// The pending text in the selection colour inside its box, and the caret
// as a box over the selected characters (or the character after it).
void ShowPreview(TGContext& view) {
  MojiRun& r = S();
  if (!Pending()) {
    r.preview.Clear(view);
    return;
  }
  const TGcell& c = r.pending;
  const TTextMetrics m = TextMetrics(c);
  const double a = TextOf(c).angle;
  const TPointD at = TextOf(c).at;
  std::vector<TGcell> cells{Box(at, m.height, TextExtent(c), a)};
  if (!c.text.str().empty()) {
    TGcell shown = c;
    shown.pen |= PEN_SELECTED;
    cells.push_back(shown);
    const std::string& t = c.text.str();
    const std::size_t s = std::min<std::size_t>(static_cast<std::size_t>(std::max(TextField().selStart, 0)), t.size());
    const int n = std::max(TextField().selLength, 0);
    double before = 0;
    if (s > 0) {
      TGcell head = c;
      head.text = t.substr(0, s);
      before = TextExtent(head);
    }
    double len;
    if (n > 0)
      len = n * (m.width + m.gap) / 2;
    else if (s < t.size())
      len = IsLeadByte(static_cast<unsigned char>(t[s])) ? m.width : m.width / 2;
    else
      len = -m.width / 6;
    cells.push_back(Box(at + before * UnitVector(a), m.height, len, a));
  }
  r.preview.Show(view, std::move(cells));
}

// The pending text takes what the panel shows.
void TakePanel(TGContext& view) {
  MojiRun& r = S();
  r.pending.p[6] = TypedAngle();
  r.pending.text = TextField().text;
  r.pending.vertical = Vertical() ? 1 : 0;
  ShowPreview(view);
}

// ---- Storing ------------------------------------------------------------------------

// Every shown text of the window but keep whose reference point lies
// within B/9 of p in both axes goes; true when the cell e was among them.
bool DeleteTextsAt(TPointD p, int e, int keep) {
  const double near = CurPVC().basicScale / 9;
  const int w = StoreWindow();
  bool hit = false;
  for (int i = 1, n = StoreUsed(); i <= n; ++i) {
    const TGcell& c = GcellRef(i);
    // Only what the user sees is replaced.
    if (i == keep || c.window != w || c.kind != GK_TEXT || !IsCellShown(c)) continue;
    const TPointD q = PointOf(c);
    if (std::max(std::fabs(q.x - p.x), std::fabs(q.y - p.y)) < near) {
      GcellDelete(i);
      hit = hit || i == e;
    }
  }
  return hit;
}

void CommitText(TGContext& view) {
  MojiRun& r = S();
  if (!Pending()) return;
  r.preview.Clear(view);
  const std::string t = TextField().text;
  int e = Edited();
  if (!t.empty()) {
    TGcell& p = r.pending;
    p.size = static_cast<std::uint8_t>(CurPVC().textSize);
    p.p[6] = TypedAngle();
    p.text = t;
    p.vertical = Vertical() ? 1 : 0;
    bool changed = e == 0;
    if (e != 0) {
      const TGcell& stored = GcellRef(e);
      if (std::fabs(stored.p[6] - p.p[6]) < kSameAngle) p.p[6] = stored.p[6];
      changed = stored.size != p.size || stored.p[6] != p.p[6] || stored.text.str() != t ||
                (stored.vertical != 0) != (p.vertical != 0);
    }
    if (changed) {
      const TCellRef ref = r.edited;
      GcellCommit();
      e = GcellResolve(ref);
      // The new text first: should the store refuse it (an angle that is
      // no number), nothing is deleted.
      const int added = GcellAdd(p);
      if (added <= 0) {
        Platform().Beep();
      } else {
        if (DeleteTextsAt(PointOf(p), e, added)) e = 0;
        if (e != 0) GcellDelete(e);
      }
      if (r.edited.index != 0) SetTextSize(r.savedSize);
      ViewRepaintStep();
    } else {
      DrawCell(view, GcellRef(e));
    }
  } else if (e != 0) {
    // An emptied text goes; no empty text is ever stored.
    const TCellRef ref = r.edited;
    GcellCommit();
    GcellDelete(GcellResolve(ref));
    SetTextSize(r.savedSize);
    ViewRepaintStep();
  }
  SetDirection(false);
  SetField(TextField(), "");
  r.pending = TGcell{};
  r.edited = {};
}

// ---- Clicks -----------------------------------------------------------------------

void AngleFromLine(TGContext& view, int code) {
  const TPointD p = ToWorld(view, PressPixel(code));
  const TGcell c = PickPrimitive(view, false, p.x, p.y);
  if (c.kind != GK_LINE) return;
  const TLineGeom l = LineOf(c);
  SetField(AngleField(), Format("%8.2f", {RadToDeg(TextAngleOfLine(l.a, l.b, code == EV_LCLICK))}));
  if (Pending()) TakePanel(view);
  Focus(TEditField::EbMojiT);
}

void PlaceOrPick(TGContext& view, int code) {
  MojiRun& r = S();
  const TCellRef before = r.edited;
  CommitText(view);
  TPointD p = ToWorld(view, PressPixel(code));
  const int l = PickText(false, p.x, p.y);
  const int m = GcellResolve(before);
  if (m != 0 && l == m) return;  // the text just edited is let go
  if (l != 0) {
    r.edited = GcellRefOf(l);
    r.pending = GcellGet(l);
    EraseTextAround(view, r.pending);
    SetField(TextField(), r.pending.text.str());
    SetField(AngleField(), Format("%8.3f", {RadToDeg(r.pending.p[6])}));
    SetDirection(r.pending.vertical != 0);
    r.savedSize = CurPVC().textSize;
    SetTextSize(r.pending.size);
  } else {
    const double angle = TypedAngle();
    if (code == EV_RCLICK) {
      if (!SnapPoint(view, p.x, p.y)) {
        Platform().Beep();
        return;
      }
      if (OffsetDx() == 0 && OffsetDy() == 0) {
        const double o = CurPVC().textOffset * CurPVC().basicScale;
        p += Rotated({std::numbers::sqrt2 * o, 0}, angle + kPi / 4);
      }
    }
    AddOffset(p.x, p.y);
    TGcell c = MakeText("", p, angle);
    c.layer = WriteLayer();
    c.size = static_cast<std::uint8_t>(CurPVC().textSize);
    c.pen = 1;
    c.vertical = Vertical() ? 1 : 0;
    r.pending = c;
    r.edited = {};
    if (!TextField().text.empty()) {
      CommitText(view);
      return;
    }
  }
  Focus(TEditField::EbMojiT);
  TextField().selStart = 0;
  TextField().selLength = static_cast<int>(TextField().text.size());
  ShowPreview(view);
}

}  // namespace

double TextAngleOfLine(TPointD a, TPointD b, bool leftClick) {
  double t = LineAngle(a.x, a.y, b.x, b.y);
  if (std::cos(t) < 0) t += kPi;
  if (leftClick && std::sin(t) < -0.99) t += kPi;
  if (!leftClick && std::sin(t) > 0.99) t += kPi;
  while (t > kPi) t -= 2 * kPi;
  return t;
}

void MojiEnter(TEditField field) {
  if (!S().active) return;
  TGContext& view = CurrentView();
  if (field == TEditField::EbMojiA) {
    Focus(TEditField::EbMojiT);
  } else if (Pending() || Edited() != 0) {
    CommitText(view);
  }
  ShowPrompt();
}

void MojiTextChanged(TEditField) {
  if (S().active && Pending()) TakePanel(CurrentView());
}

void MojiCaretMoved() {
  if (S().active && Pending()) ShowPreview(CurrentView());
}

void MojiDirectionClick() {
  if (!S().active || (!Pending() && Edited() == 0)) return;
  const double deg = EvalField(ToHalfWidth(AngleField().text, false), 1);
  if (Vertical() && deg == 0) SetField(AngleField(), "-90");
  if (!Vertical() && deg == -90) SetField(AngleField(), "0");
  const bool vertical = Vertical();
  TakePanel(CurrentView());
  S().pending.vertical = vertical ? 1 : 0;
  CommitText(CurrentView());
}

void MojiSizeChanged() {
  MojiRun& r = S();
  if (!r.active) return;
  r.savedSize = CurPVC().textSize;
  if (!Pending()) return;
  r.pending.size = static_cast<std::uint8_t>(CurPVC().textSize);
  ShowPreview(CurrentView());
  Focus(TEditField::EbMojiT);
}

void Op_Moji(TGContext& view, int code, double x, double y) {
  MojiRun& r = S();
  switch (code) {
    case EV_START:
      g_mojiOp.run = MojiRun{};
      S().active = true;
      SetDirection(false);
      ShowSubButtons(false);
      ShowTextSizeBox(true);
      g_form1.PvMoji.visible = true;
      SetField(AngleField(), "");
      SetField(TextField(), "");
      Focus(TEditField::EbMojiT);
      break;
    case EV_END:
      Focus(TEditField::EbMojiA);
      g_form1.PvMoji.visible = false;
      ShowSubButtons(true);
      ShowTextSizeBox(false);
      CommitText(view);
      AngleField().focused = TextField().focused = false;
      r.active = false;
      Form1Changed();
      return;
    case EV_ESC:
      if (!Pending()) {
        OpEndSelf();
        return;
      }
      if (Edited() != 0) r.pending = GcellGet(Edited());
      if (TextField().text != r.pending.text.str()) {
        SetField(TextField(), r.pending.text.str());
        ShowPreview(view);
      } else {
        CommitText(view);
      }
      break;
    case EV_REDRAW:
      if (Edited() != 0) EraseTextAround(view, GcellRef(Edited()));
      return;
    case EV_MOVE: SetOffsetAllow(true, true); break;
    case EV_LCLICK:
    case EV_RCLICK:
      if (AngleField().focused)
        AngleFromLine(view, code);
      else
        PlaceOrPick(view, code);
      break;
    default: break;
  }
  (void)x;
  (void)y;
  ShowPrompt();
  SetOffsetAllow(true, true);
}

