// The player: a project named on the command line opens and plays full
// screen without dialogs; a file that cannot be read leaves an empty full
// screen and says so on standard error; the dialogs it skips are made when a
// command needs them; --help and --version.
#include <QAction>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <sstream>

#include "gui/dialogs/unitabout.h"
#include "gui/dialogs/unitcapture.h"
#include "gui/dialogs/unitprojectproperties.h"
#include "gui/dialogs/unitstatus.h"
#include "gui/layers/unitlayers.h"
#include "gui/main/mainform.h"
#include "gui/main/startup.h"
#include "gui/main/unitdisplay32.h"
#include "gui/widgets/imageview32.h"
#include "host/playback.h"
#include "project/project.h"
#include "support/scriptedprompter.h"

using quenvar::CurrentProject;
using quenvar::Playback;

namespace {

const QString kDemo = QStringLiteral(QUENVAR_SOURCE_DIR "/examples/demo.zyl");
const QString kFonts = QStringLiteral(QUENVAR_SOURCE_DIR "/assets");
const QString kProgram = QStringLiteral(QUENVAR_BINARY_DIR "/quenvar");

// The program entry's windows for a start with `file` as its argument.
struct Player {
  ScriptedPrompter prompter;
  std::ostringstream errors;
  Tmainform form;
  explicit Player(const QString& file) : form(prompter, kFonts, {file}) {
    form.terminateApplication = [] {};
    form.commandLineErrors = &errors;
    CreateProgramWindows(form, {file});
  }
  ~Player() {
    if (CurrentProject()) quenvar::CloseProject();
  }
  void start() {
    form.show();
    QTRY_VERIFY(form.fullScreen);
  }
};

struct Run {
  int exitCode = -1;
  QString out, err;
};

Run RunProgram(const QStringList& args) {
  QProcess p;
  p.start(kProgram, args);
  Run r;
  if (!p.waitForFinished(10000)) return r;
  r.exitCode = p.exitCode();
  r.out = QString::fromUtf8(p.readAllStandardOutput());
  r.err = QString::fromUtf8(p.readAllStandardError());
  return r;
}

}  // namespace

class TestPlayer : public QObject {
  Q_OBJECT
 private slots:
  void cleanup() { Playback() = quenvar::TPlaybackState{}; }
  void aReadableProjectPlaysFullScreenWithoutDialogs();
  void anUnreadableFileLeavesAnEmptyFullScreen();
  void skippedDialogsAreMadeOnFirstUse();
  void helpAndVersionAnswerWithoutAWindow();
  void theProgramReportsAnUnreadableFileOnStandardError();
};

void TestPlayer::aReadableProjectPlaysFullScreenWithoutDialogs() {
  Player p(kDemo);
  QVERIFY(!p.form.frmProjectProperties);
  QVERIFY(!p.form.frmAbout);
  QVERIFY(!p.form.frmCapture);
  p.start();
  QVERIFY(CurrentProject());
  QCOMPARE(CurrentProject()->layers.size(), std::size_t(7));
  QVERIFY(p.form.isFullScreen());
  QVERIFY(p.form.menuBar()->isHidden());
  TfrmProject32* view = p.form.frmProject32;
  QVERIFY(view);
  QVERIFY(view->presenting());
  QVERIFY(view->isMaximized());
  QVERIFY(Playback().playing);
  QVERIFY(view->Timer1->isActive());
  QCOMPARE(p.form.findChild<QPushButton*>("bAnimate")->text(), QString("STOP"));
  QCOMPARE(p.prompter.filePickers, 0);
  QVERIFY(p.prompter.dialogsShown.isEmpty());
  QVERIFY(p.prompter.messages.isEmpty());
  // The Open dialog would start in the program's folder, not the file's.
  QCOMPARE(p.form.lastProjectFolder, kFonts);
  QVERIFY(!p.form.findChild<QWidget*>("TopPanel")->autoFillBackground());
  QVERIFY(!p.form.frmLayers->isVisible());
  QCOMPARE(p.errors.str(), std::string());

  // The banner runs afterwards; its window waits for the windowed layout.
  QTRY_VERIFY(p.form.started);
  QVERIFY(p.form.frmStatus);
  QVERIFY(!p.form.frmStatus->isVisible());
  QVERIFY(Playback().playing);
}

void TestPlayer::anUnreadableFileLeavesAnEmptyFullScreen() {
  const QString missing = QStringLiteral("/nonexistent/show.zyl");
  Player p(missing);
  p.start();
  QVERIFY(!CurrentProject());
  QVERIFY(!p.form.frmProject32);
  QVERIFY(p.form.isFullScreen());
  QVERIFY(p.form.menuBar()->isHidden());
  QCOMPARE(p.errors.str(), "Error : Unable to read :" + missing.toStdString() + "\n");
  QVERIFY(p.prompter.dialogsShown.isEmpty());
  QVERIFY(p.prompter.messages.isEmpty());
  // The line itself went nowhere: no status window existed to take it.
  QTRY_VERIFY(p.form.started);
  QVERIFY(!p.form.frmStatus->mStatus->toPlainText().contains("Unable to read"));
}

void TestPlayer::skippedDialogsAreMadeOnFirstUse() {
  Player p(kDemo);
  p.start();
  QTest::keyClick(p.form.frmProject32->img32, Qt::Key_Escape);
  QVERIFY(!p.form.fullScreen);

  p.form.findChild<QAction*>("miAbout")->trigger();
  QVERIFY(p.form.frmAbout);
  p.form.findChild<QAction*>("miRenderToDisk")->trigger();
  QVERIFY(p.form.frmCapture);
  QVERIFY(!Playback().recording);  // cancelled
  p.form.findChild<QAction*>("miCanvasSize")->trigger();
  QVERIFY(p.form.frmProjectProperties);
  QCOMPARE(p.form.frmProjectProperties->eX->text(), QString("768"));
  QCOMPARE(p.prompter.dialogsShown,
           QStringList({"frmAbout", "frmCapture", "frmProjectProperties"}));
  // Made once, then reused.
  TfrmAbout* about = p.form.frmAbout;
  p.form.findChild<QAction*>("miAbout")->trigger();
  QCOMPARE(p.form.frmAbout.data(), about);
}

void TestPlayer::helpAndVersionAnswerWithoutAWindow() {
  for (const QString& flag : {QStringLiteral("--help"), QStringLiteral("-h")}) {
    const Run help = RunProgram({flag});
    QCOMPARE(help.exitCode, 0);
    QVERIFY2(help.out.startsWith("Usage: quenvar [PROJECT.zyl]\n"), qPrintable(help.out));
    QVERIFY(help.err.isEmpty());
  }
  const Run version = RunProgram({"--version"});
  QCOMPARE(version.exitCode, 0);
  QCOMPARE(version.out, QString("Quenvar v0.7 alpha rel13 build 453\n"));
}

void TestPlayer::theProgramReportsAnUnreadableFileOnStandardError() {
  QTemporaryDir dir;
  const QString bad = dir.filePath("broken.zyl");
  QFile f(bad);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write("not an archive");
  f.close();

  QProcess p;
  p.setProcessChannelMode(QProcess::SeparateChannels);
  p.start(kProgram, {bad});
  QVERIFY(p.waitForStarted());
  // The player stays up with its empty full screen; the line comes at once.
  QByteArray err;
  QTRY_VERIFY_WITH_TIMEOUT((err += p.readAllStandardError()).contains("Unable to read"), 10000);
  QVERIFY2(err.contains(("Error : Unable to read :" + bad).toUtf8()), err.constData());
  QCOMPARE(p.state(), QProcess::Running);
  p.kill();
  p.waitForFinished();
}

QTEST_MAIN(TestPlayer)
#include "test_player.moc"
