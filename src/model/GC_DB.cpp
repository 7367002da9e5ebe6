#include "model/GC_DB.h"

#include <sys/mman.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <new>
#include <numbers>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "kernel/Platform.h"
#include "kernel/ProgramDir.h"
#include "kernel/SjisConv.h"
#include "model/GC_Index.h"
#include "model/PVC.h"

namespace {
constexpr int kInitialCapacity = 2001;

GC_DBState EmptyStore() {
  GC_DBState s;
  s.cells.resize(kInitialCapacity + 1);
  s.capacity = kInitialCapacity;
  return s;
}
}  // namespace

GC_DBState g_gcdb = EmptyStore();

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kSmallPage = 4096;

// Reserves address space for cells: as many as asked, fewer where the
// system will not give that much (halving down to a million).
void* Reserve(std::size_t& cells, std::size_t& bytes) {
  for (std::size_t want = cells; want >= (std::size_t{1} << 20); want /= 2) {
    bytes = want * sizeof(TGcell) + kHugePage;
    void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p != MAP_FAILED) {
      cells = want;
      return p;
    }
  }
  return nullptr;
}

}  // namespace

TCellArray::TCellArray(TCellArray&& o) noexcept
    : base_(std::exchange(o.base_, nullptr)),
      size_(std::exchange(o.size_, 0)),
      reserved_(std::exchange(o.reserved_, 0)),
      mapping_(std::exchange(o.mapping_, nullptr)),
      mappingBytes_(std::exchange(o.mappingBytes_, 0)) {}

TCellArray& TCellArray::operator=(TCellArray&& o) noexcept {
  if (this != &o) {
    Release();
    base_ = std::exchange(o.base_, nullptr);
    size_ = std::exchange(o.size_, 0);
    reserved_ = std::exchange(o.reserved_, 0);
    mapping_ = std::exchange(o.mapping_, nullptr);
    mappingBytes_ = std::exchange(o.mappingBytes_, 0);
  }
  return *this;
}

TCellArray::~TCellArray() { Release(); }

void TCellArray::Release() {
  if (!mapping_) return;
  std::destroy(base_, base_ + size_);
  ::munmap(mapping_, mappingBytes_);
  mapping_ = nullptr;
  base_ = nullptr;
  size_ = reserved_ = mappingBytes_ = 0;
}

void TCellArray::resize(std::size_t n) {
  if (n > size_) {
    if (!mapping_) {
      // Room for 64 million cells; the pages come as they are used.
      std::size_t cells = std::size_t{1} << 26, bytes = 0;
      void* m = Reserve(cells, bytes);
      if (!m) throw std::bad_alloc();
      mapping_ = m;
      mappingBytes_ = bytes;
      reserved_ = cells;
      const auto at = (reinterpret_cast<std::uintptr_t>(m) + kHugePage - 1) & ~(kHugePage - 1);
      base_ = reinterpret_cast<TGcell*>(at);
      ::madvise(base_, cells * sizeof(TGcell), MADV_HUGEPAGE);
    }
    if (n > reserved_) throw std::bad_alloc();
    std::uninitialized_value_construct(base_ + size_, base_ + n);
  } else if (n < size_) {
    std::destroy(base_ + n, base_ + size_);
    // Whole pages past the new end go back to the system (reading zeroes,
    // that is cells of kind 0, should they be used again).
    const auto from = (reinterpret_cast<std::uintptr_t>(base_ + n) + kSmallPage - 1) & ~(kSmallPage - 1);
    const auto to = reinterpret_cast<std::uintptr_t>(base_ + size_) & ~(kSmallPage - 1);
    if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_DONTNEED);
  }
  size_ = n;
}

namespace {

constexpr double kEps = 0.001;
constexpr double k2Pi = 2 * std::numbers::pi;

const TGcell kZeroCell{};

// The settings record that holds the counters of window w: the working copy
// for the current window, its own slot for the other one.
TPVC& PvcOf(int w) { return (w == g_gcdb.window || w < 1 || w > 2) ? CurPVC() : g_pvc.slots[w]; }

void Touch(int w) { ++PvcOf(w).modified; }

void CountLive(const TGcell& c, int delta) { LayerCount(PvcOf(c.window), c.layer) += delta; }

// Sets the array length to capacity + 1 + extra. On failure (or beyond the
// test limit) shows the full-store box and keeps the old array.
void Grow(int extra) {
  const std::size_t length = static_cast<std::size_t>(g_gcdb.capacity) + 1 + static_cast<std::size_t>(extra);
  try {
    if (length > g_gcdb.allocLimit) throw std::bad_alloc();
    g_gcdb.cells.resize(length);
  } catch (const std::bad_alloc&) {
    Platform().MessageBox("メモリー不足、データが満杯です.", "Velmo", MsgButtons::Abort, MsgIcon::Error);
  } catch (const std::length_error&) {
    Platform().MessageBox("メモリー不足、データが満杯です.", "Velmo", MsgButtons::Abort, MsgIcon::Error);
  }
  g_gcdb.capacity = static_cast<int>(g_gcdb.cells.size()) - 1;
}

bool InStore(int i) { return i >= 1 && i <= g_gcdb.used; }
bool InArray(int i) { return i >= 1 && i <= g_gcdb.capacity; }

bool AllFinite(const TGcell& c) {
  return std::all_of(std::begin(c.p), std::end(c.p), [](double v) { return std::isfinite(v); });
}

// Rejects degenerate geometry and brings arc angles into range; false when
// the cell must not be stored.
bool Validate(TGcell& c) {
  if (!AllFinite(c)) return false;
  double* p = c.p;
  switch (c.kind) {
    case GK_LINE:
      return !(std::fabs(p[0] - p[2]) < kEps && std::fabs(p[1] - p[3]) < kEps);
    case GK_CIRCLE:
      return !(p[4] < kEps);
    case GK_ARC: {
      if (std::fabs(p[8] - p[7]) * p[4] < kEps) return false;
      if (p[7] > p[8]) std::swap(p[7], p[8]);
      if (p[8] - p[7] >= k2Pi) {
        c.kind = GK_CIRCLE;
        return true;
      }
      // Shift by whole turns until end <= 2pi and start >= -2pi.
      if (p[8] > k2Pi) {
        const double n = std::ceil((p[8] - k2Pi) / k2Pi);
        p[7] -= n * k2Pi;
        p[8] -= n * k2Pi;
        if (p[8] > k2Pi) p[7] -= k2Pi, p[8] -= k2Pi;
      }
      if (p[7] < -k2Pi) {
        const double n = std::ceil((-k2Pi - p[7]) / k2Pi);
        p[7] += n * k2Pi;
        p[8] += n * k2Pi;
        if (p[7] < -k2Pi) p[7] += k2Pi, p[8] += k2Pi;
      }
      return true;
    }
    default:
      return true;
  }
}

TGcell MakeCell(std::int8_t kind, std::uint8_t layer, std::uint16_t pen) {
  TGcell c;
  c.kind = kind;
  c.layer = layer;
  c.pen = pen;
  return c;
}

// Starts a new index move: every old slot maps to 0 until placed.
void BeginMove() {
  g_gcdb.remap.assign(static_cast<std::size_t>(g_gcdb.used) + 1, 0);
  ++g_gcdb.generation;
}

// Keeps, in order, the cells keep() accepts; records where each went.
template <class Keep>
int KeepInOrder(Keep keep) {
  BeginMove();
  auto& cells = g_gcdb.cells;
  int n = 0;
  for (int i = 1; i <= g_gcdb.used; ++i) {
    if (!keep(cells[i])) continue;
    ++n;
    if (n != i) cells[n] = std::move(cells[i]);
    g_gcdb.remap[i] = n;
  }
  for (int i = n + 1; i <= g_gcdb.used; ++i) cells[i] = TGcell{};
  g_gcdb.used = n;
  return n;
}

}  // namespace

void GC_DB_Reset() {
  g_gcdb = EmptyStore();
  GC_Index_Reset();
}

void SetStoreWindow(int w) {
  if (w == 1 || w == 2) g_gcdb.window = w;
}

int GcellAdd(TGcell cell) {
  Touch(g_gcdb.window);
  if (g_gcdb.used >= g_gcdb.capacity - 1) return 0;
  if (g_gcdb.used >= g_gcdb.capacity - 2) {
    Grow(2000);
    if (g_gcdb.used >= g_gcdb.capacity - 1) return 0;
  }
  cell.pen &= static_cast<std::uint16_t>(~PEN_SELECTED);
  cell.undo = 1;
  if (!Validate(cell)) return 0;
  cell.window = static_cast<std::uint8_t>(g_gcdb.window);
  CountLive(cell, +1);
  const int i = ++g_gcdb.used;
  g_gcdb.cells[i] = std::move(cell);
  return i;
}

int GcellAddPoint(std::uint8_t layer, std::uint16_t pen, double x, double y) {
  TGcell c = MakeCell(GK_POINT, layer, pen);
  c.p[0] = x;
  c.p[1] = y;
  return GcellAdd(std::move(c));
}

int GcellAddLine(std::uint8_t layer, std::uint16_t pen, double x1, double y1, double x2, double y2) {
  TGcell c = MakeCell(GK_LINE, layer, pen);
  c.p[0] = x1;
  c.p[1] = y1;
  c.p[2] = x2;
  c.p[3] = y2;
  return GcellAdd(std::move(c));
}

int GcellAddCircle(std::uint8_t layer, std::uint16_t pen, double cx, double cy, double r, double flatness,
                   double tilt) {
  TGcell c = MakeCell(GK_CIRCLE, layer, pen);
  c.p[0] = cx;
  c.p[1] = cy;
  c.p[4] = r;
  c.p[5] = flatness;
  c.p[6] = tilt;
  return GcellAdd(std::move(c));
}

int GcellAddArc(std::uint8_t layer, std::uint16_t pen, double cx, double cy, double r, double flatness, double tilt,
                double start, double end) {
  if (start == end) return GcellAddCircle(layer, pen, cx, cy, r, flatness, tilt);
  TGcell c = MakeCell(GK_ARC, layer, pen);
  c.p[0] = cx;
  c.p[1] = cy;
  c.p[4] = r;
  c.p[5] = flatness;
  c.p[6] = tilt;
  c.p[7] = start;
  c.p[8] = end;
  return GcellAdd(std::move(c));
}

int GcellAddText(std::uint8_t layer, std::uint8_t size, std::uint16_t pen, const std::string& text,
                 std::int32_t vertical, double angle, double x, double y) {
  TGcell c = MakeCell(GK_TEXT, layer, pen);
  c.size = size;
  c.text = text;
  c.vertical = vertical;
  c.p[0] = x;
  c.p[1] = y;
  c.p[6] = angle;
  return GcellAdd(std::move(c));
}

TGcell GcellGet(int i) {
  if (!InStore(i)) return TGcell{};
  TGcell c = g_gcdb.cells[i];
  if (c.window != g_gcdb.window) c.kind = 0;
  return c;
}

TGcell GcellGetAny(int i) { return InStore(i) ? g_gcdb.cells[i] : TGcell{}; }

const TGcell& GcellRef(int i) { return InStore(i) ? g_gcdb.cells[i] : kZeroCell; }

bool GcellLive(int i) {
  if (!InStore(i)) return false;
  const TGcell& c = g_gcdb.cells[i];
  return c.kind > 0 && c.window == g_gcdb.window;
}

namespace {

// Writes a checked cell into slot i; a new place or shape makes the
// spatial index of its window stale.
bool Put(const TGcell& cell, int i) {
  if (!InArray(i)) return false;
  TGcell c = cell;
  if (c.kind > 0 && !Validate(c)) return false;
  TGcell& slot = g_gcdb.cells[i];
  if (std::abs(slot.kind) != std::abs(c.kind) || slot.window != c.window ||
      !std::equal(std::begin(slot.p), std::end(slot.p), std::begin(c.p))) {
    GcellIndexDirty(slot.window);
    GcellIndexDirty(c.window);
  }
  slot = std::move(c);
  return true;
}

}  // namespace

bool GcellPut(const TGcell& cell, int i) {
  if (!Put(cell, i)) return false;
  Touch(g_gcdb.window);
  return true;
}

bool GcellPutQuiet(const TGcell& cell, int i) { return Put(cell, i); }

void GcellDelete(int i) {
  if (!InStore(i)) return;
  TGcell& c = g_gcdb.cells[i];
  // Deleting what is already deleted or dead changes nothing.
  if (c.kind <= 0) return;
  CountLive(c, -1);
  Touch(c.window);
  c.pen &= static_cast<std::uint16_t>(~PEN_SELECTED);
  if (c.undo) {
    // Added in this very step: it did not exist before the step, so undo
    // must not bring it back. It is simply dead.
    c.kind = 0;
    c.undo = 0;
  } else {
    c.kind = static_cast<std::int8_t>(-c.kind);
    c.undo = 1;
  }
}

void GcellErase(int i) {
  if (!InStore(i)) return;
  TGcell& c = g_gcdb.cells[i];
  if (c.kind > 0) CountLive(c, -1);
  Touch(c.window);
  c.kind = 0;
  c.undo = 0;
}

void GcellCommit() {
  int dead = 0;
  for (int i = 1; i <= g_gcdb.used; ++i) {
    TGcell& c = g_gcdb.cells[i];
    if (c.window != g_gcdb.window) continue;
    c.undo = 0;
    if (c.kind <= 0) {
      c.kind = 0;
      ++dead;
    }
  }
  if (dead >= 10 && (g_gcdb.used > 0.99 * g_gcdb.capacity || dead > 0.3 * g_gcdb.capacity)) GcellCompact(true);
}

void GcellUndo() {
  for (int i = 1; i <= g_gcdb.used; ++i) {
    TGcell& c = g_gcdb.cells[i];
    // A dead slot is neither live nor revivable: it stays as it is.
    if (c.window != g_gcdb.window || c.undo != 1 || c.kind == 0) continue;
    c.kind = static_cast<std::int8_t>(-c.kind);
    CountLive(c, c.kind > 0 ? +1 : -1);
  }
}

void GcellCompact(bool dropUndo) {
  if (dropUndo) {
    KeepInOrder([](TGcell& c) {
      if (c.kind <= 0) return false;
      c.undo = 0;
      return true;
    });
  } else {
    KeepInOrder([](const TGcell& c) { return c.kind > 0 || c.undo != 0; });
  }
  if (g_gcdb.used >= g_gcdb.capacity - 99) Grow(1000);
}

void GcellClearWindow(int w) {
  std::vector<std::string> owned;  // temporary picture files to delete
  KeepInOrder([w, &owned](const TGcell& c) {
    if (c.kind != 0 && c.window != w) return true;
    if (c.window == g_gcdb.window && std::abs(c.kind) == GK_PICTURE && IsTempFileName(c.text))
      owned.push_back(c.text);
    return false;
  });
  for (const std::string& name : owned) {
    std::error_code ec;
    std::filesystem::remove(SjisToUtf8(name), ec);
  }
}

namespace {
void SetSelect(int i, int how) {  // 1 set, 0 clear, -1 toggle
  if (!InArray(i)) return;
  std::uint16_t& pen = g_gcdb.cells[i].pen;
  const bool on = how < 0 ? !(pen & PEN_SELECTED) : how > 0;
  if (on)
    pen |= PEN_SELECTED | PEN_SELMARK;
  else
    pen &= static_cast<std::uint16_t>(~(PEN_SELECTED | PEN_SELMARK));
}
}  // namespace

void GcellSelect(int i) { SetSelect(i, 1); }
void GcellUnselect(int i) { SetSelect(i, 0); }
void GcellToggleSelect(int i) { SetSelect(i, -1); }

void GcellMaskAll(std::uint16_t mask) {
  for (int i = 1; i <= g_gcdb.used; ++i) g_gcdb.cells[i].pen &= mask;
}

namespace {

// Drawing order: solid lines, arcs and circles of pens 1..6 (1..6), then
// texts of sizes 1..10 (7..16), then everything else (17).
int DrawingBand(const TGcell& c) {
  if ((c.kind == GK_LINE || c.kind == GK_ARC || c.kind == GK_CIRCLE) && c.pen >= 17 && c.pen <= 22)
    return c.pen - 16;
  if (c.kind == GK_TEXT && c.size >= 1 && c.size <= 10) return 6 + c.size;
  return 17;
}

}  // namespace

void GcellReorder() {
  // One look first: a store that holds nothing to drop and is in drawing
  // order already (a drawing just read that was saved in order) stays as it
  // is, without a move.
  {
    auto& cells = g_gcdb.cells;
    bool still = true;
    for (int i = 1, last = 0, n = g_gcdb.used; i <= n && still; ++i) {
      const TGcell& c = cells[i];
      const int b = c.kind > 0 ? DrawingBand(c) : -1;
      still = (c.kind > 0 || c.undo != 0) && b >= last;
      last = std::max(b, last);
    }
    if (still) {
      if (g_gcdb.used >= g_gcdb.capacity - 99) Grow(1000);  // the room a compaction would leave
      return;
    }
  }
  GcellCompact(false);
  const int n = g_gcdb.used;
  // Drawing order: solid lines, arcs and circles of pens 1..6, then texts of
  // sizes 1..10, then everything else; each band keeps the store order, so
  // fills and pictures keep their stacking.
  constexpr int kBands = 18;
  const auto band = DrawingBand;
  auto& cells = g_gcdb.cells;
  int count[kBands] = {};
  bool ordered = true;
  for (int i = 1, last = 0; i <= n; ++i) {
    const int b = band(cells[i]);
    ++count[b];
    ordered = ordered && b >= last;
    last = b;
  }
  if (ordered) return;  // nothing moves: the compaction's move stands

  // A stable counting sort: each cell's new slot from its band's start.
  int next[kBands];
  for (int b = 0, at = 1; b < kBands; ++b) {
    next[b] = at;
    at += count[b];
  }
  std::vector<int> target(static_cast<std::size_t>(n) + 1, 0);
  for (int i = 1; i <= n; ++i) target[i] = next[band(cells[i])]++;
  // Compose the move with the compaction just done, so that a reference
  // taken before the reorder still resolves.
  for (int& s : g_gcdb.remap) s = s ? target[s] : 0;
  // Every cell to its slot, cycle by cycle, in place.
  for (int i = 1; i <= n; ++i) {
    while (target[i] != i) {
      const int t = target[i];
      std::swap(cells[i], cells[t]);
      std::swap(target[i], target[t]);
    }
  }
}

TCellRef GcellRefOf(int i) { return {i, g_gcdb.generation}; }

int GcellResolve(TCellRef ref) {
  if (ref.generation == g_gcdb.generation) return InStore(ref.index) ? ref.index : 0;
  if (ref.generation + 1 == g_gcdb.generation && ref.index >= 1 &&
      ref.index < static_cast<int>(g_gcdb.remap.size()))
    return g_gcdb.remap[ref.index];
  return 0;
}
