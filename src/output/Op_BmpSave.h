// Pictures of the drawing: the image export operation ("画像ﾌｧｲﾙに保存")
// places a frame of the typed image size's shape and the typed width on the
// drawing; a click renders its content black on white into a bitmap, puts
// it on the clipboard and saves it as GIF, JPEG or BMP. The BMP copy
// commands put the view as it is shown (once or twice its size) on the
// clipboard.
#pragma once

#include <string>

#include "model/GContext.h"
#include "ops/OpKit.h"

// Margins of the export around the frame.
enum class TExportMargin { Standard, Wide, Narrow };

struct BmpSaveState {
  bool active = false;
  double W = 640, H = 480;  // image, pixels
  double S = 2000;          // width of the area, drawing units
  TPointD corner;           // the area's lower left
  std::string previous1, previous2;  // the last values typed for ① and ②, with their "="
  std::string fileName;     // UTF-8; the last file saved (its folder at first)
  TExportMargin margin = TExportMargin::Wide;
  TFeedback frame;
};
extern BmpSaveState g_bmpSave;
void Op_BmpSave_Reset();

void Op_BmpSave(TGContext& view, int code, double x, double y);

// The image of the area with its lower left at corner: W × H pixels, black
// on white, cells in the print order; areasDrawn tells whether a fill or
// picture is in it. False after "画像保存エラー" when the bitmap cannot be had.
bool RenderExport(TPointD corner, TRasterImage& image, bool* areasDrawn = nullptr);

// The largest side of an exported or copied bitmap, in pixels.
constexpr int kBmpMaxSide = 16384;

// "ＢＭＰ　コピー" and "BMP コピー(倍)": the view on the clipboard, at its
// size or (the second, after asking) twice that; 1 bit a pixel while Ctrl
// is held.
void BmpCopy(bool doubled);
