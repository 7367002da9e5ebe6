#include "kernel/Platform.h"

namespace {

class SilentPlatform final : public IPlatform {
public:
  void Beep() override {}
  MsgAnswer MessageBox(const std::string&, const std::string&, MsgButtons buttons, MsgIcon) override {
    return FirstAnswer(buttons);
  }
  void SetScreenCursor(CursorShape) override {}
  bool IsKeyDown(PhysKey) override { return false; }
  int StartTimer(int, std::function<void()>) override { return 0; }
  void StopTimer(int) override {}
  std::string ClipboardText() override { return {}; }
  void SetClipboardText(const std::string&) override {}
  bool ClipboardImage(TRasterImage&) override { return false; }
  void SetClipboardImage(const TRasterImage&) override {}
  bool OpenFileDialog(TFileDialogRequest&) override { return false; }
  bool SaveFileDialog(TFileDialogRequest&) override { return false; }
  bool ColorDialog(std::uint32_t&) override { return false; }
  bool PrintDialog(TPrintSetup&) override { return false; }
  bool InputQuery(const std::string&, const std::string&, std::string&) override { return false; }
  bool LoadDxfDialog(TLoadDxfForm&) override { return false; }
  bool OpenUrl(const std::string&) override { return false; }
  int RunProgram(const TRunRequest&) override { return -1; }
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
    case MsgButtons::Yes:
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel: return MsgAnswer::Yes;
    case MsgButtons::Abort:
    case MsgButtons::AbortRetryIgnore: return MsgAnswer::Abort;
    case MsgButtons::RetryCancel: return MsgAnswer::Retry;
  }
  return MsgAnswer::Ok;
}
