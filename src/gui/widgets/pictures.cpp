#include "gui/widgets/pictures.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

using quenvar::kThemeColor;
using quenvar::ShadeColor;
using quenvar::TintColor;

QPixmap ProgramLogo() {
  QPixmap pm(64, 24);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(0, 0, 0, 24);
  g.setColorAt(0, ToQColor(TintColor(kThemeColor, 60)));
  g.setColorAt(1, ToQColor(ShadeColor(kThemeColor, 60)));
  p.setBrush(g);
  p.setPen(ToQColor(ShadeColor(kThemeColor, 40)));
  p.drawRoundedRect(QRectF(0.5, 0.5, 63, 23), 5, 5);
  QFont f = p.font();
  f.setBold(true);
  f.setPixelSize(15);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(pm.rect(), Qt::AlignCenter, QStringLiteral("ZYL"));
  return pm;
}

QPixmap ProgramIcon() {
  // Three offset squares: layers stacked over one another.
  QPixmap pm(24, 24);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  const QColor colours[] = {ToQColor(ShadeColor(kThemeColor, 50)), QColor(214, 120, 60),
                            QColor(90, 150, 210)};
  for (int i = 0; i < 3; ++i) {
    QColor c = colours[i];
    c.setAlpha(220);
    p.setBrush(c);
    p.setPen(c.darker(140));
    p.drawRect(2 + i * 5, 2 + i * 5, 11, 11);
  }
  return pm;
}

void TClickPicture::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
    emit clicked();
  }
}
