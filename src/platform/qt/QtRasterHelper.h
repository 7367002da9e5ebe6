// The raster canvas's helper on Qt: QPainter on a QImage that wraps the
// canvas's own pixels, for wide pens and text. The painter stays open while
// the buffer lives, so the core's own pixel writes and QPainter's interleave
// on the same memory.
#pragma once

#include "render/RasterCanvas.h"

// Makes every raster canvas use the Qt helper (call once QApplication exists).
void InstallQtRasterHelper();
