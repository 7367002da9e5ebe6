// The main window's key preview: an application event filter that hands
// every key of the window to the core's key routing once (FormKeyDown,
// FormKeyUp, as virtual-key codes), before the widget with the focus sees it;
// a key the core consumes never reaches that widget.
//
// It also keeps the set of keys held, from the presses and releases Qt
// reports (auto-repeats ignored), for QtPlatform::IsKeyDown.
#pragma once

#include <QObject>
#include <functional>

class QKeyEvent;
class QWidget;

class TKeyPreview final : public QObject {
  Q_OBJECT
public:
  // Previews the keys of window; afterInput runs after each key the core saw.
  TKeyPreview(QWidget* window, std::function<void()> afterInput);
  ~TKeyPreview() override;

protected:
  bool eventFilter(QObject* obj, QEvent* e) override;

private:
  bool Preview(QKeyEvent* e, bool down);

  QWidget* window_;
  std::function<void()> afterInput_;
};

// The key with this virtual-key code is physically held: pressed, and not
// released since as far as Qt reported, and on X11 down at the X server now
// (its release may still be queued behind repeats). Every key counts as
// released once the application loses the focus (a release may never come
// then).
bool QtKeyHeld(int vk);
