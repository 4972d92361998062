#include "core/coreinit.h"

#include "formats/formatlist.h"
#include "psd/psdgraphic.h"

namespace quenvar {

void InitCore() {
  // The registry starts with a stand-in for PSD documents; the PSD reader
  // lives in a library above the registry and takes its extensions over here.
  static bool done = false;
  if (done) return;
  done = true;
  TFileFormatList& formats = PictureFormats();
  formats.RegisterPictureFormat("psd", "Photoshop images", "", fkLayered | fkRaster, true,
                                PsdReader());
  formats.RegisterPictureFormat("pdd", "", "", fkLayered | fkRaster, true, PsdReader());
}

}  // namespace quenvar
