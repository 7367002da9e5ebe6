// The reader of Jw_cad's JWW drawings, an MFC object archive: little-endian
// numbers, length-prefixed strings (CP932, or UTF-16 in newer archives),
// and objects introduced by class and object tags that count classes and
// objects with one running index. Every version from 230 on is read: the
// header grows with the version (from 300, 351, 420), entities carry a pen
// width from 351, dimensions their extra lines and points from 420, and
// version 700 ends with a table of embedded pictures, which is skipped.
//
// The header gives the groups and layers (state, scale, write layer,
// names), the ten text sizes and the paper size. Lines, arcs and circles,
// points, texts, filled quadrilaterals and the circular fills (full circles
// and sectors), and the line and text of each dimension become cells on
// their own group and layer. Block references are expanded into cells,
// nested, with their scale and rotation, on the reference's layer; a
// reference to itself or nesting deeper than kJwwMaxBlockDepth is left out;
// an expansion beyond g_fLoadJww.maxExpanded cells and references stops the
// read.
//
// Coordinates in the file are paper millimetres about the paper's centre.
// The basic scale becomes group 0's scale k and a cell stores paper
// millimetres times k, so every group keeps its own scale for its real
// lengths. Texts are placed by their lower-left corner, as the file has
// them; a text whose own size is that of its size number takes the
// number, any other keeps its own size.
//
// A damaged file (cut short, a count or length beyond the bytes that
// remain, a bad tag, an unknown class) stops the read: what was read before
// stays and the report says why; nothing is shown for it here.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

constexpr int kJwwMaxBlockDepth = 32;
constexpr long long kJwwMaxExpanded = 4'000'000;
// Files larger than this are refused whole.
constexpr std::size_t kJwwMaxFileSize = std::size_t{1} << 30;

struct TJwwReadReport {
  std::uint32_t version = 0;
  long long cells = 0;        // cells added
  long long skipped = 0;      // coordinates beyond kVldMaxCoord, not added
  long long unsupported = 0;  // elements without a cell of ours (pictures, ring fills, missing blocks)
  bool damaged = false;       // the read stopped before the end of the drawing
  std::string reason;         // why (CP932), when damaged
};

// The pen word of a line-type style s and a colour c: c + 16 s for colours
// 1..6 and styles 1..8, else the auxiliary pen 0x57.
std::uint16_t JwwPenWord(int colour, int style);

// Reads the file (UTF-8 path) into the current window, every cell moved by
// (ox, oy) stored units. False, after a message box, when the file cannot
// be read, is not a JWW drawing ("ＪＷＷデータではありません.") or is older
// than version 230 ("旧のＪＷＷデータは読めません."); the window is then
// unchanged. True otherwise, damaged or not (see the report).
bool JwwLoad(const std::filesystem::path& fileName, double ox, double oy, TJwwReadReport* report = nullptr);
// The same over the bytes of a file.
bool JwwLoadBytes(std::string_view bytes, double ox, double oy, TJwwReadReport* report = nullptr);

struct FLoadJwwState {
  // Cells and references that block expansion may make in one read.
  long long maxExpanded = kJwwMaxExpanded;
};
extern FLoadJwwState g_fLoadJww;
void fLoad_JWW_Reset();
