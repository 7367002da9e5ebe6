// The group and layer panels of the main window: sixteen group buttons, two
// columns of sixteen layer buttons for the write group, the names and scale
// of the write group and layer, the display switches, the range-memory
// button and the pen presets.
//
// Everything the panels show is derived from the settings working copy
// (CurPVC()) by RefreshLayerPanels into the controls below; the Qt window
// only shows them and forwards presses to the handlers at the end. A press
// changes visibility, the write layer or the write pen in the working copy,
// refreshes the panels and, where visibility changed, redraws the view.
#pragma once

#include <cstdint>
#include <string>

#include "app/Ap_Unit1.h"

// Colours 0xRRGGBB.
constexpr std::uint32_t clPanelYellow = 0xFFFF00;      // the write group or layer; switches that are on
constexpr std::uint32_t clPanelGrey = 0x808080;        // switches that are off
constexpr std::uint32_t clGroupShown = 0x88BBFF;
constexpr std::uint32_t clGroupHidden = 0x800000;
constexpr std::uint32_t clLayerShown = 0xAADDDD;
constexpr std::uint32_t clLayerHidden = 0x008000;
constexpr std::uint32_t clDspDimOn = 0x662266;         // "表示" on
constexpr std::uint32_t clDspOn = 0x00FFAA;            // a class of cells shown
constexpr std::uint32_t clDspOffDimmed = 0xAA88AA;     // not shown, but drawn dimmed
constexpr std::uint32_t clDspGridOn = 0xAAFFAA;        // "方眼" on
constexpr std::uint32_t clFixZoomOff = 0xC0C0C0;       // caption of "範囲記憶" while no range is kept
constexpr std::uint32_t clFixZoomFace = 0x404040;      // dark, so that both captions read

// A panel button: a control whose caption may be bold, underlined and in
// its own colour.
struct TPanelButton : TControl {
  bool bold = false;
  bool underline = false;
  std::uint32_t fontColor = 0x000000;
};

// The display switch buttons, in the order the window shows them.
enum TDspSwitch : int {
  Dsp_Mode,     // "表示": hidden cells drawn dimmed
  Dsp_Point,    // "点"
  Dsp_Line,     // "線"
  Dsp_Moji,     // "文字"
  Dsp_Polygon,  // "塗面"
  Dsp_Picture,  // "画像"
  Dsp_Assist,   // "補助"
  Dsp_Grid,     // "方眼"
  Dsp_Count
};

struct GrpLayState {
  TPanelButton PnlGrp[16];  // "0".."F"
  TPanelButton PnlLay[16];  // the layers of the write group
  TControl PnlGrpAll, PnlLayAll;  // "ALL"
  TControl lbGroup;               // "グループ"
  TControl PnlLayLbl;             // "ﾚｲﾔｰ"
  TControl BtnLayerSyncChange;    // "一括"
  TControl PnlGrpNam, lbScale, PnlLayNam;
  TControl Dsp[Dsp_Count];
  TPanelButton FixZoom; // "範囲記憶"
  TControl ImagePen;    // the write pen's preview
  TControl ImPenHst[5]; // presets A..E
  std::string penHistMenu[5];  // the write pen preview's pop-up menu, "[ A ] に登録".."[ E ] に登録"
};
extern GrpLayState g_grpLay;
// Captions and hints set, the controls derived from the working copy.
void ApGrpLay_Reset();

// ---- The panels ----------------------------------------------------------

// Applies layer synchronisation ("一括": every group takes the write
// layer as its last layer and the write group's layer visibilities),
// recomputes the group counts and derives every control above from the
// working copy.
void RefreshLayerPanels();
// Every group and layer visible, then RefreshLayerPanels.
void ShowAllGroupsLayers();

// ---- Presses ---------------------------------------------------------------
// button: ssLeft, ssRight or ssMiddle; shift: the shift-state bits.

// Group k: the left button shows or hides it (never the write group);
// another button makes it the write group with its last layer, hiding the
// old write group when that was the only one shown. Another button on the
// write group opens the group view.
void GroupPanelPress(int k, unsigned button);
// The same for layer j of the write group; the layer view opens for another
// button on the write layer.
void LayerPanelPress(int j, unsigned button);
// "ALL": every group but the write group shown when group g + 1 is hidden,
// hidden when it is shown (layers: the write group's, against layer l + 1).
void ToggleOtherGroups();
void ToggleOtherLayers();
// Shows the write group alone; when it already is, its neighbour (the left
// button steps down, others up, Shift exchanges them) becomes the write
// group and is shown alone. The same for the write group's layers.
void StepWriteGroup(unsigned button, unsigned shift);
void StepWriteLayer(unsigned button, unsigned shift);
// "一括" on or off.
void ToggleLayerSync();

// ---- Window handlers (the Qt window forwards its events here) -------------

void BtnGroupMouseDown(int k, unsigned button, unsigned shift);
void BtnLayerMouseDown(int j, unsigned button, unsigned shift);
void GroupAllClick();  // left click on the groups' "ALL"
void LayerAllClick();
void PnlGrpAllMouseDown(unsigned button, unsigned shift);  // only the right button acts
void PnlLayAllMouseDown(unsigned button, unsigned shift);
void LbGroupMouseDown(unsigned button, unsigned shift);
void PnlLayLblMouseDown(unsigned button, unsigned shift);
void BtnLayerSyncChangeMouseDown();
// The write group's name or scale, the write layer's name: the settings
// dialog on the page for it; after OK the view is redrawn.
void PnlGrpNamClick();
void LbScaleClick();
void PnlLayNamClick();
// A display switch is turned over and the view redrawn as far as needed.
void DspMaskClick(TDspSwitch which);
// "範囲記憶": the right button forgets the range and fits the whole drawing;
// the others remember the view's window as the range.
void FixZoomMouseDown(unsigned button);
// Preset n (1..5 for A..E) becomes the write pen.
void ImPenHstClick(int n);
// The write pen is registered as preset n (1..5).
void PenHistClick(int n);
