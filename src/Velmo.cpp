#include "Velmo.h"

#include <filesystem>
#include <string>

#include "app/ApGrpLay.h"
#include "app/ApInit.h"
#include "app/ApInput.h"
#include "app/ApKeyEvent.h"
#include "app/ApMainMenu.h"
#include "app/ApManager.h"
#include "app/ApMouse.h"
#include "app/ApUndo.h"
#include "app/Ap_Offset.h"
#include "app/Ap_Unit1.h"
#include "app/GC_View.h"
#include "files/FileProc.h"
#include "files/PictureFile.h"
#include "files/fLoad_JWW.h"
#include "files/fLoad_VLD.h"
#include "files/fSave_VLD.h"
#include "kernel/Common.h"
#include "kernel/Platform.h"
#include "kernel/ProgramDir.h"
#include "kernel/Wiring.h"
#include "model/ComHst.h"
#include "model/GC_DB.h"
#include "model/PVC.h"
#include "ops/OpKit.h"
#include "ops/Op_Arc1.h"
#include "ops/Op_BlockCopy.h"
#include "ops/Op_Circle.h"
#include "ops/Op_Delete.h"
#include "ops/Op_Haching.h"
#include "ops/Op_LineConect.h"
#include "ops/Op_LineCut.h"
#include "ops/Op_LineStretch.h"
#include "ops/Op_Line.h"
#include "ops/Op_Moji.h"
#include "ops/Op_Box.h"
#include "ops/Op_BoxCounter.h"
#include "ops/Op_CenterLine.h"
#include "ops/Op_Kakko.h"
#include "ops/Op_PenChange.h"
#include "ops/Op_HyoMove.h"
#include "ops/Op_LineKey.h"
#include "ops/Op_NumLines.h"
#include "files/OpPaste.h"
#include "dialogs/DrawFrame.h"
#include "dialogs/Option.h"
#include "dialogs/WindowSize.h"
#include "files/Op_JwcExt.h"
#include "ops/Op_Fukusen.h"
#include "ops/Op_Sunpo2.h"
#include "ops/Op_MojiMove.h"
#include "ops/Op_SokuteiA.h"
#include "ops/Op_SokuteiL.h"
#include "ops/Op_SunpoHojyo.h"
#include "ops/Op_SunpoKakudo.h"
#include "ops/Op_Sunpo.h"
#include "output/Op_BmpSave.h"
#include "output/Op_Print2.h"
#include "render/ApPenSet.h"
#include "render/GC_Draw.h"
#include "render/Z_Graph.h"

namespace {

// Every operation's handler, by the control that starts it. Operations
// register here as they are written; a control without one says it is not
// built yet.
void RegisterOperations() {
  SetOpHandler(OpBtn_Line, Op_Line);
  SetOpHandler(OpBtn_Delete, Op_Delete);
  SetOpHandler(OpBtn_LineStretch, Op_LineStretch);
  SetOpHandler(OpBtn_LineCut, Op_LineCut);
  SetOpHandler(OpBtn_LineConect, Op_LineConect);
  SetOpHandler(OpBtn_Haching, Op_Haching);
  SetOpHandler(OpBtn_BlockCopy, Op_BlockCopy);
  SetOpHandler(OpBtn_BlockMove, Op_BlockCopy);
  SetOpHandler(OpBtn_Circle, Op_Circle);
  SetOpHandler(OpBtn_Arc1, Op_Arc1);
  SetOpHandler(OpBtn_Moji, Op_Moji);
  SetOpHandler(OpBtn_Sunpo, Op_Sunpo);
  for (TOpButton b : {OpBtn_Print00, OpBtn_Print72, OpBtn_Print50, OpBtn_Print11}) SetOpHandler(b, Op_Print2);
  SetOpHandler(OpBtn_BmpSave, Op_BmpSave);
  SetOpHandler(OpBtn_Box, Op_Box);
  SetOpHandler(OpBtn_Fukusen, Op_Fukusen);
  SetOpHandler(OpBtn_Sunpo2, Op_Sunpo2);
  SetOpHandler(OpBtn_SunpoKakudo, Op_SunpoKakudo);
  SetOpHandler(OpBtn_ArrowSet, Op_ArrowSet);
  SetOpHandler(OpBtn_LtoMoji, Op_LtoMoji);
  SetOpHandler(OpBtn_MojiMove, Op_MojiMove);
  SetOpHandler(OpBtn_SokuteiL, Op_SokuteiL);
  SetOpHandler(OpBtn_SokuteiA, Op_SokuteiA);
  SetOpHandler(OpBtn_BoxCounter, Op_BoxCounter);
  SetOpHandler(OpBtn_CenterLine, Op_CenterLine);
  SetOpHandler(OpBtn_Kakko, Op_Kakko);
  SetOpHandler(OpBtn_PenChange, Op_PenChange);
  SetOpHandler(OpBtn_HyoMove, Op_HyoMove);
  SetOpHandler(OpBtn_LineKey, Op_LineKey);
  SetOpHandler(OpBtn_NumLines, Op_NumLines);
  SetOpHandler(OpBtn_ClipRead, OpPaste);
  SetOpHandler(OpBtn_JwcExt, Op_JwcExt);
}

template <int N>
void ReOpen() {
  ReOpenCommand(N);
}

// The recent-file item N as FileProc's list shows it ("なし" in the first
// when the list is empty).
template <int N>
TMenuCommand RecentItem(TMenuCommand c) {
  c.captionNow = [] { return g_fileProc.recentMenu[N - 1].caption; };
  c.shown = [] { return g_fileProc.recentMenu[N - 1].visible; };
  c.enabled = [] { return g_fileProc.recentMenu[N - 1].enabled; };
  return c;
}

template <int N>
TMenuCommand WindowItem(TMenuCommand c) {
  c.captionNow = [] { return N == 1 ? g_mouseNav.fname1 : g_mouseNav.fname2; };
  c.checked = [] { return g_mouseNav.windowChecked == N; };
  return c;
}

// "線/文字の重複整理": the duplicate cleanup over every live cell of the
// window, after a confirmation and with both windows' snapshots written
// first, so that nothing is lost should it go wrong.
void MergeDuplicatesCommand() {
  const int w = StoreWindow();
  bool any = false;
  for (int i = 1, n = StoreUsed(); i <= n && !any; ++i) any = GcellRef(i).window == w && GcellRef(i).kind > 0;
  if (!any) {
    Platform().Beep();
    Platform().MessageBox("データはありません．", kApplicationTitle, MsgButtons::Ok, MsgIcon::Information);
    return;
  }
  if (Platform().MessageBox("太さを考慮し、直線の重複を整理します．", kApplicationTitle, MsgButtons::OkCancel,
                            MsgIcon::Question) != MsgAnswer::Ok)
    return;
  for (int i = 1, n = StoreUsed(); i <= n; ++i)
    if (GcellRef(i).window == w && GcellRef(i).kind > 0) GcellSelect(i);
  SnapshotWindows();
  GcellCommit();
  DuplicateCleanup();
  ViewRedraw(1);
}

template <TViewButton B>
void ViewButton() {
  Btn_ViewClick(B);
}

// The main menu, in menu order. A command without a handler is not built yet.
void RegisterMenu() {
  ClearMenuCommands();
  auto cmd = [](TMenu menu, const char* name, const char* caption, void (*run)() = nullptr) {
    TMenuCommand c;
    c.menu = menu;
    c.name = name;
    c.caption = caption;
    c.run = run;
    return c;
  };
  auto key = [](TMenuCommand c, int k, unsigned shift) {
    c.key = k;
    c.shift = shift;
    return c;
  };
  auto sep = [](TMenuCommand c) {
    c.separatorBefore = true;
    return c;
  };
  // An entry that starts an operation; print entries at their scale.
  auto op = [](TMenu menu, TOpButton b, double scale = 0) {
    TMenuCommand c;
    c.menu = menu;
    c.name = OpInfo(b).name;
    c.caption = OpInfo(b).hint;
    c.op = b;
    c.opScale = scale;
    return c;
  };
  using enum TMenu;
  RegisterMenuCommand(cmd(File, "New1", "新規作成(&N)", NewCommand));
  RegisterMenuCommand(cmd(File, "Open1", "開く(&O)", [] { OpenCommand(TFileSender::Open1); }));
  RegisterMenuCommand(cmd(File, "OpenV", "見て開く(&V)"));
  RegisterMenuCommand(cmd(File, "Close1", "閉じる(&C)", NewCommand));
  RegisterMenuCommand(sep(key(cmd(File, "Save1", "上書き保存(&S)", [] { SaveCommand(TFileSender::Save1); }), 'S', ssCtrl)));
  RegisterMenuCommand(cmd(File, "SaveAs1", "名前を付けて保存(&A)", SaveAsCommand));
  RegisterMenuCommand(sep(key(op(File, OpBtn_BmpSave), 'G', ssCtrl)));
  RegisterMenuCommand(sep(cmd(File, "OpBtn_Print1", "表示領域 印刷 (&C)", PrintDisplayedArea)));
  RegisterMenuCommand(key(op(File, OpBtn_Print00, 100), 'P', ssCtrl));
  RegisterMenuCommand(op(File, OpBtn_Print72, 72));
  RegisterMenuCommand(op(File, OpBtn_Print50, 50));
  RegisterMenuCommand(op(File, OpBtn_Print11, 11));
  RegisterMenuCommand(cmd(File, "OpBtn_PrintA", "一括印刷"));
  TMenuCommand printAux = cmd(File, "PrintAL", "補助線印刷", [] { g_print.printAux = !g_print.printAux; });
  printAux.checked = [] { return g_print.printAux; };
  RegisterMenuCommand(printAux);
  // The recent files: their captions are the file names (FileProc's recentMenu).
  RegisterMenuCommand(sep(RecentItem<1>(cmd(File, "ReOpen1", "", ReOpen<1>))));
  RegisterMenuCommand(RecentItem<2>(cmd(File, "ReOpen2", "", ReOpen<2>)));
  RegisterMenuCommand(RecentItem<3>(cmd(File, "ReOpen3", "", ReOpen<3>)));
  RegisterMenuCommand(RecentItem<4>(cmd(File, "ReOpen4", "", ReOpen<4>)));
  RegisterMenuCommand(RecentItem<5>(cmd(File, "ReOpen5", "", ReOpen<5>)));
  RegisterMenuCommand(RecentItem<6>(cmd(File, "ReOpen6", "", ReOpen<6>)));
  RegisterMenuCommand(RecentItem<7>(cmd(File, "ReOpen7", "", ReOpen<7>)));
  RegisterMenuCommand(RecentItem<8>(cmd(File, "ReOpen8", "", ReOpen<8>)));
  RegisterMenuCommand(RecentItem<9>(cmd(File, "ReOpen9", "", ReOpen<9>)));
  TMenuCommand clearRecent = cmd(File, "ReOpenDel2", "履歴のクリア", ClearRecentFiles);
  clearRecent.enabled = [] { return g_fileProc.recentSeparators; };  // something to clear
  RegisterMenuCommand(clearRecent);
  // Closing asks the window, which asks the file commands (FormCloseQuery).
  RegisterMenuCommand(sep(cmd(File, "Exit1", "終了(&X)", [] { Platform().CloseMainWindow(); })));

  RegisterMenuCommand(key(cmd(Edit, "UNDO1", "やり直し", UndoCommand), 'Z', ssCtrl));
  TMenuCommand clipCopy = key(cmd(Edit, "ClipCopy", "選択部コピー", CopySelectionToClipboard), 'W', ssCtrl);
  clipCopy.keepsOperation = true;
  RegisterMenuCommand(sep(clipCopy));
  RegisterMenuCommand(key(op(Edit, OpBtn_ClipRead), 'R', ssCtrl));
  RegisterMenuCommand(key(cmd(Edit, "BmpCopy1", "ＢＭＰ　コピー", [] { BmpCopy(false); }), 'B', ssCtrl));
  RegisterMenuCommand(key(cmd(Edit, "BmpCopy2", "BMP コピー(倍)", [] { BmpCopy(true); }), 'D', ssCtrl));
  RegisterMenuCommand(sep(cmd(Edit, "LineParge", "線/文字の重複整理", MergeDuplicatesCommand)));

  RegisterMenuCommand(cmd(View, "BtnZM0", "全体表示", ViewButton<TViewButton::BtnZM0>));
  RegisterMenuCommand(cmd(View, "BtnZM2", "拡大表示", ViewButton<TViewButton::BtnZM2>));
  RegisterMenuCommand(cmd(View, "BtnZM1", "縮小表示", ViewButton<TViewButton::BtnZM1>));
  RegisterMenuCommand(sep(cmd(View, "BaseWhite", "背景を白にする")));
  RegisterMenuCommand(cmd(View, "FixSize", "大きさ指定...", FixSizeCommand));
  // The drawing frame: shown after New once the menu commands are complete;
  // until then a command of its own (scripts, tests).
  RegisterMenuCommand(cmd(TMenu::None, "DrawFrame", "作図枠の作成", [] { ShowDrawFrame(); }));
  RegisterMenuCommand(sep(cmd(View, "ViewGroup", "グループ別表示")));
  RegisterMenuCommand(cmd(View, "ViewLayer", "レイヤー別表示"));

  RegisterMenuCommand(key(op(Tools, OpBtn_Kakko), kVkF1 + 1, ssShift));
  RegisterMenuCommand(key(op(Tools, OpBtn_LineKey), kVkF1 + 2, ssShift));
  RegisterMenuCommand(op(Tools, OpBtn_NumLines));
  TMenuCommand boxCounter = op(Tools, OpBtn_BoxCounter);
  boxCounter.shown = [] { return g_fileProc.toolsMode; };
  RegisterMenuCommand(sep(boxCounter));
  RegisterMenuCommand(op(Tools, OpBtn_JwcExt));

  RegisterMenuCommand(cmd(Settings, "Option1", "設定...(&S)", [] { ShowOption("ｸﾞﾙｰﾌﾟと縮尺"); }));
  RegisterMenuCommand(cmd(Settings, "MoveLayer", "２画面でレイヤー編集..."));

  RegisterMenuCommand(WindowItem<1>(cmd(Window, "fname1", "", [] { SwitchWindow(1); })));
  RegisterMenuCommand(WindowItem<2>(cmd(Window, "fname2", "", [] { SwitchWindow(2); })));

  RegisterMenuCommand(cmd(Help, "Contents1", "目次(&C)"));
  RegisterMenuCommand(cmd(Help, "KeyWord", "ｷｰﾜｰﾄﾞ検索(&T)"));
  RegisterMenuCommand(cmd(Help, "HowtoUseHelp1", "ﾍﾙﾌﾟの使い方(&H)"));
  RegisterMenuCommand(sep(cmd(Help, "UpdateHistory", "最近の変更履歴")));
  RegisterMenuCommand(cmd(Help, "MailToMe", "メールで問合せる"));
  RegisterMenuCommand(cmd(Help, "DownLoad", "最新のダウンロード"));
  RegisterMenuCommand(sep(cmd(Help, "version1", "ﾊﾞｰｼﾞｮﾝ情報(&A)")));
}

// The controls of the operations' own windows, by their names.
void RegisterToolControls() {
  auto control = [](const char* name) {
    TNamedControl c;
    c.name = name;
    return c;
  };
  // One-stroke drawing's command window.
  TNamedControl field = control("CmdEdit1");
  field.setText = [](int, const std::string& text) { LineKeyText(text); };
  field.press = [](int, unsigned button, unsigned, double, double) {
    if (button == ssLeft) LineKeyFieldClick();
  };
  RegisterNamedControl(field);
  TNamedControl mode = control("CbxCursorMode");
  mode.click = [](int) { LineKeyCursorMode(!g_lineKeyOp.form.CbxCursorMode); };
  RegisterNamedControl(mode);
  TNamedControl window = control("TfmLineKey");
  window.press = [](int, unsigned button, unsigned, double, double) {
    if (button == ssLeft) LineKeyWindowClick();
  };
  RegisterNamedControl(window);
  TNamedControl close = control("TfmLineKeyClose");
  close.click = [](int) { LineKeyClose(); };
  RegisterNamedControl(close);
}

}  // namespace

void WireVelmo() {
  g_wiring = Wiring{};
  Wiring& w = g_wiring;
  w.loadPicture = LoadPictureFile;
  RegisterOperations();
  w.beforeRoute = OpKitBeforeRoute;
  w.afterRoute = OpKitAfterRoute;
  w.operationChanged = OffsetOperationChanged;
  w.claims = OffsetCheck;
  w.finishClaim = OffsetFinish;
  w.disallowOffsets = [] { SetOffsetAllow(false, false); };
  w.clearPending = OffsetClearPending;
  w.isStartupFile = [](const std::string& path) {
    return !path.empty() && std::filesystem::path(path) == StartupFileName();
  };
  w.dropFiles = DropFiles;
  w.copySelection = CopySelectionToClipboard;
  w.textKeyPress = [](TEditField field, char) { MojiEnter(field); };
  w.textArrowKey = [](TEditField, int) { MojiCaretMoved(); };
  w.textChanged = MojiTextChanged;
  w.textDirection = MojiDirectionClick;
  w.textSizeChanged = MojiSizeChanged;
  w.closeQuery = FormCloseQuery;
  w.openSettings = [](const std::string& page) { return ShowOption(page); };
  w.toolWindowShown = LineKeyWindowShown;
  w.toolKeyDown = LineKeyKeyDown;
  RegisterMenu();
  RegisterToolControls();
}

void VelmoReset() {
  Common_Reset();
  ProgramDir_Reset();
  PVC_Reset();
  GC_DB_Reset();
  ComHst_Reset();
  Z_Graph_Reset();
  ApPenSet_Reset();  // after the settings: builds their pen colours
  ApManager_Reset();
  Ap_Offset_Reset();
  GC_Draw_Reset();
  GC_View_Reset();
  ApMouse_Reset();
  Form1_Reset();
  ApInit_Reset();
  ApGrpLay_Reset();
  ApKeyEvent_Reset();
  ApInput_Reset();
  fLoad_VLD_Reset();
  fLoad_JWW_Reset();
  FileProc_Reset();
  OpKit_Reset();
  Op_Line_Reset();
  Op_Delete_Reset();
  Op_LineStretch_Reset();
  Op_LineCut_Reset();
  Op_LineConect_Reset();
  Op_Haching_Reset();
  Op_BlockCopy_Reset();
  Op_Circle_Reset();
  Op_Arc1_Reset();
  Op_Moji_Reset();
  Op_Sunpo_Reset();
  Op_Print2_Reset();
  Op_BmpSave_Reset();
  Op_Box_Reset();
  Op_Fukusen_Reset();
  Op_Sunpo2_Reset();
  Op_SunpoKakudo_Reset();
  Op_SunpoHojyo_Reset();
  Op_MojiMove_Reset();
  Op_SokuteiL_Reset();
  Op_SokuteiA_Reset();
  Op_BoxCounter_Reset();
  Op_CenterLine_Reset();
  Op_Kakko_Reset();
  Op_PenChange_Reset();
  Op_HyoMove_Reset();
  Op_LineKey_Reset();
  Op_NumLines_Reset();
  OpPaste_Reset();
  Op_JwcExt_Reset();
  DrawFrame_Reset();
  Option_Reset();
  WindowSize_Reset();
  WireVelmo();
}
