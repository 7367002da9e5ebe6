// The settings record of a drawing window (TPVC) and the three slots that
// hold them: slot 0 is the working copy of the current window, slots 1 and 2
// keep windows 1 and 2 while the other window is current.
//
// For now the record holds what the cell store maintains: the live-cell
// counts of every group and layer and the modification counter. The rest of
// the drawing settings join it with the settings module.
#pragma once

#include <array>
#include <cstdint>

struct TLayerEntry {
  std::int32_t count = 0;  // live cells of this group and layer
};

struct TGroupEntry {
  std::int32_t count = 0;  // live cells of the group (sum of its layers, refreshed by the panels)
  std::array<TLayerEntry, 16> layers{};
};

struct TPVC {
  std::array<TGroupEntry, 16> groups{};
  // 0 when the drawing equals its file; every change to the store adds 1.
  std::int32_t modified = 0;
};

struct PVCState {
  std::array<TPVC, 3> slots{};
};
extern PVCState g_pvc;
void PVC_Reset();

// The working copy of the current window.
inline TPVC& CurPVC() { return g_pvc.slots[0]; }

// Live-cell count of a layer code (group in the high four bits).
inline std::int32_t& LayerCount(TPVC& pvc, std::uint8_t layer) {
  return pvc.groups[layer >> 4].layers[layer & 15].count;
}
