// The project properties dialog: contents, presets, key handling, tab order.
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include "gui/dialogs/unitprojectproperties.h"

class TestProjectProperties : public QObject {
  Q_OBJECT
 private slots:
  void firstContents();
  void presetsFillTheSizeBoxes();
  void sizeBoxesTakeOnlyDigits();
  void enterConfirmsAndEscCancelsInEveryBox();
  void tabOrder();
  void nameIsNotSelectedOnEntry();
};

void TestProjectProperties::firstContents() {
  TfrmProjectProperties d;
  QCOMPARE(d.windowTitle(), QString("Project properties"));
  QCOMPARE(d.size(), QSize(272, 135));
  QCOMPARE(d.eName->text(), QString("New Project"));
  QCOMPARE(d.eX->text(), QString("768"));
  QCOMPARE(d.eY->text(), QString("576"));
  QCOMPARE(d.cbRes->currentText(), QString("768x576"));
  QStringList presets;
  for (int i = 0; i < d.cbRes->count(); ++i) presets << d.cbRes->itemText(i);
  QCOMPARE(presets, QStringList({"800x600", "800x400", "800x200", "768x576", "720x576", "640x480",
                                 "480x480", "320x320", "320x256", "256x256", "100x100"}));
  QCOMPARE(d.cbRes->maxVisibleItems(), 14);
  QCOMPARE(d.mComment->toPlainText(), QString());
  QCOMPARE(d.btnOk->text(), QString("OK"));
  QCOMPARE(d.btnCancel->text(), QString("CANCEL"));
  // The comment box lies below the visible area.
  QVERIFY(d.mComment->geometry().top() >= d.height());
}

void TestProjectProperties::presetsFillTheSizeBoxes() {
  TfrmProjectProperties d;
  d.cbRes->setCurrentText("320x256");
  QCOMPARE(d.eX->text(), QString("320"));
  QCOMPARE(d.eY->text(), QString("256"));
  d.show();
  d.cbRes->setFocus();
  QTest::keyClick(d.cbRes, Qt::Key_Down);  // the next preset, 256x256
  QCOMPARE(d.eX->text(), QString("256"));
  QCOMPARE(d.eY->text(), QString("256"));
  d.cbRes->setCurrentText("100x100");
  QCOMPARE(d.eX->text(), QString("100"));
  QCOMPARE(d.eY->text(), QString("100"));
}

void TestProjectProperties::sizeBoxesTakeOnlyDigits() {
  TfrmProjectProperties d;
  d.show();
  for (QLineEdit* box : {d.eX, d.eY}) {
    box->clear();
    QTest::keyClicks(box, "12a3");
    QCOMPARE(box->text(), QString("123"));
    QTest::keyClicks(box, " -+.x");
    QKeyEvent squared(QEvent::KeyPress, Qt::Key_twosuperior, Qt::NoModifier, QString(QChar(0xB2)));
    QApplication::sendEvent(box, &squared);
    QCOMPARE(box->text(), QString("123"));
    QTest::keyClick(box, Qt::Key_Backspace);
    QCOMPARE(box->text(), QString("12"));
    // Keys that make no character still work.
    QTest::keyClick(box, Qt::Key_Left);
    QTest::keyClick(box, Qt::Key_Delete);
    QCOMPARE(box->text(), QString("1"));
    // Pasted text is held to digits as well.
    box->selectAll();
    box->insert("7a");
    QVERIFY(!box->text().contains('a'));
  }
  // The name box takes anything.
  d.eName->clear();
  QTest::keyClicks(d.eName, "Rain 2a!");
  QCOMPARE(d.eName->text(), QString("Rain 2a!"));
}

void TestProjectProperties::enterConfirmsAndEscCancelsInEveryBox() {
  TfrmProjectProperties d;
  const QList<QWidget*> boxes{d.eName, d.eX, d.eY, d.cbRes};
  for (QWidget* box : boxes) {
    for (auto [key, expected] : {std::pair{Qt::Key_Return, int(QDialog::Accepted)},
                                 std::pair{Qt::Key_Enter, int(QDialog::Accepted)},
                                 std::pair{Qt::Key_Escape, int(QDialog::Rejected)}}) {
      d.setResult(-1);
      d.show();
      box->setFocus();
      QTest::keyClick(box, key);
      QVERIFY2(d.result() == expected, qPrintable(box->objectName()));
      QVERIFY(!d.isVisible());
    }
  }
  // The sizes survived the keys.
  QCOMPARE(d.eX->text(), QString("768"));
}

void TestProjectProperties::tabOrder() {
  TfrmProjectProperties d;
  QList<QWidget*> chain;
  QWidget* w = d.eName;
  for (int i = 0; i < 7; ++i) {
    chain << w;
    w = w->nextInFocusChain();
    while (w->focusPolicy() == Qt::NoFocus || !w->isWidgetType() || w->parent() != &d) {
      w = w->nextInFocusChain();
    }
  }
  QCOMPARE(chain,
           (QList<QWidget*>{d.eName, d.eX, d.eY, d.cbRes, d.mComment, d.btnCancel, d.btnOk}));
  QVERIFY(d.mComment->tabChangesFocus());
}

void TestProjectProperties::nameIsNotSelectedOnEntry() {
  TfrmProjectProperties d;
  // Tabbing into a line edit normally selects its whole text.
  QFocusEvent tabbedIn(QEvent::FocusIn, Qt::TabFocusReason);
  QApplication::sendEvent(d.eName, &tabbedIn);
  QVERIFY(!d.eName->hasSelectedText());
  QApplication::sendEvent(d.eX, &tabbedIn);
  QVERIFY(d.eX->hasSelectedText());
}

QTEST_MAIN(TestProjectProperties)
#include "test_projectproperties.moc"
