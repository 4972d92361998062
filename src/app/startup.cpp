#include "app/startup.h"

#include <QFile>

#include "app/mainform.h"
#include "app/unitabout.h"
#include "app/unitcapture.h"
#include "app/unitprojectproperties.h"
#include "psd/gui/unitimportpsd.h"
#include "ui/unitlayers.h"

void CreateProgramWindows(Tmainform& mainform, const QStringList& args) {
  mainform.frmLayers = new TfrmLayers(mainform.layersPanelHost(), &mainform);
  if (args.isEmpty()) {
    mainform.frmProjectProperties = new TfrmProjectProperties(&mainform);
    mainform.frmAbout = new TfrmAbout(&mainform);
    mainform.frmCapture = new TfrmCapture(mainform.prompter(), &mainform);
    mainform.frmPSDImport = new TfrmPSDImport(mainform.psdImportHost(), &mainform);
  }
  if (QFile::exists(QStringLiteral("whatsnew.txt"))) mainform.ShowWhatsNewWindow();
}
