#include "platform/headless/HeadlessPlatform.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "kernel/SjisConv.h"

extern char** environ;

HeadlessPlatform& Headless() {
  static HeadlessPlatform p;
  return p;
}

void HeadlessPlatform::Reset() {
  auto failure = std::move(onFailure_);
  const bool echo = echo_;
  *this = HeadlessPlatform{};
  onFailure_ = std::move(failure);
  echo_ = echo;
}

void HeadlessPlatform::Unscripted(const std::string& what) {
  if (onFailure_) {
    onFailure_(what);
  } else {
    std::fprintf(stderr, "velmo: %s\n", what.c_str());
    std::abort();
  }
}

void HeadlessPlatform::Beep() { ++beeps_; }

MsgAnswer HeadlessPlatform::MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                                       MsgIcon icon) {
  const bool singleButton = SingleButton(buttons);
  MsgAnswer answer = FirstAnswer(buttons);
  if (!singleButton) {
    if (answers_.empty()) {
      Unscripted("unscripted question: " + SjisToUtf8(text));
    } else {
      answer = answers_.front();
      answers_.pop_front();
    }
  }
  if (echo_) std::fprintf(stderr, "%s\n", SjisToUtf8(text).c_str());
  messages_.push_back({text, caption, buttons, icon, answer});
  return answer;
}

bool HeadlessPlatform::IsKeyDown(PhysKey key) { return keys_[static_cast<int>(key)]; }

int HeadlessPlatform::StartTimer(int, std::function<void()> tick) {
  const int id = nextTimer_++;
  timers_[id] = std::move(tick);
  return id;
}

void HeadlessPlatform::StopTimer(int id) { timers_.erase(id); }

void HeadlessPlatform::FireTimers() {
  // A tick may stop or start timers: run a snapshot of the ids.
  std::vector<int> ids;
  for (const auto& t : timers_) ids.push_back(t.first);
  for (int id : ids) {
    auto it = timers_.find(id);
    if (it != timers_.end()) {
      auto tick = it->second;
      tick();
    }
  }
}

bool HeadlessPlatform::ClipboardImage(TRasterImage& image) {
  if (!hasClipImage_) return false;
  image = clipImage_;
  return true;
}

void HeadlessPlatform::SetClipboardImage(const TRasterImage& image) {
  clipImage_ = image;
  hasClipImage_ = true;
}

bool HeadlessPlatform::FileDialog(TFileDialogRequest& request, const char* kind) {
  fileDialogs_.push_back(request);
  if (fileAnswers_.empty()) {
    Unscripted(std::string("unscripted ") + kind + " dialog: " + SjisToUtf8(request.title));
    return false;
  }
  FileAnswer a = std::move(fileAnswers_.front());
  fileAnswers_.pop_front();
  if (!a.ok) return false;
  request.fileName = a.path;
  if (a.filterIndex > 0) request.filterIndex = a.filterIndex;
  return true;
}

bool HeadlessPlatform::OpenFileDialog(TFileDialogRequest& request) { return FileDialog(request, "open"); }
bool HeadlessPlatform::SaveFileDialog(TFileDialogRequest& request) { return FileDialog(request, "save"); }

bool HeadlessPlatform::ColorDialog(std::uint32_t& rgb) {
  if (colorAnswers_.empty()) {
    Unscripted("unscripted colour dialog");
    return false;
  }
  const auto [ok, value] = colorAnswers_.front();
  colorAnswers_.pop_front();
  if (ok) rgb = value;
  return ok;
}

bool HeadlessPlatform::LoadDxfDialog(TLoadDxfForm& form) {
  if (dxfAnswers_.empty()) {
    Unscripted("unscripted DXF dialog");
    return false;
  }
  const auto [ok, answer] = dxfAnswers_.front();
  dxfAnswers_.pop_front();
  if (ok) {
    const std::string name = form.fileName;
    form = answer;
    form.fileName = name;
  }
  return ok;
}

bool HeadlessPlatform::RunDialogActions(std::vector<TDialogControl> controls, const char* what) {
  if (dialogActions_.empty()) {
    Unscripted(what);
    return false;
  }
  while (!dialogActions_.empty()) {
    const DialogAction a = dialogActions_.front();
    dialogActions_.pop_front();
    TDialogControl* c = FindDialogControl(controls, a.control);
    if (!c) {
      Unscripted("unscripted dialog control " + a.control);
      return false;
    }
    if (a.press) {
      if (c->press) c->press();
      if (c->closes && (!c->accept || c->accept())) return true;
    } else if (a.check >= 0 && c->check) {
      *c->check = a.check == 1;
    } else if (a.check < 0 && c->text) {
      *c->text = a.text;
    } else {
      Unscripted("unscripted dialog control " + a.control);
      return false;
    }
  }
  return false;
}

bool HeadlessPlatform::BoxCounterDialog(TBoxCounterForm& form, const std::function<void(bool colour)>& count) {
  // No button closes it: it is open while there are actions.
  RunDialogActions(form.Controls(count), "unscripted box counter dialog");
  return true;
}

bool HeadlessPlatform::PenChangeDialog(TPenChangeForm& form) {
  return RunDialogActions(form.Controls(), "unscripted pen change dialog");
}

bool HeadlessPlatform::DrawFrameDialog(TDrawFrameForm& form, const std::function<bool()>& ok) {
  return RunDialogActions(form.Controls(ok), "unscripted drawing frame dialog");
}

bool HeadlessPlatform::OptionDialog(TOptionForm& form, const std::string&) {
  return RunDialogActions(form.Controls(), "unscripted settings dialog");
}

bool HeadlessPlatform::SizeDialog(TSizeForm& form) {
  return RunDialogActions(form.Controls(), "unscripted window size dialog");
}

bool HeadlessPlatform::NumLinesDialog(TNumLinesForm& form) {
  return RunDialogActions(form.Controls(), "unscripted number table dialog");
}

ICanvas* HeadlessPlatform::Printer() {
  if (!printerChosen_) return nullptr;
  if (externalPrinter_) return externalPrinter_;
  if (!printer_) printer_ = std::make_shared<RecordCanvas>(printerW_, printerH_, printerDpi_);
  return printer_.get();
}

void HeadlessPlatform::SetPrinterPage(int widthPx, int heightPx, double dpi) {
  printerW_ = widthPx;
  printerH_ = heightPx;
  printerDpi_ = dpi;
  printer_.reset();
}

bool HeadlessPlatform::PrintDialog(TPrintSetup& setup) {
  printDialogs_.push_back(setup);
  if (printerFactory_) {
    externalPrinter_ = printerFactory_(setup);
    printerChosen_ = externalPrinter_ != nullptr;
    return printerChosen_;
  }
  if (printAnswers_.empty()) {
    Unscripted("unscripted print dialog");
    return false;
  }
  auto [ok, value] = printAnswers_.front();
  printAnswers_.pop_front();
  if (ok) setup = value;
  printerChosen_ = printerChosen_ || ok;
  return ok;
}

bool HeadlessPlatform::InputQuery(const std::string& caption, const std::string& prompt, std::string& text) {
  if (textAnswers_.empty()) {
    Unscripted("unscripted input dialog: " + SjisToUtf8(caption) + " " + SjisToUtf8(prompt));
    return false;
  }
  auto [ok, value] = std::move(textAnswers_.front());
  textAnswers_.pop_front();
  if (ok) text = std::move(value);
  return ok;
}

bool HeadlessPlatform::OpenUrl(const std::string& url) {
  urls_.push_back(url);
  return true;
}

int HeadlessPlatform::RunProgram(const TRunRequest& request) {
  std::vector<std::string> argvStore;
  argvStore.push_back(request.program);
  for (const auto& a : request.args) argvStore.push_back(a);
  std::vector<char*> argv;
  for (auto& s : argvStore) argv.push_back(s.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 29))
  if (!request.workDir.empty()) posix_spawn_file_actions_addchdir_np(&actions, request.workDir.c_str());
#endif
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, request.program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  if (!request.wait) return 0;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
