// The cell store: every drawing element of both drawing windows, one
// fixed-size record per element, in one growable array. Slots are 1-based;
// slot 0 is never used. The store offers appending, reading and overwriting
// by index, deletion with a one-step undo, selection flags, compaction and a
// few whole-store passes.
//
// Indices move when the store compacts, clears a window or reorders. A
// caller that must keep an index across such a move holds a TCellRef and
// resolves it afterwards (GcellResolve).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Cell kinds. A negative kind is a cell deleted in the current undo step;
// 0 is a dead slot.
enum : std::int8_t {
  GK_POINT = 1,
  GK_DOT = 2,     // drawing primitive: one pixel
  GK_MARKER = 3,  // drawing primitive: a small marker
  GK_LINE = 4,
  GK_ARC = 5,
  GK_CIRCLE = 6,
  GK_POLYGON = 7,
  GK_POLYARC = 8,
  GK_FILL4K = 9,
  GK_PICTURE = 10,
  GK_TEXT = 11,
  GK_RECT = 30,  // temporary rubber-band rectangle
};

// Pen word: bits 0-3 pen number, bits 4-7 line type, flags above.
enum : std::uint16_t {
  PEN_NUMBER_MASK = 0x000F,
  PEN_LTYPE_MASK = 0x00F0,
  PEN_SELMARK = 0x1000,   // last-selection mark
  PEN_DIM = 0x2000,       // renderer's working copy of a hidden cell shown dimmed
  PEN_HILITE = 0x4000,    // drawn in the highlight (erase) colour
  PEN_SELECTED = 0x8000,  // part of the current selection
};

struct TGcell {
  std::uint8_t window = 0;  // owning drawing window, 1 or 2
  std::uint8_t undo = 0;    // 1 when added or deleted in the current undo step
  std::int8_t kind = 0;
  std::uint8_t layer = 0;   // group in the high four bits, layer in the low four
  std::uint8_t size = 0;    // texts: size number 1..10, 0 = own size in p2..p4
  std::uint16_t pen = 0;
  std::int32_t vertical = 0;  // texts: non-zero = vertical writing
  std::string text;           // text, polygon colour and vertices, fill colour, picture file
  double p[9] = {};           // geometry, by kind
};

struct GC_DBState {
  std::vector<TGcell> cells;  // length = capacity + 1
  int capacity = 0;           // highest usable slot
  int used = 0;               // slots 1..used are in use
  int window = 1;             // current drawing window
  // Index moves: generation counts them; remap maps each old slot of the last
  // move to its new slot (0 = removed).
  std::uint32_t generation = 0;
  std::vector<int> remap;
  // Test hook: an array longer than this fails to allocate.
  std::size_t allocLimit = static_cast<std::size_t>(-1);
};
extern GC_DBState g_gcdb;
// An empty store: capacity 2001, window 1.
void GC_DB_Reset();

inline int StoreCapacity() { return g_gcdb.capacity; }
inline int StoreUsed() { return g_gcdb.used; }
inline int StoreWindow() { return g_gcdb.window; }
// Makes w (1 or 2) the window the calls below read and write.
void SetStoreWindow(int w);

int GcellAdd(TGcell cell);
int GcellAddPoint(std::uint8_t layer, std::uint16_t pen, double x, double y);
int GcellAddLine(std::uint8_t layer, std::uint16_t pen, double x1, double y1, double x2, double y2);
int GcellAddCircle(std::uint8_t layer, std::uint16_t pen, double cx, double cy, double r, double flatness,
                   double tilt);
int GcellAddArc(std::uint8_t layer, std::uint16_t pen, double cx, double cy, double r, double flatness, double tilt,
                double start, double end);
int GcellAddText(std::uint8_t layer, std::uint8_t size, std::uint16_t pen, const std::string& text,
                 std::int32_t vertical, double angle, double x, double y);

// Copy of slot i; zeroed outside 1..used; kind 0 when the cell belongs to the
// other window.
TGcell GcellGet(int i);
// Copy of slot i whatever its window; zeroed outside 1..used.
TGcell GcellGetAny(int i);
// Read-only access without copying, whatever the window (check .window);
// a zeroed cell outside 1..used. Valid until the store next changes.
const TGcell& GcellRef(int i);
// True when slot i holds a live cell of the current window.
bool GcellLive(int i);

void GcellPut(const TGcell& cell, int i);
void GcellPutQuiet(const TGcell& cell, int i);
void GcellDelete(int i);
void GcellErase(int i);
void GcellCommit();
void GcellUndo();
void GcellCompact(bool dropUndo);
void GcellClearWindow(int w);
void GcellSelect(int i);
void GcellUnselect(int i);
void GcellToggleSelect(int i);
void GcellMaskAll(std::uint16_t mask);
void GcellReorder();

// An index that survives the store's next index move.
struct TCellRef {
  int index = 0;
  std::uint32_t generation = 0;
};
TCellRef GcellRefOf(int i);
// The slot the referenced cell occupies now; 0 when it was removed or the
// reference is older than the last index move.
int GcellResolve(TCellRef ref);
inline std::uint32_t GcellGeneration() { return g_gcdb.generation; }
