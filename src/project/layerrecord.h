#pragma once
// Everything one layer holds, taken out of it and put back: what undoing an
// edit restores, and what brings a deleted layer back.
#include <cstddef>
#include <cstdint>
#include <string>

#include "compose/geometry.h"
#include "compose/surface.h"
#include "project/blendclass.h"

namespace quenvar {

class TProject;

struct TLayerRecord {
  // The layer's own fields.
  std::string name;
  std::int32_t number = 0;
  std::string filename;
  TBlendMode mode = bmNone;
  std::uint16_t opacity = 255;
  std::uint8_t my = 0, mx = 0, interlaced = 0;
  std::int32_t x = 0, y = 0, x2 = 0, y2 = 0;
  std::uint8_t px = 1, py = 1;
  std::uint16_t picWidth = 0, picHeight = 0;
  std::int32_t speed = 0, posx = 0, posy = 0;
  bool tileWrap = false;
  std::uint16_t compressionRatio = 0;
  TPictureBytes jpegImage;
  TPictureBytes sourceBytes;
  // The view layer: where it lies, how it is drawn and whether it is shown.
  bool hasView = false;
  TFloatRect location;
  std::uint32_t layerOptions = 0;
  bool cropped = false;
  std::uint32_t viewMasterAlpha = 255;
  // Pixels: the picture and the view layer's (scrolled) surface, kept only in
  // a record taken with pixels.
  bool withPixels = false;
  TBitmap32 picture;
  TBitmap32 view;
};

// Takes the layer's state; with `withPixels` also its picture and the view
// surface's pixels and drawing settings.
TLayerRecord RecordLayer(const TBlendLayer& layer, bool withPixels);
// Puts a record back into a layer: fields, mode (through the setter), view
// placement, options and master alpha, and the pixels when the record holds
// them. A view layer is created when the record had one and the layer lacks it.
void RestoreLayer(TBlendLayer& layer, const TLayerRecord& record);

// Brings a deleted layer back at `index` of the project, its view layer at the
// same place in the view's collection.
TBlendLayer& InsertLayerFromRecord(TProject& project, int index, const TLayerRecord& record);

// The memory a surface's pixels take.
std::size_t SurfaceBytes(const TBitmap32& surface);
// The memory a record holds of its own: texts and pixels. Kept file bytes
// are shared with the layer and are counted by the edit that holds them.
std::size_t RecordBytes(const TLayerRecord& record);

// True when two surfaces hold the same pixels and drawing settings.
bool SameSurface(const TBitmap32& a, const TBitmap32& b);
// True when two records describe the same layer state.
bool SameRecord(const TLayerRecord& a, const TLayerRecord& b);

}  // namespace quenvar
