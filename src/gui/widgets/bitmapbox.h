#pragma once
// A small painting box that shows one surface over white: the layer rows'
// thumbnails.
#include <QWidget>

#include "compose/surface.h"

class TBitmapBox : public QWidget {
  Q_OBJECT
 public:
  explicit TBitmapBox(QWidget* parent = nullptr);
  quenvar::TBitmap32& bitmap() { return bitmap_; }

 signals:
  void clicked();
  void doubleClicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  quenvar::TBitmap32 bitmap_;
};
