// The operation manager: the current operation, its start and end, and the
// services every operation uses (prompt line, sub-menu buttons ①..⑦, the
// entry box with its typed-entry histories).
//
// Every event of the program goes through OpDispatch. An operation is a
// handler (view, code, X, Y) registered for its control with SetOpHandler.
#pragma once

#include <cstdint>
#include <string>

#include "kernel/Wiring.h"
#include "kernel/Z_Math.h"
#include "model/ComHst.h"
#include "render/Z_Graph.h"

// Event codes.
enum : int {
  EV_NONE = 0,  // consumed; never delivered
  EV_ENTER = 13,
  EV_ESC = 27,
  EV_DIGIT0 = 48,
  EV_SUB1 = 49,  // sub-menu buttons ①..⑦ share the codes of the digits 1..7
  EV_SUB7 = 55,
  EV_DIGIT9 = 57,
  EV_START = 129,
  EV_REDRAW = 130,
  EV_END = 131,
  EV_RDOWN = 132,
  EV_LDOWN = 133,
  EV_RCLICK = 134,
  EV_LCLICK = 135,
  EV_MOVE = 136,
  EV_HISTCLICK = 138,
};

// The controls that start operations: the palette's speed buttons and the
// menu entries that go through Op_ButtonClick.
enum TOpButton : int {
  OpBtn_None = 0,
  OpBtn_Dummy,
  OpBtn_PenChange,
  OpBtn_BlockMove,
  OpBtn_BlockCopy,
  OpBtn_HyoMove,
  OpBtn_Delete,
  OpBtn_Line,
  OpBtn_LineCut,
  OpBtn_CenterLine,
  OpBtn_Box,
  OpBtn_Haching,
  OpBtn_ArrowSet,
  OpBtn_Fukusen,
  OpBtn_Arc1,
  OpBtn_Circle,
  OpBtn_LineStretch,
  OpBtn_Sunpo,
  OpBtn_LtoMoji,
  OpBtn_LineConect,
  OpBtn_Sunpo2,
  OpBtn_MojiMove,
  OpBtn_Moji,
  OpBtn_SunpoKakudo,
  OpBtn_SokuteiA,
  OpBtn_SokuteiL,
  // menu entries
  OpBtn_BoxCounter,
  OpBtn_ClipRead,
  OpBtn_JwcExt,
  OpBtn_NumLines,
  OpBtn_LineKey,
  OpBtn_Kakko,
  OpBtn_BmpSave,
  OpBtn_Print00,
  OpBtn_Print72,
  OpBtn_Print50,
  OpBtn_Print11,
  OpBtn_Count
};

static_assert(OpBtn_Count <= kOpHandlerSlots);

struct TOpInfo {
  TOpButton id;
  const char* name;  // the control's name, "OpBtn_Line"
  const char* hint;  // hint or menu caption (CP932)
  char key;          // single-letter shortcut, 0 = none
  bool speedButton;  // on the tool palette
  int paletteX, paletteY;  // position on the palette (pixels), speed buttons only
};

// The operation table, indexed by TOpButton.
const TOpInfo& OpInfo(TOpButton b);
// The control with this name ("OpBtn_Line"), or OpBtn_None.
TOpButton OpButtonByName(const std::string& name);
// The handler of a control's operation (g_wiring.opHandlers); none while
// the operation is not built.
void SetOpHandler(TOpButton b, TOpHandler handler);
TOpHandler OpHandler(TOpButton b);
// What a control whose operation is not built yet does instead: the prompt
// line says so and the computer beeps.
inline constexpr char kNotBuilt[] = "この機能は未実装です";
void NotBuiltYet();

// Shift state of a mouse or key event (bit set).
enum : unsigned {
  ssShift = 1,
  ssAlt = 2,
  ssCtrl = 4,
  ssLeft = 8,
  ssRight = 16,
  ssMiddle = 32,
  ssDouble = 64,
};

using TGestureFilter = void (*)(int code, double x, double y);

struct ManagerState {
  TOpButton curOp = OpBtn_Dummy;       // CurOpButton
  TOpButton downButton = OpBtn_Dummy;  // the palette button shown down (one at most)
  bool leftHeld = false, rightHeld = false;
  TPointD leftPressPos, rightPressPos, lastMousePos;
  unsigned shiftAtClick = 0;
  THistrylist* activeHistory = nullptr;
  char lastKey = 0;
  bool shiftHeld = false, ctrlHeld = false, altHeld = false;
  TGestureFilter gestureFilter = nullptr;
  TGContext view;  // the current window's view
};
extern ManagerState g_manager;
// Start-up state: idle operation current, nothing held, no filter. The
// handlers are wiring (g_wiring.opHandlers) and stay.
void ApManager_Reset();

// --- dispatch
void OpDispatch(TOpButton sender, int code, double x, double y);
void OpRoute(int code, double x, double y);
// A palette button or operation menu entry was chosen.
void Op_ButtonClick(TOpButton control);
// When an operation has ended itself (OpBtn_Dummy down but not current),
// makes the idle operation current.
void IdleCheck();
// An operation that finished its job calls this: the idle operation takes
// over at the next idle check.
void OpEndSelf();

inline TOpButton CurOpButton() { return g_manager.curOp; }
inline TGContext& CurrentView() { return g_manager.view; }

// --- services for operations
void SetGuide(const std::string& text);
void SetSubBtn(const std::string& caption, bool enabled);
void ClearSubBtns();
// The number after the first "=" of sub-menu button n's caption (1..7).
double SubBtnValue(int n);
void EntryOpen(int tag, const std::string& prompt, THistrylist* history);
void EntryClose();
void ComHstPush(const std::string& text);
