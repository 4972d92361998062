#pragma once
// An edit of the open project on Qt's undo stack. The edit has been done when
// the command is pushed, so the push's first redo does nothing.
#include <QUndoCommand>
#include <cstddef>
#include <functional>
#include <memory>

#include "project/projectedit.h"

class TEditCommand : public QUndoCommand {
 public:
  // `afterwards` runs after every undo and redo (the windows show the state).
  TEditCommand(quenvar::TProjectEditPtr edit, bool mergeable, std::function<void()> afterwards);

  void undo() override;
  void redo() override;
  int id() const override;
  bool mergeWith(const QUndoCommand* other) override;

  std::size_t Bytes() const { return edit_->Bytes(); }

 private:
  TEditCommand(std::shared_ptr<quenvar::TProjectEdit> edit, bool mergeable,
               std::function<void()> afterwards, QUndoCommand* parent);
  friend QUndoCommand* CopyDoneCommand(const QUndoCommand& command, QUndoCommand* parent);

  std::shared_ptr<quenvar::TProjectEdit> edit_;
  bool mergeable_;
  bool pushed_ = false;
  // A copy put on a refilled stack never folds into the step below it.
  bool copy_ = false;
  std::function<void()> afterwards_;
};

// The memory a command keeps, with its children (the steps of a macro).
std::size_t CommandBytes(const QUndoCommand& command);
// A command for the same done step, sharing its edits, to push on a stack
// refilled without its oldest steps; its first redo does nothing either.
QUndoCommand* CopyDoneCommand(const QUndoCommand& command, QUndoCommand* parent = nullptr);
