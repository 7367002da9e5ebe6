// Clipping of pixel-space segments against one rectangle, for the view's
// line drawing.
#pragma once

struct ClipState {
  double xmin = 0, ymin = 0, xmax = 0, ymax = 0;
};
// Per thread: views are drawn from two threads at once.
extern thread_local ClipState g_clip;
void ZL_Cliping_Reset();

// The rectangle G_ClipLine clips against: the min and max of the corners.
void G_SetClip(double x1, double y1, double x2, double y2);

// Cuts the segment to the part inside the rectangle (edges included).
// False when nothing of it remains, when it is shorter than 0.001 pixel
// after clipping, or when it has zero length. The ends come back ordered by
// y, then by x.
bool G_ClipLine(double& x1, double& y1, double& x2, double& y2);
