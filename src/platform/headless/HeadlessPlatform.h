// The platform for tests and the command line: no window, no sound. It
// records every beep, message box and dialog, and answers questions from a
// script that the caller sets up beforehand. A question nobody scripted is
// reported through the failure handler (a test failure under the test runner).
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "kernel/Platform.h"
#include "render/RecordCanvas.h"

struct RecordedMessage {
  std::string text;     // CP932, as the core passed it
  std::string caption;  // CP932
  MsgButtons buttons;
  MsgIcon icon;
  MsgAnswer answer;
};

// A scripted answer to a file dialog: the path chosen, or cancel.
struct FileAnswer {
  bool ok = false;
  std::string path;  // UTF-8
  int filterIndex = 0;  // 0 keeps the dialog's
};

class HeadlessPlatform final : public IPlatform {
public:
  void Beep() override;
  MsgAnswer MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                       MsgIcon icon) override;
  void SetScreenCursor(CursorShape shape) override { cursor_ = shape; }
  bool IsKeyDown(PhysKey key) override;
  int StartTimer(int intervalMs, std::function<void()> tick) override;
  void StopTimer(int id) override;
  std::string ClipboardText() override { return clipText_; }
  void SetClipboardText(const std::string& text) override { clipText_ = text; }
  bool ClipboardImage(TRasterImage& image) override;
  void SetClipboardImage(const TRasterImage& image) override;
  bool OpenFileDialog(TFileDialogRequest& request) override;
  bool SaveFileDialog(TFileDialogRequest& request) override;
  bool ColorDialog(std::uint32_t& rgb) override;
  bool PrintDialog(TPrintSetup& setup) override;
  // After an accepted print dialog: a recording printer of the page set by
  // SetPrinterPage (600 dpi, 190 x 277 mm unless set).
  ICanvas* Printer() override;
  void SetPrintJobTitle(const std::string& title) override { printTitle_ = title; }
  void SetPrinterPage(int widthPx, int heightPx, double dpi);
  // A real printer for the command line: a print dialog takes it without a
  // script, from the setup it was opened with.
  void SetPrinterFactory(std::function<ICanvas*(const TPrintSetup&)> factory) { printerFactory_ = std::move(factory); }
  const std::string& printJobTitle() const { return printTitle_; }
  // The setups the print dialogs were opened with.
  const std::vector<TPrintSetup>& printDialogs() const { return printDialogs_; }
  bool InputQuery(const std::string& caption, const std::string& prompt, std::string& text) override;
  bool LoadDxfDialog(TLoadDxfForm& form) override;
  // Dialogs do the scripted dialog actions in order (a field set, a box
  // ticked, a button pressed) until a button closes them with OK or the
  // actions run out (the box counter's has no such button; others are then
  // cancelled).
  bool BoxCounterDialog(TBoxCounterForm& form, const std::function<void(bool colour)>& count) override;
  bool PenChangeDialog(TPenChangeForm& form) override;
  bool NumLinesDialog(TNumLinesForm& form) override;
  bool DrawFrameDialog(TDrawFrameForm& form, const std::function<bool()>& ok) override;
  bool SizeDialog(TSizeForm& form) override;
  bool OptionDialog(TOptionForm& form, const std::string& page) override;
  bool OpenUrl(const std::string& url) override;
  // Runs the program for real (posix_spawn); the command line needs it.
  int RunProgram(const TRunRequest& request) override;
  // Noted: there is no window to close.
  void CloseMainWindow() override { ++closeRequests_; }
  // Noted, and told to the observer a test installed.
  void ShowNow() override {
    ++showNowCalls_;
    if (onShowNow_) onShowNow_();
  }
  void OnShowNow(std::function<void()> f) { onShowNow_ = std::move(f); }

  // Forgets the record, the script, the timers, the clipboard and the keys.
  void Reset();

  // --- the script
  // The next message box with more than one button gets this answer.
  void ScriptAnswer(MsgAnswer a) { answers_.push_back(a); }
  void ScriptFile(FileAnswer a) { fileAnswers_.push_back(std::move(a)); }
  void ScriptColor(bool ok, std::uint32_t rgb = 0) { colorAnswers_.push_back({ok, rgb}); }
  // The DXF import dialog's answer: OK with these fields (the file name is
  // the program's), or cancelled.
  void ScriptLoadDxf(bool ok, const TLoadDxfForm& form = {}) { dxfAnswers_.push_back({ok, form}); }
  void ScriptPrint(bool ok, TPrintSetup setup = {}) { printAnswers_.push_back({ok, setup}); }
  // A dialog action for the next dialog, by the control's name: set a
  // field's text (CP932), tick a box or not, press a button.
  void ScriptDialog(std::string control, std::string text, bool press) {
    dialogActions_.push_back({std::move(control), std::move(text), press, -1});
  }
  void ScriptDialogCheck(std::string control, bool on) {
    dialogActions_.push_back({std::move(control), {}, false, on ? 1 : 0});
  }
  // The next input dialog: the text typed (CP932), or cancel.
  void ScriptText(bool ok, std::string text = {}) { textAnswers_.push_back({ok, std::move(text)}); }
  void SetKeyDown(PhysKey key, bool down) { keys_[static_cast<int>(key)] = down; }
  // Runs the tick of every started timer once (in start order).
  void FireTimers();

  // --- the record
  int beeps() const { return beeps_; }
  const std::vector<RecordedMessage>& messages() const { return messages_; }
  std::size_t unusedAnswers() const {
    return answers_.size() + fileAnswers_.size() + colorAnswers_.size() + dxfAnswers_.size() + printAnswers_.size() +
           textAnswers_.size() + dialogActions_.size();
  }
  CursorShape screenCursor() const { return cursor_; }
  const std::vector<TFileDialogRequest>& fileDialogs() const { return fileDialogs_; }
  const std::vector<std::string>& openedUrls() const { return urls_; }
  int activeTimers() const { return static_cast<int>(timers_.size()); }
  int closeRequests() const { return closeRequests_; }
  int showNowCalls() const { return showNowCalls_; }
  bool hasClipboardImage() const { return hasClipImage_; }

  // Called with a UTF-8 description when a question arrives unscripted.
  // The default prints it and aborts.
  void SetFailureHandler(std::function<void(const std::string&)> handler) { onFailure_ = std::move(handler); }
  const std::function<void(const std::string&)>& FailureHandler() const { return onFailure_; }
  // Writes each message to standard error in UTF-8 as it arrives (command line).
  void SetEcho(bool on) { echo_ = on; }

private:
  void Unscripted(const std::string& what);
  bool FileDialog(TFileDialogRequest& request, const char* kind);

  int beeps_ = 0;
  int closeRequests_ = 0;
  int showNowCalls_ = 0;
  std::function<void()> onShowNow_;
  std::vector<RecordedMessage> messages_;
  std::deque<MsgAnswer> answers_;
  std::shared_ptr<RecordCanvas> printer_;
  bool printerChosen_ = false;
  std::function<ICanvas*(const TPrintSetup&)> printerFactory_;
  ICanvas* externalPrinter_ = nullptr;
  int printerW_ = 4488, printerH_ = 6543;  // 190 x 277 mm at 600 dpi
  double printerDpi_ = 600;
  std::string printTitle_;
  std::vector<TPrintSetup> printDialogs_;
  std::deque<FileAnswer> fileAnswers_;
  std::deque<std::pair<bool, std::uint32_t>> colorAnswers_;
  std::deque<std::pair<bool, TLoadDxfForm>> dxfAnswers_;
  std::deque<std::pair<bool, TPrintSetup>> printAnswers_;
  std::deque<std::pair<bool, std::string>> textAnswers_;
  struct DialogAction {
    std::string control, text;
    bool press = false;
    int check = -1;  // 0 or 1 for a check box
  };
  bool RunDialogActions(std::vector<TDialogControl> controls, const char* what);
  std::deque<DialogAction> dialogActions_;
  std::vector<TFileDialogRequest> fileDialogs_;
  std::vector<std::string> urls_;
  std::map<int, std::function<void()>> timers_;
  int nextTimer_ = 1;
  bool keys_[kPhysKeys] = {};
  CursorShape cursor_ = CursorShape::Default;
  std::string clipText_;
  TRasterImage clipImage_;
  bool hasClipImage_ = false;
  std::function<void(const std::string&)> onFailure_;
  bool echo_ = false;
};

// The one headless platform of the process.
HeadlessPlatform& Headless();
