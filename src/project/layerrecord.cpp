#include "project/layerrecord.h"

#include <algorithm>
#include <cstring>

#include "compose/layerstack.h"
#include "project/layeredit.h"
#include "project/project.h"

namespace quenvar {

TLayerRecord RecordLayer(const TBlendLayer& layer, bool withPixels) {
  TLayerRecord r;
  r.name = layer.name;
  r.number = layer.number;
  r.filename = layer.filename;
  r.mode = layer.Mode();
  r.opacity = layer.opacity;
  r.my = layer.my;
  r.mx = layer.mx;
  r.interlaced = layer.interlaced;
  r.x = layer.x;
  r.y = layer.y;
  r.x2 = layer.x2;
  r.y2 = layer.y2;
  r.px = layer.px;
  r.py = layer.py;
  r.picWidth = layer.picWidth;
  r.picHeight = layer.picHeight;
  r.speed = layer.speed;
  r.posx = layer.posx;
  r.posy = layer.posy;
  r.tileWrap = layer.tileWrap;
  r.compressionRatio = layer.compressionRatio;
  r.jpegImage = layer.jpegImage;
  r.sourceBytes = layer.sourceBytes;
  if (const TBitmapLayer* view = layer.ALayer) {
    r.hasView = true;
    r.location = view->Location();
    r.layerOptions = view->LayerOptions();
    r.cropped = view->Cropped();
    r.viewMasterAlpha = view->Bitmap().MasterAlpha();
  }
  r.withPixels = withPixels;
  if (withPixels) {
    r.picture = layer.bmp;
    if (layer.ALayer) r.view = layer.ALayer->Bitmap();
  }
  return r;
}

void RestoreLayer(TBlendLayer& layer, const TLayerRecord& r) {
  layer.name = r.name;
  layer.number = r.number;
  layer.filename = r.filename;
  layer.opacity = r.opacity;
  layer.my = r.my;
  layer.mx = r.mx;
  layer.interlaced = r.interlaced;
  layer.x = r.x;
  layer.y = r.y;
  layer.x2 = r.x2;
  layer.y2 = r.y2;
  layer.px = r.px;
  layer.py = r.py;
  layer.picWidth = r.picWidth;
  layer.picHeight = r.picHeight;
  layer.speed = r.speed;
  layer.posx = r.posx;
  layer.posy = r.posy;
  layer.tileWrap = r.tileWrap;
  layer.compressionRatio = r.compressionRatio;
  layer.jpegImage = r.jpegImage;
  layer.sourceBytes = r.sourceBytes;
  if (r.withPixels) layer.bmp = r.picture;
  if (r.hasView && !layer.ALayer) layer.CreateViewLayer(false);
  if (TBitmapLayer* view = layer.ALayer; view && r.hasView) {
    if (r.withPixels) {
      view->Bitmap().CopyFrom(r.view);
      view->Bitmap().SetOnPixelCombine(r.view.OnPixelCombine());
    }
    view->Bitmap().SetMasterAlpha(r.viewMasterAlpha);
    view->SetCropped(r.cropped);
    view->SetLayerOptions(r.layerOptions);
    view->SetLocation(r.location);
  }
  // Last, so the view surface draws with the mode's operation again.
  layer.SetMode(r.mode);
}

TBlendLayer& InsertLayerFromRecord(TProject& project, int index, const TLayerRecord& record) {
  auto* layer = new TBlendLayer();  // joins the project on top
  auto& list = project.layers;
  index = std::clamp(index, 0, int(list.size()) - 1);
  list.pop_back();
  list.insert(list.begin() + index, layer);
  RestoreLayer(*layer, record);
  KeepViewOrder(project);
  return *layer;
}

std::size_t SurfaceBytes(const TBitmap32& surface) {
  return std::size_t(surface.Width()) * std::size_t(surface.Height()) * sizeof(TColor32);
}

std::size_t RecordBytes(const TLayerRecord& record) {
  std::size_t bytes = sizeof(TLayerRecord) + record.name.capacity() + record.filename.capacity();
  if (record.withPixels) bytes += SurfaceBytes(record.picture) + SurfaceBytes(record.view);
  return bytes;
}

bool SameSurface(const TBitmap32& a, const TBitmap32& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  if (a.DrawMode() != b.DrawMode() || a.CombineMode() != b.CombineMode() ||
      a.MasterAlpha() != b.MasterAlpha() || a.OuterColor() != b.OuterColor() ||
      !(a.OnPixelCombine() == b.OnPixelCombine()) ||
      a.ResamplerClassName() != b.ResamplerClassName())
    return false;
  const std::size_t count = std::size_t(a.Width()) * std::size_t(a.Height());
  return count == 0 || std::memcmp(a.Bits(), b.Bits(), count * sizeof(TColor32)) == 0;
}

bool SameRecord(const TLayerRecord& a, const TLayerRecord& b) {
  const bool fields = a.name == b.name && a.number == b.number && a.filename == b.filename &&
                      a.mode == b.mode && a.opacity == b.opacity && a.my == b.my && a.mx == b.mx &&
                      a.interlaced == b.interlaced && a.x == b.x && a.y == b.y && a.x2 == b.x2 &&
                      a.y2 == b.y2 && a.px == b.px && a.py == b.py && a.picWidth == b.picWidth &&
                      a.picHeight == b.picHeight && a.speed == b.speed && a.posx == b.posx &&
                      a.posy == b.posy && a.tileWrap == b.tileWrap &&
                      a.compressionRatio == b.compressionRatio && a.jpegImage == b.jpegImage &&
                      a.sourceBytes == b.sourceBytes;
  const bool view = a.hasView == b.hasView && a.location == b.location &&
                    a.layerOptions == b.layerOptions && a.cropped == b.cropped &&
                    a.viewMasterAlpha == b.viewMasterAlpha;
  const bool pixels =
      a.withPixels == b.withPixels &&
      (!a.withPixels || (SameSurface(a.picture, b.picture) && SameSurface(a.view, b.view)));
  return fields && view && pixels;
}

}  // namespace quenvar
