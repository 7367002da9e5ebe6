#include "render/GC_Tenkai.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "kernel/Common.h"
#include "kernel/Z_Basic.h"
#include "kernel/Z_Math.h"
#include "model/PVC.h"
#include "render/ApPenSet.h"
#include "render/Z_Graph.h"

namespace {

// Bytes of the character at i: a lead byte with a byte after it starts a pair.
std::size_t CharLen(std::string_view s, std::size_t i) {
  return IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
}

enum class RunKind : unsigned char { Plain, Sup, Sub, Top, Bottom };

// One run of the text: its kind, its bytes and the bytes of its first
// character (what its width depends on).
struct Run {
  RunKind kind = RunKind::Plain;
  std::size_t bytes = 0;
  std::size_t first = 0;
};

// Cuts the text into runs. start(kind) is asked, when a run gets its first
// byte, for the string its bytes go to (null: nowhere); done(run) follows
// when the run closes. "^^" is a literal "^"; "^u" and "^d" take the one
// character after the letter; any other letter takes the text up to the
// next code; a "^" at the very end is kept as it is.
template <class Start, class Done>
void ScanRuns(std::string_view s, Start&& start, Done&& done) {
  Run run;
  std::string* sink = nullptr;
  const auto add = [&](std::size_t i, std::size_t len) {
    if (run.bytes == 0) {
      run.first = len;
      sink = start(run.kind);
    }
    run.bytes += len;
    if (sink) sink->append(s.data() + i, len);
  };
  const auto close = [&](RunKind next) {
    if (run.bytes) done(run);
    run = Run{next};
    sink = nullptr;
  };
  const std::size_t n = s.size();
  for (std::size_t i = 0; i < n;) {
    if (s[i] != '^' || i + 1 >= n) {
      const std::size_t len = CharLen(s, i);
      add(i, len);
      i += len;
      continue;
    }
    if (s[i + 1] == '^') {
      add(i, 1);
      i += 2;
      continue;
    }
    const char letter = s[i + 1];
    i += 1 + CharLen(s, i + 1);
    if (letter == 'u' || letter == 'd') {
      close(letter == 'u' ? RunKind::Sup : RunKind::Sub);
      if (i < n) {
        const std::size_t len = CharLen(s, i);
        add(i, len);
        i += len;
      }
      close(RunKind::Plain);
    } else {
      close(letter == 't' ? RunKind::Top : letter == 'b' ? RunKind::Bottom : RunKind::Plain);
    }
  }
  close(RunKind::Plain);
}

// Where a run goes, before turning by the text direction, and its size.
struct RunPlace {
  double x = 0, y = 0;
  double h = 0, w = 0, g = 0;
};

// Lays the runs: p the advance position, a the anchor of codes (the end of
// the last plain run).
struct RunLayout {
  double H, W, G;
  double p = 0, a = 0;
  RunPlace Place(const Run& r) {
    RunPlace out;
    switch (r.kind) {
      case RunKind::Plain: out = {p, 0, H, W, G}; break;
      case RunKind::Sup: out = {a, H / 2, H / 2, W, G}; break;
      case RunKind::Sub: out = {a, 0, H / 2, W, G}; break;
      case RunKind::Top: out = {a, H / 2, 3 * H / 4, 3 * W / 4, 3 * G / 4}; break;
      case RunKind::Bottom: out = {a, -H / 4, 3 * H / 4, 3 * W / 4, 3 * G / 4}; break;
    }
    // As TextRunWidth of the run's text.
    const double width =
        static_cast<double>(r.bytes) * out.w / 2 + static_cast<double>(r.bytes - r.first) * out.g / 2;
    if (r.kind == RunKind::Plain) {
      a = p + width;
      p = a;
    } else {
      p = std::max(p, a + width);
    }
    return out;
  }
};

// Every field but the text (whose storage dst keeps, emptied).
void CopyExceptText(TGcell& dst, const TGcell& src) {
  dst.window = src.window;
  dst.undo = src.undo;
  dst.kind = src.kind;
  dst.layer = src.layer;
  dst.size = src.size;
  dst.pen = src.pen;
  dst.vertical = src.vertical;
  std::copy(std::begin(src.p), std::end(src.p), dst.p);
  dst.text = {};
}

void PointPiece(const TGcell& cell, TCellPieces& out) {
  TGcell* c = out.Add();
  c->kind = cell.kind;
  c->layer = cell.layer;
  c->pen = cell.pen;
  std::copy(std::begin(cell.p), std::end(cell.p), c->p);
}

void RectPieces(const TGcell& cell, TCellPieces& out) {
  const TBoxGeom box = BoxOf(cell);
  const double x = box.corner.x, y = box.corner.y, w = box.width, h = box.height, a = box.angle;
  if (w == 0 && h == 0) return;
  double p[4][2] = {{x, y}};
  const double corner[3][2] = {{w, 0}, {w, h}, {0, h}};
  for (int i = 0; i < 3; ++i) {
    RotatePoint(p[i + 1][0], p[i + 1][1], corner[i][0], corner[i][1], a);
    p[i + 1][0] += x;
    p[i + 1][1] += y;
  }
  const auto line = [&](int from, int to) {
    TGcell* c = out.Add();
    c->kind = GK_LINE;
    c->layer = cell.layer;
    c->pen = cell.pen;
    SetLine(*c, {p[from][0], p[from][1]}, {p[to][0], p[to][1]});
  };
  if (w != 0 && h != 0) {
    line(0, 3);
    line(3, 2);
    line(2, 1);
    line(1, 0);
  } else {
    line(0, 2);
  }
}

void Expand(const TGcell& cell, TCellPieces& out, bool areas) {
  out.clear();
  switch (cell.kind) {
    case GK_POINT:
    case GK_LINE:
    case GK_ARC:
    case GK_CIRCLE: PointPiece(cell, out); break;
    case GK_POLYGON:
    case GK_POLYARC:
    case GK_FILL4K:
    case GK_PICTURE:
      if (areas) *out.Add() = cell;
      break;
    case GK_TEXT: ExpandText(cell, out); break;
    case GK_RECT: RectPieces(cell, out); break;
    default: break;
  }
  if (cell.pen == 0)
    for (int i = 0; i < out.size(); ++i) out[i].pen = 0;
}

// The advance of a text's runs from its reference point.
double RunsAdvance(std::string_view body, const TTextMetrics& m) {
  RunLayout lay{m.height, m.width, m.gap};
  ScanRuns(body, [](RunKind) -> std::string* { return nullptr; }, [&](const Run& r) { lay.Place(r); });
  return lay.p;
}

double ExtentOf(std::string_view text, bool vertical, const TTextMetrics& m) {
  const std::string_view body = text.substr(TextLeadMarks(text).skip);
  if (vertical) return static_cast<double>(body.size()) * (m.width + m.gap) / 2;
  return std::max(RunsAdvance(body, m), m.width / 2);
}

// Distance from the point to the window, 0 inside.
double WindowDistance(const TGContext& g, double x, double y) {
  const double dx = std::max({std::min(g.wx1, g.wx2) - x, 0.0, x - std::max(g.wx1, g.wx2)});
  const double dy = std::max({std::min(g.wy1, g.wy2) - y, 0.0, y - std::max(g.wy1, g.wy2)});
  return std::hypot(dx, dy);
}

bool IsHalfDot(std::string_view s, std::size_t i, std::size_t len) {
  return len == 1 && static_cast<unsigned char>(s[i]) == 0xA5;  // "･"
}
bool IsFullDot(std::string_view s, std::size_t i, std::size_t len) {
  return len == 2 && static_cast<unsigned char>(s[i]) == 0x81 && static_cast<unsigned char>(s[i + 1]) == 0x45;  // "・"
}

// The length of s without its trailing run of dots, keeping at least the
// first character.
template <class IsDot>
std::size_t StripTrailing(std::string_view s, IsDot isDot) {
  std::size_t cut = s.size();
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t len = CharLen(s, i);
    if (!isDot(s, i, len))
      cut = s.size();
    else if (cut == s.size())
      cut = i == 0 ? len : i;
    i += len;
  }
  return cut;
}

}  // namespace

TGcell* TCellPieces::Add() {
  if (count >= kMaxPieces) return nullptr;
  if (static_cast<std::size_t>(count) < cells.size()) {
    cells[static_cast<std::size_t>(count)] = TGcell{};
  } else {
    cells.emplace_back();
  }
  return &cells[static_cast<std::size_t>(count++)];
}

void ExpandCell(const TGcell& cell, TCellPieces& out) { Expand(cell, out, true); }

TCellPieces ExpandCell(const TGcell& cell) {
  TCellPieces out;
  Expand(cell, out, true);
  return out;
}

void ExpandCellNoAreas(const TGcell& cell, TCellPieces& out) { Expand(cell, out, false); }

TCellPieces ExpandCellNoAreas(const TGcell& cell) {
  TCellPieces out;
  Expand(cell, out, false);
  return out;
}

// ---- Texts -----------------------------------------------------------------

int TextSizeIndex(const TGcell& cell) { return std::min<int>(cell.size, kTextSizeCount - 1); }

int FittingTextSize(double h) {
  const TPVC& pvc = CurPVC();
  std::array<int, kTextSizeCount - 1> order{};
  for (int k = 1; k < kTextSizeCount; ++k) order[static_cast<std::size_t>(k - 1)] = k;
  const auto height = [&](int k) { return pvc.textSizes[static_cast<std::size_t>(k)].height; };
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return height(a) < height(b); });
  int size = 1;
  for (int k : order)
    if (height(k) * 0.98 < h) size = k;
  return size;
}

TTextMetrics TextMetrics(const TGcell& cell) {
  const int size = TextSizeIndex(cell);
  if (size == 0) {
    const TTextGeom t = TextOf(cell);
    return {t.height, t.width, t.gap};
  }
  const TPVC& pvc = CurPVC();
  const TTextSize& t = pvc.textSizes[size];
  const double b = pvc.basicScale;
  return {t.height * b, t.width * b, t.spacing * b};
}

int TextPen(const TGcell& cell) {
  if (cell.kind != GK_TEXT) return cell.pen & PEN_NUMBER_MASK;
  const int size = TextSizeIndex(cell);
  const int index = size ? size : std::min<int>(cell.pen & PEN_NUMBER_MASK, kTextSizeCount - 1);
  return CurPVC().textSizes[index].pen;
}

TColor TextColour(const TGContext& g, const TGcell& cell) {
  if (cell.pen & PEN_SELECTED) return XorColour(g);
  const TPVC& pvc = CurPVC();
  int size = TextSizeIndex(cell);
  if (size == 0) {
    size = std::clamp(cell.pen & PEN_NUMBER_MASK, 1, kTextSizeCount - 1);
    if (pvc.monochrome) {
      for (int n = 1; n < kTextSizeCount; ++n)
        if (pvc.textSizes[n].pen != kAuxPen) {
          size = n;
          break;
        }
    }
  }
  TColor c = pvc.textSizes[size].screenColor;
  if (cell.pen & PEN_DIM) c = PaletteColor(8);
  if ((cell.pen & PEN_HILITE) || (cell.pen & PEN_NUMBER_MASK) == 0) c = PaletteColor(0);
  return c;
}

double TextExtent(const TGcell& cell) { return ExtentOf(cell.text, cell.vertical != 0, TextMetrics(cell)); }

TTextMarks TextLeadMarks(std::string_view text) {
  TTextMarks m;
  if (text.starts_with('~')) m.mincho = true, m.skip = 1;
  if (text.substr(m.skip).starts_with("%%u1")) m.underline = true, m.skip += 4;
  return m;
}

bool OnlyRaisedCodes(std::string_view s) {
  for (std::size_t i = 0; i < s.size(); i += CharLen(s, i)) {
    if (s[i] != '^' || i + 1 >= s.size()) continue;
    const char next = s[++i];
    if (next != 'u' && next != 'd' && next != '^') return false;
  }
  return true;
}

void ExpandText(const TGcell& cell, TCellPieces& out) {
  out.clear();
  if (cell.vertical || cell.text.find('^') == std::string::npos) {
    *out.Add() = cell;
    return;
  }
  const TTextMarks marks = TextLeadMarks(cell.text);
  const std::string_view body = std::string_view(cell.text).substr(marks.skip);
  const TTextMetrics m = TextMetrics(cell);
  const TTextGeom t = TextOf(cell);
  const double x = t.at.x, y = t.at.y, angle = t.angle;
  // Pieces of a sized text keep that size's pen through their pen bits; a
  // text of its own size already names its pen there.
  std::uint16_t pen = cell.pen;
  if (const int size = TextSizeIndex(cell))
    pen = static_cast<std::uint16_t>((pen & ~PEN_NUMBER_MASK) | size);
  RunLayout lay{m.height, m.width, m.gap};
  TGcell* piece = nullptr;
  std::string& text = out.scratch;  // the piece's text while its run grows
  const auto start = [&](RunKind kind) -> std::string* {
    piece = out.Add();
    if (!piece) return nullptr;
    CopyExceptText(*piece, cell);
    piece->size = 0;
    piece->pen = pen;
    text.clear();
    if (marks.mincho) text += '~';
    if (marks.underline && kind == RunKind::Plain) text += "%%u1";
    return &text;
  };
  const auto done = [&](const Run& r) {
    const RunPlace at = lay.Place(r);
    if (!piece) return;
    piece->text = text;
    double dx, dy;
    RotatePoint(dx, dy, at.x, at.y, angle);
    piece->p[0] = x + dx;
    piece->p[1] = y + dy;
    piece->p[2] = at.w;
    piece->p[3] = at.h;
    piece->p[4] = at.g;
  };
  ScanRuns(body, start, done);
}

void DrawTextCell(TGContext& g, const TGcell& cell, std::string_view text, bool vertical, double x, double y,
                  double angle) {
  if (!g.canvas || g.targetKind == TTargetKind::None) return;
  const TPVC& pvc = CurPVC();
  const TTextMetrics m = TextMetrics(cell);
  TColor colour;
  if (g.printing) {
    colour = PrintPenColor(pvc, TextPen(cell));
    if (pvc.printerType == PRINTER_PLOTTER) G_PenWidth(g, 0);
  } else {
    colour = TextColour(g, cell);
    G_PenWidth(g, 1);
    G_LineStyle(g, 0);
  }
  G_PenColor(g, colour);
  G_TextColor(g, colour);
  if (WindowDistance(g, x, y) > ExtentOf(text, vertical, m)) return;

  const TTextMarks marks = TextLeadMarks(text);
  std::string_view body = text.substr(marks.skip);
  if (marks.mincho) G_FontName(g, kFaceMincho);
  G_TextSize(g, m.height, m.width, m.gap);
  G_TextAngle(g, angle);
  if (marks.underline) {
    // H/8 below the reference point, as long as the text.
    const double len = G_TextWidth(g, body), d = m.height / 8;
    const double ca = std::cos(angle), sa = std::sin(angle);
    const double x0 = x + sa * d, y0 = y - ca * d;
    G_Line(g, x0, y0, x0 + ca * len, y0 + sa * len);
  }
  // Trailing filler dots: gone, their width spread over the gaps, so the
  // text keeps its length.
  double gap = m.gap;
  if (body.size() > 3) {
    std::size_t cut = StripTrailing(body, IsHalfDot);
    cut = StripTrailing(body.substr(0, cut), IsFullDot);
    const std::size_t removed = body.size() - cut;
    if (removed) {
      const std::size_t first = CharLen(body, 0);
      const double c = std::max<double>(1, static_cast<double>(cut) - static_cast<double>(first));
      gap += (m.width + m.gap) * static_cast<double>(removed) / c;
      body = body.substr(0, cut);
      G_TextSize(g, m.height, m.width, gap);
    }
  }
  G_Text(g, body, vertical, x, y);
  if (marks.mincho) G_FontName(g, kFaceGothic);
}

void DrawTextCell(TGContext& g, const TGcell& piece) {
  const TTextGeom t = TextOf(piece);
  DrawTextCell(g, piece, piece.text, piece.vertical != 0, t.at.x, t.at.y, t.angle);
}
