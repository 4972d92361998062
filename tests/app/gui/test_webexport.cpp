// File > Export web page...: asks for a name, writes the page at the rate the
// frames-per-second box shows, and reports a failure without leaving a file.
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include "gui/main/startup.h"
#include "host/playback.h"
#include "test_display_support.h"

using quenvar::CurrentProject;
using quenvar::Playback;

namespace {

const QString kDemo = QStringLiteral(QUENVAR_SOURCE_DIR "/examples/demo.zyl");

QByteArray Bytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class TestWebExport : public QObject {
  Q_OBJECT
 private slots:
  void cleanup() { Playback() = quenvar::TPlaybackState{}; }
  void writesThePageAtTheBoxsRate();
  void needsAProjectAndReportsFailures();
};

void TestWebExport::writesThePageAtTheBoxsRate() {
  QTemporaryDir dir;
  Shell s;
  s.prompter.fileNames.push_back(kDemo);
  s.action("miOpen")->trigger();
  QVERIFY(CurrentProject());
  auto* rate = s.child<QComboBox>("cbInterval");
  rate->setCurrentIndex(rate->findText(QStringLiteral("15")));
  QCOMPARE(rate->currentText(), QStringLiteral("15"));

  const QString page = dir.filePath("demo.html");
  s.prompter.fileNames.push_back(page);
  s.action("miExportWeb")->trigger();
  QVERIFY2(s.prompter.messages.isEmpty(), qPrintable(s.prompter.messages.join(" | ")));
  QCOMPARE(s.prompter.pickerFilters.last(), QStringLiteral("Web page (*.html *.htm)"));
  const QByteArray text = Bytes(page);
  QVERIFY(text.startsWith("<!DOCTYPE html>"));
  QVERIFY(text.contains("\"fps\":15,"));
  QVERIFY(text.contains("<script type=\"text/plain\" id=\"picture-6\">"));
  QVERIFY(!QFileInfo::exists(page + ".part"));
  QVERIFY(!Playback().playing);
}

void TestWebExport::needsAProjectAndReportsFailures() {
  QTemporaryDir dir;
  Shell s;
  QCOMPARE(s.action("miExportWeb")->isEnabled(), s.action("miSave")->isEnabled());
  s.action("miExportWeb")->trigger();  // no project: nothing asked
  QCOMPARE(s.prompter.filePickers, 0);
  s.newProject("Sea", "64", "48");
  AddLayer(8, 8);
  s.prompter.fileNames.push_back(dir.filePath("missing/sea.html"));
  s.action("miExportWeb")->trigger();
  QCOMPARE(s.prompter.messages.size(), 1);
  QVERIFY(!QFileInfo::exists(dir.filePath("missing/sea.html")));
  QVERIFY(CurrentProject());
}

QTEST_MAIN(TestWebExport)
#include "test_webexport.moc"
