#include "gui/widgets/bitmapbox.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>

TBitmapBox::TBitmapBox(QWidget* parent) : QWidget(parent) {}

void TBitmapBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  if (bitmap_.Empty()) return;
  const QImage image(reinterpret_cast<const uchar*>(std::as_const(bitmap_).Bits()), bitmap_.Width(),
                     bitmap_.Height(), qsizetype(bitmap_.Width()) * 4, QImage::Format_ARGB32);
  painter.drawImage(0, 0, image);
}

void TBitmapBox::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit clicked();
  QWidget::mousePressEvent(event);
}

void TBitmapBox::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit doubleClicked();
  QWidget::mouseDoubleClickEvent(event);
}
