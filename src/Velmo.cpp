#include "Velmo.h"

#include <filesystem>
#include <string>

#include "app/ApInit.h"
#include "app/ApGrpLay.h"
#include "app/ApInput.h"
#include "app/ApKeyEvent.h"
#include "app/ApManager.h"
#include "app/ApMouse.h"
#include "app/Ap_Offset.h"
#include "app/Ap_Unit1.h"
#include "app/GC_View.h"
#include "files/PictureFile.h"
#include "files/FileProc.h"
#include "files/fLoad_VLD.h"
#include "kernel/Common.h"
#include "kernel/ProgramDir.h"
#include "model/ComHst.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "ops/Op_Line.h"
#include "render/ApPenSet.h"
#include "render/GC_Draw.h"
#include "render/Z_Graph.h"

namespace {

// Every operation's handler, by the control that starts it. Operations
// register here as they are written.
void RegisterOperations() {
  SetOpHandler(OpBtn_Line, Op_Line);
}

// Menu commands of the file and output layers.
bool MenuCommandAbove(const std::string& item) {
  if (item == "Save1") {
    SaveCommand(TFileSender::Save1);
    return true;
  }
  return false;
}

}  // namespace

void VelmoReset() {
  Common_Reset();
  ProgramDir_Reset();
  PVC_Reset();
  GC_DB_Reset();
  ComHst_Reset();
  Z_Graph_Reset();
  ApPenSet_Reset();  // after the settings: builds their pen colours
  ApManager_Reset();
  Ap_Offset_Reset();
  g_manager.interceptor = OffsetInterceptor();
  GC_Draw_Reset();
  SetPictureLoader(LoadPictureFile);
  GC_View_Reset();
  ApMouse_Reset();
  g_mouseNav.isStartupFile = [](const std::string& path) {
    return !path.empty() && std::filesystem::path(path) == StartupFileName();
  };
  Form1_Reset();
  ApInit_Reset();
  ApGrpLay_Reset();
  ApKeyEvent_Reset();
  g_keys.menuCommand = MenuCommandAbove;
  ApInput_Reset();
  g_input.dropFiles = DropFiles;
  g_input.closeQuery = FormCloseQuery;
  fLoad_VLD_Reset();
  FileProc_Reset();
  Op_Line_Reset();
  RegisterOperations();
}
