#include "gui/dialogs/unitwhatsnew.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QVBoxLayout>

#include "gui/widgets/pictures.h"

namespace {

QWidget* Band(QWidget* parent, const QString& name, int height) {
  auto* band = new QWidget(parent);
  band->setObjectName(name);
  band->setFixedHeight(height);
  band->setAutoFillBackground(true);
  QPalette pal = band->palette();
  pal.setColor(QPalette::Window, QColor(245, 244, 247));
  band->setPalette(pal);
  return band;
}

}  // namespace

TfrmWhatsNew::TfrmWhatsNew(QWidget* parent) : QWidget(parent, Qt::Tool) {
  setObjectName(QStringLiteral("frmWhatsNew"));
  setWindowTitle(QStringLiteral("What is new ?"));
  resize(401, 304);

  QWidget* top = Band(this, QStringLiteral("PanelTop"), 30);
  auto* topRow = new QHBoxLayout(top);
  topRow->setContentsMargins(4, 2, 4, 2);
  auto* logo = new QLabel(top);
  logo->setObjectName(QStringLiteral("imgLogo"));
  logo->setPixmap(ProgramLogo());
  auto* web = new QLabel(QStringLiteral("https://quenvar.example.org"), top);
  web->setObjectName(QStringLiteral("LWeb"));
  web->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  auto* icon = new QLabel(top);
  icon->setObjectName(QStringLiteral("imgIcon"));
  icon->setPixmap(ProgramIcon());
  topRow->addWidget(logo);
  topRow->addWidget(web, 1);
  topRow->addWidget(icon);

  Memo1 = new QPlainTextEdit(QStringLiteral("^_^ "), this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setFrameShape(QFrame::NoFrame);
  Memo1->setFont(QFont(QStringLiteral("Tahoma"), 8));
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QPalette pal = Memo1->palette();
  pal.setColor(QPalette::Base, QColor(243, 243, 243));
  Memo1->setPalette(pal);

  QWidget* bottom = Band(this, QStringLiteral("PanelBottom"), 8);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(top);
  layout->addWidget(Memo1, 1);
  layout->addWidget(bottom);

  for (QObject* o : {static_cast<QObject*>(top), static_cast<QObject*>(bottom),
                     static_cast<QObject*>(Memo1->viewport()), static_cast<QObject*>(logo),
                     static_cast<QObject*>(web), static_cast<QObject*>(icon)}) {
    o->installEventFilter(this);
  }

  if (QScreen* screen = this->screen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
  show();
}

void TfrmWhatsNew::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  LoadNotes();
}

void TfrmWhatsNew::LoadNotes() {
  QFile file(QStringLiteral("whatsnew.txt"));
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return;
  QString text = QString::fromUtf8(file.readAll());
  if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
  Memo1->setPlainText(text);
}

bool TfrmWhatsNew::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonDblClick) {
    hide();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}
