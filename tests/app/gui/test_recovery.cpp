// Recovery after a crash: the test runs itself as the program twice. The
// first run edits a project and is killed with SIGKILL once its recovery file
// is written; the second answers Yes to the recovery question, and both
// describe the project they show (every layer's settings, the canvas, the
// composed first frame) for the parent to compare.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QtTest>
#include <cstdio>
#include <filesystem>

#include "core/coreinit.h"
#include "gui/main/unitdisplay32.h"
#include "project/firstframe.h"
#include "project/layeredit.h"
#include "project/project.h"
#include "project/projectedit.h"
#include "support/shell.h"

using quenvar::CurrentProject;

namespace {

const std::string kFixtures = QUENVAR_SOURCE_DIR "/tests/project/fixtures/";

// The project as it shows: view and canvas, then one line per layer, then
// the first frame's pixels.
QByteArray Describe(const Shell& s, const quenvar::TProject& p) {
  const TfrmProject32* view = s.form->frmProject32;
  QByteArray out = QString::asprintf("view %dx%d\n", view ? view->ClientWidth() : -1,
                                     view ? view->ClientHeight() : -1)
                       .toLatin1();
  out += QByteArray("canvas ") + QByteArray::number(p.width) + "x" + QByteArray::number(p.height) +
         " " + QByteArray::fromStdString(p.name) + "\n";
  for (const quenvar::TBlendLayer* l : p.layers) {
    const auto place = l->ViewPlacement();
    out += QByteArray::fromStdString(l->name + " | " + quenvar::BlendModeName(l->Mode())) +
           QString::asprintf(
               " | opacity %d | place %d %d %d %d | pos %d %d | speed %d | m %d %d "
               "| p %d %d | picture %dx%d\n",
               l->opacity, place.left, place.top, place.right, place.bottom, l->posx, l->posy,
               l->speed, l->mx, l->my, l->px, l->py, l->bmp.Width(), l->bmp.Height())
               .toLatin1();
  }
  const quenvar::TBitmap32 frame = quenvar::ComposeFirstFrame(p);
  out += QByteArray("frame ") + QByteArray::number(frame.Width()) + "x" +
         QByteArray::number(frame.Height()) + "\n";
  out += QByteArray(reinterpret_cast<const char*>(frame.Bits()),
                    qsizetype(frame.Width()) * frame.Height() * 4);
  return out;
}

void Write(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  f.open(QIODevice::WriteOnly);
  f.write(bytes);
}

QByteArray Read(const QString& path) {
  QFile f(path);
  f.open(QIODevice::ReadOnly);
  return f.readAll();
}

// The child's answer to the parent: one line, then flushed.
void Say(const QString& line) {
  std::printf("%s\n", qPrintable(line));
  std::fflush(stdout);
}

// Waits for the recovery file to appear; false when it takes over five
// seconds from `since`.
bool RecoveryWrittenWithinFiveSeconds(const Shell& s, const QElapsedTimer& since) {
  const QString path = s.form->RecoveryFilePath();
  return QTest::qWaitFor([&] { return QFile::exists(path); }, 6000) && since.elapsed() <= 5000;
}

// First run: a project made and edited as a user would, saved once and
// edited again; answers "ready" once the recovery file holds the last edit.
int EditAndWait(const QString& work) {
  Shell s;
  s.form->show();
  s.newProject("Salvage", "96", "64");
  quenvar::TProject& p = *CurrentProject();
  if (QFile::exists(s.form->RecoveryFilePath())) return Say("fail: file before any edit"), 1;

  QElapsedTimer clock;
  clock.start();
  s.form->PushEdit(quenvar::AddPictureLayerEdit(p, kFixtures + "a.png"));
  s.form->RebuildLayerFrames();
  if (!RecoveryWrittenWithinFiveSeconds(s, clock)) return Say("fail: first edit not kept"), 1;

  s.prompter.fileNames.push_back(work + "/salvage.zyl");
  s.action("miSaveAs")->trigger();
  if (p.modified || QFile::exists(s.form->RecoveryFilePath()))
    return Say("fail: the save left the recovery file"), 1;

  clock.restart();
  s.form->PushEdit(quenvar::AddPictureLayerEdit(p, kFixtures + "b.jpg"));
  // Pixels with no file behind them, as a PSD import gives.
  quenvar::TNewLayer imported;
  imported.name = "Imported";
  imported.filename = "Imported.bmp";
  imported.picture.Resize(7, 5);
  for (int i = 0; i < 35; ++i)
    imported.picture.Bits()[i] = quenvar::TColor32(0x80102030u + i * 977);
  imported.place = quenvar::TFloatRect{3.f, 4.f, 17.f, 14.f};
  imported.mode = quenvar::bmMultiply;
  std::vector<quenvar::TNewLayer> batch;
  batch.push_back(std::move(imported));
  s.form->PushEdit(quenvar::AddLayersEdit(p, std::move(batch), "Import"));
  s.form->PushEdit(quenvar::EditLayer(p, 1, quenvar::TLayerScope::Fields, "Change",
                                      [&](quenvar::TBlendLayer& l) {
                                        quenvar::MoveLayerBy(p, l, 11, -4);
                                        quenvar::SetLayerMode(p, l, quenvar::bmDifference);
                                        quenvar::SetLayerOpacity(p, l, 140);
                                        quenvar::SetLayerMotion(p, l, 3, -2);
                                      }));
  s.form->PushEdit(quenvar::EditLayer(
      p, 2, quenvar::TLayerScope::Fields, "Mode",
      [&](quenvar::TBlendLayer& l) { quenvar::SetLayerMode(p, l, quenvar::bmScreen); }));
  s.form->RebuildLayerFrames();
  if (!RecoveryWrittenWithinFiveSeconds(s, clock)) return Say("fail: later edits not kept"), 1;
  Write(work + "/before.txt", Describe(s, p));
  Say("ready " + s.form->RecoveryFilePath());
  return QApplication::exec();  // until killed
}

// Second run: answers Yes to the one question and describes what it opened;
// then ends normally, which takes its own recovery file away.
int RecoverAndDescribe(const QString& work) {
  Shell s;
  s.prompter.answers.push_back(true);
  s.form->show();
  if (!QTest::qWaitFor([] { return CurrentProject() != nullptr; }, 10000))
    return Say("fail: nothing recovered; questions: " + s.prompter.questions.join('|')), 1;
  quenvar::TProject& p = *CurrentProject();
  Write(work + "/after.txt", Describe(s, p));
  Say("question " + s.prompter.questions.join('|'));
  Say("file " + QString::fromStdString(p.fileName) + " modified " + QString::number(p.modified));
  // Unsaved again, it is kept by this program now.
  if (!QTest::qWaitFor([&] { return QFile::exists(s.form->RecoveryFilePath()); }, 6000))
    return Say("fail: no recovery file of its own"), 1;
  s.prompter.saveAnswers.push_back(TSaveAnswer::Discard);  // exit without saving
  s.form->close();
  Say("closed");
  return 0;
}

QStringList RecoveryFiles(const QString& state) {
  return QDir(state + "/quenvar").entryList({"recovery-*"}, QDir::Files, QDir::Name);
}

}  // namespace

class TestRecovery : public QObject {
  Q_OBJECT
 private slots:
  void killedProgramIsRecoveredAsItWasShown();
  void noRemovesTheFileAndClosingLeavesNone();
};

void TestRecovery::killedProgramIsRecoveredAsItWasShown() {
  QTemporaryDir work;
  QVERIFY(work.isValid());
  const QString state = work.filePath("state");
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("XDG_STATE_HOME", state);

  QProcess editor;
  editor.setProcessEnvironment(env);
  editor.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  editor.start(QCoreApplication::applicationFilePath(), {"--child-edit", work.path()});
  QVERIFY(editor.waitForStarted());
  QVERIFY(QTest::qWaitFor(
      [&] { return editor.canReadLine() || editor.state() == QProcess::NotRunning; }, 30000));
  const QString ready = QString::fromLocal8Bit(editor.readLine()).trimmed();
  QVERIFY2(ready.startsWith("ready "), qPrintable(ready));
  const QString kept = ready.mid(6);
  QVERIFY(QFileInfo(kept).absolutePath() == QDir(state + "/quenvar").absolutePath());
  editor.kill();  // SIGKILL: nothing of the program's own runs
  QVERIFY(editor.waitForFinished());
  QCOMPARE(editor.exitStatus(), QProcess::CrashExit);
  QVERIFY(QFile::exists(kept));

  QProcess recoverer;
  recoverer.setProcessEnvironment(env);
  recoverer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  recoverer.start(QCoreApplication::applicationFilePath(), {"--child-recover", work.path()});
  QVERIFY(recoverer.waitForFinished(60000));
  const QStringList lines =
      QString::fromLocal8Bit(recoverer.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
  QCOMPARE(recoverer.exitCode(), 0);
  QCOMPARE(lines.size(), qsizetype(3));
  QVERIFY2(QRegularExpression(R"(^question recover the unsaved project Salvage from )"
                              R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\?$)")
               .match(lines[0])
               .hasMatch(),
           qPrintable(lines[0]));
  QCOMPARE(lines[1], "file " + work.filePath("salvage.zyl") + " modified 1");
  QCOMPARE(lines[2], QStringLiteral("closed"));

  const QByteArray before = Read(work.filePath("before.txt"));
  const QByteArray after = Read(work.filePath("after.txt"));
  QVERIFY(before.startsWith("view 96x64\ncanvas 96x64 Salvage\n"));
  QVERIFY(before.contains("difference | opacity 140"));
  QVERIFY(before.contains("| picture 7x5\n"));
  const qsizetype text = before.indexOf("frame ");
  QCOMPARE(after.left(after.indexOf("frame ")), before.left(text));
  QVERIFY(before.mid(text).startsWith("frame 96x64\n"));
  QVERIFY(after == before);  // the composed frame, pixel for pixel
  // The killed program's file went on Yes, the second program's on exit.
  QCOMPARE(RecoveryFiles(state), QStringList());
}

void TestRecovery::noRemovesTheFileAndClosingLeavesNone() {
  QTemporaryDir work;
  const QByteArray oldState = qgetenv("XDG_STATE_HOME");
  qputenv("XDG_STATE_HOME", work.path().toLocal8Bit());
  {
    // A file left by a program that is gone.
    Shell gone;
    gone.newProject("Left", "32", "32");
    gone.form->PushEdit(quenvar::AddPictureLayerEdit(*CurrentProject(), kFixtures + "a.png"));
    const QString path = gone.form->RecoveryFilePath();
    QVERIFY(QTest::qWaitFor([&] { return QFile::exists(path); }, 6000));
    QFile::copy(path, work.filePath("quenvar/recovery-1.zyl"));
    // Closing the project takes this program's file away, the lock stays.
    gone.prompter.saveAnswers.push_back(TSaveAnswer::Discard);
    gone.action("miCloseProject")->trigger();
    QVERIFY(!QFile::exists(path));
    QVERIFY(QFile::exists(QString(path).replace(".zyl", ".lock")));
  }
  QCOMPARE(RecoveryFiles(work.path()), QStringList{"recovery-1.zyl"});

  Shell s;
  s.prompter.answers.push_back(false);
  s.form->OfferRecoveries();
  QCOMPARE(s.prompter.questions.size(), qsizetype(1));
  QVERIFY(s.prompter.questions[0].startsWith("recover the unsaved project Left from "));
  QVERIFY(!CurrentProject());
  // Only this program's lock is left.
  QCOMPARE(RecoveryFiles(work.path()),
           QStringList{QFileInfo(s.form->RecoveryFilePath()).completeBaseName() + ".lock"});
  s.form->OfferRecoveries();
  QCOMPARE(s.prompter.questions.size(), qsizetype(1));
  qputenv("XDG_STATE_HOME", oldState);
}

int main(int argc, char** argv) {
  if (argc == 3 &&
      (qstrcmp(argv[1], "--child-edit") == 0 || qstrcmp(argv[1], "--child-recover") == 0)) {
    QApplication app(argc, argv);
    quenvar::InitCore();
    const QString work = QString::fromLocal8Bit(argv[2]);
    return qstrcmp(argv[1], "--child-edit") == 0 ? EditAndWait(work) : RecoverAndDescribe(work);
  }
  QApplication app(argc, argv);
  quenvar::InitCore();
  TestRecovery test;
  return QTest::qExec(&test, argc, argv);
}

#include "test_recovery.moc"
