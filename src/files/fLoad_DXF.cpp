#include "files/fLoad_DXF.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "app/GC_PointSearch.h"
#include "kernel/Platform.h"
#include "kernel/SjisConv.h"
#include "kernel/Z_Basic.h"
#include "kernel/Z_Math.h"
#include "model/GC_Cell.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "render/GC_Tenkai.h"
#include "render/GC_Transform.h"

namespace fs = std::filesystem;

namespace {

constexpr double kTwoPi = 6.283185307179586476925286766559;
constexpr std::size_t kMaxFile = std::size_t{1} << 31;
constexpr int kMaxBlockDepth = 32;
// Numbers beyond this are taken as damage: the entity is dropped.
constexpr double kFar = 1e12;

void Error(const std::string& text) { Platform().MessageBox(text, "Velmo", MsgButtons::Ok, MsgIcon::Error); }

struct TDxfDamage {
  std::string reason;
};

// ---- Text ---------------------------------------------------------------------

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A string of the file in CP932: UTF-8 files converted; "\U+XXXX" decoded.
std::string Decode(std::string_view s, bool utf8) {
  std::string out;
  const bool escapes = s.find("\\U+") != std::string_view::npos || s.find("\\u+") != std::string_view::npos;
  if (!escapes) return utf8 ? Utf8ToSjis(s) : std::string(s);
  // Escapes are code points: the text goes through UTF-8 on the way.
  std::string u = utf8 ? std::string(s) : SjisToUtf8(s);
  std::string decoded;
  for (std::size_t i = 0; i < u.size(); ++i) {
    if (u[i] == '\\' && i + 2 < u.size() && (u[i + 1] == 'U' || u[i + 1] == 'u') && u[i + 2] == '+') {
      std::uint32_t cp = 0;
      std::size_t k = i + 3;
      int digits = 0;
      for (; k < u.size() && digits < 4 && HexDigit(u[k]) >= 0; ++k, ++digits) cp = cp * 16 + HexDigit(u[k]);
      if (digits == 4) {
        AppendUtf8(decoded, cp);
        i = k - 1;
        continue;
      }
    }
    decoded += u[i];
  }
  return Utf8ToSjis(decoded);
}

double Number(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  double v = 0;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  return r.ec == std::errc() ? v : 0;
}

int Integer(std::string_view s) {
  const double v = Number(s);
  return std::isfinite(v) ? static_cast<int>(std::clamp(v, -2e9, 2e9)) : 0;
}

// ---- Entities as pairs ------------------------------------------------------------

struct TPair {
  int code;
  std::string_view value;
};

// One entity: its type and its pairs after the type.
struct TEntity {
  std::string_view type;
  std::vector<TPair> pairs;

  std::string_view Str(int code) const {
    for (const TPair& p : pairs)
      if (p.code == code) return p.value;
    return {};
  }
  bool Has(int code) const {
    for (const TPair& p : pairs)
      if (p.code == code) return true;
    return false;
  }
  double Real(int code, double otherwise = 0) const { return Has(code) ? Number(Str(code)) : otherwise; }
  int Int(int code, int otherwise = 0) const { return Has(code) ? Integer(Str(code)) : otherwise; }
  TPointD Point(int code) const { return {Real(code), Real(code + 10)}; }
};

// The pairs of a file's text, line by line; a code line that is no number
// ends the pairs.
class TPairs {
public:
  explicit TPairs(std::string_view text) : t_(text) {}

  bool Next(TPair& p) {
    std::string_view code, value;
    if (!Line(code) || !Line(value)) return false;
    while (!code.empty() && (code.front() == ' ' || code.front() == '\t')) code.remove_prefix(1);
    while (!code.empty() && (code.back() == ' ' || code.back() == '\t')) code.remove_suffix(1);
    int c = 0;
    const auto r = std::from_chars(code.data(), code.data() + code.size(), c);
    if (r.ec != std::errc() || r.ptr != code.data() + code.size()) {
      bad_ = true;
      return false;
    }
    p = {c, value};
    return true;
  }
  bool bad() const { return bad_; }

private:
  bool Line(std::string_view& out) {
    if (pos_ >= t_.size()) return false;
    std::size_t end = t_.find('\n', pos_);
    if (end == std::string_view::npos) end = t_.size();
    out = t_.substr(pos_, end - pos_);
    pos_ = end + 1;
    while (!out.empty() && (out.back() == '\r' || out.back() == ' ')) out.remove_suffix(1);
    return true;
  }

  std::string_view t_;
  std::size_t pos_ = 0;
  bool bad_ = false;
};

// ---- What the file gives ---------------------------------------------------------

// A cell in the file's coordinates, or a block reference.
struct TItem {
  TGcell cell;  // kind 0 for a reference
  std::string block;
  TCellTransform place;
  int cols = 1, rows = 1;
  double colSpacing = 0, rowSpacing = 0;
  bool fromLayer0 = false;  // a block's cell on layer "0": takes the insert's pen
};

struct TBlockDef {
  TPointD base;
  std::vector<TItem> items;
};

struct TLayer {
  std::uint8_t code = 0;
  std::string linetype;
  int colour = 7;
};

// Lookups by the bytes of a name, without making a string of them.
struct TNameHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};
template <class T>
using TNameMap = std::unordered_map<std::string, T, TNameHash, std::equal_to<>>;

class TReader {
public:
  TReader(const TDxfOptions& options) : options_(options) {}

  void Read(std::string_view text) {
    TPairs pairs(text);
    TEntity e;
    TPair p;
    bool have = pairs.Next(p);
    while (have) {
      if (p.code != 0) {  // stray pairs before the first entity
        have = pairs.Next(p);
        continue;
      }
      e.type = p.value;
      e.pairs.clear();
      while ((have = pairs.Next(p)) && p.code != 0) e.pairs.push_back(p);
      Entity(e);
    }
    if (pairs.bad() && sections_ > 0) throw TDxfDamage{"DXFのデータが途中で壊れています."};
  }

  int sections() const { return sections_; }
  long long added() const { return added_; }
  const std::vector<TItem>& main() const { return main_; }
  const TBlockDef* Block(const std::string& name) const {
    const auto it = blocks_.find(name);
    return it == blocks_.end() ? nullptr : &it->second;
  }
  long long skipped() const { return skipped_; }

private:
  enum class Section { None, Header, Tables, Blocks, Entities, Other };

  void Entity(const TEntity& e) {
    if (e.type == "SECTION") {
      const std::string_view name = e.Str(2);
      ++sections_;
      section_ = name == "HEADER"     ? Section::Header
                 : name == "TABLES"   ? Section::Tables
                 : name == "BLOCKS"   ? Section::Blocks
                 : name == "ENTITIES" ? Section::Entities
                                      : Section::Other;
      if (section_ == Section::Header) Header(e);
      layerCache_.clear();  // names are read again once the header told their encoding
      return;
    }
    if (e.type == "ENDSEC") {
      section_ = Section::None;
      return;
    }
    if (e.type == "EOF") return;
    switch (section_) {
      case Section::Tables:
        if (e.type == "LAYER") Layer(e);
        return;
      case Section::Blocks:
        if (e.type == "BLOCK") {
          blockName_ = Decode(e.Str(2), utf8_);
          blocks_[blockName_] = TBlockDef{e.Point(10), {}};
          target_ = &blocks_[blockName_].items;
          return;
        }
        if (e.type == "ENDBLK") {
          target_ = nullptr;
          return;
        }
        if (target_) Drawing(e, true);
        return;
      case Section::Entities: {
        target_ = &main_;
        Drawing(e, false);
        return;
      }
      default: return;
    }
  }

  void Header(const TEntity& e) {
    std::string_view var;
    for (const TPair& p : e.pairs) {
      if (p.code == 9) {
        var = p.value;
        continue;
      }
      if (var == "$ACADVER" && p.code == 1) utf8_ = p.value >= std::string_view("AC1021");
      if (var == "$DIMSCALE" && p.code == 40) dimScale_ = Number(p.value);
      if (var == "$DIMTXT" && p.code == 40) dimText_ = Number(p.value);
    }
  }

  void Layer(const TEntity& e) {
    if (layerCount_ >= 256) return;
    const std::string name = FitText(Decode(e.Str(2), utf8_), 8);
    const int k = layerCount_++;
    TLayer l;
    l.code = static_cast<std::uint8_t>(k);
    l.linetype = std::string(e.Str(6));
    l.colour = e.Int(62, 7);
    layers_.try_emplace(name, l);
    TPVC& pvc = CurPVC();
    pvc.groups[static_cast<std::size_t>(k >> 4)].layers[static_cast<std::size_t>(k & 15)].name = CutMB(name, 16);
  }

  // ---- The drawing's entities

  struct TAttr {
    std::uint8_t layer = 0;
    std::uint16_t pen = 0x11;
    bool layer0 = false;
  };

  // What an entity's layer gives: looked up once per name as the file spells it.
  struct TLayerAttr {
    std::uint8_t layer = 0;
    int linetype = 1;
    int colour = 7;
    bool layer0 = false;
  };

  const TLayerAttr& LayerOf(std::string_view raw) {
    if (const auto it = layerCache_.find(raw); it != layerCache_.end()) return it->second;
    TLayerAttr la;
    const std::string name = FitText(Decode(raw, utf8_), 8);
    la.layer0 = name == "0";
    if (const auto it = layers_.find(name); it != layers_.end()) {
      la.layer = it->second.code;
      la.linetype = DxfLineType(it->second.linetype);
      la.colour = it->second.colour;
    }
    return layerCache_.emplace(std::string(raw), la).first->second;
  }

  TAttr Attributes(const TEntity& e) {
    TAttr a;
    const TLayerAttr& la = LayerOf(e.Str(8));
    a.layer = la.layer;
    a.layer0 = la.layer0;
    const int linetype = e.Has(6) ? DxfLineType(e.Str(6)) : la.linetype;
    const int colour = e.Has(62) ? e.Int(62) : la.colour;
    a.pen = static_cast<std::uint16_t>(16 * linetype + std::clamp(colour, 1, 6));
    return a;
  }

  // The drawing's own cells go to the store at once; a block's wait for
  // its inserts.
  void Add(TGcell c, const TAttr& a) {
    c.layer = a.layer;
    c.pen = a.pen;
    if (target_ == &main_) {
      for (double v : c.p)
        if (!(std::fabs(v) <= kFar)) {
          ++skipped_;
          return;
        }
      if (GcellAdd(std::move(c)) > 0) ++added_;
      return;
    }
    TItem item;
    item.cell = std::move(c);
    item.fromLayer0 = a.layer0;
    target_->push_back(std::move(item));
  }

  void Line(TPointD p, TPointD q, const TAttr& a) { Add(MakeLine(p, q), a); }

  // A polyline's segment: a line, or an arc for a bulge.
  void Segment(TPointD s, TPointD e, double bulge, const TAttr& a) {
    if (bulge == 0 || !std::isfinite(bulge)) {
      Line(s, e, a);
      return;
    }
    const double theta = 2 * std::atan(std::fabs(bulge));
    const TPointD m = (s + e) * 0.5;
    const double c = Dist(s, e) / 2;
    double phi = std::atan2(e.y - s.y, e.x - s.x) - kTwoPi / 4;
    if (bulge < 0) phi += kTwoPi / 2;
    const TPointD centre = m + UnitVector(phi - kTwoPi / 2) * (c / std::tan(theta));
    Add(MakeArc({centre.x, centre.y, c / std::sin(theta), 1, 0, phi - theta, phi + theta}), a);
  }

  void Text(const std::string& raw, TPointD p, double height, double width, double angle, const TAttr& a) {
    int underline = 0;
    const std::string text = DxfTextFormat(raw, &underline);
    if (text.empty()) return;
    TGcell c = MakeText(text, p, angle);
    c.size = 0;
    c.p[2] = width;
    c.p[3] = height;
    c.p[4] = 0;
    TAttr ta = a;
    ta.pen = 1;
    Add(c, ta);
    if (underline > 0) {
      TGcell measured = c;
      measured.layer = a.layer;
      const double length = TextExtent(measured);
      const TPointD base = p + Rotated({0, -height / 8}, angle);
      TAttr la = a;
      la.pen = static_cast<std::uint16_t>(0x10 | underline);
      Line(base, base + UnitVector(angle) * length, la);
    }
  }

  void MultiLineText(const std::string& all, TPointD p, double h, double w, double angle, int attach,
                     const TAttr& a) {
    std::vector<std::string> lines;
    std::string cur;
    for (std::size_t i = 0; i < all.size();) {
      const std::size_t len = IsLeadByte(static_cast<unsigned char>(all[i])) && i + 1 < all.size() ? 2 : 1;
      if (len == 1 && all[i] == '\\' && i + 1 < all.size() && all[i + 1] == 'P') {
        lines.push_back(cur);
        cur.clear();
        i += 2;
        continue;
      }
      cur.append(all, i, len);
      i += len;
    }
    lines.push_back(cur);
    double widest = 0;
    for (const std::string& l : lines) widest = std::max(widest, static_cast<double>(l.size()) * w / 2);
    const double pitch = lines.size() > 1 ? 1.25 * h : h;
    const double total = h + pitch * static_cast<double>(lines.size() - 1);
    // The top of the first line and the left end, from the attachment point.
    const int row = (std::clamp(attach, 1, 9) - 1) / 3, col = (std::clamp(attach, 1, 9) - 1) % 3;
    const double top = row == 0 ? 0 : row == 1 ? total / 2 : total;
    const double left = col == 0 ? 0 : col == 1 ? -widest / 2 : -widest;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const TPointD start = p + Rotated({left, top - h - pitch * static_cast<double>(i)}, angle);
      Text(lines[i].empty() ? std::string(" ") : lines[i], start, h, w, angle, a);
    }
  }

  void Insert(const TEntity& e, const TAttr& a, std::string_view name, TPointD at, double sx, double sy,
              double rot) {
    TItem item;
    item.cell.layer = a.layer;
    item.cell.pen = a.pen;
    item.block = Decode(name, utf8_);
    item.place.target = at;
    item.place.scaleX = sx == 0 ? 1 : sx;
    item.place.scaleY = sy == 0 ? 1 : sy;
    item.place.angle = rot;
    item.cols = std::clamp(e.Int(70, 1), 1, 100000);
    item.rows = std::clamp(e.Int(71, 1), 1, 100000);
    item.colSpacing = e.Real(44);
    item.rowSpacing = e.Real(45);
    target_->push_back(std::move(item));
  }

  static bool Sane(const TEntity& e) {
    for (const TPair& p : e.pairs)
      if (p.code >= 10 && p.code <= 59) {
        const double v = Number(p.value);
        if (!std::isfinite(v) || std::fabs(v) > kFar) return false;
      }
    return true;
  }

  void Drawing(const TEntity& e, bool inBlock) {
    (void)inBlock;
    if (!Sane(e)) {
      ++skipped_;
      return;
    }
    const std::string_view t = e.type;
    const TAttr a = Attributes(e);
    const double deg = kTwoPi / 360;
    if (t == "POINT") {
      Add(MakePoint(e.Point(10)), a);
    } else if (t == "LINE") {
      Line(e.Point(10), e.Point(11), a);
    } else if (t == "CIRCLE") {
      Add(MakeCircle(e.Point(10), e.Real(40)), a);
    } else if (t == "ARC") {
      double s = e.Real(50) * deg, en = e.Real(51) * deg;
      if (s > en) s -= kTwoPi;
      const TPointD c = e.Point(10);
      if (s != en)
        Add(MakeArc({c.x, c.y, e.Real(40), 1, 0, s, en}), a);
      else
        Add(MakeCircle(c, e.Real(40)), a);
    } else if (t == "ELLIPSE") {
      const TPointD c = e.Point(10), major = e.Point(11);
      double f = e.Real(40);
      if (f == 0) f = 1;
      double s = e.Real(41), en = e.Real(42, kTwoPi);
      if (s > en) s -= kTwoPi;
      const double r = Length(major), tilt = std::atan2(major.y, major.x);
      if (s != en && en <= s + 6.28)
        Add(MakeArc({c.x, c.y, r, f, tilt, s, en}), a);
      else
        Add(MakeCircle(c, r, f, tilt), a);
    } else if (t == "TEXT" || t == "ATTRIB") {
      const std::string text = Decode(e.Str(1), utf8_);
      if (text.empty()) return;
      const double h = e.Real(40), wf = e.Real(41, 1);
      Text(text, e.Point(10), h, h * (wf >= 0.1 ? wf : 1), e.Real(50) * deg, a);
    } else if (t == "MTEXT") {
      std::string text;
      for (const TPair& p : e.pairs)
        if (p.code == 3) text += Decode(p.value, utf8_);
      text += Decode(e.Str(1), utf8_);
      if (text.empty()) return;
      double h = e.Real(40);
      if (h <= 0) h = dimText_ * dimScale_;
      const TPointD dir = e.Point(11);
      const double angle = e.Has(11) ? std::atan2(dir.y, dir.x) : e.Real(50) * deg;
      MultiLineText(text, e.Point(10), h, h, angle, e.Int(71, 1), a);
    } else if (t == "LWPOLYLINE") {
      struct V {
        TPointD p;
        double bulge = 0;
      };
      std::vector<V> v;
      for (const TPair& p : e.pairs) {
        if (p.code == 10) v.push_back({{Number(p.value), 0}, 0});
        else if (p.code == 20 && !v.empty()) v.back().p.y = Number(p.value);
        else if (p.code == 42 && !v.empty()) v.back().bulge = Number(p.value);
      }
      if (v.size() < 2) return;
      const bool closed = e.Int(70) & 1;
      for (std::size_t i = 0; i + 1 < v.size() + (closed ? 1 : 0); ++i)
        Segment(v[i].p, v[(i + 1) % v.size()].p, v[i].bulge, a);
    } else if (t == "POLYLINE") {
      poly_ = {};
      poly_.open = true;
      poly_.closed = e.Int(70) & 1;
      poly_.attr = a;
    } else if (t == "VERTEX") {
      if (!poly_.open || (e.Int(70) & 16)) return;
      poly_.vertices.push_back({e.Point(10), e.Real(42)});
    } else if (t == "SEQEND") {
      if (!poly_.open) return;
      const auto& v = poly_.vertices;
      for (std::size_t i = 0; v.size() >= 2 && i + 1 < v.size() + (poly_.closed ? 1 : 0); ++i)
        Segment(v[i].first, v[(i + 1) % v.size()].first, v[i].second, poly_.attr);
      poly_ = {};
    } else if (t == "SOLID" || t == "TRACE" || t == "3DFACE") {
      // SOLID and TRACE list their corners 1, 2, 4, 3; 3DFACE in order.
      const TPointD b = e.Point(10), c1 = e.Point(11), c2 = e.Point(12), c3 = e.Has(13) ? e.Point(13) : e.Point(12);
      const bool zigzag = t != "3DFACE";
      Add(MakeQuad(b, c1, zigzag ? c3 : c2, zigzag ? c2 : c3), a);
    } else if (t == "INSERT") {
      Insert(e, a, e.Str(2), e.Point(10), e.Real(41, 1), e.Real(42, 1), e.Real(50) * deg);
    } else if (t == "DIMENSION") {
      Insert(TEntity{}, a, e.Str(2), options_.dimMove ? e.Point(12) : TPointD{0, 0}, 1, 1, 0);
    } else if (t == "LEADER") {
      std::vector<TPointD> v;
      for (const TPair& p : e.pairs) {
        if (p.code == 10) v.push_back({Number(p.value), 0});
        else if (p.code == 20 && !v.empty()) v.back().y = Number(p.value);
      }
      for (std::size_t i = 0; i + 1 < v.size(); ++i) Line(v[i], v[i + 1], a);
    }
  }

  const TDxfOptions& options_;
  Section section_ = Section::None;
  int sections_ = 0;
  bool utf8_ = false;
  double dimScale_ = 1, dimText_ = 0.18;
  int layerCount_ = 0;
  std::unordered_map<std::string, TLayer> layers_;
  TNameMap<TLayerAttr> layerCache_;
  std::unordered_map<std::string, TBlockDef> blocks_;
  std::string blockName_;
  std::vector<TItem> main_;
  std::vector<TItem>* target_ = nullptr;
  struct {
    bool open = false, closed = false;
    TAttr attr;
    std::vector<std::pair<TPointD, double>> vertices;
  } poly_;
  long long skipped_ = 0, added_ = 0;
};

// ---- Placing --------------------------------------------------------------------

class TPlacer {
public:
  explicit TPlacer(const TReader& r) : r_(r) {}

  void Place() {
    for (const TItem& item : r_.main()) Emit(item, nullptr, 0);
  }
  long long cells() const { return cells_; }
  long long skipped() const { return skipped_; }

private:
  // The insert whose placement the cells take: its layer and pen.
  struct TOuter {
    std::uint8_t layer;
    std::uint16_t pen;
  };

  void Emit(const TItem& item, const TOuter* outer, int depth) {
    if (item.cell.kind != 0) {
      Add(item, outer);
      return;
    }
    const TBlockDef* def = r_.Block(item.block);
    if (!def || depth >= kMaxBlockDepth || std::find(path_.begin(), path_.end(), item.block) != path_.end()) {
      ++skipped_;
      return;
    }
    const TOuter mine = outer ? *outer : TOuter{item.cell.layer, item.cell.pen};
    path_.push_back(item.block);
    for (int row = 0; row < item.rows; ++row)
      for (int col = 0; col < item.cols; ++col) {
        if (++expanded_ > kDxfMaxExpanded) throw TDxfDamage{"ブロックの展開が多すぎます."};
        TCellTransform t = item.place;
        t.base = def->base;
        t.target = t.target + Rotated({item.colSpacing * col, item.rowSpacing * row}, t.angle);
        chain_.push_back(t);
        for (const TItem& child : def->items) Emit(child, &mine, depth + 1);
        chain_.pop_back();
      }
    path_.pop_back();
  }

  void Add(const TItem& item, const TOuter* outer) {
    TGcell c = item.cell;
    if (outer && c.kind != GK_TEXT) {
      if (item.fromLayer0) c.pen = outer->pen;
      c.layer = outer->layer;
    }
    for (auto t = chain_.rbegin(); t != chain_.rend(); ++t) {
      TransformCell(c, *t);
      if (c.kind == GK_TEXT) {
        const double sx = std::fabs(t->scaleX), sy = std::fabs(t->scaleY);
        c.p[2] *= sx;
        c.p[3] *= sy;
      }
    }
    for (double v : c.p)
      if (!(std::fabs(v) <= kFar)) {
        ++skipped_;
        return;
      }
    if (GcellAdd(std::move(c)) > 0) ++cells_;
  }

  const TReader& r_;
  std::vector<std::string> path_;
  std::vector<TCellTransform> chain_;  // outermost first
  long long cells_ = 0, skipped_ = 0, expanded_ = 0;
};

// ---- After the file ---------------------------------------------------------------

void MoveToOrigin(int first) {
  const TExtents e = GcellExtents();
  if (!(e.xmin > 5e7 || e.xmax < -5e7 || e.ymin > 5e7 || e.ymax < -5e7)) return;
  TCellTransform t;
  t.target = {-e.xmin, -e.ymin};
  for (int i = first; i <= StoreUsed(); ++i)
    if (GcellLive(i)) {
      TGcell c = GcellGet(i);
      TransformCell(c, t);
      GcellPutQuiet(c, i);
    }
}

double Round1(double v) { return std::round(v * 10) / 10; }

void BuildSizeTable(int first) {
  TPVC& pvc = CurPVC();
  const double b = std::max(pvc.basicScale, 1e-9);
  std::vector<double> heights;
  for (int i = first; i <= StoreUsed(); ++i) {
    const TGcell& c = GcellRef(i);
    if (!GcellLive(i) || c.kind != GK_TEXT) continue;
    const double h = Round1(c.p[3] / b);
    if (std::find(heights.begin(), heights.end(), h) == heights.end() && heights.size() < 20) heights.push_back(h);
  }
  if (heights.empty()) return;
  std::sort(heights.begin(), heights.end());
  const double m = heights.front();
  const double M = std::max(heights.back(), 4 * m);
  double table[11] = {};
  if (heights.size() > 10) {
    const double f[10] = {0, 0.05, 0.1, 0.15, 0.25, 0.3, 0.4, 0.6, 0.8, 1.0};
    const double g[10] = {1, 1.2, 1.44, 1.73, 2.07, 2.49, 3, 3.58, 4.3, 5.16};
    table[1] = Round1(m);
    for (int k = 2; k <= 10; ++k) table[k] = Round1(std::max(m + (M - m) * f[k - 1], m * g[k - 1]));
  } else {
    for (std::size_t k = 0; k < heights.size(); ++k) table[k + 1] = heights[k];
    for (std::size_t k = heights.size() + 1; k <= 10; ++k) table[k] = std::round(M + 1);
  }
  for (int k = 1; k <= 10; ++k) {
    pvc.textSizes[static_cast<std::size_t>(k)].height = table[k];
    pvc.textSizes[static_cast<std::size_t>(k)].width = table[k];
    pvc.textSizes[static_cast<std::size_t>(k)].spacing = 0;
  }
}

void FitSizes(int first) {
  TPVC& pvc = CurPVC();
  const double b = std::max(pvc.basicScale, 1e-9);
  for (int i = first; i <= StoreUsed(); ++i) {
    if (!GcellLive(i) || GcellRef(i).kind != GK_TEXT) continue;
    TGcell c = GcellGet(i);
    c.size = static_cast<std::uint8_t>(FittingTextSize(Round1(c.p[3] / b)));
    GcellPutQuiet(c, i);
  }
}

}  // namespace

int DxfLineType(std::string_view name) {
  std::string n;
  for (char ch : name.substr(0, 10))
    if (ch != ' ') n += static_cast<char>(ch >= 'a' && ch <= 'z' ? ch - 'a' + 'A' : ch);
  if (n == "CONTINUOUS") return 1;
  static const std::pair<const char*, int> kTypes[] = {
      {"DASHED2", 2},   {"DOT2", 2},      {"HIDDEN2", 2},   {"DASHED", 3},    {"DOT", 3},       {"HIDDEN", 3},
      {"DASHEDX2", 4},  {"DOTX2", 4},     {"HIDDENX2", 4},  {"BORDER2", 5},   {"BORDER", 5},    {"CENTER2", 5},
      {"CENTER", 5},    {"DASHDOT2", 5},  {"DASHDOT", 5},   {"BORDERX2", 6},  {"CENTERX2", 6},  {"DASHDOTX2", 6},
      {"DIVIDE2", 7},   {"DIVIDE", 7},    {"PHANTOM2", 7},  {"PHANTOM", 7},   {"DIVIDEX2", 8},  {"PHANTOMX2", 8},
  };
  for (const auto& [type, number] : kTypes)
    if (n == type) return number;
  return 1;
}

std::string DxfTextFormat(std::string_view in, int* underline) {
  std::string t(in);
  if (underline) *underline = 0;
  // "{\...;text}": the text after the codes.
  if (t.size() > 4 && t.compare(0, 2, "{\\") == 0) {
    const std::size_t close = t.find('}'), semi = t.find(';');
    if (semi != std::string::npos && close != std::string::npos && semi < close)
      t = t.substr(semi + 1, close - semi - 1) + t.substr(close + 1);
  }
  // Leading "\A" codes.
  while (t.compare(0, 2, "\\A") == 0) {
    const std::size_t brace = t.find('{'), semi = t.find(';');
    if (semi != std::string::npos && (brace == std::string::npos || semi < brace)) {
      t = t.substr(semi + 1);
    } else {
      break;
    }
  }
  // Groups in braces: their codes dropped, stacked texts appended.
  for (;;) {
    const std::size_t open = t.find('{');
    if (open == std::string::npos) break;
    const std::size_t close = t.find('}', open);
    if (close == std::string::npos) break;
    std::string group = t.substr(open + 1, close - open - 1);
    t.erase(open, close - open + 1);
    while (group.size() >= 2 && group[0] == '\\') {
      const std::size_t semi = group.find(';');
      const std::string param = group.substr(2, semi == std::string::npos ? std::string::npos : semi - 2);
      if (group[1] == 'S') {
        const std::size_t caret = param.find('^');
        t += caret == std::string::npos ? "^t" + param : "^t" + param.substr(0, caret) + "^b" + param.substr(caret + 1);
      }
      if (semi == std::string::npos) break;
      group.erase(0, semi + 1);
    }
  }
  // "%%" codes.
  std::string out;
  bool underlined = false;
  for (std::size_t i = 0; i < t.size();) {
    const std::size_t len = IsLeadByte(static_cast<unsigned char>(t[i])) && i + 1 < t.size() ? 2 : 1;
    if (len == 1 && t[i] == '%' && i + 1 < t.size() && t[i + 1] == '%') {
      const char c = i + 2 < t.size() ? t[i + 2] : '\0';
      if (c == 'C' || c == 'c') {
        out += "φ";
        i += 3;
      } else if (c == 'D' || c == 'd') {
        out += "°";
        i += 3;
      } else if (c == '%') {
        out += "%";
        i += 3;
      } else if (c == 'U' || c == 'u') {
        underlined = true;
        i += 2;
      } else {
        i += 2;
      }
      continue;
    }
    out.append(t, i, len);
    i += len;
  }
  if (underlined && !out.empty()) {
    // The code's letter stays at the start: dropped, a pen digit after it.
    std::size_t from = out[0] == 'U' || out[0] == 'u' ? 1 : 0;
    int pen = 1;
    if (from < out.size() && out[from] >= '1' && out[from] <= '9') {
      pen = std::min(out[from] - '0', 6);
      ++from;
    }
    out.erase(0, from);
    if (underline) *underline = pen;
  }
  return out;
}

bool DxfLoadText(std::string_view text, const TDxfOptions& options, std::string_view name,
                 TDxfReadReport* report) {
  TDxfReadReport found;
  const std::string shown(name);
  if (text.substr(0, 18) == "AutoCAD Binary DXF") {
    Error("ﾌｧｲﾙ[" + shown + "]はバイナリ形式のDXFです。テキスト形式(ASCII)のDXFで保存し直して下さい。");
    if (report) *report = found;
    return false;
  }
  TPVC& pvc = CurPVC();
  const TPVC before = pvc;
  for (TGroupEntry& g : pvc.groups)
    for (TLayerEntry& l : g.layers) l.name.clear();
  const int first = StoreUsed() + 1;
  TReader reader(options);
  try {
    reader.Read(text);
  } catch (const TDxfDamage& d) {
    found.damaged = true;
    found.reason = d.reason;
  }
  if (reader.sections() == 0) {
    pvc = before;
    for (int i = StoreUsed(); i >= first; --i) GcellErase(i);
    Error("ﾌｧｲﾙ[" + shown + "]はDXFファイルではありません。");
    if (report) *report = found;
    return false;
  }
  pvc.basicScale = options.scale > 0 ? options.scale : 1;
  for (TGroupEntry& g : pvc.groups) g.scaleX = g.scaleY = pvc.basicScale;
  TPlacer placer(reader);
  try {
    placer.Place();
  } catch (const TDxfDamage& d) {
    found.damaged = true;
    found.reason = d.reason;
  }
  MoveToOrigin(first);
  if (options.textZoom != 1 && options.textZoom > 0)
    for (int i = first; i <= StoreUsed(); ++i)
      if (GcellLive(i) && GcellRef(i).kind == GK_TEXT) {
        TGcell c = GcellGet(i);
        c.p[2] *= options.textZoom;
        c.p[3] *= options.textZoom;
        c.p[4] *= options.textZoom;
        GcellPutQuiet(c, i);
      }
  if (options.sizeMode == 0 || options.sizeMode == 1) BuildSizeTable(first);
  if (options.sizeMode == 0 || options.sizeMode == 2) FitSizes(first);
  found.cells = reader.added() + placer.cells();
  found.skipped = placer.skipped() + reader.skipped();
  if (report) *report = found;
  return true;
}

bool DxfLoad(const fs::path& fileName, const TDxfOptions& options, TDxfReadReport* report) {
  const std::string shown = Utf8ToSjis(fileName.string());
  // Mapped rather than read: a drawing of a hundred megabytes is not copied.
  struct TMapped {
    int fd = -1;
    void* data = MAP_FAILED;
    std::size_t size = 0;
    ~TMapped() {
      if (data != MAP_FAILED) ::munmap(data, size);
      if (fd >= 0) ::close(fd);
    }
  } m;
  struct stat st {};
  std::error_code ec;
  m.fd = fs::is_regular_file(fileName, ec) ? ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC) : -1;
  if (m.fd < 0 || ::fstat(m.fd, &st) != 0 || static_cast<std::size_t>(st.st_size) > kMaxFile) {
    Error("ﾌｧｲﾙ[" + shown + "]を読み込めません.");
    if (report) *report = {};
    return false;
  }
  m.size = static_cast<std::size_t>(st.st_size);
  if (m.size == 0) return DxfLoadText({}, options, shown, report);
  m.data = ::mmap(nullptr, m.size, PROT_READ, MAP_PRIVATE, m.fd, 0);
  if (m.data == MAP_FAILED) {
    Error("ﾌｧｲﾙ[" + shown + "]を読み込めません.");
    if (report) *report = {};
    return false;
  }
  ::madvise(m.data, m.size, MADV_SEQUENTIAL);
  return DxfLoadText(std::string_view(static_cast<const char*>(m.data), m.size), options, shown, report);
}
