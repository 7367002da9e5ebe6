#include "files/fSave_DXF.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <string_view>
#include <unordered_set>

#include "app/GC_PointSearch.h"
#include "files/fSave_VLD.h"
#include "kernel/Platform.h"
#include "kernel/ReplaceFile.h"
#include "kernel/SjisConv.h"
#include "kernel/Z_Basic.h"
#include "kernel/Z_Math.h"
#include "model/GC_Cell.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "render/GC_Tenkai.h"
#include "render/Z_Graph.h"

namespace fs = std::filesystem;

namespace {

constexpr double kPi = std::numbers::pi;

struct TLineType {
  const char* name;
  const char* description;
  const char* count;   // group 73, as written
  const char* length;  // group 40
  const char* elements[6];
};

// Indexed by the pen word's line-type nibble (1..8).
const TLineType kLineTypes[8] = {
    {"CONTINUOUS", "Solid line", "     0", "0.0", {}},
    {"DASHED2", "_ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _", "   2", " 1.5", {" 0.5", "-1.0"}},
    {"DASHED", "__ __ __ __ __ __ __ __ __ __ __ __ __ __ __ __", "   2", " 3.0", {" 2.0", "-1.0"}},
    {"DASHEDX2", "____ ____ ____ ____ ____ ____ ____ ____ ____ __", "   2", " 6.0", {" 5.0", "-1.0"}},
    {"DASHDOT", "__ . __ . __ . __ . __ . __ . __ . __ . __ . __", "   4", " 5.0", {" 3.5", "-0.5", " 0.5", "-0.5"}},
    {"DASHDOTX2", "____ . ____ . ____ . ____ . ____ . ____ . ____ ", "   4", "10.0",
     {" 7.0", "-1.0", " 1.0", "-1.0"}},
    {"DIVIDE", "__ . . __ . . __ . . __ . . __ . . __ . . __ . ", "   6", " 6.0",
     {" 3.5", "-0.5", " 0.5", "-0.5", " 0.5", "-0.5"}},
    {"DIVIDEX2", "______ . . ______ . . ______ . . ______ . . ___", "   6", "12.0",
     {" 7.0", "-1.0", " 1.0", "-1.0", " 1.0", "-1.0"}},
};

// v in fixed notation with prec decimals, right-aligned in width; never "-0.000".
std::string Fixed(double v, int width, int prec) {
  char buf[400];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, prec);
  std::string_view s(buf, ec == std::errc() ? static_cast<std::size_t>(end - buf) : 0);
  if (s.starts_with('-') && s.find_first_not_of("-0.") == std::string_view::npos) s.remove_prefix(1);
  std::string out;
  if (static_cast<int>(s.size()) < width) out.assign(static_cast<std::size_t>(width) - s.size(), ' ');
  out += s;
  return out;
}

// A character's bytes from i: a lead byte with a byte after it starts a pair.
std::size_t CharBytes(std::string_view s, std::size_t i) {
  return IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
}

// Characters DXF does not allow in a layer name (single bytes only: a
// trail byte is part of its character).
bool ForbiddenInName(unsigned char c) {
  return c < 32 || std::string_view("<>/\\\":;?*|=`").find(static_cast<char>(c)) != std::string_view::npos;
}

std::string UpperName(std::string_view s) { return UpperAscii(s); }

class TDxfWriter {
public:
  TDxfWriter(TVldSink& out, double basicScale, bool asLines, TDxfWriteReport& report)
      : out_(out), scale_(basicScale), asLines_(asLines), report_(report), layers_(DxfLayerNames()) {}

  void Write() {
    const double s = std::max(scale_, 1.0);
    const TExtents e = GcellExtents();
    Pair(0, "SECTION");
    Pair(2, "HEADER");
    Pair(9, "$ACADVER");
    Pair(1, "AC1009");
    Pair(9, "$DWGCODEPAGE");
    Pair(3, "ANSI_932");
    Pair(9, "$EXTMIN");
    Pair(10, Format("%f", {e.xmin}));
    Pair(20, Format("%f", {e.ymin}));
    Pair(9, "$EXTMAX");
    Pair(10, Format("%f", {e.xmax}));
    Pair(20, Format("%f", {e.ymax}));
    Pair(9, "$LTSCALE");
    Pair(40, Format("%f", {100.0}));
    Pair(9, "$QTEXTMODE");
    Pair(70, "0");
    Pair(9, "$TEXTSIZE");
    Pair(40, Format("%f", {3 * std::trunc(s)}));
    Pair(9, "$TEXTSTYLE");
    Pair(7, "STANDARD");
    Pair(0, "ENDSEC");
    Tables();
    Pair(0, "SECTION");
    Pair(2, "BLOCKS");
    Pair(0, "ENDSEC");
    Pair(0, "SECTION");
    Pair(2, "ENTITIES");
    Entities();
    Pair(0, "ENDSEC");
    Pair(0, "EOF");
  }

private:
  void Code(int code) {
    char buf[16];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, code);
    const std::size_t n = static_cast<std::size_t>(end - buf);
    if (n < 3) out_.Put(std::string_view("   ", 3 - n));
    out_.Put(std::string_view(buf, n));
    out_.Put("\r\n");
  }
  void Pair(int code, std::string_view value) {
    Code(code);
    out_.Line(value);
  }
  void Num(int code, double v) { Pair(code, Fixed(v, 8, 3)); }
  void Degrees(int code, double radians) { Pair(code, Fixed(RadToDeg(radians), 5, 6)); }

  void Tables() {
    Pair(0, "SECTION");
    Pair(2, "TABLES");
    Pair(0, "TABLE");
    Pair(2, "LTYPE");
    Pair(70, "     9");
    for (const TLineType& t : kLineTypes) {
      Pair(0, "LTYPE");
      Pair(2, t.name);
      Pair(70, "    64");
      Pair(3, t.description);
      Pair(72, "    65");
      Pair(73, t.count);
      Pair(40, t.length);
      for (const char* el : t.elements)
        if (el) Pair(49, el);
    }
    Pair(0, "ENDTAB");
    Pair(0, "TABLE");
    Pair(2, "STYLE");
    Pair(70, "    1");
    Pair(0, "STYLE");
    Pair(2, "STANDARD");
    Pair(70, "    64");
    Pair(40, "0.0");
    Pair(41, "1.0");
    Pair(42, "0.0");
    Pair(50, "0.0");
    Pair(71, "     0");
    Pair(3, "TXT");
    Pair(4, "BIGFONT");
    Pair(0, "ENDTAB");
    Pair(0, "TABLE");
    Pair(2, "LAYER");
    Pair(70, Format("%5d", {static_cast<int>(layers_.size())}));
    for (const std::string& name : layers_) {
      Pair(0, "LAYER");
      Pair(2, name);
      Pair(70, "64");
      Pair(62, "    1");
      Pair(6, "CONTINUOUS");
    }
    Pair(0, "ENDTAB");
    Pair(0, "ENDSEC");
  }

  static bool Elliptic(const TGcell& c) {
    return (c.kind == GK_ARC || c.kind == GK_CIRCLE) && c.p[5] != 0 && c.p[5] != 1;
  }

  void Entities() {
    const int window = StoreWindow();
    TCellPieces pieces;
    for (int i = 1, n = StoreUsed(); i <= n; ++i) {
      const TGcell& c = GcellRef(i);
      if (c.kind <= 0 || c.window != window) continue;
      if (asLines_ && Elliptic(c)) {
        EllipseLines(c);
        continue;
      }
      ExpandCell(c, pieces);
      for (const TGcell& p : pieces)
        if (p.kind > 0) Piece(p);
    }
  }

  // The entity's common groups: layer, line type, colour.
  void Common(const TGcell& c) {
    Pair(8, layers_[c.layer]);
    Pair(6, kLineTypes[std::clamp((c.pen & PEN_LTYPE_MASK) >> 4, 1, 8) - 1].name);
    Pair(62, Format("%5d", {c.pen & PEN_NUMBER_MASK}));
  }

  void Piece(const TGcell& c) {
    ++handle_;
    switch (c.kind) {
      case GK_TEXT:
        if (c.vertical)
          VerticalText(c);
        else
          HorizontalText(c);
        return;
      case GK_POINT:
        Pair(0, "POINT");
        Common(c);
        Num(10, c.p[0]);
        Num(20, c.p[1]);
        return;
      case GK_LINE:
        Pair(0, "LINE");
        Common(c);
        Num(10, c.p[0]);
        Num(20, c.p[1]);
        Num(11, c.p[2]);
        Num(21, c.p[3]);
        return;
      case GK_CIRCLE:
      case GK_ARC: Curve(c); return;
      case GK_FILL4K: {
        // SOLID takes its corners in the order 1, 2, 4, 3 around the outline.
        const TQuadGeom q = QuadOf(c);
        Pair(0, "SOLID");
        Common(c);
        const int order[4] = {0, 1, 3, 2};
        for (int k = 0; k < 4; ++k) {
          Num(10 + k, q.corner[order[k]].x);
          Num(20 + k, q.corner[order[k]].y);
        }
        return;
      }
      case GK_POLYGON:
      case GK_POLYARC: ++report_.areas; return;
      case GK_PICTURE: ++report_.pictures; return;
      default: return;
    }
  }

  void Curve(const TGcell& c) {
    const ArcParams a = ArcOf(c);
    const bool whole = c.kind == GK_CIRCLE || c.p[7] == c.p[8];
    if (!Elliptic(c)) {
      Pair(0, whole ? "CIRCLE" : "ARC");
      Common(c);
      Num(10, a.cx);
      Num(20, a.cy);
      Num(40, a.r);
      if (!whole) {
        Degrees(50, a.s);
        Degrees(51, a.e);
      }
      return;
    }
    double r = a.r, f = a.f, t = a.t, s = whole ? 0 : a.s, e = whole ? 2 * kPi : a.e;
    if (f > 1) {  // the other axis is the major one
      r *= f;
      f = 1 / f;
      t += kPi / 2;
      s -= kPi / 2;
      e -= kPi / 2;
    }
    Pair(0, "ELLIPSE");
    Pair(5, Format("%x", {handle_}));
    Pair(100, "AcDbEntity");
    Common(c);
    Pair(100, "AcDbEllipse");
    Num(10, a.cx);
    Num(20, a.cy);
    Num(11, r * std::cos(t));
    Num(21, r * std::sin(t));
    Num(40, f);
    Pair(41, Fixed(s, 8, whole ? 3 : 6));
    Pair(42, Fixed(e, 8, whole ? 3 : 6));
  }

  void EllipseLines(const TGcell& c) {
    const ArcParams a = ArcOf(c);
    double s = a.s, e = a.e;
    if (s > e) std::swap(s, e);
    const double d = e - s;
    const int n = DxfEllipseLineCount(a.r, d, scale_);
    const double step = d / n;
    const auto at = [&](double th) {
      return TPointD{a.cx, a.cy} + Rotated({a.r * std::cos(th), a.f * a.r * std::sin(th)}, a.t);
    };
    TGcell line = c;
    line.kind = GK_LINE;
    TPointD from = at(s);
    for (int i = 1; i <= n; ++i) {
      const TPointD to = at(s + i * step);
      SetLine(line, from, to);
      Piece(line);
      from = to;
    }
  }

  void TextEntity(std::string_view text, double advance, double height, double angle, TPointD at, int colour,
                  std::uint8_t layer) {
    std::string t(text);
    for (char& ch : t)
      if (static_cast<unsigned char>(ch) < 32) ch = ' ';
    Pair(0, "TEXT");
    Pair(8, layers_[layer]);
    Pair(62, Format("%5d", {colour}));
    Num(10, at.x);
    Num(20, at.y);
    Pair(40, Fixed(height, 8, 2));
    Pair(41, Fixed(height != 0 ? advance / height : 1, 8, 2));
    Degrees(50, angle);
    Pair(1, t);
  }

  void HorizontalText(const TGcell& c) {
    const TTextMetrics m = TextMetrics(c);
    const TTextGeom g = TextOf(c);
    const int colour = TextPen(c);
    const std::string& s = c.text.str();
    if (s.find('^') == std::string::npos) {
      TextEntity(s, m.width + m.gap, m.height, g.angle, g.at, colour, c.layer);
      return;
    }
    const TPointD along = UnitVector(g.angle), across = UnitVector(g.angle + kPi / 2);
    TPointD p = g.at;
    for (std::size_t i = 0; i < s.size();) {
      if (s[i] == '^' && i + 2 < s.size() && (s[i + 1] == 'u' || s[i + 1] == 'd')) {
        const std::size_t n = CharBytes(s, i + 2);
        std::string ch = s.substr(i + 2, n);
        if (n == 1) ch = ToFullWidth(ch);
        const double lift = s[i + 1] == 'u' ? m.height / 2 : m.height / 16;
        TextEntity(ch, (m.width + m.gap) / 2, m.height / 2, g.angle, p + across * lift, colour, c.layer);
        p = p + along * ((m.width + m.gap) / 2);
        i += 2 + n;
        continue;
      }
      const std::size_t n = CharBytes(s, i);
      TextEntity(std::string_view(s).substr(i, n), m.width + m.gap, m.height, g.angle, p, colour, c.layer);
      p = p + along * ((m.width + m.gap) * static_cast<double>(n) / 2);
      i += n;
    }
  }

  // Upright characters stand across the line; brackets and dashes turn with it.
  void VerticalText(const TGcell& c) {
    const TTextMetrics m = TextMetrics(c);
    const TTextGeom g = TextOf(c);
    const int colour = TextPen(c);
    const std::string& s = c.text.str();
    const TPointD along = UnitVector(g.angle);
    TPointD p = g.at;
    for (std::size_t i = 0; i < s.size();) {
      const std::size_t n = CharBytes(s, i);
      const std::string_view ch = std::string_view(s).substr(i, n);
      const double half = n == 2 ? 1 : 0.5;
      if (i > 0) p = p + along * (m.gap * half);
      if (TurnedInVertical(ch)) {
        TextEntity(ch, m.width, m.height, g.angle, p, colour, c.layer);
        p = p + along * (m.width * half);
      } else {
        p = p + along * (m.width * half);
        TextEntity(ch, m.height, m.width, g.angle + kPi / 2, p, colour, c.layer);
      }
      i += n;
    }
  }

  TVldSink& out_;
  const double scale_;
  const bool asLines_;
  TDxfWriteReport& report_;
  const std::array<std::string, 256> layers_;
  long long handle_ = 2048;
};

bool HasEllipse() {
  const int window = StoreWindow();
  for (int i = 1, n = StoreUsed(); i <= n; ++i) {
    const TGcell& c = GcellRef(i);
    if (c.window == window && (c.kind == GK_ARC || c.kind == GK_CIRCLE) && c.p[5] != 0 && c.p[5] != 1) return true;
  }
  return false;
}

}  // namespace

std::array<std::string, 256> DxfLayerNames() {
  const TPVC& pvc = CurPVC();
  std::array<std::string, 256> names;
  std::unordered_set<std::string> taken;
  for (int code = 0; code < 256; ++code) {
    const std::string& own = pvc.groups[static_cast<std::size_t>(code >> 4)].layers[static_cast<std::size_t>(code & 15)].name;
    std::string name;
    if (!RemoveSpaces(own).empty()) {
      name = CutMB(own, 16);
      for (std::size_t i = 0; i < name.size(); i += CharBytes(name, i))
        if (CharBytes(name, i) == 1 && ForbiddenInName(static_cast<unsigned char>(name[i]))) name[i] = ' ';
      name = TrimRightMB(TrimLeftMB(name));
    }
    if (name.empty()) name = Format("Layer%x%x", {code >> 4, code & 15});
    std::string unique = name;
    for (int k = 2; taken.count(UpperName(unique)); ++k) unique = name + "_" + std::to_string(k);
    taken.insert(UpperName(unique));
    names[static_cast<std::size_t>(code)] = unique;
  }
  return names;
}

int DxfEllipseLineCount(double r, double d, double basicScale) {
  const double h = r - std::min(basicScale, r) / 10;
  const double step = std::max(std::min(kPi / 3, 2 * std::acos(std::clamp(h / std::max(r, 0.001), -1.0, 1.0))),
                               kPi / 360);
  const double n = std::nearbyint(d / step);
  return std::max(1, static_cast<int>(std::nearbyint(std::max((d + 0.6 * kPi) / (kPi / 2), n))));
}

std::string DxfText(double basicScale, bool ellipsesAsLines, TDxfWriteReport* report) {
  TDxfWriteReport found;
  TVldSink out;
  TDxfWriter(out, basicScale, ellipsesAsLines, found).Write();
  if (report) *report = found;
  return out.text();
}

bool DxfSave(const fs::path& fileName, double basicScale, DxfEllipses ellipses) {
  const bool asLines = ellipses == DxfEllipses::AsLines ||
                       (ellipses == DxfEllipses::Ask && HasEllipse() &&
                        Platform().MessageBox("楕円を直線列に変換しますか？", "Velmo", MsgButtons::YesNo,
                                              MsgIcon::Question) == MsgAnswer::Yes);
  TReplacement tmp(fileName);
  if (!tmp.file()) {
    ShowSaveError(fileName, "書き込み用のファイルを作れません.");
    return false;
  }
  TDxfWriteReport report;
  TVldSink out(tmp.file());
  TDxfWriter(out, basicScale, asLines, report).Write();
  if (!out.Flush() || !tmp.Commit()) {
    ShowSaveError(fileName, "書き込み中にエラーが発生しました.");
    return false;
  }
  std::string lost;
  if (report.areas > 0) lost += "\r\n  多角形・円の塗り潰し " + std::to_string(report.areas) + " 個";
  if (report.pictures > 0) lost += "\r\n  画像 " + std::to_string(report.pictures) + " 個";
  if (!lost.empty())
    Platform().MessageBox("ﾌｧｲﾙ[" + Utf8ToSjis(fileName.string()) + "]はＤＸＦ形式で保存しました．\r\n" +
                              "次の要素はＤＸＦ形式に書けないため保存していません：" + lost,
                          "Velmo", MsgButtons::Ok, MsgIcon::Warning);
  return true;
}
