// The user's input as the main window delivers it to the core: presses,
// moves and releases in the drawing area, the wheel, the area's size, keys
// (first to the window, then to the field with the focus), text edited in a
// field, the palette, the sub-menu buttons, the other named controls, menu
// commands, files dropped on the window and its close.
//
// The Qt window, the test harness and the script runner all come in here,
// so a recorder (g_wiring.inputRecorder) sees every input of the window once,
// in the order it reached the core, before the view it was aimed at
// changes.
//
// Two levels:
// - Input...: an event as the window reports it; the shift state is the
//   window's (modifiers and the buttons held at that moment).
// - User...: a user driven from code (scripts, tests). It keeps the mouse
//   buttons and keys held between calls, so a press carries its button in
//   the shift state until its release, and tells the platform which keys
//   are physically down (g_wiring.holdKey).
//
// Positions are drawing-area pixels, y down; a control's own pixels for a
// press on a control.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/ApManager.h"
#include "app/Ap_Unit1.h"
#include "kernel/Platform.h"

enum class TInputKind {
  Resize,     // value x value2: the drawing area's new size
  MouseDown,  // button, shift, x, y
  MouseMove,  // shift, x, y
  MouseUp,    // button, shift, x, y
  Wheel,      // value: delta (120 a notch forward), shift, x, y
  KeyDown,    // value: key code, shift
  KeyUp,      // value: key code
  FieldKey,   // the rest of a key in a field: field, value (key code)
  ControlText,  // name, text: the whole text of a field or box as the user edited it
  Operation,  // op: a palette button
  SubMenu,    // value: 1..7
  Control,    // name, button, shift, x, y (when hasPos): a press on a named control
  Menu,       // name: a menu item
  MenuOpen,   // value: a top-level menu (TMenu) was opened
  Drop,       // files
  Close,      // the window is asked to close
};

struct TInputEvent {
  TInputKind kind = TInputKind::MouseMove;
  unsigned button = 0;  // ssLeft, ssRight or ssMiddle
  unsigned shift = 0;   // as the window reported it
  double x = 0, y = 0;
  bool hasPos = false;  // a control press at a position in the control
  int value = 0, value2 = 0;
  TOpButton op = OpBtn_None;
  TEditField field = TEditField::edCommon;
  std::string name;  // a control or menu item
  std::string text;  // CP932
  std::vector<std::string> files;  // UTF-8
};

// Told of every input. Begin comes before the core handles it (the view is
// still the one the input was aimed at), End after; inputs that arrive
// while another is being handled (a modal loop) are not announced.
class IInputRecorder {
public:
  virtual ~IInputRecorder() = default;
  virtual void Begin(const TInputEvent& e) = 0;
  virtual void End(const TInputEvent& e) = 0;
};

struct InputState {
  int depth = 0;  // inputs being handled
  // The user driven from code: mouse buttons held, and the modifiers each
  // key down added (released with that key).
  unsigned buttons = 0;
  unsigned keyMods[256] = {};
};
extern InputState g_input;
// Nothing held, no input under way.
void ApInput_Reset();

// ---- As the window reports it ---------------------------------------------

void InputResize(int width, int height);
void InputMouseDown(unsigned button, unsigned shift, double x, double y);
void InputMouseMove(unsigned shift, double x, double y);
void InputMouseUp(unsigned button, unsigned shift, double x, double y);
void InputWheel(int delta, unsigned shift, double x, double y);
// A key as the window previews it, before the field with the focus; true
// when it was consumed (the field does not get it).
bool InputKeyDown(int key, unsigned shift);
void InputKeyUp(int key);
// The rest of a key the window left, in the field with the focus: a key
// (true when the field consumed it) and the character typed (Enter and Esc
// only; other characters come as the edited text).
bool InputFieldKeyDown(TEditField field, int key);
void InputFieldKeyPress(TEditField field, char ch);
// The field's whole text as the user edited it.
void InputFieldText(TEditField field, const std::string& text);
// The same for any control that takes text (a field, the text-size box);
// false for an unknown name or a control that takes none.
bool InputControlText(std::string_view name, const std::string& text);
void InputOperation(TOpButton b);
void InputSubMenu(int n);
// A press on a named control (button ssLeft, ssRight or ssMiddle; a
// position in the control where it matters), and the left click a few of
// them take on the release. False for an unknown name.
bool InputControlPress(std::string_view name, unsigned button, unsigned shift, double x = 0, double y = 0,
                       bool hasPos = false);
bool InputControlClick(std::string_view name);
// A main-menu item by its name ("Save1", "OpBtn_ClipRead", "UNDO1").
void InputMenu(const std::string& item);
// A top-level menu was opened (TMenu as int: ApMainMenu.h).
void InputMenuOpen(int menu);
void InputDrop(const std::vector<std::string>& files);
// The user closes the window: true when it may close.
bool InputClose();

// ---- A user driven from code ------------------------------------------------

// mods: ssShift, ssCtrl, ssAlt (and ssDouble on a press) held during the event.
void UserPress(unsigned button, double x, double y, unsigned mods = 0);
void UserMove(double x, double y, unsigned mods = 0);
void UserRelease(unsigned button, double x, double y, unsigned mods = 0);
void UserWheel(int delta, double x, double y, unsigned mods = 0);
// A key as the window delivers it: first to the window, then, when the
// window leaves it, to the field with the focus (the key, then Enter and
// Esc, or the character typed, as typed). The key, and the modifiers of
// mods not already down, are physically held until its release.
void UserKeyDown(int key, unsigned mods = 0, char typed = 0);
void UserKeyUp(int key);
// The field that has the focus, or none (false).
bool FocusedField(TEditField& field);
// Text typed into a field: it replaces the selection, the caret after it.
void UserType(TEditField field, const std::string& text);

// ---- Named controls -----------------------------------------------------------

// A control of the main window by the name the core gives it, with the
// entry points the window calls for it. A control that takes a left click
// acts on the left button only through the click.
struct TNamedControl {
  std::string name;
  int index = 0;  // for the numbered ones (PnlGrp3: 3)
  // A press with a button at a position in the control; null: a press does nothing.
  void (*press)(int index, unsigned button, unsigned shift, double x, double y) = nullptr;
  // A left click (press and release on the control); null when it takes none.
  void (*click)(int index) = nullptr;
  // Typing its whole text (CP932); null when it takes no text.
  void (*setText)(int index, const std::string& text) = nullptr;
};
const std::vector<TNamedControl>& NamedControls();
const TNamedControl* FindControl(std::string_view name);
// A control of an upper layer's window (an operation's command window),
// found by FindControl after the main window's; the assembly registers
// them once, no reset removes them.
void RegisterNamedControl(TNamedControl c);
// The control name of a text field.
const char* FieldName(TEditField field);
