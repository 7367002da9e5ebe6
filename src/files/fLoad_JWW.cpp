#include "files/fLoad_JWW.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "files/fLoad_VLD.h"
#include "kernel/Platform.h"
#include "kernel/ReplaceFile.h"
#include "kernel/SjisConv.h"
#include "kernel/Z_Basic.h"
#include "kernel/Z_Math.h"
#include "model/GC_Cell.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "render/GC_Transform.h"

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kOldestVersion = 230;
constexpr std::uint32_t kVersionSky = 300;        // sky-view conditions, eight mark jumps, text drawing state
constexpr std::uint32_t kVersionPenWidth = 351;   // every entity carries a pen width
constexpr std::uint32_t kVersionSxf = 420;        // extended pens and line types, dimension extras
constexpr std::uint32_t kVersionPictures = 700;   // embedded pictures after the blocks
constexpr int kMaxListDepth = 8;                  // lists within lists (a block definition holds one)
constexpr std::size_t kMaxClassName = 63;         // the archive's own limit

const char kNotJww[] = "ＪＷＷデータではありません.";
const char kTooOld[] = "旧のＪＷＷデータは読めません.";
const char kCutShort[] = "ファイルが途中で終わっています.";
const char kBadTag[] = "図形データの並びが壊れています.";

void Error(const std::string& text) { Platform().MessageBox(text, "Velmo", MsgButtons::Ok, MsgIcon::Error); }

// Damage found while reading: the read stops, what came before stays.
struct TJwwDamage {
  std::string reason;
};

// ---- Bytes -------------------------------------------------------------------

// Little-endian UTF-16 to CP932; a lone surrogate becomes "?".
std::string Utf16ToSjis(std::string_view bytes) {
  std::string utf8;
  utf8.reserve(bytes.size());
  const auto unit = [&](std::size_t i) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i]) |
                                      static_cast<unsigned char>(bytes[i + 1]) << 8);
  };
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    std::uint32_t u = unit(i);
    if (u >= 0xD800 && u < 0xDC00 && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 && unit(i + 2) < 0xE000) {
      u = 0x10000 + ((u - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
      i += 2;
    } else if (u >= 0xD800 && u < 0xE000) {
      u = '?';
    }
    AppendUtf8(utf8, u);
  }
  return Utf8ToSjis(utf8);
}

// The archive's bytes, read forwards; every read checks what remains.
class TArchive {
public:
  explicit TArchive(std::string_view d) : d_(d) {}

  std::size_t left() const { return d_.size() - pos_; }
  void Need(std::size_t n) const {
    if (n > left()) throw TJwwDamage{kCutShort};
  }
  void Skip(std::size_t n) {
    Need(n);
    pos_ += n;
  }
  std::uint8_t U8() {
    Need(1);
    return static_cast<std::uint8_t>(d_[pos_++]);
  }
  std::uint16_t U16() {
    Need(2);
    const auto v = static_cast<std::uint16_t>(Byte(0) | Byte(1) << 8);
    pos_ += 2;
    return v;
  }
  std::uint32_t U32() {
    Need(4);
    const std::uint32_t v = Byte(0) | Byte(1) << 8 | Byte(2) << 16 | Byte(3) << 24;
    pos_ += 4;
    return v;
  }
  double F64() {
    Need(8);
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = v << 8 | Byte(static_cast<std::size_t>(i));
    pos_ += 8;
    double d;
    std::memcpy(&d, &v, sizeof d);
    return d;
  }
  TPointD Point() {
    const double x = F64();
    return {x, F64()};
  }
  // An element count: a WORD, or FFFF and a DWORD.
  std::uint32_t Count() {
    const std::uint32_t n = U16();
    return n == 0xFFFF ? U32() : n;
  }
  // A string: its length in a BYTE, else (FF) a WORD, else (FFFF) a DWORD;
  // FF FEFF announces UTF-16 characters, whose count follows the same way.
  // Trailing spaces are dropped.
  std::string String() {
    std::uint32_t n = U8();
    bool wide = false;
    if (n == 0xFF) {
      n = U16();
      if (n == 0xFFFE) {
        wide = true;
        n = U8();
        if (n == 0xFF) n = U16();
      }
      if (n == 0xFFFF) n = U32();
    }
    const std::size_t bytes = wide ? std::size_t{n} * 2 : n;
    Need(bytes);
    const std::string_view s = d_.substr(pos_, bytes);
    pos_ += bytes;
    return TrimRightMB(wide ? Utf16ToSjis(s) : std::string(s));
  }

private:
  std::uint32_t Byte(std::size_t i) const { return static_cast<unsigned char>(d_[pos_ + i]); }

  std::string_view d_;
  std::size_t pos_ = 0;
};

// ---- Header ------------------------------------------------------------------

struct THeader {
  std::uint32_t version = 0;
  std::uint32_t paper = 0, writeGroup = 0;
  struct TGroup {
    std::uint32_t state = 0, writeLayer = 0;
    double scale = 1;
    std::array<std::uint32_t, kLayerCount> layerState{};
    std::array<std::string, kLayerCount> layerName;
    std::string name;
  };
  std::array<TGroup, kGroupCount> groups;
  struct TSize {
    double width = 0, height = 0, spacing = 0;
    std::uint32_t colour = 0;
  };
  std::array<TSize, 11> sizes;  // 1..10
};

void ReadHeader(TArchive& in, THeader& h) {
  const std::uint32_t v = h.version;
  in.String();  // memo
  h.paper = in.U32();
  h.writeGroup = in.U32();
  for (THeader::TGroup& g : h.groups) {
    g.state = in.U32();
    g.writeLayer = in.U32();
    g.scale = in.F64();
    in.U32();  // protection
    for (std::uint32_t& l : g.layerState) {
      l = in.U32();
      in.U32();  // protection
    }
  }
  in.Skip(14 * 4 + 5 * 4 + 4 + 4);  // dummies, dimension settings, dummy, widest line
  in.Skip(16 + 8 + 4 + 4 + 8 + 16 + 16);  // print origin, scale and setting; the scale marks
  for (THeader::TGroup& g : h.groups)
    for (std::string& name : g.layerName) name = in.String();
  for (THeader::TGroup& g : h.groups) g.name = in.String();
  in.Skip(8 + 8 + 4 + 8);  // shadow conditions
  if (v >= kVersionSky) in.Skip(16);  // sky view
  in.Skip(4 + 24 + 24);  // 2.5D unit, the saved view, the remembered range
  in.Skip(v >= kVersionSky ? 8 * 28 + 56 : 4 * 24);  // mark jumps; the text drawing state
  in.Skip(10 * 8 + 8 + 10 * 8 + 10 * 16 + 8 * 16 + 5 * 20 + 4 * 16 + 11 * 4);  // parallel lines, pens, line types
  if (v >= 223) in.Skip(5 * 4 + 5 * 8);  // drawing time, 2.5D eye points
  if (v >= 225) in.Skip(4 * 8);          // last lengths
  if (v >= 230) in.Skip(2 * 4);          // fill colour
  if (v >= kVersionSxf) {
    in.Skip(257 * 8);  // extended screen pens
    for (int n = 0; n < 257; ++n) {
      in.String();  // colour name
      in.Skip(4 + 4 + 8);
    }
    in.Skip(33 * 16);  // extended line types
    for (int n = 0; n < 33; ++n) {
      in.String();  // line type name
      in.Skip(4 + 10 * 8);
    }
  }
  for (int n = 1; n <= 10; ++n) {
    THeader::TSize& s = h.sizes[static_cast<std::size_t>(n)];
    s.width = in.F64();
    s.height = in.F64();
    s.spacing = in.F64();
    s.colour = in.U32();
  }
  in.Skip(24 + 8 + 16 + 4 + 24 + 24);  // the writing text, text arrangement, base point shifts
}

int Nibble(std::uint32_t v) { return static_cast<int>(std::min<std::uint32_t>(v, 15)); }

// The header's settings into the window's; returns group 0's scale.
double ApplyHeader(const THeader& h) {
  TPVC& pvc = CurPVC();
  pvc.paperSize = static_cast<std::int32_t>(std::min<std::uint32_t>(h.paper, PAPER_NONE));
  for (int gi = 0; gi < kGroupCount; ++gi) {
    const THeader::TGroup& src = h.groups[static_cast<std::size_t>(gi)];
    TGroupEntry& g = pvc.groups[static_cast<std::size_t>(gi)];
    g.visible = src.state != 0;
    g.lastLayer = Nibble(src.writeLayer);
    g.scaleX = g.scaleY = ClampFinite(src.scale, 0.001, 1e9, 1);
    g.name = CutMB(src.name, 32);
    for (int l = 0; l < kLayerCount; ++l) {
      g.layers[static_cast<std::size_t>(l)].visible = src.layerState[static_cast<std::size_t>(l)] != 0;
      g.layers[static_cast<std::size_t>(l)].name = CutMB(src.layerName[static_cast<std::size_t>(l)], 16);
    }
  }
  for (int n = 1; n <= 10; ++n) {
    const THeader::TSize& s = h.sizes[static_cast<std::size_t>(n)];
    TTextSize& t = pvc.textSizes[static_cast<std::size_t>(n)];
    t.width = ClampFinite(s.width, 0, 1e4, 0);
    t.height = ClampFinite(s.height, 0, 1e4, 0);
    t.spacing = ClampFinite(s.spacing, -1e4, 1e4, 0);
    t.pen = static_cast<std::int32_t>(std::clamp<std::uint32_t>(s.colour, 1, 6));
  }
  const int wg = Nibble(h.writeGroup);
  pvc.writeLayer = wg * 16 + pvc.groups[static_cast<std::size_t>(wg)].lastLayer;
  pvc.basicScale = pvc.groups[0].scaleX;
  return pvc.basicScale;
}

// ---- Entities ----------------------------------------------------------------

// What the lists hold: cells in the file's units, or block references.
struct TItem {
  TGcell cell;          // kind 0 for a reference
  std::uint32_t block = 0;
  TCellTransform place;  // a reference's placement of its definition
};

struct TBase {
  int style = 0, colour = 0;
  std::uint8_t layer = 0;
};

class TReader {
public:
  TReader(TArchive& in, std::uint32_t version) : in_(in), version_(version) {}

  // The drawing's list, then the block definitions, then (700) the
  // pictures' table, which is only stepped over.
  void Read() {
    ReadList(main_, 0);
    if (in_.left() == 0) return;  // a writer that stopped after the drawing
    std::vector<TItem> stray;
    ReadList(stray, 0);
    if (version_ >= kVersionPictures && in_.left() >= 4) {
      try {
        for (std::uint32_t n = in_.U32(); n > 0; --n) {
          in_.String();
          in_.Skip(in_.U32());
        }
      } catch (const TJwwDamage&) {
        // The drawing is complete; a damaged picture table loses only pictures.
      }
    }
  }

  const std::vector<TItem>& main() const { return main_; }
  const std::vector<TItem>* Block(std::uint32_t n) const {
    const auto it = blocks_.find(n);
    return it == blocks_.end() ? nullptr : &it->second;
  }
  long long unsupported() const { return unsupported_; }

private:
  // One entry of the running index: a class (its name) or an object.
  struct TEntry {
    bool isClass = false;
    std::string name;
  };

  void ReadList(std::vector<TItem>& out, int depth) {
    if (depth > kMaxListDepth) throw TJwwDamage{kBadTag};
    for (std::uint32_t n = in_.Count(); n > 0; --n) ReadObject(out, depth);
  }

  void ReadObject(std::vector<TItem>& out, int depth) {
    const std::uint16_t w = in_.U16();
    std::string name;
    if (w == 0xFFFF) {
      in_.U16();  // schema
      const std::uint16_t len = in_.U16();
      if (len > kMaxClassName) throw TJwwDamage{kBadTag};
      in_.Need(len);
      for (std::uint16_t i = 0; i < len; ++i) name += static_cast<char>(in_.U8());
      map_.push_back({true, name});
    } else {
      const std::uint32_t tag = w == 0x7FFF ? in_.U32() : (std::uint32_t{w} & 0x8000u) << 16 | (w & 0x7FFFu);
      const std::uint32_t index = tag & 0x7FFFFFFFu;
      if ((tag & 0x80000000u) == 0) {
        // No object, or one already read again: it was placed the first time.
        if (index != 0 && (index >= map_.size() || map_[index].isClass)) throw TJwwDamage{kBadTag};
        return;
      }
      if (index == 0 || index >= map_.size() || !map_[index].isClass) throw TJwwDamage{kBadTag};
      name = map_[index].name;
    }
    map_.push_back({false, {}});

    if (name == "CDataSen") {
      const TBase b = Base();
      Add(out, Line(b));
    } else if (name == "CDataEnko") {
      Arc(out, Base());
    } else if (name == "CDataTen") {
      Point(out, Base());
    } else if (name == "CDataMoji") {
      Text(out, Base(), nullptr);
    } else if (name == "CDataSolid") {
      Solid(out, Base());
    } else if (name == "CDataSunpou") {
      Dimension(out, Base());
    } else if (name == "CDataBlock") {
      Reference(out, Base());
    } else if (name == "CDataList") {
      Definition(Base(), depth);
    } else {
      throw TJwwDamage{"読み込めない図形(" + CutMB(name, 32) + ")があります."};
    }
  }

  TBase Base() {
    TBase b;
    in_.U32();  // curve group
    b.style = in_.U8();
    b.colour = in_.U16();
    if (version_ >= kVersionPenWidth) in_.U16();
    const int layer = Nibble(in_.U16());
    const int group = Nibble(in_.U16());
    in_.U16();  // flags
    b.layer = static_cast<std::uint8_t>(group << 4 | layer);
    return b;
  }

  static TItem Item(TGcell c, const TBase& b, int style) {
    c.layer = b.layer;
    c.pen = JwwPenWord(b.colour, style);
    TItem item;
    item.cell = std::move(c);
    return item;
  }
  static void Add(std::vector<TItem>& out, TItem item) { out.push_back(std::move(item)); }

  TItem Line(const TBase& b) {
    const TPointD p1 = in_.Point();
    return Item(MakeLine(p1, in_.Point()), b, b.style);
  }

  void Arc(std::vector<TItem>& out, const TBase& b) {
    const TPointD c = in_.Point();
    const double r = in_.F64(), start = in_.F64(), sweep = in_.F64(), tilt = in_.F64(), flat = in_.F64();
    const bool full = in_.U32() != 0;
    TGcell cell = full ? MakeCircle(c, r, flat, tilt) : MakeArc({c.x, c.y, r, flat, tilt, start, start + sweep});
    if (!full) cell.kind = GK_ARC;  // a sweep of nothing is no circle
    Add(out, Item(std::move(cell), b, b.style));
  }

  // A point's style is 100 when a marker follows; its line type means nothing.
  TItem PointItem(const TBase& b) {
    const TPointD p = in_.Point();
    const bool temporary = in_.U32() != 0;
    if (b.style == 100) in_.Skip(4 + 8 + 8);  // marker code, angle, size
    TItem item = Item(MakePoint(p), b, 1);
    if (temporary) item.cell.pen = JwwPenWord(0, 0);  // not printed: the auxiliary pen
    return item;
  }
  void Point(std::vector<TItem>& out, const TBase& b) { Add(out, PointItem(b)); }

  // A text's style byte is its base-point setting, not a line type. Its
  // start is the lower-left corner, as a cell's reference point is.
  void Text(std::vector<TItem>& out, const TBase& b, const std::uint8_t* layer) {
    const TPointD start = in_.Point();
    in_.Point();  // end
    const std::uint32_t type = in_.U32();
    const double width = in_.F64(), height = in_.F64(), spacing = in_.F64(), degrees = in_.F64();
    in_.String();  // font
    std::string text = in_.String();
    if (text.rfind("^@BM", 0) == 0) {  // a picture placed by name
      ++unsupported_;
      return;
    }
    const double angle = DegToRad(degrees);
    TItem item = Item(MakeText(text, start, angle), b, 1);
    if (layer) item.cell.layer = *layer;
    item.cell.size = static_cast<std::uint8_t>(std::clamp<std::uint32_t>(type % 10000, 1, 10));
    item.cell.p[2] = width;
    item.cell.p[3] = height;
    item.cell.p[4] = spacing;
    Add(out, std::move(item));
  }

  // Quadrilaterals list corners 1, 4, 2, 3; a style of 101 and above makes
  // a circular fill: centre, radius, flatness, tilt, start, sweep, mode.
  void Solid(std::vector<TItem>& out, const TBase& b) {
    const TPointD c1 = in_.Point(), c4 = in_.Point(), c2 = in_.Point(), c3 = in_.Point();
    std::string colour;
    if (b.colour == 10) colour = "$" + Format("%.8x", {static_cast<long long>(in_.U32())});
    TGcell cell;
    if (b.style >= 101) {
      const double r = c4.x, flat = c4.y, tilt = c2.x, start = c2.y, sweep = c3.x, mode = c3.y;
      const bool full = b.style == 101 && mode == 100, sector = b.style == 101 && mode == 0;
      if (!full && !sector) {  // outer arcs, segments, rings and bands: no such cell
        ++unsupported_;
        return;
      }
      cell = MakeArc({c1.x, c1.y, r, flat, tilt, full ? 0 : start, full ? 0 : start + sweep});
      cell.kind = GK_POLYARC;
    } else {
      cell = MakeQuad(c1, c2, c3, c4);
    }
    cell.text = colour;
    Add(out, Item(std::move(cell), b, 1));
  }

  // A dimension holds its line and its text (and from 420 two extension
  // lines and four points, which its own line and text already show).
  void Dimension(std::vector<TItem>& out, const TBase& b) {
    TItem line = Line(Base());
    line.cell.layer = b.layer;
    Add(out, std::move(line));
    Text(out, Base(), &b.layer);
    if (version_ >= kVersionSxf) {
      in_.U16();  // SXF mode
      for (int i = 0; i < 2; ++i) Line(Base());
      for (int i = 0; i < 4; ++i) PointItem(Base());
    }
  }

  void Reference(std::vector<TItem>& out, const TBase& b) {
    TItem item;
    item.cell.layer = b.layer;
    item.place.target = in_.Point();
    item.place.scaleX = in_.F64();
    item.place.scaleY = in_.F64();
    item.place.angle = in_.F64();
    item.block = in_.U32();
    Add(out, std::move(item));
  }

  void Definition(const TBase&, int depth) {
    const std::uint32_t number = in_.U32();
    in_.U32();  // referred to
    in_.U32();  // time
    in_.String();  // name
    std::vector<TItem> children;
    ReadList(children, depth + 1);
    blocks_.try_emplace(number, std::move(children));
  }

  TArchive& in_;
  const std::uint32_t version_;
  std::vector<TEntry> map_{TEntry{}};  // index 0: no object
  std::vector<TItem> main_;
  std::unordered_map<std::uint32_t, std::vector<TItem>> blocks_;
  long long unsupported_ = 0;
};

// ---- Placing -----------------------------------------------------------------

bool Near(double a, double b) { return std::fabs(a - b) <= 1e-9 * std::max(1.0, std::fabs(b)); }

// Puts the read cells into the store: references expanded, every cell scaled
// by k and moved by (ox, oy).
class TPlacer {
public:
  TPlacer(const TReader& r, const THeader& h, double k, double ox, double oy) : r_(r), h_(h), k_(k), o_{ox, oy} {}

  void Place() {
    for (const TItem& item : r_.main()) Emit(item, item.cell.layer, 0);
  }
  // What was placed so far, also after a stop.
  void Report(TJwwReadReport& report) const {
    report.cells += cells_;
    report.skipped += skipped_;
    report.unsupported += unsupported_;
  }

private:
  void Emit(const TItem& item, std::uint8_t layer, int depth) {
    if (item.cell.kind != 0) {
      Add(item, layer);
      return;
    }
    const std::vector<TItem>* def = r_.Block(item.block);
    const bool looping = std::find(path_.begin(), path_.end(), item.block) != path_.end();
    if (!def || looping || depth >= kJwwMaxBlockDepth) {
      ++unsupported_;
      return;
    }
    Count();
    path_.push_back(item.block);
    chain_.push_back(item.place);
    for (const TItem& child : *def) Emit(child, depth == 0 ? item.cell.layer : layer, depth + 1);
    chain_.pop_back();
    path_.pop_back();
  }

  // Each reference expanded and each cell it gives counts against the limit.
  void Count() {
    if (++expanded_ > g_fLoadJww.maxExpanded) throw TJwwDamage{"ブロックの展開が多すぎます."};
  }

  static void Scale(TGcell& c, const TCellTransform& t) {
    TransformCell(c, t);
    if (c.kind == GK_TEXT) {
      const double sx = std::fabs(t.scaleX == 0 ? 1 : t.scaleX), sy = t.scaleY == 0 ? sx : std::fabs(t.scaleY);
      c.p[2] *= sx;
      c.p[3] *= sy;
      c.p[4] *= sx;
    }
  }

  void Add(const TItem& item, std::uint8_t layer) {
    if (!chain_.empty()) Count();
    TGcell c = item.cell;
    c.layer = layer;
    for (auto t = chain_.rbegin(); t != chain_.rend(); ++t) Scale(c, *t);
    if (c.kind == GK_TEXT) SizeText(c);
    TCellTransform toStore;
    toStore.target = o_;
    toStore.scaleX = toStore.scaleY = k_;
    Scale(c, toStore);
    if (OutOfRange(c)) {
      ++skipped_;
      return;
    }
    if (GcellAdd(std::move(c)) > 0) ++cells_;
  }

  // The size number stays when the text has that size's measures.
  void SizeText(TGcell& c) const {
    const THeader::TSize& s = h_.sizes[c.size];
    if (!(Near(c.p[2], s.width) && Near(c.p[3], s.height) && Near(c.p[4], s.spacing))) c.size = 0;
  }

  static bool OutOfRange(const TGcell& c) {
    for (double v : c.p)
      if (!(std::fabs(v) <= kVldMaxCoord)) return true;
    return false;
  }

  const TReader& r_;
  const THeader& h_;
  const double k_;
  const TPointD o_;
  std::vector<std::uint32_t> path_;
  std::vector<TCellTransform> chain_;  // outermost first
  long long cells_ = 0, skipped_ = 0, unsupported_ = 0, expanded_ = 0;
};

}  // namespace

FLoadJwwState g_fLoadJww;
void fLoad_JWW_Reset() { g_fLoadJww = FLoadJwwState{}; }

std::uint16_t JwwPenWord(int colour, int style) {
  if (colour >= 1 && colour <= 6 && style >= 1 && style <= 8) return static_cast<std::uint16_t>(colour + 16 * style);
  return 0x57;
}

bool JwwLoadBytes(std::string_view bytes, double ox, double oy, TJwwReadReport* report) {
  TJwwReadReport found;
  TArchive in(bytes);
  if (bytes.size() < 8 || bytes.substr(0, 8) != "JwwData.") {
    Error(kNotJww);
    if (report) *report = found;
    return false;
  }
  in.Skip(8);
  THeader header;
  try {
    header.version = in.U32();
  } catch (const TJwwDamage&) {
    header.version = 0;
  }
  found.version = header.version;
  if (header.version < kOldestVersion) {
    Error(kTooOld);
    if (report) *report = found;
    return false;
  }
  try {
    ReadHeader(in, header);
  } catch (const TJwwDamage& d) {
    found.damaged = true;
    found.reason = d.reason;
    if (report) *report = found;
    return true;
  }
  const double k = ApplyHeader(header);
  TReader reader(in, header.version);
  try {
    reader.Read();
  } catch (const TJwwDamage& d) {
    found.damaged = true;
    found.reason = d.reason;
  }
  found.unsupported = reader.unsupported();
  TPlacer placer(reader, header, k, ox, oy);
  try {
    placer.Place();
  } catch (const TJwwDamage& d) {
    found.damaged = true;
    found.reason = d.reason;
  }
  placer.Report(found);
  if (report) *report = found;
  return true;
}

bool JwwLoad(const fs::path& fileName, double ox, double oy, TJwwReadReport* report) {
  std::string bytes;
  const ReadFileResult r = ReadFileContents(fileName, kJwwMaxFileSize, bytes);
  const std::string shown = Utf8ToSjis(fileName.string());
  if (r != ReadFileResult::Ok) {
    Error("ﾌｧｲﾙ[" + shown + "]を読み込めません.");
    if (report) *report = {};
    return false;
  }
  if (bytes.size() > kJwwMaxFileSize) {
    Error("ﾌｧｲﾙ[" + shown + "]は大きすぎて読み込めません.");
    if (report) *report = {};
    return false;
  }
  return JwwLoadBytes(bytes, ox, oy, report);
}
