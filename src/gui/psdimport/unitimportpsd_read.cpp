// Read PSD: the document into the preview and the rows.
#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>

#include "compose/layerstack.h"
#include "gui/psdimport/unitframepsd.h"
#include "gui/psdimport/unitimportpsd.h"
#include "gui/widgets/imageview32.h"
#include "host/statuslog.h"
#include "psd/psdimage.h"
#include "psd/psdimportread.h"

namespace {

// The hourglass for a scope, however it is left.
class TWaitCursor {
 public:
  TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
  TWaitCursor(const TWaitCursor&) = delete;
  TWaitCursor& operator=(const TWaitCursor&) = delete;
};

}  // namespace

void TfrmPSDImport::bReadClick() {
  if (busy_) return;
  TBusy busy(*this);
  sb1->hide();
  ClearRowsAndPreview();
  Memo1->clear();
  const std::string fileName = efilename->text().toStdString();
  {
    TWaitCursor wait;
    try {
      ReadDocument(fileName);
    } catch (...) {
      // Whatever went wrong, the user hears the same advice; what was built
      // before stays.
      DropUnbuiltRows();
      for (const char* line : quenvar::kPsdReadErrorLines) quenvar::PsdLog(line);
    }
  }
  sb1->show();
}

void TfrmPSDImport::ClearRowsAndPreview() {
  while (!rows_.isEmpty()) delete rows_.takeLast();
  // Clearing the collection destroys the frame; forget it first.
  SelectLayer(nullptr);
  selection_->Forget();
  img32->view().Layers().Clear();
  model_ = quenvar::TPsdImportModel();
}

void TfrmPSDImport::ReadDocument(const std::string& fileName) {
  QElapsedTimer clock;
  clock.start();
  const quenvar::TPicture picture = quenvar::LoadImportPicture(fileName);
  // Taken at once: the account below lets events run, and another read
  // elsewhere may rewrite the record meanwhile.
  model_ = quenvar::PsdImportModelOf(quenvar::tPsdImage());
  SetBasePicture(picture);
  for (const std::string& line : quenvar::PsdReadAccount(fileName, model_, clock.elapsed()))
    quenvar::PsdLog(line);
  LTotal->setText(QStringLiteral("Total %1 layers.").arg(model_.PictureLayerCount()));
  BuildRows();
  PanelC->setVisible(!model_.rows.empty());
  PanelPSD->show();
  resize(1024, 768);
  FitOnScreen();
}

void TfrmPSDImport::SetBasePicture(const quenvar::TPicture& picture) {
  quenvar::TImgView32& v = img32->view();
  v.Bitmap().CopyFrom(picture);
  const int width = v.Bitmap().Width(), height = v.Bitmap().Height();
  img32->setFixedSize(width, height);
  v.SetClientSize(width, height);
  v.Invalidate();
}

void TfrmPSDImport::BuildRows() {
  const int count = int(model_.rows.size());
  Progress(0, count);
  for (int i = 0; i < count; ++i) {
    AddRow(model_.rows[std::size_t(i)]);
    Progress(i + 1, count);
  }
  ShowTickedLayers();
}

void TfrmPSDImport::AddRow(quenvar::TPsdImportRow& data) {
  auto* row = new TframePSDLayer(rowPanel_);
  row->setObjectName(QStringLiteral("framepsdlayer%1").arg(data.index));
  // New rows go above the others: the top of the document is listed first.
  rowLayout_->insertWidget(0, row);
  rows_.append(row);
  row->onVisibilityChanged = [this] { ShowTickedLayers(); };
  quenvar::TBitmapLayer* preview = data.group ? nullptr : AddPreviewLayer(data);
  row->ShowRecord(data, preview);
  if (!preview) return;
  row->DrawThumbnail();
  quenvar::PsdLog(quenvar::PsdInsertLine(data.mode, data.blendKey));
  ShowPreviewOf(*row);
}

quenvar::TBitmapLayer* TfrmPSDImport::AddPreviewLayer(const quenvar::TPsdImportRow& row) {
  auto& layer = img32->view().Layers().Add<quenvar::TBitmapLayer>();
  layer.SetCropped(true);
  layer.OnMouseDown = [this](quenvar::TCustomLayer& sender, quenvar::TMouseButton,
                             quenvar::TShiftState, int, int) {
    SelectLayer(dynamic_cast<quenvar::TPositionedLayer*>(&sender));
  };
  layer.SetLocation(row.place);
  quenvar::PreparePsdPreviewSurface(layer.Bitmap(), row);
  return &layer;
}

void TfrmPSDImport::DropUnbuiltRows() {
  // Rows the failed read never listed are neither shown nor imported.
  for (std::size_t i = std::size_t(rows_.size()); i < model_.rows.size(); ++i)
    model_.rows[i].ticked = false;
  ShowTickedLayers();
}

void TfrmPSDImport::FitOnScreen() {
  QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
  if (!s) return;
  const QRect area = s->availableGeometry();
  QRect frame = frameGeometry();
  if (frame.width() > area.width() || frame.height() > area.height())
    resize(std::min(width(), area.width() - (frame.width() - width())),
           std::min(height(), area.height() - (frame.height() - height())));
  frame = frameGeometry();
  const int x = std::clamp(frame.left(), area.left(),
                           std::max(area.left(), area.left() + area.width() - frame.width()));
  const int y = std::clamp(frame.top(), area.top(),
                           std::max(area.top(), area.top() + area.height() - frame.height()));
  move(x, y);
}
