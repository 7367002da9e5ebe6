#include "ops/Op_PenChange.h"

#include <algorithm>
#include <vector>

#include "app/Ap_Unit1.h"
#include "app/GC_PointSearch.h"
#include "app/GC_View.h"
#include "kernel/Platform.h"
#include "model/PVC.h"
#include "ops/Op_Box.h"
#include "render/GC_Draw.h"

PenChangeOpState g_penChangeOp;

void Op_PenChange_Reset() { g_penChangeOp = PenChangeOpState{}; }

namespace {

constexpr std::uint16_t kFlagBits = 0xF000;

PenChangeRun& S() { return g_penChangeOp.run; }

int PenNumber(std::uint16_t pen) { return pen & 0x0F; }
int LineType(std::uint16_t pen) { return (pen >> 4) & 0x0F; }

void PickCaptions() {
  ClearSubBtns();
  SetSubBtn("① 範 囲 ", true);
  SetSubBtn("②Pen指定範囲", true);
}

void ShowState() {
  const PenChangeRun& r = S();
  const char* who = r.penSpecMode ? "Pen指定選択：" : "ペン変更：";
  switch (r.state) {
    case PenChangeState::Pick:
      ShowStep("変更する 線･円指示(L), 文字や塗潰面(R)", CursorShape::HandPoint, false, false);
      break;
    case PenChangeState::RangeStart: ShowStep(std::string(who) + "「始点指示(L)", CursorShape::Drag, false, false); break;
    case PenChangeState::RangeEnd:
      ShowStep(std::string(who) + "　終点指示(L)」、確定指示(R)", CursorShape::Drag, false, false);
      break;
    case PenChangeState::Adjust:
      ShowStep(r.penSpecMode ? "除外,追加データ指示, 線(L), 文字や塗潰面(R)　◆◆ペン,文字番号を変更して下さい◆◆"
                             : "除外,追加データ指示, 線(L), 文字や塗潰面(R)",
               CursorShape::AddExclude, false, false);
      break;
    default: break;
  }
}

// A cell replaced by its changed copy: the old one deleted undoably and
// painted out, the copy appended and drawn.
void Replace(TGContext& view, int i, const TGcell& changed) {
  EraseCell(view, GcellRef(i));
  GcellDelete(i);
  if (const int j = GcellAdd(changed); j > 0) DrawCell(view, GcellRef(j));
}

// Closes the previous undo step; the cell the reference holds, 0 when gone.
int CommitKeeping(int i) {
  const TCellRef ref = GcellRefOf(i);
  GcellCommit();
  return GcellResolve(ref);
}

bool IsLineWork(int kind) { return kind == GK_POINT || kind == GK_LINE || kind == GK_ARC || kind == GK_CIRCLE; }

void ChangePicked(TGContext& view, TPointD p) {
  int i = PickNearest(view, false, p.x, p.y);
  if (i == 0) return;
  const TGcell old = GcellRef(i);
  if (!IsLineWork(old.kind) || old.pen == WritePen()) return;
  i = CommitKeeping(i);
  if (i == 0) return;
  if (g_manager.shiftAtClick & (ssShift | ssCtrl)) {
    // The chain as it was: cells touching it in its old pen.
    Platform().SetScreenCursor(CursorShape::Hourglass);
    GcellMaskAll(static_cast<std::uint16_t>(~PEN_SELECTED));
    GcellSelect(i);
    ChainPick(view, i);
    std::vector<int> chain;
    const int w = StoreWindow();
    for (int c = 1, n = StoreUsed(); c <= n; ++c)
      if (GcellRef(c).window == w && GcellRef(c).kind > 0 && (GcellRef(c).pen & PEN_SELECTED)) chain.push_back(c);
    for (int c : chain) {
      TGcell changed = GcellRef(c);
      changed.pen = WritePen();
      Replace(view, c, changed);
    }
    Platform().SetScreenCursor(CursorShape::Default);
  } else {
    TGcell changed = old;
    changed.pen = WritePen();
    Replace(view, i, changed);
  }
  ShowDataCount();
}

void ChangeFill(TGContext& view, int i) {
  i = CommitKeeping(i);
  if (i == 0) return;
  TGcell changed = GcellRef(i);
  EraseCell(view, changed);
  GcellDelete(i);
  changed.pen = WritePen();
  const std::string colour = FillColourText();
  if (!colour.empty()) {
    // A polygon keeps its vertex list after the colour.
    const std::size_t comma = changed.text.find(',');
    changed.text = colour + (comma == std::string::npos ? std::string() : changed.text.substr(comma));
  }
  GcellAdd(changed);
  ViewRedraw(1);
}

void ChangePicture(int i) {
  const TCellRef ref = GcellRefOf(i);
  std::string file;
  TRasterImage image;
  if (ChoosePictureFile("画像読み込み", "JPEG イメージ(*.jpg)、ビットマップ(*.bmp)|*.jpg;*.jpeg;*.bmp", file, image) !=
      TPictureChoice::Chosen)
    return;
  GcellCommit();
  i = GcellResolve(ref);
  if (i == 0) return;
  TGcell changed = GcellRef(i);
  changed.pen = WritePen();
  changed.text = file;
  GcellDelete(i);
  GcellAdd(changed);
  ViewRedraw(1);
}

void ChangeText(TGContext& view, int i) {
  TGcell changed = GcellRef(i);
  EraseTextAround(view, changed);
  const bool alt = (g_manager.shiftAtClick & ssAlt) || Platform().IsKeyDown(PhysKey::Alt);
  const int size = CurPVC().textSize;
  if (alt || changed.size != size) {
    i = CommitKeeping(i);
    if (i == 0) return;
    GcellDelete(i);
    if (alt) {
      const std::string s = changed.text.str();
      changed.text = !s.empty() && s[0] == '~' ? s.substr(1) : "~" + s;
    } else {
      changed.size = static_cast<std::uint8_t>(size);
    }
    i = GcellAdd(changed);
  }
  if (i > 0) DrawCell(view, GcellRef(i));
  ShowDataCount();
}

void ChangeRightPicked(TGContext& view, TPointD p) {
  int i = PickText(false, p.x, p.y);
  if (i == 0) i = PickArea(false, p.x, p.y);
  if (i == 0) return;
  switch (GcellRef(i).kind) {
    case GK_POLYGON:
    case GK_POLYARC:
    case GK_FILL4K: ChangeFill(view, i); break;
    case GK_PICTURE: ChangePicture(i); break;
    case GK_TEXT: ChangeText(view, i); break;
    default: break;
  }
}

// The range's cells take the current attributes, in one undo step.
void ChangeSelection(TGContext& view) {
  GcellCommit();
  ++CurPVC().modified;
  const int w = StoreWindow();
  for (int i = 1, n = StoreUsed(); i <= n; ++i) {
    const TGcell& c = GcellRef(i);
    if (c.window != w || c.kind <= 0 || !(c.pen & PEN_SELECTED)) continue;
    TGcell changed = PenChangeApply(g_penChangeOp.form, S().penSpecMode, c);
    changed.pen &= static_cast<std::uint16_t>(~PEN_SELECTED);
    Replace(view, i, changed);
  }
  ViewRedraw(1);
  ShowDataCount();
}

void StartRange(TGContext& view, bool penSpecMode) {
  PenChangeRun& r = S();
  ClearSubBtns();
  ShowTextSizeBox(true);
  r.screen.ShowCross(view, g_manager.lastMousePos);
  r.penSpecMode = penSpecMode;
  r.state = PenChangeState::RangeStart;
}

void OpenDialog(TGContext& view) {
  TPenChangeForm& f = g_penChangeOp.form;
  const TMojiSizeList sizes = MakeMojiSizeList(CurPVC());
  // Item 0 is the texts' own size; the boxes are sizes 1..10.
  for (int k = 0; k < 10; ++k)
    f.MojiCaption[k] = k + 1 < static_cast<int>(sizes.items.size()) ? sizes.items[static_cast<std::size_t>(k) + 1] : "";
  if (Platform().PenChangeDialog(f)) StartRange(view, false);
}

void OnPick(TGContext& view, int code) {
  switch (code) {
    case EV_ESC:
      ShowTextSizeBox(true);
      PickCaptions();
      ViewRedraw(1);
      break;
    case EV_SUB1: OpenDialog(view); break;
    case EV_SUB1 + 1: StartRange(view, true); break;
    case EV_LCLICK: ChangePicked(view, ToWorld(view, PressPixel(code))); break;
    case EV_RCLICK: ChangeRightPicked(view, ToWorld(view, PressPixel(code))); break;
    default: break;
  }
}

void OnRange(TGContext& view, int code, double x, double y) {
  PenChangeRun& r = S();
  const bool ending = r.state == PenChangeState::RangeEnd;
  switch (code) {
    case EV_ESC:
      if (ending) {
        r.screen.Drop(view);
        r.screen.ShowCross(view, g_manager.lastMousePos);
        r.state = PenChangeState::RangeStart;
      } else {
        r.screen.HideCross(view);
        PickCaptions();
        r.state = PenChangeState::Pick;
      }
      break;
    case EV_MOVE:
      if (ending)
        r.screen.Stretch(view, ToWorld(view, {x, y}));
      else
        r.screen.ShowCross(view, {x, y});
      break;
    case EV_LCLICK:
      if (!ending) {
        r.screen.Begin(view, ToWorld(view, g_manager.leftPressPos));
        r.state = PenChangeState::RangeEnd;
        break;
      }
      [[fallthrough]];
    case EV_RCLICK: {
      if (!ending) break;
      TRangeFilters filters;
      const TPenChangeForm& form = g_penChangeOp.form;
      if (r.penSpecMode)
        filters.keep = [](const TGcell& c) { return PenChangePenTakes(c); };
      else
        filters.keep = [&form](const TGcell& c) { return PenChangeDialogTakes(form, c); };
      r.screen.Finish(view, ToWorld(view, PressPixel(code)), false, filters);
      SetSubBtn("①確定", true);
      r.state = PenChangeState::Adjust;
      if (code == EV_RCLICK && !r.penSpecMode) {
        r.screen.Drop(view);
        ChangeSelection(view);
        SetSubBtn("①", false);
        r.screen.ShowCross(view, g_manager.lastMousePos);
        r.state = PenChangeState::RangeStart;
      }
      break;
    }
    default: break;
  }
}

void OnAdjust(TGContext& view, int code) {
  PenChangeRun& r = S();
  switch (code) {
    case EV_ESC:
      r.screen.Unselect(view);
      ShowDataCount();
      SetSubBtn("①", false);
      if (r.screen.Active()) {
        r.state = PenChangeState::RangeEnd;
      } else {
        r.screen.ShowCross(view, g_manager.lastMousePos);
        r.state = PenChangeState::RangeStart;
      }
      break;
    case EV_LCLICK:
    case EV_RCLICK: r.screen.Toggle(view, code, true); break;
    case EV_SUB1:
      r.screen.Drop(view);
      ChangeSelection(view);
      r.screen.ShowCross(view, g_manager.lastMousePos);
      SetSubBtn("①", false);
      r.state = PenChangeState::RangeStart;
      break;
    default: break;
  }
}

}  // namespace

bool PenChangeDialogTakes(const TPenChangeForm& form, const TGcell& c) {
  if (c.kind == GK_TEXT) return form.MojiCheck[std::clamp<int>(c.size, 1, 10) - 1];
  const int n = std::clamp(PenNumber(c.pen), 1, 7), s = std::clamp(LineType(c.pen), 1, 8);
  if (n == 7 && form.PenNoCheck[6]) return true;
  return form.PenNoCheck[n - 1] && form.StyleCheck[s - 1];
}

bool PenChangePenTakes(const TGcell& c) {
  const TPVC& pvc = CurPVC();
  if (c.kind == GK_TEXT) return c.size == pvc.textSize;
  const std::uint16_t write = static_cast<std::uint16_t>(pvc.writePen);
  if (PenNumber(c.pen) != 7) return (c.pen & 0xFF) == (write & 0xFF);
  return PenNumber(write) == 7;
}

TGcell PenChangeApply(const TPenChangeForm& form, bool penSpecMode, TGcell c) {
  const TPVC& pvc = CurPVC();
  const std::uint16_t write = static_cast<std::uint16_t>(pvc.writePen);
  if (penSpecMode) {
    if (c.kind == GK_TEXT)
      c.size = static_cast<std::uint8_t>(pvc.textSize);
    else
      c.pen = write;
    return c;
  }
  const std::uint8_t layerByte = static_cast<std::uint8_t>(pvc.writeLayer);
  if (form.cbGroup) c.layer = static_cast<std::uint8_t>((c.layer & 0x0F) | (layerByte & 0xF0));
  if (form.cbLayer) c.layer = static_cast<std::uint8_t>((c.layer & 0xF0) | (layerByte & 0x0F));
  if (c.kind == GK_TEXT) {
    if (form.cbMoji) c.size = static_cast<std::uint8_t>(pvc.textSize);
    return c;
  }
  if (form.cbPenNo) {
    c.pen = static_cast<std::uint16_t>((c.pen & 0xFFF0 & ~kFlagBits) | (write & 0x0F));
    if (PenNumber(c.pen) == 7) c.pen = 0x57;
  }
  if (form.cbStyle) c.pen = static_cast<std::uint16_t>((c.pen & 0xFF0F & ~kFlagBits) | (write & 0xF0));
  return c;
}

void Op_PenChange(TGContext& view, int code, double x, double y) {
  PenChangeRun& r = S();
  if (code == EV_START) {
    r = PenChangeRun{};
    ShowTextSizeBox(true);
    PickCaptions();
    r.state = PenChangeState::Pick;
    ShowState();
    return;
  }
  if (code == EV_END) {
    r.screen.End(view);
    ShowTextSizeBox(false);
    r.state = PenChangeState::Idle;
    return;
  }
  if (code == EV_REDRAW) {
    r.screen.Redraw(view);
    return;
  }
  switch (r.state) {
    case PenChangeState::Pick: OnPick(view, code); break;
    case PenChangeState::RangeStart:
    case PenChangeState::RangeEnd: OnRange(view, code, x, y); break;
    case PenChangeState::Adjust: OnAdjust(view, code); break;
    default: return;
  }
  ShowState();
}
