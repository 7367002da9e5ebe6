#include "platform/qt/QtKeyPreview.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QWidget>
#include <array>
#include <bitset>
#include <cstdlib>

#ifdef VELMO_HAVE_XCB
#include <xcb/xcb.h>
#endif

#include "app/ApInput.h"
#include "platform/qt/QtConvert.h"

namespace {

std::bitset<256> g_held;
// The native key code of each key's last real press (the X key code on
// X11); 0 where unknown, as for synthesised events.
std::array<quint32, 256> g_nativeCode{};

// Whether the window system has this key down right now, ahead of the
// events still queued; true where it cannot be asked.
bool SystemKeyDown(quint32 nativeCode) {
#ifdef VELMO_HAVE_XCB
  if (nativeCode == 0 || nativeCode > 255) return true;
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  xcb_connection_t* c = x11 ? x11->connection() : nullptr;
  if (!c) return true;
  xcb_query_keymap_reply_t* r = xcb_query_keymap_reply(c, xcb_query_keymap(c), nullptr);
  if (!r) return true;
  const bool down = (r->keys[nativeCode / 8] >> (nativeCode % 8)) & 1;
  std::free(r);
  return down;
#else
  (void)nativeCode;
  return true;
#endif
}

}  // namespace

bool QtKeyHeld(int vk) {
  if (vk <= 0 || vk >= static_cast<int>(g_held.size()) || !g_held[vk]) return false;
  // Repeats of a key released meanwhile may still be queued ahead of its
  // release: the X server knows it is up.
  return SystemKeyDown(g_nativeCode[vk]);
}

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
    InputKeyUp(vk);
    afterInput_();
    return false;
  }
  const bool consumed = InputKeyDown(vk, ShiftBits(e->modifiers(), QGuiApplication::mouseButtons()));
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
        if (vk > 0 && vk < static_cast<int>(g_held.size())) {
          g_held[vk] = down;
          if (down) g_nativeCode[vk] = ke->nativeScanCode();
        }
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
