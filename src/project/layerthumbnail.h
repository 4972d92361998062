#pragma once
// The 64 x 64 thumbnail a layer row shows of its layer's picture.
namespace quenvar {

class TBitmap32;
class TBlendLayer;

constexpr int kThumbnailSize = 64;

// White, with the whole picture squeezed into it (aspect not kept) by the
// cubic kernel. The picture keeps the draft resampler afterwards, which the
// next copy into the view layer carries along.
void DrawLayerThumbnail(TBlendLayer& layer, TBitmap32& thumbnail);

}  // namespace quenvar
