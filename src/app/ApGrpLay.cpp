#include "app/ApGrpLay.h"

#include <array>

#include "app/ApManager.h"
#include "app/ApMouse.h"
#include "app/Ap_Offset.h"
#include "app/GC_View.h"
#include "kernel/Wiring.h"
#include "model/PVC.h"
#include "render/ApPenSet.h"

GrpLayState g_grpLay;

namespace {

constexpr const char* kHexDigits = "0123456789ABCDEF";
constexpr const char* kPressHint = "Ｌで表示/非表示の切替、Ｒで書込指定";

// Every group's and layer's visibility, to tell whether a press changed any.
struct TVisibility {
  std::array<bool, kGroupCount> groups{};
  std::array<std::array<bool, kLayerCount>, kGroupCount> layers{};
  bool operator==(const TVisibility&) const = default;
};

TVisibility Visibility(const TPVC& pvc) {
  TVisibility v;
  for (int k = 0; k < kGroupCount; ++k) {
    v.groups[k] = pvc.groups[k].visible;
    for (int j = 0; j < kLayerCount; ++j) v.layers[k][j] = pvc.groups[k].layers[j].visible;
  }
  return v;
}

void SetControl(TControl& c, const char* caption, const char* hint = "") {
  c.caption = caption;
  c.hint = hint;
}

// The write group keeps the layer and the layer number keeps the pen being
// left, so both come back when they are chosen again.
void Preamble(TPVC& pvc) {
  const int l = WriteLayerNumber(pvc);
  pvc.groups[WriteGroup(pvc)].lastLayer = l;
  pvc.layerPens[l] = static_cast<std::uint16_t>(pvc.writePen);
}

// The write layer code becomes code; with pen per layer the layer's pen
// becomes the write pen. The new write layer is shown, so new cells never
// go where they cannot be seen (a drawing may remember a hidden layer as
// a group's last one).
void SetWriteLayer(TPVC& pvc, int code) {
  pvc.writeLayer = code & 0xFF;
  ShowWriteLayer(pvc);
  if (pvc.penPerLayer) {
    pvc.writePen = pvc.layerPens[WriteLayerNumber(pvc)];
    PenPreviewsDraw({});  // an empty pen becomes 0x11; preset 0 mirrors it
  }
}

// Cells of hidden groups are drawn dimmed over what is there, or the view
// is drawn afresh without them.
void RedrawAfterVisibilityChange() { ViewRedraw(CurPVC().show.dimHidden ? 0 : 1); }

int VisibleGroups(const TPVC& pvc) {
  int n = 0;
  for (const TGroupEntry& g : pvc.groups) n += g.visible;
  return n;
}

int VisibleLayers(const TGroupEntry& g) {
  int n = 0;
  for (const TLayerEntry& l : g.layers) n += l.visible;
  return n;
}

// One step from n: down for the left button, up for the others; Shift
// exchanges them.
int Step(int n, unsigned button, unsigned shift) {
  const bool down = (button == ssLeft) != ((shift & ssShift) != 0);
  return (n + (down ? 15 : 1)) & 15;
}

void OpenSettings(const char* page) {
  if (g_wiring.openSettings && g_wiring.openSettings(page)) ViewRedraw(1);
}

}  // namespace

void ApGrpLay_Reset() {
  g_grpLay = GrpLayState{};
  GrpLayState& s = g_grpLay;
  for (int i = 0; i < 16; ++i) {
    const std::string digit(1, kHexDigits[i]);
    s.PnlGrp[i].caption = digit;
    s.PnlGrp[i].hint = kPressHint;
    s.PnlLay[i].caption = digit;
    s.PnlLay[i].hint = kPressHint;
  }
  SetControl(s.PnlGrpAll, "ALL");
  SetControl(s.PnlLayAll, "ALL");
  SetControl(s.lbGroup, "グループ", "L or R で書き込みｸﾞﾙｰﾌﾟを切り替えます");
  SetControl(s.PnlLayLbl, "ﾚｲﾔｰ", "L or R で書き込みﾚｲﾔｰを切り替えます");
  SetControl(s.BtnLayerSyncChange, "一括", "全ｸﾞﾙｰﾌﾟ一括でﾚｲﾔｰ指定となります.");
  SetControl(s.PnlGrpNam, "", "書き込みｸﾞﾙｰﾌﾟの名称");
  SetControl(s.lbScale, "", "書き込みｸﾞﾙｰﾌﾟの縮尺");
  SetControl(s.PnlLayNam, "", "書き込みﾚｲﾔｰの名称");
  SetControl(s.Dsp[Dsp_Mode], "表示", "非表示データの暗色表示");
  SetControl(s.Dsp[Dsp_Point], "点", "点の表示ON/OFF");
  SetControl(s.Dsp[Dsp_Line], "線", "線の表示ON/OFF");
  SetControl(s.Dsp[Dsp_Moji], "文字", "文字の表示ON/OFF");
  SetControl(s.Dsp[Dsp_Polygon], "塗面", "塗潰面の表示ON/OFF");
  SetControl(s.Dsp[Dsp_Picture], "画像", "画像の表示ON/OFF");
  SetControl(s.Dsp[Dsp_Assist], "補助", "補助線の表示ON/OFF");
  SetControl(s.Dsp[Dsp_Grid], "方眼", "方眼線の表示ON/OFF");
  s.FixZoom.caption = "範囲記憶";
  s.FixZoom.hint = "全体表示範囲をマウス左で記憶、右で解除";
  s.FixZoom.color = clFixZoomFace;
  SetControl(s.ImagePen, "", "書込ペン変更,右クリックで登録");
  static constexpr const char* kMenu[5] = {"[ A ] に登録", "[ B ] に登録", "[ C ] に登録", "[ D ] に登録",
                                           "[ E ] に登録"};
  for (int i = 0; i < 5; ++i) {
    SetControl(s.ImPenHst[i], "", "クイックペン変更");
    s.penHistMenu[i] = kMenu[i];
  }
  RefreshLayerPanels();
}

void RefreshLayerPanels() {
  GrpLayState& s = g_grpLay;
  TPVC& pvc = CurPVC();
  const int g = WriteGroup(pvc), l = WriteLayerNumber(pvc);
  TGroupEntry& wg = pvc.groups[g];

  if (pvc.layerSync) {
    for (TGroupEntry& e : pvc.groups) {
      e.lastLayer = l;
      for (int j = 0; j < kLayerCount; ++j) e.layers[j].visible = wg.layers[j].visible;
    }
  }
  s.BtnLayerSyncChange.color = pvc.layerSync ? clPanelYellow : clPanelGrey;

  for (int k = 0; k < kGroupCount; ++k) {
    TGroupEntry& e = pvc.groups[k];
    std::int32_t count = 0;
    for (const TLayerEntry& layer : e.layers) count += layer.count;
    e.count = count;
    TPanelButton& b = s.PnlGrp[k];
    b.color = k == g ? clPanelYellow : e.visible ? clGroupShown : clGroupHidden;
    b.bold = true;
    b.underline = count != 0;
  }
  for (int j = 0; j < kLayerCount; ++j) {
    const TLayerEntry& e = wg.layers[j];
    TPanelButton& b = s.PnlLay[j];
    b.color = j == l ? clPanelYellow : e.visible ? clLayerShown : clLayerHidden;
    b.bold = true;
    b.underline = e.count != 0;
  }

  s.PnlGrpNam.caption = wg.name;
  s.lbScale.caption = ScaleLabel(wg.scaleX, wg.scaleY);
  s.PnlLayNam.caption = wg.layers[l].name;

  const TDisplaySwitches& d = pvc.show;
  const std::uint32_t hiddenClass = d.dimHidden ? clDspOffDimmed : clPanelGrey;
  s.Dsp[Dsp_Mode].color = d.dimHidden ? clDspDimOn : clPanelGrey;
  s.Dsp[Dsp_Line].color = d.lines ? clDspOn : hiddenClass;
  s.Dsp[Dsp_Moji].color = d.texts ? clDspOn : hiddenClass;
  s.Dsp[Dsp_Polygon].color = d.fills ? clDspOn : hiddenClass;
  s.Dsp[Dsp_Picture].color = d.pictures ? clDspOn : hiddenClass;
  s.Dsp[Dsp_Point].color = d.points ? clDspOn : clPanelGrey;
  s.Dsp[Dsp_Assist].color = d.auxiliary ? clDspOn : clPanelGrey;
  s.Dsp[Dsp_Grid].color = pvc.gridShown ? clDspGridOn : clPanelGrey;

  OffsetModeShow();  // the offset mode panel (g_form1.OffsetMode)

  s.FixZoom.fontColor = pvc.rangeRemembered ? clPanelYellow : clFixZoomOff;
  Form1Changed();
}

void ShowAllGroupsLayers() {
  ShowAllGroupsAndLayers(CurPVC());
  RefreshLayerPanels();
}

// ---- Presses

void GroupPanelPress(int k, unsigned button) {
  if (k < 0 || k >= kGroupCount) return;
  TPVC& pvc = CurPVC();
  Preamble(pvc);
  const TVisibility before = Visibility(pvc);
  const int g = WriteGroup(pvc);
  if (button == ssLeft) {
    if (k != g) pvc.groups[k].visible = !pvc.groups[k].visible;
  } else if (k == g) {
    if (g_wiring.openGroupView) g_wiring.openGroupView();
    return;
  } else {
    // With only the old write group shown, the view follows to the new one.
    pvc.groups[g].visible = VisibleGroups(pvc) > 1;
    pvc.groups[k].visible = true;
    SetWriteLayer(pvc, k * 16 + (pvc.groups[k].lastLayer & 15));
  }
  RefreshLayerPanels();
  if (Visibility(pvc) != before) RedrawAfterVisibilityChange();
}

void LayerPanelPress(int j, unsigned button) {
  if (j < 0 || j >= kLayerCount) return;
  TPVC& pvc = CurPVC();
  Preamble(pvc);
  const TVisibility before = Visibility(pvc);
  const int g = WriteGroup(pvc), l = WriteLayerNumber(pvc);
  TGroupEntry& wg = pvc.groups[g];
  if (button == ssLeft) {
    if (j != l) wg.layers[j].visible = !wg.layers[j].visible;
  } else if (j == l) {
    if (g_wiring.openLayerView) g_wiring.openLayerView();
    return;
  } else {
    wg.layers[l].visible = VisibleLayers(wg) > 1;
    wg.layers[j].visible = true;
    SetWriteLayer(pvc, g * 16 + j);
  }
  RefreshLayerPanels();
  if (Visibility(pvc) != before) RedrawAfterVisibilityChange();
}

void ToggleOtherGroups() {
  TPVC& pvc = CurPVC();
  const int g = WriteGroup(pvc);
  const bool shown = !pvc.groups[(g + 1) & 15].visible;
  for (int k = 0; k < kGroupCount; ++k)
    if (k != g) pvc.groups[k].visible = shown;
  RefreshLayerPanels();
  RedrawAfterVisibilityChange();
}

void ToggleOtherLayers() {
  TPVC& pvc = CurPVC();
  const int l = WriteLayerNumber(pvc);
  TGroupEntry& wg = pvc.groups[WriteGroup(pvc)];
  const bool shown = !wg.layers[(l + 1) & 15].visible;
  for (int j = 0; j < kLayerCount; ++j)
    if (j != l) wg.layers[j].visible = shown;
  RefreshLayerPanels();
  RedrawAfterVisibilityChange();
}

void StepWriteGroup(unsigned button, unsigned shift) {
  TPVC& pvc = CurPVC();
  Preamble(pvc);
  int k = WriteGroup(pvc);
  if (VisibleGroups(pvc) < 2) k = Step(k, button, shift);
  for (int i = 0; i < kGroupCount; ++i) pvc.groups[i].visible = i == k;
  SetWriteLayer(pvc, k * 16 + (pvc.groups[k].lastLayer & 15));
  RefreshLayerPanels();
  RedrawAfterVisibilityChange();
}

void StepWriteLayer(unsigned button, unsigned shift) {
  TPVC& pvc = CurPVC();
  Preamble(pvc);
  const int g = WriteGroup(pvc);
  TGroupEntry& wg = pvc.groups[g];
  int j = WriteLayerNumber(pvc);
  if (VisibleLayers(wg) < 2) j = Step(j, button, shift);
  for (int i = 0; i < kLayerCount; ++i) wg.layers[i].visible = i == j;
  SetWriteLayer(pvc, g * 16 + j);
  RefreshLayerPanels();
  RedrawAfterVisibilityChange();
}

void ToggleLayerSync() {
  TPVC& pvc = CurPVC();
  pvc.layerSync = !pvc.layerSync;
  RefreshLayerPanels();
  if (pvc.layerSync) RedrawAfterVisibilityChange();
}

// ---- Window handlers

void BtnGroupMouseDown(int k, unsigned button, unsigned) { GroupPanelPress(k, button); }
void BtnLayerMouseDown(int j, unsigned button, unsigned) { LayerPanelPress(j, button); }
void GroupAllClick() { ToggleOtherGroups(); }
void LayerAllClick() { ToggleOtherLayers(); }

void PnlGrpAllMouseDown(unsigned button, unsigned shift) {
  if (button == ssRight) StepWriteGroup(button, shift);
}

void PnlLayAllMouseDown(unsigned button, unsigned shift) {
  if (button == ssRight) StepWriteLayer(button, shift);
}

void LbGroupMouseDown(unsigned button, unsigned shift) {
  if (button == ssLeft || button == ssRight) StepWriteGroup(button, shift);
}

void PnlLayLblMouseDown(unsigned button, unsigned shift) {
  if (button == ssLeft || button == ssRight) StepWriteLayer(button, shift);
}

void BtnLayerSyncChangeMouseDown() { ToggleLayerSync(); }

void PnlGrpNamClick() { OpenSettings("ｸﾞﾙｰﾌﾟと縮尺"); }
void LbScaleClick() { OpenSettings("ｸﾞﾙｰﾌﾟと縮尺"); }
void PnlLayNamClick() { OpenSettings("ﾚｲﾔｰ名"); }

void DspMaskClick(TDspSwitch which) {
  TPVC& pvc = CurPVC();
  TDisplaySwitches& d = pvc.show;
  // Switching something on paints over the view; off erases and repaints.
  // Lines, texts, fills and pictures may be drawn dimmed when off.
  int mode = 1;
  bool asVisibility = false;
  switch (which) {
    case Dsp_Mode:
      d.dimHidden = !d.dimHidden;
      mode = d.dimHidden ? 0 : 1;
      break;
    case Dsp_Point:
      d.points = !d.points;
      mode = d.points ? 0 : 1;
      break;
    case Dsp_Line: d.lines = !d.lines, asVisibility = true; break;
    case Dsp_Moji: d.texts = !d.texts, asVisibility = true; break;
    case Dsp_Polygon: d.fills = !d.fills, asVisibility = true; break;
    case Dsp_Picture: d.pictures = !d.pictures, asVisibility = true; break;
    case Dsp_Assist: d.auxiliary = !d.auxiliary; break;
    case Dsp_Grid: pvc.gridShown = !pvc.gridShown; break;
    default: return;
  }
  RefreshLayerPanels();
  if (asVisibility)
    RedrawAfterVisibilityChange();
  else
    ViewRedraw(mode);
}

void FixZoomMouseDown(unsigned button) {
  TPVC& pvc = CurPVC();
  if (button != ssRight) {
    // A view not yet set up has no window worth remembering.
    const TGContext& v = CurrentView();
    if (v.wx2 > v.wx1 && v.wy2 > v.wy1) {
      pvc.rangeRemembered = true;
      pvc.rememberedRange = {v.wx1, v.wy1, v.wx2, v.wy2};
    }
  } else {
    pvc.rangeRemembered = false;
    ViewFitAllStep();
    ViewRedraw(1);
    ReplayMouseMove();  // rubber bands and the pointer position follow the new view
  }
  RefreshLayerPanels();
}

void ImPenHstClick(int n) {
  if (n < 1 || n > 5) return;
  PenPreviewsDraw({});  // an empty preset takes its standard pen first, as shown
  TPVC& pvc = CurPVC();
  pvc.writePen = pvc.penPresets[n];
  PenPreviewsDraw({});
  Form1Changed();
}

void PenHistClick(int n) {
  if (n < 1 || n > 5) return;
  PenPreviewsDraw({});  // the write pen is never registered empty
  TPVC& pvc = CurPVC();
  pvc.penPresets[n] = pvc.writePen;
  Form1Changed();
}
