#include "kernel/Z_Basic.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <istream>
#include <limits>
#include <numbers>

namespace {

// ---- Character stepping ---------------------------------------------------

// Bytes of the character at s[i]: 2 for a lead byte with a byte after it.
std::size_t CharLen(std::string_view s, std::size_t i) {
  return (IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
}

// True when the character s[i], len bytes long, is a half- or full-width space.
bool IsSpaceChar(std::string_view s, std::size_t i, std::size_t len) {
  if (len == 1) return s[i] == ' ';
  return static_cast<unsigned char>(s[i]) == 0x81 && static_cast<unsigned char>(s[i + 1]) == 0x40;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string_view SkipSpaces(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  return s.substr(i);
}

// ---- Width tables ---------------------------------------------------------

// Half-width forms of the 83 kana ァ..ン in CP932 order (katakana 83 40-93
// without 7F; hiragana 82 9F-F1 follow the same order). nullptr: no form.
constexpr const char* kKanaHalf[83] = {
    "ｧ", "ｱ", "ｨ", "ｲ", "ｩ", "ｳ", "ｪ", "ｴ", "ｫ", "ｵ",             // ァアィイゥウェエォオ
    "ｶ", "ｶﾞ", "ｷ", "ｷﾞ", "ｸ", "ｸﾞ", "ｹ", "ｹﾞ", "ｺ", "ｺﾞ",     // カガキギクグケゲコゴ
    "ｻ", "ｻﾞ", "ｼ", "ｼﾞ", "ｽ", "ｽﾞ", "ｾ", "ｾﾞ", "ｿ", "ｿﾞ",     // サザシジスズセゼソゾ
    "ﾀ", "ﾀﾞ", "ﾁ", "ﾁﾞ", "ｯ", "ﾂ", "ﾂﾞ", "ﾃ", "ﾃﾞ", "ﾄ",       // タダチヂッツヅテデト
    "ﾄﾞ", "ﾅ", "ﾆ", "ﾇ", "ﾈ", "ﾉ", "ﾊ", "ﾊﾞ", "ﾊﾟ", "ﾋ",        // ドナニヌネノハバパヒ
    "ﾋﾞ", "ﾋﾟ", "ﾌ", "ﾌﾞ", "ﾌﾟ", "ﾍ", "ﾍﾞ", "ﾍﾟ", "ﾎ", "ﾎﾞ",   // ビピフブプヘベペホボ
    "ﾎﾟ", "ﾏ", "ﾐ", "ﾑ", "ﾒ", "ﾓ", "ｬ", "ﾔ", "ｭ", "ﾕ",          // ポマミムメモャヤュユ
    "ｮ", "ﾖ", "ﾗ", "ﾘ", "ﾙ", "ﾚ", "ﾛ", nullptr, "ﾜ", nullptr,     // ョヨラリルレロヮワヰ
    nullptr, "ｦ", "ﾝ",                                             // ヱヲン
};

// Half-width forms of the symbols with lead byte 81, by trail byte.
struct TSymbolHalf {
  unsigned char trail;
  const char* text;
};
constexpr TSymbolHalf kSymbolHalf[] = {
    {0x40, " "}, {0x41, "､"}, {0x42, "｡"}, {0x43, ","}, {0x44, "."},  {0x45, "･"}, {0x46, ":"},
    {0x47, ";"}, {0x48, "?"}, {0x49, "!"}, {0x4A, "ﾞ"}, {0x4B, "ﾟ"},  {0x4C, "'"}, {0x4D, "'"},
    {0x4F, "^"}, {0x50, "~"}, {0x51, "_"}, {0x5B, "-"}, {0x5C, "-"},  {0x5D, "-"}, {0x5E, "/"},
    {0x62, "|"}, {0x69, "("}, {0x6A, ")"}, {0x6D, "["}, {0x6E, "]"},  {0x6F, "{"}, {0x70, "}"},
    {0x71, "<"}, {0x72, ">"}, {0x75, "｢"}, {0x76, "｣"}, {0x7B, "+"},  {0x7C, "-"}, {0x81, "="},
    {0x83, "<"}, {0x84, ">"}, {0x8B, "ﾟ"}, {0x8C, "'"}, {0x8D, "\""}, {0x8F, "\\"}, {0x90, "$"},
    {0x93, "%"}, {0x94, "#"}, {0x95, "&"}, {0x96, "*"}, {0x97, "@"},
};

// Two-byte forms of ASCII 20..7E (JIS X 0208 forms: ” ’ ＼ ～ for " ' \ ~).
constexpr const char* kAsciiFull[95] = {
    "　", "！", "”", "＃", "＄", "％", "＆", "’", "（", "）", "＊", "＋", "，", "－", "．", "／",  //   ! " # $ % & ' ( ) * + , - . /
    "０", "１", "２", "３", "４", "５", "６", "７", "８", "９", "：", "；", "＜", "＝", "＞", "？",  // 0 1 2 3 4 5 6 7 8 9 : ; < = > ?
    "＠", "Ａ", "Ｂ", "Ｃ", "Ｄ", "Ｅ", "Ｆ", "Ｇ", "Ｈ", "Ｉ", "Ｊ", "Ｋ", "Ｌ", "Ｍ", "Ｎ", "Ｏ",  // @ A B C D E F G H I J K L M N O
    "Ｐ", "Ｑ", "Ｒ", "Ｓ", "Ｔ", "Ｕ", "Ｖ", "Ｗ", "Ｘ", "Ｙ", "Ｚ", "［", "＼", "］", "＾", "＿",  // P Q R S T U V W X Y Z [ \ ] ^ _
    "｀", "ａ", "ｂ", "ｃ", "ｄ", "ｅ", "ｆ", "ｇ", "ｈ", "ｉ", "ｊ", "ｋ", "ｌ", "ｍ", "ｎ", "ｏ",  // ` a b c d e f g h i j k l m n o
    "ｐ", "ｑ", "ｒ", "ｓ", "ｔ", "ｕ", "ｖ", "ｗ", "ｘ", "ｙ", "ｚ", "｛", "｜", "｝", "～",        // p q r s t u v w x y z { | } ~
};

// Two-byte forms of the half-width katakana A1..DF.
constexpr const char* kKanaFull[63] = {
    "。", "「", "」", "、", "・", "ヲ", "ァ", "ィ", "ゥ", "ェ", "ォ", "ャ", "ュ", "ョ", "ッ", "ー",  // ｡｢｣､･ｦｧｨｩｪｫｬｭｮｯｰ
    "ア", "イ", "ウ", "エ", "オ", "カ", "キ", "ク", "ケ", "コ", "サ", "シ", "ス", "セ", "ソ", "タ",  // ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀ
    "チ", "ツ", "テ", "ト", "ナ", "ニ", "ヌ", "ネ", "ノ", "ハ", "ヒ", "フ", "ヘ", "ホ", "マ", "ミ",  // ﾁﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐ
    "ム", "メ", "モ", "ヤ", "ユ", "ヨ", "ラ", "リ", "ル", "レ", "ロ", "ワ", "ン", "゛", "゜",        // ﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜﾝﾞﾟ
};

constexpr unsigned char kVoicedMark = 0xDE;      // ﾞ
constexpr unsigned char kSemiVoicedMark = 0xDF;  // ﾟ

// ---- Number scanning ------------------------------------------------------

// Length of the number text ParseReal takes at the start of s (no spaces
// skipped): sign, digits and one point, then after a point an exponent of
// "E", a sign and one to three digits.
std::size_t ScanNumber(std::string_view s) {
  const std::size_t n = s.size();
  std::size_t i = 0;
  if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
  bool point = false;
  while (i < n) {
    const char c = s[i];
    if (IsDigit(c)) {
      ++i;
    } else if (c == '.' && !point) {
      point = true;
      ++i;
    } else if ((c == 'E' || c == 'e') && point && i + 2 < n && (s[i + 1] == '+' || s[i + 1] == '-') &&
               IsDigit(s[i + 2])) {
      i += 2;
      for (int k = 0; k < 3 && i < n && IsDigit(s[i]); ++k) ++i;
      break;
    } else {
      break;
    }
  }
  return i;
}

// ParseReal without skipping spaces.
double ConvertNumber(std::string_view s) {
  std::string_view t = s.substr(0, ScanNumber(s));
  bool negative = false;
  if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
    negative = t[0] == '-';
    t.remove_prefix(1);
  }
  // from_chars reads ".5" and "5." as they are; "" and "." fail and give 0.
  double v = 0.0;
  const auto r = std::from_chars(t.data(), t.data() + t.size(), v, std::chars_format::general);
  if (r.ec != std::errc{}) return 0.0;
  return negative ? -v : v;
}

// Hexadecimal digits at the start of s, kept modulo 2^32.
int ConvertHex(std::string_view s) {
  std::uint32_t v = 0;
  for (char c : s) {
    const int d = HexDigitValue(c);
    if (d < 0) break;
    v = (v << 4) | static_cast<std::uint32_t>(d);
  }
  return static_cast<int>(v);  // two's complement reading of the 32 bits
}

// ---- Expression -----------------------------------------------------------

bool IsOperator(char c) { return c == '+' || c == '-' || c == '*' || c == '/' || c == ':'; }

std::size_t FindOperator(std::string_view s, std::size_t from) {
  for (std::size_t i = from; i < s.size(); ++i)
    if (IsOperator(s[i])) return i;
  return s.size();
}

double Apply(double a, char op, double b) {
  switch (op) {
    case '+': return a + b;
    case '-': return a - b;
    case '*': return a * b;
    case '/': return std::fabs(b) <= 1e-6 ? a : a / b;  // no division by (nearly) zero
    case ':':
      if (a == 0.0 && b == 0.0) return 0.0;  // atan2 gives +-180 for "-0:-0"
      return std::atan2(a, b) * 180.0 / std::numbers::pi;
    default: return a;
  }
}

// ---- Formatting -----------------------------------------------------------

std::string NonFiniteText(double x) {
  if (std::isnan(x)) return "NAN";
  return x < 0 ? "-INF" : "INF";
}

// "-0.00" and the like read "0.00".
void DropMinusOfZero(std::string& t) {
  if (!t.empty() && t[0] == '-' && t.find_first_of("123456789") == std::string::npos) t.erase(0, 1);
}

std::string FixedText(double x, int decimals, bool thousands) {
  if (!std::isfinite(x)) return NonFiniteText(x);
  std::string t(static_cast<std::size_t>(decimals) + 330, '\0');  // 309 digits, sign, point
  const auto r = std::to_chars(t.data(), t.data() + t.size(), x, std::chars_format::fixed, decimals);
  t.resize(static_cast<std::size_t>(r.ptr - t.data()));
  if (thousands) {
    const std::size_t first = (t[0] == '-') ? 1 : 0;
    std::size_t end = t.find('.');
    if (end == std::string::npos) end = t.size();
    while (end > first + 3) {
      end -= 3;
      t.insert(end, 1, ',');
    }
  }
  DropMinusOfZero(t);
  return t;
}

std::string ExpText(double x, int digits) {
  if (!std::isfinite(x)) return NonFiniteText(x);
  std::string t(static_cast<std::size_t>(digits) + 16, '\0');
  const auto r = std::to_chars(t.data(), t.data() + t.size(), x, std::chars_format::scientific, digits - 1);
  t.resize(static_cast<std::size_t>(r.ptr - t.data()));
  const std::size_t e = t.find('e');
  std::string exponent = t.substr(e + 2);
  if (exponent.size() < 3) exponent.insert(0, 3 - exponent.size(), '0');
  std::string out = t.substr(0, e) + 'E' + t[e + 1] + exponent;
  DropMinusOfZero(out);
  return out;
}

std::string ZeroFill(std::string digits, int minDigits) {
  if (minDigits > 0 && digits.size() < static_cast<std::size_t>(minDigits))
    digits.insert(0, static_cast<std::size_t>(minDigits) - digits.size(), '0');
  return digits;
}

std::string IntText(std::int64_t v, int minDigits) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  std::string_view t(buf, static_cast<std::size_t>(r.ptr - buf));
  const bool negative = t[0] == '-';
  if (negative) t.remove_prefix(1);
  std::string out = ZeroFill(std::string(t), minDigits);
  if (negative) out.insert(out.begin(), '-');
  return out;
}

std::string HexText(std::int64_t v, int minDigits) {
  const bool fits32 = v < 0 && v >= std::numeric_limits<std::int32_t>::min();
  const std::uint64_t u = fits32 ? static_cast<std::uint32_t>(v) : static_cast<std::uint64_t>(v);
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, u, 16);
  std::string t(buf, r.ptr);
  for (char& c : t)
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
  return ZeroFill(std::move(t), minDigits);
}

std::string ShortestText(double x) {
  if (!std::isfinite(x)) return NonFiniteText(x);
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, x);
  return std::string(buf, r.ptr);
}

// A width or precision in a format; absurd values are capped.
int ReadCount(std::string_view f, std::size_t& i) {
  int v = 0;
  while (i < f.size() && IsDigit(f[i])) {
    v = std::min(v * 10 + (f[i] - '0'), 999);
    ++i;
  }
  return v;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// ---- Spaces and searching -------------------------------------------------

std::string Spaces(int n) { return std::string(n > 0 ? static_cast<std::size_t>(n) : 0, ' '); }

int PosMB(std::string_view sub, std::string_view s) {
  if (sub.empty()) return 0;
  for (std::size_t i = 0; i < s.size(); i += CharLen(s, i))
    if (s.substr(i).starts_with(sub)) return static_cast<int>(i) + 1;
  return 0;
}

std::string RemoveSpaces(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t len = CharLen(s, i);
    if (!IsSpaceChar(s, i, len)) out.append(s.substr(i, len));
    i += len;
  }
  return out;
}

std::string TrimLeftMB(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const std::size_t len = CharLen(s, i);
    if (!IsSpaceChar(s, i, len)) break;
    i += len;
  }
  return std::string(s.substr(i));
}

std::string TrimRightMB(std::string_view s) {
  // Shift-JIS cannot be scanned backwards: find the end of the last non-space
  // character going forwards.
  std::size_t end = 0;
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t len = CharLen(s, i);
    if (!IsSpaceChar(s, i, len)) end = i + len;
    i += len;
  }
  return std::string(s.substr(0, end));
}

std::string CollapseSpaces(std::string_view s) {
  std::string out;
  bool pendingSpace = false;
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t len = CharLen(s, i);
    if (IsSpaceChar(s, i, len)) {
      pendingSpace = !out.empty();
    } else {
      if (pendingSpace) out += ' ';
      pendingSpace = false;
      out.append(s.substr(i, len));
    }
    i += len;
  }
  return out;
}

std::string UpperAscii(std::string_view s) {
  std::string out(s);
  for (std::size_t i = 0; i < out.size();) {
    const std::size_t len = CharLen(out, i);
    if (len == 1 && out[i] >= 'a' && out[i] <= 'z') out[i] = static_cast<char>(out[i] - 'a' + 'A');
    i += len;
  }
  return out;
}

// ---- Width conversion -----------------------------------------------------

TWidthChar HalfWidthChar(unsigned char lead, unsigned char trail, bool withHiragana) {
  if (!IsLeadByte(lead) || trail == 0) return {std::string(1, static_cast<char>(lead)), 1};
  const char* half = nullptr;
  char single[2] = {0, 0};
  if (lead == 0x82) {
    if ((trail >= 0x4F && trail <= 0x58) || (trail >= 0x60 && trail <= 0x79)) {
      single[0] = static_cast<char>(trail - 0x1F);  // ０-９, Ａ-Ｚ
      half = single;
    } else if (trail >= 0x81 && trail <= 0x9A) {
      single[0] = static_cast<char>(trail - 0x20);  // ａ-ｚ
      half = single;
    } else if (withHiragana && trail >= 0x9F && trail <= 0xF1) {
      half = kKanaHalf[trail - 0x9F];
    }
  } else if (lead == 0x83 && trail >= 0x40 && trail <= 0x93 && trail != 0x7F) {
    half = kKanaHalf[trail - 0x40 - (trail > 0x7F ? 1 : 0)];
  } else if (lead == 0x81) {
    for (const TSymbolHalf& e : kSymbolHalf)
      if (e.trail == trail) half = e.text;
  }
  if (!half) return {std::string{static_cast<char>(lead), static_cast<char>(trail)}, 2};
  return {half, 2};
}

TWidthChar FullWidthChar(unsigned char c, unsigned char next) {
  if (IsLeadByte(c)) {
    if (next == 0) return {std::string(1, static_cast<char>(c)), 1};
    return {std::string{static_cast<char>(c), static_cast<char>(next)}, 2};
  }
  if (c >= 0x20 && c <= 0x7E) return {kAsciiFull[c - 0x20], 1};
  if (c >= 0xA1 && c <= 0xDF) {
    std::string full = kKanaFull[c - 0xA1];
    // In CP932 the voiced kana follows its plain kana, the semi-voiced one
    // comes next: カ ガ, ハ バ パ.
    const bool voiceable = (c >= 0xB6 && c <= 0xC4) || (c >= 0xCA && c <= 0xCE);  // ｶ-ﾄ, ﾊ-ﾎ
    const bool semiVoiceable = c >= 0xCA && c <= 0xCE;
    if ((next == kVoicedMark && voiceable) || (next == kSemiVoicedMark && semiVoiceable)) {
      full[1] = static_cast<char>(static_cast<unsigned char>(full[1]) + (next == kVoicedMark ? 1 : 2));
      return {full, 2};
    }
    return {full, 1};
  }
  return {std::string(1, static_cast<char>(c)), 1};
}

std::string ToHalfWidth(std::string_view s, bool withHiragana) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    const unsigned char next = i + 1 < s.size() ? static_cast<unsigned char>(s[i + 1]) : 0;
    const TWidthChar c = HalfWidthChar(static_cast<unsigned char>(s[i]), next, withHiragana);
    out += c.text;
    i += static_cast<std::size_t>(c.used);
  }
  return out;
}

std::string ToFullWidth(std::string_view s) {
  std::string out;
  out.reserve(s.size() * 2);
  for (std::size_t i = 0; i < s.size();) {
    const unsigned char next = i + 1 < s.size() ? static_cast<unsigned char>(s[i + 1]) : 0;
    const TWidthChar c = FullWidthChar(static_cast<unsigned char>(s[i]), next);
    out += c.text;
    i += static_cast<std::size_t>(c.used);
  }
  return out;
}

std::string FitText(std::string_view s, int n) {
  const std::size_t limit = n > 0 ? static_cast<std::size_t>(n) : 0;
  std::string t(s);
  if (t.size() > limit) t = TrimLeftMB(t);
  if (t.size() > limit) t = TrimRightMB(t);
  if (t.size() > limit) t = CollapseSpaces(t);
  if (t.size() > limit) t = ToHalfWidth(t, false);
  if (t.size() > limit) t = RemoveSpaces(t);
  if (t.size() > limit) t = CutMB(t, limit);
  return t;
}

std::string CutMB(std::string_view s, std::size_t n) {
  std::size_t end = 0;
  while (end < s.size()) {
    const std::size_t len = CharLen(s, end);
    if (end + len > n) break;
    end += len;
  }
  return std::string(s.substr(0, end));
}

// ---- Parsing --------------------------------------------------------------

double ParseReal(std::string_view s) { return ConvertNumber(SkipSpaces(s)); }

int ParseInt(std::string_view s) {
  s = SkipSpaces(s);
  if (!s.empty() && s[0] == '$') return ConvertHex(s.substr(1));
  return TruncInt(ConvertNumber(s));
}

int ParseHex(std::string_view s) { return ConvertHex(SkipSpaces(s)); }

double EvalField(std::string_view s, int k) {
  const std::string text = RemoveSpaces(ToHalfWidth(s, false));
  // The k-th comma-separated field; a comma is never a trail byte.
  std::string expr = "0";
  std::size_t start = 0;
  for (int field = 1; field <= k; ++field) {
    std::size_t comma = text.find(',', start);
    const bool last = comma == std::string::npos;
    if (last) comma = text.size();
    if (field == k) expr = text.substr(start, comma - start);
    if (last) break;
    start = comma + 1;
  }
  expr += "+0+0+0+0";

  // Operators are searched after each operand's number, so that a leading
  // sign ("10*-2") and an exponent sign ("1.5E+3") belong to the number.
  const std::string_view e = expr;
  const std::size_t op1 = FindOperator(e, std::max<std::size_t>(1, ScanNumber(e)));
  const std::size_t p1 = std::min(op1 + 1, e.size());
  const std::size_t op2 = FindOperator(e, p1 + ScanNumber(e.substr(p1)));
  const std::size_t p2 = std::min(op2 + 1, e.size());
  const char o1 = op1 < e.size() ? e[op1] : '+';
  const char o2 = op2 < e.size() ? e[op2] : '+';
  const double a = ConvertNumber(e);
  const double b = ConvertNumber(e.substr(p1));
  const double c = ConvertNumber(e.substr(p2));

  if ((o1 == '+' || o1 == '-') && (o2 == '*' || o2 == '/')) return Apply(a, o1, Apply(b, o2, c));
  return Apply(Apply(a, o1, b), o2, c);
}

// ---- Formatting -----------------------------------------------------------

std::int64_t FmtArg::asInt() const {
  switch (kind_) {
    case Kind::Int: return i_;
    case Kind::Real:
      if (std::isnan(d_)) return 0;
      if (d_ >= 9223372036854775807.0) return std::numeric_limits<std::int64_t>::max();
      if (d_ <= -9223372036854775808.0) return std::numeric_limits<std::int64_t>::min();
      return static_cast<std::int64_t>(d_);
    case Kind::Text: return 0;
  }
  return 0;
}

double FmtArg::asReal() const {
  switch (kind_) {
    case Kind::Int: return static_cast<double>(i_);
    case Kind::Real: return d_;
    case Kind::Text: return 0.0;
  }
  return 0.0;
}

std::string Format(std::string_view fmt, std::initializer_list<FmtArg> args) {
  std::string out;
  auto arg = args.begin();
  std::size_t i = 0;
  // '%' (25) is never a trail byte, so the format can be scanned bytewise.
  while (i < fmt.size()) {
    if (fmt[i] != '%') {
      out += fmt[i++];
      continue;
    }
    const std::size_t start = i++;
    if (i < fmt.size() && fmt[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    bool left = false;
    while (i < fmt.size() && fmt[i] == '-') {
      left = true;
      ++i;
    }
    const int width = ReadCount(fmt, i);
    int prec = -1;
    if (i < fmt.size() && fmt[i] == '.') {
      ++i;
      prec = ReadCount(fmt, i);
    }
    if (i >= fmt.size()) {
      out.append(fmt.substr(start));
      break;
    }
    const char type = LowerAscii(fmt[i++]);
    if (std::strchr("dxsfne", type) == nullptr || type == '\0') {
      out.append(fmt.substr(start, i - start));
      continue;
    }
    if (arg == args.end()) continue;
    const FmtArg& a = *arg++;

    std::string text;
    if (a.kind() == FmtArg::Kind::Text) {
      text = a.text();
    } else if (type == 's') {
      text = a.kind() == FmtArg::Kind::Int ? IntText(a.asInt(), -1) : ShortestText(a.asReal());
    } else if (type == 'd') {
      text = IntText(a.asInt(), prec);
    } else if (type == 'x') {
      text = HexText(a.asInt(), prec);
    } else if (type == 'f' || type == 'n') {
      text = FixedText(a.asReal(), prec < 0 ? 2 : prec, type == 'n');
    } else {  // 'e'
      text = ExpText(a.asReal(), prec < 0 ? 15 : std::max(prec, 1));
    }
    const std::size_t w = static_cast<std::size_t>(width);
    if (text.size() < w) {
      if (left)
        text.append(w - text.size(), ' ');
      else
        text.insert(0, w - text.size(), ' ');
    }
    out += text;
  }
  return out;
}

std::string FormatReal(int code, double x) {
  const std::int64_t c = code;
  const std::int64_t m = c < 0 ? -c : c;
  const std::int64_t width = std::min<std::int64_t>(m / 10, 20);
  const std::int64_t decimals = m % 10;
  const std::string fmt = Format("%%%d.%d%s", {width, decimals, c >= 1 ? "f" : "n"});
  return Format(fmt, {x});
}

std::string FormatNumber(int code, double x) {
  std::string t = FormatReal(code, x);
  if (ParseReal(t) == 0.0) t.clear();
  return t;
}

// ---- Fields ---------------------------------------------------------------

namespace {

// Cuts s at each sep into field(0), field(1), ... (at most capacity);
// returns the number of fields cut.
template <class Put>
int CutFields(std::string_view s, char sep, int capacity, Put&& field) {
  int count = 0;
  std::size_t start = 0;
  std::size_t i = 0;
  while (count < capacity) {
    if (i >= s.size()) {  // the separator that ends the last field
      field(count++, s.substr(start));
      break;
    }
    if (s[i] == sep) {
      field(count++, s.substr(start, i - start));
      start = ++i;
      continue;
    }
    // A lead byte's trail may equal the separator ("ソ" is 83 5C); plain
    // bytes are stepped over one at a time without asking.
    i += static_cast<unsigned char>(s[i]) < 0x80 ? 1 : CharLen(s, i);
  }
  return count;
}

}  // namespace

int SplitFields(std::string_view s, TFields& fields, char sep) {
  std::string collapsed;
  if (sep == 0) {
    sep = s.find('\t') != std::string_view::npos ? '\t' : ',';
  } else if (sep == ' ') {
    collapsed = CollapseSpaces(s);
    s = collapsed;
  }
  for (std::string& f : fields) f.clear();
  return CutFields(s, sep, static_cast<int>(fields.size()),
                   [&](int k, std::string_view f) { fields[static_cast<std::size_t>(k)] = f; });
}

int SplitFieldViews(std::string_view s, TFieldViews& fields, char sep) {
  if (sep == 0) sep = s.find('\t') != std::string_view::npos ? '\t' : ',';
  const int count = CutFields(s, sep, static_cast<int>(fields.size()),
                              [&](int k, std::string_view f) { fields[static_cast<std::size_t>(k)] = f; });
  for (std::size_t k = static_cast<std::size_t>(count); k < fields.size(); ++k) fields[k] = {};
  return count;
}

bool ReadFields(std::istream& in, TFields& fields, char sep) {
  std::string line;
  if (!std::getline(in, line)) {
    for (std::string& f : fields) f.clear();
    return false;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  SplitFields(line, fields, sep);
  return true;
}

std::string UnpackNumbers(std::string_view packed) {
  static constexpr char kAlphabet[] = "0123456789,.-+E";  // characters 1..15
  std::string out;
  const std::size_t n = packed.size();
  for (std::size_t i = 0; i < n;) {
    const unsigned b = static_cast<unsigned char>(packed[i]);
    const unsigned h = ((b - 32u) >> 4) & 15u;
    const unsigned l = b % 16u;
    if (h != 0 && l != 0) {
      out += kAlphabet[h - 1];
      out += kAlphabet[l - 1];
      i += 1;
      continue;
    }
    if (h != 0) out += kAlphabet[h - 1];      // l == 0: character h, then an escaped byte
    if (i + 1 < n) out += packed[i + 1];      // the escaped byte, copied as it is
    i += 2;
  }
  return out;
}
