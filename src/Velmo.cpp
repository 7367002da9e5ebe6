#include "Velmo.h"

#include "kernel/Common.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "kernel/ProgramDir.h"

void VelmoReset() {
  Common_Reset();
  ProgramDir_Reset();
  PVC_Reset();
  GC_DB_Reset();
}
