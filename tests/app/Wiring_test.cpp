// The wiring rule: module resets return state and leave the hooks; the
// reset of the whole program installs the real ones again.
#include "kernel/Wiring.h"

#include "VelmoTest.h"
#include "app/ApGrpLay.h"
#include "app/ApMainMenu.h"
#include "app/ApManager.h"
#include "app/ApMouse.h"
#include "app/Ap_Unit1.h"
#include "app/GC_View.h"
#include "render/GC_Draw.h"

namespace {

using WiringTest = VelmoTest;

void FakeOp(TGContext&, int, double, double) {}
bool FakeLoader(const std::string&, TRasterImage&) { return false; }

TEST_F(WiringTest, ModuleResetsLeaveHooksAndTheProgramResetRestoresThem) {
  const Wiring real = g_wiring;
  ASSERT_NE(real.opHandlers[OpBtn_Line], nullptr);
  ASSERT_NE(real.loadPicture, nullptr);
  ASSERT_NE(real.claims, nullptr);
  ASSERT_FALSE(MenuCommands().empty());
  const std::size_t commands = MenuCommands().size();

  g_wiring.opHandlers[OpBtn_Line] = FakeOp;
  g_wiring.loadPicture = FakeLoader;
  g_wiring.countsShown = [] {};
  ApManager_Reset();
  GC_Draw_Reset();
  GC_View_Reset();
  ApMouse_Reset();
  ApGrpLay_Reset();
  Form1_Reset();
  EXPECT_EQ(g_wiring.opHandlers[OpBtn_Line], &FakeOp);
  EXPECT_EQ(g_wiring.loadPicture, &FakeLoader);
  EXPECT_NE(g_wiring.countsShown, nullptr);
  EXPECT_EQ(MenuCommands().size(), commands);

  VelmoReset();
  EXPECT_EQ(g_wiring.opHandlers[OpBtn_Line], real.opHandlers[OpBtn_Line]);
  EXPECT_EQ(g_wiring.loadPicture, real.loadPicture);
  EXPECT_EQ(g_wiring.countsShown, nullptr);
  EXPECT_EQ(MenuCommands().size(), commands);
}

}  // namespace
