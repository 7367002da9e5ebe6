// Snapping a large drawing through the spatial index finds exactly what a
// pass over the whole store finds, also after cells are appended, deleted,
// undone, moved by a compaction and overwritten.
#include <cmath>
#include <random>
#include <string>

#include "VelmoTest.h"
#include "app/GC_PointSearch.h"
#include "model/GC_DB.h"
#include "model/GC_Index.h"
#include "render/Z_Graph.h"

namespace {

class SnapIndexTest : public VelmoTest {
protected:
  std::mt19937 rng{5};
  double U(double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); }

  // Lines of all lengths (a few across the sheet), arcs, circles, points,
  // fills and texts over a 40000 x 30000 sheet.
  void Fill(int n) {
    for (int i = 0; i < n; ++i) {
      const double x = U(0, 40000), y = U(0, 30000);
      switch (i % 10) {
        case 0: GcellAddArc(0, 0x11, x, y, U(10, 800), i % 20 ? 1 : 0.5, 0.3, U(0, 3), U(3, 6)); break;
        case 1: GcellAddCircle(0, 0x12, x, y, U(1, 400), 1, 0); break;
        case 2: GcellAddPoint(0, 0x11, x, y); break;
        case 3: GcellAddText(0, 1, 0x11, "ABC", 0, 0, x, y); break;
        case 4: {
          TGcell f;
          f.kind = GK_FILL4K;
          f.pen = 0x11;
          f.p[0] = x, f.p[1] = y, f.p[2] = 300, f.p[3] = 0, f.p[4] = 300, f.p[5] = 200, f.p[7] = 0, f.p[8] = 200;
          GcellAdd(f);
          break;
        }
        case 5: GcellAddLine(0, 0x11, x, y, U(0, 40000), U(0, 30000)); break;  // long
        default: GcellAddLine(0, 0x11, x, y, x + U(-900, 900), y + U(-900, 900)); break;
      }
    }
  }

  // Snaps at clicks near points of cells (from slot firstCell on) and
  // anywhere, at several zooms; the index's answers against the plain pass's.
  void Compare(const std::string& when, int firstCell = 1) {
    TGContext g;
    G_SetViewport(g, 0, 0, 1600, 1000);
    int same = 0;
    for (int k = 0; k < 80; ++k) {
      const double zoom = k % 3 == 0 ? 1 : k % 3 == 1 ? 10 : 100;
      const double cx = U(0, 40000), cy = U(0, 30000);
      G_SetWindow(g, cx - 20000 / zoom, cy - 15000 / zoom, cx + 20000 / zoom, cy + 15000 / zoom);
      double x = cx, y = cy;
      const TGcell& c = GcellRef(firstCell + static_cast<int>(rng() % (StoreUsed() - firstCell + 1)));
      const double T = 4 * G_PixelSize(g);
      if (k % 4 == 1) {
        x = c.p[0] + U(-1, 1) * 2.5 * T;
        y = c.p[1] + U(-1, 1) * 2.5 * T;
      } else if (k % 4 == 3) {
        // Near the edge of the reach: 3.6 T beside a point of the cell.
        x = c.p[0] + (rng() % 2 ? 3.6 : -3.6) * T;
        y = c.p[1] + U(-0.3, 0.3) * T;
      }
      double ix = x, iy = y, px = x, py = y;
      g_index.off = false;
      const bool withIndex = SnapPoint(g, ix, iy);
      g_index.off = true;
      const bool plain = SnapPoint(g, px, py);
      g_index.off = false;
      ASSERT_EQ(withIndex, plain) << when << " click " << k << " at " << x << "," << y;
      ASSERT_EQ(ix, px) << when << " click " << k;
      ASSERT_EQ(iy, py) << when << " click " << k;
      same += withIndex;
    }
    EXPECT_GT(same, 25) << when << ": most clicks near a point snap";
  }
};

TEST_F(SnapIndexTest, FindsWhatAPassFindsThroughEdits) {
  Fill(kIndexMinCells + 5000);
  ASSERT_GE(StoreUsed(), kIndexMinCells);
  Compare("fresh");
  EXPECT_EQ(g_index.builds, 1);

  const int before = StoreUsed();
  Fill(300);  // appended since the index was built
  Compare("appended", before + 1);
  EXPECT_EQ(g_index.builds, 1) << "appends are looked at one by one";

  GcellCommit();
  for (int i = 1; i <= StoreUsed(); i += 7) GcellDelete(i);
  Compare("deleted");
  GcellUndo();
  Compare("undone");

  TGcell moved = GcellGet(100);
  moved.p[0] += 5000;
  moved.p[1] -= 3000;
  ASSERT_TRUE(GcellPut(moved, 100));
  Compare("overwritten");

  GcellUndo();
  GcellCommit();
  GcellCompact(true);
  Compare("compacted");
  EXPECT_GE(g_index.builds, 3);
}

}  // namespace
