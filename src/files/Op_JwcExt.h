// External transform batches ("JW_CAD外部変形"): a ".BAT" written for Jw_cad
// whose "REM #" lines ask for a menu choice, a range of cells, points and
// options; the chosen cells go to "JWC_TEMP.TXT" in the batch's folder, the
// batch runs through the command processor named in VELMO.INI, and the file
// it leaves is read back (cells added or deleted, settings changed).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/GC_DB.h"
#include "ops/OpKit.h"
#include "ops/OpRange.h"

struct TJwcOption {
  bool defined = false;
  std::string label, suffix, value;  // CP932
};
struct TJwcSet {
  bool h[5] = {};
  std::string comment1, comment2;
  bool promptDefined[10] = {};
  std::string prompt[10];
  TJwcOption options[10];
  int optionCount = 0;
  bool confirm = false;
  std::string extra;
};
struct TJwcBatch {
  std::string fileName;  // UTF-8 path
  std::string title, menuTitle, menuItems;
  bool menuItem[10] = {};
  bool hasMenu = false;
  TJwcSet sets[10];
  std::string programFile;
  bool jw = false;
};

// The batch's directives read from its text (CP932); true when it is an
// external transform batch ("#jw" or "#pf").
bool ParseBatchText(std::string_view text, TJwcBatch& batch);

struct JwcExtRun {
  int state = 0;
  int set = 0;
  TRangeScreen screen;
  bool leftPressed = false;  // a left press in the drawing area since the range step began
  TPointD points[10];
  bool pointSet[10] = {};
  TFeedback pointsShown;
};
struct JwcExtOpState {
  TJwcBatch batch;
  JwcExtRun run;
};
extern JwcExtOpState g_jwcExtOp;
void Op_JwcExt_Reset();

void Op_JwcExt(TGContext& view, int code, double x, double y);

// The command: the batch's name, the set number when it has a menu, each
// option's suffix and value.
std::string BuildCommandLine();
// "JWC_TEMP.TXT" as written for the batch: the header and the chosen cells
// relative to base.
std::string JwcTempText(TPointD base);
// The file the batch left: its control line ("hq", "he…", "h/…") or, when
// there is none, its lines applied (cells added at base, chosen cells
// deleted on "hd"); the control line is returned, empty when applied.
std::string ApplyJwcResult(TGContext* view, std::string_view text, TPointD base);
// Jw_cad's number form: seven significant digits, "E", a sign and three digits.
std::string JwcNumber(double v);
