#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "compose/layerstack.h"
#include "project/blendclass.h"
#include "project/projecthost.h"

namespace quenvar {

namespace {

// Nearest integer, ties to even; a coordinate beyond the 32-bit range (a
// layer dragged far away) is held at its end.
std::int32_t RoundCoordinate(float value) {
  if (std::isnan(value)) return 0;
  const double rounded = std::nearbyint(double(value));
  if (rounded <= double(INT32_MIN)) return INT32_MIN;
  if (rounded >= double(INT32_MAX)) return INT32_MAX;
  return std::int32_t(rounded);
}

std::int32_t ClampedSum(std::int32_t a, std::int32_t b) {
  const std::int64_t sum = std::int64_t(a) + std::int64_t(b);
  return std::int32_t(std::clamp<std::int64_t>(sum, INT32_MIN, INT32_MAX));
}

}  // namespace

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
    // Shares the picture's pixels: the view writes none while it plays.
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
    return TPlacement{RoundCoordinate(r.Left), RoundCoordinate(r.Top), RoundCoordinate(r.Right),
                      RoundCoordinate(r.Bottom)};
  }
  // No view: the place the view layer would get when the view is built.
  if (x2 != 0) return TPlacement{x, y, x2, y2};
  return TPlacement{x, y, ClampedSum(x, bmp.Width()), ClampedSum(y, bmp.Height())};
}

void TBlendLayer::KeepViewPlacement() {
  const TPlacement place = ViewPlacement();
  x = place.left;
  y = place.top;
  x2 = place.right;
  y2 = place.bottom;
}

}  // namespace quenvar
