// Text and number utilities shared by every module: lenient number parsing,
// the small expressions typed into the entry box, number formatting, field
// splitting, and space handling and width conversion that know Shift-JIS.
//
// All text is CP932 bytes. A byte 81-9F or E0-FC starts a two-byte character;
// every routine steps over such a pair as one character, and a lead byte in
// the last position stands alone (nothing is read past the end).
// Numbers are formatted and parsed without the C locale: the decimal
// separator is always a point.
#pragma once

#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <iosfwd>
#include <string>
#include <string_view>
#include <type_traits>

#include "kernel/Common.h"

// True for the first byte of a two-byte character.
bool IsLeadByte(unsigned char c);

// ---- Spaces and searching -------------------------------------------------

// n half-width spaces (none when n <= 0).
std::string Spaces(int n);
// 1-based position of the first occurrence of sub in s that starts on a
// character boundary; 0 when there is none or sub is empty.
int PosMB(std::string_view sub, std::string_view s);
// s without any half-width or full-width ("　") space.
std::string RemoveSpaces(std::string_view s);
// s without leading (trailing) half-width and full-width spaces.
std::string TrimLeftMB(std::string_view s);
std::string TrimRightMB(std::string_view s);
// Full-width spaces become half-width, runs of spaces become one, leading and
// trailing spaces go.
std::string CollapseSpaces(std::string_view s);
// ASCII a-z raised to A-Z; two-byte characters untouched.
std::string UpperAscii(std::string_view s);

// ---- Width conversion -----------------------------------------------------

// One converted character: its text and how many input bytes it used.
struct TWidthChar {
  std::string text;
  int used;
};

// The single-byte form of the character lead, trail: full-width digits,
// letters and the common symbols, katakana (and hiragana when withHiragana)
// as half-width katakana, a voiced kana as the kana followed by "ﾞ" or "ﾟ".
// A character without a single-byte form comes back unchanged. A single-byte
// lead is returned alone (used 1); so is a lead byte whose trail is 0 (none).
TWidthChar HalfWidthChar(unsigned char lead, unsigned char trail, bool withHiragana);
// The two-byte form of the single-byte character c: ASCII 20-7E and
// half-width katakana A1-DF. A half-width kana followed (next) by "ﾞ" or "ﾟ"
// becomes the voiced or semi-voiced kana where one exists, using both bytes.
// A two-byte character passes through (used 2; used 1 when next is 0).
TWidthChar FullWidthChar(unsigned char c, unsigned char next);

// Every character converted by HalfWidthChar / FullWidthChar.
std::string ToHalfWidth(std::string_view s, bool withHiragana);
std::string ToFullWidth(std::string_view s);

// s shortened to at most n bytes: trimmed, spaces collapsed, converted to
// half-width, spaces removed, each step only while it is still too long;
// finally cut after the last whole character that fits.
std::string FitText(std::string_view s, int n);
// s cut to at most n bytes, never inside a character.
std::string CutMB(std::string_view s, std::size_t n);

// f(line) for each line of s (ended by LF, a CR before it dropped; a last
// line without LF counts), until f returns false (when it returns a value).
template <class F>
void ForEachLine(std::string_view s, F&& f) {
  std::size_t pos = 0;
  while (pos < s.size()) {
    std::size_t end = s.find('\n', pos);
    if (end == std::string_view::npos) end = s.size();
    std::string_view line = s.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if constexpr (std::is_void_v<decltype(f(line))>) {
      f(line);
    } else if (!f(line)) {
      return;
    }
    pos = end + 1;
  }
}

// ---- Parsing --------------------------------------------------------------

// The number at the start of s (after leading spaces): an optional sign,
// digits and at most one decimal point; after a decimal point an exponent
// "E+3" / "e-03" (sign required, up to three digits). Text after the number
// is ignored; no number gives 0. "12.5mm" is 12.5, "-.5" is -0.5.
double ParseReal(std::string_view s);
// After leading spaces, "$" introduces hexadecimal digits (see ParseHex);
// otherwise ParseReal truncated toward zero and clamped (TruncInt).
int ParseInt(std::string_view s);
// The hexadecimal digits at the start of s (after leading spaces). The value
// is the low 32 bits as a signed integer: "FFFFFFFF" is -1, only the last
// eight digits of a longer run count. No digit gives 0.
int ParseHex(std::string_view s);
// The value of the k-th (1-based) comma-separated field of what the user
// typed: a number, or two or three numbers joined by + - * / and ":"
// ("a:b" is the angle in degrees whose tangent is a/b). Full-width digits and
// operators are accepted, spaces ignored; a missing field is 0.
double EvalField(std::string_view s, int k);

// ---- Formatting -----------------------------------------------------------

// One argument of Format: an integer, a real or a text.
class FmtArg {
public:
  enum class Kind { Int, Real, Text };

  template <std::integral T>
    requires(!std::same_as<T, bool> && !std::same_as<T, char>)
  FmtArg(T v) : kind_(Kind::Int), i_(static_cast<std::int64_t>(v)) {}
  template <std::floating_point T>
  FmtArg(T v) : kind_(Kind::Real), d_(static_cast<double>(v)) {}
  FmtArg(std::string_view v) : kind_(Kind::Text), s_(v) {}
  FmtArg(const char* v) : kind_(Kind::Text), s_(v) {}
  FmtArg(const std::string& v) : kind_(Kind::Text), s_(v) {}

  Kind kind() const { return kind_; }
  std::int64_t asInt() const;  // a real truncated toward zero (clamped, NaN 0)
  double asReal() const;       // a text reads 0
  std::string_view text() const { return s_; }

private:
  Kind kind_;
  std::int64_t i_ = 0;
  double d_ = 0;
  std::string_view s_;
};

// Delphi-style formatting. Each conversion is %[-][width][.prec]type:
//   d  decimal integer (prec = minimum digits, zero-filled)
//   x  upper-case hexadecimal (prec = minimum digits); a negative value that
//      fits 32 bits prints as its 32-bit pattern
//   s  text (a number prints as %d, or shortest exact form for a real;
//      no precision)
//   f  fixed, prec decimals (default 2)
//   n  as f with thousands separators ","
//   e  prec significant digits (default 15), upper-case E, exponent sign and
//      three digits: "%.7e" of 1.5 is "1.500000E+000"
// "%%" is a percent sign. width pads with spaces on the left, or on the right
// with "-". Reals round from their exact binary value, ties to even (0.125 at
// two decimals is "0.12"); a result whose digits are all zero has no minus
// sign; NaN and infinities print "NAN", "INF", "-INF". Conversions with no
// argument left print nothing; an unknown conversion is copied as written.
std::string Format(std::string_view fmt, std::initializer_list<FmtArg> args);

// x formatted by a number format code c: width min(|c| div 10, 20),
// decimals |c| mod 10; fixed ("%W.Df") when c >= 1, with thousands
// separators ("%W.Dn") when c <= 0. FormatReal(103, 2.5) is "     2.500".
std::string FormatReal(int code, double x);
// As FormatReal, but an empty text when the result reads as 0.
std::string FormatNumber(int code, double x);

// ---- Fields ---------------------------------------------------------------

// Clears all 64 fields, then cuts s at each separator into fields 0, 1, ...;
// text after the 64th separator is dropped. sep 0 means a tab when s holds
// one, else a comma; with sep ' ' spaces are first collapsed
// (CollapseSpaces). Returns the number of fields cut (at least 1).
int SplitFields(std::string_view s, TFields& fields, char sep);
// The same cut as views into s (which must outlive them), without copying:
// for readers of large files. Fields past the last one cut are empty.
using TFieldViews = std::array<std::string_view, 64>;
int SplitFieldViews(std::string_view s, TFieldViews& fields, char sep);
// Reads one line (ended by LF, a CR before it dropped) and splits it.
// At end of file the fields are cleared and the result is false.
bool ReadFields(std::istream& in, TFields& fields, char sep);

// The text of a packed numeric field: each byte holds up to two characters
// of "0123456789,.-+E" or escapes the byte after it.
std::string UnpackNumbers(std::string_view packed);
