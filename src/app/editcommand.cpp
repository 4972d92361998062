#include "app/editcommand.h"

#include "project/project.h"

namespace {
constexpr int kMergeableId = 1;
}

TEditCommand::TEditCommand(quenvar::TProjectEditPtr edit, bool mergeable,
                           std::function<void()> afterwards)
    : QUndoCommand(QString::fromStdString(edit->Text())),
      edit_(std::move(edit)),
      mergeable_(mergeable),
      afterwards_(std::move(afterwards)) {}

void TEditCommand::undo() {
  quenvar::TProject* project = quenvar::CurrentProject();
  if (!project) return;
  edit_->Undo(*project);
  if (afterwards_) afterwards_();
}

void TEditCommand::redo() {
  if (!pushed_) {
    pushed_ = true;  // done before it was pushed
    return;
  }
  quenvar::TProject* project = quenvar::CurrentProject();
  if (!project) return;
  edit_->Redo(*project);
  if (afterwards_) afterwards_();
}

int TEditCommand::id() const {
  return mergeable_ ? kMergeableId : -1;
}

bool TEditCommand::mergeWith(const QUndoCommand* other) {
  const auto* next = dynamic_cast<const TEditCommand*>(other);
  return next && next->mergeable_ && edit_->MergeWith(*next->edit_);
}
