// The dialogs, made when first asked for: a player start skips them.
#include "gui/dialogs/unitabout.h"
#include "gui/dialogs/unitcapture.h"
#include "gui/dialogs/unitprojectproperties.h"
#include "gui/main/mainform.h"
#include "gui/psdimport/unitimportpsd.h"

TfrmProjectProperties& Tmainform::ProjectPropertiesDialog() {
  if (!frmProjectProperties) frmProjectProperties = new TfrmProjectProperties(this);
  return *frmProjectProperties;
}

TfrmAbout& Tmainform::AboutBox() {
  if (!frmAbout) frmAbout = new TfrmAbout(this);
  return *frmAbout;
}

TfrmCapture& Tmainform::CaptureDialog() {
  if (!frmCapture) frmCapture = new TfrmCapture(prompter_, this);
  return *frmCapture;
}

TfrmPSDImport& Tmainform::PSDImportWindow() {
  if (!frmPSDImport) frmPSDImport = new TfrmPSDImport(psdImportHost(), this);
  return *frmPSDImport;
}
