// A sample drawing built in code: every kind of cell in several pens and
// line types on the default A3 sheet, for the screenshot switch and the
// rendering tests. Its picture is written as a JPEG file first.
#pragma once

#include <string>

// Clears window 1 and fills it with the sample. pictureFile (UTF-8) is
// where the sample picture is written (64 x 48 pixels: colour bands and a
// white diagonal); false when it could not be written (the picture cell is
// still added and then draws crossed).
bool BuildSampleDrawing(const std::string& pictureFile);
