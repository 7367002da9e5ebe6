#include "kernel/SjisConv.h"

#include <gtest/gtest.h>

namespace {

// Literals in this file are CP932 bytes; u8 literals stay UTF-8.
std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

TEST(SjisConvTest, RoundTripsTheProgramsCharacters) {
  struct Case {
    std::string sjis, utf8;
  };
  const Case cases[] = {
      {"", U8(u8"")},
      {"ABC 123", U8(u8"ABC 123")},
      {"メモリー不足、データが満杯です.", U8(u8"メモリー不足、データが満杯です.")},
      {"①②③④⑤⑥⑦", U8(u8"①②③④⑤⑥⑦")},  // not in plain Shift_JIS
      {"ｶﾞｷﾞ", U8(u8"ｶﾞｷﾞ")},
      {"【Velmo Ver 2020.11.26】", U8(u8"【Velmo Ver 2020.11.26】")},
  };
  for (const Case& c : cases) {
    int replaced = -1;
    EXPECT_EQ(SjisToUtf8(c.sjis, &replaced), c.utf8);
    EXPECT_EQ(replaced, 0);
    EXPECT_EQ(Utf8ToSjis(c.utf8, &replaced), c.sjis);
    EXPECT_EQ(replaced, 0);
  }
}

TEST(SjisConvTest, ReplacesWhatCannotBeConverted) {
  struct Case {
    std::string in, out;
    int replaced;
  };
  const Case toSjis[] = {
      {U8(u8"a😀b"), "a?b", 1},            // no CP932 form
      {U8(u8"x\u00e9y"), "x?y", 1},        // é
      {"a\xC3", "a?", 1},                  // truncated sequence
      {"\xFF\xFEz", "??z", 2},             // not UTF-8 at all
  };
  for (const Case& c : toSjis) {
    int replaced = -1;
    EXPECT_EQ(Utf8ToSjis(c.in, &replaced), c.out);
    EXPECT_EQ(replaced, c.replaced);
  }
  const Case toUtf8[] = {
      {"ab\x82", U8(u8"ab\uFFFD"), 1},      // lone lead byte at the end
      {"\x81\x20x", U8(u8"\uFFFDx"), 1},   // lead byte with an invalid trail
  };
  for (const Case& c : toUtf8) {
    int replaced = -1;
    EXPECT_EQ(SjisToUtf8(c.in, &replaced), c.out);
    EXPECT_EQ(replaced, c.replaced);
  }
}

}  // namespace
