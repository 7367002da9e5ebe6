#include <gtest/gtest.h>

#include "kernel/Platform.h"
#include "platform/headless/HeadlessPlatform.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  Headless().SetFailureHandler([](const std::string& what) { ADD_FAILURE() << what; });
  SetPlatform(&Headless());
  return RUN_ALL_TESTS();
}
