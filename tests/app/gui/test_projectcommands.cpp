// New, Close project, Canvas Size, Exit and the FPS box, with scripted answers.
#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QtTest>

#include "compose/layerstack.h"
#include "gui/dialogs/unitprojectproperties.h"
#include "gui/main/unitdisplay32.h"
#include "host/playback.h"
#include "project/blendclass.h"
#include "project/project.h"
#include "support/shell.h"

using quenvar::CurrentProject;

namespace {

const QString kNewQuestion = "Project \"Clouds\" is not saved.\r\rDo you want to save it ";
const QString kExitQuestion = "Project \"Clouds\" is not saved.\r\rExit application ?";

bool ProjectMenusEnabled(const Shell& s) {
  bool all = true, any = false;
  for (const char* n : {"miImportPSD", "miSave", "miSaveAs", "miSaveFrame"}) {
    all = all && s.action(n)->isEnabled();
    any = any || s.action(n)->isEnabled();
  }
  if (all != any) qWarning("project menu items disagree");
  return all;
}

}  // namespace

class TestProjectCommands : public QObject {
  Q_OBJECT
 private slots:
  void newMakesTheProjectAndEnablesItsMenus();
  void newCancelledChangesNothing();
  void newWithAProjectOpenAlwaysAsks();
  void newKeepsTheProjectWhenItsSaveIsCancelled();
  void newSavesANamedProjectOnSave();
  void newRefusesSizesTheCanvasCannotHold_data();
  void newRefusesSizesTheCanvasCannotHold();
  void closeProjectTurnsTheProjectCommandsOff();
  void canvasSizeFillsTheDialogAndResizes();
  void canvasSizeRefusesAndCancels();
  void exitAsksOnlyAboutAModifiedProject();
  void closingTheWindowCanBeRefused();
  void fpsBoxSetsTheFrameInterval();
  void aboutShowsTheAboutBoxModally();
};

void TestProjectCommands::newMakesTheProjectAndEnablesItsMenus() {
  Shell s;
  QVERIFY(!ProjectMenusEnabled(s));
  s.acceptProperties("Clouds", "640", "480", "line one\nline two");
  s.action("miNew")->trigger();
  QVERIFY(s.prompter.questions.isEmpty());
  QCOMPARE(s.prompter.dialogsShown, QStringList("frmProjectProperties"));
  quenvar::TProject* p = CurrentProject();
  QVERIFY(p);
  QCOMPARE(p->name, std::string("Clouds"));
  QCOMPARE(p->width, 640);
  QCOMPARE(p->height, 480);
  QCOMPARE(p->comment, std::string("line one\nline two"));
  QCOMPARE(p->fileName, std::string("untitled.zyl"));
  QVERIFY(!p->modified);
  // One empty layer to start from.
  QCOMPARE(int(p->layers.size()), 1);
  QCOMPARE(p->layers[0]->name, std::string("Layer 1"));
  QCOMPARE(p->layers[0]->Mode(), quenvar::bmNone);
  QVERIFY(!s.action("miUndo")->isEnabled());
  QVERIFY(ProjectMenusEnabled(s));
}

void TestProjectCommands::newCancelledChangesNothing() {
  Shell s;
  s.action("miNew")->trigger();  // no handler: the dialog is cancelled
  QCOMPARE(s.prompter.dialogsShown.size(), 1);
  QVERIFY(!CurrentProject());
  QVERIFY(!ProjectMenusEnabled(s));
}

void TestProjectCommands::newWithAProjectOpenAlwaysAsks() {
  Shell s;
  s.newProject();
  quenvar::TProject* first = CurrentProject();
  QVERIFY(first);
  // Unchanged or not, the question comes; Discard goes on with New.
  s.prompter.saveAnswers.push_back(TSaveAnswer::Discard);
  s.acceptProperties("Rain", "320", "256");
  s.action("miNew")->trigger();
  QCOMPARE(s.prompter.questions, QStringList(kNewQuestion));
  QVERIFY(CurrentProject());
  QCOMPARE(CurrentProject()->name, std::string("Rain"));
  QCOMPARE(CurrentProject()->width, 320);

  // Cancelling the dialog after the question keeps the open project.
  s.prompter.saveAnswers.push_back(TSaveAnswer::Discard);
  s.action("miNew")->trigger();
  QCOMPARE(s.prompter.questions.size(), 2);
  QCOMPARE(s.prompter.questions.last(),
           QString("Project \"Rain\" is not saved.\r\rDo you want to save it "));
  QCOMPARE(CurrentProject()->name, std::string("Rain"));
  QVERIFY(ProjectMenusEnabled(s));
}

void TestProjectCommands::newKeepsTheProjectWhenItsSaveIsCancelled() {
  Shell s;
  s.newProject();
  // Save on a project never saved asks for a file name; cancelling it must
  // not discard the project.
  s.prompter.saveAnswers.push_back(TSaveAnswer::Save);
  s.acceptProperties("Rain", "320", "256");
  s.action("miNew")->trigger();
  QCOMPARE(s.prompter.filePickers, 1);
  QCOMPARE(s.prompter.dialogsShown.size(), 1);  // only the first New's
  QCOMPARE(CurrentProject()->name, std::string("Clouds"));
}

void TestProjectCommands::newSavesANamedProjectOnSave() {
  Shell s;
  s.runBanner();
  s.newProject();
  QTemporaryDir dir;
  const QString path = dir.filePath("clouds.zyl");
  CurrentProject()->fileName = path.toStdString();
  s.prompter.saveAnswers.push_back(TSaveAnswer::Save);
  s.acceptProperties("Rain", "320", "256");
  s.action("miNew")->trigger();
  // Saved on its own file name without asking for one, and New goes on.
  QCOMPARE(s.prompter.filePickers, 0);
  QVERIFY(s.logLines().contains("Saving project ..."));
  QVERIFY(QFileInfo::exists(path));
  QCOMPARE(CurrentProject()->name, std::string("Rain"));
}

void TestProjectCommands::newRefusesSizesTheCanvasCannotHold_data() {
  QTest::addColumn<QString>("x");
  QTest::addColumn<QString>("y");
  QTest::newRow("empty width") << ""
                               << "480";
  QTest::newRow("empty height") << "640"
                                << "";
  QTest::newRow("zero") << "0"
                        << "480";
  QTest::newRow("beyond 16 bits") << "70000"
                                  << "480";
  QTest::newRow("beyond any picture") << "65535"
                                      << "65535";
}

void TestProjectCommands::newRefusesSizesTheCanvasCannotHold() {
  QFETCH(QString, x);
  QFETCH(QString, y);
  Shell s;
  s.newProject();
  quenvar::TProject* before = CurrentProject();
  s.prompter.saveAnswers.push_back(TSaveAnswer::Discard);
  s.acceptProperties("Rain", x, y);
  s.action("miNew")->trigger();
  QCOMPARE(s.prompter.messages.size(), 1);
  QVERIFY(!s.prompter.messages.first().isEmpty());
  QCOMPARE(CurrentProject(), before);
  QCOMPARE(CurrentProject()->name, std::string("Clouds"));
  QCOMPARE(CurrentProject()->width, 640);
}

void TestProjectCommands::closeProjectTurnsTheProjectCommandsOff() {
  Shell s;
  s.action("miCloseProject")->trigger();  // nothing open: nothing happens
  QVERIFY(!CurrentProject());
  s.newProject();
  QVERIFY(ProjectMenusEnabled(s));
  s.action("miCloseProject")->trigger();
  QVERIFY(!CurrentProject());
  QVERIFY(s.prompter.questions.isEmpty());
  QVERIFY(!ProjectMenusEnabled(s));
  s.action("miNew")->trigger();  // cancelled
  QVERIFY(!ProjectMenusEnabled(s));
}

void TestProjectCommands::canvasSizeFillsTheDialogAndResizes() {
  Shell s;
  s.newProject("Clouds", "640", "480");
  QString seenName, seenX, seenY;
  s.prompter.dialogs.push_back([&](QDialog& d) {
    auto& p = Properties(d);
    seenName = p.eName->text();
    seenX = p.eX->text();
    seenY = p.eY->text();
    p.eX->setText("800");
    p.eName->setText("Clouds 2");
    return int(QDialog::Accepted);
  });
  CurrentProject()->width = 700;  // the project, not the dialog, fills the boxes
  s.action("miCanvasSize")->trigger();
  QCOMPARE(seenName, QString("Clouds"));
  QCOMPARE(seenX, QString("700"));
  QCOMPARE(seenY, QString("480"));
  QCOMPARE(CurrentProject()->width, 800);
  QCOMPARE(CurrentProject()->height, 480);
  QCOMPARE(CurrentProject()->name, std::string("Clouds 2"));
  QVERIFY(CurrentProject()->modified);
  // One undo step brings back the old size and name, and the view with them.
  s.form->undoStack->undo();
  QCOMPARE(CurrentProject()->width, 700);
  QCOMPARE(CurrentProject()->name, std::string("Clouds"));
  QCOMPARE(s.form->frmProject32->view().Bitmap().Width(), 700);
  QVERIFY(!CurrentProject()->modified);
  s.form->undoStack->redo();
  QCOMPARE(s.form->frmProject32->view().Bitmap().Width(), 800);
  QCOMPARE(CurrentProject()->name, std::string("Clouds 2"));

  // The dialog keeps its contents for the next New.
  s.prompter.saveAnswers.push_back(TSaveAnswer::Discard);
  s.prompter.dialogs.push_back([&](QDialog& d) {
    auto& p = Properties(d);
    seenName = p.eName->text();
    seenX = p.eX->text();
    return int(QDialog::Rejected);
  });
  s.action("miNew")->trigger();
  QCOMPARE(seenName, QString("Clouds 2"));
  QCOMPARE(seenX, QString("800"));
}

void TestProjectCommands::canvasSizeRefusesAndCancels() {
  Shell s;
  s.action("miCanvasSize")->trigger();  // no project: no dialog
  QVERIFY(s.prompter.dialogsShown.isEmpty());
  s.newProject("Clouds", "640", "480");
  s.prompter.dialogs.push_back([](QDialog& d) {
    Properties(d).eX->setText("900");
    return int(QDialog::Rejected);
  });
  s.action("miCanvasSize")->trigger();
  QCOMPARE(CurrentProject()->width, 640);
  s.prompter.dialogs.push_back([](QDialog& d) {
    Properties(d).eY->setText("0");
    Properties(d).eName->setText("Renamed");
    return int(QDialog::Accepted);
  });
  s.action("miCanvasSize")->trigger();
  QCOMPARE(s.prompter.messages.size(), 1);
  QCOMPARE(CurrentProject()->height, 480);
  QCOMPARE(CurrentProject()->name, std::string("Clouds"));
}

void TestProjectCommands::exitAsksOnlyAboutAModifiedProject() {
  {
    Shell s;  // no project: ends at once
    s.action("miExit")->trigger();
    QCOMPARE(s.terminations, 1);
    QVERIFY(s.prompter.questions.isEmpty());
  }
  {
    Shell s;
    s.newProject();
    s.action("miExit")->trigger();  // unchanged: no question
    QVERIFY(s.prompter.questions.isEmpty());
    QCOMPARE(s.terminations, 1);
    QVERIFY(!CurrentProject());
  }
  Shell s;
  s.newProject();
  CurrentProject()->modified = true;
  quenvar::Playback().playing = true;
  s.prompter.saveAnswers.push_back(TSaveAnswer::Cancel);
  QVERIFY(!s.form->ConfirmExit());
  QCOMPARE(s.prompter.questions, QStringList(kExitQuestion));
  QCOMPARE(s.terminations, 0);
  QVERIFY(CurrentProject());
  QVERIFY(!quenvar::Playback().playing);
  s.prompter.saveAnswers.push_back(TSaveAnswer::Discard);
  QVERIFY(s.form->ConfirmExit());
  QCOMPARE(s.terminations, 1);
  QVERIFY(!CurrentProject());
}

void TestProjectCommands::closingTheWindowCanBeRefused() {
  Shell s;
  s.form->show();
  s.newProject();
  CurrentProject()->modified = true;
  s.prompter.saveAnswers.push_back(TSaveAnswer::Cancel);
  QVERIFY(!s.form->close());
  QVERIFY(s.form->isVisible());
  QVERIFY(CurrentProject());
  s.prompter.saveAnswers.push_back(TSaveAnswer::Discard);
  QVERIFY(s.form->close());
  QCOMPARE(s.terminations, 1);
}

void TestProjectCommands::fpsBoxSetsTheFrameInterval() {
  Shell s;
  auto* fps = s.child<QComboBox>("cbInterval");
  quenvar::Playback().frameInterval = 30;
  fps->setCurrentText("10");
  QCOMPARE(quenvar::Playback().frameInterval, 30);  // no project: no change
  s.newProject();
  fps->setCurrentText("85");
  QCOMPARE(quenvar::Playback().frameInterval, 11);
  fps->setCurrentText("10");
  QCOMPARE(quenvar::Playback().frameInterval, 100);
  fps->setCurrentText("27");
  QCOMPARE(quenvar::Playback().frameInterval, 37);
}

void TestProjectCommands::aboutShowsTheAboutBoxModally() {
  Shell s;
  s.prompter.dialogs.push_back([](QDialog&) { return int(QDialog::Accepted); });
  s.action("miAbout")->trigger();
  QCOMPARE(s.prompter.dialogsShown, QStringList("frmAbout"));
}

QTEST_MAIN(TestProjectCommands)
#include "test_projectcommands.moc"
