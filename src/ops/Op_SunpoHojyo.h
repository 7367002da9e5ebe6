// Two helpers of the dimension family. The arrow operation ("矢印の付加",
// key Y) puts an arrowhead on a line, arc or circle at the end of the piece
// between the crossings nearest the click, with the typed size and angle for
// that click only. The length-to-text operation ("線長を文字にセット")
// measures a line piece or the distance of two points and writes the value
// into a text, which may be centred on the piece.
#pragma once

#include <vector>

#include "model/GC_DB.h"
#include "ops/OpKit.h"

enum class LengthState { Idle = 0, Line = 1, LinePicked = 2, SecondPoint = 3, Picked = 4 };

struct SunpoHojyoRun {
  LengthState state = LengthState::Idle;
  TPointD start, end;  // the measured piece
  std::uint8_t layer = 0;  // its group's scales measure
  TFeedback piece;
};
struct SunpoHojyoOpState {
  SunpoHojyoRun run;
};
extern SunpoHojyoOpState g_sunpoHojyoOp;
void Op_SunpoHojyo_Reset();

void Op_ArrowSet(TGContext& view, int code, double x, double y);
void Op_LtoMoji(TGContext& view, int code, double x, double y);

// The piece of the line a–b around m between the crossings with the store's
// lines, arcs and circles nearest to m on either side.
void ClipToCrossings(TPointD& a, TPointD& b, TPointD m);
// The arrowhead's pieces for the cell c clicked at m (the dimension
// settings' size and angle); empty when it has no end to put one on.
std::vector<TGcell> ArrowheadFor(const TGcell& c, TPointD m);
