#include "app/ApMainMenu.h"

#include <utility>

#include "app/ApMouse.h"

namespace {

// Wiring: filled by the assembly, never reset.
std::vector<TMenuCommand>& Registry() {
  static std::vector<TMenuCommand> commands;
  return commands;
}

// A caption without its "(&X)" mnemonic and without trailing blanks.
std::string_view Bare(std::string_view caption) {
  if (const std::size_t m = caption.rfind("(&"); m != std::string_view::npos && m + 4 == caption.size() &&
                                                  caption[m + 3] == ')')
    caption = caption.substr(0, m);
  while (!caption.empty() && caption.back() == ' ') caption.remove_suffix(1);
  return caption;
}

}  // namespace

const char* MenuCaption(TMenu m) {
  switch (m) {
    case TMenu::File: return "ファイル(&F)";
    case TMenu::Edit: return "編集(&E)";
    case TMenu::View: return "表示(&V)";
    case TMenu::Tools: return "ツール(&T)";
    case TMenu::Settings: return "設定(&S)";
    case TMenu::Window: return "ウィンドウ(&W)";
    case TMenu::Help: return "ヘルプ(&H)";
    default: return "";
  }
}

void ClearMenuCommands() { Registry().clear(); }

void RegisterMenuCommand(TMenuCommand c) { Registry().push_back(std::move(c)); }

const std::vector<TMenuCommand>& MenuCommands() { return Registry(); }

const TMenuCommand* FindMenuCommand(std::string_view nameOrCaption) {
  for (const TMenuCommand& c : Registry())
    if (c.name == nameOrCaption) return &c;
  const std::string_view want = Bare(nameOrCaption);
  if (want.empty()) return nullptr;
  for (const TMenuCommand& c : Registry())
    if (c.caption == nameOrCaption || Bare(c.caption) == want) return &c;
  return nullptr;
}

std::string MenuCommandCaption(const TMenuCommand& c) { return c.captionNow ? c.captionNow() : c.caption; }
bool MenuCommandShown(const TMenuCommand& c) { return !c.shown || c.shown(); }
bool MenuCommandEnabled(const TMenuCommand& c) { return !c.enabled || c.enabled(); }

TMenu FindTopMenu(std::string_view caption) {
  const std::string_view want = Bare(caption);
  if (want.empty()) return TMenu::None;
  for (int m = static_cast<int>(TMenu::File); m < static_cast<int>(TMenu::Count); ++m) {
    const char* c = MenuCaption(static_cast<TMenu>(m));
    if (caption == c || Bare(c) == want) return static_cast<TMenu>(m);
  }
  return TMenu::None;
}

void MenuOpened(TMenu menu) {
  CancelViewGesture();
  Op_ButtonClick(OpBtn_Dummy);
  if (menu == TMenu::Window) Window1Click();
  IdleCheck();
}

bool MenuCommandBuilt(const TMenuCommand& c) {
  if (c.op != OpBtn_None) return c.op == OpBtn_Dummy || OpHandler(c.op) != nullptr;
  return c.run != nullptr;
}

const TMenuCommand* FindAccelerator(int key, unsigned shift) {
  if (key == 0) return nullptr;
  shift &= ssShift | ssCtrl | ssAlt;
  for (const TMenuCommand& c : Registry())
    if (c.key == key && c.shift == shift) return &c;
  return nullptr;
}

bool MenuAccelerator(int key, unsigned shift) {
  const TMenuCommand* c = FindAccelerator(key, shift);
  if (!c) return false;
  MenuItemCommand(c->name);
  return true;
}

bool MenuItemCommand(std::string_view item) {
  const TMenuCommand* found = FindMenuCommand(item);
  if (!found) return false;
  const TMenuCommand c = *found;  // the command may change the registry's neighbours
  CancelViewGesture();
  if (!c.keepsOperation) Op_ButtonClick(OpBtn_Dummy);
  if (!MenuCommandBuilt(c)) {
    NotBuiltYet();
  } else if (c.op != OpBtn_None && c.opScale != 0) {
    OpDispatch(c.op, EV_START, c.opScale, -1);
  } else if (c.op != OpBtn_None) {
    Op_ButtonClick(c.op);
  } else {
    c.run();
  }
  IdleCheck();
  return true;
}
