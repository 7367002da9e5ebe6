// The Qt layer's tests: a QApplication on the offscreen platform (no display
// needed) and the headless platform for the core's questions, so a message
// box the core shows is recorded instead of opened.
#include <gtest/gtest.h>

#include <QApplication>

#include "Velmo.h"
#include "kernel/Platform.h"
#include "platform/headless/HeadlessPlatform.h"
#include "platform/qt/QtRasterHelper.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  Headless().SetFailureHandler([](const std::string& what) { ADD_FAILURE() << what; });
  SetPlatform(&Headless());
  InstallQtRasterHelper();
  const int rc = RUN_ALL_TESTS();
  VelmoReset();  // raster helpers hold painters and fonts: drop them while Qt is up
  SetPlatform(nullptr);
  return rc;
}
