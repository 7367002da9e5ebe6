#include "model/PVC.h"

PVCState g_pvc;

void PVC_Reset() { g_pvc = PVCState{}; }
