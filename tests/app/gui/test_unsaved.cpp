// Unsaved work is never dropped without asking: the three answers of every
// question that would replace or close a modified project, and Open reading
// the chosen file before it closes anything.
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QtTest>

#include "gui/layers/unitframelayer.h"
#include "gui/layers/unitlayers.h"
#include "host/playback.h"
#include "project/layeredit.h"
#include "support/drops.h"
#include "test_display_support.h"

using quenvar::CurrentProject;
using quenvar::Playback;

namespace {

const QString kDemo = QStringLiteral(QUENVAR_SOURCE_DIR "/examples/demo.zyl");
const QString kNotZip = QStringLiteral(QUENVAR_SOURCE_DIR "/tests/project/fixtures/not_zip.zyl");

// A project of one 8 x 8 layer whose mode the user changed: unsaved work.
quenvar::TProject* ModifiedProject(Shell& s) {
  s.runBanner();
  s.newProject("Work", "64", "64");
  quenvar::TProject* p = CurrentProject();
  p->layers[0]->bmp.Resize(8, 8);
  s.form->PushEdit(quenvar::EditLayer(
      *p, 0, quenvar::TLayerScope::Fields, "Mode",
      [&](quenvar::TBlendLayer& l) { quenvar::SetLayerMode(*p, l, quenvar::bmMultiply); }));
  return p;
}

bool IsUnsavedQuestion(const QString& q, const char* name) {
  return q.startsWith(QStringLiteral("Project \"%1\" is not saved.").arg(QLatin1String(name)));
}

}  // namespace

class TestUnsaved : public QObject {
  Q_OBJECT
 private slots:
  void cleanup() { Playback() = quenvar::TPlaybackState{}; }
  void openAsksAndCancelKeepsTheProject();
  void openDiscardReplacesAndSaveSavesFirst();
  void openOfAnUnreadableFileLeavesTheProjectUntouched();
  void closeProjectAndClosingTheViewAsk();
  void aFailedSaveKeepsTheProjectOpen();
  void droppedProjectAndOpenRasterImportAsk();
  void newAndExitHaveThreeAnswers();
  void unchangedProjectsCloseWithoutAQuestion();
  void deleteLayerFromTheRowMenuAsks();
};

void TestUnsaved::openAsksAndCancelKeepsTheProject() {
  Shell s;
  quenvar::TProject* p = ModifiedProject(s);
  s.prompter.fileNames.push_back(kDemo);
  s.prompter.saveAnswers.push_back(TSaveAnswer::Cancel);
  s.action("miOpen")->trigger();
  QCOMPARE(s.prompter.questions.size(), 1);
  QVERIFY(IsUnsavedQuestion(s.prompter.questions.last(), "Work"));
  QCOMPARE(CurrentProject(), p);
  QVERIFY(p->modified);
  QCOMPARE(p->layers[0]->Mode(), quenvar::bmMultiply);
  QVERIFY(View(s));
  QCOMPARE(View(s)->view().Layers().Count() >= 1, true);
  QVERIFY(s.form->undoStack->canUndo());
}

void TestUnsaved::openDiscardReplacesAndSaveSavesFirst() {
  QTemporaryDir dir;
  {
    Shell s;
    ModifiedProject(s);
    s.prompter.fileNames.push_back(kDemo);
    s.prompter.saveAnswers.push_back(TSaveAnswer::Discard);
    s.action("miOpen")->trigger();
    QCOMPARE(CurrentProject()->name, std::string("Demo"));
    QCOMPARE(s.child<QPushButton>("bAnimate")->text(), QStringLiteral("STOP"));
    QVERIFY(!s.form->undoStack->canUndo());
  }
  {
    Shell s;
    ModifiedProject(s);
    const QString saved = dir.filePath("work.zyl");
    // The untitled project asks for a name, is saved, then the demo opens.
    s.prompter.fileNames.push_back(kDemo);
    s.prompter.fileNames.push_back(saved);
    s.prompter.saveAnswers.push_back(TSaveAnswer::Save);
    s.action("miOpen")->trigger();
    QCOMPARE(CurrentProject()->name, std::string("Demo"));
    QVERIFY(QFile::exists(saved));
    s.prompter.fileNames.push_back(saved);
    s.action("miOpen")->trigger();
    QCOMPARE(CurrentProject()->name, std::string("Work"));
    QCOMPARE(CurrentProject()->layers[0]->Mode(), quenvar::bmMultiply);
  }
}

void TestUnsaved::openOfAnUnreadableFileLeavesTheProjectUntouched() {
  Shell s;
  quenvar::TProject* p = ModifiedProject(s);
  TfrmProject32* view = View(s);
  s.prompter.fileNames.push_back(kNotZip);
  s.action("miOpen")->trigger();
  // Nothing was asked: there was nothing to open.
  QVERIFY(s.prompter.questions.isEmpty());
  QCOMPARE(CurrentProject(), p);
  QCOMPARE(View(s), view);
  QVERIFY(p->modified);
  QCOMPARE(int(p->layers.size()), 1);
  QCOMPARE(s.prompter.messages.size(), 1);
  QVERIFY(s.prompter.messages.last().startsWith(QStringLiteral("Cannot open ") + kNotZip + ": "));
  QVERIFY(s.logLines().contains(QStringLiteral("Error : Unable to read :") + kNotZip));
  QVERIFY(s.action("miSave")->isEnabled());
  QVERIFY(s.form->frmLayers->isVisible() || !s.form->isVisible());
  QCOMPARE(s.form->frmLayers->rows.size(), 1);
}

void TestUnsaved::closeProjectAndClosingTheViewAsk() {
  Shell s;
  quenvar::TProject* p = ModifiedProject(s);
  s.prompter.saveAnswers.push_back(TSaveAnswer::Cancel);
  s.action("miCloseProject")->trigger();
  QCOMPARE(CurrentProject(), p);
  QCOMPARE(s.prompter.questions.size(), 1);
  // The user closes the view window itself.
  s.prompter.saveAnswers.push_back(TSaveAnswer::Cancel);
  QVERIFY(!View(s)->close());
  QCOMPARE(CurrentProject(), p);
  QCOMPARE(s.prompter.questions.size(), 2);
  s.prompter.saveAnswers.push_back(TSaveAnswer::Discard);
  QVERIFY(View(s)->close());
  QVERIFY(!CurrentProject());
  QVERIFY(!View(s));
  // Without a project the commands that need one are off.
  for (const char* name : {"miSave", "miSaveAs", "miSaveFrame", "miCanvasSize", "miInsertLayer",
                           "miRenderToDisk", "miExportOra"})
    QVERIFY2(!s.action(name)->isEnabled(), name);
  QVERIFY(!s.child<QPushButton>("G32_Button1")->isEnabled());
  QCOMPARE(s.child<QPushButton>("bAnimate")->text(), QStringLiteral("PLAY"));
}

void TestUnsaved::aFailedSaveKeepsTheProjectOpen() {
  Shell s;
  quenvar::TProject* p = ModifiedProject(s);
  // Save is chosen, but the save dialog is cancelled: nothing is closed.
  s.prompter.saveAnswers.push_back(TSaveAnswer::Save);
  s.action("miCloseProject")->trigger();
  QCOMPARE(CurrentProject(), p);
  // A save into a folder that does not exist fails with a message.
  s.prompter.saveAnswers.push_back(TSaveAnswer::Save);
  s.prompter.fileNames.push_back(QStringLiteral("/no/such/folder/work.zyl"));
  s.action("miCloseProject")->trigger();
  QCOMPARE(CurrentProject(), p);
  QVERIFY(p->modified);
  QCOMPARE(s.prompter.messages.size(), 1);
}

void TestUnsaved::droppedProjectAndOpenRasterImportAsk() {
  Shell s;
  quenvar::TProject* p = ModifiedProject(s);
  s.prompter.saveAnswers.push_back(TSaveAnswer::Cancel);
  QVERIFY(DropFilesOn(s.form.get(), {kDemo}));
  QCOMPARE(CurrentProject(), p);
  QCOMPARE(s.prompter.questions.size(), 1);
  s.prompter.saveAnswers.push_back(TSaveAnswer::Discard);
  QVERIFY(DropFilesOn(s.form.get(), {kDemo}));
  QCOMPARE(CurrentProject()->name, std::string("Demo"));
}

void TestUnsaved::newAndExitHaveThreeAnswers() {
  Shell s;
  quenvar::TProject* p = ModifiedProject(s);
  s.prompter.saveAnswers.push_back(TSaveAnswer::Cancel);
  s.action("miNew")->trigger();
  QCOMPARE(CurrentProject(), p);
  // Cancelled before the canvas dialog: only the first New showed it.
  QCOMPARE(s.prompter.dialogsShown.size(), 1);
  QVERIFY(s.prompter.questions.last().endsWith(QStringLiteral("Do you want to save it ")));

  s.prompter.saveAnswers.push_back(TSaveAnswer::Cancel);
  QVERIFY(!s.form->ConfirmExit());
  QVERIFY(s.prompter.questions.last().endsWith(QStringLiteral("Exit application ?")));
  QCOMPARE(CurrentProject(), p);
  QCOMPARE(s.terminations, 0);

  QTemporaryDir dir;
  const QString saved = dir.filePath("exit.zyl");
  s.prompter.saveAnswers.push_back(TSaveAnswer::Save);
  s.prompter.fileNames.push_back(saved);
  QVERIFY(s.form->ConfirmExit());
  QVERIFY(QFile::exists(saved));
  QCOMPARE(s.terminations, 1);
}

void TestUnsaved::unchangedProjectsCloseWithoutAQuestion() {
  Shell s;
  s.runBanner();
  s.prompter.fileNames.push_back(kDemo);
  s.action("miOpen")->trigger();
  s.prompter.fileNames.push_back(kDemo);
  s.action("miOpen")->trigger();
  s.action("miCloseProject")->trigger();
  QVERIFY(s.prompter.questions.isEmpty());
  QVERIFY(!CurrentProject());
}

void TestUnsaved::deleteLayerFromTheRowMenuAsks() {
  Shell s;
  s.runBanner();
  s.newProject("Work", "64", "64");
  TframeLayer* row = s.form->frmLayers->rows.first();
  QAction* entry = row->popupLayer->findChild<QAction*>(QStringLiteral("Deletelayer1"));
  QVERIFY(entry);
  s.prompter.answers.push_back(false);
  entry->trigger();
  QCOMPARE(s.prompter.questions.last(), QStringLiteral("Delete layer \"Layer 1\" ?"));
  QCOMPARE(int(CurrentProject()->layers.size()), 1);
  s.prompter.answers.push_back(true);
  entry->trigger();
  QCOMPARE(int(CurrentProject()->layers.size()), 0);
}

QTEST_MAIN(TestUnsaved)
#include "test_unsaved.moc"
