// File > Import OpenRaster... and File > Export OpenRaster...
#include <QFileInfo>

#include "gui/main/mainform.h"
#include "gui/widgets/prompter.h"
#include "host/error.h"
#include "host/statuslog.h"
#include "project/orawrite.h"
#include "project/project.h"

namespace {

const QString kOraFilter = QStringLiteral("OpenRaster image (*.ora)");

}  // namespace

void Tmainform::ImportOpenRasterClick() {
  PrepareOpen();
  if (lastProjectFolder.isEmpty()) lastProjectFolder = programDir_;
  const QString path = prompter_.OpenFileName(this, lastProjectFolder, kOraFilter);
  if (path.isEmpty()) return;
  // As a dropped project: unsaved work is offered a save first.
  OpenDroppedProject(path);
}

void Tmainform::ExportOpenRasterClick() {
  quenvar::TProject* p = project();
  if (!p) return;
  StopPlayback();
  const QString path = prompter_.SaveFileName(this, QString(), kOraFilter, QStringLiteral("ora"));
  if (path.isEmpty()) return;
  const auto report =
      prompter_.StartProgress(this, QStringLiteral("Exporting ") + QFileInfo(path).fileName());
  try {
    quenvar::ExportOpenRaster(*p, path.toStdString(), report->AsProgress());
  } catch (const quenvar::Cancelled&) {
    quenvar::StatusLog("Export stopped : nothing written.");
  } catch (const std::exception& e) {
    prompter_.ShowMessage(this, QString::fromStdString(e.what()));
  }
}
