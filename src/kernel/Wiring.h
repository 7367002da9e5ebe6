// The calls a lower layer makes into an upper one. The lower layer cannot
// link against the upper, so it calls through a function pointer here, and
// the assembly (src/Velmo.cpp, WireVelmo) installs every one of them.
//
// The rule: hooks live only in this struct. No module's reset touches it;
// a reset returns state, not wiring. A test may replace a hook for a while;
// the next reset of the whole program (VelmoReset) installs the real ones
// again. A hook that is null means "not built yet": the caller does
// without it. The menu command registry (app/ApMainMenu) follows the same
// rule: the assembly fills it, no reset empties it.
#pragma once

#include <string>
#include <vector>

struct TGContext;
struct TRasterImage;
enum class TEditField;
enum TOpButton : int;
enum class PhysKey;
class IInputRecorder;

// An operation: (view, code, X, Y) for its control.
using TOpHandler = void (*)(TGContext& view, int code, double x, double y);
// Room for the controls that start operations (TOpButton).
constexpr int kOpHandlerSlots = 64;

struct Wiring {
  // --- render: GC_Draw decodes the picture a picture cell names.
  bool (*loadPicture)(const std::string& name, TRasterImage& image) = nullptr;

  // --- app: ApManager routes every event to the current operation's handler
  // (none: the control's operation is not built yet).
  TOpHandler opHandlers[kOpHandlerSlots] = {};
  // Around every routed event: the operation kit keeps the feedback of the
  // running operation on the screen and takes it away when it ends.
  void (*beforeRoute)(TGContext& view, int code) = nullptr;
  void (*afterRoute)(TGContext& view, int code) = nullptr;

  // --- app: ApManager consults offset entry, the click interceptor.
  void (*operationChanged)() = nullptr;  // offsets disallowed, pending entry cancelled
  bool (*claims)(int& code) = nullptr;   // may consume the event (code 0)
  // Replaces a claimed Enter, Esc or click by the replayed click, or sets code 0.
  void (*finishClaim)(int& code, double& x, double& y) = nullptr;
  void (*disallowOffsets)() = nullptr;  // on EV_START
  void (*clearPending)() = nullptr;     // after each delivered event

  // --- app: Ap_Unit1 leaves text input's own keys in its fields to it.
  void (*textKeyPress)(TEditField field, char ch) = nullptr;
  void (*textArrowKey)(TEditField field, int key) = nullptr;
  // A field of text input changed; its direction button was pressed; the
  // size box chose a size.
  void (*textChanged)(TEditField field) = nullptr;
  void (*textDirection)() = nullptr;
  void (*textSizeChanged)() = nullptr;

  // --- app: ApGrpLay opens the windows of the dialogs layer.
  void (*openGroupView)() = nullptr;
  void (*openLayerView)() = nullptr;
  // The settings dialog on the page with this caption (CP932); true for OK.
  bool (*openSettings)(const std::string& page) = nullptr;

  // --- ops: a selection copied to the clipboard as drawing text (files).
  void (*copySelection)() = nullptr;

  // --- app: ApMouse's title shows the start-up file (a UTF-8 path) as no name.
  bool (*isStartupFile)(const std::string& path) = nullptr;

  // --- app: GC_View, after the counts are shown (the panels refresh).
  void (*countsShown)() = nullptr;

  // --- app: ApInput hands files dropped on the window and the window's
  // close (true: it may close) to the file commands.
  void (*dropFiles)(const std::vector<std::string>& files) = nullptr;
  bool (*closeQuery)() = nullptr;
  // While an operation's command window is shown (one-stroke drawing), every
  // key goes to its command field instead of the main window's commands.
  bool (*toolWindowShown)() = nullptr;
  bool (*toolKeyDown)(int key) = nullptr;
  // Told of every input of the window (a script recorder, VelmoRecord).
  IInputRecorder* inputRecorder = nullptr;
  // Tells the platform that a key is physically down or up, for a user
  // driven from code on the headless platform (the script runner, tests).
  void (*holdKey)(PhysKey key, bool down) = nullptr;
};
extern Wiring g_wiring;
