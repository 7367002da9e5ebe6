#include "ops/Op_Delete.h"

#include <cmath>
#include <string>
#include <vector>

#include "app/ApManager.h"
#include "app/Ap_Unit1.h"
#include "app/GC_PointSearch.h"
#include "app/GC_View.h"
#include "kernel/Platform.h"
#include "kernel/Wiring.h"
#include "kernel/Z_Basic.h"
#include "model/GC_DB.h"
#include "model/GC_Merge.h"
#include "model/PVC.h"
#include "render/GC_Draw.h"

DeleteOpState g_deleteOp;

void Op_Delete_Reset() { g_deleteOp = DeleteOpState{}; }

namespace {

// A left drag further than this (pixels, in x or y) from its press starts a range.
constexpr double kDragRange = 32;

const char* const kPenFilterNote = "、　線種指定は書き込みペンで指定して下さい.";

DeleteRun& S() { return g_deleteOp.run; }

bool RangeState(DeleteState s) {
  return s == DeleteState::RangeStart || s == DeleteState::RangeEnd || s == DeleteState::AddStart ||
         s == DeleteState::AddEnd;
}
bool Adding(DeleteState s) { return s == DeleteState::AddStart || s == DeleteState::AddEnd; }

void PickButtons() {
  ClearSubBtns();
  SetSubBtn("①範囲", true);
  SetSubBtn("②重複消去", true);
}

// The filter buttons of the range states; in the cleanup they stay off.
void FilterButtons() {
  ClearSubBtns();
  if (S().cleanup) {
    SetSubBtn("①範囲", false);
    SetSubBtn("②重複消去", false);
    return;
  }
  SetSubBtn(S().filters.pen ? "①$線種指定" : "① 線種指定", true);
  SetSubBtn(S().filters.size ? "②$文字指定" : "② 文字指定", true);
  ShowTextSizeBox(true);
}

void AdjustButtons(bool withOutside) {
  ClearSubBtns();
  SetSubBtn("① 確定 ", true);
  SetSubBtn("②追加範囲", true);
  SetSubBtn("③ｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰ", true);
  if (withOutside) SetSubBtn("④選択外消去", true);
}

// The prompt and cursor of the state the run is in.
void ShowState() {
  const DeleteState s = S().state;
  std::string prompt = S().cleanup ? "重複消去：" : "削除：";
  CursorShape cursor = CursorShape::Arrow;
  switch (s) {
    case DeleteState::Pick:
      prompt += "線/円(L), 文字や塗潰面(R), 連続線(Shift+L)";
      cursor = CursorShape::HandPoint;
      break;
    case DeleteState::RangeStart:
    case DeleteState::AddStart:
      prompt += "「始点指示(L)";
      cursor = CursorShape::Drag;
      break;
    case DeleteState::RangeEnd:
    case DeleteState::AddEnd:
      prompt += "終点指示(L)」、確定指示(R)";
      cursor = CursorShape::Drag;
      break;
    case DeleteState::Adjust:
      prompt = "除外,追加データ指示,線(L),文字/塗潰/画像(R)";
      cursor = CursorShape::AddExclude;
      break;
    case DeleteState::Idle: prompt.clear(); break;
  }
  if (RangeState(s) && S().filters.pen) prompt += kPenFilterNote;
  ShowStep(prompt, cursor, false, false);
}

void Enter(DeleteState s) { S().state = s; }

// The crosshair at the pointer's last position.
void CrossAtPointer(TGContext& view) { S().screen.ShowCross(view, g_manager.lastMousePos); }

void StartRange(TGContext& view, TPointD pressPx, DeleteState to) {
  S().screen.Begin(view, ToWorld(view, pressPx));
  Enter(to);
}

// A cell picked in Pick goes, with Shift or Ctrl its chain too.
void DeletePicked(TGContext& view, int code) {
  const TPointD p = ToWorld(view, PressPixel(code));
  int i = code == EV_LCLICK ? PickNearest(view, false, p.x, p.y) : PickText(false, p.x, p.y);
  if (i == 0 && code == EV_RCLICK) i = PickArea(false, p.x, p.y);
  if (i == 0) return;
  // Closing the step may compact the store, which moves the cells.
  const TCellRef ref = GcellRefOf(i);
  GcellCommit();
  i = GcellResolve(ref);
  if (i == 0) return;
  const std::int8_t kind = GcellRef(i).kind;
  std::vector<int> gone{i};
  if (g_manager.shiftAtClick & (ssShift | ssCtrl)) {
    Platform().SetScreenCursor(CursorShape::Hourglass);
    GcellMaskAll(static_cast<std::uint16_t>(~PEN_SELECTED));
    GcellSelect(i);
    ChainPick(view, i);
    gone.clear();
    for (int c = 1, n = StoreUsed(); c <= n; ++c)
      if (GcellLive(c) && GcellRef(c).window == StoreWindow() && (GcellRef(c).pen & PEN_SELECTED)) gone.push_back(c);
    Platform().SetScreenCursor(CursorShape::Default);
  }
  for (int c : gone) {
    EraseCell(view, GcellRef(c));
    GcellDelete(c);
  }
  if (kind == GK_POLYGON || kind == GK_POLYARC || kind == GK_FILL4K || kind == GK_PICTURE || kind == GK_TEXT)
    ViewRedraw(1);
  ShowDataCount();
}

// Every shown live cell of the window changes its selection: what was
// outside the selection is now in it.
void InvertSelection() {
  const int w = StoreWindow();
  for (int i = 1, n = StoreUsed(); i <= n; ++i) {
    const TGcell& c = GcellRef(i);
    if (c.window == w && c.kind > 0 && IsCellShown(c)) GcellToggleSelect(i);
  }
}

void Confirm(TGContext& view) {
  Platform().SetScreenCursor(CursorShape::Hourglass);
  ClearSubBtns();
  S().screen.Drop(view);
  ++CurPVC().modified;
  GcellCommit();
  if (S().cleanup) {
    DuplicateCleanup();
  } else {
    const int w = StoreWindow();
    for (int i = 1, n = StoreUsed(); i <= n; ++i) {
      const TGcell& c = GcellRef(i);
      if (c.window != w || c.kind <= 0 || !(c.pen & PEN_SELECTED)) continue;
      EraseCell(view, c);
      GcellDelete(i);
    }
  }
  Enter(DeleteState::RangeStart);
  FilterButtons();
  ViewRedraw(1);
  ShowDataCount();
  CrossAtPointer(view);
  Platform().SetScreenCursor(CursorShape::Default);
}

void OnPick(TGContext& view, int code, double x, double y) {
  switch (code) {
    case EV_SUB1:
      S().filters = {};
      S().cleanup = false;
      FilterButtons();
      CrossAtPointer(view);
      Enter(DeleteState::RangeStart);
      break;
    case EV_SUB1 + 1:
      S().cleanup = true;
      S().filters = {};
      FilterButtons();
      CrossAtPointer(view);
      Enter(DeleteState::RangeStart);
      break;
    case EV_MOVE:
      if (g_manager.leftHeld && !g_manager.rightHeld &&
          (std::fabs(x - g_manager.leftPressPos.x) > kDragRange || std::fabs(y - g_manager.leftPressPos.y) > kDragRange)) {
        S().filters = {};
        FilterButtons();
        StartRange(view, g_manager.leftPressPos, DeleteState::RangeEnd);
      }
      break;
    case EV_LCLICK:
    case EV_RCLICK: DeletePicked(view, code); break;
    default: break;
  }
}

void ToggleFilter(int code) {
  if (S().cleanup) return;
  if (code == EV_SUB1) S().filters.pen = !S().filters.pen;
  if (code == EV_SUB1 + 1) S().filters.size = !S().filters.size;
  FilterButtons();
}

void OnRange(TGContext& view, int code, double x, double y) {
  const DeleteState s = S().state;
  const bool adding = Adding(s);
  const bool ending = s == DeleteState::RangeEnd || s == DeleteState::AddEnd;
  switch (code) {
    case EV_ESC:
      if (ending) {
        S().screen.Drop(view);
        CrossAtPointer(view);
        Enter(adding ? DeleteState::AddStart : DeleteState::RangeStart);
      } else {
        S().screen.HideCross(view);
        ShowTextSizeBox(false);
        if (adding) {
          AdjustButtons(false);
          Enter(DeleteState::Adjust);
        } else {
          S().cleanup = false;
          PickButtons();
          Enter(DeleteState::Pick);
        }
      }
      break;
    case EV_SUB1:
    case EV_SUB1 + 1: ToggleFilter(code); break;
    case EV_MOVE:
      if (ending) {
        S().screen.Stretch(view, ToWorld(view, {x, y}));
      } else {
        S().screen.ShowCross(view, {x, y});
      }
      break;
    case EV_LCLICK:
      if (!ending) {
        StartRange(view, g_manager.leftPressPos, adding ? DeleteState::AddEnd : DeleteState::RangeEnd);
        break;
      }
      [[fallthrough]];
    case EV_RCLICK:
      if (!ending) break;
      S().screen.Finish(view, ToWorld(view, PressPixel(code)), adding, S().filters);
      AdjustButtons(true);
      Enter(DeleteState::Adjust);
      if (code == EV_RCLICK) Confirm(view);
      break;
    default: break;
  }
}

void OnAdjust(TGContext& view, int code) {
  switch (code) {
    case EV_ESC:
      S().screen.Unselect(view);
      ShowDataCount();
      FilterButtons();
      if (S().screen.Active()) {
        Enter(DeleteState::RangeEnd);
      } else {
        // An added range was given up: there is no rectangle to go on with.
        CrossAtPointer(view);
        Enter(DeleteState::RangeStart);
      }
      break;
    case EV_SUB1 + 1:
      S().screen.Drop(view);
      FilterButtons();
      CrossAtPointer(view);
      Enter(DeleteState::AddStart);
      break;
    case EV_LCLICK:
    case EV_RCLICK:
      if (CurOpButton() == OpBtn_Delete) S().screen.Toggle(view, code);
      break;
    case EV_SUB1 + 2:
      if (!g_wiring.copySelection) break;
      Platform().SetScreenCursor(CursorShape::Hourglass);
      g_wiring.copySelection();
      Platform().SetScreenCursor(CursorShape::Default);
      Platform().MessageBox("選択データをクリップボードにコピーしました。", kApplicationTitle, MsgButtons::Ok,
                            MsgIcon::Information);
      break;
    case EV_SUB1 + 3:
      if (!SubOption(4).enabled) break;
      InvertSelection();
      Confirm(view);
      break;
    case EV_SUB1: Confirm(view); break;
    default: break;
  }
}

}  // namespace

void Op_Delete(TGContext& view, int code, double x, double y) {
  DeleteRun& s = S();
  if (code == EV_START) {
    g_deleteOp.run = DeleteRun{};
    PickButtons();
    Enter(DeleteState::Pick);
    ShowState();
    return;
  }
  if (code == EV_END) {
    s.screen.End(view);
    ShowDataCount();
    ShowTextSizeBox(false);
    Enter(DeleteState::Idle);
    return;
  }
  if (code == EV_REDRAW) {
    s.screen.Redraw(view);
    return;
  }
  // A button not offered (blank, or a digit key for it) does nothing.
  if (code >= EV_SUB1 && code <= EV_SUB7 && !SubOption(code - EV_SUB1 + 1).enabled) return;
  switch (s.state) {
    case DeleteState::Pick: OnPick(view, code, x, y); break;
    case DeleteState::RangeStart:
    case DeleteState::RangeEnd:
    case DeleteState::AddStart:
    case DeleteState::AddEnd: OnRange(view, code, x, y); break;
    case DeleteState::Adjust: OnAdjust(view, code); break;
    case DeleteState::Idle: return;
  }
  ShowState();
}

// ---- Duplicate cleanup ------------------------------------------------------------

namespace {

void ShowProgress(bool visible, int position, int max) {
  TProgressPanel& p = g_form1.progress;
  p.visible = visible;
  p.caption = "線の重複を整理中です．";
  p.position = position;
  p.max = max;
  Form1Changed();
  Platform().ShowNow();
}

// "%.1f" without the C locale.
std::string OneDecimal(double v) {
  const long long tenths = std::llround(v * 10);
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

}  // namespace

void DuplicateCleanup() {
  GcellCompact(false);
  const int before = CountSelected();
  if (before < 2) {
    // Nothing to merge: the selection ends all the same.
    GcellMaskAll(static_cast<std::uint16_t>(~PEN_SELECTED));
    return;
  }
  const int total = StoreUsed();
  ShowProgress(true, 0, total);
  GcellCommit();
  GcellMergeDuplicates(0.05 * CurPVC().basicScale, [](int done, int all) { ShowProgress(true, done, all); });
  const int after = CountSelected();
  GcellMaskAll(static_cast<std::uint16_t>(~PEN_SELECTED));
  GcellReorder();
  ShowProgress(false, 0, 0);
  Platform().MessageBox("完了： " + std::to_string(before) + " ---> " + std::to_string(after) + " (" +
                            OneDecimal(after * 100.0 / before) + "%)",
                        kApplicationTitle, MsgButtons::Ok, MsgIcon::Information);
}
