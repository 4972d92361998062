// The main window's part in editing: the undo stack, Insert Layer, dropped
// files and moving the selected layer with the keys.
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QUndoStack>

#include "app/editcommand.h"
#include "app/mainform.h"
#include "app/prompter.h"
#include "app/unitdisplay32.h"
#include "compose/layerstack.h"
#include "project/blendclass.h"
#include "project/layeredit.h"
#include "project/project.h"
#include "psd/gui/unitimportpsd.h"
#include "ui/filedrops.h"
#include "ui/unitframelayer.h"
#include "ui/unitlayers.h"

void Tmainform::PushEdit(quenvar::TProjectEditPtr edit, bool mergeable) {
  if (!edit) return;
  undoStack->push(new TEditCommand(std::move(edit), mergeable, [this] { ShowUndoneState(); }));
}

void Tmainform::NoteUnsavedEdits() {
  // Undoing past a save leaves the project unlike its file.
  if (quenvar::TProject* p = project()) p->modified = p->modified || !undoStack->isClean();
}

void Tmainform::ShowUndoneState() {
  RebuildLayerFrames();
  if (frmProject32) {
    frmProject32->RefreshSelection();
    frmProject32->view().Invalidate();
  }
}

void Tmainform::InsertLayerClick() {
  if (!project() || !frmLayers) return;
  frmLayers->processAfterAdd = true;
  frmLayers->bNewClick();
}

void Tmainform::DropFiles(const QStringList& paths) {
  for (const QString& path : paths) {
    const QString suffix = QFileInfo(path).suffix();
    // A project, or an OpenRaster file made into one.
    if (suffix.compare(QLatin1String("zyl"), Qt::CaseInsensitive) == 0 ||
        suffix.compare(QLatin1String("ora"), Qt::CaseInsensitive) == 0) {
      OpenDroppedProject(path);
      return;
    }
  }
  AddDroppedFiles(paths);
}

namespace {

bool IsPsdDocument(const QString& path) {
  const QString suffix = QFileInfo(path).suffix();
  return suffix.compare(QLatin1String("psd"), Qt::CaseInsensitive) == 0 ||
         suffix.compare(QLatin1String("pdd"), Qt::CaseInsensitive) == 0;
}

}  // namespace

void Tmainform::AddDroppedFiles(const QStringList& paths) {
  QStringList pictures;
  QString document;
  for (const QString& path : paths) {
    if (IsPsdDocument(path)) {
      // One document is read at a time; as a picture a PSD document is
      // only a white sheet, so the others are left alone.
      if (document.isEmpty()) document = path;
    } else {
      pictures.append(path);
    }
  }
  AddDroppedPictures(pictures);
  if (!document.isEmpty()) PSDImportWindow().ReadFile(document);
}

void Tmainform::AddDroppedPictures(const QStringList& paths) {
  quenvar::TProject* p = project();
  if (!p || paths.isEmpty()) return;
  StopPlayback();
  undoStack->beginMacro(QStringLiteral("Add pictures"));
  QStringList failures;
  for (const QString& path : paths) {
    try {
      PushEdit(quenvar::AddPictureLayerEdit(*p, path.toStdString()));
    } catch (const std::exception& e) {
      failures.append(QString::fromStdString(e.what()));
    }
  }
  undoStack->endMacro();
  RebuildLayerFrames();
  if (!failures.isEmpty()) prompter_.ShowMessage(this, failures.join(QLatin1Char('\r')));
  StartPlayback();
}

void Tmainform::NudgeSelection(int dx, int dy) {
  quenvar::TProject* p = project();
  if (!p || !frmProject32 || !frmProject32->selectedLayer()) return;
  const quenvar::TPositionedLayer* selected = frmProject32->selectedLayer();
  for (std::size_t i = 0; i < p->layers.size(); ++i) {
    if (p->layers[i]->ALayer != selected) continue;
    PushEdit(quenvar::EditLayer(
                 *p, int(i), quenvar::TLayerScope::Fields, "Move layer",
                 [&](quenvar::TBlendLayer& layer) { quenvar::MoveLayerBy(*p, layer, dx, dy); }),
             true);
    frmProject32->RefreshSelection();
    return;
  }
}

void Tmainform::EnterLayerRow(const quenvar::TCustomLayer* viewLayer) {
  if (!frmLayers || !viewLayer) return;
  for (TframeLayer* row : frmLayers->rows) {
    if (row->layer && row->layer->ALayer == viewLayer) {
      row->FrameEnter();
      return;
    }
  }
}

void Tmainform::dragEnterEvent(QDragEnterEvent* event) {
  AcceptFileDrag(event);
}

void Tmainform::dropEvent(QDropEvent* event) {
  const QStringList files = TakeFileDrop(event);
  if (!files.isEmpty()) DropFiles(files);
}
