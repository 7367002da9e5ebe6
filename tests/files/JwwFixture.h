// Builds JWW archives for the reader's tests, as Jw_cad's published format
// lays them out: the header of a given version with chosen settings, the
// drawing's list and the block definitions with the archive's class and
// object tags (one running index for both), and for version 700 an empty
// picture table.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace jwwtest {

class TBytes {
public:
  TBytes& U8(std::uint32_t v) {
    s_ += static_cast<char>(v & 0xFF);
    return *this;
  }
  TBytes& U16(std::uint32_t v) { return U8(v).U8(v >> 8); }
  TBytes& U32(std::uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
  TBytes& F64(double d) {
    std::uint64_t v;
    std::memcpy(&v, &d, sizeof v);
    for (int i = 0; i < 8; ++i) U8(static_cast<std::uint32_t>(v >> (8 * i)));
    return *this;
  }
  TBytes& Zeros(std::size_t n) {
    s_.append(n, '\0');
    return *this;
  }
  // A CP932 string, its length in a byte or FF and a word.
  TBytes& Str(const std::string& t) {
    if (t.size() < 0xFF) {
      U8(static_cast<std::uint32_t>(t.size()));
    } else {
      U8(0xFF).U16(static_cast<std::uint32_t>(t.size()));
    }
    s_ += t;
    return *this;
  }
  // A UTF-16 string (FF FEFF and the count of units), from ASCII.
  TBytes& Wide(const std::string& ascii) {
    U8(0xFF).U16(0xFFFE).U8(static_cast<std::uint32_t>(ascii.size()));
    for (char c : ascii) U16(static_cast<unsigned char>(c));
    return *this;
  }
  TBytes& Raw(const std::string& b) {
    s_ += b;
    return *this;
  }
  const std::string& str() const { return s_; }

private:
  std::string s_;
};

struct TBase {
  int style = 1, colour = 1, layer = 0, group = 0;
};

class TJwwWriter {
public:
  explicit TJwwWriter(std::uint32_t version = 600) : version(version) {
    scales.fill(1);
    for (auto& g : layerState) g.fill(2);
    for (int n = 1; n <= 10; ++n) sizes[static_cast<std::size_t>(n)] = {n + 0.5, n + 1.0, 0.25 * n, 1};
  }

  std::uint32_t version;
  std::uint32_t paper = 2, writeGroup = 0;
  std::array<double, 16> scales{};
  std::array<std::uint32_t, 16> groupState{2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2};
  std::array<std::uint32_t, 16> writeLayer{};
  std::array<std::array<std::uint32_t, 16>, 16> layerState{};
  std::map<int, std::string> layerNames;  // group * 16 + layer
  std::map<int, std::string> groupNames;
  struct TSize {
    double width, height, spacing;
    std::uint32_t colour;
  };
  std::array<TSize, 11> sizes{};

  // ---- Objects of the drawing (or of the definition begun last)

  TJwwWriter& Line(TBase b, double x1, double y1, double x2, double y2) {
    TBytes o = Common(b);
    o.F64(x1).F64(y1).F64(x2).F64(y2);
    return Add("CDataSen", o);
  }
  TJwwWriter& Arc(TBase b, double cx, double cy, double r, double start, double sweep, double tilt = 0,
                  double flat = 1, bool full = false) {
    TBytes o = Common(b);
    o.F64(cx).F64(cy).F64(r).F64(start).F64(sweep).F64(tilt).F64(flat).U32(full ? 1 : 0);
    return Add("CDataEnko", o);
  }
  TJwwWriter& Point(TBase b, double x, double y, bool temporary = false) {
    return Add("CDataTen", PointBody(b, x, y, temporary));
  }
  TJwwWriter& Text(TBase b, double x, double y, std::uint32_t type, double w, double h, double gap, double degrees,
                   const std::string& text) {
    return Add("CDataMoji", TextBody(b, x, y, type, w, h, gap, degrees, text));
  }
  // Corners in the order around the outline; the file lists 1, 4, 2, 3.
  TJwwWriter& Solid(TBase b, double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4,
                    std::uint32_t rgb = 0) {
    TBytes o = Common(b);
    o.F64(x1).F64(y1).F64(x4).F64(y4).F64(x2).F64(y2).F64(x3).F64(y3);
    if (b.colour == 10) o.U32(rgb);
    return Add("CDataSolid", o);
  }
  TJwwWriter& CircleSolid(TBase b, double cx, double cy, double r, double start, double sweep, double mode,
                          std::uint32_t rgb = 0) {
    TBytes o = Common(b);
    o.F64(cx).F64(cy).F64(r).F64(1).F64(0).F64(start).F64(sweep).F64(mode);
    if (b.colour == 10) o.U32(rgb);
    return Add("CDataSolid", o);
  }
  TJwwWriter& Dimension(TBase b, double x1, double y1, double x2, double y2, const std::string& value) {
    TBytes o = Common(b);
    o.Raw(Common(b).str()).F64(x1).F64(y1).F64(x2).F64(y2);
    o.Raw(TextBody(b, (x1 + x2) / 2, (y1 + y2) / 2, 3, 3.5, 4, 0.75, 0, value).str());
    if (version >= 420) {
      o.U16(0);
      for (int i = 0; i < 2; ++i) o.Raw(Common(b).str()).F64(x1).F64(y1 - 5).F64(x1).F64(y1);
      for (int i = 0; i < 4; ++i) o.Raw(PointBody(b, x1, y1, false).str());
    }
    return Add("CDataSunpou", o);
  }
  TJwwWriter& Block(TBase b, double x, double y, double sx, double sy, double angle, std::uint32_t number) {
    TBytes o = Common(b);
    o.F64(x).F64(y).F64(sx).F64(sy).F64(angle).U32(number);
    return Add("CDataBlock", o);
  }
  // The objects that follow, until EndDefinition, make block number n.
  TJwwWriter& BeginDefinition(std::uint32_t number, const std::string& name) {
    TBytes o = Common({});
    o.U32(number).U32(1).U32(0).Str(name);
    defs_.push_back({"CDataList", o.str(), {}, false});
    inDef_ = true;
    return *this;
  }
  TJwwWriter& EndDefinition() {
    inDef_ = false;
    return *this;
  }
  // Bytes put as they are in place of an object (a tag and what follows).
  TJwwWriter& RawObject(const std::string& bytes) {
    List().push_back({"", bytes, {}, true});
    return *this;
  }
  // Class references written in the long form (7FFF and a DWORD).
  bool bigTags = false;
  // Strings of the header written as UTF-16.
  bool wideNames = false;

  std::string Bytes() {
    TBytes h;
    h.Raw("JwwData.").U32(version);
    Header(h);
    index_ = 1;
    classes_.clear();
    WriteList(h, main_);
    WriteList(h, defs_);
    if (version >= 700) h.U32(0);
    return h.str();
  }

private:
  struct TObj {
    std::string cls, body;
    std::vector<TObj> children;
    bool raw;
  };

  std::vector<TObj>& List() { return inDef_ ? defs_.back().children : main_; }
  TJwwWriter& Add(const std::string& cls, const TBytes& body) {
    List().push_back({cls, body.str(), {}, false});
    return *this;
  }

  TBytes Common(TBase b) const {
    TBytes o;
    o.U32(0).U8(static_cast<std::uint32_t>(b.style)).U16(static_cast<std::uint32_t>(b.colour));
    if (version >= 351) o.U16(1);
    o.U16(static_cast<std::uint32_t>(b.layer)).U16(static_cast<std::uint32_t>(b.group)).U16(0);
    return o;
  }
  TBytes PointBody(TBase b, double x, double y, bool temporary) const {
    TBytes o = Common(b);
    o.F64(x).F64(y).U32(temporary ? 1 : 0);
    if (b.style == 100) o.U32(3).F64(0.5).F64(2);
    return o;
  }
  TBytes TextBody(TBase b, double x, double y, std::uint32_t type, double w, double h, double gap, double degrees,
                  const std::string& text) const {
    TBytes o = Common(b);
    o.F64(x).F64(y).F64(x + 10).F64(y).U32(type).F64(w).F64(h).F64(gap).F64(degrees).Str("ＭＳ ゴシック").Str(text);
    return o;
  }

  void WriteList(TBytes& out, const std::vector<TObj>& list) {
    out.U16(static_cast<std::uint32_t>(list.size()));
    for (const TObj& o : list) {
      if (o.raw) {
        out.Raw(o.body);
        continue;
      }
      const auto it = classes_.find(o.cls);
      if (it == classes_.end()) {
        out.U16(0xFFFF).U16(version).U16(static_cast<std::uint32_t>(o.cls.size())).Raw(o.cls);
        classes_[o.cls] = index_++;
      } else if (bigTags) {
        out.U16(0x7FFF).U32(0x80000000u | it->second);
      } else {
        out.U16(0x8000u | it->second);
      }
      ++index_;
      out.Raw(o.body);
      if (o.cls == "CDataList") WriteList(out, o.children);
    }
  }

  void Name(TBytes& h, const std::string& s) const {
    if (wideNames)
      h.Wide(s);
    else
      h.Str(s);
  }

  void Header(TBytes& h) const {
    const std::uint32_t v = version;
    h.Str("memo").U32(paper).U32(writeGroup);
    for (int g = 0; g < 16; ++g) {
      h.U32(groupState[static_cast<std::size_t>(g)]).U32(writeLayer[static_cast<std::size_t>(g)]);
      h.F64(scales[static_cast<std::size_t>(g)]).U32(0);
      for (int l = 0; l < 16; ++l) h.U32(layerState[static_cast<std::size_t>(g)][static_cast<std::size_t>(l)]).U32(0);
    }
    h.Zeros(14 * 4 + 5 * 4 + 4 + 4).Zeros(16 + 8 + 4 + 4 + 8 + 16 + 16);
    for (int i = 0; i < 256; ++i) {
      const auto it = layerNames.find(i);
      Name(h, it == layerNames.end() ? std::string() : it->second);
    }
    for (int g = 0; g < 16; ++g) {
      const auto it = groupNames.find(g);
      Name(h, it == groupNames.end() ? std::string() : it->second);
    }
    h.Zeros(8 + 8 + 4 + 8);
    if (v >= 300) h.Zeros(16);
    h.Zeros(4 + 24 + 24);
    h.Zeros(v >= 300 ? 8 * 28 + 56 : 4 * 24);
    h.Zeros(10 * 8 + 8 + 10 * 8 + 10 * 16 + 8 * 16 + 5 * 20 + 4 * 16 + 11 * 4);
    if (v >= 223) h.Zeros(5 * 4 + 5 * 8);
    if (v >= 225) h.Zeros(4 * 8);
    if (v >= 230) h.Zeros(2 * 4);
    if (v >= 420) {
      h.Zeros(257 * 8);
      for (int n = 0; n < 257; ++n) h.Str(n == 3 ? "colour" : "").Zeros(4 + 4 + 8);
      h.Zeros(33 * 16);
      for (int n = 0; n < 33; ++n) h.Str(n == 5 ? "line type" : "").Zeros(4 + 10 * 8);
    }
    for (int n = 1; n <= 10; ++n) {
      const TSize& s = sizes[static_cast<std::size_t>(n)];
      h.F64(s.width).F64(s.height).F64(s.spacing).U32(s.colour);
    }
    h.Zeros(24 + 8 + 16 + 4 + 24 + 24);
  }

  std::vector<TObj> main_, defs_;
  bool inDef_ = false;
  std::uint32_t index_ = 1;
  std::map<std::string, std::uint32_t> classes_;
};

}  // namespace jwwtest
