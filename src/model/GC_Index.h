// A coarse spatial index of the cell store, for the searches that ask what
// lies near a point of a large drawing (snapping a click). It answers with a
// superset, in store order, of the cells of a window whose box may meet a
// rectangle; the caller tests each one as it would in a pass over the whole
// store, so the answer is the same as that pass's, only faster.
//
// One index per drawing window, built when first asked after the store's
// cells moved (compaction, reordering, a window cleared) or a cell's
// geometry was overwritten, and never otherwise: cells appended since are
// looked at one by one, deletions and undo are the caller's kind test. Each
// cell sits in the one bucket of a grid that holds the centre of its box;
// a bucket knows how far its cells reach beyond it. Cells far larger than a
// bucket, texts (whose size the store does not know) and anything without
// a box of its own are kept aside and always answered.
#pragma once

#include <cstdint>
#include <vector>

// Stores whose windows hold fewer cells than this are searched by a plain
// pass: building an index would not pay.
inline constexpr int kIndexMinCells = 20000;

struct TCellIndex {
  bool built = false;
  std::uint32_t generation = 0;  // the store's move count when built
  int usedAtBuild = 0;           // cells after this slot came later
  double x0 = 0, y0 = 0;         // the grid's lower left corner
  double size = 1;               // a bucket's side
  int nx = 0, ny = 0;            // buckets across and up
  double reachX = 0, reachY = 0; // how far a bucket's cells reach beyond it, at most
  std::vector<int> start;        // bucket b's cells: slots[start[b] .. start[b + 1])
  std::vector<int> slots;
  std::vector<int> aside;        // cells always answered (in store order)
  std::vector<int> texts;        // text cells, answered when asked for
};

struct GC_IndexState {
  TCellIndex window[3];  // 1 and 2
  int builds = 0;        // how often an index was built (tests)
  bool off = false;      // tests: every search a plain pass
};
extern GC_IndexState g_index;
void GC_Index_Reset();

// A cell's geometry was overwritten in window w: its index is rebuilt when
// next asked.
void GcellIndexDirty(int w);

// The slots of cells of the current window (live, deleted in this step or
// dead) whose box may meet the rectangle, ascending, without repeats;
// text cells only with withTexts. False when the store is small and the
// caller should pass over it instead (out is then empty).
bool GcellNear(double xmin, double ymin, double xmax, double ymax, bool withTexts, std::vector<int>& out);
