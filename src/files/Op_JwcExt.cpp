#include "files/Op_JwcExt.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <numbers>

#include "app/ApInit.h"
#include "app/ApManager.h"
#include "app/Ap_Unit1.h"
#include "app/GC_PointSearch.h"
#include "app/GC_View.h"
#include "files/FileProc.h"
#include "kernel/Platform.h"
#include "kernel/ReplaceFile.h"
#include "kernel/SjisConv.h"
#include "kernel/Z_Basic.h"
#include "model/ComHst.h"
#include "model/PVC.h"
#include "render/GC_Draw.h"

namespace fs = std::filesystem;

JwcExtOpState g_jwcExtOp;

void Op_JwcExt_Reset() { g_jwcExtOp = JwcExtOpState{}; }

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kMaxValue = 1e12;  // numbers of a result beyond this are refused
constexpr const char* kTempFile = "JWC_TEMP.TXT";

JwcExtRun& S() { return g_jwcExtOp.run; }
TJwcBatch& B() { return g_jwcExtOp.batch; }
TJwcSet& Set() { return B().sets[std::clamp(S().set, 0, 9)]; }

std::string NoSpaces(std::string_view s) {
  std::string out;
  for (char c : s)
    if (c != ' ') out += c;
  return out;
}

std::string Trim(std::string_view s) {
  const std::size_t b = s.find_first_not_of(' ');
  if (b == std::string_view::npos) return {};
  const std::size_t e = s.find_last_not_of(' ');
  return std::string(s.substr(b, e - b + 1));
}

// The circled digit k (①..⑨) in CP932.
std::string Circled(int k) { return std::string{'\x87', static_cast<char>(0x40 + k - 1)}; }

}  // namespace

// ---- The batch's directives ------------------------------------------------------

bool ParseBatchText(std::string_view text, TJwcBatch& b) {
  const std::string fileName = b.fileName;
  b = TJwcBatch{};
  b.fileName = fileName;
  for (TJwcSet& s : b.sets)
    for (int k = 0; k < 10; ++k) s.prompt[k] = Format("No.%d  基点マウス指示(LorR)", {k});
  int set = 0;
  bool first = true;
  ForEachLine(text, [&](std::string_view raw) {
    if (first) {
      b.title = raw.size() > 4 ? std::string(raw.substr(4)) : std::string();
      first = false;
    }
    // A full-width space counts as two spaces.
    std::string line;
    for (std::size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] == '\x81' && i + 1 < raw.size() && raw[i + 1] == '\x40') {
        line += "  ";
        ++i;
        continue;
      }
      line += raw[i];
      if (IsLeadByte(static_cast<unsigned char>(raw[i])) && i + 1 < raw.size()) line += raw[++i];
    }
    const std::string head = UpperAscii(Trim(line));
    if (!head.starts_with("REM") && !head.starts_with("@REM")) return true;
    const std::size_t hash = line.find('#');
    if (hash == std::string::npos) return true;
    const std::string d = line.substr(hash);
    const std::string u = UpperAscii(d);
    TJwcSet& s = b.sets[set];
    if (u.starts_with("#E")) {
      if (set == 0) return false;
      set = 0;
    } else if (u.starts_with("#:") && d.size() > 2 && d[2] >= '0' && d[2] <= '9') {
      set = d[2] - '0';
    } else if (u.starts_with("#PF")) {
      b.programFile = NoSpaces(d.substr(3));
    } else if (u.starts_with("#JW")) {
      b.jw = true;
    } else if (u.starts_with("#H") && d.size() > 2 && d[2] >= '0' && d[2] <= '4') {
      s.h[d[2] - '0'] = true;
    } else if (u.starts_with("#HC")) {
      const std::string c = CollapseSpaces(d.substr(3));
      if (s.comment1.empty())
        s.comment1 = c;
      else
        s.comment2 = "：" + c;
    } else if (u.starts_with("#HM")) {
      const std::string rest = d.substr(3);
      b.hasMenu = true;
      for (int k = 1; k <= 9; ++k)
        b.menuItem[k] = rest.find(Circled(k)) != std::string::npos ||
                        rest.find(std::to_string(k) + ")") != std::string::npos;
      std::size_t split = std::string::npos;
      for (const std::string& mark : {std::string("|"), Circled(1), std::string("1)")})
        split = std::min(split, rest.find(mark));
      if (split == std::string::npos) {
        b.menuItems = rest;
      } else {
        b.menuTitle = Trim(rest.substr(0, split));
        b.menuItems = rest.substr(rest[split] == '|' ? split + 1 : split);
      }
    } else if (d.size() > 1 && d[1] >= '0' && d[1] <= '9') {
      const int k = d[1] - '0';
      s.promptDefined[k] = true;
      s.prompt[k] = d.substr(2);
    } else if (u.starts_with("#C ") || u.starts_with("#F ")) {
      if (s.optionCount >= 10) return true;  // a set holds ten
      TJwcOption& o = s.options[s.optionCount++];
      o.defined = true;
      const std::string rest = d.substr(3);
      const std::size_t us = rest.find("/_");
      o.label = us == std::string::npos ? rest : rest.substr(0, us);
      o.suffix = us == std::string::npos ? std::string() : rest.substr(us + 2);
      if (NoSpaces(o.label).empty()) o.label = Format(" 起動オプション(%d)入力", {s.optionCount});
    } else if (u.starts_with("#C&&")) {
      s.confirm = true;
    }
    return true;
  });
  return b.jw || !b.programFile.empty();
}

// ---- The files exchanged ------------------------------------------------------

std::string JwcNumber(double v) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 6);
  std::string s(buf, r.ptr);
  const std::size_t e = s.find('e');
  if (e == std::string::npos) return s;
  const char sign = s[e + 1];
  std::string digits = s.substr(e + 2);
  while (digits.size() < 3) digits = "0" + digits;
  return s.substr(0, e) + "E" + sign + digits;
}

std::string BuildCommandLine() {
  const TJwcBatch& b = B();
  std::string s = Utf8ToSjis(fs::path(b.fileName).filename().string());
  if (b.hasMenu) s += " " + std::to_string(S().set);
  const TJwcSet& set = Set();
  for (int i = 0; i < set.optionCount; ++i) s += " " + set.options[i].suffix + set.options[i].value;
  return s;
}

std::string JwcTempText(TPointD base) {
  const TPVC& pvc = CurPVC();
  const TJwcSet& set = Set();
  std::string s;
  auto line = [&s](const std::string& l) { s += l + "\r\n"; };
  line("hq");
  line("hk " + JwcNumber(0));
  std::string t = "hs";
  for (const TGroupEntry& g : pvc.groups) t += Format(" %d", {static_cast<long long>(std::lround(g.scaleX))});
  line(t);
  const char* names[3] = {"hcw", "hch", "hcd"};
  for (int part = 0; part < 3; ++part) {
    t = names[part];
    for (int n = 1; n <= 10; ++n) {
      const TTextSize& z = pvc.textSizes[static_cast<std::size_t>(n)];
      t += Format(" %4.1f", {part == 0 ? z.width : part == 1 ? z.height : z.spacing});
    }
    line(t);
  }
  t = "hcc";
  for (int n = 1; n <= 10; ++n) t += Format(" %6d", {static_cast<long long>(pvc.textSizes[static_cast<std::size_t>(n)].pen)});
  line(t);
  if (!set.h[0] && !set.h[4]) {
    const TGcell& r = S().screen.Rect();
    const double x1 = r.p[0], y1 = r.p[1], x2 = r.p[0] + r.p[2], y2 = r.p[1] + r.p[3];
    line("hn " + JwcNumber(std::min(x1, x2) - base.x) + " " + JwcNumber(std::min(y1, y2) - base.y) + " " +
         JwcNumber(std::max(x1, x2) - base.x) + " " + JwcNumber(std::max(y1, y2) - base.y));
  }
  for (int k = 1; k <= 9; ++k)
    if (set.promptDefined[k] && S().pointSet[k])
      line(Format("hp%d ", {k}) + JwcNumber(S().points[k].x - base.x) + " " + JwcNumber(S().points[k].y - base.y));
  line(Format("lg%x", {static_cast<long long>(WriteGroup(pvc))}));
  line(Format("ly%x", {static_cast<long long>(WriteLayerNumber(pvc))}));
  line(Format("lc%d", {static_cast<long long>(pvc.writePen & 0xF)}));
  line(Format("lt%d", {static_cast<long long>((pvc.writePen >> 4) & 0xF)}));
  line(Format("cn%d", {static_cast<long long>(pvc.textSize)}));
  line("#");
  const int w = StoreWindow();
  auto n = [](double v) { return JwcNumber(v); };
  for (int i = 1, used = StoreUsed(); i <= used; ++i) {
    const TGcell& c = GcellRef(i);
    if (c.window != w || c.kind <= 0 || !(c.pen & PEN_SELECTED)) continue;
    switch (c.kind) {
      case GK_POINT: line("pt " + n(c.p[0] - base.x) + " " + n(c.p[1] - base.y)); break;
      case GK_LINE: {
        const TLineGeom l = LineOf(c);
        line(" " + n(l.a.x - base.x) + " " + n(l.a.y - base.y) + " " + n(l.b.x - base.x) + " " + n(l.b.y - base.y));
        break;
      }
      case GK_CIRCLE: {
        const ArcParams a = ArcOf(c);
        line("ci " + n(a.cx - base.x) + " " + n(a.cy - base.y) + " " + n(a.r));
        break;
      }
      case GK_TEXT: {
        const TTextGeom g = TextOf(c);
        line("ch " + n(g.at.x - base.x) + " " + n(g.at.y - base.y) + " " + n(100 * std::cos(g.angle)) + " " +
             n(100 * std::sin(g.angle)) + " \"" + c.text.str());
        break;
      }
      default: break;
    }
  }
  return s;
}

namespace {

// The words of a result line (spaces collapsed, none at the start).
std::vector<std::string> Words(std::string_view s) {
  std::vector<std::string> out;
  std::size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    const std::size_t b = i;
    while (i < s.size() && s[i] != ' ' && s[i] != '\t') ++i;
    if (i > b) out.emplace_back(s.substr(b, i - b));
  }
  return out;
}

int HexDigit(std::string_view s, std::size_t at) {
  if (at >= s.size()) return -1;
  const char c = s[at];
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string ApplyJwcResult(TGContext* view, std::string_view text, TPointD base) {
  // First the control lines.
  std::string control;
  ForEachLine(text, [&](std::string_view l) {
    if (l.starts_with("hq") || l.starts_with("he") || l.starts_with("h/")) {
      control = std::string(l);
      return false;
    }
    return true;
  });
  if (!control.empty()) return control;
  GcellCommit();
  TPVC& pvc = CurPVC();
  int group = WriteGroup(pvc), layer = WriteLayerNumber(pvc), size = pvc.textSize;
  std::uint16_t pen = 0x11;
  const int w = StoreWindow();
  auto layerCode = [&] { return static_cast<std::uint8_t>(group << 4 | layer); };
  auto draw = [&](int i) {
    if (i > 0 && view) DrawCell(*view, GcellRef(i));
  };
  auto fine = [](double v) { return std::isfinite(v) && std::fabs(v) <= kMaxValue; };
  ForEachLine(text, [&](std::string_view l) {
    if (l.starts_with("hd")) {
      for (int i = 1, used = StoreUsed(); i <= used; ++i) {
        const TGcell& c = GcellRef(i);
        if (c.window != w || c.kind <= 0 || !(c.pen & PEN_SELECTED)) continue;
        if (view) EraseCell(*view, c);
        GcellDelete(i);
      }
    } else if (l.starts_with("lgn")) {
      pvc.groups[static_cast<std::size_t>(group)].name = CutMB(l.size() > 3 ? l.substr(3) : "", 32);
    } else if (l.starts_with("lg")) {
      if (const int d = HexDigit(l, 2); d >= 0) group = d;
    } else if (l.starts_with("lyn")) {
      pvc.groups[static_cast<std::size_t>(group)].layers[static_cast<std::size_t>(layer)].name =
          CutMB(l.size() > 3 ? l.substr(3) : "", 16);
    } else if (l.starts_with("ly")) {
      if (const int d = HexDigit(l, 2); d >= 0) layer = d;
    } else if (l.starts_with("lc")) {
      // Pens 1..7, pen 7 as the auxiliary line type 5, as drawings are read.
      if (const int d = HexDigit(l, 2); d >= 0) {
        const int n = std::clamp(d, 1, 7);
        pen = n == 7 ? 0x57 : static_cast<std::uint16_t>((pen & 0xF0) | n);
      }
    } else if (l.starts_with("lt")) {
      if (const int d = HexDigit(l, 2); d >= 0 && (pen & 0xF) != 7)
        pen = static_cast<std::uint16_t>(std::clamp(d, 1, 8) << 4 | (pen & 0xF));
    } else if (l.starts_with("cn")) {
      if (const int d = HexDigit(l, 2); d >= 0) size = std::clamp(d, 1, 10);
    } else if (l.starts_with("pt")) {
      const std::vector<std::string> f = Words(l);
      if (f.size() < 3) return true;
      const double x = ParseReal(f[1]), y = ParseReal(f[2]);
      if (fine(x) && fine(y)) draw(GcellAddPoint(layerCode(), pen, x + base.x, y + base.y));
    } else if (!l.empty() && (l[0] == ' ' || l[0] == '-' || (l[0] >= '0' && l[0] <= '9'))) {
      const std::vector<std::string> f = Words(l);
      if (f.size() < 4) return true;
      double v[4];
      for (int k = 0; k < 4; ++k) v[k] = ParseReal(f[static_cast<std::size_t>(k)]);
      if (std::all_of(v, v + 4, fine))
        draw(GcellAddLine(layerCode(), pen, v[0] + base.x, v[1] + base.y, v[2] + base.x, v[3] + base.y));
    } else if (l.starts_with("ci")) {
      const std::vector<std::string> f = Words(l);
      if (f.size() < 4) return true;
      double v[7] = {0, 0, 0, 0, 0, 1, 0};
      for (std::size_t k = 1; k < f.size() && k <= 7; ++k) v[k - 1] = ParseReal(f[k]);
      if (!std::all_of(v, v + 7, fine) || v[2] <= 0) return true;
      // Angles and tilt are degrees, as Jw_cad writes them.
      const double flat = v[5] == 0 ? 1 : v[5];
      const double s = v[3] * kPi / 180, e = v[4] * kPi / 180, tilt = v[6] * kPi / 180;
      if (v[3] == v[4])
        draw(GcellAddCircle(layerCode(), pen, v[0] + base.x, v[1] + base.y, v[2], flat, tilt));
      else
        draw(GcellAddArc(layerCode(), pen, v[0] + base.x, v[1] + base.y, v[2], flat, tilt, s, e));
    } else if (l.starts_with("ch") || l.starts_with("cs")) {
      const std::size_t q = l.find('"');
      const std::string textPart = q == std::string_view::npos ? std::string() : std::string(l.substr(q + 1));
      const std::vector<std::string> f = Words(q == std::string_view::npos ? l : l.substr(0, q));
      if (f.size() < 5 || textPart.empty()) return true;
      double v[4];
      for (int k = 0; k < 4; ++k) v[k] = ParseReal(f[static_cast<std::size_t>(k + 1)]);
      if (!std::all_of(v, v + 4, fine)) return true;
      draw(GcellAddText(layerCode(), static_cast<std::uint8_t>(size), 1, textPart, 0, std::atan2(v[3], v[2]),
                        v[0] + base.x, v[1] + base.y));
    }
    return true;
  });
  return {};
}

// ---- The operation --------------------------------------------------------------

namespace {

fs::path BatchFolder() { return fs::path(B().fileName).parent_path(); }

bool ParseBatch() {
  const std::string shown = Utf8ToSjis(B().fileName);
  std::string text;
  std::error_code ec;
  if (!fs::is_regular_file(B().fileName, ec) ||
      ReadFileContents(B().fileName, std::size_t{16} << 20, text) != ReadFileResult::Ok) {
    Platform().MessageBox(shown + "\r\nは開けません.", kApplicationTitle, MsgButtons::Abort, MsgIcon::Error);
    return false;
  }
  const bool ok = ParseBatchText(text, B());
  g_fileProc.hst[5] = Utf8ToSjis(BatchFolder().string());
  if (!ok)
    Platform().MessageBox(shown + "はJW_CAD外部変形バッチファイルではありません.", kApplicationTitle, MsgButtons::Abort,
                          MsgIcon::Error);
  SaveOperationHst();
  return ok;
}

void ShowPoints(TGContext& view) {
  std::vector<TGcell> marks;
  for (int k = 0; k < 10; ++k)
    if (S().pointSet[k]) {
      TGcell p = MakePoint(S().points[k]);
      p.pen = 0x8011;
      marks.push_back(p);
    }
  S().pointsShown.Show(view, std::move(marks));
}

void Guide() {
  const int s = S().state;
  const TJwcSet& set = Set();
  std::string g = "JWC.外変：";
  CursorShape cursor = CursorShape::Arrow;
  if (s == 1) g += B().menuTitle;
  if (s == 2) {
    g += set.comment1.empty() && set.comment2.empty() ? "「始点指示(L)" : set.comment1 + set.comment2 + "／「始点指示(L)";
    cursor = CursorShape::Drag;
  }
  if (s == 3) g += "終点指示(L)」、確定指示(R)", cursor = CursorShape::Drag;
  if (s == 4) g += "除外,追加データ指示,線(L),文字(R)", cursor = CursorShape::AddExclude;
  if (s >= 10 && s <= 19) g += set.prompt[s - 10], cursor = CursorShape::HandPoint;
  ShowStep(g, cursor, false, false);
}

void Enter(TGContext& view, int state);

void Run(TGContext& view);

void OpenEntry(const std::string& prompt) {
  EntryOpen(0, prompt, HistoryList(HstList::JwcExt));
}

std::string TakeEntry() {
  const std::string t = g_form1.edCommon.text;
  EntryClose();
  return t;
}

void Enter(TGContext& view, int state) {
  JwcExtRun& r = S();
  r.state = state;
  TJwcSet& set = Set();
  if (state == 0) {
    g_form1.lbComHst.visible = false;
    Form1Changed();
    TFileDialogRequest request;
    request.title = "JW_CAD外部変形";
    request.filter = "JW_CAD外部変形(*.BAT)|*.BAT;*.bat";
    request.initialDir = SjisToUtf8(g_fileProc.hst[5]);
    request.confirmOverwrite = false;
    if (!Platform().OpenFileDialog(request)) {
      OpEndSelf();
      return;
    }
    B().fileName = request.fileName;
    if (!ParseBatch()) {
      OpEndSelf();
      return;
    }
    Enter(view, 1);
    return;
  }
  if (state == 1) {
    if (!B().hasMenu) {
      r.set = 0;
      Enter(view, 2);
      return;
    }
    g_form1.lbComHst.caption = B().menuItems;
    g_form1.lbComHst.visible = true;
    Form1Changed();
  }
  if (state == 2) {
    r.leftPressed = false;
    if (set.h[0]) {
      Enter(view, 10);
      return;
    }
    if (set.h[4]) {
      const int w = StoreWindow();
      for (int i = 1, n = StoreUsed(); i <= n; ++i) {
        const TGcell& c = GcellRef(i);
        if (c.window == w && c.kind > 0 && IsCellShown(c)) GcellSelect(i);
      }
      Enter(view, 10);
      return;
    }
    r.screen.ShowCross(view, g_manager.lastMousePos);
  }
  if (state >= 10 && state <= 19 && !set.promptDefined[state - 10]) {
    Enter(view, state + 1);
    return;
  }
  if (state >= 20 && state <= 29) {
    const int k = state - 20;
    if (k >= set.optionCount || !set.options[k].defined) {
      Enter(view, state + 1);
      return;
    }
    OpenEntry(set.options[k].label);
    return;
  }
  if (state == 30) {
    if (!set.confirm) {
      Enter(view, 39);
      return;
    }
    OpenEntry("オプション確認/追加 " + BuildCommandLine());
    return;
  }
  if (state == 39) {
    Run(view);
    return;
  }
  Guide();
}

// The shell that runs a ".BAT": VELMO.INI's, else wine's cmd when wine is
// there (the "wine" command, or Debian's wine64 without it).
std::vector<std::string> Shell() {
  std::string shell = SjisToUtf8(AppOptions().JwcShell);
  if (shell.empty()) {
    const char* path = std::getenv("PATH");
    std::vector<fs::path> candidates;
    std::string_view p = path ? path : "";
    while (!p.empty()) {
      const std::size_t c = p.find(':');
      const fs::path dir(std::string(p.substr(0, c)));
      if (!dir.empty()) candidates.push_back(dir / "wine"), candidates.push_back(dir / "wine64");
      p = c == std::string_view::npos ? std::string_view() : p.substr(c + 1);
    }
    candidates.push_back("/usr/lib/wine/wine64");
    for (const fs::path& c : candidates) {
      std::error_code ec;
      if (fs::is_regular_file(c, ec) && ::access(c.c_str(), X_OK) == 0) {
        shell = c.string() + " cmd /c";
        break;
      }
    }
  }
  std::vector<std::string> words;
  for (const std::string& w : Words(shell)) words.push_back(w);
  return words;
}

void Run(TGContext& view) {
  JwcExtRun& r = S();
  TJwcSet& set = Set();
  Platform().SetScreenCursor(CursorShape::Hourglass);
  SnapshotWindows();
  const TPointD base = set.promptDefined[0] && r.pointSet[0] ? r.points[0] : TPointD{0, 0};
  for (bool& b : r.pointSet) b = false;
  r.pointsShown.Clear(view);
  Platform().SetClipboardText("");
  const std::string command = BuildCommandLine() + " " + set.extra;
  const fs::path temp = BatchFolder() / kTempFile;
  std::string result;
  if (!ReplaceFileContents(temp, JwcTempText(base), false)) {
    Platform().MessageBox(Utf8ToSjis(temp.string()) + "\r\nに書き込めません.", kApplicationTitle, MsgButtons::Abort,
                          MsgIcon::Error);
  } else {
    const std::vector<std::string> shell = Shell();
    if (shell.empty()) {
      Platform().MessageBox("外部変形のバッチを実行するコマンド処理系がありません.\r\n"
                            "wine を入れるか、VELMO.INI の [JWCEXT] Shell に設定して下さい.",
                            kApplicationTitle, MsgButtons::Ok, MsgIcon::Error);
    } else {
      TRunRequest run;
      run.program = shell[0];
      run.args.assign(shell.begin() + 1, shell.end());
      run.args.push_back(SjisToUtf8(command));
      run.workDir = BatchFolder().string();
      run.wait = true;
      run.cancellable = true;
      Platform().RunProgram(run);
      const std::string clip = Platform().ClipboardText();
      if (clip.starts_with("Velmo")) {
        result = "ClipBord";
      } else {
        std::string text;
        if (ReadFileContents(temp, std::size_t{256} << 20, text) != ReadFileResult::Ok) text = "hq";
        result = ApplyJwcResult(&view, text, base);
        if (result.starts_with("hq")) {
          Platform().MessageBox("外部処理は実行されませんでした.", kApplicationTitle, MsgButtons::Abort, MsgIcon::Error);
          result.clear();
        } else if (result.starts_with("he")) {
          Platform().MessageBox(Trim(result.substr(2)), kApplicationTitle, MsgButtons::Abort, MsgIcon::Error);
          result.clear();
        }
      }
    }
  }
  Platform().SetScreenCursor(CursorShape::Default);
  ShowDataCount();
  if (result.starts_with("h/")) {
    B().fileName = SjisToUtf8(result.substr(2));
    if (ParseBatch())
      Enter(view, 1);
    else
      Enter(view, 0);
    return;
  }
  if (result == "ClipBord") {
    Op_ButtonClick(OpBtn_ClipRead);
    return;
  }
  GcellMaskAll(static_cast<std::uint16_t>(~PEN_SELECTED));
  r.screen.Drop(view);
  ViewRedraw(1);
  if (!set.h[0] && !set.h[4])
    Enter(view, 2);
  else
    Enter(view, 0);
}

void StepBack(TGContext& view) {
  JwcExtRun& r = S();
  const int s = r.state;
  if (s == 2 || s == 1) {
    r.screen.HideCross(view);
    Enter(view, B().hasMenu && s == 2 ? 1 : 0);
  } else if (s == 3) {
    r.screen.Drop(view);
    Enter(view, 2);
  } else if (s == 4) {
    r.screen.Unselect(view);
    ClearSubBtns();
    r.screen.Stretch(view, ToWorld(view, g_manager.lastMousePos));
    r.state = 3;
    Guide();
  } else if (s >= 10 && s <= 19) {
    // Back to the previous defined prompt (its point goes), or the range.
    int k = s - 10 - 1;
    while (k >= 0 && !Set().promptDefined[k]) --k;
    if (k < 0) {
      GcellMaskAll(static_cast<std::uint16_t>(~PEN_SELECTED));
      ViewRedraw(1);
      Enter(view, Set().h[0] || Set().h[4] ? 1 : 2);
      return;
    }
    r.pointSet[k] = false;
    ShowPoints(view);
    r.state = 10 + k;
    Guide();
  } else if (s >= 20 && s <= 30) {
    EntryClose();
    int k = s - 20 - 1;
    while (k >= 0 && (k >= Set().optionCount || !Set().options[k].defined)) --k;
    if (k < 0) {
      int p = 9;
      while (p >= 0 && !Set().promptDefined[p]) --p;
      if (p >= 0) {
        r.pointSet[p] = false;
        ShowPoints(view);
        r.state = 10 + p;
        Guide();
      } else {
        StepBack(view);  // no prompts: as from the prompts
      }
      return;
    }
    r.state = 20 + k;
    OpenEntry(Set().options[k].label);
  }
}

}  // namespace

void Op_JwcExt(TGContext& view, int code, double x, double y) {
  JwcExtRun& r = S();
  if (code == EV_START) {
    r = JwcExtRun{};
    ClearSubBtns();
    Enter(view, 0);
    return;
  }
  if (code == EV_END) {
    r.screen.End(view);
    r.pointsShown.Clear(view);
    if (EntryIsOpen()) EntryClose();
    g_form1.lbComHst.visible = false;
    Form1Changed();
    r.state = 0;
    return;
  }
  if (code == EV_REDRAW) {
    r.screen.Redraw(view);
    return;
  }
  const int s = r.state;
  if (s == 1) {
    if (code == EV_ESC || code == EV_RCLICK) {
      Enter(view, 0);
      return;
    }
    int k = 0;
    if (code >= '1' && code <= '9' && B().menuItem[code - '0']) k = code - '0';
    if (code == EV_HISTCLICK) {
      const std::string& items = B().menuItems;
      const std::size_t at = static_cast<std::size_t>(std::max(0.0, x / 9));
      k = 1;
      for (int m = 1; m <= 9; ++m) {
        std::size_t p = std::min(items.find(Circled(m)), items.find(std::to_string(m) + ")"));
        if (p != std::string::npos && p <= at) k = m;
      }
    }
    if (k > 0) {
      r.set = k;
      g_form1.lbComHst.visible = false;
      Form1Changed();
      Enter(view, 2);
    }
    return;
  }
  if (s == 2 || s == 3) {
    if (code == EV_ESC) {
      StepBack(view);
      return;
    }
    if (code == EV_LDOWN) r.leftPressed = true;
    if (code == EV_MOVE) {
      if (s == 2)
        r.screen.ShowCross(view, {x, y});
      else
        r.screen.Stretch(view, ToWorld(view, {x, y}));
      return;
    }
    if (s == 2 && code == EV_LCLICK && r.leftPressed) {
      r.screen.Begin(view, ToWorld(view, g_manager.leftPressPos));
      r.state = 3;
      Guide();
      return;
    }
    if (s == 3 && IsClick(code)) {
      TPointD p = ToWorld(view, PressPixel(code));
      if (code == EV_RCLICK) SnapPoint(view, p.x, p.y);
      TRangeFilters f;
      f.anyPoint = Set().h[2];
      if (Set().h[3]) f.keep = [](const TGcell& c) { return c.kind == GK_TEXT; };
      r.screen.Finish(view, p, false, f);
      if (code == EV_RCLICK) {
        Enter(view, 10);
        return;
      }
      SetSubBtn("① 確定 ", true);
      r.state = 4;
      Guide();
    }
    return;
  }
  if (s == 4) {
    if (code == EV_ESC) {
      StepBack(view);
    } else if (code == EV_LCLICK || code == EV_RCLICK) {
      r.screen.Toggle(view, code);
    } else if (code == EV_SUB1) {
      ClearSubBtns();
      Enter(view, 10);
    }
    return;
  }
  if (s >= 10 && s <= 19) {
    if (code == EV_ESC) {
      StepBack(view);
      return;
    }
    if (!IsClick(code)) return;
    TPointD p;
    if (!ClickPoint(view, code, p)) return;
    r.points[s - 10] = p;
    r.pointSet[s - 10] = true;
    ShowPoints(view);
    Enter(view, s + 1);
    return;
  }
  if (s >= 20 && s <= 30) {
    if (code == EV_ENTER || code == EV_LCLICK) {
      const std::string value = TakeEntry();
      if (s == 30) {
        Set().extra = value;
        Enter(view, 39);
      } else {
        Set().options[s - 20].value = value;
        Enter(view, s + 1);
      }
    } else if (code == EV_ESC || code == EV_RCLICK) {
      StepBack(view);
    }
  }
}
