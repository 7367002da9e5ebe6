#include "kernel/DialogForm.h"

#include <iterator>

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
