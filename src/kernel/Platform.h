// The services the core asks of the platform it runs on: the Qt window system
// or the headless harness used by tests and the command line. The core calls
// Platform(); a front end installs its implementation with SetPlatform().
//
// Texts shown to the user (box texts, captions, dialog titles, filters) are
// CP932; file-system paths are native UTF-8.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "kernel/DialogForm.h"

class ICanvas;

// The caption of the program's message boxes.
inline constexpr char kApplicationTitle[] = "Velmo 5";

// Buttons a message box offers, as the standard box sets.
// Yes alone acknowledges an error as the old program's boxes did.
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, Abort, AbortRetryIgnore, RetryCancel, Yes };
enum class MsgIcon { None, Information, Warning, Error, Question };
// The button the user pressed.
enum class MsgAnswer { Ok, Cancel, Yes, No, Abort, Retry, Ignore };

// Mouse cursor shapes the program uses.
// Drag: a range is being chosen; AddExclude: clicks add cells to or take
// them out of a selection; Point1, Point2: the first and the second point
// of a figure are asked.
enum class CursorShape {
  Default, Arrow, Cross, Hourglass, SizeAll, SizeNS, SizeWE, HandPoint, IBeam, No, Help, Drag, AddExclude, Point1, Point2,
  Point4,  // the program's own cursor 4: looking for a table's border
  SplitH,  // moving a vertical border sideways
  SplitV,  // moving a horizontal border up or down
};

// Keys and buttons whose physical state can be asked at any moment. The
// arrow keys are asked so that auto-repeats still queued after the key was
// released do nothing.
enum class PhysKey { Shift, Ctrl, Alt, LeftButton, RightButton, MiddleButton, Left, Up, Right, Down };
constexpr int kPhysKeys = 10;

// A 32-bit image: pixels 0xAARRGGBB, rows top to bottom.
struct TRasterImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
};

// A file dialog. filter: pairs "description|pattern" joined by '|', as
// "図面ファイル (*.vld)|*.vld;*.VLD|すべて|*". Paths are UTF-8.
struct TFileDialogRequest {
  std::string title;
  std::string filter;
  int filterIndex = 1;       // 1-based; receives the chosen filter
  std::string initialDir;    // UTF-8
  std::string fileName;      // UTF-8; receives the chosen path
  std::string defaultExt;    // without the dot
  bool confirmOverwrite = true;  // save dialogs
};

// The DXF import dialog "AUTO-CADデータの読み込み": its fields as the user
// sees and edits them (CP932).
struct TLoadDxfForm {
  std::string fileName;             // shown only
  std::string scale = " 1 / 1";     // "図面の縮尺"
  std::string textZoom = " 1.00 ";  // "文字の倍率"
  int sizeMode = 0;                 // "文字のサイズ": 0 fit to a table made from the file, 1 own sizes, 2 current table
  bool dimMove = false;             // "寸法図形の移動情報を含めて寸法位置を決める"
};

// What a print dialog chose.
struct TPrintSetup {
  std::string printerName;
  int copies = 1;
  bool landscape = false;
  int paperSize = 4;  // 0 A0 .. 4 A4, 5 unspecified
};

// An outside program to run.
struct TRunRequest {
  std::string program;            // UTF-8 path or name looked up in PATH
  std::vector<std::string> args;  // UTF-8
  std::string workDir;            // UTF-8; empty = current folder
  bool wait = true;               // wait for it to end
  // While waiting the window goes on painting and offers to stop it (Esc):
  // its whole process group ends. Returns -2 when stopped.
  bool cancellable = false;
};

class IPlatform {
public:
  virtual ~IPlatform() = default;
  // The system's default beep, used to refuse a point or a value.
  virtual void Beep() = 0;
  // A modal message box.
  virtual MsgAnswer MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                               MsgIcon icon) = 0;
  // The cursor over the whole application (the hourglass during long scans).
  virtual void SetScreenCursor(CursorShape shape) = 0;
  // The physical state of a key or button now, whatever events said.
  virtual bool IsKeyDown(PhysKey key) = 0;
  // A repeating timer on the user-interface thread; returns its id (> 0).
  virtual int StartTimer(int intervalMs, std::function<void()> tick) = 0;
  virtual void StopTimer(int id) = 0;
  // Clipboard. Text is CP932.
  virtual std::string ClipboardText() = 0;
  // Characters of the last ClipboardText that CP932 lacks (each became "?").
  virtual int ClipboardTextLost() { return 0; }
  virtual void SetClipboardText(const std::string& text) = 0;
  virtual bool ClipboardImage(TRasterImage& image) = 0;
  virtual void SetClipboardImage(const TRasterImage& image) = 0;
  // Common dialogs; false when cancelled.
  virtual bool OpenFileDialog(TFileDialogRequest& request) = 0;
  virtual bool SaveFileDialog(TFileDialogRequest& request) = 0;
  virtual bool ColorDialog(std::uint32_t& rgb) = 0;  // 0xRRGGBB
  virtual bool PrintDialog(TPrintSetup& setup) = 0;
  // The printer the last accepted print dialog chose, as a canvas (its
  // printable page, its resolution, its print job); null when there is none.
  virtual ICanvas* Printer() { return nullptr; }
  // The title of the next print job in the printer's queue (CP932).
  virtual void SetPrintJobTitle(const std::string& title) { (void)title; }
  // A dialog asking for one line of text (CP932), text holding the
  // proposal; false when cancelled.
  virtual bool InputQuery(const std::string& caption, const std::string& prompt, std::string& text) = 0;
  // The DXF import dialog on the form's values; false when cancelled.
  virtual bool LoadDxfDialog(TLoadDxfForm& form) = 0;
  // The box counter's dialog, kept open while its buttons count: count(false)
  // for "集　計", count(true) for "集計＆色塗" (they update the form). Returns
  // when the user closes it; false where there is no dialog.
  virtual bool BoxCounterDialog(TBoxCounterForm& form, const std::function<void(bool colour)>& count) {
    (void)form;
    (void)count;
    return false;
  }
  // The attribute change's dialog on the form; false when not confirmed.
  virtual bool PenChangeDialog(TPenChangeForm& form) {
    (void)form;
    return false;
  }
  // The drawing frame's dialog; ok checks the form before it closes (false
  // keeps it open). False when cancelled.
  virtual bool DrawFrameDialog(TDrawFrameForm& form, const std::function<bool()>& ok) {
    (void)form;
    (void)ok;
    return false;
  }
  // The settings dialog on the form, opened on the page of that caption;
  // false when cancelled.
  virtual bool OptionDialog(TOptionForm& form, const std::string& page) {
    (void)form;
    (void)page;
    return false;
  }
  // The window size's dialog; false when cancelled.
  virtual bool SizeDialog(TSizeForm& form) {
    (void)form;
    return false;
  }
  // The main window sized so that its drawing area is width x height pixels
  // (wholeWindow: the whole window that size); true when it did so and told
  // the core through the usual resize input, false where there is no window
  // (the core then takes the size as the area's own).
  virtual bool SetDrawingAreaSize(int width, int height, bool wholeWindow) {
    (void)width;
    (void)height;
    (void)wholeWindow;
    return false;
  }
  // The screen's size in pixels.
  virtual void ScreenSize(int& width, int& height) {
    width = 1920;
    height = 1080;
  }
  // The number table's dialog on the form; false when cancelled.
  virtual bool NumLinesDialog(TNumLinesForm& form) {
    (void)form;
    return false;
  }
  // Opens a web or mail address with the desktop's handler.
  virtual bool OpenUrl(const std::string& url) = 0;
  // Runs an outside program; with wait, returns its exit code, else 0 once
  // started; -1 when it could not be started.
  virtual int RunProgram(const TRunRequest& request) = 0;
  // Asks the main window to close as the user's close does (the save
  // questions first). Nothing where there is no window.
  virtual void CloseMainWindow() {}
  // The window shows the core's state at once, in the middle of a long task
  // that keeps the event loop waiting (a progress panel).
  virtual void ShowNow() {}
};

// The installed platform. Before a front end installs one, a silent stand-in
// answers every box with its first button and every dialog with Cancel.
IPlatform& Platform();
// Installs p (nullptr restores the silent stand-in). The caller keeps ownership.
void SetPlatform(IPlatform* p);

// The first (default) answer of a button set.
MsgAnswer FirstAnswer(MsgButtons buttons);
// A box of one button tells; the others ask.
inline bool SingleButton(MsgButtons b) { return b == MsgButtons::Ok || b == MsgButtons::Abort || b == MsgButtons::Yes; }
