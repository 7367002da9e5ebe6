// The platform services on the Qt desktop.
#pragma once

#include <functional>
#include <map>
#include <memory>

#include "kernel/Platform.h"

class QWidget;
class QPrinter;
class PrinterCanvas;
class QTimer;

class QtPlatform final : public IPlatform {
public:
  QtPlatform();
  ~QtPlatform() override;

  void Beep() override;
  MsgAnswer MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                       MsgIcon icon) override;
  void SetScreenCursor(CursorShape shape) override;
  bool IsKeyDown(PhysKey key) override;
  int StartTimer(int intervalMs, std::function<void()> tick) override;
  void StopTimer(int id) override;
  std::string ClipboardText() override;
  int ClipboardTextLost() override { return clipboardLost_; }
  void SetClipboardText(const std::string& text) override;
  bool ClipboardImage(TRasterImage& image) override;
  void SetClipboardImage(const TRasterImage& image) override;
  bool OpenFileDialog(TFileDialogRequest& request) override;
  bool SaveFileDialog(TFileDialogRequest& request) override;
  bool ColorDialog(std::uint32_t& rgb) override;
  bool PrintDialog(TPrintSetup& setup) override;
  ICanvas* Printer() override;
  void SetPrintJobTitle(const std::string& title) override;
  bool InputQuery(const std::string& caption, const std::string& prompt, std::string& text) override;
  bool LoadDxfDialog(TLoadDxfForm& form) override;
  bool BoxCounterDialog(TBoxCounterForm& form, const std::function<void(bool colour)>& count) override;
  bool PenChangeDialog(TPenChangeForm& form) override;
  bool NumLinesDialog(TNumLinesForm& form) override;
  bool DrawFrameDialog(TDrawFrameForm& form, const std::function<bool()>& ok) override;
  bool SizeDialog(TSizeForm& form) override;
  bool SetDrawingAreaSize(int width, int height, bool wholeWindow) override;
  void ScreenSize(int& width, int& height) override;
  bool OpenUrl(const std::string& url) override;
  int RunProgram(const TRunRequest& request) override;
  // Closes the main window after the event under way (its close asks).
  void CloseMainWindow() override;
  void ShowNow() override;

  // Dialogs and message boxes are modal to this window.
  void SetMainWindow(QWidget* w) { main_ = w; }
  // Called after every timer tick and before a message box, so the window
  // shows what the core changed in it.
  void SetAfterTick(std::function<void()> f) { afterTick_ = std::move(f); }
  // Shows the window's state at once (ShowNow).
  void SetShowNow(std::function<void()> f) { showNow_ = std::move(f); }

private:
  bool FileDialog(TFileDialogRequest& request, bool save);

  QWidget* main_ = nullptr;
  bool overrideCursor_ = false;
  std::map<int, QTimer*> timers_;
  int nextTimer_ = 1;
  std::function<void()> afterTick_;
  std::function<void()> showNow_;
  int clipboardLost_ = 0;
  // The printer the last accepted print dialog chose, kept for the jobs
  // that follow, and the canvas over it.
  std::unique_ptr<QPrinter> printer_;
  std::unique_ptr<PrinterCanvas> printerCanvas_;
};
