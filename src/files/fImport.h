// Foreign data read into the current window: plain text (one text per line,
// tab stops of four), tables of comma- or tab-separated text laid out in a
// ruled grid, and .ZMP map files (polylines and filled polygons of numbered
// map layers). New cells take the write layer, the current text size and
// pen (texts pen 1). A file whose bytes are valid UTF-8 is converted to
// CP932 first; characters CP932 lacks become "?" and a message counts them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

// Bytes of a text or table file as CP932 (converted when they are valid
// UTF-8 with characters beyond ASCII); *replaced: characters that became "?".
std::string ImportTextBytesToSjis(std::string_view bytes, int* replaced);

bool ImportText(const std::filesystem::path& fileName);
void ImportTextBytes(std::string_view sjis);

// The table's size (drawing units) with its lower-left corner at (x0, y0);
// with addCells its texts and grid lines are added. sep 0: TAB when a line
// holds one, else comma.
struct TTableSize {
  double width = 0, height = 0;
};
bool ImportTable(const std::filesystem::path& fileName, TTableSize& size, double x0, double y0, char sep,
                 bool addCells);
TTableSize ImportTableBytes(std::string_view sjis, double x0, double y0, char sep, bool addCells);

// Asks for the map layers to read ("1,9,78,80,81" by default; "*" reads 255
// and then 1..254; "R" rotates the pens polyline by polyline).
bool ImportMap(const std::filesystem::path& fileName);
void ImportMapBytes(std::string_view bytes, const std::string& layerList);
