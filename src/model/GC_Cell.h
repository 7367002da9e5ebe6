// A cell: one drawing element, a fixed record whose nine numbers mean what
// its kind says. The typed views below read (and the makers write) those
// numbers by their meaning, so geometry code never spells p[0]..p[8] for a
// kind it knows.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "kernel/Z_Math.h"

// Cell kinds. A negative kind is a cell deleted in the current undo step;
// 0 is a dead slot.
enum : std::int8_t {
  GK_POINT = 1,
  GK_DOT = 2,     // drawing primitive: one pixel
  GK_MARKER = 3,  // drawing primitive: a small marker
  GK_LINE = 4,
  GK_ARC = 5,
  GK_CIRCLE = 6,
  GK_POLYGON = 7,
  GK_POLYARC = 8,
  GK_FILL4K = 9,
  GK_PICTURE = 10,
  GK_TEXT = 11,
  GK_RECT = 30,  // temporary rubber-band rectangle
};

// Pen word: bits 0-3 pen number, bits 4-7 line type, flags above.
enum : std::uint16_t {
  PEN_NUMBER_MASK = 0x000F,
  PEN_LTYPE_MASK = 0x00F0,
  PEN_SELMARK = 0x1000,   // last-selection mark
  PEN_DIM = 0x2000,       // renderer's working copy of a hidden cell shown dimmed
  PEN_HILITE = 0x4000,    // drawn in the highlight (erase) colour
  PEN_SELECTED = 0x8000,  // part of the current selection
};

// The text of a cell: a reference-counted, unchangeable string (CP932), one
// pointer wide and null while empty, so the many cells without a text
// (lines, arcs, circles, points) carry no string of their own and copying a
// cell copies a pointer. Reads as a const std::string; a new text is
// assigned whole.
class TCellText {
public:
  TCellText() noexcept = default;
  TCellText(std::string_view s) : rep_(s.empty() ? nullptr : new Rep{1, std::string(s)}) {}
  TCellText(const std::string& s) : TCellText(std::string_view(s)) {}
  TCellText(std::string&& s) : rep_(s.empty() ? nullptr : new Rep{1, std::move(s)}) {}
  TCellText(const char* s) : TCellText(std::string_view(s)) {}
  TCellText(const TCellText& o) noexcept : rep_(o.rep_) {
    if (rep_) rep_->refs.fetch_add(1, std::memory_order_relaxed);
  }
  TCellText(TCellText&& o) noexcept : rep_(o.rep_) { o.rep_ = nullptr; }
  TCellText& operator=(TCellText o) noexcept {
    std::swap(rep_, o.rep_);
    return *this;
  }
  ~TCellText() {
    if (rep_ && rep_->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete rep_;
  }

  const std::string& str() const noexcept { return rep_ ? rep_->s : Empty(); }
  operator const std::string&() const noexcept { return str(); }
  operator std::string_view() const noexcept { return str(); }

  bool empty() const noexcept { return rep_ == nullptr; }
  std::size_t size() const noexcept { return str().size(); }
  const char* c_str() const noexcept { return str().c_str(); }
  char operator[](std::size_t i) const { return str()[i]; }
  std::size_t find(char c, std::size_t from = 0) const noexcept { return str().find(c, from); }
  std::size_t find(std::string_view s, std::size_t from = 0) const noexcept { return str().find(s, from); }
  std::string substr(std::size_t at, std::size_t n = std::string::npos) const { return str().substr(at, n); }
  bool starts_with(std::string_view s) const noexcept { return str().starts_with(s); }
  bool starts_with(char c) const noexcept { return str().starts_with(c); }

  friend bool operator==(const TCellText& a, const TCellText& b) noexcept { return a.str() == b.str(); }
  friend bool operator==(const TCellText& a, std::string_view b) noexcept { return a.str() == b; }
  friend bool operator==(const TCellText& a, const std::string& b) noexcept { return a.str() == b; }
  friend bool operator==(const TCellText& a, const char* b) noexcept { return a.str() == b; }

private:
  struct Rep {
    std::atomic<std::uint32_t> refs;
    std::string s;
  };
  static const std::string& Empty() noexcept {
    static const std::string empty;
    return empty;
  }
  Rep* rep_ = nullptr;
};

inline std::string operator+(const std::string& a, const TCellText& b) { return a + b.str(); }
inline std::string operator+(const TCellText& a, const std::string& b) { return a.str() + b; }

// The fields in the order of the record; laid out in 96 bytes.
struct TGcell {
  std::uint8_t window = 0;  // owning drawing window, 1 or 2
  std::uint8_t undo = 0;    // 1 when added or deleted in the current undo step
  std::int8_t kind = 0;
  std::uint8_t layer = 0;   // group in the high four bits, layer in the low four
  std::uint8_t size = 0;    // texts: size number 1..10, 0 = own size in p2..p4
  std::uint16_t pen = 0;
  std::int32_t vertical = 0;  // texts: non-zero = vertical writing
  TCellText text;             // text, polygon colour and vertices, fill colour, picture file
  double p[9] = {};           // geometry, by kind
};
static_assert(sizeof(TGcell) == 96);

// ---- Typed views ---------------------------------------------------------------
// Each reads the slots its kind uses; on a cell of another kind it reads
// the same slots all the same.

// A point, dot or marker; for the other kinds their first point (p0, p1).
inline TPointD PointOf(const TGcell& c) { return {c.p[0], c.p[1]}; }

struct TLineGeom {
  TPointD a, b;  // start and end
};
inline TLineGeom LineOf(const TGcell& c) { return {{c.p[0], c.p[1]}, {c.p[2], c.p[3]}}; }

// An arc, circle or filled arc as the curve it draws; a circle runs the
// whole turn from 0 to 2 pi.
ArcParams ArcOf(const TGcell& c);
// The flatness a curve is drawn with: below 0.001 it counts as a circle.
inline double FlatnessOf(const TGcell& c) { return c.p[5] < 0.001 ? 1.0 : c.p[5]; }

// A text: its reference point (the lower-left corner of its first
// character), angle, and, for a text with its own size (size number 0),
// the character width, height and spacing.
struct TTextGeom {
  TPointD at;
  double angle = 0;
  double width = 0, height = 0, gap = 0;
};
inline TTextGeom TextOf(const TGcell& c) { return {{c.p[0], c.p[1]}, c.p[6], c.p[2], c.p[3], c.p[4]}; }

// A picture (axis-parallel, angle 0) or a temporary rectangle: its corner,
// width, height and angle.
struct TBoxGeom {
  TPointD corner;
  double width = 0, height = 0, angle = 0;
};
inline TBoxGeom BoxOf(const TGcell& c) {
  return {{c.p[0], c.p[1]}, c.p[2], c.p[3], c.kind == GK_RECT ? c.p[6] : 0};
}

// A filled quadrilateral's corners: the base point, then base + (p2, p3),
// base + (p4, p5), base + (p7, p8).
struct TQuadGeom {
  TPointD corner[4];
};
TQuadGeom QuadOf(const TGcell& c);
// A filled quadrilateral with these corners in order around it (the first
// absolute, the others as offsets from it).
TGcell MakeQuad(TPointD c0, TPointD c1, TPointD c2, TPointD c3);

// A polygon's bounding box (its vertices live in its text).
struct TBoundsGeom {
  TPointD min, max;
};
inline TBoundsGeom BoundsOf(const TGcell& c) { return {{c.p[0], c.p[1]}, {c.p[2], c.p[3]}}; }

// ---- Makers ---------------------------------------------------------------------
// Cells of layer 0 and pen 0; the caller sets layer and pen.

TGcell MakePoint(TPointD p);
TGcell MakeLine(TPointD a, TPointD b);
// An arc from a.s to a.e, or a circle (a.s == a.e).
TGcell MakeArc(const ArcParams& a);
TGcell MakeCircle(TPointD centre, double r, double flatness = 1, double tilt = 0);
TGcell MakeText(const std::string& text, TPointD at, double angle);
// A temporary rectangle (never stored): corner, width and height (either
// may be negative) along and across angle.
TGcell MakeRect(TPointD corner, double width, double height, double angle = 0);

// Moves a line's ends.
inline void SetLine(TGcell& c, TPointD a, TPointD b) {
  c.p[0] = a.x;
  c.p[1] = a.y;
  c.p[2] = b.x;
  c.p[3] = b.y;
}
