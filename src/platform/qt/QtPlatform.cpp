#include "platform/qt/QtPlatform.h"

#include <QApplication>
#include <QMessageBox>

#include "platform/qt/QtText.h"

void QtPlatform::Beep() { QApplication::beep(); }

MsgAnswer QtPlatform::MessageBox(const std::string& text, const std::string& caption, MsgButtons buttons,
                                 MsgIcon icon) {
  using SB = QMessageBox::StandardButton;
  QMessageBox::StandardButtons set;
  switch (buttons) {
    case MsgButtons::Ok: set = SB::Ok; break;
    case MsgButtons::OkCancel: set = SB::Ok | SB::Cancel; break;
    case MsgButtons::YesNo: set = SB::Yes | SB::No; break;
    case MsgButtons::YesNoCancel: set = SB::Yes | SB::No | SB::Cancel; break;
    case MsgButtons::Abort: set = SB::Abort; break;
    case MsgButtons::AbortRetryIgnore: set = SB::Abort | SB::Retry | SB::Ignore; break;
    case MsgButtons::RetryCancel: set = SB::Retry | SB::Cancel; break;
  }
  QMessageBox::Icon qicon = QMessageBox::NoIcon;
  switch (icon) {
    case MsgIcon::None: break;
    case MsgIcon::Information: qicon = QMessageBox::Information; break;
    case MsgIcon::Warning: qicon = QMessageBox::Warning; break;
    case MsgIcon::Error: qicon = QMessageBox::Critical; break;
    case MsgIcon::Question: qicon = QMessageBox::Question; break;
  }
  QMessageBox box(qicon, FromSjis(caption), FromSjis(text), set, main_);
  switch (box.exec()) {
    case SB::Ok: return MsgAnswer::Ok;
    case SB::Yes: return MsgAnswer::Yes;
    case SB::No: return MsgAnswer::No;
    case SB::Abort: return MsgAnswer::Abort;
    case SB::Retry: return MsgAnswer::Retry;
    case SB::Ignore: return MsgAnswer::Ignore;
    default: return MsgAnswer::Cancel;
  }
}
