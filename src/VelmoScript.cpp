#include "VelmoScript.h"

#include <charconv>
#include <cmath>
#include <exception>
#include <system_error>

#include "Velmo.h"
#include "app/ApGrpLay.h"
#include "app/ApInput.h"
#include "app/ApKeyEvent.h"
#include "app/ApMainMenu.h"
#include "app/ApManager.h"
#include "app/ApMouse.h"
#include "app/Ap_Unit1.h"
#include "app/GC_View.h"
#include "files/FileProc.h"
#include "kernel/ProgramDir.h"
#include "kernel/ReplaceFile.h"
#include "kernel/SjisConv.h"
#include "kernel/Wiring.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "ops/Op_BoxCounter.h"
#include "dialogs/DrawFrame.h"
#include "dialogs/WindowSize.h"
#include "ops/Op_NumLines.h"
#include "ops/Op_PenChange.h"
#include "platform/headless/HeadlessPlatform.h"
#include "render/Z_Graph.h"

namespace fs = std::filesystem;

// ---- Words shared with the recorder --------------------------------------------

namespace {

struct TKeyName {
  int key;
  const char* name;
};

constexpr TKeyName kKeyNames[] = {
    {8, "Backspace"}, {9, "Tab"},        {13, "Enter"},  {16, "Shift"},   {17, "Ctrl"},    {18, "Alt"},
    {19, "Pause"},    {27, "Esc"},       {32, "Space"},  {33, "PageUp"},  {34, "PageDown"}, {35, "End"},
    {36, "Home"},     {37, "Left"},      {38, "Up"},     {39, "Right"},   {40, "Down"},    {45, "Insert"},
    {46, "Delete"},   {106, "NumMul"},   {107, "NumAdd"}, {109, "NumSub"}, {110, "NumDot"}, {111, "NumDiv"},
};

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

std::string ScriptKeyName(int key) {
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::string(1, static_cast<char>(key));
  if (key >= 96 && key <= 105) return "Num" + std::to_string(key - 96);
  if (key >= kVkF1 && key <= kVkF1 + 11) return "F" + std::to_string(key - kVkF1 + 1);
  for (const TKeyName& k : kKeyNames)
    if (k.key == key) return k.name;
  return {};
}

int ScriptKeyCode(std::string_view name) {
  if (name.size() == 1) {
    const char c = name[0];
    if (c >= '0' && c <= '9') return c;
    if (c >= 'A' && c <= 'Z') return c;
    if (c >= 'a' && c <= 'z') return c - 'a' + 'A';
    return 0;
  }
  for (const TKeyName& k : kKeyNames)
    if (EqualNoCase(name, k.name)) return k.key;
  // Num0..Num9 and F1..F12: a prefix and a number, compared as text.
  const auto numbered = [&](std::string_view prefix, int n) {
    std::string word(prefix);
    word += std::to_string(n);
    return EqualNoCase(name, word);
  };
  for (int n = 0; n <= 9; ++n)
    if (numbered("Num", n)) return 96 + n;
  for (int n = 1; n <= 12; ++n)
    if (numbered("F", n)) return kVkF1 + n - 1;
  return 0;
}

std::string ScriptNumber(double v) {
  if (v == 0) v = 0;  // no "-0"
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

std::string ScriptQuote(std::string_view utf8) {
  std::string out = "\"";
  for (char c : utf8) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default: out += c;
    }
  }
  return out + "\"";
}

namespace {

struct TAnswerWord {
  MsgAnswer answer;
  const char* word;
};
constexpr TAnswerWord kAnswerWords[] = {{MsgAnswer::Yes, "yes"},     {MsgAnswer::No, "no"},
                                        {MsgAnswer::Cancel, "cancel"}, {MsgAnswer::Ok, "ok"},
                                        {MsgAnswer::Abort, "abort"}, {MsgAnswer::Retry, "retry"},
                                        {MsgAnswer::Ignore, "ignore"}};

}  // namespace

const char* ScriptAnswerWord(MsgAnswer a) {
  for (const TAnswerWord& w : kAnswerWords)
    if (w.answer == a) return w.word;
  return "ok";
}

void ScriptToPixel(double x, double y, double& px, double& py) {
  G_ToPixel(CurrentView(), x, y, px, py);
  px = std::nearbyint(px * 256) / 256;
  py = std::nearbyint(py * 256) / 256;
}

// ---- Reading a script ----------------------------------------------------------------

namespace {

enum class TCmd {
  Open, New, Save, Window, Op, Menu, MenuOpen, Sub, Key, Type, Click, Press, Move, Release, Wheel, Control, Set,
  View, Fit, PanelWrite, PanelToggle, PanelGroup, Answer, Dialog, ExpectDialog, ExpectCells, ExpectKind, ExpectPrompt, ExpectCaption,
  ExpectEntry, ExpectMessage, ExpectBeep, PrintState, Size, Drop, Close, Clipboard, ClipboardImage,
};

enum class TAnswerKind { Box, File, Text, Color, Print, Dxf };

struct TPos {
  double x = 0, y = 0;
  bool pixels = false;
};

struct TCommand {
  TCmd cmd = TCmd::New;
  int line = 0;
  unsigned button = 0;  // ssLeft, ssRight, ssMiddle; both for "B"
  unsigned mods = 0;    // ssShift, ssCtrl, ssAlt, ssDouble
  bool down = true, up = true;  // key: press, release or both
  int n = 0, m = 0;
  TPos p[2];
  bool hasPos = false;
  std::string text;  // CP932: typed text, control or menu item, expected text; UTF-8 for paths
  std::string value;  // CP932: the text a control is set to
  std::vector<std::string> files;  // UTF-8, absolute
  TOpButton op = OpBtn_None;
  TAnswerKind answerKind = TAnswerKind::Box;
  MsgAnswer answer = MsgAnswer::Ok;
  bool ok = true;  // an answer that is not cancel
  TPrintSetup print;
};

struct TToken {
  std::string text;  // UTF-8
  bool quoted = false;
};

// Why the script cannot run (status 2); the message is CP932.
struct TMalformed {
  int line;
  std::string message;
};

// CP932 text (messages, literals of this file) for the terminal.
std::string U8(std::string_view sjis) { return SjisToUtf8(sjis); }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// True when the bytes are well-formed UTF-8 without NUL or other controls but tab.
bool IsTextLine(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      if ((c < 0x20 && c != '\t' && c != '\r') || c == 0x7F) return false;
      ++i;
      continue;
    }
    int n = 0;
    unsigned cp = 0;
    if ((c & 0xE0) == 0xC0) n = 1, cp = c & 0x1F;
    else if ((c & 0xF0) == 0xE0) n = 2, cp = c & 0x0F;
    else if ((c & 0xF8) == 0xF0) n = 3, cp = c & 0x07;
    else return false;
    for (int k = 1; k <= n; ++k) {
      if (i + k >= s.size()) return false;
      const unsigned char d = static_cast<unsigned char>(s[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      cp = cp << 6 | (d & 0x3F);
    }
    const unsigned minimum[] = {0, 0x80, 0x800, 0x10000};
    if (cp < minimum[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += static_cast<std::size_t>(n) + 1;
  }
  return true;
}

class TLine {
public:
  TLine(int line, std::vector<TToken> tokens) : line_(line), t_(std::move(tokens)) {}

  [[noreturn]] void Fail(const std::string& message) const { throw TMalformed{line_, message}; }

  std::size_t size() const { return t_.size(); }
  const TToken& at(std::size_t i) const { return t_[i]; }
  const std::string& word(std::size_t i) const { return t_[i].text; }
  bool Is(std::size_t i, std::string_view w) const { return i < t_.size() && !t_[i].quoted && t_[i].text == w; }

  // Usage: the command's form, shown when its words do not fit.
  void Count(std::size_t minimum, std::size_t maximum, const char* usage) const {
    if (t_.size() < minimum || t_.size() > maximum) Fail(std::string("引数の数が違います。書き方: ") + usage);
  }

  double Number(std::string_view s, const char* what) const {
    if (!s.empty() && s[0] == '+') s.remove_prefix(1);
    double v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec == std::errc::result_out_of_range || (r.ec == std::errc() && r.ptr == s.data() + s.size() &&
                                                     !std::isfinite(v)))
      Fail(std::string(what) + "が有限の数ではありません: " + Utf8ToSjis(s));
    if (r.ec != std::errc() || r.ptr != s.data() + s.size())
      Fail(std::string(what) + "が数ではありません: " + Utf8ToSjis(s));
    return v;
  }

  int Int(std::size_t i, int lo, int hi, const char* what) const {
    const std::string& s = word(i);
    int v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size() || v < lo || v > hi)
      Fail(std::string(what) + "は " + std::to_string(lo) + " から " + std::to_string(hi) +
           " までの整数です: " + Utf8ToSjis(s));
    return v;
  }

  // A hexadecimal digit 0..F (a group or layer).
  int Hex(std::size_t i, const char* what) const {
    const std::string& s = word(i);
    if (s.size() == 1) {
      const char c = s[0];
      if (c >= '0' && c <= '9') return c - '0';
      if (c >= 'A' && c <= 'F') return c - 'A' + 10;
      if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    }
    Fail(std::string(what) + "は 0 から F までの一文字です: " + Utf8ToSjis(s));
  }

  // "X,Y" or "px X,Y" at i; i moves past it.
  TPos Pos(std::size_t& i) const {
    TPos p;
    if (Is(i, "px")) {
      p.pixels = true;
      ++i;
    }
    if (i >= t_.size()) Fail("座標 X,Y がありません");
    const std::string& s = t_[i].text;
    const std::size_t comma = s.find(',');
    if (t_[i].quoted || comma == std::string::npos || s.find(',', comma + 1) != std::string::npos)
      Fail("座標は X,Y の形で書きます: " + Utf8ToSjis(s));
    p.x = Number(std::string_view(s).substr(0, comma), "座標");
    p.y = Number(std::string_view(s).substr(comma + 1), "座標");
    ++i;
    return p;
  }

  bool IsPos(std::size_t i) const {
    return i < t_.size() && !t_[i].quoted && (t_[i].text == "px" || t_[i].text.find(',') != std::string::npos);
  }

  // The words shift, ctrl, alt (and double where allowed) from i to the end.
  unsigned Mods(std::size_t i, bool doubleAllowed, bool keyWords = false, TCommand* key = nullptr) const {
    unsigned m = 0;
    for (; i < t_.size(); ++i) {
      const std::string& w = t_[i].text;
      unsigned bit = 0;
      if (!t_[i].quoted) {
        if (w == "shift") bit = ssShift;
        else if (w == "ctrl") bit = ssCtrl;
        else if (w == "alt") bit = ssAlt;
        else if (w == "double" && doubleAllowed) bit = ssDouble;
        else if (keyWords && (w == "down" || w == "up") && key->down && key->up) {
          key->down = w == "down";
          key->up = w == "up";
          continue;
        }
      }
      if (!bit || (m & bit)) Fail("不明な指定です: " + Utf8ToSjis(w));
      m |= bit;
    }
    return m;
  }

  // A text of the script as the program holds it.
  std::string Sjis(std::size_t i) const {
    int replaced = 0;
    std::string s = Utf8ToSjis(word(i), &replaced);
    if (replaced) Fail("シフトJISで表せない文字があります: " + s);
    return s;
  }

  // A path as the file system takes it: relative to the current folder.
  std::string Path(std::size_t i) const {
    if (word(i).empty()) Fail("ファイル名が空です");
    std::error_code ec;
    const fs::path p = fs::absolute(fs::path(word(i)), ec);
    if (ec) Fail("ファイル名が使えません: " + Utf8ToSjis(word(i)));
    return p.string();
  }

private:
  int line_;
  std::vector<TToken> t_;
};

std::vector<TToken> Tokens(std::string_view s, int line) {
  std::vector<TToken> out;
  std::size_t i = 0;
  while (true) {
    while (i < s.size() && IsBlank(s[i])) ++i;
    if (i >= s.size() || s[i] == '#') break;
    TToken t;
    if (s[i] == '"') {
      t.quoted = true;
      ++i;
      bool closed = false;
      while (i < s.size()) {
        const char c = s[i++];
        if (c == '"') {
          closed = true;
          break;
        }
        if (c != '\\') {
          t.text += c;
          continue;
        }
        if (i >= s.size()) break;
        const char e = s[i++];
        switch (e) {
          case '"': t.text += '"'; break;
          case '\\': t.text += '\\'; break;
          case 'n': t.text += '\n'; break;
          case 'r': t.text += '\r'; break;
          case 't': t.text += '\t'; break;
          default: throw TMalformed{line, std::string("不明なエスケープです: \\") + Utf8ToSjis(std::string(1, e))};
        }
      }
      if (!closed) throw TMalformed{line, "引用符が閉じていません"};
      if (i < s.size() && !IsBlank(s[i])) throw TMalformed{line, "引用符の後に空白がありません"};
    } else {
      while (i < s.size() && !IsBlank(s[i])) {
        if (s[i] == '"') throw TMalformed{line, "引用符は語の頭にだけ書けます"};
        t.text += s[i++];
      }
    }
    out.push_back(std::move(t));
  }
  return out;
}

// "L", "R", "M" and, where both may be, "B".
unsigned Button(const TLine& l, std::size_t i, bool both) {
  if (!l.at(i).quoted) {
    const std::string& w = l.word(i);
    if (w == "L") return ssLeft;
    if (w == "R") return ssRight;
    if (w == "M") return ssMiddle;
    if (w == "B" && both) return ssLeft | ssRight;
  }
  l.Fail(std::string("ボタンは ") + (both ? "L, R, M, B" : "L, R, M") + " のどれかです: " + Utf8ToSjis(l.word(i)));
}

bool IsButton(const TLine& l, std::size_t i) {
  return i < l.size() && !l.at(i).quoted && (l.word(i) == "L" || l.word(i) == "R" || l.word(i) == "M" ||
                                             l.word(i) == "B");
}

// Trailing blanks (and full-width blanks) off.
std::string TrimRight(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

std::string NoBlanks(const std::string& s) {
  std::string out;
  for (char c : s)
    if (c != ' ') out += c;
  return out;
}

std::string Trim(std::string s) {
  s = TrimRight(std::move(s));
  std::size_t b = 0;
  while (b < s.size() && s[b] == ' ') ++b;
  return s.substr(b);
}

// A palette button by its code name or caption.
TOpButton FindOperation(const std::string& sjis) {
  for (int b = OpBtn_Dummy; b < OpBtn_Count; ++b) {
    const TOpInfo& op = OpInfo(static_cast<TOpButton>(b));
    if (!op.speedButton) continue;
    if (sjis == op.name || (op.hint[0] && Trim(sjis) == Trim(op.hint))) return op.id;
  }
  return OpBtn_None;
}

// A main-menu command by its name or caption (app/ApMainMenu).
std::string FindMenuItem(const std::string& sjis) {
  const TMenuCommand* c = FindMenuCommand(sjis);
  return c ? c->name : std::string();
}

// The controls of the dialogs whose state lasts (fields, labels and check
// boxes), for expect dialog.
std::vector<TDialogControl> DialogControls() {
  std::vector<TDialogControl> all = g_boxCounterOp.form.Controls();
  for (TDialogControl& c : g_penChangeOp.form.Controls()) all.push_back(std::move(c));
  for (TDialogControl& c : g_numLinesOp.form.Controls()) all.push_back(std::move(c));
  for (TDialogControl& c : g_drawFrame.form.Controls()) all.push_back(std::move(c));
  for (TDialogControl& c : g_windowSize.form.Controls()) all.push_back(std::move(c));
  std::erase_if(all, [](const TDialogControl& c) { return !c.text && !c.check; });
  return all;
}

// Cell kinds by the names of their native records.
constexpr std::pair<const char*, int> kCellKinds[] = {
    {"POINT", GK_POINT},     {"LINE", GK_LINE},       {"ARC", GK_ARC},         {"CIRCLE", GK_CIRCLE}, {"POLYGON", GK_POLYGON},
    {"POLYARC", GK_POLYARC}, {"FILL4K", GK_FILL4K},   {"PICTUR", GK_PICTURE},  {"TEXT", GK_TEXT}};
int CellKindByName(const std::string& name) {
  for (const auto& [n, k] : kCellKinds)
    if (name == n) return k;
  return 0;
}
const char* CellKindName(int kind) {
  for (const auto& [n, k] : kCellKinds)
    if (kind == k) return n;
  return "?";
}

// A colour as a script writes it: six hexadecimal digits RRGGBB, or three
// numbers 0..255 "R,G,B".
unsigned ScriptColour(const TLine& l, const std::string& s) {
  unsigned v = 0;
  if (s.find(',') != std::string::npos) {
    unsigned rgb[3] = {};
    const char* p = s.data();
    const char* end = s.data() + s.size();
    for (int i = 0; i < 3; ++i) {
      const auto r = std::from_chars(p, end, rgb[i]);
      if (r.ec != std::errc() || rgb[i] > 255 || (i < 2 ? r.ptr == end || *r.ptr != ',' : r.ptr != end))
        l.Fail("色は R,G,B (各 0～255) か 16 進 6 桁 (RRGGBB) です: " + Utf8ToSjis(s));
      p = r.ptr + (i < 2 ? 1 : 0);
    }
    return rgb[0] << 16 | rgb[1] << 8 | rgb[2];
  }
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v, 16);
  if (s.size() != 6 || r.ec != std::errc() || r.ptr != s.data() + s.size())
    l.Fail("色は R,G,B (各 0～255) か 16 進 6 桁 (RRGGBB) です: " + Utf8ToSjis(s));
  return v;
}

TCommand ParseCommand(const TLine& l, int line) {
  TCommand c;
  c.line = line;
  const std::string& w = l.word(0);
  if (l.at(0).quoted) l.Fail("コマンドが引用符で囲まれています: " + Utf8ToSjis(w));
  auto checkPos = [&](std::size_t& i, TPos& p) { p = l.Pos(i); };

  if (w == "open" || w == "save") {
    l.Count(2, 2, w == "open" ? "open FILE" : "save FILE");
    c.cmd = w == "open" ? TCmd::Open : TCmd::Save;
    c.text = l.Path(1);
  } else if (w == "new" || w == "fit" || w == "close") {
    l.Count(1, 1, w.c_str());
    c.cmd = w == "new" ? TCmd::New : w == "fit" ? TCmd::Fit : TCmd::Close;
  } else if (w == "window") {
    l.Count(2, 2, "window 1|2");
    c.cmd = TCmd::Window;
    c.n = l.Int(1, 1, 2, "ウィンドウ番号");
  } else if (w == "op") {
    l.Count(2, 2, "op NAME");
    c.cmd = TCmd::Op;
    c.op = FindOperation(l.Sjis(1));
    if (c.op == OpBtn_None) l.Fail("パレットにない操作です: " + l.Sjis(1));
  } else if (w == "menu") {
    l.Count(2, 2, "menu NAME");
    c.cmd = TCmd::Menu;
    c.text = FindMenuItem(l.Sjis(1));
    // A top-level menu's caption: the menu is opened (the operation ends).
    if (c.text.empty() && FindTopMenu(l.Sjis(1)) != TMenu::None) {
      c.cmd = TCmd::MenuOpen;
      c.n = static_cast<int>(FindTopMenu(l.Sjis(1)));
    }
    if (c.cmd == TCmd::Menu && c.text.empty()) l.Fail("メニューにない項目です: " + l.Sjis(1));
  } else if (w == "sub") {
    l.Count(2, 2, "sub N");
    c.cmd = TCmd::Sub;
    c.n = l.Int(1, 1, 7, "サブメニューの番号");
  } else if (w == "key") {
    l.Count(2, 6, "key NAME [shift] [ctrl] [alt] [down|up]");
    c.cmd = TCmd::Key;
    c.n = l.at(1).quoted ? 0 : ScriptKeyCode(l.word(1));
    if (!c.n) l.Fail("不明なキーです: " + Utf8ToSjis(l.word(1)));
    c.mods = l.Mods(2, false, true, &c);
  } else if (w == "type") {
    l.Count(2, 2, "type \"TEXT\"");
    c.cmd = TCmd::Type;
    c.text = l.Sjis(1);
  } else if (w == "click") {
    l.Count(3, 7, "click L|R X,Y [shift] [ctrl] [alt] [double]");
    c.cmd = TCmd::Click;
    c.button = Button(l, 1, false);
    std::size_t i = 2;
    checkPos(i, c.p[0]);
    c.mods = l.Mods(i, true);
  } else if (w == "press" && IsButton(l, 1) && l.IsPos(2)) {
    l.Count(3, 8, "press L|R|M|B X,Y [shift] [ctrl] [alt] [double]");
    c.cmd = TCmd::Press;
    c.button = Button(l, 1, true);
    std::size_t i = 2;
    checkPos(i, c.p[0]);
    c.mods = l.Mods(i, true);
  } else if (w == "press") {
    l.Count(2, 8, "press CONTROL [L|R|M] [X,Y] [shift] [ctrl] [alt]");
    c.cmd = TCmd::Control;
    c.text = l.word(1);
    if (l.at(1).quoted || !FindControl(c.text)) l.Fail("不明なコントロールです: " + Utf8ToSjis(c.text));
    std::size_t i = 2;
    c.button = ssLeft;
    if (IsButton(l, i)) c.button = Button(l, i++, false);
    if (l.IsPos(i)) {
      checkPos(i, c.p[0]);
      c.hasPos = true;
    }
    c.mods = l.Mods(i, false);
  } else if (w == "move") {
    l.Count(2, 6, "move X,Y [shift] [ctrl] [alt]");
    c.cmd = TCmd::Move;
    std::size_t i = 1;
    checkPos(i, c.p[0]);
    c.mods = l.Mods(i, false);
  } else if (w == "release") {
    l.Count(3, 7, "release L|R|M|B X,Y [shift] [ctrl] [alt]");
    c.cmd = TCmd::Release;
    c.button = Button(l, 1, true);
    std::size_t i = 2;
    checkPos(i, c.p[0]);
    c.mods = l.Mods(i, false);
  } else if (w == "wheel") {
    l.Count(3, 7, "wheel N X,Y [ctrl] [shift] [alt]");
    c.cmd = TCmd::Wheel;
    c.n = l.Int(1, -1000, 1000, "ホイールの回数");
    if (c.n == 0) l.Fail("ホイールの回数が 0 です");
    std::size_t i = 2;
    checkPos(i, c.p[0]);
    c.mods = l.Mods(i, false);
  } else if (w == "set") {
    l.Count(3, 3, "set CONTROL \"TEXT\"");
    c.cmd = TCmd::Set;
    c.text = l.word(1);
    const TNamedControl* control = l.at(1).quoted ? nullptr : FindControl(c.text);
    if (!control) l.Fail("不明なコントロールです: " + Utf8ToSjis(c.text));
    if (!control->setText) l.Fail("文字を入れられないコントロールです: " + c.text);
    c.value = l.Sjis(2);
  } else if (w == "view") {
    l.Count(3, 5, "view X1,Y1 X2,Y2");
    c.cmd = TCmd::View;
    std::size_t i = 1;
    checkPos(i, c.p[0]);
    checkPos(i, c.p[1]);
    if (i != l.size()) l.Fail("引数の数が違います。書き方: view X1,Y1 X2,Y2");
  } else if (w == "panel") {
    if (l.size() < 2) l.Fail("引数の数が違います。書き方: panel write G L | panel toggle G [L] | panel group G");
    if (l.Is(1, "write")) {
      l.Count(4, 4, "panel write G L");
      c.cmd = TCmd::PanelWrite;
      c.n = l.Hex(2, "グループ");
      c.m = l.Hex(3, "レイヤ");
    } else if (l.Is(1, "toggle")) {
      l.Count(3, 4, "panel toggle G [L]");
      c.cmd = TCmd::PanelToggle;
      c.n = l.Hex(2, "グループ");
      c.m = l.size() == 4 ? l.Hex(3, "レイヤ") : -1;
    } else if (l.Is(1, "group")) {
      l.Count(3, 3, "panel group G");
      c.cmd = TCmd::PanelGroup;
      c.n = l.Hex(2, "グループ");
    } else {
      l.Fail("panel の後は write, toggle, group のどれかです: " + Utf8ToSjis(l.word(1)));
    }
  } else if (w == "answer") {
    c.cmd = TCmd::Answer;
    if (l.size() < 2) l.Fail("引数の数が違います。書き方: answer yes|no|cancel|ok | answer file PATH | answer text \"TEXT\"");
    const bool cancel = l.Is(2, "cancel");
    if (l.Is(1, "file")) {
      l.Count(3, 4, "answer file PATH|cancel [FILTER]");
      c.answerKind = TAnswerKind::File;
      c.ok = !cancel;
      if (c.ok) c.text = l.Path(2);
      if (l.size() == 4) c.n = l.Int(3, 1, 99, "ファイルの種類の番号");
    } else if (l.Is(1, "text")) {
      l.Count(3, 3, "answer text \"TEXT\"|cancel");
      c.answerKind = TAnswerKind::Text;
      c.ok = !cancel;
      if (c.ok) c.text = l.Sjis(2);
    } else if (l.Is(1, "color") || l.Is(1, "colour")) {
      l.Count(3, 3, "answer colour RRGGBB|R,G,B|cancel");
      c.answerKind = TAnswerKind::Color;
      c.ok = !cancel;
      if (c.ok) c.n = static_cast<int>(ScriptColour(l, l.word(2)));
    } else if (l.Is(1, "dxf")) {
      c.answerKind = TAnswerKind::Dxf;
      c.ok = !cancel;
      if (cancel) {
        l.Count(3, 3, "answer dxf cancel");
      } else {
        l.Count(6, 6, "answer dxf \"SCALE\" \"ZOOM\" SIZEMODE move|stay");
        c.text = l.Sjis(2);
        c.value = l.Sjis(3);
        c.n = l.Int(4, 0, 2, "文字のサイズの番号");
        if (!l.Is(5, "move") && !l.Is(5, "stay")) l.Fail("寸法図形の位置は move か stay です: " + Utf8ToSjis(l.word(5)));
        c.m = l.Is(5, "move") ? 1 : 0;
      }
    } else if (l.Is(1, "print")) {
      c.answerKind = TAnswerKind::Print;
      c.ok = !cancel;
      if (cancel) {
        l.Count(3, 3, "answer print cancel");
      } else {
        l.Count(6, 6, "answer print \"PRINTER\" COPIES portrait|landscape PAPER");
        c.print.printerName = l.Sjis(2);
        c.print.copies = l.Int(3, 1, 999, "部数");
        if (!l.Is(4, "portrait") && !l.Is(4, "landscape"))
          l.Fail("用紙の向きは portrait か landscape です: " + Utf8ToSjis(l.word(4)));
        c.print.landscape = l.Is(4, "landscape");
        c.print.paperSize = l.Int(5, 0, 5, "用紙の番号");
      }
    } else {
      l.Count(2, 2, "answer yes|no|cancel|ok|abort|retry|ignore");
      bool found = false;
      for (const TAnswerWord& a : kAnswerWords) {
        if (l.Is(1, a.word)) {
          c.answer = a.answer;
          found = true;
        }
      }
      if (!found) l.Fail("不明な答えです: " + Utf8ToSjis(l.word(1)));
    }
  } else if (w == "dialog") {
    // Actions for the next dialog, by its controls' names: a field's text, a
    // box ticked or not, a button pressed.
    c.cmd = TCmd::Dialog;
    if (l.Is(1, "set")) {
      l.Count(4, 4, "dialog set CONTROL \"TEXT\"");
      c.text = l.Sjis(2);
      c.value = l.Sjis(3);
    } else if (l.Is(1, "check")) {
      l.Count(4, 4, "dialog check CONTROL on|off");
      if (!l.Is(3, "on") && !l.Is(3, "off")) l.Fail("チェックは on か off です: " + Utf8ToSjis(l.word(3)));
      c.text = l.Sjis(2);
      c.value = l.Is(3, "on") ? "1" : "0";
      c.m = 1;
    } else if (l.Is(1, "press")) {
      l.Count(3, 3, "dialog press CONTROL");
      c.text = l.Sjis(2);
      c.n = 1;
    } else {
      l.Count(2, 4, "dialog set|check|press CONTROL ...");
      l.Fail("dialog の後は set, check, press のどれかです: " + Utf8ToSjis(l.word(1)));
    }
  } else if (w == "expect") {
    if (l.size() < 2) l.Fail("引数の数が違います。書き方: expect cells|prompt|caption|entry|message|beep ...");
    const std::string& what = l.word(1);
    if (l.Is(1, "dialog")) {
      l.Count(4, 4, "expect dialog CONTROL \"TEXT\"");
      c.cmd = TCmd::ExpectDialog;
      c.text = l.Sjis(2);
      c.value = l.Sjis(3);
      std::vector<TDialogControl> controls = DialogControls();
      if (!FindDialogControl(controls, c.text)) l.Fail("ダイアログにないコントロールです: " + l.Sjis(2));
    } else if (l.Is(1, "cells") && l.size() == 4) {
      // expect cells KIND N: the live cells of one kind, by their record's name.
      c.cmd = TCmd::ExpectKind;
      c.m = CellKindByName(l.word(2));
      if (c.m == 0) l.Fail("要素の種類は POINT LINE ARC CIRCLE POLYGON POLYARC FILL4K PICTUR TEXT のどれかです: " + Utf8ToSjis(l.word(2)));
      c.n = l.Int(3, 0, 1 << 30, "要素の数");
    } else if (l.Is(1, "cells")) {
      l.Count(3, 3, "expect cells N|expect cells KIND N");
      c.cmd = TCmd::ExpectCells;
      c.n = l.Int(2, 0, 1 << 30, "要素の数");
    } else if (l.Is(1, "beep")) {
      l.Count(3, 3, "expect beep N");
      c.cmd = TCmd::ExpectBeep;
      c.n = l.Int(2, 0, 1 << 30, "ビープの回数");
    } else if (l.Is(1, "caption")) {
      l.Count(4, 4, "expect caption N \"TEXT\"");
      c.cmd = TCmd::ExpectCaption;
      c.n = l.Int(2, 1, 7, "サブメニューの番号");
      c.text = l.Sjis(3);
    } else if (l.Is(1, "prompt") || l.Is(1, "entry") || l.Is(1, "message")) {
      l.Count(3, 3, ("expect " + what + " \"TEXT\"").c_str());
      c.cmd = what == "prompt" ? TCmd::ExpectPrompt : what == "entry" ? TCmd::ExpectEntry : TCmd::ExpectMessage;
      c.text = l.Sjis(2);
    } else {
      l.Fail("expect の後は cells, prompt, caption, entry, message, beep のどれかです: " + Utf8ToSjis(what));
    }
  } else if (w == "print") {
    l.Count(2, 2, "print state");
    if (!l.Is(1, "state")) l.Fail("print の後は state です: " + Utf8ToSjis(l.word(1)));
    c.cmd = TCmd::PrintState;
  } else if (w == "clipboard") {
    // The clipboard's text (a paste reads it), or a picture file as its bitmap.
    if (l.Is(1, "image")) {
      l.Count(3, 3, "clipboard image PATH");
      c.cmd = TCmd::ClipboardImage;
      c.text = l.word(2);
    } else {
      l.Count(2, 2, "clipboard \"TEXT\" | clipboard image PATH");
      c.cmd = TCmd::Clipboard;
      l.Sjis(1);  // refused when CP932 cannot hold it
      c.text = l.word(1);
    }
  } else if (w == "size") {
    l.Count(2, 2, "size WxH");
    c.cmd = TCmd::Size;
    const std::string& s = l.word(1);
    const std::size_t x = s.find('x');
    int wv = 0, hv = 0;
    const auto r1 = std::from_chars(s.data(), s.data() + (x == std::string::npos ? 0 : x), wv);
    const auto r2 = x == std::string::npos ? r1 : std::from_chars(s.data() + x + 1, s.data() + s.size(), hv);
    if (x == std::string::npos || r1.ec != std::errc() || r1.ptr != s.data() + x || r2.ec != std::errc() ||
        r2.ptr != s.data() + s.size() || wv < 1 || hv < 1 || wv > kRenderMaxSide || hv > kRenderMaxSide)
      l.Fail("大きさは 幅x高さ (1 から " + std::to_string(kRenderMaxSide) + ") です: " + Utf8ToSjis(s));
    c.n = wv;
    c.m = hv;
  } else if (w == "drop") {
    l.Count(2, 1000, "drop FILE...");
    c.cmd = TCmd::Drop;
    for (std::size_t i = 1; i < l.size(); ++i) c.files.push_back(l.Path(i));
  } else {
    l.Fail("不明なコマンドです: " + Utf8ToSjis(w));
  }
  return c;
}

std::vector<TCommand> ParseScript(std::string_view text) {
  std::vector<TCommand> out;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // a byte-order mark
  int line = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    ++line;
    if (line > kScriptMaxLines)
      throw TMalformed{line, "スクリプトが長すぎます (" + std::to_string(kScriptMaxLines) + " 行まで)"};
    const std::string_view s = text.substr(pos, end - pos);
    pos = end + 1;
    if (s.size() > kScriptMaxLine)
      throw TMalformed{line, "行が長すぎます (" + std::to_string(kScriptMaxLine) + " バイトまで)"};
    if (!IsTextLine(s)) throw TMalformed{line, "UTF-8 のテキストではありません (バイナリファイル?)"};
    std::vector<TToken> tokens = Tokens(s, line);
    if (tokens.empty()) continue;
    out.push_back(ParseCommand(TLine(line, std::move(tokens)), line));
  }
  return out;
}

// ---- Running a script --------------------------------------------------------------

// Stops the run (status 1); the message is CP932.
struct TScriptStop {
  std::string message;
};

// Stops the run when the window closed.
struct TScriptClosed {};

class TRunner {
public:
  TRunner(const TScriptRun& run, const std::string& name) : run_(run), name_(name) {}

  int Run(const std::vector<TCommand>& cmds);

private:
  void Execute(const TCommand& c);
  void Pixel(const TPos& p, double& x, double& y) const;
  [[noreturn]] void Fail(const std::string& message) const { throw TScriptStop{message}; }
  void Expect(bool ok, const std::string& what, const std::string& expected, const std::string& actual) const;
  void PrintState();
  void Print(const std::string& sjis) const;
  std::string Where() const;

  const TScriptRun& run_;
  std::string name_;  // UTF-8
  int line_ = 0;
  std::size_t printed_ = 0;   // messages shown by print state
  std::size_t expected_ = 0;  // messages seen by expect message
  int beeps_ = 0;             // beeps seen by expect beep
};

std::string TRunner::Where() const { return name_ + U8(" の ") + std::to_string(line_) + U8(" 行目: "); }

void TRunner::Print(const std::string& sjis) const { std::fputs(SjisToUtf8(sjis).c_str(), run_.out); }

void TRunner::Pixel(const TPos& p, double& x, double& y) const {
  if (p.pixels) {
    x = p.x, y = p.y;
  } else {
    ScriptToPixel(p.x, p.y, x, y);
  }
  // The window delivers positions a little beyond its area at most.
  constexpr double kFar = 1e7;
  if (!std::isfinite(x) || !std::isfinite(y) || std::fabs(x) > kFar || std::fabs(y) > kFar)
    Fail("位置が描画領域から遠すぎます (" + ScriptNumber(x) + ", " + ScriptNumber(y) + " ピクセル)");
}

void TRunner::Expect(bool ok, const std::string& what, const std::string& expected,
                     const std::string& actual) const {
  if (!ok) Fail("expect " + what + ": 「" + expected + "」のはずが「" + actual + "」です");
}

// The live cells, or those of one kind.
int LiveCells(int kind = 0) {
  int n = 0;
  for (int i = 1; i <= StoreUsed(); ++i)
    if (GcellLive(i) && (kind == 0 || GcellRef(i).kind == kind)) ++n;
  return n;
}

std::string Prompt() { return g_form1.lbGuid1.visible ? Trim(g_form1.lbGuid1.caption) : std::string(); }

// A message on one line: its line breaks as " / ".
std::string OneLine(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') continue;
    out += s[i] == '\r' || s[i] == '\n' ? std::string(" / ") : std::string(1, s[i]);
  }
  return Trim(out);
}

char HexDigit(int v) { return static_cast<char>(v < 10 ? '0' + v : 'A' + v - 10); }

void TRunner::PrintState() {
  const TOpInfo& op = OpInfo(CurOpButton());
  std::string s = "operation: " + std::string(op.name);
  if (op.hint[0]) s += " " + Trim(op.hint);
  s += "\nprompt: " + Prompt() + "\n";
  for (int i = 0; i < 7; ++i) s += "caption" + std::to_string(i + 1) + ": " + TrimRight(g_form1.PvBtn[i].caption) + "\n";
  s += "entry: " + g_form1.edCommon.text + "\n";
  const int code = CurPVC().writeLayer;
  s += std::string("group: ") + HexDigit((code >> 4) & 15) + "\nlayer: " + HexDigit(code & 15) + "\n";
  char pen[16];
  const auto r = std::to_chars(pen, pen + sizeof pen, static_cast<unsigned>(CurPVC().writePen) & 0xFFFFu, 16);
  s += "pen: 0x" + std::string(pen, r.ptr) + "\n";
  s += "cells: " + std::to_string(LiveCells()) + "\n";
  const std::vector<RecordedMessage>& m = Headless().messages();
  for (; printed_ < m.size(); ++printed_) s += "message: " + OneLine(m[printed_].text) + "\n";
  Print(s);
}

void TRunner::Execute(const TCommand& c) {
  line_ = c.line;
  HeadlessPlatform& platform = Headless();
  double x = 0, y = 0;
  switch (c.cmd) {
    case TCmd::Open: {
      // As the open command does once its dialog has chosen the file.
      CancelViewGesture();
      Op_ButtonClick(OpBtn_Dummy);
      if (ConfirmSaveModified() && !OpenChosen(c.text)) {
        const auto& m = platform.messages();
        Fail("開けませんでした: " + Utf8ToSjis(c.text) + (m.empty() ? "" : " (" + OneLine(m.back().text) + ")"));
      }
      IdleCheck();
      break;
    }
    case TCmd::New: InputMenu("New1"); break;
    case TCmd::Save: {
      CancelViewGesture();
      Op_ButtonClick(OpBtn_Dummy);
      const std::size_t before = platform.messages().size();
      if (!SaveToFile(c.text, false)) {
        const auto& m = platform.messages();
        Fail("保存できませんでした: " + Utf8ToSjis(c.text) +
             (m.size() > before ? " (" + OneLine(m.back().text) + ")" : ""));
      }
      IdleCheck();
      break;
    }
    case TCmd::Window: InputMenu("fname" + std::to_string(c.n)); break;
    case TCmd::Op: InputOperation(c.op); break;
    case TCmd::Menu: InputMenu(c.text); break;
    case TCmd::MenuOpen: InputMenuOpen(c.n); break;
    case TCmd::Sub: InputSubMenu(c.n); break;
    case TCmd::Key:
      if (c.down) UserKeyDown(c.n, c.mods);
      if (c.up) UserKeyUp(c.n);
      break;
    case TCmd::Type: {
      TEditField field;
      if (!FocusedField(field)) Fail("文字を入力する欄にフォーカスがありません");
      UserType(field, c.text);
      break;
    }
    case TCmd::Click:
      Pixel(c.p[0], x, y);
      UserPress(c.button, x, y, c.mods & ~ssDouble);
      UserRelease(c.button, x, y, c.mods & ~ssDouble);
      if (c.mods & ssDouble) {
        UserPress(c.button, x, y, c.mods);
        UserRelease(c.button, x, y, c.mods & ~ssDouble);
      }
      break;
    case TCmd::Press:
      Pixel(c.p[0], x, y);
      for (unsigned b : {ssLeft, ssRight, ssMiddle})
        if (c.button & b) UserPress(b, x, y, c.mods);
      break;
    case TCmd::Move:
      Pixel(c.p[0], x, y);
      UserMove(x, y, c.mods);
      break;
    case TCmd::Release:
      Pixel(c.p[0], x, y);
      for (unsigned b : {ssLeft, ssRight, ssMiddle})
        if (c.button & b) UserRelease(b, x, y, c.mods);
      break;
    case TCmd::Wheel:
      Pixel(c.p[0], x, y);
      for (int i = 0; i < std::abs(c.n); ++i) UserWheel(c.n > 0 ? 120 : -120, x, y, c.mods);
      break;
    case TCmd::Control: {
      const TNamedControl* control = FindControl(c.text);
      InputControlPress(c.text, c.button, c.mods | c.button, c.p[0].x, c.p[0].y, c.hasPos);
      if (c.button == ssLeft && control->click) InputControlClick(c.text);
      break;
    }
    case TCmd::Set: InputControlText(c.text, c.value); break;
    case TCmd::View: {
      double x1 = c.p[0].x, y1 = c.p[0].y, x2 = c.p[1].x, y2 = c.p[1].y;
      const TGContext& v = CurrentView();
      if (c.p[0].pixels) G_ToWorld(v, c.p[0].x, c.p[0].y, x1, y1);
      if (c.p[1].pixels) G_ToWorld(v, c.p[1].x, c.p[1].y, x2, y2);
      ViewStorePrevious();
      G_SetWindow(CurrentView(), std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2));
      ViewRedraw(1);
      ReplayMouseMove();
      break;
    }
    case TCmd::Fit: InputControlPress("BtnZM0", ssLeft, 0); break;
    case TCmd::PanelWrite: {
      if (((CurPVC().writeLayer >> 4) & 15) != c.n) InputControlPress("PnlGrp" + std::to_string(c.n), ssRight, 0);
      if ((CurPVC().writeLayer & 15) != c.m) InputControlPress("PnlLay" + std::to_string(c.m), ssRight, 0);
      break;
    }
    case TCmd::PanelToggle:
      if (c.m < 0) {
        InputControlPress("PnlGrp" + std::to_string(c.n), ssLeft, 0);
      } else {
        if (((CurPVC().writeLayer >> 4) & 15) != c.n)
          Fail(std::string("グループ ") + HexDigit(c.n) + " は書込グループではありません (書込グループ " +
               HexDigit((CurPVC().writeLayer >> 4) & 15) + ")");
        InputControlPress("PnlLay" + std::to_string(c.m), ssLeft, 0);
      }
      break;
    case TCmd::PanelGroup: InputControlPress("PnlGrp" + std::to_string(c.n), ssRight, 0); break;
    case TCmd::Dialog:
      if (c.m == 1)
        platform.ScriptDialogCheck(c.text, c.value == "1");
      else
        platform.ScriptDialog(c.text, c.value, c.n == 1);
      break;
    case TCmd::ExpectDialog: {
      std::vector<TDialogControl> controls = DialogControls();
      const TDialogControl& control = *FindDialogControl(controls, c.text);
      const std::string shown = control.check ? (*control.check ? "on" : "off") : TrimRight(*control.text);
      Expect(NoBlanks(shown) == NoBlanks(c.value), "dialog " + c.text, c.value, shown);
      break;
    }
    case TCmd::Answer:
      switch (c.answerKind) {
        case TAnswerKind::Box: platform.ScriptAnswer(c.answer); break;
        case TAnswerKind::File: platform.ScriptFile({c.ok, c.text, c.n}); break;
        case TAnswerKind::Text: platform.ScriptText(c.ok, c.text); break;
        case TAnswerKind::Color: platform.ScriptColor(c.ok, static_cast<std::uint32_t>(c.n)); break;
        case TAnswerKind::Print: platform.ScriptPrint(c.ok, c.print); break;
        case TAnswerKind::Dxf: {
          TLoadDxfForm form;
          form.scale = c.text;
          form.textZoom = c.value;
          form.sizeMode = c.n;
          form.dimMove = c.m != 0;
          platform.ScriptLoadDxf(c.ok, form);
          break;
        }
      }
      break;
    case TCmd::ExpectCells: {
      const int n = LiveCells();
      Expect(n == c.n, "cells", std::to_string(c.n), std::to_string(n));
      break;
    }
    case TCmd::ExpectKind: {
      const int n = LiveCells(c.m);
      Expect(n == c.n, "cells " + std::string(CellKindName(c.m)), std::to_string(c.n), std::to_string(n));
      break;
    }
    case TCmd::ExpectPrompt: Expect(Prompt() == Trim(c.text), "prompt", c.text, Prompt()); break;
    case TCmd::ExpectCaption: {
      // Blanks do not count: the button pads its caption and may put one after the digit.
      const std::string shown = TrimRight(g_form1.PvBtn[c.n - 1].caption);
      Expect(NoBlanks(shown) == NoBlanks(c.text), "caption " + std::to_string(c.n), c.text, shown);
      break;
    }
    case TCmd::ExpectEntry:
      Expect(g_form1.edCommon.text == c.text, "entry", c.text, g_form1.edCommon.text);
      break;
    case TCmd::ExpectMessage: {
      // The last message since the previous expect message holds the text.
      const auto& m = platform.messages();
      const std::string last = m.size() > expected_ ? OneLine(m.back().text) : std::string();
      expected_ = m.size();
      const std::string want = OneLine(c.text);
      Expect(want.empty() ? last.empty() : last.find(want) != std::string::npos, "message", c.text, last);
      break;
    }
    case TCmd::ExpectBeep: {
      const int n = platform.beeps() - beeps_;
      beeps_ = platform.beeps();
      Expect(n == c.n, "beep", std::to_string(c.n), std::to_string(n));
      break;
    }
    case TCmd::PrintState: PrintState(); break;
    case TCmd::Size: InputResize(c.n, c.m); break;
    case TCmd::Clipboard: {
      // "\n" in the script's text stands for a line feed, "\t" for a tab.
      std::string t;
      for (std::size_t i = 0; i < c.text.size(); ++i) {
        if (c.text[i] == '\\' && i + 1 < c.text.size() && (c.text[i + 1] == 'n' || c.text[i + 1] == 't')) {
          t += c.text[++i] == 'n' ? "\r\n" : "\t";
          continue;
        }
        t += c.text[i];
      }
      platform.SetClipboardText(Utf8ToSjis(t));
      break;
    }
    case TCmd::ClipboardImage: {
      TRasterImage image;
      if (!g_wiring.loadPicture || !g_wiring.loadPicture(Utf8ToSjis(c.text), image)) Fail("画像を読めません: " + Utf8ToSjis(c.text));
      platform.SetClipboardImage(image);
      break;
    }
    case TCmd::Drop: InputDrop(c.files); break;
    case TCmd::Close:
      if (InputClose()) throw TScriptClosed{};
      break;
  }
}

int TRunner::Run(const std::vector<TCommand>& cmds) {
  // Leading "size" lines: the drawing area's size when the window starts;
  // an "open" right after them: the drawing it starts with, as one named
  // on the command line.
  std::size_t first = 0;
  int width = run_.width, height = run_.height;
  for (; first < cmds.size() && cmds[first].cmd == TCmd::Size; ++first) width = cmds[first].n, height = cmds[first].m;
  const TCommand* startFile = first < cmds.size() && cmds[first].cmd == TCmd::Open ? &cmds[first++] : nullptr;

  VelmoReset();
  HeadlessPlatform& platform = Headless();
  IPlatform& previousPlatform = Platform();
  auto previousFailure = platform.FailureHandler();
  platform.Reset();
  platform.SetFailureHandler([](const std::string& what) {
    // "unscripted question: TEXT", "unscripted save dialog: TITLE", ...: named
    // in Japanese, with the question's own text.
    static const std::pair<std::string_view, const char*> kKinds[] = {
        {"unscripted question", "問い"},           {"unscripted open dialog", "開くダイアログ"},
        {"unscripted save dialog", "保存ダイアログ"}, {"unscripted colour dialog", "色の選択ダイアログ"}, {"unscripted DXF dialog", "DXFの読み込みダイアログ"}, {"unscripted box counter dialog", "矩形集計ダイアログ"}, {"unscripted pen change dialog", "ペン変更ダイアログ"}, {"unscripted number table dialog", "連続直線の作成ダイアログ"}, {"unscripted drawing frame dialog", "作図枠の作成ダイアログ"}, {"unscripted window size dialog", "画面サイズ指定ダイアログ"}, {"unscripted dialog control", "ダイアログにないコントロール"},
        {"unscripted print dialog", "印刷ダイアログ"}, {"unscripted input dialog", "入力ダイアログ"}};
    std::string_view w(what);
    std::string kind;
    for (const auto& [prefix, name] : kKinds)
      if (w.substr(0, prefix.size()) == prefix) {
        kind = name;
        w.remove_prefix(prefix.size());
        break;
      }
    if (!w.empty() && w.front() == ':') w.remove_prefix(1);
    while (!w.empty() && w.front() == ' ') w.remove_prefix(1);
    std::string named = kind;
    if (!w.empty()) {
      if (!named.empty()) named += ' ';
      named += "「";
      named += Utf8ToSjis(w);
      named += "」";
    }
    throw TScriptStop{"答えの用意されていない問いです: " + named};
  });
  SetPlatform(&platform);
  g_wiring.holdKey = [](PhysKey key, bool down) { Headless().SetKeyDown(key, down); };

  int status = kScriptOk;
  try {
    // The window's start: the program folder read, nothing written back.
    FormCreate(0);
    g_fileProc.hstLocked = true;
    PaintBox1Resize(width, height);
    std::error_code ec;
    if (startFile) {
      line_ = startFile->line;
      if (!fs::is_regular_file(startFile->text, ec)) Fail("ﾌｧｲﾙ[" + Utf8ToSjis(startFile->text) + "]が見つかりません。");
    }
    FormShow(startFile ? startFile->text : std::string(), true);
    if (startFile && CurPVC().fileName != startFile->text) Fail("開けませんでした: " + Utf8ToSjis(startFile->text));
    PaintBox1Paint();
    for (std::size_t i = first; i < cmds.size(); ++i) Execute(cmds[i]);
    line_ = cmds.empty() ? 0 : cmds.back().line;
    if (platform.unusedAnswers() > 0) Fail("使われなかった答えが " + std::to_string(platform.unusedAnswers()) + " 個あります");
  } catch (const TScriptClosed&) {
  } catch (const TScriptStop& stop) {
    std::fprintf(run_.err, "velmo: %s%s\n", Where().c_str(), U8(stop.message).c_str());
    status = kScriptFailed;
  }
  std::fflush(run_.out);
  DeleteRunTempFiles();
  VelmoReset();
  platform.Reset();
  platform.SetFailureHandler(std::move(previousFailure));
  SetPlatform(&previousPlatform);
  return status;
}

}  // namespace

int RunScriptText(std::string_view text, const std::string& name, const TScriptRun& run) {
  std::vector<TCommand> cmds;
  WireVelmo();  // the menu's commands, which the script names
  try {
    cmds = ParseScript(text);
  } catch (const TMalformed& m) {
    std::fprintf(run.err, "velmo: %s%s%d%s%s\n", name.c_str(), U8(" の ").c_str(), m.line, U8(" 行目: ").c_str(),
                 U8(m.message).c_str());
    return kScriptMalformed;
  }
  return TRunner(run, name).Run(cmds);
}

bool CheckScriptText(std::string_view text, int& line, std::string& message) {
  try {
    ParseScript(text);
  } catch (const TMalformed& m) {
    line = m.line;
    message = m.message;
    return false;
  }
  return true;
}

int RunScriptFile(const fs::path& file, const TScriptRun& run) {
  std::string text;
  const ReadFileResult r = ReadFileContents(file, kScriptMaxBytes, text);
  const std::string name = file.string();
  const char* why = nullptr;
  if (r == ReadFileResult::Missing) why = "]が見つかりません。";
  else if (r != ReadFileResult::Ok) why = "]を読めません。";
  else if (text.size() > kScriptMaxBytes) why = "]が大きすぎます (64 MB まで)。";
  if (why) {
    std::fprintf(run.err, "velmo: %s%s%s\n", U8("スクリプトファイル[").c_str(), name.c_str(), U8(why).c_str());
    return kScriptMalformed;
  }
  return RunScriptText(text, name, run);
}
