// File > Export web page...: the project as one HTML file that plays it in a
// browser, at the rate the frames-per-second box shows.
#include <QComboBox>

#include "gui/main/mainform.h"
#include "gui/widgets/prompter.h"
#include "host/canvassize.h"
#include "host/statuslog.h"
#include "project/project.h"
#include "web/webpage.h"

void Tmainform::ExportWebPageClick() {
  quenvar::TProject* p = project();
  if (!p) return;
  StopPlayback();
  const QString path = prompter_.SaveFileName(
      this, QString(), QStringLiteral("Web page (*.html *.htm)"), QStringLiteral("html"));
  if (path.isEmpty()) return;
  const int chosen = cbInterval_->currentText().toInt();
  const int fps = chosen > 0 ? chosen : quenvar::kDefaultFps;
  try {
    quenvar::ExportWebPage(*p, path.toStdString(), fps);
    quenvar::StatusLog("Web page written : " + path.toStdString());
  } catch (const std::exception& e) {
    prompter_.ShowMessage(this, QString::fromStdString(e.what()));
  }
}
