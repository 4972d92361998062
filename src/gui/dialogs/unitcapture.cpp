#include "gui/dialogs/unitcapture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <iterator>

#include "gui/widgets/prompter.h"
#include "project/videorecording.h"

namespace {

// The output formats in list order, and the extension each gives a video's
// name; the first two keep the places they always had.
struct TFormatEntry {
  const char* text;
  const char* extension;  // none: bitmap files
};
constexpr TFormatEntry kFormats[] = {
    {"AVI Video", ".avi"},       {"BMP Sequence", nullptr},   {"GIF Animation", ".gif"},
    {"APNG Animation", ".apng"}, {"WebP Animation", ".webp"}, {"WebM Video", ".webm"},
};
constexpr int kBmpSequence = 1;

QLabel* NamedLabel(const char* name, const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

QPushButton* NamedButton(const char* name, const QString& text, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  return button;
}

}  // namespace

TfrmCapture::TfrmCapture(Prompter& prompter, QWidget* parent)
    : QDialog(parent, Qt::Tool), prompter_(prompter) {
  setObjectName(QStringLiteral("frmCapture"));
  setWindowTitle(QStringLiteral("Render to disk"));
  setModal(true);

  auto* grid = new QGridLayout(this);
  grid->addWidget(NamedLabel("LOutput", QStringLiteral("Output file : "), this), 0, 0);
  eOutput = new QLineEdit(this);
  eOutput->setObjectName(QStringLiteral("eOutput"));
  eOutput->setMinimumWidth(260);
  grid->addWidget(eOutput, 0, 1, 1, 2);
  bBrowse = NamedButton("bBrowse", QStringLiteral("..."), this);
  connect(bBrowse, &QPushButton::clicked, this, &TfrmCapture::bBrowseClick);
  grid->addWidget(bBrowse, 0, 3);

  grid->addWidget(NamedLabel("LFormat", QStringLiteral("Output format"), this), 1, 0);
  cbFormat = new QComboBox(this);
  cbFormat->setObjectName(QStringLiteral("cbFormat"));
  for (const TFormatEntry& format : kFormats) cbFormat->addItem(QString::fromLatin1(format.text));
  cbFormat->setCurrentIndex(0);
  connect(cbFormat, &QComboBox::currentIndexChanged, this, &TfrmCapture::cbFormatChange);
  grid->addWidget(cbFormat, 1, 1, 1, 2);

  grid->addWidget(NamedLabel("LDuration", QStringLiteral("Duration : "), this), 2, 0);
  cbDuration = new QComboBox(this);
  cbDuration->setObjectName(QStringLiteral("cbDuration"));
  cbDuration->addItems({QStringLiteral("Seconds"), QStringLiteral("Frames")});
  cbDuration->setCurrentIndex(1);
  eDuration = new QLineEdit(this);
  eDuration->setObjectName(QStringLiteral("eDuration"));
  grid->addWidget(cbDuration, 2, 1);
  grid->addWidget(eDuration, 2, 2);

  cbResetX = new QCheckBox(QStringLiteral("Reset X Motion"), this);
  cbResetX->setObjectName(QStringLiteral("cbResetX"));
  cbResetY = new QCheckBox(QStringLiteral("Reset Y Motion"), this);
  cbResetY->setObjectName(QStringLiteral("cbResetY"));
  grid->addWidget(cbResetX, 3, 1);
  grid->addWidget(cbResetY, 3, 2);
  for (QWidget* w : {static_cast<QWidget*>(cbDuration), static_cast<QWidget*>(eDuration),
                     static_cast<QWidget*>(cbResetX), static_cast<QWidget*>(cbResetY)})
    w->setEnabled(false);

  LLoop = NamedLabel("LLoop", QString(), this);
  grid->addWidget(LLoop, 4, 1);
  cbOneLoop = new QCheckBox(QStringLiteral("one loop"), this);
  cbOneLoop->setObjectName(QStringLiteral("cbOneLoop"));
  cbOneLoop->setEnabled(false);
  grid->addWidget(cbOneLoop, 4, 2);

  auto* buttons = new QHBoxLayout();
  bSettings = NamedButton("bSettings", QStringLiteral("Settings"), this);
  bStart = NamedButton("bStart", QStringLiteral("START"), this);
  bCancel = NamedButton("bCancel", QStringLiteral("CANCEL"), this);
  buttons->addWidget(bSettings);
  buttons->addStretch(1);
  buttons->addWidget(bStart);
  buttons->addWidget(bCancel);
  grid->addLayout(buttons, 5, 0, 1, 4);
  connect(bStart, &QPushButton::clicked, this, &QDialog::accept);
  connect(bCancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool TfrmCapture::VideoChosen() const {
  return cbFormat->currentIndex() != kBmpSequence;
}

std::string TfrmCapture::VideoExtension() const {
  const int index = cbFormat->currentIndex();
  const bool known = index >= 0 && index < int(std::size(kFormats)) && kFormats[index].extension;
  return known ? kFormats[index].extension : ".avi";
}

void TfrmCapture::ShowLoop(const std::optional<quenvar::TLoopLength>& loop, int fps) {
  LLoop->setText(loop ? QString::fromStdString(quenvar::LoopLabel(*loop, fps)) : QString());
  const bool recordable = loop && !loop->over && loop->frames <= quenvar::kMaxLoopFrames;
  loopFrames_ = recordable ? loop->frames : 0;
  cbOneLoop->setEnabled(recordable);
  if (!recordable) cbOneLoop->setChecked(false);
}

std::int64_t TfrmCapture::OneLoopFrames() const {
  return cbOneLoop->isEnabled() && cbOneLoop->isChecked() ? std::int64_t(loopFrames_) : 0;
}

void TfrmCapture::bBrowseClick() {
  const QString path = prompter_.SaveFileName(this, QString(), QString(), QString());
  if (path.isEmpty()) return;
  eOutput->setText(path);
  cbFormatChange();
}

// A video's name shows the video extension it will be written with; a loop
// kind picked from the list puts its own in place of any other.
void TfrmCapture::cbFormatChange() {
  const std::string text = eOutput->text().toStdString();
  if (!VideoChosen() || text.empty() || text.back() == '/' || text.back() == '\\') return;
  const std::string name = cbFormat->currentIndex() == 0
                               ? quenvar::VideoRecordName(text, std::string())
                               : quenvar::WithVideoExtension(text, VideoExtension());
  eOutput->setText(QString::fromStdString(name));
}
