#include "gui/psdimport/unitimportpsd.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QVBoxLayout>

#include "compose/centeredresize.h"
#include "compose/layerstack.h"
#include "gui/psdimport/psdimporthost.h"
#include "gui/psdimport/unitframepsd.h"
#include "gui/widgets/imageview32.h"
#include "gui/widgets/prompter.h"
#include "gui/widgets/selectionframe.h"

namespace {

const QColor kTopColour(249, 251, 252);
constexpr int kTopHeight = 34;
constexpr int kLayerPanelWidth = 279;

QPushButton* Button(const QString& text, const char* name, QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QString::fromLatin1(name));
  return b;
}

}  // namespace

TfrmPSDImport::TfrmPSDImport(TPsdImportHost& host, QWidget* parent)
    : QWidget(parent, Qt::Tool), host_(host) {
  setObjectName(QStringLiteral("frmPSDImport"));
  setWindowTitle(QStringLiteral("Import PSD"));
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  BuildTopBar();
  BuildPreview();
  column->addWidget(Paneltop);
  column->addWidget(PanelPSD, 1);
  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->hide();
  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  StatusBar1->setSizeGripEnabled(false);
  pbProgress = new QProgressBar(StatusBar1);
  pbProgress->setObjectName(QStringLiteral("pbProgress"));
  pbProgress->setMaximumWidth(240);
  pbProgress->hide();
  StatusBar1->addPermanentWidget(pbProgress);
  column->addWidget(StatusBar1);
  PanelPSD->hide();
  resize(720, kTopHeight + StatusBar1->sizeHint().height());
}

TfrmPSDImport::~TfrmPSDImport() {
  SelectLayer(nullptr);
  selection_->Forget();
}

void TfrmPSDImport::BuildTopBar() {
  Paneltop = new QWidget(this);
  Paneltop->setObjectName(QStringLiteral("Paneltop"));
  Paneltop->setFixedHeight(kTopHeight);
  QPalette pal = Paneltop->palette();
  pal.setColor(QPalette::Window, kTopColour);
  Paneltop->setPalette(pal);
  Paneltop->setAutoFillBackground(true);
  auto* row = new QHBoxLayout(Paneltop);
  row->setContentsMargins(6, 4, 6, 4);
  row->setSpacing(4);
  efilename = new QLineEdit(Paneltop);
  efilename->setObjectName(QStringLiteral("efilename"));
  G32_Button2 = Button(QStringLiteral("..."), "G32_Button2", Paneltop);
  G32_Button2->setFixedWidth(28);
  bRead = Button(QStringLiteral("Read PSD"), "bRead", Paneltop);
  ComboBox1 = new QComboBox(Paneltop);
  ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  ComboBox1->addItems({QStringLiteral("Exploit Layers"), QStringLiteral("Store as PSD")});
  ComboBox1->setCurrentIndex(0);
  ComboBox1->setEnabled(false);
  G32_Button1 = Button(QStringLiteral("Import Layers"), "G32_Button1", Paneltop);
  row->addWidget(efilename, 1);
  for (QWidget* w : {static_cast<QWidget*>(G32_Button2), static_cast<QWidget*>(bRead),
                     static_cast<QWidget*>(ComboBox1), static_cast<QWidget*>(G32_Button1)})
    row->addWidget(w);
  connect(G32_Button2, &QPushButton::clicked, this, &TfrmPSDImport::Button2Click);
  connect(bRead, &QPushButton::clicked, this, &TfrmPSDImport::bReadClick);
  connect(G32_Button1, &QPushButton::clicked, this, &TfrmPSDImport::Button1Click);
}

void TfrmPSDImport::BuildPreview() {
  PanelPSD = new QWidget(this);
  PanelPSD->setObjectName(QStringLiteral("PanelPSD"));
  auto* fill = new QHBoxLayout(PanelPSD);
  fill->setContentsMargins(0, 0, 0, 0);
  Splitter1 = new QSplitter(Qt::Horizontal, PanelPSD);
  Splitter1->setObjectName(QStringLiteral("Splitter1"));
  fill->addWidget(Splitter1);

  sbPreview = new QScrollArea(Splitter1);
  sbPreview->setObjectName(QStringLiteral("sbPreview"));
  sbPreview->setWidgetResizable(false);
  sbPreview->setBackgroundRole(QPalette::Dark);
  img32 = new TImageView32();
  quenvar::TImgView32& v = img32->view();
  v.Scale = 1;
  selection_ = std::make_unique<TSelectionFrame>(v, [](quenvar::TRubberbandLayer& frame) {
    frame.MinWidth = 1;
    frame.MinHeight = 1;
    // Ctrl keeps the centre where it was while a handle is dragged.
    frame.OnResizing = [](quenvar::TRubberbandLayer&, const quenvar::TFloatRect& start,
                          quenvar::TFloatRect& location, quenvar::TRBDragState kind,
                          quenvar::TShiftState shift) {
      if (shift & quenvar::ssCtrl) location = quenvar::CenteredResize(start, location, kind);
    };
  });
  // A press that no layer takes ends the selection and lets the mouse go.
  v.OnMouseDown = [this](quenvar::TImage32& sender, quenvar::TMouseButton, quenvar::TShiftState,
                         int, int) {
    SelectLayer(nullptr);
    sender.Layers().SetMouseListener(nullptr);
  };
  sbPreview->setWidget(img32);
  Splitter1->addWidget(sbPreview);
  BuildLayerList();
  Splitter1->addWidget(PanelC);
  Splitter1->setStretchFactor(0, 1);
  Splitter1->setStretchFactor(1, 0);
}

void TfrmPSDImport::BuildLayerList() {
  PanelC = new QWidget(Splitter1);
  PanelC->setObjectName(QStringLiteral("PanelC"));
  // Wide enough for a row beside the list's scroll bar.
  PanelC->setMinimumWidth(kLayerPanelWidth);
  auto* column = new QVBoxLayout(PanelC);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  auto* title = new QWidget(PanelC);
  title->setObjectName(QStringLiteral("PanelTitle"));
  auto* bar = new QHBoxLayout(title);
  bar->setContentsMargins(6, 2, 6, 2);
  auto* caption = new QLabel(QStringLiteral("Layers"), title);
  caption->setObjectName(QStringLiteral("LLayers"));
  QFont bold = caption->font();
  bold.setBold(true);
  caption->setFont(bold);
  LTotal = new QLabel(title);
  LTotal->setObjectName(QStringLiteral("LTotal"));
  bar->addWidget(caption);
  bar->addStretch(1);
  bar->addWidget(LTotal);
  column->addWidget(title);

  sb1 = new QScrollArea(PanelC);
  sb1->setObjectName(QStringLiteral("sb1"));
  sb1->setWidgetResizable(true);
  sb1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  rowPanel_ = new QWidget();
  rowPanel_->setObjectName(QStringLiteral("rowPanel"));
  rowLayout_ = new QVBoxLayout(rowPanel_);
  rowLayout_->setContentsMargins(0, 0, 0, 0);
  rowLayout_->setSpacing(1);
  rowLayout_->addStretch(1);
  sb1->setWidget(rowPanel_);
  column->addWidget(sb1, 1);
  PanelC->setFixedWidth(TframePSDLayer::kRowWidth + sb1->verticalScrollBar()->sizeHint().width() +
                        2 * sb1->frameWidth());
}

void TfrmPSDImport::ShowImport() {
  if (!isVisible()) {
    if (QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen()) {
      QRect frame = frameGeometry();
      frame.moveCenter(s->availableGeometry().center());
      move(frame.topLeft());
    }
  }
  show();
  raise();
  activateWindow();
}

void TfrmPSDImport::ReadFile(const QString& path) {
  if (busy_) return;
  ShowImport();
  efilename->setText(path);
  bReadClick();
}

void TfrmPSDImport::Button2Click() {
  if (busy_) return;
  const QString folder = QFileInfo(efilename->text()).absolutePath();
  const QString path =
      host_.prompter().OpenFileName(this, folder, QStringLiteral("PSD Files (*.psd)"));
  if (path.isEmpty()) return;
  efilename->setText(path);
  bReadClick();
}

TfrmPSDImport::TBusy::TBusy(TfrmPSDImport& form) : form_(form) {
  form_.busy_ = true;
  for (QPushButton* b : {form_.G32_Button2, form_.bRead, form_.G32_Button1}) b->setEnabled(false);
  form_.pbProgress->setRange(0, 0);  // moving until there is something to count
  form_.pbProgress->show();
}

TfrmPSDImport::TBusy::~TBusy() {
  form_.pbProgress->hide();
  for (QPushButton* b : {form_.G32_Button2, form_.bRead, form_.G32_Button1}) b->setEnabled(true);
  form_.busy_ = false;
}

void TfrmPSDImport::Progress(int done, int total) {
  pbProgress->setRange(0, total);
  pbProgress->setValue(done);
}

void TfrmPSDImport::ShowTickedLayers() {
  for (TframePSDLayer* row : rows_) ShowPreviewOf(*row);
}

void TfrmPSDImport::ShowPreviewOf(TframePSDLayer& row) {
  if (!row.previewLayer || !row.row) return;
  const bool shown = quenvar::PsdRowShown(model_, int(row.row - model_.rows.data()));
  // A hidden layer takes no clicks either.
  row.previewLayer->SetLayerOptions(shown ? quenvar::LOB_VISIBLE | quenvar::LOB_MOUSE_EVENTS : 0u);
  if (!shown && selectedLayer() == row.previewLayer) SelectLayer(nullptr);
}

void TfrmPSDImport::SelectLayer(quenvar::TPositionedLayer* layer) {
  selection_->Select(layer);
}
