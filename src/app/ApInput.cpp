#include "app/ApInput.h"

#include "app/ApGrpLay.h"
#include "app/ApKeyEvent.h"
#include "app/ApMainMenu.h"
#include "app/ApMouse.h"
#include "app/ApUndo.h"
#include "app/Ap_Offset.h"
#include "kernel/Wiring.h"
#include "render/ApPenSet.h"

InputState g_input;

void ApInput_Reset() {
  g_input.depth = 0;
  g_input.buttons = 0;
  for (unsigned& m : g_input.keyMods) m = 0;
}

namespace {

// One input under way: the recorder hears of the outermost only.
class TInputScope {
public:
  explicit TInputScope(const TInputEvent& e) : e_(e) {
    if (g_input.depth++ == 0 && g_wiring.inputRecorder) {
      recorder_ = g_wiring.inputRecorder;
      recorder_->Begin(e_);
    }
  }
  ~TInputScope() {
    --g_input.depth;
    if (recorder_) recorder_->End(e_);
  }
  TInputScope(const TInputScope&) = delete;
  TInputScope& operator=(const TInputScope&) = delete;

private:
  const TInputEvent& e_;
  IInputRecorder* recorder_ = nullptr;
};

TInputEvent Event(TInputKind kind) {
  TInputEvent e;
  e.kind = kind;
  return e;
}

TInputEvent Pointer(TInputKind kind, unsigned button, unsigned shift, double x, double y) {
  TInputEvent e = Event(kind);
  e.button = button;
  e.shift = shift;
  e.x = x;
  e.y = y;
  return e;
}

constexpr unsigned kButtons = ssLeft | ssRight | ssMiddle;
constexpr unsigned kMods = ssShift | ssCtrl | ssAlt;

// --- the named controls' entry points

void PressLeft(unsigned button, void (*f)()) {
  if (button == ssLeft) f();
}

void ViewButton(int i, unsigned button, unsigned, double, double) {
  if (button == ssLeft) Btn_ViewClick(static_cast<TViewButton>(i));
}

// The text-size box: an item's text (" 2)  5.0× 5.0") or its number.
void SetTextSize(int, const std::string& text) {
  const std::vector<std::string> items = MakeMojiSizeList(CurPVC()).items;
  auto trimmed = [](const std::string& s) {
    std::size_t b = s.find_first_not_of(' '), e = s.find_last_not_of(' ');
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
  };
  const std::string t = trimmed(text);
  for (std::size_t i = 0; i < items.size(); ++i) {
    const std::string item = trimmed(items[i]);
    if (item == t || item.substr(0, item.find(')')) == t) {
      CbMojiSizeChange(static_cast<int>(i));
      return;
    }
  }
}

std::vector<TNamedControl> BuildControls() {
  std::vector<TNamedControl> v;
  auto add = [&v](std::string name, int index, auto press, auto click, auto setText) {
    TNamedControl c;
    c.name = std::move(name);
    c.index = index;
    c.press = press;
    c.click = click;
    c.setText = setText;
    v.push_back(std::move(c));
  };
  using P = void (*)(int, unsigned, unsigned, double, double);
  using C = void (*)(int);
  using T = void (*)(int, const std::string&);
  const P noPress = nullptr;
  const C noClick = nullptr;
  const T noText = nullptr;

  // The operation bar.
  add("PvEsc", 0, P([](int, unsigned b, unsigned, double, double) { PressLeft(b, PvEscMouseDown); }), noClick,
      noText);
  add("Pv_Top", 0, P([](int, unsigned b, unsigned, double, double) { PressLeft(b, Pv_TopMouseDown); }), noClick,
      noText);
  add("lbComHst", 0, P([](int, unsigned b, unsigned, double x, double y) {
        if (b == ssLeft) LbComHstMouseDown(x, y);
      }),
      noClick, noText);
  for (int n = 1; n <= 7; ++n)
    add("PvBtn" + std::to_string(n), n, noPress, C([](int i) { OpSubMenuClick(i); }), noText);
  add("edCommon", 0, noPress, noClick,
      T([](int, const std::string& t) { EditChange(TEditField::edCommon, t); }));
  add("EbMojiA", 0, P([](int, unsigned b, unsigned, double, double) {
        if (b == ssLeft) EditClick(TEditField::EbMojiA);
      }),
      noClick, T([](int, const std::string& t) { EditChange(TEditField::EbMojiA, t); }));
  add("EbMojiT", 0, P([](int, unsigned b, unsigned, double, double) {
        if (b == ssLeft) EditClick(TEditField::EbMojiT);
      }),
      noClick, T([](int, const std::string& t) { EditChange(TEditField::EbMojiT, t); }));
  add("CbMojiSize", 0, noPress, noClick, T(SetTextSize));
  add("sbMojiV", 0, noPress, C([](int) { SbMojiVClick(); }), noText);
  for (int n = 1; n <= 4; ++n) add("BtnHaching" + std::to_string(n), n, noPress, C(BtnHachingClick), noText);

  // The left column: the pen palette and presets, the view buttons, the
  // window switch and undo.
  for (int n = 1; n <= 6; ++n)
    add("Pen" + std::to_string(n), n, noPress, C([](int i) {
          PenPaletteClick(TPenSample::Pen, i);
          Form1Changed();
        }),
        noText);
  add("PenAux", 0, noPress, C([](int) {
        PenPaletteClick(TPenSample::Aux, 0);
        Form1Changed();
      }),
      noText);
  for (int n = 1; n <= 8; ++n)
    add("LineType" + std::to_string(n), n, noPress, C([](int i) {
          PenPaletteClick(TPenSample::LineType, i);
          Form1Changed();
        }),
        noText);
  for (int n = 1; n <= 5; ++n) add("ImPenHst" + std::to_string(n), n, noPress, C(ImPenHstClick), noText);
  for (int n = 1; n <= 5; ++n) add("PenHist" + std::to_string(n), n, noPress, C(PenHistClick), noText);
  const char* const views[] = {"BtnZM0", "BtnZM1", "BtnZM2", "Btn_L", "Btn_R", "Btn_U", "Btn_D"};
  for (int i = 0; i < 7; ++i) add(views[i], i, P(ViewButton), noClick, noText);
  add("Btn_Change", 0, P([](int, unsigned b, unsigned, double, double) { PressLeft(b, btnFigChangeClick); }),
      noClick, noText);
  add("Btn_Undo", 0, P([](int, unsigned b, unsigned, double, double) { PressLeft(b, Btn_UndoClick); }), noClick,
      noText);

  // The right column: groups and layers, the display switches, offsets.
  add("lbGroup", 0, P([](int, unsigned b, unsigned s, double, double) { LbGroupMouseDown(b, s); }), noClick,
      noText);
  add("PnlGrpAll", 0, P([](int, unsigned b, unsigned s, double, double) { PnlGrpAllMouseDown(b, s); }),
      C([](int) { GroupAllClick(); }), noText);
  for (int k = 0; k < 16; ++k)
    add("PnlGrp" + std::to_string(k), k,
        P([](int i, unsigned b, unsigned s, double, double) { BtnGroupMouseDown(i, b, s); }), noClick, noText);
  add("PnlGrpNam", 0, noPress, C([](int) { PnlGrpNamClick(); }), noText);
  add("lbScale", 0, noPress, C([](int) { LbScaleClick(); }), noText);
  add("PnlLayLbl", 0, P([](int, unsigned b, unsigned s, double, double) { PnlLayLblMouseDown(b, s); }), noClick,
      noText);
  add("PnlLayAll", 0, P([](int, unsigned b, unsigned s, double, double) { PnlLayAllMouseDown(b, s); }),
      C([](int) { LayerAllClick(); }), noText);
  add("BtnLayerSyncChange", 0, P([](int, unsigned, unsigned, double, double) { BtnLayerSyncChangeMouseDown(); }),
      noClick, noText);
  for (int j = 0; j < 16; ++j)
    add("PnlLay" + std::to_string(j), j,
        P([](int i, unsigned b, unsigned s, double, double) { BtnLayerMouseDown(i, b, s); }), noClick, noText);
  add("PnlLayNam", 0, noPress, C([](int) { PnlLayNamClick(); }), noText);
  const char* const dsp[Dsp_Count] = {"DspMode",    "DspPoint",   "DspLine",   "DspMoji",
                                      "DspPolygon", "DspPicture", "DspAssist", "DspGrid"};
  for (int i = 0; i < Dsp_Count; ++i)
    add(dsp[i], i, noPress, C([](int w) { DspMaskClick(static_cast<TDspSwitch>(w)); }), noText);
  add("OffsetMode", 0, P([](int, unsigned b, unsigned, double, double) { PressLeft(b, OffsetModeClick); }),
      noClick, noText);
  add("FixZoom", 0, P([](int, unsigned b, unsigned, double, double) { FixZoomMouseDown(b); }), noClick, noText);
  return v;
}

}  // namespace

const std::vector<TNamedControl>& NamedControls() {
  static const std::vector<TNamedControl> controls = BuildControls();
  return controls;
}

namespace {
// The controls of upper layers' windows, registered by the assembly.
std::vector<TNamedControl>& Registered() {
  static std::vector<TNamedControl> controls;
  return controls;
}
}  // namespace

void RegisterNamedControl(TNamedControl c) {
  for (TNamedControl& r : Registered())
    if (r.name == c.name) {
      r = std::move(c);
      return;
    }
  Registered().push_back(std::move(c));
}

const TNamedControl* FindControl(std::string_view name) {
  for (const TNamedControl& c : NamedControls())
    if (c.name == name) return &c;
  for (const TNamedControl& c : Registered())
    if (c.name == name) return &c;
  return nullptr;
}

const char* FieldName(TEditField field) {
  switch (field) {
    case TEditField::EbMojiA: return "EbMojiA";
    case TEditField::EbMojiT: return "EbMojiT";
    case TEditField::edCommon: break;
  }
  return "edCommon";
}

// ---- As the window reports it ---------------------------------------------

void InputResize(int width, int height) {
  TInputEvent e = Event(TInputKind::Resize);
  e.value = width;
  e.value2 = height;
  TInputScope scope(e);
  PaintBox1Resize(width, height);
}

void InputMouseDown(unsigned button, unsigned shift, double x, double y) {
  const TInputEvent e = Pointer(TInputKind::MouseDown, button, shift, x, y);
  TInputScope scope(e);
  PaintBox1MouseDown(button, shift, x, y);
}

void InputMouseMove(unsigned shift, double x, double y) {
  const TInputEvent e = Pointer(TInputKind::MouseMove, 0, shift, x, y);
  TInputScope scope(e);
  PaintBox1MouseMove(shift, x, y);
}

void InputMouseUp(unsigned button, unsigned shift, double x, double y) {
  const TInputEvent e = Pointer(TInputKind::MouseUp, button, shift, x, y);
  TInputScope scope(e);
  PaintBox1MouseUp(button, shift, x, y);
}

void InputWheel(int delta, unsigned shift, double x, double y) {
  TInputEvent e = Pointer(TInputKind::Wheel, 0, shift, x, y);
  e.value = delta;
  TInputScope scope(e);
  Wheel(delta, shift, x, y);
}

bool InputKeyDown(int key, unsigned shift) {
  TInputEvent e = Event(TInputKind::KeyDown);
  e.value = key;
  e.shift = shift;
  TInputScope scope(e);
  // While an operation's command window is shown, every key is its
  // field's: none reaches the main window's commands.
  if (g_wiring.toolWindowShown && g_wiring.toolWindowShown()) {
    if (g_wiring.toolKeyDown) g_wiring.toolKeyDown(key);
    return true;
  }
  return FormKeyDown(key, shift);
}

void InputKeyUp(int key) {
  TInputEvent e = Event(TInputKind::KeyUp);
  e.value = key;
  TInputScope scope(e);
  FormKeyUp(key);
}

bool InputFieldKeyDown(TEditField field, int key) {
  TInputEvent e = Event(TInputKind::FieldKey);
  e.field = field;
  e.value = key;
  TInputScope scope(e);
  return EditKeyDown(field, key);
}

void InputFieldKeyPress(TEditField field, char ch) {
  // Enter and Esc: part of the key the window already announced.
  EditKeyPress(field, ch);
}

void InputFieldText(TEditField field, const std::string& text) { InputControlText(FieldName(field), text); }

bool InputControlText(std::string_view name, const std::string& text) {
  const TNamedControl* c = FindControl(name);
  if (!c || !c->setText) return false;
  TInputEvent e = Event(TInputKind::ControlText);
  e.name = c->name;
  e.text = text;
  TInputScope scope(e);
  c->setText(c->index, text);
  return true;
}

void InputOperation(TOpButton b) {
  TInputEvent e = Event(TInputKind::Operation);
  e.op = b;
  TInputScope scope(e);
  Op_ButtonClick(b);
}

void InputSubMenu(int n) {
  TInputEvent e = Event(TInputKind::SubMenu);
  e.value = n;
  TInputScope scope(e);
  OpSubMenuClick(n);
}

bool InputControlPress(std::string_view name, unsigned button, unsigned shift, double x, double y, bool hasPos) {
  const TNamedControl* c = FindControl(name);
  if (!c) return false;
  TInputEvent e = Pointer(TInputKind::Control, button, shift, x, y);
  e.name = c->name;
  e.hasPos = hasPos;
  // A control with a click takes the left button through the click alone:
  // the press of that button is no input of its own.
  if (c->click && button == ssLeft) {
    if (c->press) c->press(c->index, button, shift, x, y);
    return true;
  }
  TInputScope scope(e);
  if (c->press) c->press(c->index, button, shift, x, y);
  return true;
}

bool InputControlClick(std::string_view name) {
  const TNamedControl* c = FindControl(name);
  if (!c) return false;
  TInputEvent e = Event(TInputKind::Control);
  e.name = c->name;
  e.button = ssLeft;
  TInputScope scope(e);
  if (c->click) c->click(c->index);
  return true;
}

void InputMenu(const std::string& item) {
  TInputEvent e = Event(TInputKind::Menu);
  e.name = item;
  TInputScope scope(e);
  MenuItemCommand(item);
}

void InputMenuOpen(int menu) {
  TInputEvent e = Event(TInputKind::MenuOpen);
  e.value = menu;
  TInputScope scope(e);
  MenuOpened(static_cast<TMenu>(menu));
}

void InputDrop(const std::vector<std::string>& files) {
  TInputEvent e = Event(TInputKind::Drop);
  e.files = files;
  TInputScope scope(e);
  if (g_wiring.dropFiles) g_wiring.dropFiles(files);
}

bool InputClose() {
  const TInputEvent e = Event(TInputKind::Close);
  TInputScope scope(e);
  return !g_wiring.closeQuery || g_wiring.closeQuery();
}

// ---- A user driven from code ------------------------------------------------

void UserPress(unsigned button, double x, double y, unsigned mods) {
  g_input.buttons |= button & kButtons;
  InputMouseDown(button, mods | g_input.buttons, x, y);
}

void UserMove(double x, double y, unsigned mods) { InputMouseMove(mods | g_input.buttons, x, y); }

void UserRelease(unsigned button, double x, double y, unsigned mods) {
  g_input.buttons &= ~(button & kButtons);
  InputMouseUp(button, mods | g_input.buttons, x, y);
}

void UserWheel(int delta, double x, double y, unsigned mods) { InputWheel(delta, mods | g_input.buttons, x, y); }

namespace {

void Hold(PhysKey key, bool down) {
  if (g_wiring.holdKey) g_wiring.holdKey(key, down);
}

// The modifier bit a key is, or 0.
unsigned ModifierOf(int key) {
  switch (key) {
    case kVkShift: return ssShift;
    case kVkCtrl: return ssCtrl;
    case kVkAlt: return ssAlt;
    default: return 0;
  }
}

void HoldMods(unsigned mods, bool down) {
  if (mods & ssShift) Hold(PhysKey::Shift, down);
  if (mods & ssCtrl) Hold(PhysKey::Ctrl, down);
  if (mods & ssAlt) Hold(PhysKey::Alt, down);
}

// The modifiers held now, by any key still down.
unsigned HeldMods() {
  unsigned m = 0;
  for (unsigned k : g_input.keyMods) m |= k;
  return m;
}

bool IsArrowKey(int key) { return key >= kVkLeft && key <= kVkDown; }

}  // namespace

bool FocusedField(TEditField& field) {
  for (TEditField f : {TEditField::edCommon, TEditField::EbMojiA, TEditField::EbMojiT}) {
    if (EditField(f).focused) {
      field = f;
      return true;
    }
  }
  return false;
}

void UserKeyDown(int key, unsigned mods, char typed) {
  mods &= kMods;
  if (key > 0 && key < 256) {
    // The modifiers not yet down go down with this key and up with it; a
    // modifier key holds its own modifier in any case.
    const unsigned added = (mods | ModifierOf(key)) & ~HeldMods();
    HoldMods(added, true);
    if (IsArrowKey(key)) Hold(static_cast<PhysKey>(static_cast<int>(PhysKey::Left) + key - kVkLeft), true);
    g_input.keyMods[key] |= added | ModifierOf(key);
  }
  TEditField field;
  if ((key && InputKeyDown(key, mods)) || !FocusedField(field) || (key && InputFieldKeyDown(field, key))) return;
  if (key == kVkEnter || key == kVkEsc) typed = static_cast<char>(key);
  if (typed) InputFieldKeyPress(field, typed);
}

void UserKeyUp(int key) {
  unsigned release = 0;
  if (key > 0 && key < 256) {
    release = g_input.keyMods[key];
    g_input.keyMods[key] = 0;
    release &= ~HeldMods();  // still held by another key
    if (IsArrowKey(key)) Hold(static_cast<PhysKey>(static_cast<int>(PhysKey::Left) + key - kVkLeft), false);
  }
  // The key itself is up when the window hears of it; the modifiers it
  // brought go up after.
  const unsigned own = ModifierOf(key) & release;
  HoldMods(own, false);
  if (key) InputKeyUp(key);
  HoldMods(release & ~own, false);
}

void UserType(TEditField field, const std::string& text) {
  TEntryBox& ed = EditField(field);
  std::string t = ed.text;
  const std::size_t start = std::min<std::size_t>(static_cast<std::size_t>(std::max(ed.selStart, 0)), t.size());
  const std::size_t len =
      std::min<std::size_t>(static_cast<std::size_t>(std::max(ed.selLength, 0)), t.size() - start);
  t.replace(start, len, text);
  InputFieldText(field, t);
  if (ed.text == t) {
    ed.selStart = static_cast<int>(start + text.size());
    ed.selLength = 0;
  }
}
