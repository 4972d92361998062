#pragma once
// img32: the widget that shows a layered view. The view composes into its
// back buffer at the widget's size; the widget shows that buffer through a
// QImage over the same memory and hands pointer input to the view.
#include <QWidget>

#include "compose/layerstack.h"

class TImageView32 : public QWidget {
  Q_OBJECT
 public:
  explicit TImageView32(QWidget* parent = nullptr);
  ~TImageView32() override;

  quenvar::TImgView32& view() { return view_; }
  // The displayed buffer, without a copy; valid until the buffer changes size.
  QImage bufferImage();

 signals:
  // The widget (and with it the view's buffer) changed size.
  void resized();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  void ShowCursorAt(int x, int y);

  quenvar::TImgView32 view_;
};
