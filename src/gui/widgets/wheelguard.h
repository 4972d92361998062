#pragma once
// Keeps the mouse wheel from changing a control the user did not pick: over
// a control that does not have the focus, the wheel scrolls the list around
// it instead. A control clicked first (and so focused) takes the wheel.
#include <QObject>

class QWidget;

class TWheelGuard : public QObject {
 public:
  // Guards `control`; the guard belongs to it. The control only takes the
  // focus by a click or the Tab key from now on.
  static void Install(QWidget* control);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  using QObject::QObject;
};
