// What the window shows matches what is there: commands that need a project
// are off without one, PLAY/STOP names what it will do, closed tool windows
// come back from the View menu and never stand above a dialog.
#include <QComboBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "gui/dialogs/unitstatus.h"
#include "gui/layers/unitframelayer.h"
#include "gui/layers/unitlayers.h"
#include "gui/psdimport/unitimportpsd.h"
#include "host/playback.h"
#include "test_display_support.h"

using quenvar::CurrentProject;
using quenvar::Playback;

namespace {

const QString kDemo = QStringLiteral(QUENVAR_SOURCE_DIR "/examples/demo.zyl");

const char* const kProjectCommands[] = {"miImportPSD",    "miSave",       "miSaveAs",
                                        "miSaveFrame",    "miCanvasSize", "miInsertLayer",
                                        "miRenderToDisk", "miExportOra",  "miExportWeb"};

bool ProjectCommandsAre(const Shell& s, bool enabled) {
  for (const char* name : kProjectCommands)
    if (s.action(name)->isEnabled() != enabled) return false;
  return s.child<QPushButton>("G32_Button1")->isEnabled() == enabled &&
         s.child<QPushButton>("bSave")->isEnabled() == enabled;
}

QString Caption(const Shell& s) {
  return s.child<QPushButton>("bAnimate")->text();
}

}  // namespace

class TestCommandState : public QObject {
  Q_OBJECT
 private slots:
  void cleanup() { Playback() = quenvar::TPlaybackState{}; }
  void commandsThatNeedAProjectFollowIt();
  void playStopNamesWhatItWillDo();
  void theTitleFollowsSaveAs();
  void closedToolWindowsComeBackFromTheViewMenu();
  void toolWindowsDoNotStandAboveDialogs();
};

void TestCommandState::commandsThatNeedAProjectFollowIt() {
  Shell s;
  QVERIFY(ProjectCommandsAre(s, false));
  // Their shortcuts and buttons do nothing either.
  s.action("miInsertLayer")->trigger();
  s.child<QPushButton>("G32_Button1")->click();
  QVERIFY(!s.form->fullScreen);
  QVERIFY(s.prompter.dialogsShown.isEmpty());
  s.newProject("Clouds", "100", "100");
  QVERIFY(ProjectCommandsAre(s, true));
  s.action("miCloseProject")->trigger();
  QVERIFY(!CurrentProject());
  QVERIFY(ProjectCommandsAre(s, false));
  s.prompter.fileNames.push_back(kDemo);
  s.action("miOpen")->trigger();
  QVERIFY(ProjectCommandsAre(s, true));
  // The user closing the view window closes the project too.
  View(s)->close();
  QVERIFY(!CurrentProject());
  QVERIFY(ProjectCommandsAre(s, false));
}

void TestCommandState::playStopNamesWhatItWillDo() {
  QTemporaryDir dir;
  Shell s;
  QCOMPARE(Caption(s), QStringLiteral("PLAY"));
  s.prompter.fileNames.push_back(kDemo);
  s.action("miOpen")->trigger();
  QCOMPARE(Caption(s), QStringLiteral("STOP"));
  // Save stops playback.
  s.prompter.fileNames.push_back(dir.filePath("a.zyl"));
  s.action("miSaveAs")->trigger();
  QVERIFY(!Playback().playing);
  QCOMPARE(Caption(s), QStringLiteral("PLAY"));
  // A layer edit that starts playback.
  s.form->frmLayers->rows.first()->cbBlendChange(3);
  QVERIFY(Playback().playing);
  QCOMPARE(Caption(s), QStringLiteral("STOP"));
  // A resize stops it.
  View(s)->SetClientSize(300, 200);
  QVERIFY(!Playback().playing);
  QCOMPARE(Caption(s), QStringLiteral("PLAY"));
  // A cancelled question leaves playback as it was, and says so.
  s.form->StartPlayback();
  s.prompter.saveAnswers.push_back(TSaveAnswer::Cancel);
  QVERIFY(!s.form->ConfirmExit());
  QCOMPARE(Caption(s), Playback().playing ? QStringLiteral("STOP") : QStringLiteral("PLAY"));
  s.prompter.saveAnswers.push_back(TSaveAnswer::Cancel);
  s.action("miNew")->trigger();
  QCOMPARE(Caption(s), Playback().playing ? QStringLiteral("STOP") : QStringLiteral("PLAY"));
  // New makes a stopped project.
  s.prompter.saveAnswers.push_back(TSaveAnswer::Discard);
  s.acceptProperties("Fresh", "50", "50");
  s.action("miNew")->trigger();
  QCOMPARE(CurrentProject()->name, std::string("Fresh"));
  QVERIFY(!Playback().playing);
  QCOMPARE(Caption(s), QStringLiteral("PLAY"));
}

void TestCommandState::theTitleFollowsSaveAs() {
  QTemporaryDir dir;
  Shell s;
  s.newProject("Clouds", "100", "100");
  QCOMPARE(View(s)->windowTitle(), QStringLiteral("untitled.zyl [100x100]"));
  s.prompter.fileNames.push_back(dir.filePath("sky.zyl"));
  s.action("miSaveAs")->trigger();
  QCOMPARE(View(s)->windowTitle(), QStringLiteral("sky.zyl [100x100]"));
  s.prompter.fileNames.push_back(dir.filePath("sea.zyl"));
  s.action("miSaveAs")->trigger();
  QCOMPARE(View(s)->windowTitle(), QStringLiteral("sea.zyl [100x100]"));
}

void TestCommandState::closedToolWindowsComeBackFromTheViewMenu() {
  Shell s;
  s.runBanner();
  s.newProject("Clouds", "100", "100");
  QVERIFY(s.action("mViewAction")->isEnabled());
  s.form->frmLayers->close();
  s.form->frmStatus->close();
  QVERIFY(!s.form->frmLayers->isVisible());
  s.action("miViewLayers")->trigger();
  QVERIFY(s.form->frmLayers->isVisible());
  s.action("miViewStatus")->trigger();
  QVERIFY(s.form->frmStatus->isVisible());
  // The items with no window behind them stay off.
  for (const char* name : {"miViewProject", "miViewFileManager", "miViewSequencer"})
    QVERIFY2(!s.action(name)->isEnabled(), name);
  // Without a project the panel has nothing to list.
  s.action("miCloseProject")->trigger();
  s.action("miViewLayers")->trigger();
  QVERIFY(!s.form->frmLayers->isVisible());
}

void TestCommandState::toolWindowsDoNotStandAboveDialogs() {
  Shell s;
  s.runBanner();
  // Tool windows stay above the main window only; a dialog or message box
  // shown later stands above them.
  for (QWidget* w : {static_cast<QWidget*>(s.form->frmLayers.data()),
                     static_cast<QWidget*>(s.form->frmStatus.data()),
                     static_cast<QWidget*>(s.form->frmPSDImport.data())}) {
    QVERIFY(w->windowFlags() & Qt::Tool);
    QVERIFY2(!(w->windowFlags() & Qt::WindowStaysOnTopHint), qPrintable(w->objectName()));
    QCOMPARE(w->parentWidget(), static_cast<QWidget*>(s.form.get()));
  }
}

QTEST_MAIN(TestCommandState)
#include "test_commandstate.moc"
