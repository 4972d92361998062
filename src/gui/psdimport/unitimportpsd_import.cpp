// Import Layers: the layers the preview shows into the open project.
#include <QCoreApplication>
#include <QThread>

#include "compose/layerstack.h"
#include "gui/psdimport/psdimporthost.h"
#include "gui/psdimport/unitframepsd.h"
#include "gui/psdimport/unitimportpsd.h"
#include "host/playback.h"
#include "host/statuslog.h"
#include "project/project.h"
#include "project/projectedit.h"
#include "project/psdimport.h"
#include "psd/psdimportread.h"

void TfrmPSDImport::Button1Click() {
  if (busy_) return;
  TBusy busy(*this);
  if (!EnsureProject()) return;
  KeepPreviewPlaces();
  ImportShownLayers();
}

bool TfrmPSDImport::EnsureProject() {
  if (quenvar::CurrentProject()) return true;
  host_.NewProject();
  QCoreApplication::processEvents();
  QThread::msleep(10);
  QCoreApplication::processEvents();
  return quenvar::CurrentProject() != nullptr;
}

void TfrmPSDImport::KeepPreviewPlaces() {
  // Where the user dragged or sized a layer in the preview is where it goes.
  for (TframePSDLayer* row : rows_)
    if (row->row && row->previewLayer) row->row->place = row->previewLayer->Location();
}

void TfrmPSDImport::ImportShownLayers() {
  quenvar::TProject& project = *quenvar::CurrentProject();
  const bool wasPlaying = quenvar::Playback().playing;
  host_.StopPlayback();
  const std::vector<int> imported = quenvar::PsdImportedRows(model_);
  try {
    // Only timers run while the layers go in, so nothing can close the
    // project or read another document in the middle.
    host_.PushEdit(quenvar::AddLayersEdit(
        project, quenvar::PsdImportLayers(model_), "Import PSD", [this](int done, int total) {
          Progress(done, total);
          QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        }));
  } catch (const std::exception& e) {
    quenvar::PsdLog(std::string("Error : ") + e.what());
    if (wasPlaying) host_.StartPlayback();
    return;
  }
  host_.RebuildLayerFrames();
  for (int i : imported) {
    const quenvar::TPsdImportRow& row = model_.rows[std::size_t(i)];
    quenvar::PsdLog(quenvar::PsdInsertLine(row.mode, row.blendKey));
  }
  if (wasPlaying) host_.StartPlayback();
}
