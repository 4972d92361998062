#pragma once
// An edit of the open project on Qt's undo stack. The edit has been done when
// the command is pushed, so the push's first redo does nothing.
#include <QUndoCommand>
#include <functional>

#include "project/projectedit.h"

class TEditCommand : public QUndoCommand {
 public:
  // `afterwards` runs after every undo and redo (the windows show the state).
  TEditCommand(quenvar::TProjectEditPtr edit, bool mergeable, std::function<void()> afterwards);

  void undo() override;
  void redo() override;
  int id() const override;
  bool mergeWith(const QUndoCommand* other) override;

 private:
  quenvar::TProjectEditPtr edit_;
  bool mergeable_;
  bool pushed_ = false;
  std::function<void()> afterwards_;
};
