#include "kernel/Platform.h"

namespace {

class SilentPlatform final : public IPlatform {
public:
  void Beep() override {}
  MsgAnswer MessageBox(const std::string&, const std::string&, MsgButtons buttons, MsgIcon) override {
    return FirstAnswer(buttons);
  }
};

SilentPlatform g_silent;
IPlatform* g_platform = &g_silent;

}  // namespace

IPlatform& Platform() { return *g_platform; }

void SetPlatform(IPlatform* p) { g_platform = p ? p : &g_silent; }

MsgAnswer FirstAnswer(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::Ok:
    case MsgButtons::OkCancel: return MsgAnswer::Ok;
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel: return MsgAnswer::Yes;
    case MsgButtons::Abort:
    case MsgButtons::AbortRetryIgnore: return MsgAnswer::Abort;
    case MsgButtons::RetryCancel: return MsgAnswer::Retry;
  }
  return MsgAnswer::Ok;
}
