#include "ops/Op_Box.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numbers>

#include "app/Ap_Unit1.h"
#include "app/GC_PointSearch.h"
#include "app/GC_View.h"
#include "kernel/Platform.h"
#include "kernel/SjisConv.h"
#include "kernel/Wiring.h"
#include "kernel/Z_Basic.h"
#include "kernel/Z_Math.h"
#include "model/ComHst.h"
#include "model/GC_Cell.h"

namespace fs = std::filesystem;

BoxOpState g_boxOp;

void Op_Box_Reset() { g_boxOp = BoxOpState{}; }

namespace {

constexpr double kPi = std::numbers::pi;
constexpr int kSub1 = EV_SUB1, kSub2 = EV_SUB1 + 1, kSub3 = EV_SUB1 + 2, kSub4 = EV_SUB1 + 3, kSub5 = EV_SUB1 + 4,
              kSub6 = EV_SUB1 + 5, kSub7 = EV_SUB1 + 6;
constexpr std::uint16_t kBaseLinePen = 0x8012;

BoxRun& S() { return g_boxOp.run; }
BoxOptions& O() { return g_boxOp.options; }

TScaleFactors Factors() {
  const TScaleFactors f = WriteScale();
  return {f.x > 0 ? f.x : 1, f.y > 0 ? f.y : 1};
}

// The rectangle captions ①..⑦: ①..③ as the run holds them, ④ with the
// base line, ⑤ by the state ("⑤終点数値" while the far corner is asked,
// "⑤基点変更" while placing, otherwise disabled).
void Buttons() {
  const BoxRun& r = S();
  ClearSubBtns();
  SetSubBtn(r.fill, true);
  SetSubBtn(r.size, true);
  SetSubBtn(r.angle, true);
  SetSubBtn(r.hasBase ? "④$角度基線" : "④角度基線", true);
  if (r.state == BoxState::End)
    SetSubBtn("⑤終点数値", true);
  else if (r.state == BoxState::Place)
    SetSubBtn("⑤基点変更", true);
  else
    SetSubBtn("⑤", false);
  SetSubBtn("⑥三角形", true);
  SetSubBtn("⑦画像読み込み", true);
}

// ①..③ as the buttons show them now, into the run.
void Remember() {
  BoxRun& r = S();
  r.fill = SubOption(1).raw;
  r.size = SubOption(2).raw;
  r.angle = SubOption(3).raw;
}

double SizeW() { return std::fabs(EvalField(SubOption(2).text, 1)); }

void ReleaseBase(TGContext& view) {
  S().hasBase = false;
  S().base.Clear(view);
}

}  // namespace

std::vector<TGcell> ComputeBox(TPointD m) {
  const BoxRun& r = S();
  const TScaleFactors f = Factors();
  const std::string size = SubOption(2).text;
  const double W = std::fabs(EvalField(size, 1));
  double H = EvalField(size, 2);
  if (H == 0) H = W;
  double theta = DegToRad(SubOption(3).value);
  if (r.hasBase) theta += std::atan2((r.baseTo.y - r.baseFrom.y) * f.y, (r.baseTo.x - r.baseFrom.x) * f.x);
  const auto scaled = [&](TPointD p) { return TPointD{p.x * f.x, p.y * f.y}; };
  double u0, u1, v0, v1;
  if (W == 0 && H != 0) {  // a band along start → m
    const TPointD a = scaled(r.start), b = scaled(m);
    theta = std::atan2(b.y - a.y, b.x - a.x);
    const TPointD sa = Rotated(a, -theta), sb = Rotated(b, -theta);
    u0 = sa.x;
    u1 = sb.x;
    v0 = sa.y;
    v1 = sa.y + H;
  } else if (W == 0) {  // two corners
    theta = std::remainder(theta, 2 * kPi);
    const TPointD sa = Rotated(scaled(r.start), -theta), sb = Rotated(scaled(m), -theta);
    u0 = sa.x;
    u1 = sb.x;
    v0 = sa.y;
    v1 = sb.y;
  } else {  // fixed size about a base point
    theta = std::remainder(theta, 2 * kPi);
    static const double kOffset[9][2] = {{0, 0},   {-0.5, 0.5},  {-0.5, 0}, {-0.5, -0.5}, {0, -0.5},
                                          {0.5, -0.5}, {0.5, 0}, {0.5, 0.5},   {0, 0.5}};
    const int k = std::clamp(O().basePointIndex, 0, 8);
    const TPointD sm = Rotated(scaled(m), -theta);
    const TPointD c{sm.x - kOffset[k][0] * W, sm.y - kOffset[k][1] * H};
    u0 = c.x - W / 2;
    u1 = c.x + W / 2;
    v0 = c.y - H / 2;
    v1 = c.y + H / 2;
  }
  if (u0 > u1) std::swap(u0, u1);
  if (v0 > v1) std::swap(v0, v1);
  const auto back = [&](double u, double v) {
    const TPointD p = Rotated({u, v}, theta);
    return TPointD{p.x / f.x, p.y / f.y};
  };
  const TPointD c[4] = {back(u0, v0), back(u0, v1), back(u1, v1), back(u1, v0)};
  std::vector<TGcell> sides;
  for (int i = 0; i < 4; ++i) sides.push_back(MakeLine(c[i], c[(i + 1) % 4]));
  return sides;
}

std::vector<TGcell> ComputeTriangle() {
  const BoxRun& r = S();
  const double fx = Factors().x;
  TFields fields;
  SplitFields(SubOption(1).text, fields, ',');
  double a = ParseReal(fields[0]) / fx, b = ParseReal(fields[1]) / fx, c = ParseReal(fields[2]) / fx;
  const bool baseTyped = b > 0;
  const bool sideTyped = a > 0 || c > 0;
  if (b <= 0) b = std::max(Dist(r.start, r.end), std::max(CurPVC().basicScale, 1e-9));
  if (a <= 0) a = b;
  if (c <= 0) c = b;
  const double x = (a * a + b * b - c * c) / (2 * b), y = std::sqrt(std::max(a * a - x * x, 0.0));
  const double dir = r.end == r.start ? 0 : std::atan2(r.end.y - r.start.y, r.end.x - r.start.x);
  const auto at = [&](double u, double v) { return r.start + Rotated({u, v}, dir); };
  std::vector<TGcell> sides{MakeLine(r.start, at(x, y))};
  if (baseTyped || !sideTyped) sides.push_back(MakeLine(r.start, at(b, 0)));
  sides.push_back(MakeLine(at(b, 0), at(x, y)));
  return sides;
}

namespace {

std::vector<TGcell> Preview(std::vector<TGcell> sides) {
  for (TGcell& s : sides) s.pen = static_cast<std::uint16_t>(WritePen() | PEN_SELECTED);
  return sides;
}

void ShowBox(TGContext& view, TPointD m) {
  if (!std::isfinite(SubOption(3).value)) {
    Platform().Beep();
    return;
  }
  S().preview.Show(view, Preview(ComputeBox(m)));
}

// The rectangle at m into the drawing: one fill or four lines.
void CommitBox(TGContext& view, TPointD m) {
  BoxRun& r = S();
  if (!std::isfinite(SubOption(3).value)) {
    Platform().Beep();
    return;
  }
  r.preview.Hide(view);
  const std::vector<TGcell> sides = ComputeBox(m);
  GcellCommit();
  if (SubOption(1).raw == "①$塗り潰し") {
    TGcell fill = MakeQuad(LineOf(sides[0]).a, LineOf(sides[1]).a, LineOf(sides[2]).a, LineOf(sides[3]).a);
    fill.text = FillColourText();
    StoreOnWrite(view, fill);
    ViewRedraw(1);
  } else {
    for (const TGcell& s : sides) StoreOnWrite(view, s);
  }
  ShowDataCount();
  if (r.state == BoxState::End) {
    r.preview.Clear(view);
    r.state = BoxState::Start;
    Buttons();
  } else {
    ShowBox(view, m);
  }
}

// The picture's size at the ① width (real mm), or its long side 8 cm on paper.
TPointD PictureSize() { return PictureCellSize(SubOption(1).value, S().pictureW, S().pictureH); }

void ShowPicture(TGContext& view, TPointD corner) {
  const TPointD size = PictureSize();
  TGcell rect = MakeRect(corner, size.x, size.y);
  rect.pen = static_cast<std::uint16_t>(WritePen() | PEN_SELECTED);
  S().picture.Show(view, rect);
}

void Restart(TGContext& view);

void ChoosePicture(TGContext& view) {
  BoxRun& r = S();
  r.preview.Clear(view);
  ReleaseBase(view);
  TRasterImage image;
  std::string sjis;
  const TPictureChoice choice = ChoosePictureFile(
      "画像読み込み", "画像ﾌｧｲﾙ(*.BMP;*.JPG)|*.BMP;*.bmp;*.JPG;*.jpg;*.JPEG;*.jpeg|全てのﾌｧｲﾙ(*.*)|*", sjis, image);
  if (choice == TPictureChoice::Cancelled) return;
  if (choice == TPictureChoice::Unreadable) {
    Restart(view);
    return;
  }
  r.pictureFile = sjis;
  r.pictureW = image.width;
  r.pictureH = image.height;
  ClearSubBtns();
  SetSubBtn("①画像幅=" + Format("%.0f", {80 * CurPVC().basicScale}), true);
  ShowPicture(view, r.mouse);
  r.state = BoxState::PicWait1;
}

void PlacePicture(TGContext& view, TPointD p) {
  BoxRun& r = S();
  r.picture.Clear(view);
  const TPointD size = PictureSize();
  TGcell c;
  c.kind = GK_PICTURE;
  c.p[0] = p.x;
  c.p[1] = p.y;
  c.p[2] = size.x;
  c.p[3] = size.y;
  c.text = r.pictureFile;
  GcellCommit();
  StoreOnWrite(view, c);
  ShowDataCount();
  r.state = BoxState::Start;
  Buttons();
  ViewRedraw(1);
}

void Restart(TGContext& view) {
  BoxRun& r = S();
  r.preview.Clear(view);
  r.picture.Clear(view);
  r.state = BoxState::Start;
  Buttons();
}

// Enter or Esc in the entry box.
void TakeEntry(TGContext& view, int code) {
  BoxRun& r = S();
  const int tag = ValueEntryButton();
  const std::string text = TakeValueEntry(code);
  const bool triangle = r.state == BoxState::TriLeft || r.state == BoxState::TriRight;
  if (code == EV_ENTER && !text.empty() && tag != 5) {
    const char* name = triangle ? "①辺長" : tag == 1 ? "①画像幅" : tag == 2 ? "②サイズ" : "③角度";
    SetSubValue(name, text);
  }
  if (!triangle && r.state != BoxState::PicPlace) Remember();
  if (code != EV_ENTER) return;
  if (tag == 5 && r.state == BoxState::End) {
    const std::string t = text.starts_with("=") ? text.substr(1) : text;
    const double dx = EvalField(t, 1), dy = EvalField(t, 2);
    if (dx != 0 || dy != 0) {
      const TScaleFactors f = Factors();
      CommitBox(view, r.start + TPointD{dx / f.x, dy / f.y});
    }
    return;
  }
  if (triangle || r.state == BoxState::PicPlace) return;
  const double w = SizeW();
  if ((r.state == BoxState::Start || r.state == BoxState::End) && w != 0) {
    r.preview.Hide(view);
    r.state = BoxState::Place;
    Buttons();
    ShowBox(view, r.mouse);
  } else if (r.state == BoxState::Place && w == 0) {
    r.preview.Clear(view);
    r.state = BoxState::Start;
    Buttons();
  }
}

const char* PromptOf(BoxState s) {
  switch (s) {
    case BoxState::Start: return "・始点指示(L)or(R)";
    case BoxState::End: return "◆終点指示(L)or(R)";
    case BoxState::Place: return "作図位置指示(L)or(R)";
    case BoxState::BaseLine: return "基準線(L)、始点(R)";
    case BoxState::BaseEnd: return "基準線終点(L)or(R)";
    case BoxState::TriLeft: return "三角形底辺位置(左側)を指示(L)or(R)";
    case BoxState::TriRight: return "三角形底辺位置(右側)を指示(L)or(R)";
    case BoxState::PicPlace: return "画像挿入位置を指示(L)or(R)";
    default: return "";
  }
}

void ShowState() {
  const BoxState s = S().state;
  const bool base = s == BoxState::BaseLine;
  ShowStep(PromptOf(s), CursorShape::Arrow, !base, true);
}

void BaseLineEvent(TGContext& view, int code, double x, double y) {
  BoxRun& r = S();
  if (code == EV_ESC) {
    ShowSubButtons(true);
    r.state = r.returnState;
    return;
  }
  if (code == EV_LCLICK) {
    const TPointD p = ToWorld(view, PressPixel(code));
    const TGcell c = PickPrimitive(view, false, p.x, p.y);
    if (c.kind != GK_LINE) return;
    const TLineGeom l = LineOf(c);
    r.hasBase = true;
    r.baseFrom = l.a;
    r.baseTo = l.b;
    r.base.Show(view, Highlighted(c));
    ShowSubButtons(true);
    r.state = r.returnState;
    Buttons();
    return;
  }
  if (code == EV_RCLICK) {
    TPointD p;
    if (!ClickPoint(view, code, p)) return;
    r.baseFrom = r.baseTo = p;
    TGcell l = MakeLine(p, p);
    l.pen = kBaseLinePen;
    r.base.Show(view, l);
    r.state = BoxState::BaseEnd;
  }
  (void)x;
  (void)y;
}

void BaseEndEvent(TGContext& view, int code, double x, double y) {
  BoxRun& r = S();
  if (code == EV_ESC) {
    ReleaseBase(view);
    r.state = BoxState::BaseLine;
    return;
  }
  if (code == EV_MOVE || code == EV_RDOWN) {
    r.baseTo = PointerPoint(view, code, x, y);
    TGcell l = MakeLine(r.baseFrom, r.baseTo);
    l.pen = kBaseLinePen;
    r.base.Show(view, l);
    return;
  }
  if (IsClick(code)) {
    TPointD p;
    if (!ClickPoint(view, code, p)) return;
    r.baseTo = p;
    TGcell l = MakeLine(r.baseFrom, r.baseTo);
    l.pen = kBaseLinePen;
    r.base.Show(view, l);
    r.hasBase = true;
    ShowSubButtons(true);
    r.state = r.returnState;
    Remember();
    Buttons();
  }
}

}  // namespace

void Op_Box(TGContext& view, int code, double x, double y) {
  BoxRun& r = S();
  if (code == EV_START) {
    if (r.state != BoxState::Idle) return;
    r = BoxRun{};
    r.state = BoxState::Start;
    Buttons();
    ShowState();
    return;
  }
  if (code == EV_END) {
    r.preview.Clear(view);
    r.picture.Clear(view);
    ReleaseBase(view);
    r.state = BoxState::Idle;
    return;
  }
  if (code == EV_REDRAW || r.state == BoxState::Idle) return;
  if (code == EV_MOVE || code == EV_RDOWN) r.mouse = PointerPoint(view, code, x, y);
  if (ValueEntryButton() != 0) {
    if (code == EV_ENTER || code == EV_ESC) {
      TakeEntry(view, code);
      ShowState();
    }
    return;
  }
  if (code >= kSub1 && code <= kSub7 && !SubOption(code - EV_SUB1 + 1).enabled) return;
  const bool triangle = r.state == BoxState::TriLeft || r.state == BoxState::TriRight;
  switch (code) {
    case kSub1:
      if (triangle) {
        OpenValueEntry(1, "辺長(左,底辺,右)、底辺は省略可", HstList::Triangle);
      } else if (r.state == BoxState::PicPlace || r.state == BoxState::PicWait1 || r.state == BoxState::PicWait2 ||
                 r.state == BoxState::PicWait3) {
        OpenValueEntry(1, "画像の幅(mm)、0 入力で長辺が用紙上で８cmのサイズとなります.", HstList::BoxSize);
      } else {
        r.fill = r.fill == "①$塗り潰し" ? "①.塗り潰し" : "①$塗り潰し";
        Buttons();
      }
      break;
    case kSub2: OpenValueEntry(2, "矩形のサイズ(L,H mm)", HstList::BoxSize); return;
    case kSub3: OpenValueEntry(3, "       角度(ﾟ)", HstList::Angle); return;
    case kSub4:
      if (r.hasBase) {
        ReleaseBase(view);
        Remember();
        Buttons();
      } else {
        Remember();
        ReleaseBase(view);
        ShowSubButtons(false);
        r.returnState = r.state;
        r.state = BoxState::BaseLine;
      }
      break;
    case kSub5:
      if (r.state == BoxState::End) {
        OpenValueEntry(5, "終点相対位置(X,Y)", HstList::BoxRelEnd);
        return;
      }
      if (r.state == BoxState::Place) {
        O().basePointIndex = (O().basePointIndex + 1) % 9;
        ShowBox(view, r.mouse);
      }
      break;
    case kSub6:
      r.preview.Clear(view);
      ReleaseBase(view);
      Remember();
      ClearSubBtns();
      SetSubBtn("①辺長", true);
      r.state = BoxState::TriLeft;
      ShowStep("", CursorShape::Arrow, true, true);
      ShowState();
      return;
    case kSub7:
      Remember();
      ChoosePicture(view);
      break;
    default: break;
  }
  if (code >= kSub1 && code <= kSub7) {
    ShowState();
    return;
  }

  switch (r.state) {
    case BoxState::Start:
      if (IsClick(code)) {
        TPointD p;
        if (!ClickPoint(view, code, p)) break;
        r.start = p;
        r.mouse = p;
        r.state = BoxState::End;
        Remember();
        Buttons();
        ShowBox(view, p);
      }
      break;
    case BoxState::End:
    case BoxState::Place:
      if (code == EV_ESC) {
        r.preview.Clear(view);
        r.state = r.state == BoxState::Place ? BoxState::End : BoxState::Start;
        Remember();
        Buttons();
      } else if (code == EV_MOVE || code == EV_RDOWN) {
        ShowBox(view, r.mouse);
      } else if (IsClick(code)) {
        TPointD p;
        if (!ClickPoint(view, code, p)) break;
        r.mouse = p;
        CommitBox(view, p);
      }
      break;
    case BoxState::BaseLine: BaseLineEvent(view, code, x, y); break;
    case BoxState::BaseEnd: BaseEndEvent(view, code, x, y); break;
    case BoxState::TriLeft:
      if (code == EV_ESC) {
        r.preview.Clear(view);
        r.state = BoxState::Start;
        Buttons();
      } else if (IsClick(code)) {
        TPointD p;
        if (!ClickPoint(view, code, p)) break;
        r.start = p;
        r.end = ToWorld(view, PressPixel(code));
        r.state = BoxState::TriRight;
        r.preview.Show(view, Preview(ComputeTriangle()));
      }
      break;
    case BoxState::TriRight:
      if (code == EV_ESC) {
        r.preview.Clear(view);
        r.state = BoxState::TriLeft;
      } else if (code == EV_MOVE || code == EV_RDOWN) {
        r.end = r.mouse;  // unsnapped while moving, snapped on a right press
        r.preview.Show(view, Preview(ComputeTriangle()));
      } else if (IsClick(code)) {
        TPointD p;
        if (!ClickPoint(view, code, p)) break;
        r.end = p;
        r.preview.Clear(view);
        GcellCommit();
        for (const TGcell& s : ComputeTriangle()) StoreOnWrite(view, s);
        ShowDataCount();
        r.state = BoxState::TriLeft;
      }
      break;
    case BoxState::PicWait1:
    case BoxState::PicWait2:
    case BoxState::PicWait3:
      if (code == EV_MOVE) r.state = static_cast<BoxState>(static_cast<int>(r.state) + 1);
      break;
    case BoxState::PicPlace:
      if (code == EV_ESC) {
        r.picture.Clear(view);
        r.state = BoxState::Start;
        Buttons();
      } else if (code == EV_MOVE || code == EV_RDOWN) {
        ShowPicture(view, r.mouse);
      } else if (IsClick(code)) {
        TPointD p;
        if (!ClickPoint(view, code, p)) break;
        PlacePicture(view, p);
      }
      break;
    default: break;
  }
  ShowState();
}

TPictureChoice ChoosePictureFile(const std::string& title, const std::string& filter, std::string& sjis,
                                 TRasterImage& image) {
  TFileDialogRequest request;
  request.title = title;
  request.filter = filter;
  request.initialDir = O().pictureFolder;
  request.confirmOverwrite = false;
  if (!Platform().OpenFileDialog(request)) return TPictureChoice::Cancelled;
  const fs::path chosen(request.fileName);
  O().pictureFolder = chosen.parent_path().string();
  sjis = Utf8ToSjis(request.fileName);
  // A path CP932 cannot hold could not be found again from the drawing.
  const bool ok = SjisToUtf8(sjis) == request.fileName && g_wiring.loadPicture &&
                  g_wiring.loadPicture(sjis, image) && image.width > 0 && image.height > 0;
  if (!ok) {
    Platform().MessageBox(Utf8ToSjis(chosen.filename().string()) + "は読み込めません.", kApplicationTitle,
                          MsgButtons::Abort, MsgIcon::Error);
    return TPictureChoice::Unreadable;
  }
  return TPictureChoice::Chosen;
}

TPointD PictureCellSize(double width, int pixelsW, int pixelsH) {
  const double bw = std::max(pixelsW, 1), bh = std::max(pixelsH, 1), big = 80 * CurPVC().basicScale;
  const double fx = WriteScale().x;
  const double w = width / (fx > 0 ? fx : 1);
  if (w > 0) return {w, w * bh / bw};
  if (bh < bw) return {big, big * bh / bw};
  return {big * bw / bh, big};
}
