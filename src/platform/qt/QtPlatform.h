// The platform services on the Qt desktop.
#pragma once

#include "kernel/Platform.h"

class QWidget;

class QtPlatform final : public IPlatform {
public:
  void Beep() override;
  MsgAnswer MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                       MsgIcon icon) override;
  // Message boxes are modal to this window.
  void SetMainWindow(QWidget* w) { main_ = w; }

private:
  QWidget* main_ = nullptr;
};
