#include "app/ApKeyEvent.h"

#include "app/ApMouse.h"
#include "app/ApUndo.h"
#include "app/GC_View.h"
#include "kernel/Platform.h"
#include "render/Z_Graph.h"

KeyEventState g_keys;

void ApKeyEvent_Reset() {
  g_keys.paletteRemembered = false;
  for (TPaletteButton& b : g_keys.remembered) b = TPaletteButton{};
}

namespace {

bool IsArrow(int key) { return key >= kVkLeft && key <= kVkDown; }

PhysKey ArrowKey(int key) {
  switch (key) {
    case kVkLeft: return PhysKey::Left;
    case kVkUp: return PhysKey::Up;
    case kVkRight: return PhysKey::Right;
    default: return PhysKey::Down;
  }
}

bool EntryReadOnly() { return EntryIsOpen() && g_form1.edCommon.readOnly; }
bool EntryEditable() { return EntryIsOpen() && !g_form1.edCommon.readOnly; }

// A field is open that takes what is typed: the editable entry box or the
// fields of text input. Letters typed there are part of a value ("1.5E+3"),
// never commands.
bool FieldTakesTyping() { return EntryEditable() || g_form1.PvMoji.visible; }

void ReplayMove() { OpDispatch(OpBtn_None, EV_MOVE, g_manager.lastMousePos.x, g_manager.lastMousePos.y); }

// Left, Right, Up, Down: an eighth of the width or a sixth of the height,
// one pixel with Ctrl held (repainted quickly until the key is released).
void ScrollKey(int key, unsigned shift) {
  if (!Platform().IsKeyDown(ArrowKey(key))) return;  // a repeat left over from a released key
  const bool fieldOpen = g_form1.PvMoji.visible || EntryIsOpen();
  if (fieldOpen && !EntryReadOnly() && !(shift & ssShift)) return;
  ViewStorePrevious();
  TGContext& v = CurrentView();
  const bool fine = Platform().IsKeyDown(PhysKey::Ctrl);
  const double w = v.wx2 - v.wx1, h = v.wy2 - v.wy1, pixel = G_PixelSize(v) * 0.9999;
  double dx = 0, dy = 0;
  switch (key) {
    case kVkLeft: dx = -(fine ? pixel : w / 8); break;
    case kVkRight: dx = fine ? pixel : w / 8; break;
    case kVkUp: dy = fine ? pixel : h / 6; break;
    default: dy = -(fine ? pixel : h / 6); break;
  }
  G_SetWindow(v, v.wx1 + dx, v.wy1 + dy, v.wx2 + dx, v.wy2 + dy);
  ViewRedraw(fine ? 9 : 1);
  ReplayMouseMove();
}

TOpButton ShortcutButton(char ch) {
  if (ch < 'A' || ch > 'Z') return OpBtn_None;
  for (int b = OpBtn_Dummy; b < OpBtn_Count; ++b)
    if (OpInfo(static_cast<TOpButton>(b)).key == ch) return static_cast<TOpButton>(b);
  return OpBtn_None;
}

// Letters choose operations, U undoes, W switches the window, two spaces fit
// the drawing into the view.
void Shortcut(int key) {
  const char ch = static_cast<char>(key & 0xFF);
  bool fitted = false;
  if (!Platform().IsKeyDown(PhysKey::Ctrl) && !Platform().IsKeyDown(PhysKey::Alt)) {
    if (const TOpButton b = ShortcutButton(ch); b != OpBtn_None) {
      Op_ButtonClick(b);
    } else if (g_manager.lastKey == ' ' && ch == ' ') {
      Btn_ViewClick(TViewButton::BtnZM0);
      g_manager.lastKey = 0;  // a third space starts afresh
      fitted = true;
    } else if (ch == 'U') {
      Btn_UndoClick();
    } else if (ch == 'W') {
      btnFigChangeClick();
    }
  }
  if (!fitted) g_manager.lastKey = ch;
}

struct TTextButton {
  TOpButton id;
  const char* caption;
};
// Entry k: column k mod 2, row k div 2.
constexpr TTextButton kTextButtons[24] = {
    {OpBtn_HyoMove, "表枠移動"},      {OpBtn_BlockMove, "移 動m"},     {OpBtn_Haching, "ハッチ h"},
    {OpBtn_BlockCopy, "複 写c"},      {OpBtn_CenterLine, "中心線 i"},  {OpBtn_Delete, "消 去d"},
    {OpBtn_PenChange, "属性変更"},    {OpBtn_Line, "線/＋x"},          {OpBtn_MojiMove, "文字移動"},
    {OpBtn_Box, " □　b"},            {OpBtn_LtoMoji, "線長→字"},      {OpBtn_Fukusen, "複 線f"},
    {OpBtn_ArrowSet, "矢　印 y"},     {OpBtn_LineStretch, "伸 縮t"},   {OpBtn_Sunpo, "寸法線 s"},
    {OpBtn_LineConect, "結 合v"},     {OpBtn_Sunpo2, "引出寸法"},      {OpBtn_LineCut, "線 切k"},
    {OpBtn_SunpoKakudo, "角度寸法"},  {OpBtn_Circle, " ○　e"},        {OpBtn_SokuteiL, "長さ測定"},
    {OpBtn_Arc1, "円弧＼"},           {OpBtn_SokuteiA, "面積測定"},    {OpBtn_Moji, "文 字a"},
};

}  // namespace

bool KeyDownRoute(int key, unsigned shift) {
  // Enter and the arrows belong to an editable field unless Ctrl is held.
  if (!(shift & ssCtrl) && (key == kVkEnter || IsArrow(key)) && (g_form1.PvMoji.visible || EntryEditable()))
    return false;
  bool consumed = false;
  switch (key) {
    case kVkShift: g_manager.shiftHeld = true; break;
    case kVkCtrl: g_manager.ctrlHeld = true; break;
    case kVkAlt: g_manager.altHeld = true; break;
    case kVkEsc:
      if (CurOpButton() == OpBtn_ClipRead)
        Op_ButtonClick(OpBtn_Dummy);  // Esc ends pasting
      else
        OpDispatch(OpBtn_None, EV_ESC, 0, 0);
      // The main window takes the focus.
      g_form1.edCommon.focused = g_form1.EbMojiA.focused = g_form1.EbMojiT.focused = false;
      Form1Changed();
      consumed = true;
      key = 0;
      break;
    // Zoom in and out by 2 about the centre, and fit all, as the view buttons.
    case kVkPageUp: Btn_ViewClick(TViewButton::BtnZM2); break;
    case kVkPageDown: Btn_ViewClick(TViewButton::BtnZM1); break;
    case kVkHome: Btn_ViewClick(TViewButton::BtnZM0); break;
    case kVkLeft:
    case kVkUp:
    case kVkRight:
    case kVkDown: ScrollKey(key, shift); break;
    default: break;
  }
  // Keypad digits arrive as digits, F2..F12 as the letters A..K.
  if (key >= kVkNumpad0) key -= 48;
  const TOpButton op = CurOpButton();
  if (op != OpBtn_Moji && op != OpBtn_JwcExt) {
    if (FieldTakesTyping())
      g_manager.lastKey = 0;  // the key is typed into the field; it also breaks a double space
    else
      Shortcut(key);
  }
  if (key == kVkEnter) {
    OpDispatch(OpBtn_None, EV_ENTER, 0, 0);
    consumed = true;
  } else if (key >= EV_DIGIT0 && key <= EV_DIGIT9) {
    OpDispatch(OpBtn_None, key, 0, 0);
  }
  IdleCheck();
  ReplayMove();
  return consumed;
}

void KeyUpRoute(int key) {
  switch (key) {
    case kVkShift: g_manager.shiftHeld = false; break;
    case kVkCtrl: g_manager.ctrlHeld = false; break;
    case kVkAlt: g_manager.altHeld = false; break;
    default: break;
  }
  // Scrolling by pixels repainted quickly: once the key is up, properly.
  if (IsArrow(key) && g_viewBuffer.lastRedrawFast) ViewRedraw(1);
  ReplayMove();
}

// --- the captioned palette

void SetTextButtons(bool on) {
  if (!g_keys.paletteRemembered) {
    for (int b = 0; b < OpBtn_Count; ++b) g_keys.remembered[b] = g_form1.palette[b];
    g_keys.paletteRemembered = true;
  }
  for (int k = 0; k < 24; ++k) {
    const TTextButton& t = kTextButtons[k];
    TPaletteButton& b = g_form1.palette[t.id];
    if (on) {
      const bool left = k % 2 == 0;
      b.left = left ? 1 : 66;
      b.top = 37 + k / 2 * 27;
      b.width = left ? 64 : 52;
      b.height = 26;
      b.glyph = false;
      b.flat = false;
      b.caption = t.caption;
    } else {
      b = g_keys.remembered[t.id];
      b.flat = true;
      b.caption.clear();
    }
  }
  g_form1.textButtons = on;
  Form1Changed();
}
