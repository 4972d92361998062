#pragma once
// img32: the widget that shows a layered view. The view composes into its
// back buffer at the widget's size; the widget shows that buffer through a
// QImage over the same memory and hands pointer input to the view. Full
// screen presents the buffer instead: composed at a fixed frame size and
// shown scaled to fit, centred on black.
#include <QWidget>

#include "compose/fittoscreen.h"
#include "compose/layerstack.h"

class TImageView32 : public QWidget {
  Q_OBJECT
 public:
  explicit TImageView32(QWidget* parent = nullptr);
  ~TImageView32() override;

  quenvar::TImgView32& view() { return view_; }
  // The displayed buffer, without a copy; valid until the buffer changes size.
  QImage bufferImage();

  // Presents a frame of `frameSize`: the buffer keeps that size whatever the
  // widget's, is shown scaled to fit, and pointer positions are mapped onto
  // it. An empty size shows the buffer 1:1 at the widget's size again.
  // Emits resized() when the buffer changes size.
  void SetPresentedFrame(QSize frameSize);
  bool presenting() const { return !presentedFrame_.isEmpty(); }
  // Where the frame is shown while presenting.
  quenvar::TFitPlacement Placement() const;

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
  // A widget position in the buffer's pixels.
  QPoint ToBuffer(QPointF widgetPos) const;
  void SetBufferSize(QSize size);

  quenvar::TImgView32 view_;
  QSize presentedFrame_;
};
