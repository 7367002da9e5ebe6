// The reader of Jw_cad's older drawing format JWC and of its part files JWK,
// and the layout both share with the JWC writer (fSave_JWC).
//
// A JWC file is fixed-layout: four 200-byte text blocks of comma-separated
// fields (the signature with two titles, the counts and settings, the
// dimension settings, the text area's extent), then binary arrays in
// little-endian order: the auxiliary points, the text-size table, the group
// scales, the group and layer flags, the lines, arcs, text records, the text
// area, the points, and the layer and group names. A JWK part is the
// signature, a count block with the numbers of lines and arcs and the part's
// reference point, and its lines and arcs.
//
// Coordinates are in file units of which the paper's width holds field 30 of
// the count block (at least 518): a cell gets file units times
// k = paper width / that × basic scale. Auxiliary points are taken as they
// are. A part is read at k = 1.
//
// The write layer: field 10 of the count block is read as a layer code (the
// group in its high four bits) and the group's own write-layer byte gives
// the layer; files whose group bytes hold 16 × group + layer (this
// program's and Jw_cad's) store the write group in field 10 and are read so.
//
// A damaged file (cut short, a text outside the text area) stops the read
// or loses that text: what was read stays and the report says why.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

// ---- Layout ---------------------------------------------------------------

constexpr std::size_t kJwcBlock = 200;       // one text block
constexpr int kJwcAuxSlots = 101;            // auxiliary point arrays
constexpr int kJwcAuxWritten = 100;          // auxiliary points the writer fills
constexpr std::size_t kJwcLineRecord = 22;
constexpr std::size_t kJwcArcRecord = 32;
constexpr std::size_t kJwcTextRecord = 24;
constexpr std::size_t kJwcPointRecord = 12;
constexpr std::size_t kJwcMaxTextArea = 65532;
constexpr int kJwcMaxTextOffset = 32767;     // offsets are read as signed 16-bit numbers
constexpr int kJwcUnitsPerPaper = 518;       // file units across the paper's width
constexpr double kJwcMaxCoord = 100'000'000;
// Jw_cad's signature; byte 22 "f" says that group scales are floats.
inline constexpr std::string_view kJwcSignature = "jw_cad(c)data.......a.f.m...............";
// Files larger than this are refused whole.
constexpr std::size_t kJwcMaxFileSize = std::size_t{1} << 30;

// The paper's width in millimetres for a paper code (A0..A4, the long
// series 8..14, 999 for any other).
double JwcPaperWidth(int code);

// ---- Reader -----------------------------------------------------------------

struct TJwcReadReport {
  long long cells = 0;    // cells added
  long long skipped = 0;  // records beyond the coordinate limit, not added
  bool damaged = false;   // the read stopped early or lost texts
  std::string reason;     // why (CP932), when damaged
};

// Reads a ".JWC" (or, by its extension, ".JWK") file (UTF-8 path) into the
// current window, every cell moved by (ox, oy) stored units. A JWC sets the
// window's settings from the file; a part leaves them. False, after a
// message, when the file cannot be read or is too short to be either; true
// otherwise, damaged or not (see the report).
bool JwcLoad(const std::filesystem::path& fileName, double ox, double oy, TJwcReadReport* report = nullptr);
// The same over a file's bytes; part chooses the JWK layout.
bool JwcLoadBytes(std::string_view bytes, bool part, double ox, double oy, TJwcReadReport* report = nullptr);
