// The base fixture of every test: the whole program starts afresh, with the
// headless platform recording beeps and messages.
#pragma once

#include <gtest/gtest.h>

#include "Harness.h"
#include "Velmo.h"
#include "platform/headless/HeadlessPlatform.h"

class VelmoTest : public ::testing::Test {
protected:
  void SetUp() override {
    VelmoReset();
    Headless().Reset();
    Harness::AfterReset();
  }
  void TearDown() override {
    EXPECT_EQ(Headless().unusedAnswers(), 0u) << "scripted answers left unused";
  }
  HeadlessPlatform& platform() { return Headless(); }
};
