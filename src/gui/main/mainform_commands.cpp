// The main window's commands.
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QUndoStack>

#include "compose/layerstack.h"
#include "formats/limits.h"
#include "gui/dialogs/unitabout.h"
#include "gui/dialogs/unitcapture.h"
#include "gui/dialogs/unitprojectproperties.h"
#include "gui/dialogs/unitstatus.h"
#include "gui/layers/unitlayers.h"
#include "gui/main/mainform.h"
#include "gui/main/unitdisplay32.h"
#include "gui/psdimport/unitimportpsd.h"
#include "gui/widgets/prompter.h"
#include "host/canvassize.h"
#include "host/error.h"
#include "host/playback.h"
#include "host/statuslog.h"
#include "project/framestep.h"
#include "project/looplength.h"
#include "project/project.h"
#include "project/projectopen.h"
#include "project/videorecording.h"
#include "video/videowriter.h"

void Tmainform::UpdateProjectMenus() {
  const bool open = project() != nullptr;
  for (QAction* a : {miImportPSD_, miSave_, miSaveAs_, miSaveFrame_, miExportOra_, miExportWeb_,
                     miCanvasSize_, miInsertLayer_, miRenderToDisk_})
    a->setEnabled(open);
  for (QPushButton* b : {bFullScreen_, bSaveButton_}) b->setEnabled(open);
}

void Tmainform::UpdatePlayCaption() {
  const bool playing = project() && quenvar::Playback().playing;
  bAnimate_->setText(playing ? QStringLiteral("STOP") : QStringLiteral("PLAY"));
}

void Tmainform::OpenProjectView() {
  if (!project()) return;
  if (!frmProject32) {
    // Every view plays at the FPS box's rate.
    cbIntervalChange();
    frmProject32 = new TfrmProject32(*this);
    mdiArea_->addSubWindow(frmProject32);
    frmProject32->show();
    // A project opened during full screen (a dropped file) is presented too.
    if (fullScreen) PresentView();
  }
  frmProject32->BuildFromProject();
  if (frmLayers) {
    const QRect main = frameGeometry();
    frmLayers->move(main.left() + main.width() - frmLayers->width() - 15, main.top() + 90);
    ShowFloatingWindow(frmLayers);
  }
}

void Tmainform::RebuildLayerFrames() {
  if (frmLayers) frmLayers->RebuildRows();
}

void Tmainform::CloseProjectView() {
  // Closing the view window is what closes the project; a project without a
  // view window is closed directly.
  if (frmProject32) {
    frmProject32->closeAsked = true;
    frmProject32->close();
    return;
  }
  if (project()) quenvar::CloseProject();
  ProjectClosed();
}

void Tmainform::PrepareOpen() {
  HideWhatsNew();
  if (project()) StopPlayback();
  EndRecording();
  quenvar::TPlaybackState& playback = quenvar::Playback();
  playback.recordFolder.clear();
  playback.frameNumber = 0;
}

void Tmainform::OpenProjectFile() {
  PrepareOpen();
  if (lastProjectFolder.isEmpty()) lastProjectFolder = programDir_;
  const QString path = prompter_.OpenFileName(this, lastProjectFolder,
                                              QStringLiteral("Taveron Project file (*.zyl)"));
  if (!path.isEmpty()) {
    lastProjectFolder = QFileInfo(path).absolutePath();
    OpenProjectPath(path);
  }
  UpdateProjectMenus();
  UpdatePlayCaption();
}

void Tmainform::OpenCommandLineProject(const QString& path) {
  PrepareOpen();
  lastProjectFolder = programDir_;
  {
    quenvar::ErrorEchoSink echo(quenvar::CurrentLogSink(), *commandLineErrors);
    quenvar::ScopedLogSink scope(&echo);
    OpenProjectPath(path, false);
    UpdateProjectMenus();
  }
  // The player goes full screen even when its file could not be read.
  StopPlayback();
  SetFullScreen(true);
  StartPlayback();
}

void Tmainform::OpenDroppedProject(const QString& path) {
  PrepareOpen();
  lastProjectFolder = QFileInfo(path).absolutePath();
  OpenProjectPath(path);
  UpdateProjectMenus();
  UpdatePlayCaption();
}

void Tmainform::SaveClick() {
  SaveOpenProject();
}

void Tmainform::SaveAsClick() {
  quenvar::TProject* p = project();
  if (!p) return;
  StopPlayback();
  const QString path = prompter_.SaveFileName(
      this, QString(), QStringLiteral("Project file (*.zyl)"), QStringLiteral("zyl"));
  if (path.isEmpty()) return;
  try {
    if (SaveWithProgress(*p, path) && !p->modified) undoStack->setClean();
    if (frmProject32) frmProject32->UpdateTitle();
  } catch (const std::exception& e) {
    prompter_.ShowMessage(this, QString::fromStdString(e.what()));
  }
}

void Tmainform::SaveFrameClick() {
  if (!project()) return;
  const QString path = prompter_.SaveFileName(
      this, QString(), QStringLiteral("Bitmap File (*.bmp)"), QStringLiteral("bmp"));
  if (path.isEmpty() || !frmProject32) return;
  try {
    quenvar::WriteFrameFile(frmProject32->view(), path.toStdString());
  } catch (const std::exception& e) {
    prompter_.ShowMessage(this, QString::fromStdString(e.what()));
  }
}

void Tmainform::RenderToDiskClick() {
  if (!project()) return;
  TfrmCapture& capture = CaptureDialog();
  // The loop as the view plays it now (grid4's calls depend on the view).
  std::optional<quenvar::TLoopLength> loop;
  if (frmProject32) loop = quenvar::ProjectLoop(*project(), frmProject32->view()).project;
  const int fps = cbInterval_->currentText().toInt();
  capture.ShowLoop(loop, fps > 0 ? fps : quenvar::kDefaultFps);
  if (prompter_.ExecDialog(capture) != QDialog::Accepted) return;
  EndRecording();
  if (capture.VideoChosen())
    StartVideoRecording(capture);
  else
    quenvar::StartRecording(quenvar::Playback(), capture.eOutput->text().toStdString());
  if (quenvar::Playback().recording) quenvar::Playback().lastFrame = capture.OneLoopFrames();
}

void Tmainform::StartVideoRecording(TfrmCapture& capture) {
  if (!project() || !frmProject32) {
    prompter_.ShowMessage(this, QStringLiteral("Open or make a project before recording a video."));
    return;
  }
  const std::string file = quenvar::VideoRecordName(capture.eOutput->text().toStdString(),
                                                    project()->name, capture.VideoExtension());
  capture.eOutput->setText(QString::fromStdString(file));
  const int fps = cbInterval_->currentText().toInt();
  try {
    // The video's rate is the frame timer's, so it lasts as long as the
    // playing it records.
    quenvar::StartVideoRecording(quenvar::Playback(), file, project()->width, project()->height,
                                 fps > 0 ? fps : quenvar::kDefaultFps,
                                 quenvar::Playback().frameInterval);
  } catch (const std::exception& e) {
    prompter_.ShowMessage(this, QString::fromStdString(e.what()));
    return;
  }
  quenvar::StatusLog("Recording into " + file);
}

void Tmainform::EndRecording() {
  const bool wasVideo = quenvar::Playback().video != nullptr;
  const std::string file = wasVideo ? quenvar::Playback().video->FileName() : std::string();
  const std::string error = quenvar::EndRecording(quenvar::Playback());
  if (!error.empty())
    prompter_.ShowMessage(this, QString::fromStdString(error));
  else if (wasVideo)
    quenvar::StatusLog("Recording saved in " + file);
}

void Tmainform::bAnimateClick() {
  if (!project()) {
    prompter_.ShowMessage(this, QStringLiteral("No active project .. "));
    return;
  }
  quenvar::TPlaybackState& playback = quenvar::Playback();
  // STOP ends a recording; PLAY starts recording one that was armed.
  if (playback.playing && playback.recording) {
    EndRecording();
    LFrameCount_->setText(QStringLiteral(" "));
  }
  if (playback.playing)
    StopPlayback();
  else
    StartPlayback();
  bAnimate_->repaint();
}

bool Tmainform::SaveOpenProject() {
  quenvar::TProject* p = project();
  if (!p) return true;
  StopPlayback();
  try {
    if (p->fileName != "untitled.zyl") {
      if (!SaveWithProgress(*p)) return false;
    } else {
      const QString path = prompter_.SaveFileName(
          this, QString(), QStringLiteral("Project file (*.zyl)"), QStringLiteral("zyl"));
      if (path.isEmpty()) return false;
      if (!SaveWithProgress(*p, path)) return false;
      if (frmProject32) frmProject32->UpdateTitle();
    }
    if (!p->modified) undoStack->setClean();
    return true;
  } catch (const std::exception& e) {
    prompter_.ShowMessage(this, QString::fromStdString(e.what()));
    return false;
  }
}

bool Tmainform::SaveWithProgress(quenvar::TProject& project, const QString& path) {
  const QString target = path.isEmpty() ? QString::fromStdString(project.fileName) : path;
  const auto report =
      prompter_.StartProgress(this, QStringLiteral("Saving ") + QFileInfo(target).fileName());
  try {
    if (path.isEmpty())
      project.Save(report->AsProgress());
    else
      project.SaveAs(path.toStdString(), report->AsProgress());
  } catch (const quenvar::Cancelled&) {
    quenvar::StatusLog("Saving stopped : the file is as it was.");
    return false;
  }
  NoteProjectChanged();
  return true;
}

bool Tmainform::DialogCanvasSize(std::uint16_t& width, std::uint16_t& height) {
  TfrmProjectProperties& dialog = ProjectPropertiesDialog();
  const auto size =
      quenvar::ParseCanvasSize(dialog.eX->text().toStdString(), dialog.eY->text().toStdString());
  if (!size) {
    prompter_.ShowMessage(this, QString::fromStdString(quenvar::CanvasSizeRefusal()));
    return false;
  }
  try {
    quenvar::CheckPictureSize(size->width, size->height, "The canvas");
  } catch (const quenvar::Error& e) {
    prompter_.ShowMessage(this, QString::fromStdString(e.what()));
    return false;
  }
  width = size->width;
  height = size->height;
  return true;
}

void Tmainform::NewClick() {
  // A save that fails or is cancelled keeps the project open instead of
  // discarding unsaved work.
  if (!SettleUnsavedWork(TUnsavedAsk::New)) {
    UpdateProjectMenus();
    UpdatePlayCaption();
    return;
  }
  std::uint16_t width = 0, height = 0;
  TfrmProjectProperties& dialog = ProjectPropertiesDialog();
  if (prompter_.ExecDialog(dialog) == QDialog::Accepted && DialogCanvasSize(width, height)) {
    if (project()) CloseProjectView();
    auto* p = new quenvar::TProject();  // becomes the open project; CloseProject frees it
    p->width = width;
    p->height = height;
    p->name = dialog.eName->text().toStdString();
    p->comment = dialog.mComment->toPlainText().toStdString();
    OpenProjectView();
    RebuildLayerFrames();
    QCoreApplication::processEvents();
    // A new project starts with one empty layer, unchanged and with nothing
    // to undo.
    if (frmLayers && project() == p) {
      frmLayers->bNewClick();
      frmLayers->currentLayerNumber = 1;
      p->modified = false;
      undoStack->clear();
    }
    NoteProjectChanged();
  }
  UpdateProjectMenus();
  UpdatePlayCaption();
}

void Tmainform::ImportPSDClick() {
  PSDImportWindow().ShowImport();
}

void Tmainform::CloseProjectClick() {
  CloseProjectAsking();
}

void Tmainform::CanvasSizeClick() {
  quenvar::TProject* p = project();
  if (!p) return;
  TfrmProjectProperties& dialog = ProjectPropertiesDialog();
  dialog.FillFromProject(p->width, p->height, QString::fromStdString(p->name));
  std::uint16_t width = 0, height = 0;
  if (prompter_.ExecDialog(dialog) != QDialog::Accepted) return;
  if (!DialogCanvasSize(width, height)) return;
  p = project();  // pending events may have closed it meanwhile
  if (!p) return;
  PushEdit(quenvar::CanvasEdit(*p, width, height, dialog.eName->text().toStdString()));
  OpenProjectView();
}

bool Tmainform::ConfirmExit() {
  if (project()) {
    StopPlayback();
    if (!SettleUnsavedWork(TUnsavedAsk::Exit)) {
      UpdatePlayCaption();
      return false;
    }
    try {
      CloseProjectView();
    } catch (...) {
      // The program ends all the same.
    }
  }
  QCoreApplication::processEvents();
  QThread::msleep(100);
  terminateApplication();
  return true;
}

void Tmainform::ExitClick() {
  ConfirmExit();
}

void Tmainform::ViewLayersClick() {
  // The panel lists the open project's layers; without one it has nothing.
  if (frmLayers && project()) {
    ShowFloatingWindow(frmLayers);
    frmLayers->raise();
  }
}

void Tmainform::ViewStatusClick() {
  if (!frmStatus) return;
  ShowFloatingWindow(frmStatus);
  frmStatus->raise();
}

void Tmainform::AboutClick() {
  prompter_.ExecDialog(AboutBox());
}

void Tmainform::WhatIsNewClick() {
  ShowWhatsNewWindow();
}

void Tmainform::cbIntervalChange() {
  if (!project()) return;
  const int fps = cbInterval_->currentText().toInt();
  if (fps <= 0) return;
  quenvar::Playback().frameInterval = quenvar::FrameIntervalForFps(fps);
  if (frmProject32) frmProject32->Timer1->setInterval(quenvar::Playback().frameInterval);
}
