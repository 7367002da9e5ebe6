#include "platform/headless/HeadlessPlatform.h"

#include <cstdio>
#include <cstdlib>

#include "kernel/SjisConv.h"

HeadlessPlatform& Headless() {
  static HeadlessPlatform p;
  return p;
}

void HeadlessPlatform::Beep() { ++beeps_; }

void HeadlessPlatform::Reset() {
  beeps_ = 0;
  messages_.clear();
  answers_.clear();
}

MsgAnswer HeadlessPlatform::MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                                       MsgIcon icon) {
  const bool singleButton = buttons == MsgButtons::Ok || buttons == MsgButtons::Abort;
  MsgAnswer answer = FirstAnswer(buttons);
  if (!singleButton) {
    if (answers_.empty()) {
      const std::string what = "unscripted question: " + SjisToUtf8(text);
      if (onFailure_) {
        onFailure_(what);
      } else {
        std::fprintf(stderr, "velmo: %s\n", what.c_str());
        std::abort();
      }
    } else {
      answer = answers_.front();
      answers_.pop_front();
    }
  }
  if (echo_) std::fprintf(stderr, "%s\n", SjisToUtf8(text).c_str());
  messages_.push_back({text, caption, buttons, icon, answer});
  return answer;
}
