#include "psd/psdshown.h"

namespace quenvar {

TBitmap32 PsdLayerAsShown(const PsdLayer& layer) {
  TBitmap32 shown;
  shown.CopyFrom(layer.picture);
  if (layer.opaque) shown.ForceOpaque(255);
  return shown;
}

bool IsPsdPictureLayer(const PsdLayer& layer) {
  return layer.kind == TPsdLayerKind::Normal;
}

bool IsPsdLayerShown(const PsdLayer& layer) {
  return layer.visible && !layer.inHiddenGroup;
}

}  // namespace quenvar
