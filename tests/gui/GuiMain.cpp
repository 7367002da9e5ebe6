// The Qt layer's tests: a QApplication on the offscreen platform (no display
// needed) and the headless platform for the core's questions, so a message
// box the core shows is recorded instead of opened.
#include <gtest/gtest.h>

#include <QApplication>

#include "kernel/Platform.h"
#include "platform/headless/HeadlessPlatform.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  Headless().SetFailureHandler([](const std::string& what) { ADD_FAILURE() << what; });
  SetPlatform(&Headless());
  const int rc = RUN_ALL_TESTS();
  SetPlatform(nullptr);
  return rc;
}
