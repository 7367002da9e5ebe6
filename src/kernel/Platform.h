// The services the core asks of the platform it runs on: the Qt window system
// or the headless harness used by tests and the command line. The core calls
// Platform(); a front end installs its implementation with SetPlatform().
#pragma once

#include <string>

// Buttons a message box offers, as the standard box sets.
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, Abort, AbortRetryIgnore, RetryCancel };
enum class MsgIcon { None, Information, Warning, Error, Question };
// The button the user pressed.
enum class MsgAnswer { Ok, Cancel, Yes, No, Abort, Retry, Ignore };

class IPlatform {
public:
  virtual ~IPlatform() = default;
  // The system's default beep, used to refuse a point or a value.
  virtual void Beep() = 0;
  // A modal message box. text and caption are CP932.
  virtual MsgAnswer MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                               MsgIcon icon) = 0;
};

// The installed platform. Before a front end installs one, a silent stand-in
// answers every box with its first button.
IPlatform& Platform();
// Installs p (nullptr restores the silent stand-in). The caller keeps ownership.
void SetPlatform(IPlatform* p);

// The first (default) answer of a button set.
MsgAnswer FirstAnswer(MsgButtons buttons);
