#pragma once
// Builds the program's windows as the program entry does, for window tests.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <memory>

#include "gui/main/mainform.h"
#include "support/scriptedprompter.h"

class TfrmProjectProperties;

struct Shell {
  ScriptedPrompter prompter;
  std::unique_ptr<Tmainform> form;
  int terminations = 0;

  // `fontDir` defaults to the folder that holds mini.ttf in the sources.
  explicit Shell(const QString& fontDir = QString());
  ~Shell();

  template <typename T>
  T* child(const char* name) const {
    return form->findChild<T*>(QString::fromLatin1(name));
  }
  QAction* action(const char* name) const { return child<QAction>(name); }
  QString status() const { return child<QLabel>("LStatus")->text(); }
  // The status window's lines; empty when it does not exist.
  QStringList logLines() const;
  // Runs the start-up timer at once.
  void runBanner();
  // Queues an OK for the properties dialog after setting name and size.
  void acceptProperties(const QString& name, const QString& x, const QString& y,
                        const QString& comment = QString());
  // Makes a project through the New command.
  void newProject(const QString& name = "Clouds", const QString& x = "640",
                  const QString& y = "480");
};

TfrmProjectProperties& Properties(QDialog& dialog);
