// Number entry, formatting, fields and Shift-JIS text helpers.
// String literals here are CP932 bytes at run time ("１２" is 82 50 82 51).
#include "kernel/Z_Basic.h"

#include <gtest/gtest.h>

#include <charconv>
#include <clocale>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Sets a decimal-comma C locale for the scope, then restores "C", so that
// any dependence of formatting or parsing on the C locale shows.
class DecimalCommaLocale {
public:
  DecimalCommaLocale() {
    active_ = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    if (active_) {
      EXPECT_STREQ(std::localeconv()->decimal_point, ",");
    } else {
      GTEST_LOG_(WARNING) << "de_DE.UTF-8 is not installed: the table runs in the C locale only";
      ::testing::Test::RecordProperty("decimal_comma_locale", "unavailable");
    }
  }
  ~DecimalCommaLocale() { std::setlocale(LC_ALL, "C"); }
  DecimalCommaLocale(const DecimalCommaLocale&) = delete;
  DecimalCommaLocale& operator=(const DecimalCommaLocale&) = delete;

private:
  bool active_ = false;
};

// The bytes of s in a heap block of exactly that size, with no terminator,
// so that a read past the end is caught by AddressSanitizer.
class ExactBuffer {
public:
  explicit ExactBuffer(std::string_view s) : bytes_(new char[s.size()]), size_(s.size()) {
    std::memcpy(bytes_.get(), s.data(), s.size());
  }
  std::string_view view() const { return {bytes_.get(), size_}; }

private:
  std::unique_ptr<char[]> bytes_;
  std::size_t size_;
};

// ---- Parsing --------------------------------------------------------------

TEST(ZBasicParse, ParseRealTakesTheLeadingNumber) {
  const struct {
    const char* text;
    double value;
  } cases[] = {
      {" 1.25E+02x", 125.0},   {"1.25E2", 1.25},     {"E5", 0.0},
      {"12.5mm", 12.5},        {"-.5", -0.5},        {"+.5", 0.5},
      {"  -3", -3.0},          {"5.", 5.0},          {".", 0.0},
      {"-", 0.0},              {"+", 0.0},           {"", 0.0},
      {"abc", 0.0},            {"--5", 0.0},         {"1.2.3", 1.2},
      // An exponent needs a decimal point before it and a sign after the E.
      {"12E+3", 12.0},         {"1.5E+", 1.5},       {"1.5e-3", 0.0015},
      // The program's own "%.7e" texts carry three exponent digits.
      {"1.234567E+003", 1234.567}, {"-1.500000E-005", -1.5e-5}, {"1.5E+1234", 1.5e123},
      // Full-width digits are not digits until converted.
      {"１２", 0.0},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(ParseReal(c.text), c.value) << '"' << c.text << '"';
}

TEST(ZBasicParse, ParseIntTruncatesOrReadsHexadecimal) {
  const struct {
    const char* text;
    int value;
  } cases[] = {
      {"42", 42},
      {"-2.7", -2},
      {" 2.9mm", 2},
      {"1.0E+12", 2147483647},
      {"-1.0E+12", -2147483647},
      {"abc", 0},
      {"$ff", 255},
      {" $1A", 26},
      {"$", 0},
      {"$G1", 0},
      {"$ 1", 0},
      // Hexadecimal keeps the low 32 bits, read as a signed value.
      {"$FFFFFFFF", -1},
      {"$80000000", std::numeric_limits<int>::min()},
      {"$123456789", 0x23456789},
      {"$FFFFFFFFFFFFFFFFFF", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseInt(c.text), c.value) << '"' << c.text << '"';
}

TEST(ZBasicParse, ParseHexReadsLeadingDigits) {
  EXPECT_EQ(ParseHex("ff"), 255);
  EXPECT_EQ(ParseHex("  7fz"), 127);
  EXPECT_EQ(ParseHex("00FF00FF"), 0x00FF00FF);
  EXPECT_EQ(ParseHex("FFFFFFFE"), -2);
  EXPECT_EQ(ParseHex("$10"), 0);
  EXPECT_EQ(ParseHex(""), 0);
}

// ---- Expressions ----------------------------------------------------------

TEST(ZBasicEval, EvaluatesTypedExpressions) {
  const struct {
    const char* text;
    int k;
    double value;
  } cases[] = {
      {"12.5", 1, 12.5},
      {"100/3", 1, 100.0 / 3.0},
      {"1+2*3", 1, 7.0},
      {"10-2*3", 1, 4.0},
      {"1-4/2", 1, -1.0},
      {"2*3+4", 1, 10.0},  // left to right unless + or - comes first
      {"8/2/2", 1, 2.0},
      {"2-3-4", 1, -5.0},
      {"1+2+3+4", 1, 6.0},  // at most two operators count
      {"12mm+3", 1, 15.0},
      {"-5", 1, -5.0},
      // Division by (nearly) zero leaves the value unchanged.
      {"5/0", 1, 5.0},
      {"5/0.000001", 1, 5.0},
      {"1+4/0", 1, 5.0},
      // Slopes as angles in degrees.
      {"1:1", 1, 45.0},
      {"0:0", 1, 0.0},
      {"-0:-0", 1, 0.0},
      {"0:-1", 1, 180.0},
      {"-1:0", 1, -90.0},
      // Fields.
      {"2,3", 2, 3.0},
      {"1,2", 3, 0.0},
      {"1,2", 0, 0.0},
      {"1,,3", 2, 0.0},
      {"", 1, 0.0},
      {"-", 1, 0.0},
      // Full-width text and spaces.
      {"１２．５", 1, 12.5},
      {"３＋４＊２", 1, 11.0},
      {"１０－２", 1, 8.0},
      {"１，２", 2, 2.0},
      {" 1 +　2 ", 1, 3.0},
  };
  for (const auto& c : cases)
    EXPECT_DOUBLE_EQ(EvalField(c.text, c.k), c.value) << '"' << c.text << "\" field " << c.k;
}

// A sign that belongs to a number is not an operator.
TEST(ZBasicEval, SignsOfNumbersAreNotOperators) {
  const struct {
    const char* text;
    double value;
  } cases[] = {
      {"1.5E+3", 1500.0},    {"1.5e-1*2", 0.3},  {"10*-2", -20.0},   {"-3*-2", 6.0},
      {"1--2", 3.0},         {"1:-1", 135.0},    {"2+-1*3", -1.0},   {"1-1.5E+1*2", -29.0},
      {"4/-2", -2.0},        {"+2*+3", 6.0},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(EvalField(c.text, 1), c.value) << '"' << c.text << '"';
}

// ---- Formatting -----------------------------------------------------------

struct FormatCase {
  const char* fmt;
  std::vector<double> reals;
  const char* expected;
};

void RunFormatTable() {
  const FormatCase cases[] = {
      // Fixed: "%f" has two decimals; ties follow the exact binary value,
      // to even when the value is exactly halfway.
      {"%f", {2.5}, "2.50"},
      {"%.3f", {1.0}, "1.000"},
      {"%10.3f", {2.5}, "     2.500"},
      {"%-8.1f|", {2.25}, "2.2     |"},
      {"%.2f", {0.125}, "0.12"},
      {"%.2f", {0.375}, "0.38"},
      {"%.0f", {2.5}, "2"},
      {"%.0f", {3.5}, "4"},
      {"%.0f", {-2.5}, "-2"},
      {"%.2f", {1.005}, "1.00"},  // 1.005 is stored just below the tie
      {"%.2f", {-0.001}, "0.00"},
      {"%.2f", {-0.0}, "0.00"},
      {"%.1f", {-0.06}, "-0.1"},
      {"%.3f", {1e20}, "100000000000000000000.000"},
      {"%2.1f", {-123.45}, "-123.5"},  // wider than the width
      {"x=%.3f y=%.3f", {1.0, -2.0}, "x=1.000 y=-2.000"},
      // Thousands separators.
      {"%.2n", {1234567.891}, "1,234,567.89"},
      {"%n", {123456.0}, "123,456.00"},
      {"%.0n", {999.0}, "999"},
      {"%.0n", {1000.0}, "1,000"},
      {"%.0n", {999.5}, "1,000"},
      {"%.0n", {-100.0}, "-100"},
      {"%.0n", {-100000.0}, "-100,000"},
      {"%.1n", {-1234.56}, "-1,234.6"},
      {"%.2n", {-0.001}, "0.00"},
      {"%12.1n", {123456.0}, "   123,456.0"},
      {"%-12.1n|", {-1234.0}, "-1,234.0    |"},
      // Scientific: significant digits, upper-case E, three exponent digits.
      {"%.7e", {1.5}, "1.500000E+000"},
      {"%.7e", {-1234.5678}, "-1.234568E+003"},
      {"%.7e", {1e-5}, "1.000000E-005"},
      {"%.7e", {0.0}, "0.000000E+000"},
      {"%.7e", {-0.0}, "0.000000E+000"},
      {"%.7e", {1.5e-300}, "1.500000E-300"},
      {"%.3e", {1e100}, "1.00E+100"},
      {"%.1e", {25.0}, "2E+001"},
      {"%e", {1.0}, "1.00000000000000E+000"},
      {"%16.3e", {-2.0}, "      -2.00E+000"},
      // Non-finite values.
      {"%f", {kNaN}, "NAN"},
      {"%.2n", {kInf}, "INF"},
      {"%.7e", {-kInf}, "-INF"},
      {"%d", {kNaN}, "0"},
      {"%d", {-2.9}, "-2"},
  };
  for (const FormatCase& c : cases) {
    std::string got;
    switch (c.reals.size()) {
      case 1: got = Format(c.fmt, {c.reals[0]}); break;
      case 2: got = Format(c.fmt, {c.reals[0], c.reals[1]}); break;
      default: FAIL() << "table rows take one or two values";
    }
    EXPECT_EQ(got, c.expected) << c.fmt << " of " << c.reals[0];
  }

  // Number format codes: width |c| div 10 (at most 20), decimals |c| mod 10,
  // fixed for c >= 1 and with separators for c <= 0.
  const struct {
    int code;
    double x;
    const char* expected;
  } codes[] = {
      {103, 2.5, "     2.500"},
      {-103, 1234.5, " 1,234.500"},
      {2, 0.125, "0.12"},
      {20, 2.5, " 2"},
      {30, 3.5, "  4"},
      {0, 1234567.0, "1,234,567"},
      {-1, -0.04, "0.0"},
      {1, -0.06, "-0.1"},
      {999, 1.0, "         1.000000000"},
      {std::numeric_limits<int>::min(), 1.0, "          1.00000000"},
  };
  for (const auto& c : codes) EXPECT_EQ(FormatReal(c.code, c.x), c.expected) << "code " << c.code;

  // Parsing is locale-free too.
  EXPECT_DOUBLE_EQ(ParseReal("1.5"), 1.5);
  EXPECT_DOUBLE_EQ(EvalField("1.5*2", 1), 3.0);
}

TEST(ZBasicFormat, RealsInTheCLocale) { RunFormatTable(); }

TEST(ZBasicFormat, RealsInADecimalCommaLocale) {
  DecimalCommaLocale locale;
  RunFormatTable();
}

TEST(ZBasicFormat, IntegersTextsAndPercent) {
  const std::int64_t big = std::numeric_limits<std::int64_t>::min();
  EXPECT_EQ(Format("%d", {42}), "42");
  EXPECT_EQ(Format("%5d", {-42}), "  -42");
  EXPECT_EQ(Format("%-5d|", {7}), "7    |");
  EXPECT_EQ(Format("%.3d", {7}), "007");
  EXPECT_EQ(Format("%.3d", {-7}), "-007");
  EXPECT_EQ(Format("%d", {big}), "-9223372036854775808");
  EXPECT_EQ(Format("%D", {5}), "5");
  EXPECT_EQ(Format("%x", {255}), "FF");
  EXPECT_EQ(Format("%.8x", {255}), "000000FF");
  EXPECT_EQ(Format("$%.8X", {0x00ABCDEF}), "$00ABCDEF");
  EXPECT_EQ(Format("%x", {-1}), "FFFFFFFF");
  EXPECT_EQ(Format("%x", {std::int64_t{0x123456789}}), "123456789");
  EXPECT_EQ(Format("%x", {std::int64_t{-0x100000000}}), "FFFFFFFF00000000");
  EXPECT_EQ(Format("[%s]", {"abc"}), "[abc]");
  EXPECT_EQ(Format("%5s|%-5s|", {"ab", "cd"}), "   ab|cd   |");
  EXPECT_EQ(Format("%s=%s", {std::string("寸法"), 12}), "寸法=12");
  EXPECT_EQ(Format("%s", {0.1}), "0.1");
  EXPECT_EQ(Format("%d", {"abc"}), "abc");  // a text prints as it is
  EXPECT_EQ(Format("%F", {1}), "1.00");     // an integer where a real is due
  EXPECT_EQ(Format("100%% of %d%%", {3}), "100% of 3%");
  EXPECT_EQ(Format("%q %d", {1}), "%q 1");  // unknown conversions are kept
  EXPECT_EQ(Format("50%", {}), "50%");
  EXPECT_EQ(Format("%d and %d", {1}), "1 and ");
  EXPECT_EQ(Format("層%d", {2}), "層2");
}

TEST(ZBasicFormat, FormatNumberIsEmptyForZero) {
  const struct {
    int code;
    double x;
    const char* expected;
  } cases[] = {
      {103, 0.0, ""},     {2, 0.004, ""},    {2, -0.004, ""},        {2, 0.006, "0.01"},
      {-2, 1000.0, "1,000.00"}, {20, 0.4, ""}, {-103, -1.5, "    -1.500"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatNumber(c.code, c.x), c.expected) << c.code << " " << c.x;
}

// ---- Width conversion -----------------------------------------------------

TEST(ZBasicWidth, ToHalfWidth) {
  const struct {
    const char* text;
    bool hiragana;
    const char* expected;
  } cases[] = {
      {"０１２９", false, "0129"},
      {"ＡＺａｚ", false, "AZaz"},
      {"カガパッァヲン", false, "ｶｶﾞﾊﾟｯｧｦﾝ"},
      {"ヂヅボ", false, "ﾁﾞﾂﾞﾎﾞ"},
      {"ヮヰヱヴヵ", false, "ヮヰヱヴヵ"},  // no single-byte forms
      {"がぱんぁ", true, "ｶﾞﾊﾟﾝｧ"},
      {"がぱん", false, "がぱん"},
      {"ゎゐ", true, "ゎゐ"},
      {"　、。，．・：；？！゛゜", false, " ､｡,.･:;?!ﾞﾟ"},
      {"ー", false, "-"},
      {"\x81\x4C\x81\x4D\x81\x4F\x81\x50\x81\x51", false, "''^~_"},          // ´｀＾￣＿
      {"\x81\x5C\x81\x5D\x81\x5E\x81\x62\x81\x7C", false, "--/|-"},          // ―‐／｜－
      {"（）［］｛｝〈〉「」", false, "()[]{}<>｢｣"},
      {"＋＝＜＞°′″", false, "+=<>ﾟ'\""},
      {"\x81\x8F＄％＃＆＊＠", false, "\\$%#&*@"},                          // ￥
      {"\x81\x66\x81\x68\x81\x5F\x81\x60", false, "\x81\x66\x81\x68\x81\x5F\x81\x60"},  // ’”＼～ stay
      {"漢字ΑＢ", false, "漢字ΑB"},
      {"aｶ1", true, "aｶ1"},
  };
  for (const auto& c : cases) EXPECT_EQ(ToHalfWidth(c.text, c.hiragana), c.expected) << c.text;
}

TEST(ZBasicWidth, ToFullWidth) {
  const struct {
    const char* text;
    const char* expected;
  } cases[] = {
      {"a b", "ａ　ｂ"},
      {"09AZaz", "\x82\x4F\x82\x58\x82\x60\x82\x79\x82\x81\x82\x9A"},
      // JIS X 0208 forms for " ' \ ~ -
      {"\"'\\~-", "\x81\x68\x81\x66\x81\x5F\x81\x60\x81\x7C"},
      {"!#$%&()*+,./:;<=>?@[]^_`{|}", "！＃＄％＆（）＊＋，．／：；＜＝＞？＠［］＾＿｀｛｜｝"},
      {"ｶﾞｷﾞﾄﾞﾂﾞﾊﾞﾎﾟﾋﾟ", "ガギドヅバポピ"},
      {"ｱﾞｻﾟﾏﾟｳﾞ", "ア゛サ゜マ゜ウ゛"},  // kana without a voiced form keep the mark apart
      {"ﾞﾟ", "゛゜"},
      {"ｰｦﾝｧｯ｡｢｣､･", "ーヲンァッ。「」、・"},
      {"漢ｶ", "漢カ"},
      {"\x7F\xA0\xFD", "\x7F\xA0\xFD"},
  };
  for (const auto& c : cases) EXPECT_EQ(ToFullWidth(c.text), c.expected) << c.text;
}

TEST(ZBasicWidth, SingleCharactersReportTheBytesUsed) {
  const auto half = [](unsigned char a, unsigned char b) { return HalfWidthChar(a, b, false); };
  EXPECT_EQ(half('A', 'B').text, "A");
  EXPECT_EQ(half('A', 'B').used, 1);
  EXPECT_EQ(half(0x82, 0x4F).text, "0");
  EXPECT_EQ(half(0x82, 0x4F).used, 2);
  EXPECT_EQ(half(0x83, 0x4B).text, "ｶﾞ");
  EXPECT_EQ(half(0x83, 0x7F).text, "\x83\x7F");  // no character there
  EXPECT_EQ(half(0x82, 0).text, "\x82");
  EXPECT_EQ(half(0x82, 0).used, 1);

  EXPECT_EQ(FullWidthChar(0xB6, 0xDE).text, "ガ");
  EXPECT_EQ(FullWidthChar(0xB6, 0xDE).used, 2);
  EXPECT_EQ(FullWidthChar(0xCA, 0xDF).text, "パ");
  EXPECT_EQ(FullWidthChar(0xB6, 0xDF).text, "カ");
  EXPECT_EQ(FullWidthChar(0xB6, 0xDF).used, 1);
  EXPECT_EQ(FullWidthChar(0x88, 0x9F).text, "\x88\x9F");
  EXPECT_EQ(FullWidthChar(0x88, 0x9F).used, 2);
  EXPECT_EQ(FullWidthChar(0x88, 0).used, 1);
}

// Every half-width kana and every katakana with a half-width form survive a
// round trip; the exceptions are the ones the tables map elsewhere.
TEST(ZBasicWidth, KanaRoundTrips) {
  for (int b = 0xA1; b <= 0xDF; ++b) {
    const std::string k(1, static_cast<char>(b));
    const std::string expected = b == 0xB0 ? "-" : k;  // ｰ -> ー -> "-"
    EXPECT_EQ(ToHalfWidth(ToFullWidth(k), false), expected) << "byte " << b;
  }
  int converted = 0;
  for (int t = 0x40; t <= 0x93; ++t) {
    if (t == 0x7F) continue;
    const std::string k{'\x83', static_cast<char>(t)};
    const std::string half = ToHalfWidth(k, false);
    if (half == k) continue;  // ヮ ヰ ヱ
    ++converted;
    EXPECT_EQ(ToFullWidth(half), k) << "trail " << t;
  }
  EXPECT_EQ(converted, 80);
  for (int c = 0x21; c <= 0x7E; ++c) {
    if (std::strchr("\"'`\\~", c)) continue;  // ” ’ ｀ ＼ ～ have other half-width forms
    const std::string a(1, static_cast<char>(c));
    EXPECT_EQ(ToHalfWidth(ToFullWidth(a), false), a) << a;
  }
}

// ---- Strings --------------------------------------------------------------

TEST(ZBasicStrings, SpacesAndSearch) {
  EXPECT_EQ(Spaces(3), "   ");
  EXPECT_EQ(Spaces(0), "");
  EXPECT_EQ(Spaces(-2), "");

  const struct {
    const char* sub;
    const char* s;
    int pos;
  } cases[] = {
      {"b", "abc", 2},      {"abcd", "abc", 0}, {"", "abc", 0},     {"表", "表", 1},
      {"@", "　", 0},       {"@", "　@", 3},    // 　 is 81 40
      {"\\", "ソ", 0},      {"\\", "ソ\\", 3},  // ソ is 83 5C
      {"A", "アA", 3},      {"寸法", "の寸法", 3},
  };
  for (const auto& c : cases) EXPECT_EQ(PosMB(c.sub, c.s), c.pos) << c.sub << " in " << c.s;
}

TEST(ZBasicStrings, SpaceHandlingKnowsDoubleByteCharacters) {
  // メ is 83 81: followed by "@" (40) its trail byte and the "@" look like
  // a full-width space (81 40) to a byte-wise scan.
  const struct {
    const char* text;
    const char* removed;
    const char* left;
    const char* right;
    const char* collapsed;
  } cases[] = {
      {" a　b c ", "abc", "a　b c ", " a　b c", "a b c"},
      {"　 a  b　　c　 ", "abc", "a  b　　c　 ", "　 a  b　　c", "a b c"},
      {"メ@", "メ@", "メ@", "メ@", "メ@"},
      {"　メ@　", "メ@", "メ@　", "　メ@", "メ@"},
      {"　", "", "", "", ""},
      {"", "", "", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RemoveSpaces(c.text), c.removed) << c.text;
    EXPECT_EQ(TrimLeftMB(c.text), c.left) << c.text;
    EXPECT_EQ(TrimRightMB(c.text), c.right) << c.text;
    EXPECT_EQ(CollapseSpaces(c.text), c.collapsed) << c.text;
  }
}

TEST(ZBasicStrings, UpperAsciiLeavesDoubleByteCharactersAlone) {
  EXPECT_EQ(UpperAscii("abcXYz"), "ABCXYZ");
  EXPECT_EQ(UpperAscii("ツテabc"), "ツテABC");  // trail bytes 63 and 65 are "c" and "e"
  EXPECT_EQ(UpperAscii("ａｂ"), "ａｂ");
}

TEST(ZBasicStrings, FitText) {
  const struct {
    const char* text;
    int n;
    const char* expected;
  } cases[] = {
      {"abc", 5, "abc"},
      {"  abc  ", 5, "abc  "},  // each step only while it is still too long
      {"  abc  ", 3, "abc"},
      {"a  b  c", 5, "a b c"},
      {"ＡＢＣ", 3, "ABC"},
      {"アイウ", 4, "ｱｲｳ"},
      {"あいう", 4, "あい"},   // hiragana stays double-byte
      {"a b c d", 4, "abcd"},
      {"漢字漢字", 5, "漢字"},  // never half a character
      {"ガギ", 3, "ｶﾞｷ"},
      {"abc", 0, ""},
      {"abc", -1, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(FitText(c.text, c.n), c.expected) << c.text << " in " << c.n;
}

TEST(ZBasicStrings, LeadBytes) {
  const struct {
    int byte;
    bool lead;
  } cases[] = {{0x00, false}, {0x7F, false}, {0x80, false}, {0x81, true},  {0x9F, true},
               {0xA0, false}, {0xDF, false}, {0xE0, true},  {0xFC, true},  {0xFD, false}};
  for (const auto& c : cases) EXPECT_EQ(IsLeadByte(static_cast<unsigned char>(c.byte)), c.lead) << c.byte;
}

// A lead byte in the last position is a character of its own; nothing reads
// the byte after the text. The views below end right before a trail byte
// ("\x81" + "\x40" is a full-width space) or at the end of an exact heap block.
TEST(ZBasicStrings, NothingIsReadPastTheEnd) {
  const std::string backing = "1 \x81\x40";
  const std::string_view cut(backing.data(), 3);  // "1 " and a lone lead byte
  const ExactBuffer exact(cut);
  const std::string_view views[] = {cut, exact.view()};
  for (const std::string_view v : views) {
    EXPECT_EQ(RemoveSpaces(v), "1\x81");
    EXPECT_EQ(TrimLeftMB(v), "1 \x81");
    EXPECT_EQ(TrimRightMB(v), "1 \x81");
    EXPECT_EQ(CollapseSpaces(v), "1 \x81");
    EXPECT_EQ(UpperAscii(v), "1 \x81");
    EXPECT_EQ(ToHalfWidth(v, true), "1 \x81");
    EXPECT_EQ(ToFullWidth(v), "１　\x81");
    EXPECT_EQ(PosMB("\x81", v), 3);
    EXPECT_EQ(PosMB("\x81\x40", v), 0);
    EXPECT_EQ(FitText(v, 1), "1");
    EXPECT_DOUBLE_EQ(ParseReal(v), 1.0);
    EXPECT_DOUBLE_EQ(EvalField(v, 1), 1.0);
    TFields f;
    EXPECT_EQ(SplitFields(v, f, ' '), 2);
    EXPECT_EQ(f[1], "\x81");
  }
  const std::string numbers = "C\x20" "C";  // "12", an escape byte, then "C"
  const ExactBuffer packed(std::string_view(numbers.data(), 2));
  EXPECT_EQ(UnpackNumbers(packed.view()), "12");
  const ExactBuffer number(".5");
  EXPECT_DOUBLE_EQ(ParseReal(number.view()), 0.5);
  const ExactBuffer exponent("1.5E+");
  EXPECT_DOUBLE_EQ(ParseReal(exponent.view()), 1.5);
  const ExactBuffer hex("$F");
  EXPECT_EQ(ParseInt(hex.view()), 15);
}

// ---- Fields ---------------------------------------------------------------

TEST(ZBasicFields, SplitFields) {
  const struct {
    const char* text;
    char sep;
    std::vector<std::string> fields;
  } cases[] = {
      {"a\tb,c", 0, {"a", "b,c"}},
      {"a,b,,c", 0, {"a", "b", "", "c"}},
      {"a,b\tc", ',', {"a", "b\tc"}},
      {"  a   b　c ", ' ', {"a", "b", "c"}},
      {"", 0, {""}},
      {"x,", 0, {"x", ""}},
      {"ソ\\表\\x", '\\', {"ソ", "表", "x"}},  // ソ and 表 end in 5C
  };
  for (const auto& c : cases) {
    TFields f;
    f.fill("old");
    EXPECT_EQ(SplitFields(c.text, f, c.sep), static_cast<int>(c.fields.size())) << c.text;
    for (std::size_t i = 0; i < f.size(); ++i)
      EXPECT_EQ(f[i], i < c.fields.size() ? c.fields[i] : "") << c.text << " field " << i;
  }
}

TEST(ZBasicFields, AtMost64Fields) {
  const auto numbered = [](int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += (i ? "," : "") + std::to_string(i);
    return s;
  };
  TFields f;
  EXPECT_EQ(SplitFields(numbered(64), f, 0), 64);
  EXPECT_EQ(f[63], "63");
  EXPECT_EQ(SplitFields(numbered(70), f, 0), 64);
  EXPECT_EQ(f[62], "62");
  EXPECT_EQ(f[63], "63");  // text after the 64th separator is dropped
  EXPECT_EQ(SplitFields(numbered(63) + ",", f, 0), 64);
  EXPECT_EQ(f[63], "");
}

TEST(ZBasicFields, ReadFieldsReadsCrLfLines) {
  std::istringstream in("a,b\r\nc\td\r\n\r\nx\ry\r\nlast");
  TFields f;
  ASSERT_TRUE(ReadFields(in, f, 0));
  EXPECT_EQ(f[0], "a");
  EXPECT_EQ(f[1], "b");
  ASSERT_TRUE(ReadFields(in, f, 0));
  EXPECT_EQ(f[0], "c");
  EXPECT_EQ(f[1], "d");
  ASSERT_TRUE(ReadFields(in, f, 0));
  EXPECT_EQ(f[0], "");
  EXPECT_EQ(f[1], "");
  ASSERT_TRUE(ReadFields(in, f, 0));
  EXPECT_EQ(f[0], "x\ry");
  ASSERT_TRUE(ReadFields(in, f, 0));
  EXPECT_EQ(f[0], "last");
  EXPECT_FALSE(ReadFields(in, f, 0));
  EXPECT_EQ(f[0], "");
}

// ---- Packed numbers -------------------------------------------------------

TEST(ZBasicUnpack, UnpacksPairsAndEscapes) {
  const struct {
    std::string packed;
    const char* text;
  } cases[] = {
      {"C\xE6", "12.5"},      // (1,2) (.,5)
      {"\xF4", "-3"},         // (-,3)
      {"\x1E\x01", "E++0"},   // (E,+) (+,0): bytes below 32 wrap around
      {" X", "X"},            // high part 0: the next byte as it is
      {" C", "C"},
      {"@Z", "1Z"},           // low part 0: "1", then the next byte
      {"C\xE6@x", "12.51x"},
      {"@", "1"},
      {" ", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(UnpackNumbers(c.packed), c.text) << c.packed;
}

}  // namespace

namespace {

// Decimals as drawings write them, and longer ones: ParseReal gives the
// correctly rounded value (from_chars's), bit for bit.
TEST(ZBasicParse, DecimalsReadCorrectlyRounded) {
  std::mt19937_64 rng(77);
  for (int k = 0; k < 200000; ++k) {
    std::string s;
    if (rng() % 3 == 0) s += '-';
    const int digits = 1 + static_cast<int>(rng() % 19), point = static_cast<int>(rng() % (digits + 2)) - 1;
    for (int d = 0; d < digits; ++d) {
      if (d == point) s += '.';
      s += static_cast<char>('0' + rng() % 10);
    }
    if (point == digits) s += '.';
    double want = 0;
    const char* b = s.data() + (s[0] == '-');
    std::from_chars(b, s.data() + s.size(), want);
    if (s[0] == '-') want = -want;
    const double got = ParseReal(s);
    ASSERT_EQ(std::memcmp(&got, &want, sizeof got), 0) << s << ": " << got << " for " << want;
  }
}

// The views a large file's reader cuts are the fields SplitFields copies,
// two-byte characters whose second byte is a separator included.
TEST(ZBasicFields, ViewsCutAsFieldsAre) {
  std::mt19937 rng(5);
  static const char kBytes[] = {',', '\t', ' ', 'a', '1', '.', '\x83', '\x5C', '\x82', '\xA0', '\x81', '\x2C'};
  TFields copied;
  TFieldViews views;
  for (int k = 0; k < 20000; ++k) {
    std::string line;
    for (int n = static_cast<int>(rng() % 90); n > 0; --n) line += kBytes[rng() % sizeof kBytes];
    for (const char sep : {'\0', ',', '\t'}) {
      const int a = SplitFields(line, copied, sep), b = SplitFieldViews(line, views, sep);
      ASSERT_EQ(a, b) << line;
      for (std::size_t i = 0; i < copied.size(); ++i) ASSERT_EQ(views[i], copied[i]) << line << " field " << i;
    }
  }
}

}  // namespace
