// The reader of AutoCAD's DXF drawings (the ASCII form, R12 to current):
// the header's dimension scale and text height and text encoding, the
// layers (in table order: entry k is the layer code k) with their line
// types and colours, blocks and their INSERTs (nested, scaled, turned,
// arrayed; a block that contains itself is refused), dimensions by their
// blocks, and the entities LINE, ARC, CIRCLE, ELLIPSE, POINT, POLYLINE and
// LWPOLYLINE (bulges as arcs, closed ones closed), SOLID, TRACE, 3DFACE,
// TEXT, ATTRIB and MTEXT (its formatting codes and "%%" codes), LEADER.
// Coordinates are taken over as drawing coordinates; texts are placed by
// their lower-left corner. Afterwards the text sizes are fitted to a size
// table built from the file, as the options say.
//
// Text: CP932 for files before AutoCAD 2007 (AC1021), UTF-8 from then on;
// "\U+XXXX" escapes are decoded.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

// How a drawing is read: the import dialog's choices.
struct TDxfOptions {
  double scale = 1;     // the drawing's scale: basic scale and every group's
  double textZoom = 1;  // text magnification
  // 0: build the size table from the file and fit the texts to it; 1: build
  // it, texts keep their own size; 2: fit the texts to the current table.
  int sizeMode = 0;
  bool dimMove = false;  // dimension blocks at their clone insertion point
};

// Expansion of blocks stops past this many cells and references.
constexpr long long kDxfMaxExpanded = 4'000'000;

struct TDxfReadReport {
  long long cells = 0;
  long long skipped = 0;  // entities with numbers beyond the drawing's range, not added
  bool damaged = false;
  std::string reason;  // CP932
};

// Reads the file into the current window (already cleared). False, after a
// message, when the file cannot be read, is a binary DXF, or holds no DXF
// section at all.
bool DxfLoad(const std::filesystem::path& fileName, const TDxfOptions& options, TDxfReadReport* report = nullptr);
// The same over a file's bytes; name (CP932) stands for it in messages.
bool DxfLoadText(std::string_view text, const TDxfOptions& options, std::string_view name,
                 TDxfReadReport* report = nullptr);

// The pen word's line type for a DXF line type name (1 when unknown).
int DxfLineType(std::string_view name);
// DXF text codes into this program's text: "{\...;text}" groups, stacked
// "\S" texts, "%%c" "%%d" "%%%" and the underline code. underline receives
// the underline's pen number (0 without one).
std::string DxfTextFormat(std::string_view text, int* underline = nullptr);
