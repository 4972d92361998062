#include "gui/dialogs/unitabout.h"

#include <QLabel>
#include <QPushButton>

#include "gui/widgets/pictures.h"
#include "gui/widgets/prompter.h"
#include "host/fileversion.h"

TfrmAbout::TfrmAbout(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QStringLiteral("About"));
  setFont(QFont(QStringLiteral("Tahoma"), 8));
  setFixedSize(427, 341);

  auto* logo = new QLabel(this);
  logo->setObjectName(QStringLiteral("imgLogo"));
  logo->setPixmap(ProgramLogo());
  logo->move(12, 12);
  auto* icon = new QLabel(this);
  icon->setObjectName(QStringLiteral("imgIcon"));
  icon->setPixmap(ProgramIcon());
  icon->move(width() - 12 - 24, 12);

  LAbout = new QLabel(this);
  LAbout->setObjectName(QStringLiteral("LAbout"));
  LAbout->setGeometry(12, 48, width() - 24, 250);
  LAbout->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  LAbout->setTextFormat(Qt::PlainText);

  bOk = new QPushButton(QStringLiteral("Ok"), this);
  bOk->setObjectName(QStringLiteral("bOk"));
  bOk->setGeometry(width() - 12 - 75, height() - 12 - 25, 75, 25);
  connect(bOk, &QPushButton::clicked, this, &QDialog::accept);
}

void TfrmAbout::showEvent(QShowEvent* event) {
  LAbout->setText(
      DisplayText(QString::fromStdString(quenvar::AboutText(quenvar::ProgramFileVersion()))));
  QDialog::showEvent(event);
}
