// Keyboard routing. The main window previews every key before the control
// with the focus: the menu's accelerators come first (MenuAccelerator), then
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

// A key combination of the main menu and the item it triggers.
struct TAccelerator {
  int key;         // virtual-key code
  unsigned shift;  // exactly these of ssShift, ssCtrl, ssAlt
  const char* item;     // the menu item's name ("Save1", "OpBtn_ClipRead")
  const char* caption;  // its caption (CP932)
};

struct KeyEventState {
  // Text input's own handling of Enter and of the caret keys in its fields;
  // that operation installs them.
  void (*textKeyPress)(TEditField field, char ch) = nullptr;
  void (*textArrowKey)(TEditField field, int key) = nullptr;
  // Menu commands of the layers above this one (saving, clipboard copies);
  // the assembly installs it. Returns false for an item it does not know.
  bool (*menuCommand)(const std::string& item) = nullptr;
  // The palette as it was before the first SetTextButtons.
  bool paletteRemembered = false;
  TPaletteButton remembered[OpBtn_Count];
};
extern KeyEventState g_keys;
// Forgets the remembered palette; keeps the installed handlers.
void ApKeyEvent_Reset();

// A key pressed while the main window is active; shift: ssShift, ssCtrl,
// ssAlt of the event. Returns true when the key was consumed (the field with
// the focus does not get it).
bool KeyDownRoute(int key, unsigned shift);
void KeyUpRoute(int key);

// The main menu's accelerators, in menu order.
const TAccelerator* Accelerators(int& count);
// The accelerator of this key and shift state, or nullptr.
const TAccelerator* FindAccelerator(int key, unsigned shift);
// Runs the menu item of an accelerator; true when the key was one.
bool MenuAccelerator(int key, unsigned shift);
// A main-menu item: the current operation is ended first (not for
// "ClipCopy"), then the item runs, then the idle check.
void MenuItemCommand(const std::string& item);

// On: the palette's 24 operation buttons become captioned buttons showing
// their shortcut letters, in two columns; off: the buttons as they were.
void SetTextButtons(bool on);
