// Unsaved work: the question before anything replaces or closes the open
// project, and opening a file without losing the project that is open.
#include <QCoreApplication>
#include <QFileInfo>
#include <QPushButton>

#include "gui/main/mainform.h"
#include "gui/main/unitdisplay32.h"
#include "gui/widgets/prompter.h"
#include "host/error.h"
#include "host/playback.h"
#include "project/project.h"
#include "project/projectopen.h"

namespace {

constexpr const char* kSaveTail = " is not saved.\r\rDo you want to save it ";
constexpr const char* kExitTail = " is not saved.\r\rExit application ?";

// "Project "<name>"" followed by the question's own tail.
QString UnsavedQuestion(const quenvar::TProject& project, const char* tail) {
  return QStringLiteral("Project \"") + QString::fromStdString(project.name) +
         QStringLiteral("\"") + QString::fromLatin1(tail);
}

}  // namespace

bool Tmainform::SettleUnsavedWork(TUnsavedAsk ask) {
  quenvar::TProject* p = project();
  if (!p) return true;
  NoteUnsavedEdits();
  // New asks whenever a project is open, changed or not.
  if (!p->modified && ask != TUnsavedAsk::New) return true;
  const bool wasPlaying = quenvar::Playback().playing;
  StopPlayback();
  const QString question = UnsavedQuestion(*p, ask == TUnsavedAsk::Exit ? kExitTail : kSaveTail);
  switch (prompter_.AskSaveChanges(this, question)) {
    case TSaveAnswer::Save:
      if (SaveOpenProject()) return true;
      break;
    case TSaveAnswer::Discard:
      return true;
    case TSaveAnswer::Cancel:
      break;
  }
  // Kept: the project plays on as it did.
  if (wasPlaying && project() == p) StartPlayback();
  return false;
}

bool Tmainform::CloseProjectAsking() {
  if (!project()) return true;
  if (!SettleUnsavedWork()) return false;
  CloseProjectView();
  return true;
}

void Tmainform::ProjectClosed() {
  UpdateProjectMenus();
  UpdatePlayCaption();
}

bool Tmainform::OpenProjectPath(const QString& path, bool tellUser) {
  std::unique_ptr<quenvar::TProject> read;
  std::string why;
  try {
    const auto report =
        prompter_.StartProgress(this, QStringLiteral("Opening ") + QFileInfo(path).fileName());
    read = quenvar::ReadProjectFileAside(path.toStdString(), report->AsProgress(), &why);
  } catch (const quenvar::Cancelled&) {
    return false;
  }
  if (!read) {
    // The project that is open stays as it was.
    if (tellUser)
      prompter_.ShowMessage(
          this, QStringLiteral("Cannot open ") + path +
                    (why.empty() ? QString() : QStringLiteral(": ") + QString::fromStdString(why)));
    return false;
  }
  if (!SettleUnsavedWork()) return false;
  CloseProjectView();
  quenvar::AdoptProject(read.release());
  OpenProjectView();
  RebuildLayerFrames();
  UpdateProjectMenus();
  QCoreApplication::processEvents();
  StartPlayback();
  NoteProjectChanged();
  return true;
}
