// OpenRaster from the File menu and by dropping, and the progress dialog of
// opening, saving and exporting: stopping leaves no half-loaded project and
// no damaged file.
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>
#include <sstream>

#include "gui/layers/unitlayers.h"
#include "gui/main/startup.h"
#include "gui/widgets/progressdialog.h"
#include "host/playback.h"
#include "project/orawrite.h"
#include "support/drops.h"
#include "test_display_support.h"

using quenvar::CurrentProject;
using quenvar::Playback;

namespace {

const QString kDemo = QStringLiteral(QUENVAR_SOURCE_DIR "/examples/demo.zyl");

QByteArray Bytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct LayerSummary {
  std::string name;
  quenvar::TBlendMode mode;
  int opacity, x, y;
  bool operator==(const LayerSummary&) const = default;
};

std::vector<LayerSummary> Summary(const quenvar::TProject& p) {
  std::vector<LayerSummary> out;
  for (const quenvar::TBlendLayer* l : p.layers)
    out.push_back({l->name, l->Mode(), l->opacity, l->x, l->y});
  return out;
}

}  // namespace

class TestOpenRaster : public QObject {
  Q_OBJECT
 private slots:
  void cleanup() { Playback() = quenvar::TPlaybackState{}; }
  void exportedFileImportsAsTheSameProject();
  void droppedOpenRasterFileOpens();
  void exportNeedsAProjectAndReportsFailures();
  void stoppedOpenKeepsTheOpenProject();
  void stoppedSaveLeavesTheFileAsItWas();
  void stoppedExportWritesNothing();
  void progressDialogAppearsOnlyForLongWorkAndCancels();
  void anOpenRasterFileOnTheCommandLinePlays();
};

void TestOpenRaster::exportedFileImportsAsTheSameProject() {
  QTemporaryDir dir;
  Shell s;
  s.prompter.fileNames.push_back(kDemo);
  s.action("miOpen")->trigger();
  QVERIFY(CurrentProject());
  QVERIFY(s.action("miExportOra")->isEnabled());
  const std::vector<LayerSummary> before = Summary(*CurrentProject());

  const QString ora = dir.filePath("demo.ora");
  s.prompter.fileNames.push_back(ora);
  s.action("miExportOra")->trigger();
  QVERIFY(s.prompter.messages.isEmpty());
  QVERIFY(QFileInfo::exists(ora));
  QVERIFY(s.prompter.progressLabels.contains(QStringLiteral("Exporting demo.ora")));
  QVERIFY(!Playback().playing);

  s.prompter.fileNames.push_back(ora);
  s.action("miImportOra")->trigger();
  QCOMPARE(s.prompter.pickerFilters.last(), QStringLiteral("OpenRaster image (*.ora)"));
  quenvar::TProject* p = CurrentProject();
  QVERIFY(p);
  QCOMPARE(p->name, std::string("Demo"));
  QVERIFY(Summary(*p) == before);
  QVERIFY(View(s));
  QCOMPARE(View(s)->view().Layers().Count(), 7);
  QVERIFY(Playback().playing);
  // Not saved anywhere yet: Save asks for a name.
  QCOMPARE(p->fileName, std::string("untitled.zyl"));
  QVERIFY(p->modified);
}

void TestOpenRaster::droppedOpenRasterFileOpens() {
  QTemporaryDir dir;
  const QString ora = dir.filePath("drop.ora");
  {
    Shell s;
    s.prompter.fileNames.push_back(kDemo);
    s.action("miOpen")->trigger();
    s.prompter.fileNames.push_back(ora);
    s.action("miExportOra")->trigger();
    QVERIFY(QFileInfo::exists(ora));
  }
  Shell s;
  QVERIFY(DropFilesOn(s.form.get(), {ora}));
  QVERIFY(CurrentProject());
  QCOMPARE(int(CurrentProject()->layers.size()), 7);
  QVERIFY(View(s));
}

void TestOpenRaster::exportNeedsAProjectAndReportsFailures() {
  QTemporaryDir dir;
  Shell s;
  // Enabled with the other project commands.
  QCOMPARE(s.action("miExportOra")->isEnabled(), s.action("miSave")->isEnabled());
  s.action("miExportOra")->trigger();  // no project: nothing asked
  QCOMPARE(s.prompter.filePickers, 0);
  s.newProject("Sea", "64", "48");
  AddLayer(8, 8);
  s.prompter.fileNames.push_back(dir.filePath("missing/sea.ora"));
  s.action("miExportOra")->trigger();
  QCOMPARE(s.prompter.messages.size(), 1);
  QVERIFY(!QFileInfo::exists(dir.filePath("missing/sea.ora")));
  QVERIFY(CurrentProject());
}

void TestOpenRaster::stoppedOpenKeepsTheOpenProject() {
  Shell s;
  s.newProject("Clouds", "100", "100");
  quenvar::TProject* open = CurrentProject();
  s.prompter.stopProgressAfter = 2;
  s.prompter.fileNames.push_back(kDemo);
  s.action("miOpen")->trigger();
  QCOMPARE(s.prompter.progressLabels, QStringList{QStringLiteral("Opening demo.zyl")});
  QCOMPARE(int(s.prompter.progressUpdates.size()), 3);
  QCOMPARE(CurrentProject(), open);
  QCOMPARE(int(open->layers.size()), 1);
  QVERIFY(s.form->frmProject32);
  QCOMPARE(s.form->frmLayers->rows.size(), 1);
  QVERIFY(!Playback().playing);
  // Opening again without stopping works.
  s.prompter.stopProgressAfter = -1;
  s.prompter.fileNames.push_back(kDemo);
  s.action("miOpen")->trigger();
  QVERIFY(CurrentProject());
  QCOMPARE(int(CurrentProject()->layers.size()), 7);
}

void TestOpenRaster::stoppedSaveLeavesTheFileAsItWas() {
  QTemporaryDir dir;
  const QString path = dir.filePath("sea.zyl");
  Shell s;
  s.newProject("Sea", "64", "48");
  AddLayer(8, 8);
  s.prompter.fileNames.push_back(path);
  s.action("miSaveAs")->trigger();
  const QByteArray saved = Bytes(path);
  QVERIFY(!saved.isEmpty());

  AddLayer(4, 4);
  CurrentProject()->modified = true;
  s.prompter.stopProgressAfter = int(s.prompter.progressUpdates.size());
  s.action("miSave")->trigger();
  QCOMPARE(Bytes(path), saved);
  QVERIFY(CurrentProject()->modified);
  QVERIFY(s.prompter.messages.isEmpty());  // stopping is not a failure
  // Save as somewhere else, stopped: nothing there, the name unchanged.
  s.prompter.fileNames.push_back(dir.filePath("other.zyl"));
  s.action("miSaveAs")->trigger();
  QVERIFY(!QFileInfo::exists(dir.filePath("other.zyl")));
  QCOMPARE(QString::fromStdString(CurrentProject()->fileName), path);
}

void TestOpenRaster::stoppedExportWritesNothing() {
  QTemporaryDir dir;
  Shell s;
  s.prompter.fileNames.push_back(kDemo);
  s.action("miOpen")->trigger();
  s.prompter.stopProgressAfter = int(s.prompter.progressUpdates.size()) + 3;
  s.prompter.fileNames.push_back(dir.filePath("demo.ora"));
  s.action("miExportOra")->trigger();
  QVERIFY(!QFileInfo::exists(dir.filePath("demo.ora")));
  QVERIFY(s.prompter.messages.isEmpty());
  QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
}

void TestOpenRaster::progressDialogAppearsOnlyForLongWorkAndCancels() {
  QWidget parent;
  QtProgressReport quick(&parent, QStringLiteral("Quick"), 10000);
  QVERIFY(quick.Update(0, 10));
  QVERIFY(quick.Update(10, 10));
  QVERIFY(!quick.Dialog());

  QtProgressReport slow(&parent, QStringLiteral("Slow"), 50);
  QVERIFY(slow.Update(0, 4));
  QVERIFY(!slow.Dialog());
  QTest::qWait(80);
  QVERIFY(slow.Update(1, 4));
  QVERIFY(slow.Dialog());
  QVERIFY(slow.Dialog()->isVisible());
  QCOMPARE(slow.Dialog()->labelText(), QStringLiteral("Slow"));
  QCOMPARE(slow.Dialog()->value(), 250);
  QVERIFY(slow.Dialog()->isModal());
  slow.Dialog()->cancel();
  QVERIFY(!slow.Update(2, 4));
}

void TestOpenRaster::anOpenRasterFileOnTheCommandLinePlays() {
  QTemporaryDir dir;
  const QString ora = dir.filePath("show.ora");
  {
    Shell s;
    s.prompter.fileNames.push_back(kDemo);
    s.action("miOpen")->trigger();
    quenvar::ExportOpenRaster(*CurrentProject(), ora.toStdString());
  }
  const QString bad = dir.filePath("bad.ora");
  QFile(bad).open(QIODevice::WriteOnly);
  for (const QString& file : {ora, bad}) {
    ScriptedPrompter prompter;
    std::ostringstream errors;
    Tmainform form(prompter, QStringLiteral(QUENVAR_SOURCE_DIR "/assets"), {file});
    form.terminateApplication = [] {};
    form.commandLineErrors = &errors;
    CreateProgramWindows(form, {file});
    form.show();
    QTRY_VERIFY(form.fullScreen);
    if (file == ora) {
      QVERIFY(CurrentProject());
      QCOMPARE(int(CurrentProject()->layers.size()), 7);
      QVERIFY(Playback().playing);
      QCOMPARE(errors.str(), std::string());
      quenvar::CloseProject();
    } else {
      QVERIFY(!CurrentProject());
      QVERIFY2(errors.str().find("cannot be imported") != std::string::npos, errors.str().c_str());
    }
    Playback() = quenvar::TPlaybackState{};
  }
}

QTEST_MAIN(TestOpenRaster)
#include "test_openraster.moc"
