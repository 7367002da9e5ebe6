#include "app/ApManager.h"

#include <cstring>
#include <string_view>

#include "app/ApMouse.h"
#include "app/Ap_Unit1.h"
#include "kernel/Platform.h"
#include "kernel/Z_Basic.h"
#include "model/GC_DB.h"

ManagerState g_manager;

namespace {

// Palette columns and rows (pixels).
constexpr int kL = 3, kM = 42, kR = 81;

const TOpInfo kOps[OpBtn_Count] = {
    {OpBtn_None, "", "", 0, false, 0, 0},
    {OpBtn_Dummy, "OpBtn_Dummy", "", 'N', true, kL, 4},
    {OpBtn_PenChange, "OpBtn_PenChange", "属性変更", 'P', true, kL, 40},
    {OpBtn_BlockMove, "OpBtn_BlockMove", "ブロック移動", 'M', true, kM, 40},
    {OpBtn_BlockCopy, "OpBtn_BlockCopy", "ブロック複写", 'C', true, kR, 40},
    {OpBtn_HyoMove, "OpBtn_HyoMove", "表枠の移動", 0, true, kL, 80},
    {OpBtn_Delete, "OpBtn_Delete", "消去", 'D', true, kM, 80},
    {OpBtn_Line, "OpBtn_Line", "直線", 'X', true, kR, 80},
    {OpBtn_LineCut, "OpBtn_LineCut", "線切断", 'K', true, kL, 120},
    {OpBtn_CenterLine, "OpBtn_CenterLine", "中心線", 'I', true, kM, 120},
    {OpBtn_Box, "OpBtn_Box", "矩形(BOX)", 'B', true, kR, 120},
    {OpBtn_Haching, "OpBtn_Haching", "網掛け", 'H', true, kL, 160},
    {OpBtn_ArrowSet, "OpBtn_ArrowSet", "矢印の付加", 'Y', true, kM, 160},
    {OpBtn_Fukusen, "OpBtn_Fukusen", "複線", 'F', true, kR, 160},
    {OpBtn_Arc1, "OpBtn_Arc1", "円弧・円接線", 'R', true, kL, 200},
    {OpBtn_Circle, "OpBtn_Circle", "円", 'E', true, kM, 200},
    {OpBtn_LineStretch, "OpBtn_LineStretch", "伸縮", 'T', true, kR, 200},
    {OpBtn_Sunpo, "OpBtn_Sunpo", "寸法線", 'S', true, kL, 240},
    {OpBtn_LtoMoji, "OpBtn_LtoMoji", "線長を文字にセット", 0, true, kM, 240},
    {OpBtn_LineConect, "OpBtn_LineConect", "線結合、面取", 'V', true, kR, 240},
    {OpBtn_Sunpo2, "OpBtn_Sunpo2", "斜め寸法線", 0, true, kL, 280},
    {OpBtn_MojiMove, "OpBtn_MojiMove", "文字移動", 'Z', true, kM, 280},
    {OpBtn_Moji, "OpBtn_Moji", "文字入力", 'A', true, kR, 280},
    {OpBtn_SunpoKakudo, "OpBtn_SunpoKakudo", "角度寸法線", 0, true, kL, 320},
    {OpBtn_SokuteiA, "OpBtn_SokuteiA", "測定(面積)", 0, true, kM, 320},
    {OpBtn_SokuteiL, "OpBtn_SokuteiL", "測定(長さ)", 'Q', true, kR, 320},
    {OpBtn_BoxCounter, "OpBtn_BoxCounter", "矩形（Box）の集計...", 0, false, 0, 0},
    {OpBtn_ClipRead, "OpBtn_ClipRead", "貼り付け", 0, false, 0, 0},
    {OpBtn_JwcExt, "OpBtn_JwcExt", "JW_CAD外部変形", 0, false, 0, 0},
    {OpBtn_NumLines, "OpBtn_NumLines", "数値表で直線列作図", 0, false, 0, 0},
    {OpBtn_LineKey, "OpBtn_LineKey", "数値で作図(一筆書き)", 0, false, 0, 0},
    {OpBtn_Kakko, "OpBtn_Kakko", "括弧 [{(-)}] の作図 ", 0, false, 0, 0},
    {OpBtn_BmpSave, "OpBtn_BmpSave", "画像ﾌｧｲﾙに保存", 0, false, 0, 0},
    {OpBtn_Print00, "OpBtn_Print00", "印刷 100 % ", 0, false, 0, 0},
    {OpBtn_Print72, "OpBtn_Print72", "印刷  72 % ", 0, false, 0, 0},
    {OpBtn_Print50, "OpBtn_Print50", "印刷  50 % ", 0, false, 0, 0},
    {OpBtn_Print11, "OpBtn_Print11", "原寸印刷", 0, false, 0, 0},
};

bool Valid(TOpButton b) { return b > OpBtn_None && b < OpBtn_Count; }

void SetDown(TOpButton b) {
  if (!Valid(b) || !kOps[b].speedButton || g_manager.downButton == b) return;
  g_manager.downButton = b;
  Form1Changed();
}

void SetUp(TOpButton b) {
  if (!Valid(b) || !kOps[b].speedButton || g_manager.downButton != b) return;
  g_manager.downButton = OpBtn_None;
  Form1Changed();
}

// The circled digits ①..⑦ that name the sub-menu buttons, two bytes each.
constexpr std::string_view kCircled = "①②③④⑤⑥⑦";

int SubButtonIndex(const std::string& caption) {
  if (caption.size() < 2) return -1;
  for (int i = 0; i < 7; ++i)
    if (caption.compare(0, 2, kCircled.substr(static_cast<std::size_t>(i) * 2, 2)) == 0) return i;
  return -1;
}

}  // namespace

const TOpInfo& OpInfo(TOpButton b) { return kOps[Valid(b) ? b : OpBtn_None]; }

TOpButton OpButtonByName(const std::string& name) {
  for (const TOpInfo& op : kOps)
    if (op.id != OpBtn_None && name == op.name) return op.id;
  return OpBtn_None;
}

void SetOpHandler(TOpButton b, TOpHandler handler) {
  if (Valid(b) && b != OpBtn_Dummy) g_wiring.opHandlers[b] = handler;
}

TOpHandler OpHandler(TOpButton b) { return Valid(b) ? g_wiring.opHandlers[b] : nullptr; }

void NotBuiltYet() {
  SetGuide(kNotBuilt);
  Platform().Beep();
}

void ApManager_Reset() { g_manager = ManagerState{}; }

// --- dispatch

void OpDispatch(TOpButton sender, int code, double x, double y) {
  if (g_manager.gestureFilter) {
    g_manager.gestureFilter(code, x, y);
    return;
  }
  const Wiring& w = g_wiring;
  if (sender != OpBtn_None) {
    if (w.operationChanged) w.operationChanged();
    SetDown(sender);
    OpRoute(EV_END, 0, 0);
    g_manager.curOp = sender;
  }
  if (w.claims && w.claims(code) &&
      (code == EV_ENTER || code == EV_ESC || code == EV_RCLICK || code == EV_LCLICK) && w.finishClaim)
    w.finishClaim(code, x, y);
  if (code != EV_NONE) OpRoute(code, x, y);
}

void OpRoute(int code, double x, double y) {
  if (code == EV_START) {
    SetDown(g_manager.curOp);
    EntryClose();
    g_manager.activeHistory = nullptr;
    ClearSubBtns();
    SetGuide("");
    g_form1.drawCursor = CursorShape::Arrow;
    Form1Changed();
    if (g_wiring.disallowOffsets) g_wiring.disallowOffsets();
  } else if (code == EV_END) {
    SetUp(g_manager.curOp);
  }
  if (TOpHandler h = OpHandler(g_manager.curOp)) {
    if (g_wiring.beforeRoute) g_wiring.beforeRoute(g_manager.view, code);
    h(g_manager.view, code, x, y);
    if (g_wiring.afterRoute) g_wiring.afterRoute(g_manager.view, code);
  }
  if (g_wiring.clearPending) g_wiring.clearPending();
}

void Op_ButtonClick(TOpButton control) {
  if (!Valid(control)) return;
  CancelViewGesture();
  Platform().SetScreenCursor(CursorShape::Default);
  if (control != OpBtn_Dummy && !OpHandler(control)) {
    NotBuiltYet();
    return;
  }
  if (control != OpBtn_Delete && StoreCapacity() - 10 < StoreUsed()) {
    GcellCompact(true);
    if (StoreCapacity() - 10 < StoreUsed()) {
      Platform().MessageBox("データが満杯です", "Velmo", MsgButtons::Ok, MsgIcon::Warning);
      control = OpBtn_Dummy;
    }
  }
  OpDispatch(control, EV_START, 0, 0);
  IdleCheck();
}

void IdleCheck() {
  if (g_manager.downButton == OpBtn_Dummy && g_manager.curOp != OpBtn_Dummy)
    OpDispatch(OpBtn_Dummy, EV_START, 0, 0);
}

void OpEndSelf() { SetDown(OpBtn_Dummy); }

// --- services

void SetGuide(const std::string& text) {
  // Trim control characters and blanks at both ends (never a trail byte: those are 0x40 and up).
  std::size_t b = 0, e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ') --e;
  const std::string t = text.substr(b, e - b);
  g_form1.lbGuid1.visible = !t.empty();
  g_form1.lbGuid1.caption = " " + t + " ";
  g_form1.lbComHstLeft = g_form1.PvEdit.width + 4;
  Form1Changed();
}

void SetSubBtn(const std::string& caption, bool enabled) {
  const int i = SubButtonIndex(caption);
  if (i < 0) return;
  TControl& btn = g_form1.PvBtn[i];
  btn.raw = caption;
  btn.color = clSubGreen;
  std::string shown;
  if (enabled) {
    g_form1.PvBtns.visible = true;
    shown = caption;
    if (shown.size() > 2 && shown[2] == '$') {
      btn.color = clSubOrange;
      shown.erase(2, 1);
    }
    if (shown.find('=') != std::string::npos) btn.color = clSubOrange;
    if (shown.size() > 2) {
      if (shown.size() <= 10) shown.insert(shown.begin() + 2, ' ');
      if (shown.size() < 12) shown.append(12 - shown.size(), ' ');
    }
  } else {
    shown.assign(12, ' ');
  }
  btn.enabled = enabled;
  btn.caption = shown;
  btn.width = 9 * static_cast<int>(shown.size()) + 4;
  Form1Changed();
}

void ClearSubBtns() {
  EntryClose();
  for (int i = 0; i < 7; ++i) SetSubBtn(std::string(kCircled.substr(static_cast<std::size_t>(i) * 2, 2)), false);
}

double SubBtnValue(int n) {
  if (n < 1 || n > 7) return 0;
  const std::string raw = g_form1.PvBtn[n - 1].raw + "=";
  return ParseReal(ToHalfWidth(raw.substr(raw.find('=') + 1), false));
}

void EntryOpen(int tag, const std::string& prompt, THistrylist* history) {
  TControl& panel = g_form1.PvEdit;
  panel.visible = true;
  panel.color = clEntryPink;
  panel.width = 160;
  TEntryBox& ed = g_form1.edCommon;
  ed.tag = tag;
  ed.visible = true;
  ed.text.clear();
  ed.readOnly = false;
  g_form1.PvBtns.visible = false;
  SetGuide(prompt);
  if (history && history == HistoryList(kAngleHistory)) {
    for (const char* preset : {"30ﾟ", "45ﾟ", "-90ﾟ", "90ﾟ"}) HistoryPush(*history, preset);
  }
  g_manager.activeHistory = history;
  std::string list;
  if (history) {
    history->browse = 0;
    for (int i = 1, n = HistoryCount(*history); i <= n; ++i) list += "  " + history->entries[i];
  }
  g_form1.lbComHst.caption = list;
  g_form1.lbComHst.visible = !list.empty();
  ed.focused = true;
  ed.selStart = 0;
  ed.selLength = static_cast<int>(ed.text.size());
  Form1Changed();
}

void EntryClose() {
  g_manager.activeHistory = nullptr;
  g_form1.PvEdit.color = g_form1.PvEsc.color;
  g_form1.PvEdit.width = 1;
  TEntryBox& ed = g_form1.edCommon;
  ed.text.clear();
  ed.visible = false;
  ed.focused = false;
  ed.selStart = ed.selLength = 0;
  g_form1.lbComHst.visible = false;
  Form1Changed();
}

void ComHstPush(const std::string& text) {
  const std::string t = RemoveSpaces(text);
  if (g_manager.activeHistory && !t.empty()) HistoryPush(*g_manager.activeHistory, t);
  g_manager.activeHistory = nullptr;
}
