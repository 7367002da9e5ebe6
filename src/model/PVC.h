// The drawing settings of a window (TPVC) and the three slots that hold them:
// slot 0 is the working copy of the current window, which every operation
// reads and writes; slots 1 and 2 keep windows 1 and 2 while the other
// window is current.
//
// A record holds the file name, sixteen groups of sixteen layers (names,
// scales, visibility, cell counts), the basic scale, the dimension, pen,
// text-size and print settings, the display switches, the views, the write
// layer and pen, and the modification counter.
//
// Scales are stored as the denominator of the ratio: 1:100 is 100, 2:1 is
// 0.5. Cell coordinates are paper millimetres times the basic scale B; a
// group at scales Sx, Sy shows a stored length d as d * Sx / B real
// millimetres.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/GContext.h"

struct TGcell;

constexpr int kGroupCount = 16;
constexpr int kLayerCount = 16;
constexpr int kTextSizeCount = 11;  // size 0 (each text its own size) and sizes 1..10
constexpr int kPenTableSize = 11;   // entries 1..10 used
constexpr int kPenPresetCount = 6;  // 0 mirrors the write pen, 1..5 are presets A..E
// GroupScaleX/Y and GroupFactors read this code as "the write layer code".
constexpr int kWriteLayerCode = 999;

struct TLayerEntry {
  bool visible = false;
  std::string name;        // CP932
  std::int32_t count = 0;  // live cells of this group and layer
};

struct TGroupEntry {
  std::string name;  // CP932; shown when the group is the write group
  double scaleX = 0, scaleY = 0;
  bool visible = false;
  // The layer that becomes the write layer when the group is chosen again.
  std::int32_t lastLayer = 0;
  std::int32_t count = 0;  // live cells of the group (sum of its layers, refreshed by the panels)
  std::array<TLayerEntry, kLayerCount> layers{};
};

// One pen of the pen table.
struct TPenEntry {
  std::int32_t colorIndex = 0;  // palette index 1..15
  std::int32_t printWidth = 0;  // tenths of a millimetre, 1..10
  bool printBlack = false;      // printed black on a colour printer
  std::int32_t plotterA = 0, plotterB = 0;  // carried unchanged through the CF_PLAYER record
  // Derived from the above by the pen module whenever pens change.
  std::uint32_t screenColor = 0;
  std::int32_t screenWidth = 0;
};

// One text size; lengths in paper millimetres.
struct TTextSize {
  double height = 0, width = 0, spacing = 0;
  std::int32_t pen = 0;           // pen number
  std::uint32_t screenColor = 0;  // derived by the pen module
};

// What the drawing area shows (the display switch buttons).
struct TDisplaySwitches {
  bool dimHidden = false;  // "表示": hidden groups and layers drawn dimmed
  bool points = false;     // "点"
  bool lines = false;      // "線"
  bool texts = false;      // "文字"
  bool fills = false;      // "塗面"
  bool pictures = false;   // "画像"
  bool auxiliary = false;  // "補助"
};

// Dimension units.
enum : std::int32_t { DIM_MM = 0, DIM_CM = 1, DIM_M = 2 };
// Offset entry modes.
enum : std::int32_t { OFFSET_OFF = 0, OFFSET_ONCE = 1, OFFSET_ALWAYS = 2 };
// Printer types.
enum : std::int32_t { PRINTER_MONO = 0, PRINTER_COLOR = 1, PRINTER_PLOTTER = 2 };
// Paper sizes A0..A4, or none.
enum : std::int32_t { PAPER_A0 = 0, PAPER_A1, PAPER_A2, PAPER_A3, PAPER_A4, PAPER_NONE };

struct TPVC {
  std::string fileName;  // the whole path of the drawing file; empty when untitled
  std::array<TGroupEntry, kGroupCount> groups{};
  // The pen word last used on each layer number, shared by all groups; used
  // when penPerLayer is on.
  std::array<std::uint16_t, kLayerCount> layerPens{};
  bool layerSync = false;  // "一括": every group follows the write group's layer choice
  std::array<std::int32_t, kPenPresetCount> penPresets{};
  double basicScale = 0;

  // Dimensions; lengths in paper millimetres.
  double dimArrowLength = 0;
  double dimArrowAngle = 0;  // degrees
  double dimExtGap = 0;      // between the measured point and the extension line
  double dimExtOvershoot = 0;
  double dimPitch = 0;  // spacing of dimension lines, 0 = free
  double dimTextGap = 0;
  double textOffset = 0;  // between a right-clicked point and a text placed there
  bool dimFullWidth = false;  // dimension texts in full-width characters
  bool dimThousands = false;
  bool dimStripZeros = false;
  std::int32_t dimUnit = DIM_MM;
  std::int32_t dimDecimals = 0;  // 0..3
  std::uint16_t dimPen = 0;
  std::uint16_t dimTextSize = 0;

  TDisplaySwitches show;

  // Offset entry.
  std::int32_t offsetMode = OFFSET_OFF;
  bool offsetLeft = false, offsetRight = false;  // set by the current operation
  double offsetDx = 0, offsetDy = 0;             // pending displacement, stored units

  // Live non-text and text cells, counted by the last full repaint.
  std::int32_t lineCount = 0, textCount = 0;

  std::array<TPenEntry, kPenTableSize> pens{};
  std::uint8_t playerFlag = 0;  // first field of CF_PLAYER, carried unchanged
  std::int32_t selectionColor = 0;  // palette index 1..15
  bool varyWidths = false;  // "表示の線幅も変える。"
  bool monochrome = false;  // "白黒表示とする。"

  std::array<TTextSize, kTextSizeCount> textSizes{};

  std::int32_t printerType = PRINTER_MONO;
  std::int32_t paperSize = PAPER_A0;
  std::int32_t paperOrientation = 0;  // 0 portrait, 1 landscape
  bool finePrint = false;

  TGContext prevView;  // the view before the last zoom or pan
  TGContext view;

  // 0 when the drawing equals its file; every change to the store adds 1.
  std::int32_t modified = 0;
  std::int32_t writeLayer = 0;  // layer code new cells go to
  std::int32_t writePen = 0;    // pen word new cells get
  std::int32_t textSize = 0;    // size number of new texts

  bool realGrid = false;         // the grid uses realGridSpacing instead of 5 paper mm
  double realGridSpacing = 0;    // stored units
  bool gridShown = false;        // "方眼"
  double gridDrawn = 0;          // spacing the last repaint drew, 0 when too dense
  double tuboArea = 0;           // square metres per tsubo, for area measurement
  bool rangeRemembered = false;  // "範囲記憶"
  std::array<double, 4> rememberedRange{};  // view window (x1, y1, x2, y2) that fit all shows
  bool penPerLayer = false;
  // A Jw_cad drawing's two titles (CP932, 31 bytes at most): kept to be written back.
  std::array<std::string, 2> jwcTitles;
};

struct PVCState {
  std::array<TPVC, 3> slots{};
};
extern PVCState g_pvc;
// Every slot holds the built-in defaults.
void PVC_Reset();

// The working copy of the current window.
inline TPVC& CurPVC() { return g_pvc.slots[0]; }

// The record the program holds before any drawing or start-up file is read
// (and each test starts from): drawings at 1:100.
TPVC DefaultPVC();
// The settings a drawing starts with when there is no start-up file: basic
// and group scales 1, text size 1, size n (0..10) n + 1 mm high and wide
// without spacing in pen min(n, 6), pen k (1..7) in colour k and k tenths of
// a millimetre wide but pen 7 in colour 14, selection colour 4; the rest as
// DefaultPVC.
TPVC BuiltInSettings();

// Every group and every layer visible.
void ShowAllGroupsAndLayers(TPVC& pvc);
// The write group and, within it, the write layer visible.
void ShowWriteLayer(TPVC& pvc);

// Brings a record into the form the rest of the program relies on; run on
// every record that is loaded. An empty write pen becomes 0x11 and preset 0
// mirrors it; empty presets A (with B, C) and D (with E) get their standard
// pens; codes and numbers used as indices are clamped into range (write
// layer code 0..255, last layers 0..15, text sizes 0..10, colour indices
// 1..15); the write group and, within it, the write layer are visible.
void NormalizePVC(TPVC& pvc);

// ---- Window slots ---------------------------------------------------------

// The working copy goes into window w's slot (w = 1 or 2).
void StoreWorkingSettings(int w);
// Window w's slot, normalised, becomes the working copy.
void LoadWorkingSettings(int w);
// The window switch: stores the working copy into window `from`'s slot and
// loads window `to`'s. Does nothing unless from and to are 1 and 2 in some
// order. The caller switches the store's current window with it.
bool SwapWorkingSettings(int from, int to);

// ---- Groups, layers and scales --------------------------------------------

inline int WriteGroup(const TPVC& pvc) { return (pvc.writeLayer >> 4) & 15; }
inline int WriteLayerNumber(const TPVC& pvc) { return pvc.writeLayer & 15; }

// Live-cell count of a layer code (group in the high four bits).
inline std::int32_t& LayerCount(TPVC& pvc, std::uint8_t layer) {
  return pvc.groups[layer >> 4].layers[layer & 15].count;
}

// The group of a layer code, or of the write layer code for kWriteLayerCode.
int GroupOfCode(const TPVC& pvc, int code);
// The X (Y) scale of that group.
double GroupScaleX(const TPVC& pvc, int code);
double GroupScaleY(const TPVC& pvc, int code);
// The same on the working copy.
inline double GroupScaleX(int code) { return GroupScaleX(CurPVC(), code); }
inline double GroupScaleY(int code) { return GroupScaleY(CurPVC(), code); }

// Real millimetres per stored unit in a group: Sx / B along x, Sy / B along
// y, each of Sx, Sy, B taken as at least 0.0001. A real length L is
// L / x stored units along x.
struct TScaleFactors {
  double x = 1, y = 1;
};
TScaleFactors GroupFactors(const TPVC& pvc, int code);
// A real length typed for the group of code, in stored units along x (y).
double RealToUnitsX(const TPVC& pvc, int code, double length);
double RealToUnitsY(const TPVC& pvc, int code, double length);

// ---- Scale texts ----------------------------------------------------------

// A scale as shown: " 1/ 100" for 100; "    2/1" for 0.5 and "  2.5/1" for
// 0.4 (ratios from 1:5 to 1:1 to the nearest half); "   10/1" below 0.2;
// empty for 0. The sign is ignored; halves round to even; the integer shown
// is at most 2147483647.
std::string ScaleText(double x);
// "S=1/100" when both scales are equal, else "X=1/100,Y=1/50".
std::string ScaleLabel(double sx, double sy);
// The scale the user typed, as it will be shown: the first comma-separated
// field is an expression ("1/100", "2/1", "100", full-width accepted); a "/"
// in it inverts the value. 0 for nothing usable.
double ParseScale(std::string_view text);

// ---- Text sizes -----------------------------------------------------------

// The main window's text-size box: its items and the selected one (-1 when
// the current size is out of range).
struct TMojiSizeList {
  std::vector<std::string> items;  // CP932
  int index = -1;
};
TMojiSizeList MakeMojiSizeList(const TPVC& pvc);

// ---- Counters -------------------------------------------------------------

// Every group and layer count, the line count and the text count := 0 (the
// start of a full repaint).
void ResetLayerCounts(TPVC& pvc);
// Counts a live cell: its layer, and the text or line count. Cells that are
// not live are not counted.
void CountCell(TPVC& pvc, const TGcell& cell);
