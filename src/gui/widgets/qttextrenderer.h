#pragma once
// The program's text renderer for surfaces: QPainter over a QImage on the
// surface's own pixels. Font sizes are points at 96 pixels per inch, so a
// surface's text looks the same on every screen.
#include <QString>

#include "compose/textrenderer.h"

class QFont;

class TQtTextRenderer : public quenvar::TTextRenderer {
 public:
  // `miniFamily` is the family the interface font "mini" was registered as.
  explicit TQtTextRenderer(QString miniFamily = QString());
  void DrawText(quenvar::TBitmap32& target, int x, int y, std::u16string_view text, int aaLevel,
                quenvar::TColor32 color, const quenvar::TFont32& font) override;
  int MeasureText(std::u16string_view text, const quenvar::TFont32& font) override;

 private:
  QFont FontOf(const quenvar::TFont32& font) const;
  QString miniFamily_;
};

// Installs a renderer for the program's lifetime (idempotent).
void InstallQtTextRenderer(const QString& miniFamily);
