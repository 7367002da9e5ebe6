// The writer of ASCII DXF drawings (the R12 layout: HEADER, TABLES with the
// line types, one text style and all 256 layers, an empty BLOCKS section,
// ENTITIES), CP932 text declared by $DWGCODEPAGE ANSI_932, CR LF lines.
//
// Cells go out as the pieces they expand into: POINT, LINE, CIRCLE, ARC,
// ELLIPSE (or, when the user asks, lines along it), SOLID and TEXT. Texts
// are laid out character by character where they hold codes ("^^", raised
// and lowered characters) or run vertically, so that what the drawing
// shows survives in a format without them. Polygons, filled arcs and
// pictures have no entity and are left out.
#pragma once

#include <array>
#include <filesystem>
#include <string>

// Layer names by layer code (group × 16 + layer): the layer's own name, its
// first 16 bytes, control bytes and the characters DXF forbids in names
// replaced; "Layer" and the group and layer as hexadecimal digits when it
// has none. A name that another layer already has gets "_2", "_3" … .
std::array<std::string, 256> DxfLayerNames();

// The number of lines an ellipse (or elliptic arc) of radius r over the
// parameter sweep d becomes when ellipses are written as lines.
int DxfEllipseLineCount(double r, double d, double basicScale);

struct TDxfWriteReport {
  long long areas = 0;     // polygons and filled arcs
  long long pictures = 0;
};

// The file's text for the current window.
std::string DxfText(double basicScale, bool ellipsesAsLines, TDxfWriteReport* report = nullptr);

// How ellipses are written: as the user answers "楕円を直線列に変換しますか？"
// (asked only when the drawing holds one), or without asking.
enum class DxfEllipses { Ask, Keep, AsLines };

// Writes the current window to fileName (UTF-8 path), replacing it through a
// temporary file. On failure shows why, leaves an existing file as it was
// and returns false; what the format cannot hold is named in a message.
bool DxfSave(const std::filesystem::path& fileName, double basicScale, DxfEllipses ellipses = DxfEllipses::Ask);
