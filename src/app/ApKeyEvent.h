// Keyboard routing. The main window previews every key before the control
// with the focus: the menu's accelerators come first (MenuAccelerator in ApMainMenu), then
// KeyDownRoute decides whether the key belongs to the drawing (event codes,
// view keys, letter shortcuts) or to a text field that is open; a key it
// leaves goes on to the field (EditKeyDown, EditKeyPress in Ap_Unit1).
//
// Keys are the platform's virtual-key codes. Whether a key is physically held
// is asked of the platform at the moment of handling (IPlatform::IsKeyDown),
// so arrow-key repeats still queued after the release do nothing.
#pragma once

#include <string>

#include "app/ApManager.h"
#include "app/Ap_Unit1.h"

// Virtual-key codes.
enum : int {
  kVkEnter = 13,
  kVkShift = 16,
  kVkCtrl = 17,
  kVkAlt = 18,
  kVkEsc = 27,
  kVkSpace = 32,
  kVkPageUp = 33,
  kVkPageDown = 34,
  kVkHome = 36,
  kVkLeft = 37,
  kVkUp = 38,
  kVkRight = 39,
  kVkDown = 40,
  kVkNumpad0 = 96,  // to 105
  kVkF1 = 112,      // to 123 (F12)
};

struct KeyEventState {
  // The palette as it was before the first SetTextButtons.
  bool paletteRemembered = false;
  TPaletteButton remembered[OpBtn_Count];
};
extern KeyEventState g_keys;
// Forgets the remembered palette.
void ApKeyEvent_Reset();

// A key pressed while the main window is active; shift: ssShift, ssCtrl,
// ssAlt of the event. Returns true when the key was consumed (the field with
// the focus does not get it).
bool KeyDownRoute(int key, unsigned shift);
void KeyUpRoute(int key);

// On: the palette's 24 operation buttons become captioned buttons showing
// their shortcut letters, in two columns; off: the buttons as they were.
void SetTextButtons(bool on);
