// Recording the window's input as a script (`velmo --record FILE`): every
// input that reaches the core through app/ApInput becomes one line of the
// script language of src/VelmoScript, and the answers the user gave to the
// questions and dialogs that input raised are written as "answer" lines
// before it, so that `velmo --script FILE` replays the session to the same
// drawing.
//
// Positions are written in drawing coordinates, in the shortest digits that
// read back as the same number, when they convert back to exactly the pixel
// the window reported; otherwise ("px X,Y") as that pixel. The script starts
// with the drawing area's size and the drawing the window opened from the
// command line, which the runner takes as the window's start.
//
// The file is appended to and flushed line by line: a crash or a killed
// run loses at most the input being handled (a file replaced as a whole at
// the end would lose the whole session).
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/ApInput.h"
#include "kernel/Platform.h"

class TScriptRecorder final : public IInputRecorder, public IPlatform {
public:
  // Every platform service goes on to the platform the window runs on; the
  // answers it returns are noted.
  explicit TScriptRecorder(IPlatform& platform) : platform_(platform) {}
  ~TScriptRecorder() override;
  TScriptRecorder(const TScriptRecorder&) = delete;
  TScriptRecorder& operator=(const TScriptRecorder&) = delete;

  // Creates or empties the file (path UTF-8); false when it cannot be written.
  bool Open(const std::filesystem::path& file);
  // The window has started with this drawing (UTF-8 path, "" for none):
  // from now on answers are recorded. Answers the start itself needed are
  // not (a scripted start asks nothing).
  void Started(const std::string& drawing);
  void Close();
  // A comment line (UTF-8).
  void Comment(const std::string& text) { Write("# " + text); }
  // A line could not be written (told once on standard error).
  bool failed() const { return failed_; }

  // IInputRecorder
  void Begin(const TInputEvent& e) override;
  void End(const TInputEvent& e) override;

  // IPlatform
  void Beep() override { platform_.Beep(); }
  MsgAnswer MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                       MsgIcon icon) override;
  void SetScreenCursor(CursorShape shape) override { platform_.SetScreenCursor(shape); }
  bool IsKeyDown(PhysKey key) override { return platform_.IsKeyDown(key); }
  int StartTimer(int intervalMs, std::function<void()> tick) override {
    return platform_.StartTimer(intervalMs, std::move(tick));
  }
  void StopTimer(int id) override { platform_.StopTimer(id); }
  std::string ClipboardText() override;
  int ClipboardTextLost() override { return platform_.ClipboardTextLost(); }
  void SetClipboardText(const std::string& text) override { platform_.SetClipboardText(text); }
  bool ClipboardImage(TRasterImage& image) override { return platform_.ClipboardImage(image); }
  void SetClipboardImage(const TRasterImage& image) override { platform_.SetClipboardImage(image); }
  bool OpenFileDialog(TFileDialogRequest& request) override;
  bool SaveFileDialog(TFileDialogRequest& request) override;
  bool ColorDialog(std::uint32_t& rgb) override;
  bool PrintDialog(TPrintSetup& setup) override;
  bool InputQuery(const std::string& caption, const std::string& prompt, std::string& text) override;
  bool LoadDxfDialog(TLoadDxfForm& form) override;
  bool BoxCounterDialog(TBoxCounterForm& form, const std::function<void(bool colour)>& count) override;
  bool PenChangeDialog(TPenChangeForm& form) override;
  bool NumLinesDialog(TNumLinesForm& form) override;
  bool OpenUrl(const std::string& url) override { return platform_.OpenUrl(url); }
  int RunProgram(const TRunRequest& request) override { return platform_.RunProgram(request); }
  void CloseMainWindow() override { platform_.CloseMainWindow(); }

  // The script line of an input as the view is now ("" for none).
  static std::string Line(const TInputEvent& e);

private:
  void Answer(const std::string& line);
  void DialogState(std::vector<TDialogControl> controls);
  void Write(const std::string& line);

  IPlatform& platform_;
  std::FILE* file_ = nullptr;
  bool started_ = false;
  bool failed_ = false;
  bool inInput_ = false;
  std::string line_;                  // of the input being handled
  std::vector<std::string> answers_;  // given while it is handled
  // A field whose text the input may change by what the histories hold:
  // its text before, so the line after it can pin the result.
  bool watchField_ = false;
  TEditField field_ = TEditField::edCommon;
  std::string fieldText_;
};
