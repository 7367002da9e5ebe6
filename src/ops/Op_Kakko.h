// Brackets ("括弧 [{(-)}] の作図 "): a parenthesis, curly brace,
// tortoise-shell or square bracket inside the box of two clicks, standing or
// lying and opening to the side the drag gives.
#pragma once

#include <vector>

#include "model/GC_DB.h"
#include "ops/OpKit.h"

struct KakkoOptions {
  int kind = 1;  // 1 （　）, 2 ｛　｝, 3 〔　〕, 4 ［　］: kept for the program's life
};
struct KakkoRun {
  int state = 0;  // 0 idle, 1 the start point, 2 the end point
  TPointD s, e;
  TFeedback preview;
};
struct KakkoOpState {
  KakkoOptions options;
  KakkoRun run;
};
extern KakkoOpState g_kakkoOp;
void Op_Kakko_Reset();

void Op_Kakko(TGContext& view, int code, double x, double y);

// The cells of a bracket of the kind from s to e (pixel size p: nothing
// below it), with the template's layer and pen.
std::vector<TGcell> BuildBracket(int kind, TPointD s, TPointD e, double p, const TGcell& pattern);
