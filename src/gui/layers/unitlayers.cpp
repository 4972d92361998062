#include "gui/layers/unitlayers.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScrollArea>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/layers/layerspanelhost.h"
#include "gui/layers/unitframelayer.h"
#include "gui/widgets/filedrops.h"
#include "gui/widgets/prompter.h"
#include "project/blendclass.h"
#include "project/layeredit.h"
#include "project/project.h"
#include "project/projectedit.h"

TfrmLayers::TfrmLayers(TLayersPanelHost& host, QWidget* parent)
    : QWidget(parent, Qt::Tool), host_(host) {
  setObjectName(QStringLiteral("frmLayers"));
  setWindowTitle(QStringLiteral("Layers"));
  // Wide enough for a whole row beside the list's scroll bar.
  resize(TframeLayer::kRowWidth + style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4, 416);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);
  setAcceptDrops(true);

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  auto* bar = new QWidget(this);
  bar->setObjectName(QStringLiteral("PanelButtons"));
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(4, 2, 4, 2);
  bNew = new QPushButton(QStringLiteral("+  NEW"), bar);
  bNew->setObjectName(QStringLiteral("bNew"));
  bDelete = new QPushButton(QStringLiteral("- DELETE"), bar);
  bDelete->setObjectName(QStringLiteral("bDelete"));
  LCount = new QLabel(QStringLiteral("..."), bar);
  LCount->setObjectName(QStringLiteral("LCount"));
  cbAutoUpdate = new QCheckBox(QStringLiteral("update coords"), bar);
  cbAutoUpdate->setObjectName(QStringLiteral("cbAutoUpdate"));
  cbAutoUpdate->setChecked(true);
  for (QWidget* w :
       {static_cast<QWidget*>(bNew), static_cast<QWidget*>(bDelete), static_cast<QWidget*>(LCount)})
    row->addWidget(w);
  row->addStretch(1);
  column->addWidget(bar);
  cbAutoUpdate->setParent(this);
  auto* options = new QHBoxLayout();
  options->setContentsMargins(6, 0, 4, 2);
  options->addWidget(cbAutoUpdate);
  options->addStretch(1);
  column->addLayout(options);

  scroll = new QScrollArea(this);
  scroll->setObjectName(QStringLiteral("scrollRows"));
  scroll->setWidgetResizable(false);
  scroll->setFrameShape(QFrame::NoFrame);
  mainpanel = new QWidget();
  mainpanel->setObjectName(QStringLiteral("mainpanel"));
  mainpanel->resize(TframeLayer::kRowWidth, 0);
  scroll->setWidget(mainpanel);
  column->addWidget(scroll, 1);

  TimerUpdate = new QTimer(this);
  TimerUpdate->setObjectName(QStringLiteral("TimerUpdate"));
  TimerUpdate->setInterval(250);
  connect(TimerUpdate, &QTimer::timeout, this, &TfrmLayers::TimerUpdateTimer);
  TimerUpdate->start();

  connect(bNew, &QPushButton::clicked, this, &TfrmLayers::bNewClick);
  connect(bDelete, &QPushButton::clicked, this, &TfrmLayers::bDeleteClick);
  connect(cbAutoUpdate, &QCheckBox::clicked, this, &TfrmLayers::cbAutoUpdateClick);
}

TfrmLayers::~TfrmLayers() {
  // The rows tell the panel when they go, so they go while it is whole.
  delete scroll;
  scroll = nullptr;
  mainpanel = nullptr;
}

void TfrmLayers::bNewClick() {
  quenvar::TProject* project = quenvar::CurrentProject();
  if (!project) return;
  host_.StopPlayback();
  host_.PushEdit(quenvar::AddLayerEdit(*project));
  host_.RebuildLayerFrames();
  if (processAfterAdd) QCoreApplication::processEvents();
  processAfterAdd = false;
}

void TfrmLayers::bDeleteClick() {
  try {
    const int n = currentLayerNumber;
    if (n <= 0 || n > rows.size()) return;
    AskAndDelete(*rows[n - 1]);
  } catch (const std::exception&) {
    // Deleting through the panel reports nothing.
  }
}

void TfrmLayers::AskAndDelete(TframeLayer& row) {
  if (!row.layer) return;
  const QString question = QStringLiteral("Delete layer \"") +
                           QString::fromStdString(row.layer->name) + QStringLiteral("\" ?");
  if (host_.prompter().AskYesNo(this, question)) row.Deletelayer1Click();
}

void TfrmLayers::UpdateLayerCount() {
  quenvar::TProject* project = quenvar::CurrentProject();
  const std::size_t n = project ? project->layers.size() : 0;
  LCount->setText(n != 0 ? QString::number(n) + QStringLiteral(" layers. ")
                         : QStringLiteral("Create a new layer.."));
}

void TfrmLayers::cbAutoUpdateClick() {
  if (cbAutoUpdate->isChecked())
    TimerUpdate->start();
  else
    TimerUpdate->stop();
}

void TfrmLayers::TimerUpdateTimer() {
  // The rows show nothing that changes while playing; the tick is kept for
  // the check box and does no work.
}

void TfrmLayers::RebuildRows() {
  while (!rows.isEmpty()) DestroyRow(0);
  mainpanel->hide();
  if (quenvar::TProject* project = quenvar::CurrentProject()) {
    for (quenvar::TBlendLayer* layer : project->layers) {
      auto* row = new TframeLayer(*this, host_, mainpanel);
      row->layer = layer;
      row->hide();
      row->move(0, rows.size() * TframeLayer::kRowHeight + 100);
      row->setObjectName(QStringLiteral("Layer_") +
                         QString::number(QRandomGenerator::global()->bounded(15000) +
                                         int(project->layers.size()) + 1));
      row->LName->setText(QString::fromStdString(layer->name));
      row->InitFromLayer();
      row->show();
      rows.append(row);
    }
  }
  mainpanel->show();
  LayoutRows();
  UpdateLayerCount();
}

void TfrmLayers::LayoutRows() {
  quenvar::TProject* project = quenvar::CurrentProject();
  QList<TframeLayer*> ordered = rows;
  auto place = [project](const TframeLayer* row) {
    return project && row->layer ? quenvar::IndexOfLayer(*project, row->layer) : -1;
  };
  std::stable_sort(ordered.begin(), ordered.end(),
                   [&](const TframeLayer* a, const TframeLayer* b) { return place(a) < place(b); });
  // The list follows the layers' order, so the row at position n - 1 is the
  // row of layer number n.
  rows = ordered;
  int y = 0;
  for (TframeLayer* row : ordered) {
    if (!row->dragging) row->move(0, y);
    y += TframeLayer::kRowHeight;
  }
  mainpanel->resize(TframeLayer::kRowWidth, std::max(y, 1));
  if (currentRow && currentRow->layer) currentLayerNumber = quint16(currentRow->layer->number);
}

void TfrmLayers::DestroyRow(int index) {
  if (index < 0 || index >= rows.size()) return;
  TframeLayer* row = rows.takeAt(index);
  if (currentRow == row) currentRow = nullptr;
  row->layer = nullptr;
  row->hide();
  // A row may be destroyed from one of its own handlers.
  row->deleteLater();
}

void TfrmLayers::RemoveRow(TframeLayer* row) {
  DestroyRow(int(rows.indexOf(row)));
  LayoutRows();
  UpdateLayerCount();
}

void TfrmLayers::ForgetRow(TframeLayer* row) {
  rows.removeAll(row);
  if (currentRow == row) currentRow = nullptr;
}

void TfrmLayers::HideContents() {
  mainpanel->hide();
}

void TfrmLayers::ShowContents(int number) {
  mainpanel->show();
  currentLayerNumber = quint16(number);
}

void TfrmLayers::closeEvent(QCloseEvent* event) {
  TimerUpdate->stop();
  QThread::msleep(10);
  event->accept();
}

void TfrmLayers::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Delete) {
    bDeleteClick();
    return;
  }
  QWidget::keyPressEvent(event);
}

void TfrmLayers::dragEnterEvent(QDragEnterEvent* event) {
  AcceptFileDrag(event);
}

void TfrmLayers::dropEvent(QDropEvent* event) {
  const QStringList files = TakeFileDrop(event);
  if (!files.isEmpty()) host_.DropFiles(files);
}
