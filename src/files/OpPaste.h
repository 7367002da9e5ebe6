// Paste ("貼り付け", Ctrl+R): the clipboard into the current window. Native
// text (copied cells) lands with the corner of its copied extents at the
// click; tab-separated table text is laid out as a table with its lower-left
// corner at the click; a bitmap becomes a picture cell. The placement
// rectangle follows the pointer.
#pragma once

#include <string>

#include "model/GC_DB.h"
#include "ops/OpKit.h"

enum class PasteKind { None, Native, Table, Picture };

struct PasteRun {
  PasteKind kind = PasteKind::None;
  std::string text;        // CP932: the clipboard's text
  double ox = 0, oy = 0;   // the copied extents' corner (native)
  double w = 0, h = 0;     // the placement rectangle
  int sizeMeasured = -1;   // the text size the table was measured at
  std::string picture;     // CP932: the bitmap's file
  int pixelsW = 0, pixelsH = 0;
  int moves = 0;           // the first three moves are ignored
  TFeedback rect;
};
struct PasteOpState {
  PasteRun run;
};
extern PasteOpState g_pasteOp;
void OpPaste_Reset();

void OpPaste(TGContext& view, int code, double x, double y);
