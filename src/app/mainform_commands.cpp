// The main window's commands.
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QThread>

#include "app/core/canvassize.h"
#include "app/core/error.h"
#include "app/core/playback.h"
#include "app/mainform.h"
#include "app/prompter.h"
#include "app/unitabout.h"
#include "app/unitprojectproperties.h"
#include "formats/limits.h"
#include "project/project.h"

namespace {

// "Project "<name>" is not saved." followed by the question's own tail.
QString UnsavedQuestion(const quenvar::TProject& project, const char* tail) {
  return QStringLiteral("Project \"") + QString::fromStdString(project.name) +
         QStringLiteral("\"") + QString::fromLatin1(tail);
}

constexpr const char* kNewTail = " is not saved.\r\rDo you want to save it ";
constexpr const char* kExitTail = " is not saved.\r\rExit application ?";

}  // namespace

void Tmainform::UpdateProjectMenus() {
  const bool open = project() != nullptr;
  for (QAction* a : {miImportPSD_, miSave_, miSaveAs_, miSaveFrame_}) a->setEnabled(open);
}

void Tmainform::OpenProjectView() {
  if (!project()) return;
  // The view window and the layers panel attach here once they exist.
}

void Tmainform::RebuildLayerFrames() {
  // The layers panel's rows are built here once the panel exists.
}

void Tmainform::CloseProjectView() {
  // Closing the view window is what closes the project; until a project has
  // a view window the project is closed directly.
  if (project()) quenvar::CloseProject();
}

bool Tmainform::SaveOpenProject() {
  quenvar::TProject* p = project();
  if (!p) return true;
  StopPlayback();
  try {
    if (p->fileName != "untitled.zyl") {
      p->Save();
      return true;
    }
    const QString path = prompter_.SaveFileName(
        this, QString(), QStringLiteral("Project file (*.zyl)"), QStringLiteral("zyl"));
    if (path.isEmpty()) return false;
    p->SaveAs(path.toStdString());
    return true;
  } catch (const quenvar::Error& e) {
    prompter_.ShowMessage(this, QString::fromStdString(e.what()));
    return false;
  }
}

bool Tmainform::DialogCanvasSize(std::uint16_t& width, std::uint16_t& height) {
  const auto size = quenvar::ParseCanvasSize(frmProjectProperties->eX->text().toStdString(),
                                             frmProjectProperties->eY->text().toStdString());
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
  if (quenvar::TProject* p = project()) {
    // Asked whenever a project is open. A save that fails or is cancelled
    // keeps the project open instead of discarding unsaved work.
    if (prompter_.AskYesNo(this, UnsavedQuestion(*p, kNewTail)) && !SaveOpenProject()) {
      UpdateProjectMenus();
      return;
    }
  }
  std::uint16_t width = 0, height = 0;
  if (frmProjectProperties && prompter_.ExecDialog(*frmProjectProperties) == QDialog::Accepted &&
      DialogCanvasSize(width, height)) {
    if (project()) CloseProjectView();
    auto* p = new quenvar::TProject();  // becomes the open project; CloseProject frees it
    p->width = width;
    p->height = height;
    p->name = frmProjectProperties->eName->text().toStdString();
    p->comment = frmProjectProperties->mComment->toPlainText().toStdString();
    OpenProjectView();
    RebuildLayerFrames();
    QCoreApplication::processEvents();
  }
  UpdateProjectMenus();
}

void Tmainform::CloseProjectClick() {
  CloseProjectView();
}

void Tmainform::CanvasSizeClick() {
  quenvar::TProject* p = project();
  if (!p || !frmProjectProperties) return;
  frmProjectProperties->FillFromProject(p->width, p->height, QString::fromStdString(p->name));
  std::uint16_t width = 0, height = 0;
  if (prompter_.ExecDialog(*frmProjectProperties) != QDialog::Accepted) return;
  if (!DialogCanvasSize(width, height)) return;
  p = project();  // pending events may have closed it meanwhile
  if (!p) return;
  p->width = width;
  p->height = height;
  p->name = frmProjectProperties->eName->text().toStdString();
  OpenProjectView();
}

bool Tmainform::ConfirmExit() {
  if (quenvar::TProject* p = project()) {
    StopPlayback();
    if (p->modified && !prompter_.AskYesNo(this, UnsavedQuestion(*p, kExitTail))) return false;
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

void Tmainform::AboutClick() {
  if (frmAbout) prompter_.ExecDialog(*frmAbout);
}

void Tmainform::WhatIsNewClick() {
  ShowWhatsNewWindow();
}

void Tmainform::cbIntervalChange() {
  if (!project()) return;
  const int fps = cbInterval_->currentText().toInt();
  if (fps > 0) quenvar::Playback().frameInterval = quenvar::FrameIntervalForFps(fps);
}

bool Tmainform::FormKeyDown(QKeyEvent* /*key*/) {
  // Seen before any control; the full-screen player takes Esc here.
  return false;
}
