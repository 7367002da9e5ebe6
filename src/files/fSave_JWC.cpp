#include "files/fSave_JWC.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <string>
#include <string_view>
#include <vector>

#include "files/fLoad_JWC.h"
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

namespace fs = std::filesystem;

namespace {

constexpr double kAngleUnit = 65536;  // angles are degrees times this

// Little-endian numbers appended to a byte string.
void PutU8(std::string& s, int v) { s += static_cast<char>(v & 0xFF); }
void PutI16(std::string& s, std::int32_t v) {
  const auto u = static_cast<std::uint16_t>(std::clamp(v, -32768, 32767));
  PutU8(s, u);
  PutU8(s, u >> 8);
}
void PutI32(std::string& s, std::int64_t v) {
  const auto u = static_cast<std::uint32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
  for (int i = 0; i < 32; i += 8) PutU8(s, static_cast<int>(u >> i));
}
void PutF32(std::string& s, double v) {
  const float f = static_cast<float>(v);
  std::uint32_t u;
  std::memcpy(&u, &f, sizeof u);
  for (int i = 0; i < 32; i += 8) PutU8(s, static_cast<int>(u >> i));
}

// A text block: the text, a NUL, spaces, and a line feed as its last byte.
void PutBlock(std::string& s, std::string_view text) {
  std::string b(text.substr(0, kJwcBlock - 2));
  b += '\0';
  b.resize(kJwcBlock - 1, ' ');
  b += '\n';
  s += b;
}

// A name in n bytes, padded with pad.
void PutName(std::string& s, std::string_view name, int n, char pad) {
  std::string t = FitText(name, n);
  t.resize(static_cast<std::size_t>(n), pad);
  s += t;
}

// The line type and colour bytes of a pen word: colours 1..6; the
// auxiliary pen and pens past 6 as line type 9.
struct TPenBytes {
  int type, colour;
};
TPenBytes PenBytes(std::uint16_t pen) {
  const int number = pen & PEN_NUMBER_MASK, type = (pen & PEN_LTYPE_MASK) >> 4;
  return {number >= 1 && number <= 6 ? std::clamp(type, 1, 8) : 9, std::clamp(number, 1, 6)};
}

void PutAttributes(std::string& s, const TGcell& c) {
  const TPenBytes p = PenBytes(c.pen);
  PutU8(s, p.type);
  PutU8(s, p.colour);
  PutU8(s, c.layer);
  s.append(3, '\0');
}

// The paper code for the drawing's extents: A4 (4) up to A0 (0).
int PaperCode(const TExtents& e, double basicScale) {
  const double d = std::max(1.141 * e.ymax, e.xmax) / basicScale * 1.1;
  return d <= 420 ? 4 : d <= 594 ? 3 : d <= 841 ? 2 : d <= 1189 ? 1 : 0;
}

// An arc's record angles: start in [0, 360) degrees, the end after it by
// its sweep; a circle or whole ellipse 0 and 0.
void PutArcAngles(std::string& s, const ArcParams& a, bool whole) {
  double start = 0, end = 0;
  if (!whole) {
    start = std::fmod(RadToDeg(a.s), 360.0);
    if (start < 0) start += 360;
    double sweep = std::fmod(RadToDeg(a.e - a.s), 360.0);
    if (sweep <= 0) sweep += 360;
    end = start + sweep;
  }
  PutI32(s, std::llround(start * kAngleUnit));
  PutI32(s, std::llround(end * kAngleUnit));
}

class TJwcWriter {
public:
  explicit TJwcWriter(TJwcWriteReport& report) : report_(report) {}

  void Collect() {
    const int window = StoreWindow();
    TCellPieces pieces;
    for (int i = 1, n = StoreUsed(); i <= n; ++i) {
      const TGcell& c = GcellRef(i);
      if (c.kind <= 0 || c.window != window) continue;
      if (c.kind == GK_TEXT && OnlyRaisedCodes(c.text.str())) {
        Piece(c);
      } else if (c.kind == GK_FILL4K) {
        FillOutline(c);
      } else {
        ExpandCell(c, pieces);
        for (const TGcell& p : pieces) Piece(p);
      }
    }
  }

  std::string Bytes(const TExtents& extents) {
    TPVC& pvc = CurPVC();
    const double b = pvc.basicScale > 0 ? pvc.basicScale : 1;
    const int paper = PaperCode(extents, b);
    k_ = JwcPaperWidth(paper) / kJwcUnitsPerPaper * b;
    std::string s;
    s.reserve(4 * kJwcBlock + 4096 + lines_.size() * kJwcLineRecord + arcs_.size() * kJwcArcRecord +
              texts_.size() * (kJwcTextRecord + 16) + points_.size() * kJwcPointRecord);

    // Signature and titles.
    std::string sig(kJwcSignature);
    sig += FitText(pvc.jwcTitles[0], 31);
    sig.resize(72, '\0');
    sig += FitText(pvc.jwcTitles[1], 31);
    sig.resize(104, '\0');
    sig.resize(kJwcBlock - 1, ' ');
    sig += '\n';
    s += sig;

    const TextArea area = LayOutTexts();
    const std::string scale = b == std::floor(b) && b < 1e15 ? Format("%d", {static_cast<long long>(b)})
                                                            : Format("%f", {b});
    PutBlock(s, Format("%d,%d,%d,%d,%d,2,2,2,2,%s,%d,%d,6,9,%f,%f,5,10,23270,0,0,0,1,2,3,5,5,0,0,0,%d,0",
                       {lines_.size(), arcs_.size(), area.count, points_.size(), aux_.size(), scale,
                        WriteGroup(pvc), paper, 4.87066, 9.74131, kJwcUnitsPerPaper}));
    // Jw_cad's dimension units are millimetres (0) and metres (1):
    // centimetres go as millimetres with one decimal more.
    int unit = pvc.dimUnit, decimals = pvc.dimDecimals;
    if (unit == DIM_CM) {
      unit = 0;
      ++decimals;
    } else if (unit == DIM_M) {
      unit = 1;
    }
    // The gap between dimension line and text goes in both its fields.
    const std::string gap = Format("%s", {pvc.dimTextGap});
    PutBlock(s, Format("%s,%.1f,%.1f,%.1f,2,1,0,0,%d,%d,%s,0.0,0.0,0.0,0.0,0.0"
                       ",0,0,0,3300.000,3300.000,0.000,5136.000,2.000,680.000,0,0,1",
                       {gap, pvc.dimExtGap, pvc.dimArrowLength, pvc.dimArrowAngle, unit, decimals, gap}));
    PutBlock(s, Format("0000:%4.4X,0000:%4.4X,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,36,-23.45,0,0,-1,215,5",
                       {0, area.bytes.size()}));

    // Auxiliary points, untouched by k.
    for (int axis = 0; axis < 2; ++axis)
      for (int i = 0; i < kJwcAuxSlots; ++i)
        PutF32(s, i < static_cast<int>(aux_.size()) ? aux_[static_cast<std::size_t>(i)].p[axis] : 0);
    for (int i = 0; i < kJwcAuxSlots; ++i)
      PutU8(s, i < static_cast<int>(aux_.size()) ? aux_[static_cast<std::size_t>(i)].layer : 0);

    // The size table in tenths of a millimetre.
    for (int i = 0; i < kTextSizeCount; ++i) PutI16(s, pvc.textSizes[static_cast<std::size_t>(i)].pen);
    for (double TTextSize::*m : {&TTextSize::width, &TTextSize::height, &TTextSize::spacing})
      for (int i = 0; i < kTextSizeCount; ++i) PutI16(s, Tenths(pvc.textSizes[static_cast<std::size_t>(i)].*m));

    for (const TGroupEntry& g : pvc.groups) PutF32(s, g.scaleX > 0 ? g.scaleX : b);

    for (int copy = 0; copy < 2; ++copy) {
      for (const TGroupEntry& g : pvc.groups) PutU8(s, g.visible ? 1 : 0);
      for (const TGroupEntry& g : pvc.groups)
        for (const TLayerEntry& l : g.layers) PutU8(s, l.visible ? 1 : 0);
    }
    for (int g = 0; g < kGroupCount; ++g)
      PutU8(s, 16 * g + (g == WriteGroup(pvc) ? WriteLayerNumber(pvc)
                                               : std::clamp(pvc.groups[static_cast<std::size_t>(g)].lastLayer, 0, 15)));

    for (const TGcell& c : lines_) {
      const TLineGeom l = LineOf(c);
      for (double v : {l.a.x, l.a.y, l.b.x, l.b.y}) PutF32(s, v / k_);
      PutAttributes(s, c);
    }
    for (const TGcell& c : arcs_) Arc(s, c);
    s += area.records;
    s += area.bytes;
    for (const TGcell& c : points_) {
      PutF32(s, c.p[0] / k_);
      PutF32(s, c.p[1] / k_);
      PutU8(s, c.layer);
      PutU8(s, PenBytes(c.pen).colour);
      s.append(2, '\0');
    }
    for (const TGroupEntry& g : pvc.groups)
      for (const TLayerEntry& l : g.layers) PutName(s, l.name, 8, ' ');
    for (const TGroupEntry& g : pvc.groups) PutName(s, g.name, 16, ' ');
    return s;
  }

private:
  std::int32_t Tenths(double v) {
    const double t = std::round(v * 10);
    if (!(std::fabs(t) <= 32767)) {
      ++report_.clamped;
      return std::isnan(t) ? 0 : t < 0 ? -32767 : 32767;
    }
    return static_cast<std::int32_t>(t);
  }

  void Piece(const TGcell& c) {
    switch (c.kind) {
      case GK_POINT:
        if ((c.pen & PEN_NUMBER_MASK) != 7)
          points_.push_back(c);
        else if (static_cast<int>(aux_.size()) < kJwcAuxWritten)
          aux_.push_back(c);
        else
          ++report_.auxiliary;
        break;
      case GK_LINE: lines_.push_back(c); break;
      case GK_ARC:
      case GK_CIRCLE: arcs_.push_back(c); break;
      case GK_TEXT: texts_.push_back(c); break;
      case GK_POLYGON:
      case GK_POLYARC: ++report_.areas; break;
      case GK_PICTURE: ++report_.pictures; break;
      default: break;
    }
  }

  // A filled quadrilateral's edges (those of length zero left out); a
  // triangle (last two corners equal) also its three medians.
  void FillOutline(const TGcell& c) {
    const TQuadGeom q = QuadOf(c);
    const auto line = [&](TPointD a, TPointD b) {
      if (a.x == b.x && a.y == b.y) return;
      TGcell l = MakeLine(a, b);
      l.layer = c.layer;
      l.pen = c.pen;
      lines_.push_back(l);
    };
    for (int i = 0; i < 4; ++i) line(q.corner[i], q.corner[(i + 1) % 4]);
    if (q.corner[2].x == q.corner[3].x && q.corner[2].y == q.corner[3].y) {
      const auto mid = [](TPointD a, TPointD b) { return TPointD{(a.x + b.x) / 2, (a.y + b.y) / 2}; };
      line(q.corner[0], mid(q.corner[1], q.corner[2]));
      line(q.corner[1], mid(q.corner[0], q.corner[2]));
      line(q.corner[2], mid(q.corner[0], q.corner[1]));
    }
  }

  // Centre, radius, flatness code, angles and tilt. An ellipse keeps its
  // flatness (the code is 16 bits: one flatter than 3.2767 is turned a
  // quarter about its centre with its axes exchanged).
  void Arc(std::string& s, const TGcell& c) {
    ArcParams a = ArcOf(c);
    const bool whole = c.kind == GK_CIRCLE;
    double f = FlatnessOf(c);
    if (f * 10000 > 32767) {
      a.r *= f;
      f = 1 / f;
      a.t += std::numbers::pi / 2;
      a.s -= std::numbers::pi / 2;
      a.e -= std::numbers::pi / 2;
    }
    const int code = std::clamp(static_cast<int>(std::lround(f * 10000)), 1, 32767);
    const bool circular = std::abs(code - 10000) <= 1;
    PutF32(s, a.cx / k_);
    PutF32(s, a.cy / k_);
    PutF32(s, a.r / k_);
    PutI16(s, circular ? 10000 : code);
    if (circular) {  // angles from the x axis, no turn
      a.s += a.t;
      a.e += a.t;
    }
    PutArcAngles(s, a, whole);
    PutI32(s, circular ? 0 : std::llround(std::fmod(RadToDeg(a.t), 360.0) * kAngleUnit));
    PutAttributes(s, c);
  }

  struct TextArea {
    std::string records, bytes;
    std::size_t count = 0;
  };

  // The text records and the text area. A text's end point marks its
  // length along its direction (half a character advance per byte); a
  // text of its own size takes the table's size nearest below it.
  TextArea LayOutTexts() {
    const TPVC& pvc = CurPVC();
    const double b = pvc.basicScale > 0 ? pvc.basicScale : 1;
    TextArea area;
    for (const TGcell& c : texts_) {
      const std::string& text = c.text.str();
      const std::size_t offset = area.bytes.size();
      if (offset > static_cast<std::size_t>(kJwcMaxTextOffset) || offset + text.size() + 1 > kJwcMaxTextArea) {
        report_.texts += static_cast<long long>(&texts_.back() - &c) + 1;
        break;
      }
      const TTextMetrics m = TextMetrics(c);
      const TTextGeom g = TextOf(c);
      const double length = static_cast<double>(text.size()) * (m.width + m.gap) * 0.5;
      const TPointD end = g.at + UnitVector(g.angle) * length;
      for (double v : {g.at.x, g.at.y, end.x, end.y}) PutF32(area.records, v / k_);
      PutI32(area.records, static_cast<std::int64_t>(offset));
      const int size = TextSizeIndex(c);
      PutU8(area.records, size >= 1 ? size : FittingTextSize(m.height / b));
      PutU8(area.records, c.layer);
      PutU8(area.records, c.vertical ? 0x20 : 0);
      PutU8(area.records, 0);
      area.bytes += text;
      area.bytes += '\0';
      ++area.count;
    }
    return area;
  }

  TJwcWriteReport& report_;
  std::vector<TGcell> lines_, arcs_, texts_, points_, aux_;
  double k_ = 1;
};

// What a written file lacks, in one message.
void WarnLeftOut(const fs::path& fileName, const TJwcWriteReport& r) {
  std::string text;
  const auto add = [&](long long n, const char* what) {
    if (n > 0) text += "\r\n  " + std::string(what) + " " + std::to_string(n) + " 個";
  };
  add(r.areas, "多角形・円の塗り潰し");
  add(r.pictures, "画像");
  add(r.auxiliary, "101個目以降の補助点");
  add(r.texts, "文字領域(32KB)に入らない文字");
  if (!text.empty()) text = "\r\n次の要素はＪＷＣ形式に書けないため保存していません：" + text;
  if (r.clamped > 0) text += "\r\n文字サイズの表の 3276.7mm を超える値は 3276.7mm として保存しました．";
  if (text.empty()) return;
  Platform().MessageBox("ﾌｧｲﾙ[" + Utf8ToSjis(fileName.string()) + "]はＪＷＣ形式で保存しました．" + text, "Velmo",
                        MsgButtons::Ok, MsgIcon::Warning);
}

}  // namespace

std::string JwcBytes(const TExtents& extents, TJwcWriteReport* report) {
  TJwcWriteReport found;
  TJwcWriter w(found);
  w.Collect();
  std::string bytes = w.Bytes(extents);
  if (report) *report = found;
  return bytes;
}

bool JwcSave(const fs::path& fileName, const TExtents& extents) {
  TJwcWriteReport report;
  const std::string bytes = JwcBytes(extents, &report);
  if (!ReplaceFileContents(fileName, bytes)) {
    ShowSaveError(fileName, "書き込み中にエラーが発生しました.");
    return false;
  }
  WarnLeftOut(fileName, report);
  return true;
}
