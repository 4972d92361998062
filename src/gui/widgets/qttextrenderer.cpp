#include "gui/widgets/qttextrenderer.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <memory>

#include "compose/surface.h"

namespace {

QString ToQString(const quenvar::TFont32& font, std::u16string_view text) {
  const std::u16string shown = quenvar::PortableSymbolText(font.Name, text);
  return QString::fromUtf16(shown.data(), qsizetype(shown.size()));
}

}  // namespace

TQtTextRenderer::TQtTextRenderer(QString miniFamily) : miniFamily_(std::move(miniFamily)) {}

QFont TQtTextRenderer::FontOf(const quenvar::TFont32& font) const {
  QFont f;
  if (font.Name == "mini" && !miniFamily_.isEmpty()) {
    f.setFamily(miniFamily_);
  } else if (font.Name == "Wingdings") {
    f.setFamily(QStringLiteral("DejaVu Sans"));  // has both marker shapes
  } else {
    f.setFamily(QString::fromStdString(font.Name));
  }
  f.setPixelSize(qMax(1, qRound(font.Size * 96.0 / 72.0)));
  f.setBold(font.Bold);
  f.setItalic(font.Italic);
  return f;
}

void TQtTextRenderer::DrawText(quenvar::TBitmap32& target, int x, int y, std::u16string_view text,
                               int aaLevel, quenvar::TColor32 color, const quenvar::TFont32& font) {
  if (target.Empty()) return;
  QImage image(reinterpret_cast<uchar*>(target.Bits()), target.Width(), target.Height(),
               qsizetype(target.Width()) * 4, QImage::Format_ARGB32);
  QPainter painter(&image);
  QFont f = FontOf(font);
  f.setStyleStrategy(aaLevel > 0 ? QFont::PreferAntialias : QFont::NoAntialias);
  painter.setFont(f);
  painter.setRenderHint(QPainter::TextAntialiasing, aaLevel > 0);
  painter.setPen(QColor(int(quenvar::RedOf(color)), int(quenvar::GreenOf(color)),
                        int(quenvar::BlueOf(color)), int(quenvar::AlphaOf(color))));
  const QFontMetrics metrics(f);
  painter.drawText(x, y + metrics.ascent(), ToQString(font, text));
}

int TQtTextRenderer::MeasureText(std::u16string_view text, const quenvar::TFont32& font) {
  return QFontMetrics(FontOf(font)).horizontalAdvance(ToQString(font, text));
}

void InstallQtTextRenderer(const QString& miniFamily) {
  static std::unique_ptr<TQtTextRenderer> renderer;
  renderer = std::make_unique<TQtTextRenderer>(miniFamily);
  quenvar::SetTextRenderer(renderer.get());
}
