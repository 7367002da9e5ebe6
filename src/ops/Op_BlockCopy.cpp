#include "ops/Op_BlockCopy.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/ApManager.h"
#include "app/ApMouse.h"
#include "app/Ap_Offset.h"
#include "app/Ap_Unit1.h"
#include "app/GC_PointSearch.h"
#include "app/GC_View.h"
#include "kernel/Platform.h"
#include "kernel/Wiring.h"
#include "kernel/Z_Basic.h"
#include "kernel/Z_Math.h"
#include "model/ComHst.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "render/GC_Draw.h"
#include "render/GC_Tenkai.h"
#include "render/GC_Transform.h"
#include "render/Z_Graph.h"

BlockOpState g_blockOp;

void Op_BlockCopy_Reset() { g_blockOp = BlockOpState{}; }

namespace {

constexpr int kSub1 = EV_SUB1, kSub2 = EV_SUB1 + 1, kSub3 = EV_SUB1 + 2, kSub4 = EV_SUB1 + 3, kSub5 = EV_SUB1 + 4;
constexpr int kKey8 = '8';
// Above this many selected cells the preview leaves out lines shorter than
// 4 pixels both ways.
constexpr int kPreviewThin = 2000;

const char* const kPenFilterNote = "、　線種指定は書き込みペンで指定して下さい.";
const char* const kDirections[3] = {"①方向(Free)", "①方向(左右)", "①方向(上下)"};

BlockRun& S() { return g_blockOp.run; }
BlockOptions& Opt() { return g_blockOp.options; }
bool Copying() { return CurOpButton() == OpBtn_BlockCopy; }

// ---- Prompts -----------------------------------------------------------------------

std::string Prefix() {
  switch (S().mode) {
    case BlockMode::CutOut: return "切出：";
    case BlockMode::GroupMove: return "ｸﾞﾙｰﾌﾟ移動：";
    case BlockMode::LayerMove: return "ﾚｲﾔｰ移動：";
    case BlockMode::Normal: break;
  }
  return Copying() ? "複写：" : "移動：";
}

std::string PromptOf(BlockState s) {
  const bool copy = Copying(), cut = S().mode == BlockMode::CutOut;
  switch (s) {
    case BlockState::RangeStart:
    case BlockState::AddStart:
      return Prefix() + (copy && !cut ? "「始点指示(L),反転基準線指示(R)" : "「始点指示(L)");
    case BlockState::RangeEnd:
    case BlockState::AddEnd: return Prefix() + "終点指示(L)」、確定指示(R)";
    case BlockState::Adjust: return "除外,追加データ指示,線(L),文字/塗潰/画像(R)";
    case BlockState::BasePoint:
    case BlockState::DestBase:
      if (cut) return "切出：基準点指示(L)or(R)　";
      return copy ? "複写：基準点指示(L)or(R)" : "移動：基準点(L)or(R)";
    case BlockState::TargetPoint:
    case BlockState::RepeatTarget:
      if (cut) return "切出：複写位置指示(L)or(R)";
      return copy ? "複写：複写位置指示(L)or(R)" : "移動：移動位置(L)or(R)";
    case BlockState::Repeat: return "複写：継続複写指示";
    case BlockState::MirrorAxis: return "反転：反転基準線指示(L)";
    case BlockState::MirrorEach: return copy ? "反転：線円(L)、文字(R)" : "反転：線円(L)、文字や塗潰面(R)";
    case BlockState::DestLine: return copy ? "複写先の基準線指示(L)or(R)" : "移動先の基準線指示(L)or(R)";
    case BlockState::Idle: break;
  }
  return "";
}

bool RangeState(BlockState s) {
  return s == BlockState::RangeStart || s == BlockState::RangeEnd || s == BlockState::AddStart ||
         s == BlockState::AddEnd;
}

void ShowState() {
  const BlockState s = S().state;
  std::string prompt = PromptOf(s);
  if (RangeState(s) && S().filters.pen) prompt += kPenFilterNote;
  CursorShape cursor = CursorShape::Arrow;
  if (RangeState(s)) cursor = CursorShape::Drag;
  if (s == BlockState::Adjust) cursor = CursorShape::AddExclude;
  if (s == BlockState::MirrorAxis || s == BlockState::DestLine) cursor = CursorShape::HandPoint;
  const bool target = s == BlockState::TargetPoint || s == BlockState::RepeatTarget;
  ShowStep(prompt, cursor, target, target);
}

// ---- Buttons ---------------------------------------------------------------------

// The range states' buttons: the filters, and while nothing else was
// chosen yet ③前範囲 (once there was a range) and the modes.
void RangeButtons(bool extras) {
  ClearSubBtns();
  SetSubBtn(S().filters.pen ? "①$線種指定" : "① 線種指定", true);
  SetSubBtn(S().filters.size ? "②$文字指定" : "② 文字指定", true);
  SetSubBtn("③前範囲", extras && Opt().hasPreviousRange);
  if (Copying()) {
    SetSubBtn("④切り出し", extras);
  } else {
    SetSubBtn("④ｸﾞﾙｰﾌﾟ移動", extras);
    SetSubBtn("⑤ﾚｲﾔｰ移動", extras);
  }
  ShowTextSizeBox(true);
}

void AdjustButtons() {
  ClearSubBtns();
  SetSubBtn("① 確 定 ", true);
  // A cut-out clips at its one rectangle: no range is added to it.
  SetSubBtn("②範囲追加", S().mode != BlockMode::CutOut);
}

void ParamButtons(const char* fifth) {
  ClearSubBtns();
  SetSubBtn(kDirections[S().direction], true);
  SetSubBtn(S().scaleCaption, true);
  SetSubBtn(S().angleCaption, true);
  if (S().mode == BlockMode::Normal) SetSubBtn("④数値位置", true);
  SetSubBtn(fifth, true);
}

// ---- Parameters ------------------------------------------------------------------

std::string ValueOf(const std::string& caption) {
  const std::size_t e = caption.find('=');
  return e == std::string::npos ? std::string() : caption.substr(e + 1);
}

// The transform as the captions and the points say.
TCellTransform Transform() {
  const BlockRun& r = S();
  TCellTransform t;
  t.base = r.base;
  t.target = r.target;
  t.angle = r.angle;
  const std::string scale = ValueOf(r.scaleCaption);
  t.scaleX = scale.empty() ? 1 : EvalField(scale, 1);
  t.scaleY = scale.empty() ? 1 : EvalField(scale, 2);
  t.convertElevation = r.convertElevation;
  t.metresPerUnit = WriteScale().y / 1000;
  t.fullWidth = CurPVC().dimFullWidth;
  return t;
}

void ApplyBlockTransform(TGcell& c) {
  TransformCell(c, Transform());
  c.pen &= static_cast<std::uint16_t>(~PEN_SELECTED);
  if (S().mirror) MirrorCell(c, S().target, S().target + TPointD{0, 1});
}

// The target at p, with the turn of ③ and the direction lock of ①.
void UpdateTarget(TPointD p) {
  BlockRun& r = S();
  const std::string angle = ValueOf(r.angleCaption);
  r.angle = angle.empty() ? 0 : DegToRad(EvalField(angle, 1));
  r.target = p;
  if (r.direction == 1) r.target.y = r.base.y;
  if (r.direction == 2) r.target.x = r.base.x;
}

// ---- The selection ---------------------------------------------------------------

// Selected live cells, whichever window holds them (a selection made in one
// window is copied into the other), up to slot n.
template <class F>
void ForSelected(int n, F&& f) {
  for (int i = 1; i <= n; ++i) {
    const TGcell& c = GcellRef(i);
    if (c.kind > 0 && (c.pen & PEN_SELECTED)) f(i);
  }
}

// What a selected cell contributes to a cut-out: itself when it lies inside
// (or is a text), else its pieces with their lines clipped at the range.
void CutPieces(const TGcell& c, const TGcell& rect, std::vector<TGcell>& out) {
  if (c.kind == GK_TEXT || RangeRectTest(rect, c) != RT_CROSSING) {
    out.push_back(c);
    return;
  }
  const TBoxGeom b = BoxOf(rect);
  const double x1 = std::min(b.corner.x, b.corner.x + b.width), x2 = std::max(b.corner.x, b.corner.x + b.width);
  const double y1 = std::min(b.corner.y, b.corner.y + b.height), y2 = std::max(b.corner.y, b.corner.y + b.height);
  for (TGcell piece : ExpandCell(c)) {
    if (piece.kind == GK_LINE && ClipSegment(piece.p[0], piece.p[1], piece.p[2], piece.p[3], x1, y1, x2, y2) < 0)
      continue;
    piece.layer = c.layer;
    out.push_back(piece);
  }
}

// The cells to place: the selection, or in a cut-out its pieces.
std::vector<TGcell> Source() {
  std::vector<TGcell> cells;
  const TGcell& rect = S().screen.Rect();
  ForSelected(StoreUsed(), [&](int i) {
    if (S().mode == BlockMode::CutOut)
      CutPieces(GcellRef(i), rect, cells);
    else
      cells.push_back(GcellRef(i));
  });
  return cells;
}

// ---- The preview -------------------------------------------------------------------

void BuildPreviewSource(TGContext& view) {
  BlockRun& r = S();
  r.source = Source();
  if (static_cast<int>(r.source.size()) > kPreviewThin) {
    const double tiny = 4 * G_PixelSize(view);
    std::erase_if(r.source, [tiny](const TGcell& c) {
      if (c.kind != GK_LINE) return false;
      const TLineGeom l = LineOf(c);
      return std::fabs(l.b.x - l.a.x) < tiny && std::fabs(l.b.y - l.a.y) < tiny;
    });
  }
  if (r.screen.Active()) r.source.push_back(r.screen.Rect());
}

void ShowPreview(TGContext& view) {
  std::vector<TGcell> cells;
  cells.reserve(S().source.size());
  for (TGcell c : S().source) {
    ApplyBlockTransform(c);
    c.pen = static_cast<std::uint16_t>((c.pen & PEN_LTYPE_MASK) | 1 | PEN_SELECTED);
    cells.push_back(std::move(c));
  }
  S().preview.Show(view, std::move(cells));
}

void HidePreview(TGContext& view) { S().preview.Clear(view); }

// ---- Reset -------------------------------------------------------------------------

void Enter(BlockState s) { S().state = s; }

void ResetBlock(TGContext& view) {
  BlockRun& r = S();
  r.mode = BlockMode::Normal;
  RangeButtons(true);
  HidePreview(view);
  r.refShown.Clear(view);
  r.screen.Drop(view);
  UnselectAllRedraw(view);
  r.mirror = false;
  r.screen.ShowCross(view, g_manager.lastMousePos);
  Enter(BlockState::RangeStart);
}

// ---- Committing ------------------------------------------------------------------

void BeginCommit(TGContext& view) {
  S().screen.HideRect(view);
  Platform().SetScreenCursor(CursorShape::Hourglass);
  ++CurPVC().modified;
  GcellCommit();
}

void EndCommit() {
  ViewRedraw(1);
  Platform().SetScreenCursor(CursorShape::Default);
}

// Every selected cell placed by the transform. A move deletes the original
// once its copy is in the store; a copy the store refuses (degenerate after
// scaling) leaves the original where it was, with a beep. keepMark: the
// copies keep the last-selection mark.
void PlaceSelection(bool move, bool keepMark) {
  bool refused = false;
  ForSelected(StoreUsed(), [&](int i) {
    TGcell c = GcellRef(i);
    ApplyBlockTransform(c);
    if (!move && !keepMark) c.pen &= static_cast<std::uint16_t>(~PEN_SELMARK);
    if (GcellAdd(std::move(c)) <= 0) {
      refused = true;
      return;
    }
    if (move) GcellDelete(i);
  });
  if (refused) Platform().Beep();
}

void CopiedButtons() {
  ClearSubBtns();
  SetSubBtn("①等間隔の継続複写", true);
}

void Commit(TGContext& view, TPointD p) {
  BlockRun& r = S();
  const BlockState from = r.state;
  BeginCommit(view);
  UpdateTarget(p);
  if (r.mode == BlockMode::CutOut) {
    for (TGcell c : Source()) {
      ApplyBlockTransform(c);
      c.pen &= static_cast<std::uint16_t>(~PEN_SELMARK);
      GcellAdd(std::move(c));
    }
    EndCommit();
    ResetBlock(view);
    return;
  }
  const bool move = !Copying();
  if (move) ForSelected(StoreUsed(), [&](int i) { EraseCell(view, GcellRef(i)); });
  r.stepX = r.target.x - r.base.x;
  r.stepY = r.target.y - r.base.y;
  r.stepAngle = r.angle;
  r.copyCount = 1;
  PlaceSelection(move, false);
  EndCommit();
  if (move) {
    TGcell rect = r.screen.Rect();
    TransformCell(rect, Transform());
    Opt().previousRect = rect;
    ResetBlock(view);
    return;
  }
  CopiedButtons();
  r.screen.ShowRect(view);
  if (from == BlockState::TargetPoint || from == BlockState::RepeatTarget) {
    ShowPreview(view);
    Enter(BlockState::RepeatTarget);
  } else {
    Enter(BlockState::Repeat);
  }
}

void RepeatStep(TGContext& view) {
  BlockRun& r = S();
  HidePreview(view);
  ++r.copyCount;
  GcellCommit();
  ++CurPVC().modified;
  UpdateTarget(r.base + r.copyCount * TPointD{r.stepX, r.stepY});
  r.angle = r.copyCount * r.stepAngle;
  PlaceSelection(false, false);
  ViewRedraw(1);
  Enter(BlockState::Repeat);
}

// The numeric move of ④: (dx, dy) real millimetres from (0, 0).
void NumericMove(TGContext& view, double dx, double dy) {
  BlockRun& r = S();
  r.mode = BlockMode::Normal;
  r.base = {0, 0};
  const TScaleFactors k = WriteScale();
  Enter(BlockState::Repeat);
  const int direction = r.direction;
  r.direction = 0;
  Commit(view, {dx / k.x, dy / k.y});
  r.direction = direction;
}

// ---- Group and layer move -----------------------------------------------------

void GroupLayerMove(TGContext& view) {
  BlockRun& r = S();
  ShowTextSizeBox(false);
  Platform().SetScreenCursor(CursorShape::Hourglass);
  r.screen.Drop(view);
  ClearSubBtns();
  ++CurPVC().modified;
  GcellCommit();
  const TPVC& pvc = CurPVC();
  const int n = StoreUsed();
  const int w = StoreWindow();
  auto mine = [&](int i) { return GcellRef(i).window == w; };
  bool refused = false;
  if (r.mode == BlockMode::GroupMove) {
    const int W = WriteGroup(pvc);
    double ratioX[kGroupCount], ratioY[kGroupCount];
    for (int g = 0; g < kGroupCount; ++g) {
      auto ratio = [](double a, double b) {
        const double q = a / std::max(b, 1e-9);
        return std::fabs(q - 1) <= 0.000001 ? 1.0 : q;
      };
      ratioX[g] = ratio(pvc.groups[static_cast<std::size_t>(g)].scaleX, pvc.groups[static_cast<std::size_t>(W)].scaleX);
      ratioY[g] = ratio(pvc.groups[static_cast<std::size_t>(g)].scaleY, pvc.groups[static_cast<std::size_t>(W)].scaleY);
    }
    TPointD low{1e9, 1e9};
    bool differs = false;
    TCellPieces pieces;
    ForSelected(n, [&](int i) {
      if (!mine(i)) return;
      const TGcell& c = GcellRef(i);
      ExpandCell(c, pieces);
      double xs[kMaxCellPoints], ys[kMaxCellPoints];
      for (const TGcell& p : pieces)
        for (int k = 0, m = CellPoints(p, xs, ys); k < m; ++k) {
          low.x = std::min(low.x, xs[k]);
          low.y = std::min(low.y, ys[k]);
        }
      const int g = c.layer >> 4;
      differs = differs || ratioX[g] != 1 || ratioY[g] != 1;
    });
    const bool rescale = differs && Platform().MessageBox("縮尺の異なるグループ移動です。\r\n\r\n作図データも縮尺比で拡縮しますか？",
                                                          kApplicationTitle, MsgButtons::YesNo,
                                                          MsgIcon::Question) == MsgAnswer::Yes;
    ForSelected(n, [&](int i) {
      if (!mine(i)) return;
      const int g = GcellRef(i).layer >> 4;
      if (g == W) return;
      TGcell c = GcellRef(i);
      EraseCell(view, c);
      c.layer = static_cast<std::uint8_t>((W << 4) | (c.layer & 15));
      c.pen &= 0xFF;
      if (rescale && (ratioX[g] != 1 || ratioY[g] != 1)) {
        TCellTransform t;
        t.base = t.target = low;
        t.scaleX = ratioX[g];
        t.scaleY = ratioY[g];
        TransformCell(c, t);
      }
      // A copy the store refuses (too small at the new scale) leaves the
      // original where it was.
      if (GcellAdd(std::move(c)) > 0)
        GcellDelete(i);
      else
        refused = true;
    });
  } else {
    const int layer = WriteLayerNumber(pvc);
    ForSelected(n, [&](int i) {
      if (!mine(i)) return;
      TGcell c = GcellRef(i);
      EraseCell(view, c);
      c.layer = static_cast<std::uint8_t>((c.layer & 0xF0) | layer);
      c.pen &= 0xFF;
      if (GcellAdd(std::move(c)) > 0)
        GcellDelete(i);
      else
        refused = true;
    });
  }
  if (refused) Platform().Beep();
  GcellMaskAll(static_cast<std::uint16_t>(~PEN_SELECTED));
  ViewRedraw(1);
  Platform().SetScreenCursor(CursorShape::Default);
  r.screen.ShowCross(view, g_manager.lastMousePos);
  RangeButtons(false);
  Enter(BlockState::RangeStart);
}

// ---- Confirmation ----------------------------------------------------------------

bool AskElevation() {
  bool any = false;
  ForSelected(StoreUsed(), [&](int i) {
    double m = 0;
    const TGcell& c = GcellRef(i);
    any = any || (c.kind == GK_TEXT && ElevationOf(c.text.str(), m) && m != 0);
  });
  return any && Platform().MessageBox("標高値(▽123.45)を自動変換しますか？", kApplicationTitle, MsgButtons::YesNo,
                                      MsgIcon::Question) == MsgAnswer::Yes;
}

void Confirm(TGContext& view) {
  BlockRun& r = S();
  ShowTextSizeBox(false);
  if (r.mode == BlockMode::GroupMove || r.mode == BlockMode::LayerMove) {
    GroupLayerMove(view);
    return;
  }
  ParamButtons("⑤反転");
  r.selectedCount = 0;
  ForSelected(StoreUsed(), [&](int) { ++r.selectedCount; });
  r.convertElevation = AskElevation();
  Enter(BlockState::BasePoint);
}

// ---- Value entry -----------------------------------------------------------------

bool ParamState(BlockState s) {
  return s == BlockState::BasePoint || s == BlockState::TargetPoint || s == BlockState::RepeatTarget ||
         s == BlockState::DestLine || s == BlockState::DestBase;
}

void OpenEntry(int n) {
  if (n == 2) OpenValueEntry(2, "拡大率(X,Y)", HstList::BlockScale);
  if (n == 3) OpenValueEntry(3, "回転角度(ﾟ)", HstList::Angle);
  if (n == 4) OpenValueEntry(4, "相対位置(X,Y mm)", HstList::BlockRelative);
}

void PlaceOnLine(TGContext& view, TPointD p);

void TakeEntry(TGContext& view, int code) {
  BlockRun& r = S();
  const int n = ValueEntryButton();
  const std::string text = TakeValueEntry(code);
  if (n == 2 || n == 3) {
    std::string& caption = n == 2 ? r.scaleCaption : r.angleCaption;
    if (!text.empty()) caption = (n == 2 ? "②拡大率=" : "③回転角=") + text;
    SetSubBtn(caption, true);
    if (r.state == BlockState::DestBase) {
      PlaceOnLine(view, r.lastPointer);
    } else if (r.preview.Visible()) {
      UpdateTarget(r.target);
      ShowPreview(view);
    }
    return;
  }
  if (n == 4 && !text.empty()) {
    const double dx = EvalField(text, 1), dy = EvalField(text, 2);
    if (std::fabs(dx) + std::fabs(dy) != 0) {
      HidePreview(view);
      NumericMove(view, dx, dy);
    }
  }
}

// ---- Destination line --------------------------------------------------------------

// The selection placed on the destination line at the foot from p.
void PlaceOnLine(TGContext& view, TPointD p) {
  BlockRun& r = S();
  const TLineGeom l = LineOf(r.refLine);
  TPointD foot;
  PerpendicularFoot(foot.x, foot.y, p.x, p.y, l.a.x, l.a.y, l.b.x, l.b.y);
  r.target = foot;
  r.angle = r.lineFlip ? LineAngle(l.b.x, l.b.y, l.a.x, l.a.y) : LineAngle(l.a.x, l.a.y, l.b.x, l.b.y);
  ShowPreview(view);
}

// A line piece at the press of the click, or, after a beep, a cell of kind 0.
TGcell PickLine(TGContext& view, int code) {
  const TPointD p = ToWorld(view, PressPixel(code));
  TGcell c = PickPrimitive(view, false, p.x, p.y);
  if (c.kind != GK_LINE) {
    Platform().Beep();
    c.kind = 0;
  }
  return c;
}

void ShowRefLine(TGContext& view) {
  S().refShown.Show(view, Highlighted(S().refLine));
}

// ---- Events by state ---------------------------------------------------------------

void ToggleFilter(int code) {
  if (code == kSub1) S().filters.pen = !S().filters.pen;
  if (code == kSub2) S().filters.size = !S().filters.size;
}

void OnRange(TGContext& view, int code, double x, double y) {
  BlockRun& r = S();
  const BlockState s = r.state;
  const bool adding = s == BlockState::AddStart || s == BlockState::AddEnd;
  const bool ending = s == BlockState::RangeEnd || s == BlockState::AddEnd;
  const bool extras = SubOption(4).enabled;
  switch (code) {
    case EV_ESC:
      if (s == BlockState::RangeStart || s == BlockState::RangeEnd) {
        ResetBlock(view);
      } else if (s == BlockState::AddEnd) {
        r.screen.Drop(view);
        r.screen.ShowCross(view, g_manager.lastMousePos);
        Enter(BlockState::AddStart);
      } else {
        r.screen.HideCross(view);
        AdjustButtons();
        Enter(BlockState::Adjust);
      }
      return;
    case kSub1:
    case kSub2:
      ToggleFilter(code);
      RangeButtons(extras);
      return;
    case EV_MOVE:
      if (ending)
        r.screen.Stretch(view, ToWorld(view, {x, y}));
      else
        r.screen.ShowCross(view, {x, y});
      return;
    default: break;
  }
  if (s == BlockState::RangeStart) {
    switch (code) {
      case kSub3: {
        SelectPrevious();
        r.screen.HideCross(view);
        r.screen.Restore(view, Opt().previousRect);
        RedrawSelected(view);
        ShowDataCount();
        AdjustButtons();
        ShowTextSizeBox(false);
        Enter(BlockState::Adjust);
        return;
      }
      case kSub4:
        r.mode = Copying() ? BlockMode::CutOut : BlockMode::GroupMove;
        RangeButtons(false);
        return;
      case kSub5:
        if (!Copying()) r.mode = BlockMode::LayerMove;
        RangeButtons(false);
        return;
      case EV_RCLICK: {
        const TGcell line = PickLine(view, code);
        if (line.kind == 0) return;
        r.refLine = line;
        r.screen.HideCross(view);
        ShowRefLine(view);
        RangeButtons(false);
        Enter(BlockState::MirrorEach);
        return;
      }
      default: break;
    }
  }
  if (code == EV_LCLICK && !ending) {
    r.screen.Begin(view, ToWorld(view, g_manager.leftPressPos));
    if (!adding) RangeButtons(false);
    Enter(adding ? BlockState::AddEnd : BlockState::RangeEnd);
    return;
  }
  if (IsClick(code) && ending) {
    TRangeFilters f = r.filters;
    f.touching = r.mode == BlockMode::CutOut;
    r.screen.Finish(view, ToWorld(view, PressPixel(code)), adding, f);
    Opt().hasPreviousRange = true;
    Opt().previousRect = r.screen.Rect();
    AdjustButtons();
    Enter(BlockState::Adjust);
    if (code == EV_RCLICK) Confirm(view);
  }
}

void OnAdjust(TGContext& view, int code) {
  BlockRun& r = S();
  switch (code) {
    case EV_ESC:
      r.screen.Unselect(view);
      ShowDataCount();
      RangeButtons(false);
      r.screen.Stretch(view, ToWorld(view, g_manager.lastMousePos));
      Enter(BlockState::RangeEnd);
      break;
    case kSub2:
      RangeButtons(false);
      r.screen.Drop(view);
      r.screen.ShowCross(view, g_manager.lastMousePos);
      Enter(BlockState::AddStart);
      break;
    case kSub3:
      if (!g_wiring.copySelection) break;
      g_wiring.copySelection();
      Platform().MessageBox("選択データをクリップボードにコピーしました。", kApplicationTitle, MsgButtons::Ok,
                            MsgIcon::Information);
      break;
    case EV_LCLICK:
    case EV_RCLICK: r.screen.Toggle(view, code); break;
    case kSub1: Confirm(view); break;
    default: break;
  }
}

void OnBase(TGContext& view, int code) {
  BlockRun& r = S();
  switch (code) {
    case EV_ESC:
      AdjustButtons();
      ShowTextSizeBox(true);
      Enter(BlockState::Adjust);
      break;
    case kSub5:
      ClearSubBtns();
      Enter(BlockState::MirrorAxis);
      break;
    case EV_LCLICK:
    case EV_RCLICK: {
      TPointD p;
      if (!ClickPoint(view, code, p)) return;
      r.base = p;
      UpdateTarget(p);
      BuildPreviewSource(view);
      ShowPreview(view);
      SetSubBtn("④数値位置", false);
      SetSubBtn("⑤基準線指示", true);
      Enter(BlockState::TargetPoint);
      break;
    }
    default: break;
  }
}

void OnTarget(TGContext& view, int code, double x, double y) {
  BlockRun& r = S();
  const BlockState s = r.state;
  switch (code) {
    case EV_ESC:
      SetOffsetAllow(false, false);
      HidePreview(view);
      ParamButtons("⑤反転");
      Enter(BlockState::BasePoint);
      break;
    case EV_MOVE:
    case EV_RDOWN: {
      if (g_mouseNav.DragMode != dmNone) break;
      const TPointD p = PointerPoint(view, code, x, y);
      r.lastPointer = p;
      const TPointD before = r.target;
      UpdateTarget(p);
      if (r.target != before) ShowPreview(view);
      break;
    }
    case kKey8:
      r.mirror = !r.mirror;
      ShowPreview(view);
      break;
    case kSub5:
      if (s != BlockState::TargetPoint) break;
      ClearSubBtns();
      SetSubBtn(r.scaleCaption, true);
      HidePreview(view);
      Enter(BlockState::DestLine);
      break;
    case kSub1:
      if (s == BlockState::RepeatTarget) {
        RepeatStep(view);
      } else {
        r.direction = (r.direction + 1) % 3;
        SetSubBtn(kDirections[r.direction], true);
        UpdateTarget(r.lastPointer);
        ShowPreview(view);
      }
      break;
    case EV_LCLICK:
    case EV_RCLICK: {
      if (g_manager.leftHeld || g_manager.rightHeld) break;
      TPointD p;
      if (!ClickPoint(view, code, p)) return;
      HidePreview(view);
      Commit(view, p);
      break;
    }
    default: break;
  }
}

void OnMirrorAxis(TGContext& view, int code) {
  if (code == EV_ESC) {
    ParamButtons("⑤反転");
    Enter(BlockState::BasePoint);
    return;
  }
  if (code != EV_LCLICK) return;
  const TGcell line = PickLine(view, code);
  if (line.kind == 0) return;
  const TLineGeom l = LineOf(line);
  const bool move = !Copying();
  BeginCommit(view);
  if (move) ForSelected(StoreUsed(), [&](int i) { EraseCell(view, GcellRef(i)); });
  bool refused = false;
  ForSelected(StoreUsed(), [&](int i) {
    TGcell c = GcellRef(i);
    MirrorCell(c, l.a, l.b);
    if (!move) c.pen &= static_cast<std::uint16_t>(~PEN_SELMARK);
    if (GcellAdd(std::move(c)) <= 0) {
      refused = true;
      return;
    }
    if (move) GcellDelete(i);
  });
  if (refused) Platform().Beep();
  EndCommit();
  ResetBlock(view);
}

void OnMirrorEach(TGContext& view, int code) {
  BlockRun& r = S();
  if (code == EV_ESC) {
    r.refShown.Clear(view);
    r.screen.ShowCross(view, g_manager.lastMousePos);
    RangeButtons(true);
    Enter(BlockState::RangeStart);
    return;
  }
  if (!IsClick(code)) return;
  const TPointD p = ToWorld(view, PressPixel(code));
  int i = code == EV_LCLICK ? PickNearest(view, false, p.x, p.y) : PickText(false, p.x, p.y);
  if (i == 0 && code == EV_RCLICK) i = PickArea(false, p.x, p.y);
  if (i == 0) {
    Platform().Beep();
    return;
  }
  const TCellRef ref = GcellRefOf(i);
  GcellCommit();
  i = GcellResolve(ref);
  if (i == 0) return;
  ++CurPVC().modified;
  TGcell c = GcellRef(i);
  const TLineGeom l = LineOf(r.refLine);
  MirrorCell(c, l.a, l.b);
  r.refShown.Hide(view);
  const int added = GcellAdd(std::move(c));
  if (added <= 0) {
    Platform().Beep();
  } else {
    if (!Copying()) {
      EraseCell(view, GcellRef(i));
      GcellDelete(i);
    }
    DrawCell(view, GcellRef(added));
  }
  ShowRefLine(view);
  ShowDataCount();
}

void OnDestLine(TGContext& view, int code) {
  BlockRun& r = S();
  if (code == EV_ESC) {
    ParamButtons("⑤基準線指定");
    SetSubBtn("④数値位置", false);
    r.angleCaption = "③回転角";
    SetSubBtn(r.angleCaption, true);
    UpdateTarget(r.lastPointer);
    ShowPreview(view);
    Enter(BlockState::TargetPoint);
    return;
  }
  if (code != EV_LCLICK) return;
  const TGcell line = PickLine(view, code);
  if (line.kind == 0) return;
  r.refLine = line;
  ShowRefLine(view);
  const TLineGeom l = LineOf(line);
  r.lineFlip = std::cos(LineAngle(l.a.x, l.a.y, l.b.x, l.b.y)) < 0;
  PlaceOnLine(view, r.lastPointer);
  SetSubBtn("①180ﾟ回転", true);
  Enter(BlockState::DestBase);
}

void OnDestBase(TGContext& view, int code, double x, double y) {
  BlockRun& r = S();
  switch (code) {
    case EV_ESC:
      SetSubBtn("①180ﾟ回転", false);
      HidePreview(view);
      r.refShown.Clear(view);
      Enter(BlockState::DestLine);
      break;
    case kSub1:
      r.lineFlip = !r.lineFlip;
      PlaceOnLine(view, r.lastPointer);
      break;
    case EV_MOVE:
    case EV_RDOWN:
      if (g_mouseNav.DragMode != dmNone) break;
      r.lastPointer = PointerPoint(view, code, x, y);
      PlaceOnLine(view, r.lastPointer);
      break;
    case EV_LCLICK:
    case EV_RCLICK: {
      TPointD p;
      if (!ClickPoint(view, code, p)) return;
      PlaceOnLine(view, p);
      HidePreview(view);
      BeginCommit(view);
      const bool move = !Copying();
      if (move) ForSelected(StoreUsed(), [&](int i) { EraseCell(view, GcellRef(i)); });
      PlaceSelection(move, true);
      EndCommit();
      if (move) {
        ResetBlock(view);
      } else {
        r.screen.ShowRect(view);
        r.refShown.Clear(view);
        SetSubBtn("①180ﾟ回転", false);
        Enter(BlockState::DestLine);
      }
      break;
    }
    default: break;
  }
}

}  // namespace

void Op_BlockCopy(TGContext& view, int code, double x, double y) {
  BlockRun& r = S();
  if (code == EV_START) {
    g_blockOp.run = BlockRun{};
    r.lastPointer = ToWorld(view, g_manager.lastMousePos);
    SetOffsetAllow(false, false);
    ResetBlock(view);
    ShowState();
    return;
  }
  if (code == EV_END) {
    r.screen.End(view);
    HidePreview(view);
    r.refShown.Clear(view);
    ShowDataCount();
    ShowTextSizeBox(false);
    Enter(BlockState::Idle);
    return;
  }
  if (code == EV_REDRAW) {
    r.screen.Redraw(view);
    return;
  }
  if (r.state == BlockState::Idle) return;
  if (ValueEntryButton() != 0) {
    if (code == EV_ENTER || code == EV_ESC) TakeEntry(view, code);
    ShowState();
    return;
  }
  // Keys 2, 3 and 4 type the scale, the turn and the numeric move once the
  // range is fixed.
  if (ParamState(r.state) && (code == kSub2 || code == kSub3 || code == kSub4)) {
    if (SubOption(code - EV_SUB1 + 1).enabled) OpenEntry(code - EV_SUB1 + 1);
    return;
  }
  // A button not offered does nothing (key 3 in Adjust copies all the same).
  if (code >= kSub1 && code <= EV_SUB7 && !SubOption(code - EV_SUB1 + 1).enabled &&
      !(r.state == BlockState::Adjust && code == kSub3))
    return;
  switch (r.state) {
    case BlockState::RangeStart:
    case BlockState::RangeEnd:
    case BlockState::AddStart:
    case BlockState::AddEnd: OnRange(view, code, x, y); break;
    case BlockState::Adjust: OnAdjust(view, code); break;
    case BlockState::BasePoint:
      if (code == kSub1) {
        r.direction = (r.direction + 1) % 3;
        SetSubBtn(kDirections[r.direction], true);
      } else {
        OnBase(view, code);
      }
      break;
    case BlockState::TargetPoint:
    case BlockState::RepeatTarget: OnTarget(view, code, x, y); break;
    case BlockState::Repeat:
      if (code == kSub1) RepeatStep(view);
      if (code == EV_ESC) ResetBlock(view);
      break;
    case BlockState::MirrorAxis: OnMirrorAxis(view, code); break;
    case BlockState::MirrorEach: OnMirrorEach(view, code); break;
    case BlockState::DestLine: OnDestLine(view, code); break;
    case BlockState::DestBase: OnDestBase(view, code, x, y); break;
    case BlockState::Idle: break;
  }
  ShowState();
}
