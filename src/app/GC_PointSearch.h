// Point search: the characteristic points of cells and, from them, the
// extents of the drawing. (Snapping and picking come later.)
#pragma once

#include "model/GC_DB.h"
#include "render/GC_Tenkai.h"

// A bounding box in drawing units.
struct TExtents {
  double xmin = 0, ymin = 0, xmax = 0, ymax = 0;
};

// At most this many characteristic points per primitive.
constexpr int kMaxCellPoints = 16;

// The characteristic points of one primitive cell into xs, ys; returns how
// many (0 for kinds without points):
//   point (and dot, marker): the point; line: start, end;
//   arc, filled arc: its end points, then the points at the multiples of
//     pi/2 strictly between start and end angle;
//   circle: centre, the four axis points, the four diagonal points;
//   for an ellipse (flatness above 0.001 and not 1) curve points are mapped
//   onto it (y across the axis times the flatness, turned by the tilt);
//   polygon: the corners of its bounding box; filled quadrilateral: base
//   point and the three corners; picture: its four corners;
//   text: the corners of its box (reference point, one character height up
//   across the direction, then the text's run width along it).
int CellPoints(const TGcell& cell, double xs[kMaxCellPoints], double ys[kMaxCellPoints]);

// Widens ext by every characteristic point of the pieces the cell expands
// into (ExpandCell: a text's runs, a rectangle's sides, a simple cell
// itself). The second form reuses the caller's piece buffer.
void WidenByCell(TExtents& ext, const TGcell& cell);
void WidenByCell(TExtents& ext, const TGcell& cell, TCellPieces& pieces);

// The bounding box of the live cells of the current window; all four 0 when
// there is none.
TExtents GcellExtents();
