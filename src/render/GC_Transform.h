// Cell transforms: scaling, turning and moving a cell about a base point
// onto a target (TransformCell), and mirroring it about a line
// (MirrorCell). Block copy and move use them, and so do the readers,
// brackets and layer moves that place cells. Both work on a copy the
// caller owns; neither reads or writes the store.
#pragma once

#include <string>

#include "model/GC_Cell.h"

struct TCellTransform {
  TPointD base, target;
  double angle = 0;            // radians
  double scaleX = 1;           // 0 counts as 1
  double scaleY = 1;           // 0 takes scaleX
  // Level texts ("▽10.000", metres): their value grows by the vertical
  // move times metresPerUnit; with fullWidth the new text is full-width.
  bool convertElevation = false;
  double metresPerUnit = 0;
  bool fullWidth = false;
};

// Every point p of the cell goes to target + R(angle)(scaleX (p - base).x,
// scaleY (p - base).y). Curves: the radius takes scaleX; an untilted curve
// takes scaleY / scaleX into its flatness; a circle turns its angles, an
// ellipse its tilt. A negative scale is a reflection: the curve's radius
// stays positive and its tilt and angles are reflected. Texts keep their
// size and take the direction the scale gives their base line; pictures
// scale without turning; rectangles scale and turn.
void TransformCell(TGcell& cell, const TCellTransform& t);

// The cell mirrored about the line through p1 and p2, its selection bit
// cleared. Texts still read forwards (their far end becomes their start,
// their direction turned by a half turn); ellipses reflect their tilt as
// well as their angles; pictures stay.
void MirrorCell(TGcell& cell, TPointD p1, TPointD p2);

// The elevation a level text shows: the number after "▽" (thousands
// separators and full-width digits allowed); false when the text is not one.
bool ElevationOf(const std::string& text, double& metres);
