// Printing: the displayed area fitted to the page (a command), and the
// scaled printing operation (100 %, 72 %, 50 %, real size): a frame the
// size of the printable page at the chosen reduction is placed on the
// drawing and its content printed, or drawn into the drawing as lines.
// The printer is the platform's (IPlatform::PrintDialog, Printer).
#pragma once

#include <filesystem>

#include "model/GContext.h"
#include "ops/OpKit.h"

struct PrintOpState {
  int mode = 100;         // 100, 72, 50 or 11 (real size)
  bool enlargeTexts = false;
  int state = 0;          // 0 idle, 1 placing, 2 drawing frames, 3 confirming, 99 printing
  double pixelsPerMm = 0;
  double W = 0, H = 0;    // printable page, mm
  double PW = 0, PH = 0;  // paper, mm
  double MX = 0, MY = 0;  // margins, mm
  double k = 1;           // drawing units per printed millimetre
  TPointD corner;         // the frame's lower left, drawing units
  bool printAux = false;  // "補助線印刷": auxiliary cells printed too
  TFeedback frame;
};
extern PrintOpState g_print;
void Op_Print2_Reset();

void Op_Print2(TGContext& view, int code, double x, double y);

// The menu's "表示領域 印刷": the visible part of the view fitted to the page.
void PrintDisplayedArea();
// Fills and pictures first, then everything else shown; auxiliary cells
// only with printAux. True when a fill or picture was drawn.
bool PrintCells(TGContext& g);
// The print factor of a mode: 1, 1/sqrt 2, 1/2, or the write group's scale.
double PrintFactor(int mode);
// velmo --print-pdf: reads the drawing and prints it on the platform's
// printer without asking: mode 0 the whole drawing fitted to the page, else
// at that print mode (100, 72, 50, 11) from the drawing's lower left corner.
// The exit status: 0 on success.
int PrintDrawingFile(const std::filesystem::path& in, int mode);
// The page sizes of the chosen printer (false when there is none), and k
// with the frame sizes from them.
bool PrintPageSetup();
