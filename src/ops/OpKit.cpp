#include "ops/OpKit.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "app/Ap_Offset.h"
#include "app/Ap_Unit1.h"
#include "app/GC_PointSearch.h"
#include "app/GC_View.h"
#include "kernel/Platform.h"
#include "kernel/Z_Basic.h"
#include "model/ComHst.h"
#include "render/ApPenSet.h"
#include "render/GC_Draw.h"

OpKitState g_opKit;

void OpKit_Reset() { g_opKit = OpKitState{}; }

// ---- Points ------------------------------------------------------------------

TPointD ToWorld(const TGContext& view, TPointD px) {
  TPointD w;
  G_ToWorld(view, px.x, px.y, w.x, w.y);
  return w;
}

bool IsClick(int code) { return code == EV_LCLICK || code == EV_RCLICK; }

TPointD PressPixel(int code) { return code == EV_LCLICK ? g_manager.leftPressPos : g_manager.rightPressPos; }

bool ClickPoint(TGContext& view, int code, TPointD& p) {
  p = ToWorld(view, PressPixel(code));
  if (code == EV_RCLICK && !SnapPoint(view, p.x, p.y)) {
    Platform().Beep();
    return false;
  }
  AddOffset(p.x, p.y);
  return true;
}

TPointD PointerPoint(TGContext& view, int code, double x, double y) {
  TPointD p = ToWorld(view, {x, y});
  if (code == EV_RDOWN) SnapPoint(view, p.x, p.y);
  return p;
}

// ---- Steps ---------------------------------------------------------------------

void ShowStep(const std::string& prompt, CursorShape cursor, bool offsetLeft, bool offsetRight) {
  SetGuide(prompt);
  if (g_form1.drawCursor != cursor) {
    g_form1.drawCursor = cursor;
    Form1Changed();
  }
  SetOffsetAllow(offsetLeft, offsetRight);
}

// ---- The write layer -------------------------------------------------------

TScaleFactors WriteScale() { return GroupFactors(CurPVC(), kWriteLayerCode); }
std::uint8_t WriteLayer() { return static_cast<std::uint8_t>(CurPVC().writeLayer); }
std::uint16_t WritePen() { return static_cast<std::uint16_t>(CurPVC().writePen); }

int StoreCell(TGContext& view, TGcell c) {
  const int i = GcellAdd(std::move(c));
  if (i > 0) DrawCell(view, GcellRef(i));
  return i;
}

int StoreOnWrite(TGContext& view, TGcell c) {
  c.layer = WriteLayer();
  c.pen = WritePen();
  return StoreCell(view, std::move(c));
}

TGcell Highlighted(const TGcell& c) {
  TGcell h = c;
  h.pen = static_cast<std::uint16_t>((c.pen & 0xFF) | PEN_SELECTED);
  return h;
}

TGcell MarkAt(TPointD p) {
  TGcell c = MakePoint(p);
  c.kind = GK_MARKER;
  c.pen = 0x8000;
  return c;
}

bool SplitLineAt(TGContext& view, int i, TPointD p, TPointD& foot) {
  const TCellRef ref = GcellRefOf(i);
  GcellCommit();  // may compact the store
  i = GcellResolve(ref);
  if (i == 0) return false;
  const TGcell c = GcellRef(i);
  const TLineGeom l = LineOf(c);
  PerpendicularFoot(foot.x, foot.y, p.x, p.y, l.a.x, l.a.y, l.b.x, l.b.y);
  EraseCell(view, c);
  GcellDelete(i);
  for (const TLineGeom part : {TLineGeom{l.a, foot}, TLineGeom{foot, l.b}}) {
    if (Dist(part.a, part.b) <= 0.001) continue;
    TGcell piece = c;
    SetLine(piece, part.a, part.b);
    StoreCell(view, piece);
  }
  ShowDataCount();
  return true;
}

// ---- Sub-menu options ------------------------------------------------------

namespace {

// The text begins like a number: blanks, a sign, a point, then a digit.
bool BeginsLikeNumber(const std::string& text) {
  const std::string t = ToHalfWidth(text, false);
  std::size_t i = 0;
  while (i < t.size() && t[i] == ' ') ++i;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  if (i < t.size() && t[i] == '.') ++i;
  return i < t.size() && t[i] >= '0' && t[i] <= '9';
}

}  // namespace

TSubOption SubOption(int n) {
  TSubOption o;
  if (n < 1 || n > 7) return o;
  const TControl& btn = g_form1.PvBtn[n - 1];
  o.raw = btn.raw;
  o.enabled = btn.enabled;
  o.on = o.raw.size() > 2 && o.raw[2] == '$';
  const std::size_t e = o.raw.find('=');
  o.hasValue = e != std::string::npos;
  if (o.hasValue) o.text = o.raw.substr(e + 1);
  o.hasNumber = BeginsLikeNumber(o.text);
  o.value = SubBtnValue(n);
  return o;
}

void EraseTextAround(TGContext& view, const TGcell& t) {
  const double px = 1.01 * std::fabs(G_PixelSize(view));
  EraseCell(view, t);
  for (const TPointD d : {TPointD{px, 0}, TPointD{-px, 0}, TPointD{0, px}, TPointD{0, -px}}) {
    TGcell moved = t;
    moved.p[0] += d.x;
    moved.p[1] += d.y;
    EraseCell(view, moved);
  }
}

std::string FillColourText() {
  std::uint32_t rgb = 0xFFFFFF;
  if (!Platform().ColorDialog(rgb)) return {};
  TColor c = (rgb & 0xFF) << 16 | (rgb & 0xFF00) | (rgb >> 16 & 0xFF);
  if (c == BackgroundColor()) c = 0xFFFFFF;
  return "$" + Format("%.8x", {static_cast<long long>(c)});
}

void SetSubValue(const std::string& name, const std::string& value) { SetSubBtn(name + "=" + value, true); }

void ShowSubButtons(bool show) {
  if (g_form1.PvBtns.visible == show) return;
  g_form1.PvBtns.visible = show;
  Form1Changed();
}

void ShowTextSizeBox(bool show) {
  if (g_form1.PvMojiNo.visible == show) return;
  g_form1.PvMojiNo.visible = show;
  Form1Changed();
}

// ---- The entry box for an option's value ----------------------------------

void OpenValueEntry(int n, const std::string& prompt, int history) {
  const TControl& guide = g_form1.lbGuid1;
  g_opKit.entryPrompt = guide.visible ? guide.caption : std::string();
  EntryOpen(n, prompt, HistoryList(history));
}

int ValueEntryButton() {
  const int tag = g_form1.edCommon.tag;
  return EntryIsOpen() && tag >= 1 && tag <= 7 ? tag : 0;
}

std::string TakeValueEntry(int code) {
  const std::string text = code == EV_ENTER ? ToHalfWidth(g_form1.edCommon.text, false) : std::string();
  EntryClose();
  g_form1.edCommon.tag = 0;
  ShowSubButtons(true);
  SetGuide(g_opKit.entryPrompt);
  g_opKit.entryPrompt.clear();
  return text;
}

// ---- XOR feedback -----------------------------------------------------------

namespace {

std::vector<TFeedback*>& Sets() {
  static std::vector<TFeedback*> sets;
  return sets;
}

}  // namespace

TFeedback::TFeedback() { Sets().push_back(this); }

TFeedback::TFeedback(const TFeedback& o) : cells_(o.cells_), visible_(o.visible_) { Sets().push_back(this); }

// A copy holds the same cells, but only the original's image is on the
// screen: the copy is drawn when it is next refreshed or shown.
TFeedback& TFeedback::operator=(const TFeedback& o) {
  if (this != &o) {
    cells_ = o.cells_;
    visible_ = o.visible_;
    drawn_ = false;
  }
  return *this;
}

TFeedback::~TFeedback() { std::erase(Sets(), this); }

const std::vector<TFeedback*>& TFeedback::All() { return Sets(); }

bool TFeedback::OnScreen() const { return drawn_ && drawnAt_ == g_viewBuffer.wipes; }

void TFeedback::Xor(TGContext& view) {
  for (const TGcell& c : cells_) XorCell(view, c);
}

void TFeedback::Hide(TGContext& view) {
  if (OnScreen()) Xor(view);
  drawn_ = false;
  visible_ = false;
}

void TFeedback::Show(TGContext& view) {
  visible_ = true;
  Refresh(view);
}

void TFeedback::Show(TGContext& view, std::vector<TGcell> cells) {
  Hide(view);
  cells_ = std::move(cells);
  Show(view);
}

void TFeedback::Show(TGContext& view, const TGcell& cell) { Show(view, std::vector<TGcell>{cell}); }

void TFeedback::Clear(TGContext& view) {
  Hide(view);
  cells_.clear();
}

void TFeedback::Refresh(TGContext& view) {
  if (!visible_ || OnScreen() || !view.canvas) return;
  Xor(view);
  drawn_ = true;
  drawnAt_ = g_viewBuffer.wipes;
}

// ---- The crosshair ------------------------------------------------------------

void TCrosshair::Draw(TGContext& view) {
  // Pen 1, dotted, selected: the selection colour.
  constexpr std::uint16_t kPen = 0x8021;
  const TPointD p = ToWorld(view, px_);
  TGcell h = MakeLine({view.wx1, p.y}, {view.wx2, p.y});
  TGcell v = MakeLine({p.x, view.wy1}, {p.x, view.wy2});
  h.pen = v.pen = kPen;
  lines_.Show(view, std::vector<TGcell>{h, v});
}

void TCrosshair::Show(TGContext& view, TPointD px) {
  px_ = {std::nearbyint(px.x), std::nearbyint(px.y)};
  shown_ = true;
  Draw(view);
}

void TCrosshair::Hide(TGContext& view) {
  lines_.Clear(view);
  shown_ = false;
}

void TCrosshair::Redraw(TGContext& view) {
  if (shown_) Draw(view);
}

// ---- Hooks -------------------------------------------------------------------

void OpKitBeforeRoute(TGContext& view, int code) {
  if (code != EV_START && code != EV_END) return;
  for (TFeedback* f : TFeedback::All()) f->Hide(view);
  g_opKit.entryPrompt.clear();
}

void OpKitAfterRoute(TGContext& view, int) {
  for (TFeedback* f : TFeedback::All()) f->Refresh(view);
}
