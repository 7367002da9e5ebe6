// The entry-box protocol every operation follows, for a length on ①: the
// button opens the entry box on the length history (list 10); Enter writes
// the typed value into the caption, Esc keeps the old one.
#pragma once

#include "app/ApManager.h"
#include "app/Ap_Unit1.h"
#include "kernel/Z_Basic.h"
#include "model/ComHst.h"

inline void LengthEntryStep(int code) {
  switch (code) {
    case EV_START: SetSubBtn("①長さ", true); break;
    case EV_SUB1: EntryOpen(1, "  線の長さ(mm)", HistoryList(10)); break;
    case EV_ENTER:
    case EV_ESC:
      if (!EntryIsOpen()) break;
      if (code == EV_ENTER && !g_form1.edCommon.text.empty())
        SetSubBtn("①長さ=" + ToHalfWidth(g_form1.edCommon.text, false), true);
      EntryClose();
      g_form1.PvBtns.visible = true;
      break;
  }
}
