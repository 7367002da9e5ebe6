#include "kernel/DialogForm.h"

#include <cmath>
#include <iterator>
#include <utility>

#include "kernel/Platform.h"
#include "kernel/Z_Basic.h"

TDialogControl* FindDialogControl(std::vector<TDialogControl>& controls, const std::string& name) {
  for (TDialogControl& c : controls)
    if (c.name == name) return &c;
  return nullptr;
}

std::vector<TDialogControl> TBoxCounterForm::Controls(const std::function<void(bool colour)>& count) {
  std::vector<TDialogControl> out = {{"Edit1w", &Edit1w}, {"Edit1h", &Edit1h}, {"Edit2w", &Edit2w},
                                     {"Edit2h", &Edit2h}, {"lbCnt1", &lbCnt1}, {"lbCnt2", &lbCnt2}};
  TDialogControl b1{"BitBtn1"}, b2{"BitBtn2"};
  if (count) {
    b1.press = [count] { count(false); };
    b2.press = [count] { count(true); };
  }
  out.push_back(b1);
  out.push_back(b2);
  return out;
}

void TPenChangeForm::All(int row) {
  const auto flip = [](bool* first, bool* last) {
    const bool to = !*first;
    for (bool* b = first; b != last; ++b) *b = to;
  };
  if (row == 0) flip(std::begin(PenNoCheck), std::end(PenNoCheck));
  if (row == 1) flip(std::begin(StyleCheck), std::end(StyleCheck));
  if (row == 2) flip(std::begin(MojiCheck), std::end(MojiCheck));
}

std::vector<TDialogControl> TPenChangeForm::Controls() {
  std::vector<TDialogControl> out;
  for (int i = 0; i < 7; ++i) out.push_back({"PenNoCheck" + std::to_string(i + 1), nullptr, &PenNoCheck[i]});
  for (int i = 0; i < 8; ++i) out.push_back({"StyleCheck" + std::to_string(i + 1), nullptr, &StyleCheck[i]});
  for (int i = 0; i < 10; ++i)
    out.push_back({"MojiCheck" + std::to_string(i + 1), &MojiCaption[i], &MojiCheck[i]});
  out.push_back({"cbPenNo", nullptr, &cbPenNo});
  out.push_back({"cbStyle", nullptr, &cbStyle});
  out.push_back({"cbLayer", nullptr, &cbLayer});
  out.push_back({"cbMoji", nullptr, &cbMoji});
  out.push_back({"cbGroup", nullptr, &cbGroup});
  out.push_back({"btnPenNoAll", nullptr, nullptr, [this] { All(0); }});
  out.push_back({"btnStyleAll", nullptr, nullptr, [this] { All(1); }});
  out.push_back({"btnMojiAll", nullptr, nullptr, [this] { All(2); }});
  out.push_back({"BitBtn1", nullptr, nullptr, {}, true});
  return out;
}

namespace {
bool Blank(const std::string& s) { return s.find_first_not_of(' ') == std::string::npos; }
}  // namespace

double TNumLinesForm::UnitFactor() const { return rgUnit == "mm" ? 1 : 1000; }
double TNumLinesForm::XMm(int r) const { return ParseReal(X[r]) * UnitFactor(); }
double TNumLinesForm::YMm(int r) const { return ParseReal(Y[r]) * UnitFactor(); }

void TNumLinesForm::Tidy() {
  std::string x[kRows], y[kRows];
  int n = 0;
  for (int r = 0; r < kRows; ++r) {
    // A row is empty when both cells are blank: a typed (0, 0) is a point.
    if (Blank(X[r]) && Blank(Y[r])) continue;
    x[n] = FormatReal(103, ParseReal(X[r]));
    y[n] = FormatReal(103, ParseReal(Y[r]));
    ++n;
  }
  for (int r = 0; r < kRows; ++r) {
    X[r] = std::move(x[r]);
    Y[r] = std::move(y[r]);
  }
  count = n;
}

void TNumLinesForm::Clear() {
  for (int r = 0; r < kRows; ++r) X[r].clear(), Y[r].clear();
}

void TNumLinesForm::Swap() {
  for (int r = 0; r < kRows; ++r) std::swap(X[r], Y[r]);
}

void TNumLinesForm::Invert(bool x) {
  // A blank cell stays blank: it is no point.
  for (std::string& c : x ? X : Y)
    if (!Blank(c)) c = FormatReal(103, -ParseReal(c) + 0.0);
}

void TNumLinesForm::FormatCell(int row, bool x) {
  if (row < 0 || row >= kRows) return;
  std::string& c = x ? X[row] : Y[row];
  c = Blank(c) ? std::string() : FormatReal(103, ParseReal(c));
}

void TNumLinesForm::MoveRow(int from, int to) {
  if (from < 0 || from >= kRows || to < 0 || to >= kRows || from == to) return;
  std::string x = std::move(X[from]), y = std::move(Y[from]);
  const int step = from < to ? 1 : -1;
  for (int r = from; r != to; r += step) {
    X[r] = std::move(X[r + step]);
    Y[r] = std::move(Y[r + step]);
  }
  X[to] = std::move(x);
  Y[to] = std::move(y);
}

bool TNumLinesForm::Ok() {
  Tidy();
  if (count >= 2) return true;
  Platform().MessageBox("２点以上入力して下さい．", kApplicationTitle, MsgButtons::Ok, MsgIcon::Warning);
  return false;
}

std::vector<TDialogControl> TNumLinesForm::Controls() {
  std::vector<TDialogControl> out;
  for (int r = 0; r < kRows; ++r) {
    out.push_back({"StrGrdX" + std::to_string(r + 1), &X[r]});
    out.push_back({"StrGrdY" + std::to_string(r + 1), &Y[r]});
  }
  out.push_back({"CheckBoxX", nullptr, &CheckBoxX});
  out.push_back({"CheckBoxY", nullptr, &CheckBoxY});
  out.push_back({"rgUnit", &rgUnit});
  out.push_back({"btnClear", nullptr, nullptr, [this] { Clear(); }});
  out.push_back({"btnTidy", nullptr, nullptr, [this] { Tidy(); }});
  out.push_back({"btnSwap", nullptr, nullptr, [this] { Swap(); }});
  out.push_back({"btnInvX", nullptr, nullptr, [this] { Invert(true); }});
  out.push_back({"btnInvY", nullptr, nullptr, [this] { Invert(false); }});
  TDialogControl ok{"btnOK"};
  ok.closes = true;
  ok.accept = [this] { return Ok(); };
  out.push_back(ok);
  return out;
}

std::vector<TDialogControl> TDrawFrameForm::Controls(const std::function<bool()>& ok) {
  std::vector<TDialogControl> out = {{"edScale", &edScale}, {"rgPaperSize", &rgPaperSize}, {"rgOrientation", &rgOrientation}};
  TDialogControl button{"BitBtn1"};
  button.closes = true;
  button.accept = ok;
  out.push_back(button);
  return out;
}

void TSizeForm::Preset(int w, int h) {
  edWidth = FormatReal(80, w);
  edHeight = FormatReal(80, h);
}

std::vector<TDialogControl> TSizeForm::Controls() {
  std::vector<TDialogControl> out = {{"edWidth", &edWidth}, {"edHeight", &edHeight}, {"edWidSize", &edWidSize}};
  for (const std::pair<int, int> size : {std::pair{640, 400}, std::pair{640, 480}, std::pair{800, 600}, std::pair{480, 640}}) {
    TDialogControl preset{"btn" + std::to_string(size.first) + "x" + std::to_string(size.second)};
    preset.press = [this, size] { Preset(size.first, size.second); };
    out.push_back(preset);
  }
  TDialogControl ok{"BitBtn1"};
  ok.closes = true;
  ok.press = [this] { wholeWindow = false; };
  out.push_back(ok);
  if (toolsMode) {
    TDialogControl whole{"BitBtn3"};
    whole.closes = true;
    whole.press = [this] { wholeWindow = true; };
    out.push_back(whole);
  }
  return out;
}

std::vector<TDialogControl> TOptionForm::Controls() {
  std::vector<TDialogControl> out;
  auto cell = [](const char* grid, int a, int b) { return std::string(grid) + "[" + std::to_string(a) + "," + std::to_string(b) + "]"; };
  for (int r = 0; r < 16; ++r) {
    out.push_back({cell("StringGrid1", r + 1, 1), &groupName[r]});
    out.push_back({cell("StringGrid1", r + 1, 2), &scaleX[r]});
    out.push_back({cell("StringGrid1", r + 1, 3), &scaleY[r]});
    for (int l = 0; l < 16; ++l) out.push_back({cell("StringGrid2", r + 1, l + 1), &layerName[r][l]});
  }
  for (int r = 0; r < 10; ++r)
    for (int c = 0; c < 4; ++c) out.push_back({cell("StrGrd1", r + 1, c + 1), &mojiSize[r][c]});
  for (int p = 0; p < 6; ++p) {
    out.push_back({"TrackBar" + std::to_string(p + 1), &trackBar[p]});
    out.push_back({"cbBlackP" + std::to_string(p + 1), nullptr, &blackP[p]});
  }
  for (auto [name, text] : {std::pair{"edScale", &edScale}, std::pair{"edMM_Offset", &edMM_Offset},
                            std::pair{"EdArrowSize", &EdArrowSize}, std::pair{"EdArrowKakudo", &EdArrowKakudo},
                            std::pair{"EdHL_Offset1", &EdHL_Offset1}, std::pair{"EdHL_Offset2", &EdHL_Offset2},
                            std::pair{"EdSunpoPitch", &EdSunpoPitch}, std::pair{"edSM_Offset", &edSM_Offset},
                            std::pair{"rgSunpoU", &rgSunpoU}, std::pair{"rgSunpoK", &rgSunpoK},
                            std::pair{"edRealGridSize", &edRealGridSize}, std::pair{"EdTuboSize", &EdTuboSize},
                            std::pair{"rgPaperSize", &rgPaperSize}, std::pair{"rgOrientation", &rgOrientation},
                            std::pair{"rbPrinterType", &rbPrinterType}})
    out.push_back({name, text});
  for (auto [name, box] : {std::pair{"cbWhiteColor", &cbWhiteColor}, std::pair{"cbPenWidth", &cbPenWidth},
                           std::pair{"cbKanjiSunpo", &cbKanjiSunpo}, std::pair{"cbKanmaSunpo", &cbKanmaSunpo},
                           std::pair{"cbZerosSunpo", &cbZerosSunpo}, std::pair{"cbRealGrid", &cbRealGrid},
                           std::pair{"cbQuality", &cbQuality}, std::pair{"cbLayPen", &cbLayPen}})
    out.push_back({name, nullptr, box});
  std::vector<std::string> buttons = {"ScaleSame", "RefGroup", "RefLayer", "RefPenSet", "RefMojiSize", "RefSunpo",
                                      "BtnLayClr", "Button1"};
  for (int g = 1; g <= 16; ++g)
    for (int l = 1; l <= 16; ++l) {
      buttons.push_back(cell("LayerClick", g, l));
      buttons.push_back(cell("LayerShiftClick", g, l));
    }
  for (const std::string& b : buttons) {
    TDialogControl c{b};
    c.press = [this, b] {
      if (press) press(b);
    };
    out.push_back(c);
  }
  TDialogControl okButton{"BitBtn1"};
  okButton.closes = true;
  okButton.accept = [this] { return !ok || ok(); };
  out.push_back(okButton);
  return out;
}
