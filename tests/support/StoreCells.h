// The live cells of the store, in store order: all of them, or those of
// one kind.
#pragma once

#include <vector>

#include "model/GC_DB.h"

inline std::vector<TGcell> StoreCells(int kind = 0) {
  std::vector<TGcell> out;
  for (int i = 1; i <= StoreUsed(); ++i)
    if (GcellLive(i) && (kind == 0 || GcellRef(i).kind == kind)) out.push_back(GcellGet(i));
  return out;
}
