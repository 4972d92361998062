#pragma once
// The program's logo and icon, drawn in code so no picture files are needed.
#include <QColor>
#include <QLabel>
#include <QPixmap>

#include "host/themecolor.h"

QPixmap ProgramLogo();
QPixmap ProgramIcon();

inline QColor ToQColor(quenvar::TRgb c) {
  return QColor(c.r, c.g, c.b);
}

// A picture that reports clicks (the icon at the right of the tool panel).
class TClickPicture : public QLabel {
  Q_OBJECT
 public:
  using QLabel::QLabel;
 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};
