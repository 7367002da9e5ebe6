// The platform for tests and the command line: no window, no sound. It
// records every beep and message box, and answers questions from a script
// that the caller sets up beforehand. A question nobody scripted is reported
// through the failure handler (a test failure under the test runner).
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "kernel/Platform.h"

struct RecordedMessage {
  std::string text;     // CP932, as the core passed it
  std::string caption;  // CP932
  MsgButtons buttons;
  MsgIcon icon;
  MsgAnswer answer;
};

class HeadlessPlatform final : public IPlatform {
public:
  void Beep() override;
  MsgAnswer MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                       MsgIcon icon) override;

  // Forgets the record and the script.
  void Reset();
  // The next question gets this answer. Boxes with one button need none.
  void ScriptAnswer(MsgAnswer a) { answers_.push_back(a); }

  int beeps() const { return beeps_; }
  const std::vector<RecordedMessage>& messages() const { return messages_; }
  std::size_t unusedAnswers() const { return answers_.size(); }

  // Called with a UTF-8 description when a question arrives unscripted.
  // The default prints it and aborts.
  void SetFailureHandler(std::function<void(const std::string&)> handler) { onFailure_ = std::move(handler); }
  // Writes each message to standard error in UTF-8 as it arrives (command line).
  void SetEcho(bool on) { echo_ = on; }

private:
  int beeps_ = 0;
  std::vector<RecordedMessage> messages_;
  std::deque<MsgAnswer> answers_;
  std::function<void(const std::string&)> onFailure_;
  bool echo_ = false;
};

// The one headless platform of the process.
HeadlessPlatform& Headless();
