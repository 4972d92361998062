#pragma once
// Hides the pointer over a widget after a spell without movement, while a
// condition holds (playing full screen), and brings it back when it moves.
#include <QObject>
#include <QPointer>
#include <functional>

class QTimer;
class QWidget;

class TPointerHider : public QObject {
  Q_OBJECT
 public:
  // `wanted` is asked when the spell ends; the pointer hides only when true.
  TPointerHider(int idleMs, std::function<bool()> wanted, QObject* parent = nullptr);

  // Watches `widget` (none: stops watching) and starts the spell anew.
  void Watch(QWidget* widget);
  // Shows the pointer again at once and starts the spell anew.
  void Reveal();
  bool hidden() const { return hidden_; }
  QTimer* timer() const { return idle_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void IdleTimeout();

  QTimer* idle_ = nullptr;
  std::function<bool()> wanted_;
  QPointer<QWidget> widget_;
  bool hidden_ = false;
};
