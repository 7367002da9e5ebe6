// The dimension kit: what linear, oblique and angle dimensions and arrows
// share. A dimension is no cell of its own but a set of plain cells (lines,
// arcs, points, one text) stored together; these routines build them from
// the drawing's dimension settings, paper sizes times the basic scale.
#pragma once

#include <string>
#include <vector>

#include "model/GC_Cell.h"

// A length as the settings write it: in mm, cm or m, with the decimals,
// the thousands separators and the trailing zeros as set.
std::string DimText(double value);
// The text of a dimension: metres ("%.3f") with Shift; a run of equal
// pitches "n@p=total" when a unit length is set and the value is a whole
// number of them (n > 1); else DimText. Full-width when the settings say.
std::string DimValueText(double value, bool metres, double unitLength);
// The unit caption of the dimension button: "整数mm", "２桁cm", ...
std::string DimUnitCaption();

// The arrow at the end e of a dimension line whose inside lies in the
// direction inward (a unit vector): two strokes meeting at e, or a point
// when the arrow length is 0.
void DimArrow(std::vector<TGcell>& out, TPointD e, TPointD inward);
// A text of the dimension text size centred on mid along direction a, its
// foot the text gap away from the line.
TGcell DimCentredText(const std::string& text, TPointD mid, double a);
// The direction of a dimension text along a line of direction a, turned to
// read upright (nearly vertical lines: upwards).
double DimUprightAngle(double a);
// Drawing units of a paper length.
double DimPaper(double mm);
