#include "output/Op_BmpSave.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <new>
#include <string>

#include "app/ApManager.h"
#include "app/Ap_Unit1.h"
#include "app/GC_PointSearch.h"
#include "app/GC_View.h"
#include "files/BmpIo.h"
#include "files/FileProc.h"
#include "kernel/Platform.h"
#include "kernel/ReplaceFile.h"
#include "kernel/SjisConv.h"
#include "kernel/Z_Basic.h"
#include "model/ComHst.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "output/Op_Print2.h"
#include "render/ApPenSet.h"
#include "render/GC_Draw.h"
#include "render/RasterCanvas.h"
#include "render/Z_Graph.h"

namespace fs = std::filesystem;

BmpSaveState g_bmpSave;

void Op_BmpSave_Reset() { g_bmpSave = BmpSaveState{}; }

namespace {

const char kSizeName[] = "①BMPｻｲｽﾞ(ﾄﾞｯﾄ)";
const char kWidthName[] = "②保存幅(mm)";
const char kPrevious[] = "③前の値";
const char kPrompt[] = "画像ファイルに保存(L)or(R)、--- クリップボードにもコピーします。";
const char kSaveError[] = "画像保存エラー";
const char kFilter[] = "GIF形式(*.GIF)|*.GIF|JPEG形式(*.JPG)|*.JPG|ﾋﾞｯﾄﾏｯﾌﾟ形式(*.BMP)|*.BMP";
constexpr std::uint16_t kFramePen = 0x8021;  // dotted, in the XOR colour

BmpSaveState& B() { return g_bmpSave; }

double AreaHeight() { return B().S * B().H / std::max(B().W, 1.0); }

const char* MarginCaption(TExportMargin m) {
  switch (m) {
    case TExportMargin::Standard: return "④標準";
    case TExportMargin::Wide: return "④広め";
    default: return "④狭め";
  }
}

// Sub-menu buttons in order: ① the size, ② the width, ③, ④ the margin.
void Buttons(const std::string& size, const std::string& width) {
  ClearSubBtns();
  SetSubBtn(size, true);
  SetSubBtn(width, true);
  SetSubBtn(kPrevious, true);
  SetSubBtn(MarginCaption(B().margin), true);
}

bool SizeInRange(double w, double h) { return w >= 16 && w <= kBmpMaxSide && h >= 1 && h <= kBmpMaxSide; }

// W, H and S from the captions of ① and ②; what they do not give
// properly falls back to 640 × 480 and 2000, and the buttons say so.
void ReadExportValues() {
  BmpSaveState& s = B();
  const std::string size = SubOption(1).text + ",0";
  const std::size_t comma = size.find(',');
  s.W = ParseInt(size.substr(0, comma));
  s.H = ParseInt(size.substr(comma + 1));
  if (s.H <= 0) s.H = s.W;
  if (!SizeInRange(s.W, s.H)) {
    s.W = 640;
    s.H = 480;
    Buttons(std::string(kSizeName) + "=640,480", SubOption(2).raw);
  }
  s.S = ParseInt(SubOption(2).text + ",0");
  if (s.S < 1) {
    s.S = 2000;
    Buttons(SubOption(1).raw, std::string(kWidthName) + "=2000");
  }
}

void ShowFrame(TGContext& view) {
  TGcell r = MakeRect(B().corner, B().S, AreaHeight());
  r.pen = kFramePen;
  B().frame.Show(view, r);
}

// The values again and the frame where they put it.
void Refresh(TGContext& view) {
  ReadExportValues();
  ShowFrame(view);
}

// The export's look for as long as it lives: white background, monochrome
// display with the print widths (rounded up to even ones) shown; the
// settings and background come back whatever happens in between.
class TExportLook {
public:
  TExportLook() : saved_(CurPVC()), white_(WhiteBackground()) {
    TPVC& p = CurPVC();
    p.varyWidths = true;
    p.monochrome = true;
    for (int k = 1; k <= 6; ++k) p.pens[static_cast<std::size_t>(k)].printWidth = (p.pens[static_cast<std::size_t>(k)].printWidth + 1) & ~1;
    SetWhiteBackground(true);
    BuildPenColours();
  }
  ~TExportLook() {
    CurPVC() = saved_;
    SetWhiteBackground(white_);
    BuildPenColours();
  }
  TExportLook(const TExportLook&) = delete;
  TExportLook& operator=(const TExportLook&) = delete;

private:
  const TPVC saved_;
  const bool white_;
};

// The name the save dialog proposes: the folder of the last name and the
// text after "$>" of a marker text at the frame's top-left corner, else
// "Default"; without an extension.
std::string ProposedName(TPointD corner) {
  BmpSaveState& s = B();
  fs::path folder(s.fileName);
  if (!s.fileName.empty() && s.fileName.back() != '/') folder = folder.parent_path();
  const TPointD topLeft = corner + TPointD{0, AreaHeight()};
  std::string name;
  const int w = StoreWindow();
  for (int i = 1, n = StoreUsed(); i <= n; ++i) {
    const TGcell& c = GcellRef(i);
    if (c.window != w || c.kind != GK_TEXT || !c.text.starts_with("$>")) continue;
    if (Dist(TextOf(c).at, topLeft) < s.S / 10) {
      name = SjisToUtf8(c.text.substr(2));
      break;
    }
  }
  fs::path p = folder / fs::path(name).replace_extension();
  if (name.empty() || p.filename().empty()) p = folder / "Default";
  return p.string();
}

// Every pixel black or white, by its luminance.
void ToBlackAndWhite(TRasterImage& image) {
  for (std::uint32_t& p : image.pixels) p = IsDarkPixel(p) ? 0xFF000000u : 0xFFFFFFFFu;
}

bool SaveImage(const fs::path& name, const TRasterImage& image, bool oneBit) {
  std::string bytes;
  const std::string ext = UpperAscii(name.extension().string());
  bool ok = false;
  if (ext == ".BMP")
    ok = EncodeBmp(image, oneBit, bytes);
  else if (ext == ".JPG")
    ok = EncodeJpeg(image, bytes);
  else if (ext == ".GIF")
    ok = EncodeGif(image, bytes);
  else
    return true;  // no file asked for
  return ok && ReplaceFileContents(name, bytes);
}

void Export(TGContext& view, TPointD p) {
  BmpSaveState& s = B();
  ShowStep("クリップボードにも張付けます", CursorShape::Hourglass, false, false);
  ReadExportValues();
  s.corner = p;
  ShowFrame(view);

  TFileDialogRequest request;
  request.title = "画像ﾌｧｲﾙに保存";
  request.filter = kFilter;
  request.fileName = ProposedName(p);
  request.initialDir = fs::path(request.fileName).parent_path().string();
  fs::path target;
  if (Platform().SaveFileDialog(request)) {
    static const char* const kExt[] = {".gif", ".jpg", ".bmp"};
    target = fs::path(request.fileName).replace_extension(kExt[std::clamp(request.filterIndex, 1, 3) - 1]);
    s.fileName = target.string();
  }

  TRasterImage image;
  bool areas = false;
  if (!RenderExport(s.corner, image, &areas)) {
    ViewRedraw(1);
    s.frame.Refresh(view);
    return;
  }
  Platform().SetClipboardImage(image);
  if (!target.empty() && !SaveImage(target, image, !areas))
    Platform().MessageBox(kSaveError, kApplicationTitle, MsgButtons::Abort, MsgIcon::Error);
  ViewRedraw(1);
  s.frame.Refresh(view);
}

}  // namespace

bool RenderExport(TPointD corner, TRasterImage& image, bool* areasDrawn) {
  const BmpSaveState& s = B();
  const TExportLook look;
  try {
    RasterCanvas canvas(static_cast<int>(s.W), static_cast<int>(s.H));
    canvas.Clear(BackgroundColor());
    TGContext g;
    if (!G_Begin(g, TTargetKind::Bitmap, &canvas, 1.0)) throw std::bad_alloc();
    const double unit = s.S / std::max(s.W, 1.0);
    const double m = s.margin == TExportMargin::Wide ? 2.1 * unit : s.margin == TExportMargin::Narrow ? -2.1 * unit : 0;
    G_SetWindow(g, corner.x - m, corner.y - m, corner.x + s.S + m, corner.y + AreaHeight() + m);
    const bool areas = PrintCells(g);
    if (areasDrawn) *areasDrawn = areas;
    canvas.TakeImage(image);
  } catch (const std::bad_alloc&) {
    image = TRasterImage{};
    Platform().MessageBox(kSaveError, kApplicationTitle, MsgButtons::Abort, MsgIcon::Error);
    return false;
  }
  return true;
}

void Op_BmpSave(TGContext& view, int code, double x, double y) {
  BmpSaveState& s = B();
  if (ValueEntryButton() != 0) {
    if (code != EV_ENTER && code != EV_ESC) return;
    const int n = ValueEntryButton();
    const std::string typed = TakeValueEntry(code);
    if (code == EV_ENTER) {
      const std::string value = typed.empty() ? std::string() : "=" + typed;
      if (n == 1) {
        s.previous1 = value;
        Buttons(kSizeName + value, SubOption(2).raw);
      } else {
        s.previous2 = value;
        Buttons(SubOption(1).raw, kWidthName + value);
      }
    }
    s.frame.Hide(view);
    Refresh(view);
    ShowStep(kPrompt, CursorShape::Arrow, false, false);
    return;
  }
  switch (code) {
    case EV_START:
      if (s.active) break;
      if (s.fileName.empty()) {
        const std::string& drawing = CurPVC().fileName;
        s.fileName = drawing.empty() ? LastFolder() : fs::path(drawing).parent_path().string() + "/";
      }
      Buttons(kSizeName, kWidthName);
      s.margin = TExportMargin::Wide;
      SetSubBtn(MarginCaption(s.margin), true);
      Refresh(view);
      s.active = true;
      break;
    case EV_END:
      s.frame.Clear(view);
      s.active = false;
      return;
    case EV_REDRAW:
      if (s.active) s.frame.Refresh(view);
      return;
    case EV_SUB1: OpenValueEntry(1, "BMP ｻｲｽﾞ.ﾄﾞｯﾄ (X,Y)", HstList::BmpSize); return;
    case EV_SUB1 + 1: OpenValueEntry(2, "BMP 保存幅(mm)", HstList::BmpWidth); return;
    case EV_SUB1 + 2:
      s.frame.Hide(view);
      Buttons(kSizeName + s.previous1, kWidthName + s.previous2);
      Refresh(view);
      break;
    case EV_SUB1 + 3:
      s.margin = s.margin == TExportMargin::Standard ? TExportMargin::Wide
                 : s.margin == TExportMargin::Wide   ? TExportMargin::Narrow
                                                     : TExportMargin::Standard;
      Buttons(SubOption(1).raw, SubOption(2).raw);
      break;
    case EV_MOVE:
    case EV_RDOWN:
      if (!s.active) break;
      ReadExportValues();
      s.corner = PointerPoint(view, code, x, y);
      ShowFrame(view);
      break;
    case EV_LCLICK:
    case EV_RCLICK: {
      if (!s.active) break;
      TPointD p = ToWorld(view, PressPixel(code));
      if (code == EV_RCLICK && !SnapPoint(view, p.x, p.y)) {
        Platform().Beep();
        break;
      }
      Export(view, p);
      break;
    }
    default: break;
  }
  ShowStep(s.active ? kPrompt : "", CursorShape::Arrow, false, false);
}

void BmpCopy(bool doubled) {
  const TGContext& view = CurrentView();
  if (!view.canvas) return;
  int factor = 1;
  if (doubled && Platform().MessageBox("倍精細でコピーしますか？", kApplicationTitle, MsgButtons::YesNo,
                                       MsgIcon::Question) == MsgAnswer::Yes)
    factor = 2;
  const int w = view.canvas->Width() * factor, h = view.canvas->Height() * factor;
  if (w < 1 || h < 1 || w > kBmpMaxSide || h > kBmpMaxSide) {
    Platform().Beep();
    return;
  }
  TRasterImage image;
  try {
    RasterCanvas canvas(w, h);
    canvas.Clear(BackgroundColor());
    TGContext g;
    if (!G_Begin(g, TTargetKind::Bitmap, &canvas, 1.0)) return;
    G_SetWindow(g, view.wx1, view.wy1, view.wx2, view.wy2);
    DrawAllCells(g);
    canvas.TakeImage(image);
  } catch (const std::bad_alloc&) {
    Platform().MessageBox(kSaveError, kApplicationTitle, MsgButtons::Abort, MsgIcon::Error);
    return;
  }
  if (Platform().IsKeyDown(PhysKey::Ctrl)) ToBlackAndWhite(image);
  Platform().SetClipboardImage(image);
}
