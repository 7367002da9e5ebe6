// The user's undo. Each drawing window keeps one editing step in its cells
// (GC_DB: the undo mark and the sign of the kind); undo toggles it, so a
// second undo gives the step back.
#pragma once

// Undo ("やり直し"): the current operation ends (EV_END), the step of the
// current window is toggled, the view is redrawn and the counts shown, and
// the operation starts afresh (EV_START). An undo that changed cells counts
// as a change of the drawing (its modified counter grows), so a drawing
// saved and then undone still asks to be saved.
void UndoCommand();
// The button Btn_Undo (and the key U): undo; the operation goes on.
void Btn_UndoClick();
// The menu item UNDO1 (Ctrl+Z): as every menu command, the current
// operation is ended first (the idle operation is chosen), then undo.
void UNDO1Click();
