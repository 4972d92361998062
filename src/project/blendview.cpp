#include <cmath>

#include "compose/layerstack.h"
#include "project/blendclass.h"
#include "project/projecthost.h"

namespace quenvar {

void TBlendLayer::ApplyModeToViewLayer() {
  TBitmap32& surface = ALayer->Bitmap();
  surface.SetDrawMode(dmCustom);
  ApplyBlendMode(surface, mode_);
}

void TBlendLayer::WatchViewLayer(TBitmapLayer* layer) {
  ForgetViewLayer();
  ALayer = layer;
  if (!ALayer) return;
  // The collection owns the view layer and may destroy it at any time (a
  // view rebuild, the view window closing); forget it when that happens.
  viewListener_ = ALayer->AddDestroyNotify([this](TCustomLayer&) {
    ALayer = nullptr;
    viewListener_ = 0;
  });
}

void TBlendLayer::ForgetViewLayer() {
  if (ALayer && viewListener_) ALayer->RemoveDestroyNotify(viewListener_);
  ALayer = nullptr;
  viewListener_ = 0;
}

void TBlendLayer::CreateViewLayer(bool copyPicture) {
  TProjectHost& host = ProjectHost();
  TLayerCollection* collection = host.ViewLayers();
  // Without a view window there is nothing to show the layer in; the view's
  // rebuild creates the view layer when the window opens.
  if (!collection) return;
  TBitmapLayer& layer = collection->Add<TBitmapLayer>();
  WatchViewLayer(&layer);
  layer.SetCropped(false);
  host.ViewLayerCreated(layer);
  TBitmap32& surface = layer.Bitmap();
  if (copyPicture) {
    surface.Resize(bmp.Width(), bmp.Height());
    surface.CopyFrom(bmp);
    ApplyModeToViewLayer();
  }
  TFloatRect place{float(x), float(y), float(x) + float(surface.Width()),
                   float(y) + float(surface.Height())};
  if (x2 != 0) {
    place.Right = float(x2);
    place.Bottom = float(y2);
  }
  layer.SetLocation(place);
}

void TBlendLayer::RefreshViewLayer() {
  if (!ALayer) CreateViewLayer(false);
  if (!ALayer) return;
  ALayer->Bitmap().CopyFrom(bmp);
  ALayer->SetLocation(TFloatRect{float(x), float(y), float(x) + float(bmp.Width()),
                                 float(y) + float(bmp.Height())});
  ApplyModeToViewLayer();
}

TBlendLayer::TPlacement TBlendLayer::ViewPlacement() const {
  if (ALayer) {
    const TFloatRect& r = ALayer->Location();
    return TPlacement{std::int32_t(std::nearbyint(r.Left)), std::int32_t(std::nearbyint(r.Top)),
                      std::int32_t(std::nearbyint(r.Right)),
                      std::int32_t(std::nearbyint(r.Bottom))};
  }
  // No view: the place the view layer would get when the view is built.
  if (x2 != 0) return TPlacement{x, y, x2, y2};
  return TPlacement{x, y, x + bmp.Width(), y + bmp.Height()};
}

}  // namespace quenvar
