#include "gui/dialogs/unitstatus.h"

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QVBoxLayout>

#include "gui/widgets/pictures.h"
#include "host/themecolor.h"

TfrmStatus::TfrmStatus(QWidget* mainWindow) : QWidget(mainWindow, Qt::Tool) {
  setObjectName(QStringLiteral("frmStatus"));
  setWindowTitle(QStringLiteral("status"));
  resize(413, 136);

  mStatus = new QPlainTextEdit(this);
  mStatus->setObjectName(QStringLiteral("mStatus"));
  mStatus->setReadOnly(true);
  mStatus->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  mStatus->setFont(QFont(QStringLiteral("Tahoma"), 8));
  QPalette pal = mStatus->palette();
  pal.setColor(QPalette::Base, ToQColor(quenvar::TintColor(quenvar::kThemeColor, 40)));
  mStatus->setPalette(pal);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(mStatus);

  if (mainWindow) {
    const QRect main = mainWindow->frameGeometry();
    move(main.left() + 20, main.top() + main.height() - height() - 30);
  }
  show();
}

void TfrmStatus::AppendLine(const QString& line) {
  mStatus->appendPlainText(line);
  mStatus->moveCursor(QTextCursor::End);
  mStatus->ensureCursorVisible();
}

void TfrmStatus::AppendPsdLine(const QString& line) {
  AppendLine(line);
  QCoreApplication::processEvents();
}
