// The main window's whole run, as `velmo` starts it and the window tests
// drive it: the core reset, the program folder, the Qt platform installed,
// the window created (FormCreate), shown and started (FormShow with the
// command-line drawing), the event loop, and the close's clean-up.
#pragma once

#include <functional>
#include <string>

class TForm1;

struct TMainRun {
  std::string drawing;  // UTF-8 path of the command-line drawing, "" for none
  bool sample = false;  // the sample drawing built in code instead
  bool maximized = true;
  int width = 0, height = 0;  // when not maximized
  int backupIntervalMs = 1000;  // one tick of the backup timer
  // The script every input of the window is recorded to (UTF-8 path, "" for none).
  std::string record;
  // Called once the window is shown and its drawings are open, before the
  // event loop runs.
  std::function<void(TForm1&)> started;
};

// Needs the QApplication. Returns the event loop's exit code.
int RunMainWindow(const TMainRun& run);
