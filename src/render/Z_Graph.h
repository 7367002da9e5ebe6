// The graphics context: a view of the drawing bound to a device (the screen's
// drawing area, a bitmap or a printer). A plain value: views are copied.
//
// For now it carries only the device size; the mapping between drawing units
// and pixels and the canvas primitives join it with the view transform.
#pragma once

struct TGContext {
  int deviceWidth = 0;   // pixels
  int deviceHeight = 0;  // pixels
};
