// The state of the dialogs the operations show (their fields, check boxes
// and result labels by the names of their controls), and those controls
// as scripts and tests reach them by name. The window's dialogs only show
// and edit this state.
#pragma once

#include <functional>
#include <string>
#include <vector>

// A control of a dialog: a field or label, a check box, or a button.
struct TDialogControl {
  std::string name;
  std::string* text = nullptr;
  bool* check = nullptr;
  std::function<void()> press;
  bool closes = false;  // pressing it closes the dialog with OK
  // With closes: whether it may close now (false keeps the dialog open).
  std::function<bool()> accept;
};
// The control of that name, null when there is none.
TDialogControl* FindDialogControl(std::vector<TDialogControl>& controls, const std::string& name);

// The box counter's dialog "矩形集計" (CP932 texts).
struct TBoxCounterForm {
  std::string Edit1w, Edit1h, Edit2w, Edit2h;  // the two sizes, (mm)
  std::string lbCnt1, lbCnt2;                  // "%5d 個" after a count
  // Its controls; the buttons BitBtn1 "集　計" and BitBtn2 "集計＆色塗" call
  // count(false) and count(true) and keep it open.
  std::vector<TDialogControl> Controls(const std::function<void(bool colour)>& count = {});
};

// The attribute change's dialog "ペン変更": which cells of a range qualify
// and which of their attributes become the current ones. Its check boxes
// keep their state between uses.
struct TPenChangeForm {
  bool PenNoCheck[7] = {true, true, true, true, true, true, true};         // pen numbers 1..7
  bool StyleCheck[8] = {true, true, true, true, true, true, true, true};   // line types 1..8
  bool MojiCheck[10] = {};                                                 // text sizes 1..10
  std::string MojiCaption[10];  // the text sizes as the size box lists them
  bool cbPenNo = true, cbStyle = false, cbLayer = false, cbMoji = false, cbGroup = false;
  // "ALL" of a row (0 pens, 1 line types, 2 texts): every box takes the
  // opposite of the row's first box.
  void All(int row);
  // Its controls; BitBtn1 "確定(&C)" closes it with OK.
  std::vector<TDialogControl> Controls();
};

// The number table's dialog "連続直線の作成": 30 rows of X and Y (texts as
// typed, metres or millimetres), whether each is relative, and the unit.
struct TNumLinesForm {
  static constexpr int kRows = 30;
  std::string X[kRows], Y[kRows];
  bool CheckBoxX = false, CheckBoxY = false;  // "Ｘは相対座標", "Ｙは相対座標"
  std::string rgUnit = "ｍ";                   // "ｍ" or "mm"
  int count = 0;                               // rows kept by the last Tidy

  // Millimetres per unit of the table.
  double UnitFactor() const;
  // Row r's values in millimetres (empty cells 0).
  double XMm(int r) const;
  double YMm(int r) const;
  // "表の整理": the rows with a value move up in their order, the rest are
  // emptied; count := the rows kept; every cell written in the number format.
  void Tidy();
  void Clear();                  // "ク リ ア"
  void Swap();                   // "ＸＹ入替"
  void Invert(bool x);           // "Ｘ 反転", "Ｙ 反転"
  void FormatCell(int row, bool x);  // a cell left after editing
  void MoveRow(int from, int to);    // a row dragged to another place
  // "ＯＫ": Tidy; with fewer than two points a message and false.
  bool Ok();
  // Its controls: cells StrGrdX1..30 and StrGrdY1..30, the boxes, rgUnit,
  // the buttons; btnOK closes it when Ok() agrees.
  std::vector<TDialogControl> Controls();
};

// The drawing frame's dialog "作図枠の作成": the scale typed, the paper
// (0 Ａ０ .. 4 Ａ４) and the orientation (0 portrait, 1 landscape).
struct TDrawFrameForm {
  std::string edScale;
  std::string rgPaperSize = "3";
  std::string rgOrientation = "1";
  // Its controls; OK closes it when accept (the frame's check) agrees.
  std::vector<TDialogControl> Controls(const std::function<bool()>& ok = {});
};

// The window size's dialog "画面サイズ指定": the drawing area in pixels and
// the view's width in drawing units (texts as shown), and whether BitBtn3
// (the tools mode's whole-window OK) was the one pressed.
struct TSizeForm {
  std::string edWidth, edHeight, edWidSize;
  bool toolsMode = false;    // BitBtn3 shown
  bool wholeWindow = false;  // closed by BitBtn3
  // A preset "W × H".
  void Preset(int w, int h);
  // Its controls: the presets btn640x400, btn640x480, btn800x600, btn480x640,
  // BitBtn1 (OK) and BitBtn3.
  std::vector<TDialogControl> Controls();
};

// The settings dialog "環境設定": its fields as texts (CP932) and boxes, by
// the names of its controls. Grid cells are named "StringGrid1[r,c]"
// (groups: row 1..16, columns 1 name, 2 X scale, 3 Y scale),
// "StringGrid2[g,l]" (layer names, group and layer 1..16) and
// "StrGrd1[r,c]" (text sizes 1..10: height, width, spacing, pen).
struct TOptionForm {
  std::string groupName[16], scaleX[16], scaleY[16];
  std::string edScale;
  std::string layerName[16][16];
  std::string trackBar[6];
  bool blackP[6] = {};
  bool cbWhiteColor = false, cbPenWidth = false;
  std::string mojiSize[10][4];
  std::string edMM_Offset;
  std::string EdArrowSize, EdArrowKakudo, EdHL_Offset1, EdHL_Offset2, EdSunpoPitch, edSM_Offset;
  bool cbKanjiSunpo = false, cbKanmaSunpo = false, cbZerosSunpo = false;
  std::string rgSunpoU, rgSunpoK;  // indexes as text
  bool cbRealGrid = false;
  std::string edRealGridSize, EdTuboSize;
  std::string rgPaperSize, rgOrientation, rbPrinterType;
  bool cbQuality = false, cbLayPen = false;
  // The buttons and the layer cells' clicks, bound by the dialog's owner.
  std::function<void(const std::string& button)> press;
  std::function<bool()> ok;
  std::vector<TDialogControl> Controls();
};
