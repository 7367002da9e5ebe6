// Keys that reach the main window before the focused control. Enter, Esc
// and the digits become event codes; keys that belong to an open entry box
// are left to it.
//
// For now: modifiers, Enter, Esc, digits and the idle check. View keys and
// letter shortcuts join with the keyboard routing proper.
#pragma once

// Returns true when the key was consumed.
bool KeyDownRoute(int key, unsigned shift);
void KeyUpRoute(int key);
