#include "files/fLoad_JWC.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "files/fLoad_JWW.h"
#include "kernel/Common.h"
#include "kernel/Platform.h"
#include "kernel/ReplaceFile.h"
#include "kernel/SjisConv.h"
#include "kernel/Z_Basic.h"
#include "kernel/Z_Math.h"
#include "model/GC_Cell.h"
#include "model/GC_DB.h"
#include "model/PVC.h"

namespace fs = std::filesystem;

namespace {

const char kCutShort[] = "ファイルが途中で終わっています.";
const char kBadText[] = "文字データの位置が文字領域の外を指しています.";
const char kBadTextArea[] = "文字領域の大きさが正しくありません.";

// Damage found while reading: the read stops, what came before stays.
struct TJwcDamage {
  std::string reason;
};

// The file's bytes, read forwards; every read checks what remains.
class TJwcBytes {
public:
  explicit TJwcBytes(std::string_view d) : d_(d) {}

  std::size_t left() const { return d_.size() - pos_; }
  std::string_view Take(std::size_t n) {
    if (n > left()) throw TJwcDamage{kCutShort};
    const std::string_view s = d_.substr(pos_, n);
    pos_ += n;
    return s;
  }
  std::uint8_t U8() { return static_cast<std::uint8_t>(Take(1)[0]); }
  std::int16_t I16() {
    const std::string_view s = Take(2);
    return static_cast<std::int16_t>(Byte(s, 0) | Byte(s, 1) << 8);
  }
  std::int32_t I32() {
    const std::string_view s = Take(4);
    return static_cast<std::int32_t>(Byte(s, 0) | Byte(s, 1) << 8 | Byte(s, 2) << 16 | Byte(s, 3) << 24);
  }
  double F32() {
    const auto bits = static_cast<std::uint32_t>(I32());
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
  }
  // A text block's fields.
  TFields Block() {
    TFields fields;
    SplitFields(Trimmed(Take(kJwcBlock)), fields, 0);
    return fields;
  }

private:
  static std::uint32_t Byte(std::string_view s, std::size_t i) { return static_cast<unsigned char>(s[i]); }
  // A block's text: up to its first NUL, without the padding.
  static std::string_view Trimmed(std::string_view s) {
    s = s.substr(0, std::min(s.find('\0'), s.size()));
    while (!s.empty() && (s.back() == ' ' || s.back() == '\n' || s.back() == '\r')) s.remove_suffix(1);
    return s;
  }

  std::string_view d_;
  std::size_t pos_ = 0;
};

// A NUL-ended text of at most n bytes, trailing spaces removed.
std::string FixedText(std::string_view s) { return TrimRightMB(s.substr(0, std::min(s.find('\0'), s.size()))); }

// A count field: negative counts read as none.
long long Count(const std::string& field) { return std::max(0, ParseInt(field)); }

class TJwcReader {
public:
  TJwcReader(std::string_view bytes, double ox, double oy, TJwcReadReport& report)
      : in_(bytes), o_{ox, oy}, report_(report) {}

  void ReadPart() {
    in_.Take(kJwcBlock);  // signature
    const TFields counts = in_.Block();
    const long long lines = Count(counts[0]), arcs = Count(counts[1]);
    const TPointD reference{ParseReal(counts[2]), ParseReal(counts[3])};
    if (Beyond(reference.x) || Beyond(reference.y))
      ++report_.skipped;
    else
      Add(MakePoint(o_ + reference), 0x17, 0);
    k_ = 1;
    Lines(lines);
    Arcs(arcs);
  }

  void ReadDrawing() {
    TPVC& pvc = CurPVC();
    const std::string_view signature = in_.Take(kJwcBlock);
    const bool floatScales = signature[22] == 'f';
    pvc.jwcTitles[0] = CutMB(FixedText(signature.substr(40, 32)), 31);
    pvc.jwcTitles[1] = CutMB(FixedText(signature.substr(72, 128)), 31);

    const TFields counts = in_.Block();
    const long long lines = Count(counts[0]), arcs = Count(counts[1]), texts = Count(counts[2]),
                    points = Count(counts[3]);
    const int aux = static_cast<int>(std::min<long long>(Count(counts[4]), kJwcAuxSlots));
    pvc.basicScale = ClampFinite(ParseReal(counts[9]), 0.001, 1e9, 1);
    if (pvc.basicScale <= 0.001) pvc.basicScale = 1;
    const int writeField = ParseInt(counts[10]) & 255;
    const int paper = ParseInt(counts[11]);
    pvc.paperSize = std::clamp(paper, 0, static_cast<int>(PAPER_NONE));
    k_ = JwcPaperWidth(paper) / std::max(ParseReal(counts[30]), double{kJwcUnitsPerPaper}) * pvc.basicScale;

    const TFields dim = in_.Block();
    pvc.dimExtGap = pvc.dimExtOvershoot = ParseReal(dim[1]);
    pvc.dimArrowLength = ParseReal(dim[2]);
    pvc.dimArrowAngle = ParseReal(dim[3]);
    const int unit = ParseInt(dim[8]);
    pvc.dimUnit = std::clamp(unit == 1 ? DIM_M : unit, 0, static_cast<int>(DIM_M));
    pvc.dimDecimals = std::clamp(ParseInt(dim[9]), 0, 3);
    pvc.dimTextGap = ParseReal(dim[10]);  // field 10 over field 0, which repeats it

    const TFields area = in_.Block();
    const int areaStart = ParseHex(area[0].substr(std::min<std::size_t>(5, area[0].size()), 4));
    const int areaEnd = ParseHex(area[1].substr(std::min<std::size_t>(5, area[1].size()), 4));

    AuxiliaryPoints(aux);
    TextSizes();
    GroupScales(floatScales);
    Flags(writeField);
    Lines(lines);
    Arcs(arcs);
    Texts(texts, areaStart, areaEnd);
    Points(points);
    Names();
  }

private:
  void Add(TGcell c, std::uint16_t pen, std::uint8_t layer) {
    c.pen = pen;
    c.layer = layer;
    if (GcellAdd(std::move(c)) > 0) ++report_.cells;
  }
  static bool Beyond(double v) { return !(std::fabs(v) <= kJwcMaxCoord); }

  void AuxiliaryPoints(int n) {
    std::array<double, kJwcAuxSlots> xs{}, ys{};
    for (double& x : xs) x = in_.F32();
    for (double& y : ys) y = in_.F32();
    const std::string_view layers = in_.Take(kJwcAuxSlots);
    for (int i = 0; i < n; ++i) {
      const auto u = static_cast<std::size_t>(i);
      if (Beyond(xs[u]) || Beyond(ys[u])) {
        ++report_.skipped;
        continue;
      }
      Add(MakePoint(o_ + TPointD{xs[u], ys[u]}), 0x17, static_cast<std::uint8_t>(layers[u]));
    }
  }

  // Four arrays of eleven numbers (size 0 unused): pen, width, height and
  // spacing in tenths of a paper millimetre.
  void TextSizes() {
    std::array<std::array<std::int16_t, kTextSizeCount>, 4> v{};
    for (auto& row : v)
      for (std::int16_t& x : row) x = in_.I16();
    TPVC& pvc = CurPVC();
    for (int n = 1; n < kTextSizeCount; ++n) {
      const auto u = static_cast<std::size_t>(n);
      TTextSize& t = pvc.textSizes[u];
      t.pen = v[0][u] >= 1 && v[0][u] <= 6 ? v[0][u] : 7;
      t.width = std::max(0, int{v[1][u]}) / 10.0;
      t.height = std::max(0, int{v[2][u]}) / 10.0;
      t.spacing = v[3][u] / 10.0;
    }
  }

  void GroupScales(bool floats) {
    TPVC& pvc = CurPVC();
    for (TGroupEntry& g : pvc.groups) {
      const double s = floats ? in_.F32() : in_.I16();
      g.scaleX = g.scaleY = s > 0 ? ClampFinite(s, 0.001, 1e9, pvc.basicScale) : pvc.basicScale;
    }
  }

  // Group and layer visibility (a first copy of both is not read) and each
  // group's write layer; then the write layer code from count field 10.
  void Flags(int writeField) {
    TPVC& pvc = CurPVC();
    in_.Take(kGroupCount + kGroupCount * kLayerCount);
    const std::string_view groups = in_.Take(kGroupCount);
    const std::string_view layers = in_.Take(kGroupCount * kLayerCount);
    const std::string_view writes = in_.Take(kGroupCount);
    bool packed = true;  // every group's byte is 16 × group + layer
    for (int g = 0; g < kGroupCount; ++g) {
      TGroupEntry& e = pvc.groups[static_cast<std::size_t>(g)];
      e.visible = groups[static_cast<std::size_t>(g)] != 0;
      for (int l = 0; l < kLayerCount; ++l)
        e.layers[static_cast<std::size_t>(l)].visible = layers[static_cast<std::size_t>(g * kLayerCount + l)] != 0;
      const auto w = static_cast<unsigned char>(writes[static_cast<std::size_t>(g)]);
      e.lastLayer = w & 15;
      if (w >> 4 != g) packed = false;
    }
    const int group = packed ? writeField & 15 : writeField >> 4;
    pvc.writeLayer = group * 16 + pvc.groups[static_cast<std::size_t>(group)].lastLayer;
  }

  void Lines(long long n) {
    for (long long i = 0; i < n; ++i) {
      const std::string_view r = in_.Take(kJwcLineRecord);
      TJwcBytes b(r);
      const double x1 = b.F32() * k_, y1 = b.F32() * k_, x2 = b.F32() * k_, y2 = b.F32() * k_;
      const int type = b.U8(), colour = b.U8();
      const std::uint8_t layer = b.U8();
      if (Beyond(x1) || Beyond(y1) || Beyond(x2) || Beyond(y2)) {
        ++report_.skipped;
        continue;
      }
      Add(MakeLine(o_ + TPointD{x1, y1}, o_ + TPointD{x2, y2}), JwwPenWord(colour, type), layer);
    }
  }

  void Arcs(long long n) {
    constexpr double kUnit = 65536;
    for (long long i = 0; i < n; ++i) {
      TJwcBytes b(in_.Take(kJwcArcRecord));
      const double cx = b.F32() * k_, cy = b.F32() * k_, r = std::fabs(b.F32() * k_);
      const int w = b.I16();
      const double a = b.I32() / kUnit, e = b.I32() / kUnit, c = b.I32() / kUnit;
      const int type = b.U8(), colour = b.U8();
      const std::uint8_t layer = b.U8();
      if (Beyond(cx) || Beyond(cy) || Beyond(r)) {
        ++report_.skipped;
        continue;
      }
      ArcParams arc{o_.x + cx, o_.y + cy, r, 1, 0, 0, 0};
      if (std::abs(w - 10000) <= 1) {  // a circular arc, turned by c
        arc.s = DegToRad(a + c);
        arc.e = DegToRad(e + c);
      } else {
        arc.f = std::abs(w) / 10000.0;
        arc.t = DegToRad(c);
        arc.s = DegToRad(a);
        arc.e = DegToRad(e);
      }
      if (arc.s > arc.e) arc.s -= 2 * std::numbers::pi;
      Add(MakeArc(arc), JwwPenWord(colour, type), layer);
    }
  }

  struct TTextRecord {
    TGcell cell;
    int offset = 0;
  };

  // The records, then the text area they point into; a text is its bytes
  // from its offset up to a NUL or the area's end.
  void Texts(long long n, int areaStart, int areaEnd) {
    std::vector<TTextRecord> records;
    records.reserve(static_cast<std::size_t>(std::min<long long>(n, in_.left() / kJwcTextRecord)));
    for (long long i = 0; i < n; ++i) {
      TJwcBytes b(in_.Take(kJwcTextRecord));
      const double x1 = b.F32() * k_, y1 = b.F32() * k_, x2 = b.F32() * k_, y2 = b.F32() * k_;
      const int offset = static_cast<std::int16_t>(b.I32() & 0xFFFF);
      const int size = b.U8();
      const std::uint8_t layer = b.U8();
      const int flags = b.U8();
      if (Beyond(x1) || Beyond(y1)) {
        ++report_.skipped;
        continue;
      }
      TTextRecord t{MakeText("", o_ + TPointD{x1, y1}, std::atan2(y2 - y1, x2 - x1)), offset};
      t.cell.size = static_cast<std::uint8_t>(std::clamp(size, 1, 10));
      t.cell.layer = layer;
      t.cell.pen = 1;
      t.cell.vertical = (flags & 0x20) != 0;
      records.push_back(std::move(t));
    }
    const long long length = static_cast<long long>(areaEnd) - areaStart;
    if (length < 0 || length > static_cast<long long>(kJwcMaxTextArea)) {
      Damage(kBadTextArea);
      if (length < 0) return;
    }
    const std::string_view area = in_.Take(static_cast<std::size_t>(length));
    for (TTextRecord& t : records) {
      const auto at = static_cast<std::size_t>(t.offset);
      if (t.offset < 0 || at >= area.size()) {
        Damage(kBadText);
        continue;
      }
      const std::string_view s = area.substr(at);
      t.cell.text = s.substr(0, std::min(s.find('\0'), s.size()));
      if (!t.cell.text.empty() && GcellAdd(std::move(t.cell)) > 0) ++report_.cells;
    }
  }

  void Points(long long n) {
    for (long long i = 0; i < n; ++i) {
      TJwcBytes b(in_.Take(kJwcPointRecord));
      const double x = b.F32(), y = b.F32();
      const std::uint8_t layer = b.U8();
      const int colour = b.U8();  // as the writer puts it; anything else is pen 1
      if (Beyond(x) || Beyond(y) || Beyond(x * k_) || Beyond(y * k_)) {
        ++report_.skipped;
        continue;
      }
      const auto pen = static_cast<std::uint16_t>(colour >= 1 && colour <= 6 ? 0x10 + colour : 0x11);
      Add(MakePoint(o_ + TPointD{x * k_, y * k_}), pen, layer);
    }
  }

  void Names() {
    TPVC& pvc = CurPVC();
    for (TGroupEntry& g : pvc.groups)
      for (TLayerEntry& l : g.layers) l.name = CutMB(FixedText(in_.Take(8)), 16);
    for (TGroupEntry& g : pvc.groups) g.name = CutMB(FixedText(in_.Take(16)), 32);
  }

  // Damage that loses a part but lets the read go on.
  void Damage(const char* why) {
    report_.damaged = true;
    if (report_.reason.empty()) report_.reason = why;
  }

  TJwcBytes in_;
  TPointD o_;
  TJwcReadReport& report_;
  double k_ = 1;
};

void Error(const std::string& text) { Platform().MessageBox(text, "Velmo", MsgButtons::Ok, MsgIcon::Error); }

}  // namespace

double JwcPaperWidth(int code) {
  switch (code) {
    case 0: return 1189;
    case 1: return 841;
    case 2: return 594;
    case 3: return 420;
    case 4: return 297;
    case 8: return 1682;
    case 9: return 2378;
    case 10: return 3364;
    case 11: return 4756;
    case 12: return 10000;
    case 13: return 50000;
    case 14: return 100000;
    default: return 999;
  }
}

bool JwcLoadBytes(std::string_view bytes, bool part, double ox, double oy, TJwcReadReport* report) {
  TJwcReadReport found;
  // The blocks before the first record: a shorter file is no drawing at all.
  const std::size_t head = part ? 2 * kJwcBlock : 4 * kJwcBlock;
  if (bytes.size() < head) {
    Error(part ? "ＪＷＫデータではありません." : "ＪＷＣデータではありません.");
    if (report) *report = found;
    return false;
  }
  TJwcReader reader(bytes, ox, oy, found);
  try {
    if (part)
      reader.ReadPart();
    else
      reader.ReadDrawing();
  } catch (const TJwcDamage& d) {
    found.damaged = true;
    found.reason = d.reason;
  }
  if (report) *report = found;
  return true;
}

bool JwcLoad(const fs::path& fileName, double ox, double oy, TJwcReadReport* report) {
  std::string bytes;
  const ReadFileResult r = ReadFileContents(fileName, kJwcMaxFileSize, bytes);
  const std::string shown = Utf8ToSjis(fileName.string());
  if (r != ReadFileResult::Ok || bytes.size() > kJwcMaxFileSize) {
    Error("ﾌｧｲﾙ[" + shown + (r != ReadFileResult::Ok ? "]を読み込めません." : "]は大きすぎて読み込めません."));
    if (report) *report = {};
    return false;
  }
  const bool part = UpperAscii(fileName.extension().string()) == ".JWK";
  return JwcLoadBytes(bytes, part, ox, oy, report);
}
