#include "render/ApPenSet.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "kernel/Common.h"
#include "kernel/Z_Basic.h"
#include "render/Z_Graph.h"

namespace {

constexpr std::array<TColor, kPaletteSize> kPaletteTable = {
    Rgb(0, 0, 0),     Rgb(0, 0, 255),   Rgb(0, 221, 0),     Rgb(0, 200, 200),
    Rgb(255, 0, 0),   Rgb(255, 0, 255), Rgb(255, 221, 0),   Rgb(255, 255, 255),
    Rgb(102, 34, 102), Rgb(0, 0, 128),  Rgb(0, 128, 0),     Rgb(0, 128, 128),
    Rgb(255, 255, 255), Rgb(255, 255, 255), Rgb(128, 128, 0), Rgb(128, 128, 128),
};

const char* const kLineTypes[kLineTypeCount] = {
    "@...@...@...@...@...@...@...@...", "@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@",
    "@@@...@@@...@@@...@@@...@@@....@", "@@@@@@@@@.......@@@@@@@@@.......",
    "@@@@@@@@@...@@@@@@@@@@@@@...@@@@", "@@@@@..@@..@@@@@@@@@@..@@..@@@@@",
    "@@@@@...@@@...@@@@@@@@@@@@@@@@@@", "@@@@..@..@..@@@@@@@@..@..@..@@@@",
    "@@@@@@@@@...@@...@@...@@@@@@@@@@",
};

const char* const kLineTypeLabels[kLineTypeCount] = {
    "", "実 線", "点 線", "点 線", "点 線", "1点鎖", "1点鎖", "2点鎖", "2点鎖",
};

// Strip rows (columns) per line type: slots 0..9.
constexpr int kStripSlots = 16;
constexpr int kStripLines = kStripSlots * kLineTypeCount;
// Strips are at least this long, so most canvases never make them grow.
constexpr int kMinStripLength = 2048;

int ClampPen(int p) { return std::clamp(p, 1, kAuxPen); }

void BuildPalette() {
  PenSetState& s = g_penSet;
  s.palette = kPaletteTable;
  if (s.whiteBackground) {
    s.palette[0] = Rgb(255, 255, 255);
    s.palette[7] = Rgb(0, 0, 0);
    s.palette[8] = Rgb(238, 204, 238);
    s.auxColor = Rgb(224, 224, 128);
    s.greyThin = Rgb(192, 192, 192);
    s.greyThick = Rgb(128, 128, 128);
    s.inkColor = Rgb(0, 0, 0);
  } else {
    s.auxColor = Rgb(192, 192, 0);
    s.greyThin = Rgb(128, 128, 128);
    s.greyThick = Rgb(192, 192, 192);
    s.inkColor = Rgb(255, 255, 255);
  }
  s.palette[14] = s.auxColor;
}

// The colour of a word on the screen, in copy or XOR mode.
TColor WordColor(const TPVC& pvc, std::uint16_t word, bool xorMode) {
  const PenSetState& s = g_penSet;
  if (word & PEN_SELECTED) {
    const TColor c = PaletteColor(std::clamp(pvc.selectionColor, 1, 15));
    return s.whiteBackground && xorMode ? c ^ 0xFFFFFFu : c;
  }
  TColor c = pvc.pens[PenNumberOf(word)].screenColor;
  if (word & PEN_DIM) c = s.palette[8];
  if (word & PEN_HILITE) c = s.palette[0];
  if ((word & PEN_NUMBER_MASK) == 0) c = s.palette[0];
  return c;
}

bool XorMode(const TGContext& g) {
  return g.canvas && !g.printing && g.canvas->PenMode() == TPenMode::Xor;
}

// The strip slot of a word: its pen, or 8 selected, 0 erased, 9 dimmed.
int StripSlot(std::uint16_t word) {
  if (word & PEN_SELECTED) return 8;
  if (word & PEN_HILITE) return 0;
  if (word & PEN_DIM) return 9;
  return word & PEN_NUMBER_MASK ? PenNumberOf(word) : 0;
}

// The word whose colour a strip slot shows.
std::uint16_t SlotWord(int slot) {
  switch (slot) {
    case 0: return PEN_HILITE;
    case 8: return PEN_SELECTED | 8;
    case 9: return PEN_DIM | 1;
    default: return static_cast<std::uint16_t>(slot);
  }
}

// (Re)builds the strips at least `length` pixels long.
void BuildStrips(int length) {
  PenSetState& s = g_penSet;
  length = std::max(length, kMinStripLength);
  if (!s.hLines || s.hLines->Width() < length) {
    s.hLines = std::make_unique<RasterCanvas>(length, kStripLines);
    s.vLines = std::make_unique<RasterCanvas>(kStripLines, length);
  }
  const TPVC& pvc = CurPVC();
  const std::uint32_t bg = ColorToPixel(s.palette[0]);
  const int n = s.hLines->Width();
  auto& hp = const_cast<std::vector<std::uint32_t>&>(s.hLines->Image().pixels);
  auto& vp = const_cast<std::vector<std::uint32_t>&>(s.vLines->Image().pixels);
  for (int t = 0; t < kLineTypeCount; ++t) {
    const char* pat = kLineTypes[t];
    for (int slot = 0; slot < kStripSlots; ++slot) {
      const int line = kStripSlots * t + slot;
      const std::uint32_t ink = slot <= 9 ? ColorToPixel(WordColor(pvc, SlotWord(slot), false)) : bg;
      std::uint32_t* row = hp.data() + static_cast<std::size_t>(line) * n;
      for (int i = 0; i < n; ++i) {
        const std::uint32_t v = pat[i % 32] == '@' ? ink : bg;
        row[i] = v;
        vp[static_cast<std::size_t>(i) * kStripLines + line] = v;
      }
    }
  }
  s.linesStale = false;
}

// The palette of a black background, so colours are sound before the first
// reset too.
PenSetState StartState() {
  PenSetState s;
  s.palette = kPaletteTable;
  s.auxColor = s.palette[14] = Rgb(192, 192, 0);
  s.greyThin = Rgb(128, 128, 128);
  s.greyThick = Rgb(192, 192, 192);
  s.inkColor = Rgb(255, 255, 255);
  return s;
}

void FillCanvas(ICanvas& c, TColor color) {
  c.SetBrushColor(color);
  c.FillRect(c.ClipRect());
}

// Binds a view to a sample canvas: one unit per pixel, y down.
bool BindSample(TGContext& g, ICanvas* c) {
  if (!c || c->Width() <= 0 || c->Height() <= 0) return false;
  return G_Begin(g, TTargetKind::Image, c, 1.0);
}

// A caption with its top-left corner at pixel (x, y): 16 x 16 pixel
// characters in the given face.
void SampleCaption(TGContext& g, const char* face, const std::string& text, double x, double y, TColor color) {
  G_FontName(g, face);
  G_TextColor(g, color);
  G_PenColor(g, color);
  G_TextSize(g, 16, 16, 0);
  G_TextAngle(g, 0);
  G_Text(g, text, false, x, y + 16);
  G_FontName(g, kFaceGothic);
}

}  // namespace

PenSetState g_penSet = StartState();

void ApPenSet_Reset() {
  g_penSet = StartState();
  for (TPVC& pvc : g_pvc.slots) BuildPenColours(pvc);
}

// ---- Palette and background ----------------------------------------------

TColor PaletteColor(int i) { return g_penSet.palette[i >= 0 && i < kPaletteSize ? i : 0]; }

void SetWhiteBackground(bool white) {
  g_penSet.whiteBackground = white;
  BuildPenColours();
}

void BuildPenColours(TPVC& pvc) {
  BuildPalette();
  const PenSetState& s = g_penSet;
  int widest = 0;
  for (int p = 1; p <= kAuxPen; ++p) widest = std::max(widest, pvc.pens[p].printWidth);
  for (int p = 1; p <= kAuxPen; ++p) {
    TPenEntry& pen = pvc.pens[p];
    const int w = pen.printWidth;
    pen.screenWidth = pvc.varyWidths ? std::max(1, (w + 1) / 2) : 1;
    TColor c;
    if (!pvc.monochrome)
      c = PaletteColor(pen.colorIndex);
    else if (pvc.varyWidths)
      c = w % 2 ? s.greyThick : s.inkColor;
    else if (w == widest)
      c = s.inkColor;
    else
      c = w == 1 || w == 2 ? s.greyThin : w == 3 || w == 4 ? s.greyThick : s.inkColor;
    pen.screenColor = p == kAuxPen ? s.auxColor : c;
  }
  for (int n = 1; n < kTextSizeCount; ++n) {
    TTextSize& size = pvc.textSizes[n];
    const int p = ClampPen(size.pen);
    if (p == kAuxPen)
      size.screenColor = s.auxColor;
    else if (pvc.monochrome)
      size.screenColor = s.whiteBackground ? Rgb(0, 0, 128) : Rgb(192, 240, 240);
    else
      size.screenColor = pvc.pens[p].screenColor;
  }
  g_penSet.linesStale = true;
}

void BuildPenColours() { BuildPenColours(CurPVC()); }

// ---- Pen words -----------------------------------------------------------

int PenNumberOf(std::uint16_t word) { return ClampPen(word & PEN_NUMBER_MASK); }

int LineTypeOf(std::uint16_t word) { return std::min((word & PEN_LTYPE_MASK) >> 4, kLineTypeCount - 1); }

const char* LineTypePattern(int type) { return kLineTypes[std::clamp(type, 0, kLineTypeCount - 1)]; }

const char* LineTypeLabel(int type) { return kLineTypeLabels[std::clamp(type, 0, kLineTypeCount - 1)]; }

TColor XorColour(const TGContext& g) { return WordColor(CurPVC(), PEN_SELECTED, XorMode(g)); }

TColor ScreenPenColor(const TGContext& g, std::uint16_t word) { return WordColor(CurPVC(), word, XorMode(g)); }

TColor EightColors(TColor c) {
  TColor out = 0;
  for (int shift : {0, 8, 16})
    if (((c >> shift) & 0xFFu) >= 128) out |= 0xFFu << shift;
  return out;
}

TColor PrintPenColor(const TPVC& pvc, int pen) {
  const TPenEntry& e = pvc.pens[ClampPen(pen)];
  switch (pvc.printerType) {
    case PRINTER_COLOR: return e.colorIndex == 7 || e.printBlack ? 0 : PaletteColor(e.colorIndex);
    case PRINTER_PLOTTER: return EightColors(PaletteColor(e.colorIndex));
    default: return 0;
  }
}

void SetPen(TGContext& g, std::uint16_t word) {
  if (!g.canvas) return;
  const TPVC& pvc = CurPVC();
  const int p = PenNumberOf(word);
  if (g.printing) {
    const double x = std::max(1, pvc.pens[p].printWidth);
    g.canvas->SetPenWidth(RoundInt(std::max(std::sqrt(g.printScale) * (x * 0.1 * g.pixelsPerUnit), x)));
    G_PenColor(g, PrintPenColor(pvc, p));
  } else {
    G_PenWidth(g, pvc.pens[p].screenWidth);
    G_PenColor(g, WordColor(pvc, word, XorMode(g)));
  }
  G_Pattern(g, kLineTypes[LineTypeOf(word)]);
}

// ---- Line strips ---------------------------------------------------------

void PrepareStripLines(const ICanvas& c) {
  const PenSetState& s = g_penSet;
  if (s.linesStale || !s.hLines || s.hLines->Width() < std::max(c.Width(), c.Height()))
    BuildStrips(std::max(c.Width(), c.Height()));
}

bool StripLine(TGContext& g, int x1, int y1, int x2, int y2, std::uint16_t word) {
  if (!g.canvas || g.targetKind == TTargetKind::None || g.printing || CurPVC().varyWidths) return false;
  ICanvas& c = *g.canvas;
  if (c.PenMode() != TPenMode::Copy) return false;
  const bool horizontal = y1 == y2 && x1 != x2, vertical = x1 == x2 && y1 != y2;
  if (!horizontal && !vertical) return false;
  PrepareStripLines(c);
  const PenSetState& s = g_penSet;
  const int line = kStripSlots * LineTypeOf(word) + StripSlot(word);
  if (horizontal) {
    const int len = std::abs(x2 - x1), x = std::min(x1, x2);
    if (len > s.hLines->Width()) return false;
    c.CopyRect({x, y1, x + len, y1 + 1}, *s.hLines, {0, line, len, line + 1});
  } else {
    const int len = std::abs(y2 - y1), y = std::min(y1, y2);
    if (len > s.vLines->Height()) return false;
    c.CopyRect({x1, y, x1 + 1, y + len}, *s.vLines, {line, 0, line + 1, len});
  }
  return true;
}

// ---- Pen palette ---------------------------------------------------------

void PenSampleDraw(TGContext& g, TPenSample kind, int index) {
  if (!g.canvas) return;
  ICanvas& c = *g.canvas;
  const TPVC& pvc = CurPVC();
  const int w = c.Width(), h = c.Height(), mid = h / 2;
  c.SetPenMode(TPenMode::Copy);
  switch (kind) {
    case TPenSample::Pen: {
      if (index < 1 || index > 6) return;
      const TPenEntry& pen = pvc.pens[index];
      FillCanvas(c, BackgroundColor());
      SampleCaption(g, kFaceMincho, Format("Pen.%d", {index}), 2, mid - 8, pen.screenColor);
      SetPen(g, static_cast<std::uint16_t>(0x10 | index));
      G_Line(g, 50, mid, w - 3, mid);
      break;
    }
    case TPenSample::Aux: {
      FillCanvas(c, BackgroundColor());
      SampleCaption(g, kFaceMincho, "補助線", 2, mid - 8, WhiteBackground() ? Rgb(0, 0, 0) : Rgb(0, 255, 255));
      SetPen(g, kAuxPenWord);
      G_Line(g, 52, mid, w - 3, mid);
      break;
    }
    case TPenSample::LineType: {
      if (index < 1 || index >= kLineTypeCount) return;
      FillCanvas(c, WhiteBackground() ? Rgb(192, 192, 192) : Rgb(128, 128, 128));
      const TColor ink = PaletteColor(7);
      SampleCaption(g, kFaceGothic, kLineTypeLabels[index], 2, mid - 8, ink);
      G_Pattern(g, kLineTypes[index]);
      G_PenWidth(g, index == 1 ? 2 : 1);
      G_PenColor(g, ink);
      G_Line(g, 46, mid, w - 3, mid);
      G_PenWidth(g, 1);
      break;
    }
  }
  G_LineStyle(g, 0);
  G_PenWidth(g, 1);
}

void PenPreviewDraw(TGContext& g, std::int32_t word) {
  if (!g.canvas) return;
  ICanvas& c = *g.canvas;
  c.SetPenMode(TPenMode::Copy);
  FillCanvas(c, BackgroundColor());
  SetPen(g, static_cast<std::uint16_t>(word));
  const int mid = c.Height() / 2;
  G_Line(g, 3, mid, c.Width() - 3, mid);
  G_LineStyle(g, 0);
  G_PenWidth(g, 1);
}

void PenPaletteBuild(const TPenPaletteTargets& t) {
  TGContext g;
  for (int i = 0; i < 6; ++i)
    if (BindSample(g, t.pens[i])) PenSampleDraw(g, TPenSample::Pen, i + 1);
  if (BindSample(g, t.aux)) PenSampleDraw(g, TPenSample::Aux, 7);
  for (int i = 0; i < 8; ++i)
    if (BindSample(g, t.lineTypes[i])) PenSampleDraw(g, TPenSample::LineType, i + 1);
  PenPreviewsDraw(t);
}

void PenPreviewsDraw(const TPenPaletteTargets& t) {
  TPVC& pvc = CurPVC();
  if (pvc.writePen == 0) pvc.writePen = 0x11;
  pvc.penPresets[0] = pvc.writePen;
  if (pvc.penPresets[1] == 0) pvc.penPresets[1] = 0x21, pvc.penPresets[2] = 0x23, pvc.penPresets[3] = 0x25;
  if (pvc.penPresets[4] == 0) pvc.penPresets[4] = 0x51, pvc.penPresets[5] = 0x53;
  TGContext g;
  if (BindSample(g, t.writePen)) PenPreviewDraw(g, pvc.writePen);
  for (int i = 0; i < 5; ++i)
    if (BindSample(g, t.presets[i])) PenPreviewDraw(g, pvc.penPresets[i + 1]);
}

std::int32_t PenPaletteClick(TPenSample kind, int index) {
  TPVC& pvc = CurPVC();
  std::int32_t word = pvc.writePen;
  switch (kind) {
    case TPenSample::Pen:
      if (index < 1 || index > 6) return word;
      word = 0x10 | index;
      break;
    case TPenSample::Aux: word = kAuxPenWord; break;
    case TPenSample::LineType:
      if (index < 1 || index >= kLineTypeCount) return word;
      word = (index << 4) | ClampPen(pvc.writePen & PEN_NUMBER_MASK);
      break;
  }
  pvc.writePen = word;
  pvc.penPresets[0] = word;
  return word;
}
