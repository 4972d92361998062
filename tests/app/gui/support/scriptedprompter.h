#pragma once
// A Prompter for window tests: answers come from queues the test fills, and
// every question and message is recorded.
#include <QDialog>
#include <QStringList>
#include <deque>
#include <functional>
#include <utility>
#include <vector>

#include "gui/widgets/prompter.h"

class ScriptedPrompter : public Prompter {
 public:
  // Answers for AskYesNo; an unexpected question is answered No.
  std::deque<bool> answers;
  // Answers for AskSaveChanges; an unexpected question is cancelled.
  std::deque<TSaveAnswer> saveAnswers;
  // Handlers for modal dialogs: they may fill the dialog's controls and
  // return its result. Without one a dialog is cancelled.
  std::deque<std::function<int(QDialog&)>> dialogs;
  // Run when a question comes, before it is answered: to look at the
  // windows as they stand while it is asked.
  std::function<void(const QString&)> onQuestion;
  // File names for the file pickers; empty means cancelled.
  std::deque<QString> fileNames;

  QStringList questions;
  QStringList messages;
  QStringList dialogsShown;  // object names
  int filePickers = 0;
  // The folder and filter each file picker was given.
  QStringList pickerFolders;
  QStringList pickerFilters;

  bool AskYesNo(QWidget*, const QString& text) override;
  TSaveAnswer AskSaveChanges(QWidget*, const QString& text) override;
  void ShowMessage(QWidget*, const QString& text) override;
  QString OpenFileName(QWidget*, const QString&, const QString&) override;
  QString SaveFileName(QWidget*, const QString&, const QString&, const QString&) override;
  int ExecDialog(QDialog& dialog) override;

  // Progress reports: the label of each, and every update they got. After
  // `stopProgressAfter` updates (counted over all reports) the answer is
  // stop; -1 never stops.
  QStringList progressLabels;
  std::vector<std::pair<std::int64_t, std::int64_t>> progressUpdates;
  int stopProgressAfter = -1;
  std::unique_ptr<ProgressReport> StartProgress(QWidget*, const QString& label) override;
};
