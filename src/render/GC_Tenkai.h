// Cell expansion and text layout.
//
// ExpandCell turns any cell into the simple cells that drawing, point
// search, selection tests, extents and the exchange writers work on: points,
// lines, arcs and circles stand for themselves, fills and pictures are
// copied whole, a temporary rectangle becomes its sides, and a text becomes
// its pieces (ExpandText). The pieces go into a buffer the caller owns and
// reuses (TCellPieces), so a loop over the store allocates nothing once the
// buffer has grown; a by-value form serves one-off callers.
//
// Texts: the metrics of a text size, the pen and colour of a text, the
// superscript and subscript codes ("^u", "^d", "^t", "^b"; "^^" is a literal
// "^") cut into separately sized pieces, and the drawing of one text piece
// with its leading marks ("~" for "ＭＳ 明朝", "%%u1" for an underline) and
// trailing filler dots ("･", "・") spread over the gaps.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/GC_DB.h"
#include "model/GContext.h"

// No cell expands into more pieces.
constexpr int kMaxPieces = 257;

// The pieces of one cell. Cells are reused: clearing keeps them, with their
// strings' storage, for the next expansion.
struct TCellPieces {
  std::vector<TGcell> cells;
  int count = 0;
  std::string scratch;  // a text piece's text while it is cut out

  int size() const { return count; }
  bool empty() const { return count == 0; }
  const TGcell& operator[](int i) const { return cells[static_cast<std::size_t>(i)]; }
  TGcell& operator[](int i) { return cells[static_cast<std::size_t>(i)]; }
  const TGcell* begin() const { return cells.data(); }
  const TGcell* end() const { return cells.data() + count; }
  void clear() { count = 0; }
  // A zeroed piece appended; nullptr when kMaxPieces are there.
  TGcell* Add();
};

// The pieces of a cell (out is cleared first). When the cell's pen word is
// 0 every piece gets pen word 0, so an erased cell's pieces stay erased.
void ExpandCell(const TGcell& cell, TCellPieces& out);
TCellPieces ExpandCell(const TGcell& cell);
// The same, without pieces for fills and pictures (kinds 7 to 10).
void ExpandCellNoAreas(const TGcell& cell, TCellPieces& out);
TCellPieces ExpandCellNoAreas(const TGcell& cell);

// ---- Texts -----------------------------------------------------------------

// Character height, full-width character width and gap between characters,
// in drawing units: sizes 1..10 from the settings' size table times the
// basic scale, size 0 the cell's own (p3, p2, p4).
struct TTextMetrics {
  double height = 0, width = 0, gap = 0;
};
TTextMetrics TextMetrics(const TGcell& cell);
// The size number for a text h paper millimetres high: the largest size, in
// order of height, whose height times 0.98 is below h; 1 when there is none.
int FittingTextSize(double h);
// The size-table index of a text: its size number (numbers above 10 read as 10).
int TextSizeIndex(const TGcell& cell);
// The pen a text draws with: that of its size, or for size 0 that of the
// size numbered by the pen word's pen bits. Other cells: their pen bits.
int TextPen(const TGcell& cell);
// The screen colour of a text: the selection colour when selected, else its
// size's colour (size 0: the size numbered by the pen bits; with monochrome
// display the first size not drawn in the auxiliary pen), the other-group
// colour when dimmed, the background when erased or its pen bits are 0.
TColor TextColour(const TGContext& g, const TGcell& cell);
// A radius about the reference point that holds the text, for culling: its
// advance along the text (the pieces' advance with codes), at least half a
// character; a vertical text n (W + G) / 2 for n bytes.
double TextExtent(const TGcell& cell);

// The leading marks of a text: "~" draws it in "ＭＳ 明朝", then "%%u1"
// underlines it; `skip` bytes hold them.
struct TTextMarks {
  bool mincho = false;
  bool underline = false;
  std::size_t skip = 0;
};
TTextMarks TextLeadMarks(std::string_view text);

// The pieces of a text (out is cleared first). A vertical text or one
// without "^" is one piece, the cell itself. Otherwise plain runs and coded
// runs, each a text cell of size 0 with its own metrics, placed from the
// reference point along the text direction: a plain run at the advance
// position p at full size; "^u" (superscript) and "^d" (subscript) cover the
// one character after the code, at half height, raised by H/2 or on the
// baseline, from the end of the preceding plain run (anchor a); "^t" and
// "^b" cover the text up to the next "^", at 3/4 size, raised by H/2 or
// lowered by H/4; other codes cover the same span at full size. So "X^u2^d1"
// puts 2 above 1 right after X. A leading "~" goes to every piece, a leading
// "%%u1" to the plain ones. A sized text's pieces carry the size number in
// their pen bits, so they keep that size's pen and colour; a text of its own
// size keeps its pen.
void ExpandText(const TGcell& cell, TCellPieces& out);
// True when the text's codes are only superscripts and subscripts ("^u",
// "^d") and literal "^^", or it has none.
bool OnlyRaisedCodes(std::string_view text);

// Draws text with cell's metrics, pen and colour at (x, y) (its lower-left
// corner; a vertical text's upper end) along angle: the colour (screen:
// TextColour; printer: by the printer type), culled by its extent, the
// leading marks, trailing filler dots removed and their width spread over
// the gaps (at least one character stays), then G_Text.
void DrawTextCell(TGContext& g, const TGcell& cell, std::string_view text, bool vertical, double x, double y,
                  double angle);
// A text cell or piece as it stands.
void DrawTextCell(TGContext& g, const TGcell& piece);
