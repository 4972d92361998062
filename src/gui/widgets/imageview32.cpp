#include "gui/widgets/imageview32.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

namespace {

quenvar::TMouseButton ButtonOf(Qt::MouseButton button) {
  switch (button) {
    case Qt::RightButton:
      return quenvar::mbRight;
    case Qt::MiddleButton:
      return quenvar::mbMiddle;
    default:
      return quenvar::mbLeft;
  }
}

quenvar::TShiftState ShiftOf(Qt::KeyboardModifiers keys, Qt::MouseButtons buttons) {
  quenvar::TShiftState shift = 0;
  if (keys & Qt::ShiftModifier) shift |= quenvar::ssShift;
  if (keys & Qt::AltModifier) shift |= quenvar::ssAlt;
  if (keys & Qt::ControlModifier) shift |= quenvar::ssCtrl;
  if (buttons & Qt::LeftButton) shift |= quenvar::ssLeft;
  if (buttons & Qt::RightButton) shift |= quenvar::ssRight;
  if (buttons & Qt::MiddleButton) shift |= quenvar::ssMiddle;
  return shift;
}

Qt::CursorShape CursorOf(quenvar::TCursorShape shape) {
  switch (shape) {
    case quenvar::crSizeAll:
      return Qt::SizeAllCursor;
    case quenvar::crSizeNS:
      return Qt::SizeVerCursor;
    case quenvar::crSizeWE:
      return Qt::SizeHorCursor;
    case quenvar::crSizeNWSE:
      return Qt::SizeFDiagCursor;
    case quenvar::crSizeNESW:
      return Qt::SizeBDiagCursor;
    default:
      return Qt::ArrowCursor;
  }
}

}  // namespace

TImageView32::TImageView32(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("img32"));
  // The view paints every pixel itself; nothing is erased first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  view_.OnInvalidate = [this](quenvar::TImage32&) { update(); };
  view_.OnRepaintNow = [this](quenvar::TImage32&) { repaint(); };
}

TImageView32::~TImageView32() {
  view_.OnInvalidate = nullptr;
  view_.OnRepaintNow = nullptr;
}

QImage TImageView32::bufferImage() {
  quenvar::TBitmap32& buffer = view_.Buffer();
  if (buffer.Empty()) return QImage();
  // 0xAARRGGBB words are Qt's own 32-bit layout; the frame is shown opaque.
  return QImage(reinterpret_cast<const uchar*>(buffer.Bits()), buffer.Width(), buffer.Height(),
                qsizetype(buffer.Width()) * 4, QImage::Format_RGB32);
}

void TImageView32::SetPresentedFrame(QSize frameSize) {
  presentedFrame_ = frameSize.isEmpty() ? QSize() : frameSize;
  SetBufferSize(presenting() ? presentedFrame_ : size());
  update();
}

quenvar::TFitPlacement TImageView32::Placement() const {
  return quenvar::FitToScreen(view_.ClientWidth(), view_.ClientHeight(), width(), height());
}

void TImageView32::SetBufferSize(QSize size) {
  if (size == QSize(view_.ClientWidth(), view_.ClientHeight())) return;
  view_.SetClientSize(size.width(), size.height());
  emit resized();
}

QPoint TImageView32::ToBuffer(QPointF widgetPos) const {
  const QPoint p = widgetPos.toPoint();
  if (!presenting()) return p;
  const quenvar::TPoint c =
      quenvar::ScreenToCanvas(Placement(), view_.ClientWidth(), view_.ClientHeight(), p.x(), p.y());
  return QPoint(c.X, c.Y);
}

void TImageView32::paintEvent(QPaintEvent*) {
  if (view_.NeedsPaint()) view_.Compose();
  QPainter painter(this);
  const QImage image = bufferImage();
  if (!presenting()) {
    if (!image.isNull()) painter.drawImage(0, 0, image);
    return;
  }
  // Only showing is scaled: the buffer, and every frame written from it,
  // stays at the frame's size.
  const quenvar::TRect t = Placement().target;
  const QRect target(t.Left, t.Top, t.Width(), t.Height());
  painter.setClipRegion(QRegion(rect()) - QRegion(target));
  painter.fillRect(rect(), Qt::black);
  painter.setClipping(false);
  if (!image.isNull() && !target.isEmpty()) {
    painter.setRenderHint(QPainter::SmoothPixmapTransform, target.size() != image.size());
    painter.drawImage(target, image);
  }
}

void TImageView32::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // A presented frame keeps its size; the picture is only fitted anew.
  if (!presenting()) SetBufferSize(size());
}

void TImageView32::mousePressEvent(QMouseEvent* event) {
  const QPoint p = ToBuffer(event->position());
  view_.MouseDown(ButtonOf(event->button()), ShiftOf(event->modifiers(), event->buttons()), p.x(),
                  p.y());
  ShowCursorAt(p.x(), p.y());
}

void TImageView32::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = ToBuffer(event->position());
  view_.MouseMove(ShiftOf(event->modifiers(), event->buttons()), p.x(), p.y());
  // During a drag the pointer keeps the shape it took at the press.
  if (event->buttons() == Qt::NoButton) ShowCursorAt(p.x(), p.y());
}

void TImageView32::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint p = ToBuffer(event->position());
  view_.MouseUp(ButtonOf(event->button()), ShiftOf(event->modifiers(), event->buttons()), p.x(),
                p.y());
  ShowCursorAt(p.x(), p.y());
}

void TImageView32::wheelEvent(QWheelEvent* event) {
  event->accept();  // no zoom
}

void TImageView32::ShowCursorAt(int x, int y) {
  setCursor(CursorOf(view_.CursorAt(x, y)));
}
