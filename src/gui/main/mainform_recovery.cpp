// Recovery files: the open project kept in the state folder while it has
// unsaved changes, and offered back at the next start when the program that
// wrote it did not end normally. After a Yes the offers stop: the recovered
// project is open, and the other files wait for a start with none open.
#include <QTimer>
#include <QUndoStack>
#include <algorithm>

#include "gui/main/mainform.h"
#include "gui/main/recoverywriter.h"
#include "gui/main/unitdisplay32.h"
#include "gui/widgets/prompter.h"
#include "host/recoveryfiles.h"
#include "host/statuslog.h"
#include "project/project.h"
#include "project/recovery.h"

void Tmainform::StartRecovery() {
  recovery_ = std::make_unique<TRecoveryWriter>(
      quenvar::RecoveryFolder(),
      [this] {
        const quenvar::TProject* p = project();
        return p && p->modified;
      },
      [this](std::time_t editedAt) { return quenvar::TakeRecoverySnapshot(*project(), editedAt); });
  // Edits, undo and redo move the index; a save makes the stack clean.
  connect(undoStack, &QUndoStack::indexChanged, this, &Tmainform::NoteProjectChanged);
  connect(undoStack, &QUndoStack::cleanChanged, this, &Tmainform::NoteProjectChanged);
  // Offered once the window is up, and only to a windowed start: a player
  // start has a project of its own to show.
  connect(InitTimer, &QTimer::timeout, this, [this] {
    if (args_.isEmpty()) QTimer::singleShot(0, this, &Tmainform::OfferRecoveries);
  });
}

void Tmainform::NoteProjectChanged() {
  if (recovery_) recovery_->Changed();
}

QString Tmainform::RecoveryFilePath() const {
  return recovery_ ? QString::fromStdString(recovery_->Path()) : QString();
}

void Tmainform::OfferRecoveries() {
  if (recovery_ && !recovery_->ClaimError().empty())
    quenvar::StatusLog("# Error : no recovery file: " + recovery_->ClaimError());
  // Opening one would close the project the user has open.
  if (project()) return;
  const std::string folder = quenvar::RecoveryFolder();
  if (folder.empty()) return;
  struct TOffer {
    quenvar::TStaleRecovery file;
    quenvar::TRecoveryInfo info;
  };
  std::vector<TOffer> offers;
  for (quenvar::TStaleRecovery& stale : quenvar::FindStaleRecoveries(folder)) {
    // What cannot be read is left for the user to look at.
    if (auto info = quenvar::ReadRecoveryInfo(stale.files.Project()))
      offers.push_back(TOffer{std::move(stale), *info});
    else
      quenvar::StatusLog("# Error : Unable to read the recovery file " + stale.files.Project());
  }
  std::stable_sort(offers.begin(), offers.end(), [](const TOffer& a, const TOffer& b) {
    return a.info.editedAt > b.info.editedAt;
  });
  for (TOffer& offer : offers) {
    const QString question = QString::fromStdString(quenvar::RecoveryQuestion(offer.info));
    if (!prompter_.AskYesNo(this, question)) {
      quenvar::RemoveRecoveryFiles(offer.file.files);
      continue;
    }
    if (!OpenProjectPath(QString::fromStdString(offer.file.files.Project())) || !project())
      continue;
    quenvar::AdoptRecoveredProject(*project(), offer.info);
    if (frmProject32) frmProject32->UpdateTitle();
    UpdateProjectMenus();
    // Ours replaces it: written now, as the project is unsaved.
    quenvar::RemoveRecoveryFiles(offer.file.files);
    NoteProjectChanged();
    return;
  }
}
