#include "app/ApKeyEvent.h"

#include "app/ApManager.h"
#include "app/Ap_Unit1.h"

namespace {
constexpr int kEnter = 13, kEsc = 27, kShift = 16, kCtrl = 17, kAlt = 18;
bool IsArrow(int key) { return key >= 37 && key <= 40; }
}  // namespace

bool KeyDownRoute(int key, unsigned shift) {
  if (!(shift & ssCtrl) && (key == kEnter || IsArrow(key)) && EntryIsOpen() && !g_form1.edCommon.readOnly)
    return false;  // the entry box's own key
  bool consumed = false;
  switch (key) {
    case kShift: g_manager.shiftHeld = true; break;
    case kCtrl: g_manager.ctrlHeld = true; break;
    case kAlt: g_manager.altHeld = true; break;
    case kEsc:
      if (CurOpButton() == OpBtn_ClipRead)
        Op_ButtonClick(OpBtn_Dummy);
      else
        OpDispatch(OpBtn_None, EV_ESC, 0, 0);
      g_form1.edCommon.focused = false;
      Form1Changed();
      consumed = true;
      key = 0;
      break;
    default: break;
  }
  if (key >= 96) key -= 48;  // keypad digits arrive as digits
  if (key == kEnter) {
    OpDispatch(OpBtn_None, EV_ENTER, 0, 0);
    consumed = true;
  } else if (key >= EV_DIGIT0 && key <= EV_DIGIT9) {
    OpDispatch(OpBtn_None, key, 0, 0);
  }
  IdleCheck();
  OpDispatch(OpBtn_None, EV_MOVE, g_manager.lastMousePos.x, g_manager.lastMousePos.y);
  return consumed;
}

void KeyUpRoute(int key) {
  switch (key) {
    case kShift: g_manager.shiftHeld = false; break;
    case kCtrl: g_manager.ctrlHeld = false; break;
    case kAlt: g_manager.altHeld = false; break;
    default: break;
  }
  OpDispatch(OpBtn_None, EV_MOVE, g_manager.lastMousePos.x, g_manager.lastMousePos.y);
}
