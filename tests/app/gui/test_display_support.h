#pragma once
// Helpers for the view window tests: layers added to the open project, the
// view window, and pointer input sent straight to img32.
#include <QApplication>
#include <QMouseEvent>
#include <QTimer>

#include "gui/main/unitdisplay32.h"
#include "gui/widgets/imageview32.h"
#include "project/blendclass.h"
#include "project/project.h"
#include "support/shell.h"

inline TfrmProject32* View(const Shell& s) {
  return s.form->frmProject32;
}

// A layer of the open project whose pixels are numbered row by row (opaque).
inline quenvar::TBlendLayer& AddLayer(int w, int h, int x = 0, int y = 0, int posx = 0,
                                      int posy = 0) {
  auto* layer = new quenvar::TBlendLayer();
  layer->bmp.Resize(w, h);
  for (int i = 0; i < w * h; ++i) layer->bmp.Bits()[i] = 0xFF000000u | quenvar::TColor32(i);
  layer->x = x;
  layer->y = y;
  layer->posx = posx;
  layer->posy = posy;
  return *layer;
}

inline quenvar::TColor32 Numbered(int x, int y, int w) {
  return 0xFF000000u | quenvar::TColor32(y * w + x);
}

inline void SendMouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button,
                      Qt::MouseButtons held) {
  QMouseEvent event(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
  QApplication::sendEvent(w, &event);
}

inline void Click(QWidget* w, QPoint at) {
  SendMouse(w, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
  SendMouse(w, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
}

inline void Drag(QWidget* w, QPoint from, QPoint to) {
  SendMouse(w, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
  SendMouse(w, QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton);
  SendMouse(w, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
  SendMouse(w, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}
