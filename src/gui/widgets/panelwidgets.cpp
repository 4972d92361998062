#include "gui/widgets/panelwidgets.h"

#include <QLinearGradient>
#include <QPainter>

#include "gui/widgets/pictures.h"
#include "host/themecolor.h"

using quenvar::kThemeColor;
using quenvar::ShadeColor;
using quenvar::TintColor;

TPanelButton::TPanelButton(const QString& caption, const QString& name, QWidget* parent)
    : QPushButton(caption, parent) {
  setObjectName(name);
  QFont f = font();
  f.setBold(true);
  setFont(f);
  setFixedHeight(20);
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_Hover);  // repaint when the pointer enters and leaves
}

QSize TPanelButton::sizeHint() const {
  const int w = fontMetrics().horizontalAdvance(text()) + 18;
  return {qMax(w, 48), 20};
}

void TPanelButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect r = rect().adjusted(0, 0, -1, -1);
  QColor face = ToQColor(TintColor(kThemeColor, 60));
  if (!isEnabled()) {
    face = ToQColor(TintColor(kThemeColor, 30));
  } else if (isDown()) {
    face = ToQColor(ShadeColor(kThemeColor, 90));
  } else if (underMouse()) {
    face = ToQColor(TintColor(kThemeColor, 80));
  }
  p.fillRect(r, face);
  p.setPen(ToQColor(ShadeColor(kThemeColor, 60)));
  p.drawRect(r);
  p.setPen(isEnabled() ? ToQColor(ShadeColor(kThemeColor, 25))
                       : ToQColor(ShadeColor(kThemeColor, 80)));
  p.drawText(rect(), Qt::AlignCenter, text());
}

TGradProgress::TGradProgress(const QString& name, QWidget* parent) : QWidget(parent) {
  setObjectName(name);
  setFixedSize(100, 12);
}

void TGradProgress::setValue(int value) {
  value = qBound(0, value, 100);
  if (value == value_) return;
  value_ = value;
  update();
}

void TGradProgress::setColors(const QColor& from, const QColor& to) {
  from_ = from;
  to_ = to;
  update();
}

void TGradProgress::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  const int filled = width() * value_ / 100;
  QLinearGradient g(0, 0, width(), 0);
  g.setColorAt(0, from_);
  g.setColorAt(1, to_);
  p.fillRect(QRect(0, 0, filled, height()), g);
  p.setPen(from_);
  p.drawRect(rect().adjusted(0, 0, -1, -1));
  p.setPen(Qt::black);
  p.drawText(rect(), Qt::AlignCenter, QString::number(value_) + QLatin1Char('%'));
}
