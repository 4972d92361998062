#include "app/shellhost.h"

#include <QCoreApplication>
#include <QThread>
#include <QUndoStack>

#include "app/mainform.h"
#include "app/unitdisplay32.h"
#include "compose/layerstack.h"
#include "ui/unitlayers.h"

namespace {

QString FromStd(std::string_view s) {
  return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

}  // namespace

TShellHost::TShellHost(Tmainform& form) : form_(form), previousSink_(quenvar::SetLogSink(this)) {
  quenvar::SetProjectHost(this);
}

TShellHost::~TShellHost() {
  quenvar::SetProjectHost(nullptr);
  quenvar::SetLogSink(previousSink_);
}

void TShellHost::StatusLog(std::string_view line) {
  form_.StatusLog(FromStd(line));
}

void TShellHost::PsdLog(std::string_view line) {
  form_.PsdLog(FromStd(line));
}

void TShellHost::StopPlayback() {
  form_.StopPlayback();
}

void TShellHost::HideLayersPanel() {
  if (form_.frmLayers) form_.frmLayers->hide();
  // The edits belong to the project that is closing.
  if (form_.undoStack) form_.undoStack->clear();
}

int TShellHost::LayerRowCount() {
  return form_.frmLayers ? int(form_.frmLayers->rows.size()) : 0;
}

void TShellHost::DestroyLayerRow(int index) {
  if (form_.frmLayers) form_.frmLayers->DestroyRow(index);
}

void TShellHost::HideLayersPanelContents() {
  if (form_.frmLayers) form_.frmLayers->HideContents();
}

void TShellHost::ShowLayersPanelContents(int currentLayerNumber) {
  if (form_.frmLayers) form_.frmLayers->ShowContents(currentLayerNumber);
}

void TShellHost::ProjectClosed() {
  // Closing, whatever asked for it, ends the need for a recovery file.
  form_.NoteProjectChanged();
}

void TShellHost::ProcessPendingEvents() {
  QCoreApplication::processEvents();
}

void TShellHost::Sleep(int milliseconds) {
  QThread::msleep(static_cast<unsigned long>(milliseconds));
}

bool TShellHost::ViewClientSize(int& width, int& height) {
  if (!form_.frmProject32) return false;
  width = form_.frmProject32->ClientWidth();
  height = form_.frmProject32->ClientHeight();
  return true;
}

void TShellHost::RebuildView() {
  if (form_.frmProject32) form_.frmProject32->BuildFromProject();
}

void TShellHost::RefreshSelection() {
  if (form_.frmProject32) form_.frmProject32->RefreshSelection();
}

quenvar::TLayerCollection* TShellHost::ViewLayers() {
  return form_.frmProject32 ? &form_.frmProject32->view().Layers() : nullptr;
}

void TShellHost::ViewLayerCreated(quenvar::TBitmapLayer& layer) {
  if (form_.frmProject32) form_.frmProject32->WatchViewLayer(layer);
}

void TShellHost::StartPlayback() {
  form_.StartPlayback();
}

void TShellHost::RebuildLayerFrames() {
  form_.RebuildLayerFrames();
}

void TShellHost::SetSelection(quenvar::TPositionedLayer* layer) {
  if (form_.frmProject32) form_.frmProject32->SetSelection(layer);
}

void TShellHost::SetViewMouseListener(quenvar::TCustomLayer* layer) {
  if (form_.frmProject32) form_.frmProject32->view().Layers().SetMouseListener(layer);
}

Prompter& TShellHost::prompter() {
  return form_.prompter();
}

QString& TShellHost::lastPictureFolder() {
  return form_.lastPictureFolder;
}

void TShellHost::PushEdit(quenvar::TProjectEditPtr edit, bool mergeable) {
  form_.PushEdit(std::move(edit), mergeable);
}

void TShellHost::DropFiles(const QStringList& paths) {
  form_.DropFiles(paths);
}

QString TShellHost::MiniFontFamily() {
  return form_.miniFontFamily;
}

void TShellHost::NewProject() {
  form_.NewClick();
}
