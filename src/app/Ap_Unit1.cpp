#include "app/Ap_Unit1.h"

#include <cmath>

#include "app/ApKeyEvent.h"
#include "app/ApMainMenu.h"
#include "app/ApManager.h"
#include "app/GC_View.h"
#include "kernel/Wiring.h"
#include "kernel/Z_Basic.h"

Form1State g_form1;

namespace {

void ClearButtons() {
  for (TControl& b : g_form1.PvBtn) {
    b = TControl{};
    b.caption.assign(12, ' ');
    b.color = clSubGreen;
    b.enabled = false;
    b.width = 9 * 12 + 4;
  }
}

}  // namespace

void Form1_Reset() {
  g_form1 = Form1State{};
  g_form1.caption = "【Velmo Ver 2020.11.26】";
  g_form1.PvEsc.caption = "Esc";
  g_form1.PvEdit.width = 1;
  g_form1.lbGuid1.visible = false;
  g_form1.lbComHst.visible = false;
  g_form1.PvMojiNo.visible = g_form1.PvMoji.visible = false;
  g_form1.PvHatting.visible = false;
  g_form1.OffsetMode.caption = "ｵﾌｾｯﾄ";
  g_form1.OffsetMode.color = clOffsetOff;
  g_form1.OffsetMode.visible = false;
  g_form1.lbComHstLeft = g_form1.PvEdit.width + 4;
  ClearButtons();
  for (int b = OpBtn_Dummy; b < OpBtn_Count; ++b) {
    const TOpInfo& op = OpInfo(static_cast<TOpButton>(b));
    if (op.speedButton) g_form1.palette[b] = {op.paletteX, op.paletteY, kPaletteButtonSize, kPaletteButtonSize, "",
                                              true, true};
  }
}

bool EntryIsOpen() { return g_form1.PvEdit.width > 1; }

TEntryBox& EditField(TEditField field) {
  switch (field) {
    case TEditField::EbMojiA: return g_form1.EbMojiA;
    case TEditField::EbMojiT: return g_form1.EbMojiT;
    case TEditField::edCommon: break;
  }
  return g_form1.edCommon;
}

void OpSubMenuClick(int n) {
  if (n < 1 || n > 7 || !g_form1.PvBtn[n - 1].enabled) return;
  OpDispatch(OpBtn_None, EV_SUB1 + n - 1, 0, 0);
}

void Pv_TopMouseDown() { OpDispatch(OpBtn_None, EV_ENTER, 0, 0); }

void PvEscMouseDown() {
  OpDispatch(OpBtn_None, EV_ESC, 0, 0);
  IdleCheck();
}

void LbComHstMouseDown(double x, double y) {
  if (CurOpButton() == OpBtn_JwcExt) {
    OpDispatch(OpBtn_None, EV_HISTCLICK, x, y);
    return;
  }
  // The word under the pointer: from character x / 10 + 1 back to the
  // previous blank and on to the next one.
  const std::string s = g_form1.lbComHst.caption + " . ";
  const int len = static_cast<int>(g_form1.lbComHst.caption.size());
  int pos = static_cast<int>(std::floor(x / 10)) + 1;  // 1-based
  if (pos > len) pos = len;
  if (pos < 1) pos = 1;
  int b = pos, e = pos;
  while (b > 1 && s[b - 2] != ' ') --b;  // s[b - 2] is character b - 1
  while (e <= static_cast<int>(s.size()) && s[e - 1] != ' ') ++e;
  const std::string word = s.substr(static_cast<std::size_t>(b - 1), static_cast<std::size_t>(e - b));
  TEntryBox& ed = g_form1.edCommon;
  if (word != ed.text) {
    ed.text = word;
    ed.focused = true;
    ed.selStart = static_cast<int>(word.size());
    ed.selLength = 0;
    Form1Changed();
  } else {
    EditKeyPress('\r');
  }
}

void EditChange(TEditField field, const std::string& text) {
  TEntryBox& ed = EditField(field);
  if (ed.readOnly) return;
  // A field holds one line: line breaks pasted into it go.
  std::string t = text;
  std::erase_if(t, [](char c) { return c == '\r' || c == '\n'; });
  ed.text = t;
  ed.selStart = static_cast<int>(t.size());
  ed.selLength = 0;
  Form1Changed();
  if (field != TEditField::edCommon && g_wiring.textChanged) g_wiring.textChanged(field);
}

void EditChange(const std::string& text) { EditChange(TEditField::edCommon, text); }

bool EditKeyDown(TEditField field, int key) {
  if ((key == kVkLeft || key == kVkRight) && field != TEditField::edCommon && g_wiring.textArrowKey)
    g_wiring.textArrowKey(field, key);  // the caret moves in the field as well
  THistrylist* h = g_manager.activeHistory;
  if (!h || (key != kVkUp && key != kVkDown)) return false;
  if (key == kVkUp) {
    if (h->browse < kHistoryDepth && !h->entries[h->browse + 1].empty()) ++h->browse;
  } else if (h->browse > 1) {
    --h->browse;
  }
  if (h->browse >= 1 && h->browse <= kHistoryDepth) {
    TEntryBox& ed = EditField(field);
    ed.text = h->entries[h->browse];
    ed.selStart = static_cast<int>(ed.text.size());
    ed.selLength = 0;
    Form1Changed();
  }
  return true;
}

void EditKeyPress(TEditField field, char ch) {
  TEntryBox& ed = EditField(field);
  if (ch == '\r') {
    ComHstPush(ed.text);
    if (field == TEditField::edCommon) {
      if (!ed.readOnly) OpDispatch(OpBtn_None, EV_ENTER, 0, 0);
    } else {
      OpDispatch(OpBtn_None, EV_ENTER, 0, 0);
      if (g_wiring.textKeyPress) g_wiring.textKeyPress(field, ch);
    }
    return;
  }
  if (ch == 27 || ed.readOnly) return;  // Esc is the window's; nothing is typed into a read-only box
  std::string t = ed.text;
  const std::size_t start = std::min<std::size_t>(static_cast<std::size_t>(ed.selStart), t.size());
  const std::size_t len = std::min<std::size_t>(static_cast<std::size_t>(ed.selLength), t.size() - start);
  std::size_t caret = start + 1;
  if (ch == '\b') {
    if (len) {
      t.erase(start, len);
      caret = start;
    } else if (start > 0) {
      // The character before the caret, one byte or a two-byte pair.
      std::size_t at = 0, prev = 0;
      while (at < start) {
        prev = at;
        at += IsLeadByte(static_cast<unsigned char>(t[at])) && at + 1 < t.size() ? 2 : 1;
      }
      t.erase(prev, start - prev);
      caret = prev;
    } else {
      caret = 0;
    }
  } else {
    t.replace(start, len, 1, ch);
  }
  EditChange(field, t);
  ed.selStart = static_cast<int>(caret);
}

void EditClick(TEditField field) {
  int list = -1;
  if (field == TEditField::EbMojiA) list = kAngleHistory;
  if (field == TEditField::EbMojiT) list = kTextHistory;
  if (list < 0) return;
  g_manager.activeHistory = HistoryList(list);
  g_manager.activeHistory->browse = 0;
  g_form1.EbMojiA.focused = field == TEditField::EbMojiA;
  g_form1.EbMojiT.focused = field == TEditField::EbMojiT;
  Form1Changed();
  OpDispatch(OpBtn_None, EV_MOVE, g_manager.lastMousePos.x, g_manager.lastMousePos.y);
}

void EditSelect(TEditField field, int start, int length) {
  TEntryBox& ed = EditField(field);
  const int size = static_cast<int>(ed.text.size());
  start = std::clamp(start, 0, size);
  length = std::clamp(length, 0, size - start);
  if (ed.selStart == start && ed.selLength == length) return;
  ed.selStart = start;
  ed.selLength = length;
  if (field != TEditField::edCommon && g_wiring.textArrowKey) g_wiring.textArrowKey(field, 0);
}

void BtnHachingClick(int n) {
  if (n < 1 || n > 4) return;
  bool* down = g_form1.BtnHaching;
  const bool was = down[n - 1];
  for (int k = 0; k < 4; ++k) down[k] = false;
  down[n - 1] = !was;
  Form1Changed();
}

void SbMojiVClick() {
  g_form1.sbMojiV.caption = g_form1.sbMojiV.caption == "横" ? "縦" : "横";
  Form1Changed();
  if (g_wiring.textDirection) g_wiring.textDirection();
}

void CbMojiSizeChange(int index) {
  if (index < 0 || index >= kTextSizeCount) return;
  CurPVC().textSize = index;
  g_form1.CbMojiSize = MakeMojiSizeList(CurPVC());
  Form1Changed();
  if (g_wiring.textSizeChanged) g_wiring.textSizeChanged();
}

// --- the drawing area

void PaintBox1Resize(int width, int height) {
  g_form1.drawWidth = width;
  g_form1.drawHeight = height;
  ViewAttach(width, height);
  if (g_viewBuffer.windowSet) ViewRedraw(1);
  Form1Changed();
}

void PaintBox1Paint() {
  if (g_viewBuffer.windowSet || !g_viewBuffer.paintingEnabled || !CurrentView().canvas) return;
  // The first paint: the whole drawing in view, and that is the previous view too.
  ViewFitAll();
  ViewStorePrevious();
  ViewRedraw(1);
}

bool FormKeyDown(int key, unsigned shift) {
  // A key frees the pointer a zoom box kept inside the drawing area.
  if (g_form1.pointerConfined) {
    g_form1.pointerConfined = false;
    Form1Changed();
  }
  // The menu's accelerators come first, even over a field with the focus.
  if (MenuAccelerator(key, shift)) return true;
  return KeyDownRoute(key, shift);
}

void FormKeyUp(int key) { KeyUpRoute(key); }
