#include "files/OpPaste.h"

#include <cstdio>
#include <filesystem>

#include "app/Ap_Offset.h"
#include "app/GC_PointSearch.h"
#include "app/GC_View.h"
#include "files/BmpIo.h"
#include "files/fImport.h"
#include "files/fLoad_VLD.h"
#include "kernel/Common.h"
#include "kernel/Platform.h"
#include "kernel/ProgramDir.h"
#include "kernel/ReplaceFile.h"
#include "kernel/SjisConv.h"
#include "kernel/Z_Basic.h"
#include "model/ComHst.h"
#include "model/PVC.h"
#include "ops/OpRange.h"
#include "ops/Op_Box.h"

PasteOpState g_pasteOp;

void OpPaste_Reset() { g_pasteOp = PasteOpState{}; }

namespace {

PasteRun& S() { return g_pasteOp.run; }

std::string FirstLine(std::string_view s, std::size_t& next) {
  std::size_t end = s.find('\n');
  next = end == std::string_view::npos ? s.size() : end + 1;
  if (end == std::string_view::npos) end = s.size();
  std::string_view line = s.substr(0, end);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return std::string(line);
}

// A paste reads cells only: the records of settings are left out.
std::string CellsOnly(std::string_view s) {
  std::string out;
  std::size_t pos = 0;
  while (pos < s.size()) {
    std::size_t end = s.find('\n', pos);
    end = end == std::string_view::npos ? s.size() : end + 1;
    const std::string_view line = s.substr(pos, end - pos);
    if (!line.starts_with("CF_")) out += line;
    pos = end;
  }
  return out;
}

void Measure() {
  PasteRun& r = S();
  if (r.kind != PasteKind::Table) return;
  const TTableSize t = ImportTableBytes(r.text, 0, 0, '\t', false);
  r.w = t.width;
  r.h = t.height;
  r.sizeMeasured = CurPVC().textSize;
}

void PictureRect() {
  PasteRun& r = S();
  const TPointD size = PictureCellSize(SubOption(1).value, r.pixelsW, r.pixelsH);
  r.w = size.x;
  r.h = size.y;
}

void ShowRect(TGContext& view, TPointD at) {
  PasteRun& r = S();
  if (r.kind == PasteKind::Table && r.sizeMeasured != CurPVC().textSize) Measure();
  if (r.kind == PasteKind::Picture) PictureRect();
  TGcell box = MakeRangeRect(at, kRangePenMoving);
  box.p[2] = r.w;
  box.p[3] = r.h;
  r.rect.Show(view, box);
}

std::string Prompt() {
  return S().kind == PasteKind::Picture ? "画像挿入位置を指示(L)or(R)" : "挿入位置（範囲）を指示(LorR)";
}

void Finish() {
  PasteRun& r = S();
  r.kind = PasteKind::None;
  ShowTextSizeBox(false);
  OpEndSelf();
}

void Place(TGContext& view, TPointD p) {
  PasteRun& r = S();
  r.rect.Clear(view);
  Platform().SetScreenCursor(CursorShape::Hourglass);
  GcellCommit();
  if (r.kind == PasteKind::Native) {
    VldLoadText(CellsOnly(r.text), p.x - r.ox, p.y - r.oy, "ClipBoard");
  } else if (r.kind == PasteKind::Table) {
    ImportTableBytes(r.text, p.x, p.y, '\t', true);
  } else if (r.kind == PasteKind::Picture) {
    AddOffset(p.x, p.y);
    PictureRect();
    TGcell c;
    c.kind = GK_PICTURE;
    c.layer = WriteLayer();
    c.pen = WritePen();
    c.p[0] = p.x;
    c.p[1] = p.y;
    c.p[2] = r.w;
    c.p[3] = r.h;
    c.text = r.picture;
    GcellAdd(c);
    r.picture.clear();  // the drawing owns it now
  }
  ViewRedraw(1);
  ShowDataCount();
  Platform().SetScreenCursor(CursorShape::Default);
  Finish();
}

// The clipboard's bitmap as a 24-bit BMP among the run's temporary files.
bool SaveBitmap(const TRasterImage& image) {
  PasteRun& r = S();
  if (g_programDir.tempPrefix.empty()) return false;
  std::string bytes;
  if (!EncodeBmp(image, false, bytes)) return false;
  const std::string name = g_programDir.tempPrefix + Format("%.8d", {++g_fLoadVld.pictureCount}) + ".bmp";
  if (!ReplaceFileContents(SjisToUtf8(name), bytes, false)) return false;
  r.picture = name;
  r.pixelsW = image.width;
  r.pixelsH = image.height;
  return true;
}

void Start(TGContext& view) {
  PasteRun& r = S();
  r = PasteRun{};
  ClearSubBtns();
  std::string text = Platform().ClipboardText();
  if (const int lost = Platform().ClipboardTextLost(); lost > 0)
    Platform().MessageBox("クリップボードのシフトJISで表せない文字 " + std::to_string(lost) + " 個を「?」にしました。",
                          kApplicationTitle, MsgButtons::Ok, MsgIcon::Warning);
  std::size_t next = 0;
  const std::string first = FirstLine(text, next);
  TFields f;
  const std::string second = FirstLine(std::string_view(text).substr(next), next);
  double v[4] = {0, 0, 1, 1};
  if (!second.empty()) {
    SplitFields(second, f, ',');
    for (int k = 0; k < 4; ++k) v[k] = ParseReal(f[static_cast<std::size_t>(k + 1)]);
  }
  TRasterImage image;
  // Native text begins with the product word of the native identification line.
  if (first.starts_with("Velmo")) {
    r.kind = PasteKind::Native;
    r.ox = v[0];
    r.oy = v[1];
    r.w = v[2] - v[0];
    r.h = v[3] - v[1];
  } else if (first.find('\t') != std::string::npos || text.find('\n') != std::string::npos) {
    r.kind = PasteKind::Table;
    ShowTextSizeBox(true);
    Measure();
  } else if (Platform().ClipboardImage(image) && image.width > 0 && image.height > 0) {
    if (!SaveBitmap(image)) {
      Platform().MessageBox("クリップボードの画像を保存できませんでした.", kApplicationTitle, MsgButtons::Ok,
                            MsgIcon::Error);
      Finish();
      return;
    }
    r.kind = PasteKind::Picture;
    SetSubValue("①画像幅", Format("%.0f", {80 * CurPVC().basicScale}));
  } else {
    Platform().MessageBox("クリップボードにデータはありません.", kApplicationTitle, MsgButtons::Ok,
                          MsgIcon::Information);
    Finish();
    return;
  }
  r.text = std::move(text);
  ShowStep(Prompt(), CursorShape::Cross, r.kind == PasteKind::Picture, r.kind == PasteKind::Picture);
  (void)view;
}

}  // namespace

void OpPaste(TGContext& view, int code, double x, double y) {
  PasteRun& r = S();
  if (code == EV_START) {
    Start(view);
    return;
  }
  if (code == EV_END) {
    r.rect.Clear(view);
    // A bitmap never placed is not kept.
    if (!r.picture.empty()) {
      std::error_code ec;
      std::filesystem::remove(SjisToUtf8(r.picture), ec);
      r.picture.clear();
    }
    r.kind = PasteKind::None;
    ShowTextSizeBox(false);
    return;
  }
  if (r.kind == PasteKind::None || code == EV_REDRAW) return;
  if (ValueEntryButton() != 0 && (code == EV_ENTER || code == EV_ESC)) {
    const std::string text = TakeValueEntry(code);
    if (code == EV_ENTER && !text.empty()) SetSubValue("①画像幅", text);
    ShowStep(Prompt(), CursorShape::Cross, true, true);
    return;
  }
  if (code == EV_SUB1 && r.kind == PasteKind::Picture) {
    OpenValueEntry(1, "画像の幅(mm)、0 入力で長辺が用紙上で８cmのサイズとなります.", HstList::BoxSize);
    return;
  }
  if (code == EV_MOVE) {
    if (++r.moves <= 3) return;
    ShowRect(view, ToWorld(view, {x, y}));
    return;
  }
  if (!IsClick(code)) return;
  TPointD p = ToWorld(view, PressPixel(code));
  if (code == EV_RCLICK && !SnapPoint(view, p.x, p.y)) {
    Platform().Beep();
    return;
  }
  Place(view, p);
}
