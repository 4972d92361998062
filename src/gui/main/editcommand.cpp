#include "gui/main/editcommand.h"

#include "project/project.h"

namespace {
constexpr int kMergeableId = 1;
}

TEditCommand::TEditCommand(quenvar::TProjectEditPtr edit, bool mergeable,
                           std::function<void()> afterwards)
    : TEditCommand(std::shared_ptr<quenvar::TProjectEdit>(std::move(edit)), mergeable,
                   std::move(afterwards), nullptr) {}

TEditCommand::TEditCommand(std::shared_ptr<quenvar::TProjectEdit> edit, bool mergeable,
                           std::function<void()> afterwards, QUndoCommand* parent)
    : QUndoCommand(QString::fromStdString(edit->Text()), parent),
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
  return next && next->mergeable_ && !next->copy_ && edit_->MergeWith(*next->edit_);
}

std::size_t CommandBytes(const QUndoCommand& command) {
  std::size_t total = 0;
  if (const auto* edit = dynamic_cast<const TEditCommand*>(&command)) total += edit->Bytes();
  for (int i = 0; i < command.childCount(); ++i) total += CommandBytes(*command.child(i));
  return total;
}

QUndoCommand* CopyDoneCommand(const QUndoCommand& command, QUndoCommand* parent) {
  QUndoCommand* copy = nullptr;
  if (const auto* edit = dynamic_cast<const TEditCommand*>(&command)) {
    auto* step = new TEditCommand(edit->edit_, edit->mergeable_, edit->afterwards_, parent);
    step->copy_ = true;
    copy = step;
  } else {
    copy = new QUndoCommand(command.text(), parent);
  }
  for (int i = 0; i < command.childCount(); ++i) CopyDoneCommand(*command.child(i), copy);
  return copy;
}
