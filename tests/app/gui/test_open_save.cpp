// Open, Save and Save as through scripted dialogs.
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "host/playback.h"
#include "test_display_support.h"

using quenvar::CurrentProject;
using quenvar::Playback;

namespace {

const QString kDemo = QStringLiteral(QUENVAR_SOURCE_DIR "/examples/demo.zyl");
const QString kNotZip = QStringLiteral(QUENVAR_SOURCE_DIR "/tests/project/fixtures/not_zip.zyl");

bool ProjectMenusEnabled(const Shell& s) {
  for (const char* n : {"miImportPSD", "miSave", "miSaveAs", "miSaveFrame"})
    if (!s.action(n)->isEnabled()) return false;
  return true;
}

}  // namespace

class TestOpenSave : public QObject {
  Q_OBJECT
 private slots:
  void cleanup() { Playback() = quenvar::TPlaybackState{}; }
  void openPlaysTheChosenProject();
  void openCancelledStopsAndEndsTheRecording();
  void openOfAFileThatIsNotAnArchive();
  void saveAsWritesTheChosenFileAndOpensAgain();
  void saveAsksForANameOnlyForAnUntitledProject();
  void saveFailureIsShown();
};

void TestOpenSave::openPlaysTheChosenProject() {
  Shell s;
  s.runBanner();
  s.newProject("Clouds", "100", "100");
  Playback().recording = true;
  Playback().frameNumber = 9;
  s.prompter.fileNames.push_back(kDemo);
  s.action("miOpen")->trigger();
  quenvar::TProject* p = CurrentProject();
  QVERIFY(p);
  QCOMPARE(p->name, std::string("Demo"));
  QCOMPARE(int(p->layers.size()), 7);
  TfrmProject32* view = View(s);
  QVERIFY(view);
  QCOMPARE(view->view().Layers().Count(), 7);
  QCOMPARE(view->windowTitle(), QStringLiteral("demo.zyl [768x576]"));
  QVERIFY(Playback().playing);
  QVERIFY(view->Timer1->isActive());
  QCOMPARE(s.child<QPushButton>("bAnimate")->text(), QStringLiteral("STOP"));
  QVERIFY(!Playback().recording);
  QCOMPARE(Playback().frameNumber, 0);
  QCOMPARE(s.form->lastProjectFolder, QFileInfo(kDemo).absolutePath());
  QVERIFY(ProjectMenusEnabled(s));
  for (quenvar::TBlendLayer* layer : p->layers) QVERIFY(layer->ALayer);
  // The bottom layer's view copy is opaque; its position came back as x, y.
  QCOMPARE(p->layers[0]->ALayer->Bitmap().Pixel(5, 5) >> 24, 255u);
  QCOMPARE(p->layers[2]->x, 96);
  QCOMPARE(p->layers[2]->y, 64);

  // A look at the view for people: QUENVAR_VIEW_GRAB=file.png keeps a frame.
  const QString grab = qEnvironmentVariable("QUENVAR_VIEW_GRAB");
  if (!grab.isEmpty()) {
    QTest::qWait(500);
    view->img32->grab().save(grab);
  }
}

void TestOpenSave::openCancelledStopsAndEndsTheRecording() {
  Shell s;
  s.newProject("Clouds", "100", "100");
  s.form->StartPlayback();
  Playback().recording = true;
  Playback().recordFolder = "/x/";
  Playback().frameNumber = 4;
  s.action("miOpen")->trigger();  // no file chosen
  QCOMPARE(s.prompter.filePickers, 1);
  QVERIFY(CurrentProject());
  QVERIFY(!Playback().playing);
  QVERIFY(!View(s)->Timer1->isActive());
  QVERIFY(!Playback().recording);
  QVERIFY(Playback().recordFolder.empty());
  QCOMPARE(Playback().frameNumber, 0);
  // Without a folder yet, the dialog starts in the program's folder.
  QVERIFY(!s.form->lastProjectFolder.isEmpty());
}

void TestOpenSave::openOfAFileThatIsNotAnArchive() {
  Shell s;
  s.runBanner();
  s.newProject("Clouds", "100", "100");
  s.prompter.fileNames.push_back(kNotZip);
  quenvar::TProject* open = CurrentProject();
  s.action("miOpen")->trigger();
  // The file is read before anything is closed: the project stays open.
  QCOMPARE(CurrentProject(), open);
  QVERIFY(s.form->frmProject32);
  QVERIFY(s.logLines().contains("Error : Unable to read :" + kNotZip));
  QCOMPARE(s.prompter.messages.size(), 1);
  QVERIFY(ProjectMenusEnabled(s));
  // Closed, the project commands do nothing.
  s.action("miCloseProject")->trigger();
  s.action("miSave")->trigger();
  s.action("miSaveAs")->trigger();
  QCOMPARE(s.prompter.filePickers, 1);
}

void TestOpenSave::saveAsWritesTheChosenFileAndOpensAgain() {
  QTemporaryDir dir;
  Shell s;
  s.newProject("Sea", "320", "240");
  AddLayer(40, 30, 12, 14, 2, 0);
  View(s)->BuildFromProject();
  s.form->StartPlayback();
  const QString path = dir.filePath("sea.zyl");
  s.prompter.fileNames.push_back(path);
  s.action("miSaveAs")->trigger();
  QVERIFY(!Playback().playing);
  QVERIFY(QFileInfo::exists(path));
  QCOMPARE(QString::fromStdString(CurrentProject()->fileName), path);

  s.prompter.answers.push_back(false);  // the New question is not asked by Open
  s.prompter.fileNames.push_back(path);
  s.action("miOpen")->trigger();
  quenvar::TProject* p = CurrentProject();
  QVERIFY(p);
  QCOMPARE(p->name, std::string("Sea"));
  QCOMPARE(p->width, 320);
  QCOMPARE(int(p->layers.size()), 2);  // New's first layer and the one added
  QCOMPARE(p->layers[1]->x, 12);
  QCOMPARE(p->layers[1]->posx, 2);
  QCOMPARE(View(s)->windowTitle(), QStringLiteral("sea.zyl [320x240]"));
}

void TestOpenSave::saveAsksForANameOnlyForAnUntitledProject() {
  QTemporaryDir dir;
  Shell s;
  s.newProject("Sea", "64", "64");
  AddLayer(8, 8);                 // a project without layers has nothing to save
  s.action("miSave")->trigger();  // untitled: asks, cancelled
  QCOMPARE(s.prompter.filePickers, 1);
  QCOMPARE(CurrentProject()->fileName, std::string("untitled.zyl"));
  const QString path = dir.filePath("named.zyl");
  s.prompter.fileNames.push_back(path);
  s.child<QPushButton>("bSave")->click();
  QCOMPARE(s.prompter.filePickers, 2);
  QVERIFY(QFileInfo::exists(path));
  QFile::remove(path);
  s.action("miSave")->trigger();  // named: saved without a question
  QCOMPARE(s.prompter.filePickers, 2);
  QVERIFY(QFileInfo::exists(path));
}

void TestOpenSave::saveFailureIsShown() {
  QTemporaryDir dir;
  Shell s;
  s.newProject("Sea", "64", "64");
  AddLayer(8, 8);
  s.prompter.fileNames.push_back(dir.filePath("missing/sea.zyl"));
  s.action("miSaveAs")->trigger();
  QCOMPARE(s.prompter.messages.size(), 1);
  QVERIFY(!QFileInfo::exists(dir.filePath("missing/sea.zyl")));
  QVERIFY(CurrentProject());
}

QTEST_MAIN(TestOpenSave)
#include "test_open_save.moc"
