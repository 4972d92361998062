#include "support/shell.h"

#include <QAction>
#include <QTimer>

#include "gui/dialogs/unitprojectproperties.h"
#include "gui/dialogs/unitstatus.h"
#include "gui/main/startup.h"
#include "project/project.h"

Shell::Shell(const QString& fontDir) {
  const QString dir = fontDir.isEmpty() ? QStringLiteral(QUENVAR_SOURCE_DIR "/assets") : fontDir;
  form = std::make_unique<Tmainform>(prompter, dir);
  form->terminateApplication = [this] { ++terminations; };
  CreateProgramWindows(*form, {});
}

Shell::~Shell() {
  form.reset();
  // No test leaves a project behind for the next one.
  if (quenvar::CurrentProject()) quenvar::CloseProject();
}

QStringList Shell::logLines() const {
  if (!form->frmStatus) return {};
  return form->frmStatus->mStatus->toPlainText().split(QLatin1Char('\n'));
}

void Shell::runBanner() {
  form->InitTimer->stop();
  form->InitTimerTimer();
}

TfrmProjectProperties& Properties(QDialog& dialog) {
  return static_cast<TfrmProjectProperties&>(dialog);
}

void Shell::acceptProperties(const QString& name, const QString& x, const QString& y,
                             const QString& comment) {
  prompter.dialogs.push_back([=](QDialog& d) {
    auto& p = Properties(d);
    p.eName->setText(name);
    p.eX->setText(x);
    p.eY->setText(y);
    if (!comment.isNull()) p.mComment->setPlainText(comment);
    return int(QDialog::Accepted);
  });
}

void Shell::newProject(const QString& name, const QString& x, const QString& y) {
  if (quenvar::CurrentProject()) prompter.saveAnswers.push_back(TSaveAnswer::Discard);
  acceptProperties(name, x, y);
  action("miNew")->trigger();
}
