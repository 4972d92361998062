#pragma once
// The tool panel's own controls: the owner-drawn bold buttons and the
// gradient load meters.
#include <QColor>
#include <QPushButton>
#include <QWidget>

// A flat bold button, 20 pixels high, painted in the theme's colours.
class TPanelButton : public QPushButton {
  Q_OBJECT
 public:
  TPanelButton(const QString& caption, const QString& name, QWidget* parent = nullptr);
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// A horizontal bar from 0 to 100 filled with a gradient, printing its percentage.
class TGradProgress : public QWidget {
  Q_OBJECT
 public:
  explicit TGradProgress(const QString& name, QWidget* parent = nullptr);
  int value() const { return value_; }
  void setValue(int value);
  void setColors(const QColor& from, const QColor& to);
  QColor fromColor() const { return from_; }
  QColor toColor() const { return to_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int value_ = 0;
  QColor from_{Qt::darkGray};
  QColor to_{Qt::lightGray};
};
