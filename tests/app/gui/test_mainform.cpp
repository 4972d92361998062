// The main window at start-up: banner, caption, status log, menus, tool
// panel, colours and meters.
#include <QAction>
#include <QHBoxLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTextCursor>
#include <QtTest>

#include "gui/dialogs/unitabout.h"
#include "gui/dialogs/unitprojectproperties.h"
#include "gui/dialogs/unitstatus.h"
#include "gui/main/startup.h"
#include "gui/widgets/panelwidgets.h"
#include "host/cpuinfo.h"
#include "host/error.h"
#include "host/statuslog.h"
#include "project/project.h"
#include "support/shell.h"

namespace {

quenvar::TCpuInfo IntelP4() {
  quenvar::TCpuidRegisters r;
  quenvar::SetVendorString(r, "GenuineIntel");
  r.maxLeaf = 1;
  r.leaf1Eax = 15 << 8 | 3 << 4;
  r.leaf1Edx = 1u | 1u << 15 | 1u << 23 | 1u << 25 | 1u << 26;
  r.leaf1Ecx = 1;
  return quenvar::CpuInfoFromRegisters(r);
}

// A sampler that serves the given /proc/stat texts, then fails.
std::unique_ptr<quenvar::TProcessorLoad> Serving(QStringList texts) {
  auto queue = std::make_shared<QStringList>(std::move(texts));
  return std::make_unique<quenvar::TProcessorLoad>([queue] {
    if (queue->isEmpty()) throw quenvar::Error("Unable to read performance data");
    return queue->takeFirst().toStdString();
  });
}

}  // namespace

class TestMainform : public QObject {
  Q_OBJECT
 private slots:
  void bannerAfterTheStartupTimer();
  void bannerWithoutMmxHasNoProcessorLine();
  void bannerReportsAFailedProcessorSample();
  void versionFailureEndsTheBanner();
  void linesBeforeTheStatusWindowAreLost();
  void statusLogAppendsScrollsAndLabels();
  void menusCaptionsShortcutsAndStates();
  void toolPanelControlsInOrder();
  void themeColoursAtFirstShow();
  void fontFailureIsReportedAndStartGoesOn();
  void aProjectArgumentSkipsTheDialogs();
  void metersFollowTheSamples();
  void metersStopAfterAFailure();
};

void TestMainform::bannerAfterTheStartupTimer() {
  Shell s;
  s.form->cpuInfo = IntelP4();
  s.form->processorLoad = Serving({"cpu 1 1 1 1\ncpu0 1 1 1 1\n"});
  s.form->show();
  QCOMPARE(s.form->windowTitle(), QString("Quenvar"));
  QCOMPARE(s.status(), QString("..."));
  QVERIFY(!s.form->frmStatus);
  QVERIFY(s.form->InitTimer->isActive());
  QCOMPARE(s.form->InitTimer->interval(), 150);
  QVERIFY(s.form->InitTimer->isSingleShot());

  QTRY_VERIFY_WITH_TIMEOUT(s.form->started, 2000);
  QVERIFY(s.form->frmStatus);
  QCOMPARE(s.logLines(), QStringList({"ZYL // Quenvar v0.7 alpha rel13 build 453",
                                      "(c) 2006 ZYL, all rights reserved.", " ",
                                      "Intel | MMX SSE SSE2 SSE3 detected. [P4_SSE3]"}));
  QCOMPARE(s.form->windowTitle(), QString("ZYL | Quenvar v0.7 build 453"));
  // The label says ready; the log does not.
  QCOMPARE(s.status(), QString("Ready to rok.."));

  TfrmStatus* st = s.form->frmStatus;
  QCOMPARE(st->windowTitle(), QString("status"));
  QCOMPARE(st->size(), QSize(413, 136));
  QVERIFY(st->isVisible());
  // A tool window over the main window, never over a dialog.
  QVERIFY(st->windowFlags() & Qt::Tool);
  QVERIFY(!(st->windowFlags() & Qt::WindowStaysOnTopHint));
  QVERIFY(st->mStatus->isReadOnly());
  const QRect main = s.form->frameGeometry();
  QCOMPARE(st->pos(), QPoint(main.left() + 20, main.top() + main.height() - 136 - 30));
  QCOMPARE(st->mStatus->palette().color(QPalette::Base), QColor(231, 237, 240));
}

void TestMainform::bannerWithoutMmxHasNoProcessorLine() {
  Shell s;
  s.form->cpuInfo = quenvar::TCpuInfo{};
  s.form->processorLoad = Serving({"cpu 1 1 1 1\n"});
  s.runBanner();
  QCOMPARE(s.logLines().size(), 3);
  QCOMPARE(s.logLines().last(), QString(" "));
  QCOMPARE(s.form->windowTitle(), QString("ZYL | Quenvar v0.7 build 453"));
}

void TestMainform::bannerReportsAFailedProcessorSample() {
  Shell s;
  s.form->cpuInfo = IntelP4();
  s.form->processorLoad = Serving({"intr 5\n"});
  s.runBanner();
  QCOMPARE(s.logLines().size(), 4);
  QCOMPARE(s.logLines().last(), QString("Error : Failed to get cpu information"));
  // Caption and label are still set.
  QCOMPARE(s.form->windowTitle(), QString("ZYL | Quenvar v0.7 build 453"));
  QCOMPARE(s.status(), QString("Ready to rok.."));
}

void TestMainform::versionFailureEndsTheBanner() {
  Shell s;
  s.form->exePath = "/nonexistent/quenvar";
  s.runBanner();
  QCOMPARE(s.prompter.messages,
           QStringList("Can't get file version information for /nonexistent/quenvar"));
  QVERIFY(s.form->frmStatus);
  QCOMPARE(s.form->frmStatus->mStatus->toPlainText(), QString());
  QCOMPARE(s.form->windowTitle(), QString("Quenvar"));
  QCOMPARE(s.status(), QString("..."));
}

void TestMainform::linesBeforeTheStatusWindowAreLost() {
  Shell s;
  quenvar::StatusLog("too early");
  quenvar::PsdLog("also too early");
  QCOMPARE(s.status(), QString("..."));
  s.runBanner();
  QVERIFY(!s.logLines().contains("too early"));
  QVERIFY(!s.logLines().contains("also too early"));
}

void TestMainform::statusLogAppendsScrollsAndLabels() {
  Shell s;
  s.runBanner();
  for (int i = 0; i < 40; ++i) quenvar::StatusLog("> line " + std::to_string(i));
  quenvar::StatusLog("Error : Unable to read :/tmp/x.zyl");
  QStringList lines = s.logLines();
  QCOMPARE(lines.mid(lines.size() - 2),
           QStringList({"> line 39", "Error : Unable to read :/tmp/x.zyl"}));
  QCOMPARE(s.status(), QString("Error : Unable to read :/tmp/x.zyl"));
  QPlainTextEdit* box = s.form->frmStatus->mStatus;
  QTextCursor caret = box->textCursor();
  QVERIFY(caret.atEnd());
  QVERIFY(!caret.hasSelection());

  // The PSD log appends but leaves the label alone.
  quenvar::PsdLog(">> Layer info");
  QCOMPARE(s.logLines().last(), QString(">> Layer info"));
  QCOMPARE(s.status(), QString("Error : Unable to read :/tmp/x.zyl"));
  QVERIFY(box->textCursor().atEnd());

  // A blank line blanks the label too.
  quenvar::StatusLog(" ");
  QCOMPARE(s.logLines().last(), QString(" "));
  QCOMPARE(s.status(), QString(" "));
}

void TestMainform::menusCaptionsShortcutsAndStates() {
  Shell s;
  struct Item {
    const char* name;
    const char* caption;
    QKeySequence shortcut;
    bool enabled;
  };
  const Item items[] = {
      {"miNew", "New", QKeySequence("Ctrl+N"), true},
      {"miOpen", "Open", QKeySequence("Ctrl+O"), true},
      {"miImportPSD", "Import PSD", {}, false},
      {"miSave", "Save", QKeySequence("Ctrl+S"), false},
      {"miSaveAs", "Save as", {}, false},
      {"miSaveFrame", "Save frame", {}, false},
      {"miCloseProject", "Close project", {}, true},
      {"miExit", "Exit", {}, true},
      {"miCanvasSize", "Canvas Size", {}, false},  // needs a project
      {"miFileManager", "File manager", {}, false},
      {"miBrightnessContrast", "Brightness && Contrast", {}, true},
      {"miResize", "Resize", QKeySequence("Ctrl+T"), true},
      {"miRotate", "Rotate", QKeySequence("Ctrl+R"), true},
      {"miFlipHorizontal", "Flip Horizantal", {}, true},
      {"miInsertLayer", "Insert Layer", QKeySequence(Qt::Key_Insert), false},
      {"miDuplicateLayer", "Duplicate Layer", {}, false},
      {"miDeleteLayer", "Delete Layer", {}, true},
      {"miRenderToDisk", "Render to disk", {}, false},
      {"miCompression", "Compression", {}, false},
      {"miContents", "Contents", {}, false},
      {"miIndex", "Index", {}, false},
      {"miWhatIsNew", "What is new ?", {}, true},
      {"miAbout", "About", {}, true},
  };
  for (const Item& it : items) {
    QAction* a = s.action(it.name);
    QVERIFY2(a, it.name);
    QCOMPARE(a->text(), QString(it.caption));
    QCOMPARE(a->shortcut(), it.shortcut);
    QVERIFY2(a->isEnabled() == it.enabled, it.name);
  }
  // Menus in order, three Layer submenus disabled.
  QStringList captions;
  for (QAction* m : s.form->menuBar()->actions()) captions << m->text();
  QCOMPARE(captions,
           QStringList({"&File", "&Edit", "&Project", "Layer", "Render", "View", "&Help"}));
  QVERIFY(s.action("mViewAction")->isEnabled());
  for (const char* sub : {"mConvolutionAction", "mColorAction", "mTransformAction"}) {
    QVERIFY2(!s.action(sub)->isEnabled(), sub);
  }
  QStringList file;
  for (QAction* a : s.child<QMenu>("mFile")->actions()) {
    file << (a->isSeparator() ? QString("-") : a->text());
  }
  QCOMPARE(file, QStringList({"New", "Open", "Import PSD", "Import OpenRaster...", "-", "Save",
                              "Save as", "Save frame", "Export OpenRaster...", "Export web page...",
                              "-", "Close project", "-", "Exit"}));
}

void TestMainform::toolPanelControlsInOrder() {
  Shell s;
  auto* row = qobject_cast<QHBoxLayout*>(s.child<QWidget>("TopPanel")->layout());
  QStringList names;
  for (int i = 0; i < row->count(); ++i) {
    if (QWidget* w = row->itemAt(i)->widget()) names << w->objectName();
  }
  QCOMPARE(names, QStringList({"imgLogo", "bOpen", "bImport", "bSave", "LFPS", "cbInterval",
                               "G32_Button2", "G32_Button1", "bAnimate", "bExport", "LFrameCount",
                               "PanelCPU", "imgAbout"}));
  QCOMPARE(s.child<QWidget>("TopPanel")->height(), 34);
  const std::pair<const char*, const char*> buttons[] = {
      {"bOpen", "OPEN"},     {"bImport", "IMPORT"},
      {"bSave", "SAVE"},     {"G32_Button2", "SEQUENCER"},
      {"G32_Button1", "FS"}, {"bAnimate", "PLAY"},
      {"bExport", "EXPORT"}};
  for (auto [name, caption] : buttons) {
    auto* b = s.child<TPanelButton>(name);
    QVERIFY2(b, name);
    QCOMPARE(b->text(), QString(caption));
    QCOMPARE(b->height(), 20);
    QVERIFY(b->font().bold());
    // SEQUENCER and EXPORT are never on; SAVE and FS wait for a project.
    const QStringList off = {"G32_Button2", "bExport", "bSave", "G32_Button1"};
    QCOMPARE(b->isEnabled(), !off.contains(QString(name)));
  }
  auto* fps = s.child<QComboBox>("cbInterval");
  QStringList items;
  for (int i = 0; i < fps->count(); ++i) items << fps->itemText(i);
  QCOMPARE(items, QStringList({"5", "10", "15", "20", "25", "27", "30", "40", "50", "85"}));
  QCOMPARE(fps->currentText(), QString("27"));
  QCOMPARE(fps->font().pixelSize(), 8);
  QCOMPARE(s.child<QLabel>("LFrameCount")->text(), QString("  "));
  QCOMPARE(s.child<QLabel>("LabelCPU1")->text(), QString("CPU 1"));
  QCOMPARE(s.child<QLabel>("LabelCPU2")->text(), QString("CPU 2"));
  QCOMPARE(s.child<TGradProgress>("GradProgress1")->size(), QSize(100, 12));
  QCOMPARE(s.status(), QString("..."));
}

void TestMainform::themeColoursAtFirstShow() {
  Shell s;
  s.form->show();
  QCOMPARE(s.child<QWidget>("TopPanel")->palette().color(QPalette::Window), QColor(231, 237, 240));
  auto* m1 = s.child<TGradProgress>("GradProgress1");
  auto* m2 = s.child<TGradProgress>("GradProgress2");
  QCOMPARE(m1->fromColor(), QColor(97, 104, 109));
  QCOMPARE(m1->toColor(), QColor(218, 227, 233));
  QCOMPARE(m2->fromColor(), QColor(116, 125, 131));
  QCOMPARE(m2->toColor(), QColor(231, 237, 240));
}

void TestMainform::fontFailureIsReportedAndStartGoesOn() {
  {
    Shell s;
    QVERIFY(s.prompter.messages.isEmpty());
    QVERIFY(!s.form->miniFontFamily.isEmpty());
    QCOMPARE(s.child<QComboBox>("cbInterval")->font().family(), s.form->miniFontFamily);
  }
  Shell s("/nonexistent-folder");
  QCOMPARE(s.prompter.messages, QStringList("Unable to initialize font .. "));
  QVERIFY(s.action("miNew"));
  s.runBanner();
  QCOMPARE(s.status(), QString("Ready to rok.."));
}

void TestMainform::aProjectArgumentSkipsTheDialogs() {
  ScriptedPrompter prompter;
  Tmainform form(prompter, QStringLiteral(QUENVAR_SOURCE_DIR "/assets"), {"clouds.zyl"});
  CreateProgramWindows(form, {"clouds.zyl"});
  QVERIFY(!form.frmProjectProperties);
  QVERIFY(!form.frmAbout);
  form.show();
  // The player keeps the plain colours.
  QVERIFY(!form.findChild<QWidget*>("TopPanel")->autoFillBackground());
  // New makes the properties dialog when it first needs it.
  form.findChild<QAction*>("miNew")->trigger();
  QVERIFY(form.frmProjectProperties);
  QCOMPARE(prompter.dialogsShown, QStringList{"frmProjectProperties"});
  QVERIFY(!quenvar::CurrentProject());
}

void TestMainform::metersFollowTheSamples() {
  Shell s;
  s.form->processorLoad =
      Serving({"cpu 0 0 0 0\ncpu0 0 0 0 0\n", "cpu 5 0 0 3\ncpu0 7 0 0 1\n", "cpu0 9 0 0 1\n"});
  s.form->processorLoad->SampleProcessorLoad();
  s.form->TimerCPUTimer();
  auto* m1 = s.child<TGradProgress>("GradProgress1");
  auto* m2 = s.child<TGradProgress>("GradProgress2");
  QCOMPARE(m1->value(), 88);  // 87.5 to the even neighbour
  QCOMPARE(m2->value(), 62);  // 62.5 likewise
  QVERIFY(!m2->isHidden());
  QVERIFY(!s.child<QLabel>("LabelCPU2")->isHidden());
  QCOMPARE(s.form->TimerCPU->interval(), 1000);
  QVERIFY(s.form->TimerCPU->isActive());
}

void TestMainform::metersStopAfterAFailure() {
  Shell s;
  s.form->processorLoad = Serving({"cpu0 0 0 0 0\n", "cpu0 1 0 0 1\n"});
  s.form->processorLoad->SampleProcessorLoad();
  s.form->TimerCPUTimer();
  // One instance: meter 2 and its label go.
  QCOMPARE(s.child<TGradProgress>("GradProgress1")->value(), 50);
  QVERIFY(s.child<TGradProgress>("GradProgress2")->isHidden());
  QVERIFY(s.child<QLabel>("LabelCPU2")->isHidden());
  s.form->TimerCPUTimer();  // the sampler is out of texts
  QVERIFY(s.form->meterFailed);
  s.form->processorLoad =
      Serving({"cpu0 5 0 0 5\ncpu1 5 0 0 5\n", "cpu0 10 0 0 5\ncpu1 9 0 0 6\n"});
  s.form->TimerCPUTimer();
  s.form->TimerCPUTimer();
  QCOMPARE(s.child<TGradProgress>("GradProgress1")->value(), 50);
  QVERIFY(s.child<TGradProgress>("GradProgress2")->isHidden());
}

QTEST_MAIN(TestMainform)
#include "test_mainform.moc"
