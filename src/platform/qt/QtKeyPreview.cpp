#include "platform/qt/QtKeyPreview.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QWidget>
#include <bitset>

#include "app/Ap_Unit1.h"
#include "platform/qt/QtConvert.h"

namespace {
std::bitset<256> g_held;
}  // namespace

bool QtKeyHeld(int vk) { return vk > 0 && vk < static_cast<int>(g_held.size()) && g_held[vk]; }

TKeyPreview::TKeyPreview(QWidget* window, std::function<void()> afterInput)
    : QObject(window), window_(window), afterInput_(std::move(afterInput)) {
  qApp->installEventFilter(this);
}

TKeyPreview::~TKeyPreview() { qApp->removeEventFilter(this); }

bool TKeyPreview::Preview(QKeyEvent* e, bool down) {
  const int vk = QtKeyToVk(e->key(), e->modifiers());
  if (!vk) return false;
  if (!down) {
    if (e->isAutoRepeat()) return false;
    FormKeyUp(vk);
    afterInput_();
    return false;
  }
  const bool consumed = FormKeyDown(vk, ShiftBits(e->modifiers(), QGuiApplication::mouseButtons()));
  afterInput_();
  return consumed;
}

bool TKeyPreview::eventFilter(QObject* obj, QEvent* e) {
  switch (e->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      auto* ke = static_cast<QKeyEvent*>(e);
      const bool down = e->type() == QEvent::KeyPress;
      // The physical state, from every window's keys: an event reaches this
      // filter once for each widget it passes, and setting a bit is idempotent.
      if (!ke->isAutoRepeat()) {
        const int vk = QtKeyToVk(ke->key(), ke->modifiers());
        if (vk > 0 && vk < static_cast<int>(g_held.size())) g_held[vk] = down;
      }
      // Each key of this window once, for the widget with the focus (or the
      // window itself when nothing has it).
      if (!obj->isWidgetType()) return false;
      auto* w = static_cast<QWidget*>(obj);
      if (w->window() != window_) return false;
      QWidget* target = QApplication::focusWidget();
      if (w != (target ? target : window_)) return false;
      return Preview(ke, down);
    }
    case QEvent::ApplicationStateChange:
      if (QGuiApplication::applicationState() != Qt::ApplicationActive) g_held.reset();
      return false;
    default: return false;
  }
}
