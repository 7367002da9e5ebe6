// The rectangle operation ("矩形(BOX)", key B): rectangles by two corners,
// at a typed size placed by one click at one of nine base points, or as a
// band of typed width along a segment, turned by a typed angle plus the
// direction of an angle base line; as four lines or one filled
// quadrilateral in a chosen colour. It also draws a triangle from typed
// side lengths on a clicked base and places a picture file as a picture
// cell. Sizes are real millimetres of the write group.
#pragma once

#include <string>
#include <vector>

#include "kernel/Platform.h"
#include "model/GC_DB.h"
#include "ops/OpKit.h"

enum class BoxState {
  Idle = 0,
  Start = 1,
  End = 2,
  Place = 3,
  BaseLine = 31,
  BaseEnd = 32,
  TriLeft = 61,
  TriRight = 62,
  PicWait1 = 71,
  PicWait2 = 72,
  PicWait3 = 73,
  PicPlace = 74,
};

// What lasts for the program's life.
struct BoxOptions {
  int basePointIndex = 0;     // 0..8: where the pointer lies on a rectangle of fixed size
  std::string pictureFolder;  // UTF-8: the folder of the last picture chosen
};

// One run of the operation.
struct BoxRun {
  BoxState state = BoxState::Idle;
  BoxState returnState = BoxState::Start;  // after the angle base line
  TPointD start, end;  // first corner or the triangle base's ends
  TPointD mouse;       // the last pointer point
  bool hasBase = false;
  TPointD baseFrom, baseTo;  // the angle base line
  std::string fill = "①.塗り潰し", size = "②サイズ", angle = "③角度";  // ①..③ as shown
  TFeedback preview, base, picture;
  std::string pictureFile;     // CP932
  int pictureW = 0, pictureH = 0;  // pixels
};

struct BoxOpState {
  BoxOptions options;
  BoxRun run;
};
extern BoxOpState g_boxOp;
void Op_Box_Reset();

void Op_Box(TGContext& view, int code, double x, double y);

// A picture's size in drawing units: the width given (real millimetres of
// the write group) and the height of its aspect; 0 gives 80 paper
// millimetres on the longer side.
TPointD PictureCellSize(double width, int pixelsW, int pixelsH);

// The picture dialog in the folder of the last picture chosen (which it
// remembers): the chosen file's name (CP932) and its image. A file that
// cannot be read, or whose path CP932 cannot hold, is said in a message.
enum class TPictureChoice { Chosen, Cancelled, Unreadable };
TPictureChoice ChoosePictureFile(const std::string& title, const std::string& filter, std::string& sjis,
                                 TRasterImage& image);

// The sides of the rectangle at the pointer point m as the operation's
// captions and state give them (pure: for the preview and the commit).
std::vector<TGcell> ComputeBox(TPointD m);
// The sides of the triangle on the base start → end.
std::vector<TGcell> ComputeTriangle();
