#include "render/RecordCanvas.h"

#include <charconv>

namespace {

void AppendInt(std::string& s, long long v) {
  char buf[24];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  s.append(buf, end);
}

void AppendPoints(std::string& s, const TPixelPoint* pts, int n) {
  for (int i = 0; i < n; ++i) {
    s += ' ';
    AppendInt(s, pts[i].x);
    s += ' ';
    AppendInt(s, pts[i].y);
  }
}

}  // namespace

RecordCanvas::RecordCanvas(int width, int height, double printerDpi)
    : width_(width), height_(height), dpi_(printerDpi) {}

std::string RecordCanvas::Text() const {
  std::string s;
  for (const std::string& line : log_) {
    if (!s.empty()) s += '\n';
    s += line;
  }
  return s;
}

void RecordCanvas::Add(const char* name, std::initializer_list<long long> args, const std::string& tail) {
  std::string s = name;
  for (long long v : args) {
    s += ' ';
    AppendInt(s, v);
  }
  if (!tail.empty()) {
    s += ' ';
    s += tail;
  }
  log_.push_back(std::move(s));
}

void RecordCanvas::SetPenColor(TColor c) {
  penColor_ = c;
  Add("PenColor", {c});
}
void RecordCanvas::SetPenWidth(int w) {
  penWidth_ = w;
  Add("PenWidth", {w});
}
void RecordCanvas::SetPenStyle(TPenStyle s) {
  penStyle_ = s;
  Add("PenStyle", {}, PenStyleName(s));
}
void RecordCanvas::SetPenMode(TPenMode m) {
  penMode_ = m;
  Add("PenMode", {}, m == TPenMode::Xor ? "Xor" : "Copy");
}
void RecordCanvas::SetBrushColor(TColor c) {
  brushColor_ = c;
  brushStyle_ = TBrushStyle::Solid;
  Add("BrushColor", {c});
}
void RecordCanvas::SetBrushStyle(TBrushStyle s) {
  brushStyle_ = s;
  Add("BrushStyle", {}, s == TBrushStyle::Clear ? "Clear" : "Solid");
}
void RecordCanvas::SetFont(const TFontDesc& f) {
  font_ = f;
  Add("Font", {f.height, f.width, f.escapement}, f.face);
}
void RecordCanvas::SetFontColor(TColor c) {
  fontColor_ = c;
  Add("FontColor", {c});
}

void RecordCanvas::MoveTo(int x, int y) { Add("MoveTo", {x, y}); }
void RecordCanvas::LineTo(int x, int y) { Add("LineTo", {x, y}); }

void RecordCanvas::Polyline(const TPixelPoint* pts, int n) {
  std::string s = "Polyline";
  AppendPoints(s, pts, n);
  log_.push_back(std::move(s));
}

void RecordCanvas::Arc(const TPixelRect& b, TPixelPoint s, TPixelPoint e) {
  Add("Arc", {b.left, b.top, b.right, b.bottom, s.x, s.y, e.x, e.y});
}

void RecordCanvas::Polygon(const TPixelPoint* pts, int n) {
  std::string s = "Polygon";
  AppendPoints(s, pts, n);
  log_.push_back(std::move(s));
}

void RecordCanvas::Pie(const TPixelRect& b, TPixelPoint s, TPixelPoint e) {
  Add("Pie", {b.left, b.top, b.right, b.bottom, s.x, s.y, e.x, e.y});
}

void RecordCanvas::FillRect(const TPixelRect& r) { Add("FillRect", {r.left, r.top, r.right, r.bottom}); }
void RecordCanvas::SetPixel(int x, int y, TColor c) { Add("SetPixel", {x, y, c}); }
void RecordCanvas::SetPixelFast(int x, int y, TColor c) { Add("SetPixelFast", {x, y, c}); }

void RecordCanvas::CopyRect(const TPixelRect& d, const ICanvas&, const TPixelRect& s) {
  Add("CopyRect", {d.left, d.top, d.right, d.bottom, s.left, s.top, s.right, s.bottom});
}

void RecordCanvas::StretchDraw(const TPixelRect& d, const TRasterImage& image) {
  Add("StretchDraw", {d.left, d.top, d.right, d.bottom, image.width, image.height});
}

void RecordCanvas::TextOut(int x, int y, const std::string& text) { Add("TextOut", {x, y}, text); }

bool RecordCanvas::BeginDoc() {
  Add("BeginDoc", {});
  return dpi_ > 0;
}
void RecordCanvas::EndDoc() { Add("EndDoc", {}); }
