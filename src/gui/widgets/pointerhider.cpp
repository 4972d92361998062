#include "gui/widgets/pointerhider.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

TPointerHider::TPointerHider(int idleMs, std::function<bool()> wanted, QObject* parent)
    : QObject(parent), wanted_(std::move(wanted)) {
  setObjectName(QStringLiteral("pointerHider"));
  idle_ = new QTimer(this);
  idle_->setObjectName(QStringLiteral("TimerPointer"));
  idle_->setSingleShot(true);
  idle_->setInterval(idleMs);
  connect(idle_, &QTimer::timeout, this, &TPointerHider::IdleTimeout);
}

void TPointerHider::Watch(QWidget* widget) {
  if (widget_ == widget) {
    Reveal();
    return;
  }
  Reveal();
  if (widget_) widget_->removeEventFilter(this);
  widget_ = widget;
  if (!widget_) {
    idle_->stop();
    return;
  }
  widget_->installEventFilter(this);
  idle_->start();
}

void TPointerHider::Reveal() {
  if (hidden_ && widget_) widget_->unsetCursor();
  hidden_ = false;
  if (widget_) idle_->start();
}

void TPointerHider::IdleTimeout() {
  if (!widget_ || hidden_) return;
  // Not now (paused, say): look again after another spell.
  if (!wanted_()) {
    idle_->start();
    return;
  }
  hidden_ = true;
  widget_->setCursor(Qt::BlankCursor);
}

bool TPointerHider::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (watched == widget_ && (type == QEvent::MouseMove || type == QEvent::MouseButtonPress))
    Reveal();
  return QObject::eventFilter(watched, event);
}
