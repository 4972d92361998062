// The what's-new window and the about box.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "gui/dialogs/unitabout.h"
#include "gui/dialogs/unitwhatsnew.h"
#include "gui/main/startup.h"
#include "support/shell.h"

class TestWhatsNew : public QObject {
  Q_OBJECT
 private slots:
  void init();
  void cleanup();
  void noNotesFileNoWindowAtStart();
  void eachCommandMakesANewWindow();
  void notesFileIsShownAtStart();
  void doubleClickHides();
  void aboutText();

 private:
  std::unique_ptr<QTemporaryDir> dir_;
  QString previous_;
};

void TestWhatsNew::init() {
  // Every test runs in an empty current directory of its own.
  dir_ = std::make_unique<QTemporaryDir>();
  previous_ = QDir::currentPath();
  QDir::setCurrent(dir_->path());
}

void TestWhatsNew::cleanup() {
  QDir::setCurrent(previous_);
  dir_.reset();
}

void TestWhatsNew::noNotesFileNoWindowAtStart() {
  Shell s;
  QVERIFY(!s.form->frmWhatsNew);
  QVERIFY(!s.form->findChild<TfrmWhatsNew*>());
}

void TestWhatsNew::eachCommandMakesANewWindow() {
  Shell s;
  s.action("miWhatIsNew")->trigger();
  QPointer<TfrmWhatsNew> first = s.form->frmWhatsNew;
  QVERIFY(first);
  QVERIFY(first->isVisible());
  QCOMPARE(first->windowTitle(), QString("What is new ?"));
  QCOMPARE(first->size(), QSize(401, 304));
  QVERIFY(!(first->windowFlags() & Qt::WindowStaysOnTopHint));  // dialogs stand above it
  QCOMPARE(first->Memo1->toPlainText(), QString("^_^ "));
  QCOMPARE(first->Memo1->palette().color(QPalette::Base), QColor(243, 243, 243));

  s.action("miWhatIsNew")->trigger();
  QPointer<TfrmWhatsNew> second = s.form->frmWhatsNew;
  QVERIFY(second && second != first);
  QCOMPARE(s.form->findChildren<TfrmWhatsNew*>().size(), 2);
  // Only the newest one is hidden for an Open.
  s.form->HideWhatsNew();
  QVERIFY(!second->isVisible());
  QVERIFY(first->isVisible());
}

void TestWhatsNew::notesFileIsShownAtStart() {
  QFile notes("whatsnew.txt");
  QVERIFY(notes.open(QIODevice::WriteOnly));
  notes.write("0.7 rel13\n- layers scroll with wrap-around\n- caf\xC3\xA9 pictures load\n");
  notes.close();
  Shell s;  // the program entry finds the file
  QVERIFY(s.form->frmWhatsNew);
  QVERIFY(s.form->frmWhatsNew->isVisible());
  QCOMPARE(s.form->frmWhatsNew->Memo1->toPlainText(),
           QString::fromUtf8(
               "0.7 rel13\n- layers scroll with wrap-around\n- caf\xC3\xA9 pictures load"));
  // Reread each time the window is shown.
  QVERIFY(notes.open(QIODevice::WriteOnly | QIODevice::Truncate));
  notes.write("changed\n");
  notes.close();
  s.form->frmWhatsNew->hide();
  s.form->frmWhatsNew->show();
  QCOMPARE(s.form->frmWhatsNew->Memo1->toPlainText(), QString("changed"));
}

void TestWhatsNew::doubleClickHides() {
  Shell s;
  for (const char* target : {"Memo1", "PanelTop", "PanelBottom"}) {
    s.action("miWhatIsNew")->trigger();
    TfrmWhatsNew* w = s.form->frmWhatsNew;
    QWidget* on =
        QString(target) == "Memo1" ? w->Memo1->viewport() : w->findChild<QWidget*>(target);
    QVERIFY2(on, target);
    QTest::mouseDClick(on, Qt::LeftButton, {}, QPoint(3, 3));
    QVERIFY2(!w->isVisible(), target);
  }
}

void TestWhatsNew::aboutText() {
  Shell s;
  TfrmAbout* about = s.form->frmAbout;
  QVERIFY(about);
  QCOMPARE(about->windowTitle(), QString("About"));
  QCOMPARE(about->size(), QSize(427, 341));
  about->show();
  const QStringList lines = about->LAbout->text().split('\n');
  QCOMPARE(lines.first(), QString("Quenvar v0.7rel13 build 453"));
  QCOMPARE(lines.at(1), QString());
  QVERIFY(lines.contains("Acknowledgements : "));
  QCOMPARE(lines.filter(QRegularExpression("^<[a-z]+>\\t")).size(), 4);
  QTest::mouseClick(about->bOk, Qt::LeftButton);
  QVERIFY(!about->isVisible());
  QCOMPARE(about->result(), int(QDialog::Accepted));
}

QTEST_MAIN(TestWhatsNew)
#include "test_whatsnew.moc"
