// What every drawing reader's fuzz target does around one read: a fresh
// store and settings before it, and after it the check that every cell the
// reader added is finite and within the native format's coordinate limit.
#pragma once

#include <cmath>
#include <cstdlib>

#include "files/fLoad_VLD.h"
#include "kernel/Common.h"
#include "model/GC_DB.h"
#include "model/PVC.h"

namespace readercheck {

inline void Fresh() {
  GC_DB_Reset();
  PVC_Reset();
  Common_Reset();
}

inline void Check() {
  for (int i = 1; i <= StoreUsed(); ++i)
    for (double v : GcellRef(i).p)
      if (!(std::fabs(v) <= kVldMaxCoord)) std::abort();
}

}  // namespace readercheck
