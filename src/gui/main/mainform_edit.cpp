// The main window's part in editing: the undo stack, Insert Layer, dropped
// files and moving the selected layer with the keys.
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QSignalBlocker>
#include <QUndoStack>
#include <vector>

#include "compose/layerstack.h"
#include "gui/layers/unitframelayer.h"
#include "gui/layers/unitlayers.h"
#include "gui/main/editcommand.h"
#include "gui/main/mainform.h"
#include "gui/main/unitdisplay32.h"
#include "gui/psdimport/unitimportpsd.h"
#include "gui/widgets/filedrops.h"
#include "gui/widgets/prompter.h"
#include "host/statuslog.h"
#include "project/blendclass.h"
#include "project/layeredit.h"
#include "project/project.h"

void Tmainform::PushEdit(quenvar::TProjectEditPtr edit, bool mergeable) {
  if (!edit) return;
  undoStack->push(new TEditCommand(std::move(edit), mergeable, [this] { ShowUndoneState(); }));
  // A macro is measured whole once it ends.
  if (editMacros_ == 0) KeepUndoWithinBudget();
}

void Tmainform::SetUndoBudget(std::size_t bytes) {
  undoBudget_ = bytes;
  KeepUndoWithinBudget();
}

void Tmainform::KeepUndoWithinBudget() {
  // The steps done; steps undone are dropped with any trim, as a push would.
  const int count = undoStack->index();
  std::vector<std::size_t> sizes;
  for (int i = 0; i < count; ++i) sizes.push_back(CommandBytes(*undoStack->command(i)));
  const int drop = int(quenvar::OldestStepsToDrop(sizes, undoBudget_));
  if (drop == 0) return;
  if (drop >= count) {
    undoStack->clear();
    quenvar::StatusLog(quenvar::kUndoHistoryClearedLine);
    return;
  }
  // QUndoStack cannot let go of its oldest steps alone: it is filled again
  // with copies of the rest, sharing their edits. Its signals tell only the
  // state it ends in, which the clean mark keeps.
  std::vector<QUndoCommand*> kept;
  for (int i = drop; i < count; ++i) kept.push_back(CopyDoneCommand(*undoStack->command(i)));
  const int clean = undoStack->cleanIndex() - drop;
  {
    const QSignalBlocker block(undoStack);
    undoStack->clear();
    for (int i = 0; i < int(kept.size()); ++i) {
      if (i == clean) undoStack->setClean();
      undoStack->push(kept[std::size_t(i)]);
    }
    if (clean == int(kept.size())) undoStack->setClean();
    if (clean < 0 || clean > int(kept.size())) undoStack->resetClean();
  }
  emit undoStack->indexChanged(undoStack->index());
  emit undoStack->cleanChanged(undoStack->isClean());
  emit undoStack->canUndoChanged(undoStack->canUndo());
  emit undoStack->canRedoChanged(undoStack->canRedo());
  emit undoStack->undoTextChanged(undoStack->undoText());
  emit undoStack->redoTextChanged(undoStack->redoText());
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
  ++editMacros_;
  QStringList failures;
  for (const QString& path : paths) {
    try {
      PushEdit(quenvar::AddPictureLayerEdit(*p, path.toStdString()));
    } catch (const std::exception& e) {
      failures.append(QString::fromStdString(e.what()));
    }
  }
  undoStack->endMacro();
  --editMacros_;
  KeepUndoWithinBudget();
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
