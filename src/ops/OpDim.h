// The dimension kit: what linear, oblique and angle dimensions and arrows
// share. A dimension is no cell of its own but a set of plain cells (lines,
// arcs, points, one text) stored together; these routines build them from
// the drawing's dimension settings, paper sizes times the basic scale.
#pragma once

#include <cstdint>
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

// The text of an angle in degrees: three decimals without trailing zeros
// (and point), then "ﾟ"; full-width when the settings say ("90ﾟ", "12.5ﾟ").
std::string AngleText(double degrees);

// The unit, decimals, separators and zero stripping of dimension texts,
// asked in one line (the settings dialog's dimension page stands in).
void EditDimensionUnit();

// The group/layer byte of a dimension: the group of the measured object's
// layer code, the write layer's layer number.
std::uint8_t DimByte(std::uint8_t measured);
// A dimension operation starts: the text size and the write pen become the
// dimension's, the text-size box shows. It ends: the box hides. After each
// dimension, the dimension pen and text size are the ones in use.
void DimOpStart();
void DimOpEnd();
void DimRemember();

// The pieces onto that byte, every piece but texts in the write pen.
void DimFinish(std::vector<TGcell>& cells, std::uint8_t layer);
