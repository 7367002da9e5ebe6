// Merging duplicates among the selected cells of the current window: lines
// lying on one another, repeated arcs, circles and texts.
//
// Lines, taken in store order, each against the selected lines after it
// that run along it (directions within 1e-4 radian, both ends within tol
// across it):
// - of the same pen and line type, an overlapping or touching line is
//   merged into it (deleted; the line grows to cover both);
// - of another pen, a line that dominates it (wider in print, or as wide
//   with a lower line type number: solid over dotted) cuts away what it
//   covers; a line wholly covered goes, one with a dominating line inside
//   it is split in two. What stays is exactly what no dominating line
//   covers (pieces shorter than tol aside).
// A line is compared only with the lines after it, so a thin line is cut by
// a thicker one later in the store but not by one before it.
// Arcs and circles of the same pen word with centre and radius within tol
// and flatness, tilt and angles within 0.001 are deleted but one; so are
// texts of the same size number at one position (within tol) and angle with
// the same writing direction and the same string.
//
// Changed lines are deleted and their pieces appended, selected; a line
// that keeps its whole extent stays in place. Everything is one undo step
// (the caller commits before). Lines, arcs and texts are found through a
// hash of their direction and offset, or of their position, so the work
// grows with the cells, not their square.
#pragma once

#include <functional>

// Runs over the selected live cells of the current window among slots
// 1..StoreUsed() as they are at the call. progress(done, total) is called
// every total / 50 + 1 cells.
void GcellMergeDuplicates(double tol, const std::function<void(int done, int total)>& progress = {});
