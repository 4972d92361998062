#include "gui/main/shellhost.h"

#include <QCoreApplication>
#include <QThread>
#include <QUndoStack>

#include "compose/layerstack.h"
#include "gui/layers/unitlayers.h"
#include "gui/main/mainwindowside.h"
#include "gui/main/unitdisplay32.h"

namespace {

QString FromStd(std::string_view s) {
  return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

}  // namespace

TShellHost::TShellHost(TMainWindowSide& form)
    : form_(form), previousSink_(quenvar::SetLogSink(this)) {
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
  if (form_.LayersPanel()) form_.LayersPanel()->hide();
  // The edits belong to the project that is closing.
  if (form_.UndoStack()) form_.UndoStack()->clear();
}

int TShellHost::LayerRowCount() {
  return form_.LayersPanel() ? int(form_.LayersPanel()->rows.size()) : 0;
}

void TShellHost::DestroyLayerRow(int index) {
  if (form_.LayersPanel()) form_.LayersPanel()->DestroyRow(index);
}

void TShellHost::HideLayersPanelContents() {
  if (form_.LayersPanel()) form_.LayersPanel()->HideContents();
}

void TShellHost::ShowLayersPanelContents(int currentLayerNumber) {
  if (form_.LayersPanel()) form_.LayersPanel()->ShowContents(currentLayerNumber);
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
  if (!form_.ViewWindow()) return false;
  width = form_.ViewWindow()->ClientWidth();
  height = form_.ViewWindow()->ClientHeight();
  return true;
}

void TShellHost::RebuildView() {
  if (form_.ViewWindow()) form_.ViewWindow()->BuildFromProject();
}

void TShellHost::RefreshSelection() {
  if (form_.ViewWindow()) form_.ViewWindow()->RefreshSelection();
}

quenvar::TLayerCollection* TShellHost::ViewLayers() {
  return form_.ViewWindow() ? &form_.ViewWindow()->view().Layers() : nullptr;
}

void TShellHost::ViewLayerCreated(quenvar::TBitmapLayer& layer) {
  if (form_.ViewWindow()) form_.ViewWindow()->WatchViewLayer(layer);
}

void TShellHost::StartPlayback() {
  form_.StartPlayback();
}

void TShellHost::RebuildLayerFrames() {
  form_.RebuildLayerFrames();
}

void TShellHost::SetSelection(quenvar::TPositionedLayer* layer) {
  if (form_.ViewWindow()) form_.ViewWindow()->SetSelection(layer);
}

void TShellHost::SetViewMouseListener(quenvar::TCustomLayer* layer) {
  if (form_.ViewWindow()) form_.ViewWindow()->view().Layers().SetMouseListener(layer);
}

Prompter& TShellHost::prompter() {
  return form_.prompter();
}

QString& TShellHost::lastPictureFolder() {
  return form_.PictureFolder();
}

void TShellHost::PushEdit(quenvar::TProjectEditPtr edit, bool mergeable) {
  form_.PushEdit(std::move(edit), mergeable);
}

void TShellHost::DropFiles(const QStringList& paths) {
  form_.DropFiles(paths);
}

QString TShellHost::MiniFontFamily() {
  return form_.InterfaceFontFamily();
}

void TShellHost::NewProject() {
  form_.NewClick();
}
