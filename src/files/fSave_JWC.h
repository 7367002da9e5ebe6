// The writer of Jw_cad's JWC drawings (the layout is fLoad_JWC's).
//
// The current window's cells go out as pieces: a text whose "^" codes are
// all "^u" and "^d" (or that has none) as one text, a filled quadrilateral
// as its outline (a triangle with its three medians as well), anything else
// as the simple cells it expands into. Lines, arcs, circles and ellipses
// (with their flatness and tilt), points and texts are written; polygons,
// filled arcs and pictures have no JWC record and are left out. Points in
// the auxiliary pen fill the auxiliary arrays (100 at most). Texts stop
// where the text area's offsets would pass what a reader accepts.
//
// The paper code follows the drawing's extents (A4 up to A0); coordinates
// are written in the file units of that paper.
#pragma once

#include <filesystem>
#include <string>

#include "app/GC_PointSearch.h"

// What a write left out.
struct TJwcWriteReport {
  long long areas = 0;     // polygons and filled arcs
  long long pictures = 0;
  long long auxiliary = 0;  // auxiliary points past the arrays
  long long texts = 0;      // texts past the text area's limit
  long long clamped = 0;    // text-size numbers beyond what the file holds
};

// The file's bytes for the current window; extents choose the paper.
std::string JwcBytes(const TExtents& extents, TJwcWriteReport* report = nullptr);

// Writes the current window to fileName (UTF-8 path), replacing it. On
// failure shows why, leaves an existing file as it was and returns false;
// a file written without some elements says which in a message.
bool JwcSave(const std::filesystem::path& fileName, const TExtents& extents);
