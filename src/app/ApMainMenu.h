// The main menu's commands: one registry of every command that is not an
// operation (new, open, save, undo, clipboard copies, display options,
// printing, dialogs, help) and of the menu entries that start operations.
// The menu bar, the toolbar buttons, the accelerators and scripts all run
// commands from here by name.
//
// The registry is wiring, not state: the assembly fills it (WireVelmo in
// src/Velmo.cpp) with the upper layers' handlers, in menu order, and no
// module reset empties it. A command whose handler is not built yet is
// registered without one and says so when chosen.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/ApManager.h"

// The top-level menus of the menu bar, in order.
enum class TMenu { None, File, Edit, View, Tools, Settings, Window, Help, Count };
// "ファイル(&F)" and so on (CP932); empty for None.
const char* MenuCaption(TMenu m);

struct TMenuCommand {
  std::string name;     // the item's name: "Save1", "OpBtn_ClipRead"
  std::string caption;  // CP932, with its "(&S)" mnemonic where it has one
  TMenu menu = TMenu::None;  // None: not on the menu bar (a button's command)
  bool separatorBefore = false;  // a separator line above it in its menu
  int key = 0;          // accelerator: virtual-key code, 0 = none
  unsigned shift = 0;   // exactly these of ssShift, ssCtrl, ssAlt
  void (*run)() = nullptr;  // the command; null while it is not built
  // A menu entry that starts an operation: chosen through Op_ButtonClick,
  // or for the print entries started at their scale (X) with Y = -1.
  TOpButton op = OpBtn_None;
  double opScale = 0;
  // Runs without ending the current operation ("選択部コピー" keeps the
  // selection).
  bool keepsOperation = false;
  // A ticked item's state; null for an item without a tick.
  bool (*checked)() = nullptr;
  // Where the item changes as the program runs: its caption now (the
  // recent files, the windows' file names; CP932), whether it is shown and
  // whether it can be chosen. Null: the caption above, shown, enabled.
  std::string (*captionNow)() = nullptr;
  bool (*shown)() = nullptr;
  bool (*enabled)() = nullptr;
};

// --- registration (the assembly)
void ClearMenuCommands();
void RegisterMenuCommand(TMenuCommand c);
// Every registered command, in menu order.
const std::vector<TMenuCommand>& MenuCommands();

// The item as the menu shows it now.
std::string MenuCommandCaption(const TMenuCommand& c);
bool MenuCommandShown(const TMenuCommand& c);
bool MenuCommandEnabled(const TMenuCommand& c);
// The top-level menu whose caption this is ("ファイル(&F)", "ファイル"), or None.
TMenu FindTopMenu(std::string_view caption);

// The command with this name; else the one with this caption, where the
// caption may leave out its "(&X)" mnemonic and its trailing blanks.
const TMenuCommand* FindMenuCommand(std::string_view nameOrCaption);
// Whether a command can run now: built, and for an operation entry, the
// operation built.
bool MenuCommandBuilt(const TMenuCommand& c);

// The command whose accelerator is this key with exactly these of Shift,
// Ctrl and Alt (mouse buttons in shift do not matter), or nullptr.
const TMenuCommand* FindAccelerator(int key, unsigned shift);
// Runs the command of an accelerator; true when the key was one.
bool MenuAccelerator(int key, unsigned shift);

// A top-level menu was opened: the current operation ends (the view
// gesture first), and the window menu's items take the windows' file names.
void MenuOpened(TMenu menu);

// A main-menu item was chosen (MainMenu1Click): the current operation is
// ended first (not for a command that keeps it), then the command runs,
// then the idle check. One not built yet says so on the prompt line, with a
// beep. An unknown name does nothing; false then.
bool MenuItemCommand(std::string_view item);
