#include "gui/main/startup.h"

#include <QFile>

#include "gui/layers/unitlayers.h"
#include "gui/main/mainform.h"

void CreateProgramWindows(Tmainform& mainform, const QStringList& args) {
  mainform.frmLayers = new TfrmLayers(mainform.layersPanelHost(), &mainform);
  // A player start leaves the dialogs until a command needs them.
  if (args.isEmpty()) {
    mainform.ProjectPropertiesDialog();
    mainform.AboutBox();
    mainform.CaptureDialog();
    mainform.PSDImportWindow();
  }
  if (QFile::exists(QStringLiteral("whatsnew.txt"))) mainform.ShowWhatsNewWindow();
}
