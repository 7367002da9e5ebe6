// Point search: where a right click snaps to (SnapPoint), which cell lies
// under or near a point (PickText, PickNearest, PickPrimitive, PickArea),
// the characteristic points of cells and, from them, the extents of the
// drawing. Every search is one linear pass over the live cells of the
// current window, in drawing units; pixel tolerances come from the view.
#pragma once

#include "model/GC_DB.h"
#include "model/GContext.h"
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
//   circle, and a filled arc whose start equals its end (a whole filled
//     circle or ellipse): centre, the four axis points, the four diagonal
//     points;
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

// ---- Snapping ---------------------------------------------------------------

// The point a right click at (x, y) snaps to, T being 4 pixels of the view:
// the nearest of the grid point (grid shown and drawn), the crossings of
// lines, arcs and circles near the point, and the characteristic points of
// the cells near it (taken pen by pen, thickest print width first, the
// auxiliary pen last; the search ends after a pen whose best point lies
// within T). Texts never attract; polygons and filled arcs offer no point; a
// circle smaller than T offers only its centre; a line shorter than 5 pixels
// no end point. The best point counts when it lies within 4T; otherwise the
// paper origin when within 2T. Returns false, x and y unchanged, when
// neither (the caller beeps).
//
// Cells within 16 pixels are collected, within 4 pixels once 500 are there,
// at most 1000; fills and pictures only when one of their corners is near
// enough to be taken.
bool SnapPoint(const TGContext& view, double& x, double& y);

// ---- Picking ----------------------------------------------------------------

// includeHidden false: only cells drawn as shown (group, layer and their
// class of cells switched on). All: live cells of the current window.

// The first text (store order) whose box, from the reference point along its
// direction over its length and across over its height, holds (x, y); 0 when
// none.
int PickText(bool includeHidden, double x, double y);
// The nearest point cell within 12 pixels; when there is none, the nearest
// line, arc or circle within 12 pixels; else 0.
int PickNearest(const TGContext& view, bool includeHidden, double x, double y);
// A copy of the nearest line, arc or circle piece (of any cell's expansion
// without areas) within 12 pixels; a cell of kind 0 when none.
TGcell PickPrimitive(const TGContext& view, bool includeHidden, double x, double y);
// The last (topmost) filled quadrilateral, picture, polygon or filled arc
// that holds (x, y), even-odd with the outline included (a filled ellipse
// by its own outline); 0 when none.
int PickArea(bool includeHidden, double x, double y);
