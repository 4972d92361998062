#include "gui/widgets/wheelguard.h"

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QScrollBar>
#include <QWheelEvent>
#include <QWidget>

void TWheelGuard::Install(QWidget* control) {
  control->setFocusPolicy(Qt::StrongFocus);
  control->installEventFilter(new TWheelGuard(control));
}

bool TWheelGuard::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::Wheel || !watched->isWidgetType()) return false;
  auto* control = static_cast<QWidget*>(watched);
  if (control->hasFocus()) return false;
  for (QWidget* w = control->parentWidget(); w; w = w->parentWidget()) {
    if (auto* area = qobject_cast<QAbstractScrollArea*>(w)) {
      QCoreApplication::sendEvent(area->verticalScrollBar(), event);
      return true;
    }
  }
  // Nothing to scroll: the wheel is simply not the control's.
  event->ignore();
  return true;
}
