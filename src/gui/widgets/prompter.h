#pragma once
// Every modal question, message box, file picker and modal dialog of the
// program goes through a Prompter, so tests can give the next answer.
#include <QString>
#include <cstdint>
#include <memory>
#include <string>

#include "gui/widgets/progressreport.h"

class QDialog;
class QWidget;

// The answers to a question about unsaved work.
enum class TSaveAnswer { Save, Discard, Cancel };

class Prompter {
 public:
  virtual ~Prompter() = default;
  // A warning with the buttons Yes and No; true for Yes.
  virtual bool AskYesNo(QWidget* parent, const QString& text) = 0;
  // A warning with the buttons Save, Discard and Cancel.
  virtual TSaveAnswer AskSaveChanges(QWidget* parent, const QString& text) = 0;
  // A message with an OK button.
  virtual void ShowMessage(QWidget* parent, const QString& text) = 0;
  // A file to open or a file name to save to; empty when cancelled.
  virtual QString OpenFileName(QWidget* parent, const QString& folder, const QString& filter) = 0;
  virtual QString SaveFileName(QWidget* parent, const QString& folder, const QString& filter,
                               const QString& defaultSuffix) = 0;
  // Shows a dialog modally and returns its result (QDialog::Accepted or Rejected).
  virtual int ExecDialog(QDialog& dialog) = 0;
  // Starts reporting the progress of long work described by `label`.
  virtual std::unique_ptr<ProgressReport> StartProgress(QWidget* parent, const QString& label) = 0;
};

// The real one: message boxes, the platform's file dialogs, QDialog::exec.
class QtPrompter : public Prompter {
 public:
  bool AskYesNo(QWidget* parent, const QString& text) override;
  TSaveAnswer AskSaveChanges(QWidget* parent, const QString& text) override;
  void ShowMessage(QWidget* parent, const QString& text) override;
  QString OpenFileName(QWidget* parent, const QString& folder, const QString& filter) override;
  QString SaveFileName(QWidget* parent, const QString& folder, const QString& filter,
                       const QString& defaultSuffix) override;
  int ExecDialog(QDialog& dialog) override;
  // A progress dialog with a Cancel button, shown once the work has run
  // for about half a second (see progressdialog.h).
  std::unique_ptr<ProgressReport> StartProgress(QWidget* parent, const QString& label) override;
};

// A file filter written as "Description|*.a; *.b|..." (descriptions may end
// in their own "(*.a; *.b)") in the form Qt's file dialogs read:
// "Description (*.a *.b);;...".
QString QtFileFilter(const std::string& filter);

// The program's texts separate lines with a carriage return; Qt's widgets
// break lines on a line feed.
QString DisplayText(QString text);
