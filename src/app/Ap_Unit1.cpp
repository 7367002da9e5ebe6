#include "app/Ap_Unit1.h"

#include <cmath>

#include "app/ApKeyEvent.h"
#include "app/ApManager.h"
#include "app/GC_View.h"

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
  g_form1.OffsetMode.caption = "ｵﾌｾｯﾄ";
  g_form1.OffsetMode.color = clOffsetOff;
  g_form1.OffsetMode.visible = false;
  g_form1.lbComHstLeft = g_form1.PvEdit.width + 4;
  ClearButtons();
}

bool EntryIsOpen() { return g_form1.PvEdit.width > 1; }

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

void EditChange(const std::string& text) {
  TEntryBox& ed = g_form1.edCommon;
  if (ed.readOnly) return;
  ed.text = text;
  ed.selStart = static_cast<int>(text.size());
  ed.selLength = 0;
  Form1Changed();
}

bool EditKeyDown(int key) {
  THistrylist* h = g_manager.activeHistory;
  if (!h || (key != 38 && key != 40)) return false;
  if (key == 38) {
    if (h->browse < kHistoryDepth && !h->entries[h->browse + 1].empty()) ++h->browse;
  } else if (h->browse > 1) {
    --h->browse;
  }
  if (h->browse >= 1 && h->browse <= kHistoryDepth) {
    TEntryBox& ed = g_form1.edCommon;
    ed.text = h->entries[h->browse];
    ed.selStart = static_cast<int>(ed.text.size());
    ed.selLength = 0;
    Form1Changed();
  }
  return true;
}

void EditKeyPress(char ch) {
  TEntryBox& ed = g_form1.edCommon;
  if (ch == '\r') {
    ComHstPush(ed.text);
    if (!ed.readOnly) OpDispatch(OpBtn_None, EV_ENTER, 0, 0);
    return;
  }
  if (ch == 27 || ed.readOnly) return;  // Esc is the window's; nothing is typed into a read-only box
  std::string t = ed.text;
  const std::size_t start = std::min<std::size_t>(static_cast<std::size_t>(ed.selStart), t.size());
  const std::size_t len = std::min<std::size_t>(static_cast<std::size_t>(ed.selLength), t.size() - start);
  if (ch == '\b') {
    if (len) {
      t.erase(start, len);
    } else if (start > 0) {
      t.erase(start - 1, 1);
      EditChange(t);
      g_form1.edCommon.selStart = static_cast<int>(start - 1);
      return;
    }
  } else {
    t.replace(start, len, 1, ch);
  }
  EditChange(t);
  g_form1.edCommon.selStart = static_cast<int>(start + (ch == '\b' ? 0 : 1));
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

bool FormKeyDown(int key, unsigned shift) { return KeyDownRoute(key, shift); }

void FormKeyUp(int key) { KeyUpRoute(key); }
