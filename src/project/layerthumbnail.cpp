#include "project/layerthumbnail.h"

#include "compose/surface.h"
#include "project/blendclass.h"

namespace quenvar {

void DrawLayerThumbnail(TBlendLayer& layer, TBitmap32& thumbnail) {
  thumbnail.Resize(kThumbnailSize, kThumbnailSize);
  thumbnail.FillAll(Color32(255, 255, 255, 255));
  TBitmap32& picture = layer.bmp;
  if (picture.Empty()) return;
  picture.SetResamplerClassName("TKernelResampler");  // cubic kernel by default
  picture.StretchOnto(thumbnail, TRect{0, 0, kThumbnailSize, kThumbnailSize});
  picture.SetResamplerClassName("TDraftResampler");
}

}  // namespace quenvar
