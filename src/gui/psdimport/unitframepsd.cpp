#include "gui/psdimport/unitframepsd.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QSignalBlocker>
#include <QSlider>

#include "compose/blendmodes.h"
#include "compose/layerstack.h"
#include "gui/widgets/wheelguard.h"
#include "psd/psdimportmodel.h"

namespace {

const QColor kRowColour(247, 247, 247);
const QColor kEmptyColour(198, 198, 198);
const QColor kEnteredColour(231, 237, 240);
// How far a nested row's name moves in per enclosing group.
constexpr int kIndentPerGroup = 8;
constexpr int kMaxIndent = 48;

void SetBackground(QWidget* w, const QColor& colour) {
  QPalette pal = w->palette();
  pal.setColor(QPalette::Window, colour);
  w->setPalette(pal);
  w->setAutoFillBackground(true);
}

QLabel* Label(const char* name, QWidget* parent, const QRect& place) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setGeometry(place);
  return label;
}

}  // namespace

TframePSDLayer::TframePSDLayer(QWidget* parent) : QFrame(parent) {
  setFixedSize(kRowWidth, kRowHeight);
  BuildControls();
  connect(qApp, &QApplication::focusChanged, this, &TframePSDLayer::FocusChanged);
}

TframePSDLayer::~TframePSDLayer() {
  // Focus moves while the row's children go; the row must not hear of it.
  disconnect(qApp, nullptr, this, nullptr);
}

void TframePSDLayer::BuildControls() {
  Panel1 = new QWidget(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setGeometry(0, 0, kRowWidth, kRowHeight);
  SetBackground(Panel1, kRowColour);

  isVisible = new QCheckBox(Panel1);
  isVisible->setObjectName(QStringLiteral("isVisible"));
  isVisible->setGeometry(4, 11, 16, 16);
  connect(isVisible, &QCheckBox::clicked, this, &TframePSDLayer::isVisibleClick);

  img = Label("img", Panel1, QRect(22, 3, 32, 32));
  layername = Label("layername", Panel1, QRect(60, 3, 150, 15));
  LEmpty = Label("LEmpty", Panel1, QRect(212, 3, 82, 15));
  LEmpty->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

  gb1 = new QSlider(Qt::Horizontal, Panel1);
  gb1->setObjectName(QStringLiteral("gb1"));
  gb1->setRange(0, 255);
  gb1->setGeometry(60, 21, 106, 14);
  connect(gb1, &QSlider::valueChanged, this, &TframePSDLayer::gb1Change);
  TWheelGuard::Install(gb1);
  LOpacity = Label("LOpacity", Panel1, QRect(169, 21, 28, 14));

  cbBlend = new QComboBox(Panel1);
  cbBlend->setObjectName(QStringLiteral("cbBlend"));
  for (const auto& r : quenvar::BlendModeUserList()) cbBlend->addItem(QString::fromLatin1(r.text));
  cbBlend->setMaxVisibleItems(24);
  cbBlend->setGeometry(200, 19, 95, 18);
  connect(cbBlend, &QComboBox::activated, this, &TframePSDLayer::cbBlendChange);
  TWheelGuard::Install(cbBlend);

  for (QWidget* w : {Panel1, static_cast<QWidget*>(layername), static_cast<QWidget*>(LOpacity),
                     static_cast<QWidget*>(LEmpty), static_cast<QWidget*>(img)})
    w->installEventFilter(this);
}

void TframePSDLayer::ShowRecord(quenvar::TPsdImportRow& data, quenvar::TBitmapLayer* preview) {
  row = &data;
  previewLayer = preview;
  layerIndex = quint16(data.index);
  const int indent = std::min(data.groupDepth * kIndentPerGroup, kMaxIndent);
  layername->setGeometry(60 + indent, 3, 150 - indent, 15);
  layername->setText(QString::fromStdString(data.name));
  if (data.group) {
    QFont bold = layername->font();
    bold.setBold(true);
    layername->setFont(bold);
  }
  isVisible->setChecked(data.ticked);
  SetBackground(Panel1, data.empty ? kEmptyColour : kRowColour);
  LEmpty->setText(data.width == 0 ? QStringLiteral("N/A")
                                  : QStringLiteral("%1x%2").arg(data.width).arg(data.height));
  const std::uint8_t opacity = data.opacity;
  gb1->setValue(opacity);
  gb1Change(opacity);  // also when the gauge already stood there
  {
    const QSignalBlocker block(cbBlend);
    cbBlend->setCurrentIndex(quenvar::BlendModeListRowOf(data.mode));
  }
  // A group has no picture of its own to blend.
  for (QWidget* w : {static_cast<QWidget*>(gb1), static_cast<QWidget*>(LOpacity),
                     static_cast<QWidget*>(cbBlend)})
    w->setVisible(!data.group);
}

void TframePSDLayer::DrawThumbnail() {
  if (!row) return;
  quenvar::TBitmap32 thumbnail;
  quenvar::DrawPsdThumbnail(row->picture, thumbnail);
  const QImage view(reinterpret_cast<const uchar*>(thumbnail.Bits()), thumbnail.Width(),
                    thumbnail.Height(), qsizetype(thumbnail.Width()) * 4, QImage::Format_ARGB32);
  img->setPixmap(QPixmap::fromImage(view.copy()));
}

void TframePSDLayer::gb1Change(int value) {
  LOpacity->setText(QString::number(value));
  if (row) row->opacity = std::uint8_t(value);
  if (previewLayer) previewLayer->Bitmap().SetMasterAlpha(std::uint32_t(value));
}

void TframePSDLayer::isVisibleClick() {
  if (row) row->ticked = isVisible->isChecked();
  if (onVisibilityChanged) onVisibilityChanged();
}

void TframePSDLayer::Panel1Click() {
  isVisible->setFocus(Qt::MouseFocusReason);
}

void TframePSDLayer::Panel1Enter() {
  SetBackground(Panel1, kEnteredColour);
  previousModeIndex = 0;
}

void TframePSDLayer::Panel1Exit() {
  SetBackground(Panel1, kRowColour);
}

void TframePSDLayer::cbBlendChange(int index) {
  const int chosen = quenvar::ModeListChoice(index, previousModeIndex);
  if (chosen != index) cbBlend->setCurrentIndex(chosen);
  const quenvar::TBlendMode mode =
      quenvar::BlendModeOfListText(cbBlend->itemText(chosen).toStdString());
  if (row) row->mode = mode;
  previousModeIndex = quint16(chosen);
  if (!previewLayer) return;
  quenvar::ApplyBlendMode(previewLayer->Bitmap(), mode);
  previewLayer->Changed();
}

bool TframePSDLayer::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress) Panel1Click();
  return QFrame::eventFilter(watched, event);
}

void TframePSDLayer::FocusChanged(QWidget* old, QWidget* now) {
  const bool wasInside = old && isAncestorOf(old);
  const bool isInside = now && isAncestorOf(now);
  if (isInside && !wasInside) Panel1Enter();
  if (wasInside && !isInside) Panel1Exit();
}
