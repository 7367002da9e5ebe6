// Drives the program as a user would, through the same entry points the Qt
// window calls: choose operations, press and release mouse buttons in the
// drawing area, press sub-menu buttons, type into the entry box, press keys.
// Then a test checks the store, the captions, the prompt, the histories and
// the recorded messages.
//
// Positions are drawing-area pixels, y down.
#pragma once

#include <string>

#include "app/ApInput.h"
#include "app/ApManager.h"
#include "app/ApMouse.h"
#include "app/Ap_Unit1.h"
#include "kernel/Wiring.h"
#include "platform/headless/HeadlessPlatform.h"

// The drawing area has the harness's size whenever a harness lives: from its
// construction, again after every reset of the program by the test fixture
// (a fixture's members are built before its SetUp resets everything), and,
// should a test reset the program itself, at the next pointer event.
// The user's input goes through app/ApInput, as the window's and the
// script runner's does; the keys it holds are told to the headless platform.
class Harness {
public:
  explicit Harness(int width = 800, int height = 600) : width_(width), height_(height) {
    ++Live().count;
    Live().width = width;
    Live().height = height;
    PaintBox1Resize(width, height);
  }
  Harness(const Harness& o) : width_(o.width_), height_(o.height_) { ++Live().count; }
  Harness& operator=(const Harness&) = default;
  ~Harness() { --Live().count; }

  // Called by the fixture right after the program was reset.
  static void AfterReset() {
    if (Live().count > 0) PaintBox1Resize(Live().width, Live().height);
  }

  void Choose(TOpButton b) { InputOperation(b); }

  // mods: ssShift, ssCtrl, ssAlt held during the gesture.
  void Press(unsigned button, double x, double y, unsigned mods = 0) {
    Bind();
    UserPress(button, x, y, mods);
  }
  void Move(double x, double y, unsigned mods = 0) {
    Bind();
    UserMove(x, y, mods);
  }
  void Release(unsigned button, double x, double y, unsigned mods = 0) {
    Bind();
    UserRelease(button, x, y, mods);
  }
  void Click(unsigned button, double x, double y, unsigned mods = 0) {
    Press(button, x, y, mods);
    Release(button, x, y, mods);
  }
  void LeftClick(double x, double y, unsigned mods = 0) { Click(ssLeft, x, y, mods); }
  // One wheel notch (delta 120 forward, -120 backward) with the pointer at (x, y).
  void Wheel(int delta, double x, double y, unsigned mods = 0) {
    Bind();
    UserWheel(delta, x, y, mods);
  }
  void RightClick(double x, double y, unsigned mods = 0) { Click(ssRight, x, y, mods); }

  void SubMenu(int n) { InputSubMenu(n); }

  // Replaces the entry box's text, as typing into it does.
  void Type(const std::string& text) { InputFieldText(TEditField::edCommon, text); }
  // A key as the window delivers it: first to the window, then, when the
  // window leaves it, to the field with the focus (Enter and Esc, or the
  // character typed). The key, and Shift, Ctrl, Alt of mods, are physically
  // held until the release.
  void KeyDown(int vk, unsigned mods = 0, char typed = 0) {
    HoldOnHeadless();
    UserKeyDown(vk, mods, typed);
  }
  void KeyUp(int vk, unsigned mods = 0) {
    HoldOnHeadless();
    UserKeyUp(vk);
  }
  void Key(int vk, unsigned mods = 0) {
    KeyDown(vk, mods);
    KeyUp(vk, mods);
  }
  // Types text key by key: letters, digits and the space as their keys,
  // other characters straight into the entry box.
  void Keys(const std::string& text) {
    for (char c : text) {
      int vk = 0;
      if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || c == ' ') vk = c;
      if (c >= 'a' && c <= 'z') vk = c - 'a' + 'A';
      KeyDown(vk, 0, c);
      KeyUp(vk);
    }
  }
  void Enter() { Key(13); }
  void Esc() { Key(27); }
  // Types text into the entry box and confirms it.
  void Entry(const std::string& text) {
    Type(text);
    Enter();
  }

  static const std::string& SubCaption(int n) { return g_form1.PvBtn[n - 1].caption; }
  static std::string Prompt() { return g_form1.lbGuid1.visible ? g_form1.lbGuid1.caption : std::string(); }

private:
  // The keys held go to the headless platform (a reset of the program
  // takes the hook away again).
  static void HoldOnHeadless() {
    g_wiring.holdKey = [](PhysKey key, bool down) { Headless().SetKeyDown(key, down); };
  }
  struct LiveSize {
    int count = 0;
    int width = 0, height = 0;  // of the newest harness
  };
  static LiveSize& Live() {
    static LiveSize live;
    return live;
  }
  void Bind() const {
    if (!CurrentView().canvas) PaintBox1Resize(width_, height_);
  }

  int width_, height_;
};
