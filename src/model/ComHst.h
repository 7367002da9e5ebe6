// The typed-entry histories: for each kind of value typed into the entry box,
// the last twenty texts, most recent first. 100 lists, numbered 0 to 99,
// held for the whole run.
#pragma once

#include <array>
#include <string>

struct THistrylist {
  int browse = 0;  // entry last copied into the entry box by Up or Down; 0 = none
  // entries[1] is the most recent; 1..20 are used, the first empty one ends
  // the list; entries[0] and entries[21] stay empty.
  std::array<std::string, 22> entries;
};

constexpr int kHistoryLists = 100;
constexpr int kHistoryDepth = 20;
constexpr int kAngleHistory = 11;  // every angle the user types
constexpr int kTextHistory = 50;   // the texts of text input

// Which list each kind of typed value uses (list k is block k + 1 of
// "Operation.hst"; lists not named here are kept and saved all the same).
namespace HstList {
constexpr int BmpSize = 0;          // image export: "BMP ｻｲｽﾞ.ﾄﾞｯﾄ (X,Y)"
constexpr int BmpWidth = 1;         // image export: "BMP 保存幅(mm)"
constexpr int Offset = 4;           // offset entry: "オフセット(X,Y)"
constexpr int BlockScale = 5;       // block copy: "拡大率(X,Y)"
constexpr int BlockRelative = 6;    // block copy: "相対位置(X,Y mm)"
constexpr int LineLength = 10;      // line: "線の長さ(mm)"
constexpr int Angle = kAngleHistory;  // every angle: line, rectangle, text, rotation, ellipse tilt
constexpr int LineRelEnd = 12;      // line: "終点相対位置(X,Y)"
constexpr int LineRadius = 13;      // line: "中心線の半径(mm)"
constexpr int BoxSize = 15;         // rectangle, picture and its placement: sizes, widths
constexpr int BoxRelEnd = 16;       // rectangle: "終点相対位置(X,Y)"
constexpr int Triangle = 17;        // triangle: "辺長(左,底辺,右)、底辺は省略可"
constexpr int Spacing = 20;         // every spacing of two lines: double and parallel lines
constexpr int ParallelAngle = 21;   // parallel lines: "角度、[(+)で弧長,(-)弦長(mm)]"
constexpr int ParallelCount = 22;   // parallel lines: "　本　数"
constexpr int Corner = 25;          // join, chamfer and fillet sizes
constexpr int StretchOffset = 30;   // stretch: "オフセット(mm)"
constexpr int StretchLength = 31;   // stretch: "長さ(mm)"
constexpr int CircleDivisions = 35; // circle: "90ﾟの分割点数"
constexpr int CircleDiameter = 36;  // circle: "円の直径(mm)"
constexpr int CircleRadius = 37;    // circle: "円の半径(mm)"
constexpr int EllipseFlatness = 38; // ellipse: "楕円の扁平率(%)"
constexpr int SineCycles = 40;      // sine curve: "作成サイクル数"
constexpr int HatchSpacing = 45;    // hatching: "用紙上での間隔[ﾐﾘ]"
constexpr int Text = 50;            // the texts typed into text input's text box
constexpr int DimSpacing = 55;      // dimensions: "用紙上での間隔[ﾐﾘ]"
constexpr int DimUnit = 56;         // dimensions: "単位長さ(mm)"
constexpr int ArrowSize = 60;       // arrows: "矢印のサイズ[ﾐﾘ]"
constexpr int ArrowAngle = 61;      // arrows: "矢印の角度(ﾟ)"
constexpr int JwcExt = 65;          // external transform batches: their options
}  // namespace HstList

struct ComHstState {
  std::array<THistrylist, kHistoryLists> lists;
};
extern ComHstState g_comHst;
void ComHst_Reset();

// List n (0..99), or nullptr outside that range.
THistrylist* HistoryList(int n);
// Number of entries before the first empty one (0..20).
int HistoryCount(const THistrylist& h);
// Puts text first, removing an equal entry and dropping the oldest when full.
// text is used as given (the caller strips blanks); an empty text is ignored.
void HistoryPush(THistrylist& h, const std::string& text);
