#include "psd/psdshown.h"

#include "psd/psdclip.h"

namespace quenvar {

TBitmap32 PsdLayerAsShown(const PsdLayer& layer) {
  TBitmap32 shown;
  shown.CopyFrom(layer.picture);
  if (layer.opaque) shown.ForceOpaque(255);
  return shown;
}

TBitmap32 PsdLayerAsShown(const TPsdImage& image, int index) {
  const PsdLayer& layer = image.layers[std::size_t(index)];
  TBitmap32 shown = PsdLayerAsShown(layer);
  const int base = PsdClipBase(image, index);
  if (base < 0) return shown;
  const PsdLayer& b = image.layers[std::size_t(base)];
  ClipToBase(shown, layer.left, layer.top, PsdLayerAsShown(b), b.left, b.top);
  return shown;
}

bool IsPsdPictureLayer(const PsdLayer& layer) {
  return layer.kind == TPsdLayerKind::Normal;
}

bool IsPsdLayerShown(const PsdLayer& layer) {
  return layer.visible && !layer.inHiddenGroup;
}

bool IsPsdLayerShown(const TPsdImage& image, int index) {
  const int base = PsdClipBase(image, index);
  return IsPsdLayerShown(image.layers[std::size_t(index)]) &&
         (base < 0 || image.layers[std::size_t(base)].visible);
}

}  // namespace quenvar
