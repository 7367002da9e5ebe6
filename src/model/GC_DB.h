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
#include <memory>
#include <string>
#include <vector>

#include "model/GC_Cell.h"

// The store's array: one range of address space reserved for the largest
// store there may be, whose pages the system gives as the cells fill them.
// Growing never moves or copies the cells already there (a million cells
// never need room for two million), and the cells lie in huge pages where
// the system offers them, which a pass over a million cells needs far fewer
// page-table walks for. Indexed like a vector.
class TCellArray {
public:
  TCellArray() = default;
  TCellArray(const TCellArray&) = delete;
  TCellArray& operator=(const TCellArray&) = delete;
  TCellArray(TCellArray&& o) noexcept;
  TCellArray& operator=(TCellArray&& o) noexcept;
  ~TCellArray();

  std::size_t size() const { return size_; }
  // Longer: the new cells are zeroed (std::bad_alloc beyond what can be
  // reserved; the array is then as it was). Shorter: the cells past the end
  // go, and their memory back to the system.
  void resize(std::size_t n);
  TGcell& operator[](std::size_t i) { return base_[i]; }
  const TGcell& operator[](std::size_t i) const { return base_[i]; }

private:
  void Release();
  TGcell* base_ = nullptr;
  std::size_t size_ = 0;
  std::size_t reserved_ = 0;  // cells
  void* mapping_ = nullptr;   // the reservation as mapped (the cells start at a 2 MiB boundary in it)
  std::size_t mappingBytes_ = 0;
};

struct GC_DBState {
  TCellArray cells;  // length = capacity + 1
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
// Asks the memory for slot i ahead of its use (1..used; anything else is
// ignored).
inline void GcellPrefetch(int i) {
  if (i < 1 || i > g_gcdb.used) return;
  const char* c = reinterpret_cast<const char*>(&g_gcdb.cells[static_cast<std::size_t>(i)]);
  __builtin_prefetch(c);  // a cell spans two lines of the cache
  __builtin_prefetch(c + sizeof(TGcell) - 1);
}
// True when slot i holds a live cell of the current window.
bool GcellLive(int i);

// Overwrites slot i (1..capacity) with a live cell that passes the checks
// GcellAdd makes (an arc brought into range), or with a dead or deleted
// one; false, and nothing written, for degenerate or non-finite geometry.
bool GcellPut(const TGcell& cell, int i);
// The same without counting a change (flag changes).
bool GcellPutQuiet(const TGcell& cell, int i);
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
