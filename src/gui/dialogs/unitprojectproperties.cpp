#include "gui/dialogs/unitprojectproperties.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace {

// The name box keeps the caret where it is on entry instead of selecting all.
class TNameEdit : public QLineEdit {
 public:
  using QLineEdit::QLineEdit;

 protected:
  void focusInEvent(QFocusEvent* event) override {
    QLineEdit::focusInEvent(event);
    deselect();
  }
};

const char* const kPresets[] = {"800x600", "800x400", "800x200", "768x576", "720x576", "640x480",
                                "480x480", "320x320", "320x256", "256x256", "100x100"};

QLabel* Label(QWidget* parent, const char* name, const QString& text, int x, int y) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(QString::fromLatin1(name));
  l->move(x, y);
  l->adjustSize();
  return l;
}

// Characters the size boxes accept: digits, Backspace and Tab. Keys that make
// no character (arrows, Delete, Home) are not characters and pass.
bool SizeBoxAccepts(const QKeyEvent& key) {
  const QString t = key.text();
  if (t.isEmpty()) return true;
  for (QChar c : t) {
    if (!(c.isDigit() && c.unicode() < 128) && c != QLatin1Char('\b') && c != QLatin1Char('\t')) {
      return false;
    }
  }
  return true;
}

}  // namespace

TfrmProjectProperties::TfrmProjectProperties(QWidget* parent) : QDialog(parent, Qt::Tool) {
  setObjectName(QStringLiteral("frmProjectProperties"));
  setWindowTitle(QStringLiteral("Project properties"));
  setFont(QFont(QStringLiteral("Arial"), 8));
  setFixedSize(272, 135);

  Label(this, "LName", QStringLiteral("Project Name : "), 8, 12);
  eName = new TNameEdit(QStringLiteral("New Project"), this);
  eName->setGeometry(96, 8, 168, 21);
  Label(this, "LCanvasSize", QStringLiteral("Canvas size : \n(  X /  Y )"), 8, 38);
  eX = new QLineEdit(QStringLiteral("768"), this);
  eX->setGeometry(96, 38, 56, 21);
  Label(this, "LX", QStringLiteral("X"), 158, 41);
  eY = new QLineEdit(QStringLiteral("576"), this);
  eY->setGeometry(172, 38, 56, 21);
  cbRes = new QComboBox(this);
  cbRes->setGeometry(96, 66, 132, 21);
  for (const char* p : kPresets) cbRes->addItem(QString::fromLatin1(p));
  cbRes->setCurrentText(QStringLiteral("768x576"));
  cbRes->setMaxVisibleItems(14);
  btnCancel = new QPushButton(QStringLiteral("CANCEL"), this);
  btnCancel->setGeometry(104, 100, 76, 25);
  btnOk = new QPushButton(QStringLiteral("OK"), this);
  btnOk->setGeometry(188, 100, 76, 25);
  // The comment box and its label lie below the dialog's visible area; Tab
  // still reaches the box after the preset list.
  mComment = new QPlainTextEdit(this);
  mComment->setGeometry(96, 145, 168, 60);
  Label(this, "LBackground", QStringLiteral("Background : "), 8, 212);

  eName->setObjectName(QStringLiteral("eName"));
  eX->setObjectName(QStringLiteral("eX"));
  eY->setObjectName(QStringLiteral("eY"));
  cbRes->setObjectName(QStringLiteral("cbRes"));
  mComment->setObjectName(QStringLiteral("mComment"));
  btnOk->setObjectName(QStringLiteral("btnOk"));
  btnCancel->setObjectName(QStringLiteral("btnCancel"));

  // Pasted text is held to digits too.
  auto* digits =
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this);
  eX->setValidator(digits);
  eY->setValidator(digits);

  setTabOrder(eName, eX);
  setTabOrder(eX, eY);
  setTabOrder(eY, cbRes);
  setTabOrder(cbRes, mComment);
  setTabOrder(mComment, btnCancel);
  setTabOrder(btnCancel, btnOk);
  mComment->setTabChangesFocus(true);

  for (QWidget* w : {static_cast<QWidget*>(eName), static_cast<QWidget*>(eX),
                     static_cast<QWidget*>(eY), static_cast<QWidget*>(cbRes)}) {
    w->installEventFilter(this);
  }
  connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(cbRes, &QComboBox::currentIndexChanged, this, [this] { cbResChange(); });
}

void TfrmProjectProperties::FillFromProject(int width, int height, const QString& name) {
  eX->setText(QString::number(width));
  eY->setText(QString::number(height));
  eName->setText(name);
}

void TfrmProjectProperties::cbResChange() {
  const QString text = cbRes->currentText();
  const int at = text.indexOf(QLatin1Char('x'));
  if (at < 0) return;
  eX->setText(text.left(at));
  eY->setText(text.mid(at + 1, 100));
}

bool TfrmProjectProperties::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
    accept();
    return true;
  }
  if (key->key() == Qt::Key_Escape) {
    reject();
    return true;
  }
  if ((watched == eX || watched == eY) && !SizeBoxAccepts(*key)) return true;
  return QDialog::eventFilter(watched, event);
}
