#include "project/layeredit.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "compose/layerstack.h"
#include "project/blendclass.h"
#include "project/project.h"

namespace quenvar {

namespace {

TBlendLayer& LayerAt(TProject& project, int index) {
  return *project.layers.at(std::size_t(index));
}

void FillNewLayer(TBlendLayer& layer, TNewLayer&& spec) {
  layer.name = std::move(spec.name);
  layer.filename = std::move(spec.filename);
  layer.bmp = std::move(spec.picture);
  layer.picWidth = std::uint16_t(layer.bmp.Width());
  layer.picHeight = std::uint16_t(layer.bmp.Height());
  layer.opacity = std::min<std::uint16_t>(spec.opacity, 255);
  TRect place{0, 0, layer.bmp.Width(), layer.bmp.Height()};
  RoundRect(spec.place, place);
  layer.x = place.Left;
  layer.y = place.Top;
  // A stretched layer keeps its size through a view rebuild and a save.
  if (place.Width() != layer.bmp.Width() || place.Height() != layer.bmp.Height()) {
    layer.x2 = place.Right;
    layer.y2 = place.Bottom;
  }
  layer.CreateViewLayer(true);
  layer.SetMode(spec.mode);
  if (!layer.ALayer) return;
  layer.ALayer->Bitmap().SetMasterAlpha(layer.opacity);
  layer.ALayer->SetLocation(
      TFloatRect{float(place.Left), float(place.Top), float(place.Right), float(place.Bottom)});
}

}  // namespace

int IndexOfLayer(const TProject& project, const TBlendLayer* layer) {
  auto it = std::find(project.layers.begin(), project.layers.end(), layer);
  return it == project.layers.end() ? -1 : int(it - project.layers.begin());
}

void KeepViewOrder(TProject& project) {
  int place = 0;
  for (std::size_t i = 0; i < project.layers.size(); ++i) {
    TBlendLayer& layer = *project.layers[i];
    layer.number = std::int32_t(i + 1);
    if (!layer.ALayer) continue;
    if (layer.ALayer->Index() != place) layer.ALayer->SetIndex(place);
    ++place;
  }
}

TBlendLayer& AddLayer(TProject& project) {
  auto* layer = new TBlendLayer();
  layer->CreateViewLayer(true);
  KeepViewOrder(project);
  layer->SetMode(layer->number == 1 ? bmNone : bmDodge);
  project.modified = true;
  return *layer;
}

std::vector<TBlendLayer*> AddLayers(TProject& project, std::vector<TNewLayer> layers,
                                    const TLayerProgress& progress) {
  const bool onEmpty = project.layers.empty();
  const bool modifiedBefore = project.modified;
  std::vector<TBlendLayer*> added;
  try {
    for (TNewLayer& spec : layers) {
      added.push_back(new TBlendLayer());
      FillNewLayer(*added.back(), std::move(spec));
      // The view pairs with the project after every layer, for whatever the
      // progress report lets run.
      KeepViewOrder(project);
      if (progress) progress(int(added.size()), int(layers.size()));
    }
  } catch (...) {
    for (auto it = added.rbegin(); it != added.rend(); ++it) {
      const int index = IndexOfLayer(project, *it);
      if (index >= 0) DeleteLayer(project, index);
    }
    project.modified = modifiedBefore;
    throw;
  }
  // What a view built from the project does with its bottom layer.
  if (onEmpty && !added.empty() && added.front()->ALayer)
    added.front()->ALayer->Bitmap().ForceOpaque(255);
  if (!added.empty()) project.modified = true;
  return added;
}

void DeleteLayer(TProject& project, int index) {
  TBlendLayer* layer = &LayerAt(project, index);
  project.layers.erase(project.layers.begin() + index);
  if (TBitmapLayer* view = layer->ALayer) view->Collection().Remove(view);
  delete layer;
  KeepViewOrder(project);
  project.modified = true;
}

TBlendLayer& DuplicateLayer(TProject& project, int index) {
  const TBlendLayer& source = LayerAt(project, index);
  auto* copy = new TBlendLayer();
  copy->name = source.name;
  copy->filename = source.filename;
  copy->bmp.CopyFrom(source.bmp);
  copy->opacity = source.opacity;
  copy->my = source.my;
  copy->mx = source.mx;
  copy->interlaced = source.interlaced;
  copy->x = source.x;
  copy->y = source.y;
  copy->x2 = source.x2;
  copy->y2 = source.y2;
  copy->px = source.px;
  copy->py = source.py;
  copy->picWidth = source.picWidth;
  copy->picHeight = source.picHeight;
  copy->speed = source.speed;
  copy->posx = source.posx;
  copy->posy = source.posy;
  copy->tileWrap = source.tileWrap;
  copy->compressionRatio = source.compressionRatio;
  copy->jpegImage = source.jpegImage;
  copy->sourceBytes = source.sourceBytes;
  copy->CreateViewLayer(true);
  if (copy->ALayer && source.ALayer) {
    TBitmap32& surface = copy->ALayer->Bitmap();
    surface.CopyFrom(source.ALayer->Bitmap());
    surface.SetOnPixelCombine(source.ALayer->Bitmap().OnPixelCombine());
    copy->ALayer->SetLocation(source.ALayer->Location());
  }
  copy->SetMode(source.Mode());
  KeepViewOrder(project);
  project.modified = true;
  return *copy;
}

void MoveLayer(TProject& project, int from, int to) {
  auto& list = project.layers;
  if (from < 0 || from >= int(list.size())) return;
  to = std::clamp(to, 0, int(list.size()) - 1);
  if (from == to) return;
  TBlendLayer* layer = list[std::size_t(from)];
  list.erase(list.begin() + from);
  list.insert(list.begin() + to, layer);
  KeepViewOrder(project);
  project.modified = true;
}

void ClearLayerAlpha(TBlendLayer& layer) {
  if (!layer.ALayer) return;
  TBitmap32& surface = layer.ALayer->Bitmap();
  surface.SetMasterAlpha(255);
  surface.ForceOpaque(255);
}

void ResetLayerPosition(TProject& project, TBlendLayer& layer) {
  const TBlendLayer::TPlacement place = layer.ViewPlacement();
  const std::int64_t width = std::int64_t(place.right) - place.left;
  const std::int64_t height = std::int64_t(place.bottom) - place.top;
  layer.x = 0;
  layer.y = 0;
  layer.x2 = std::int32_t(std::clamp<std::int64_t>(width, INT32_MIN, INT32_MAX));
  layer.y2 = std::int32_t(std::clamp<std::int64_t>(height, INT32_MIN, INT32_MAX));
  if (layer.ALayer) layer.ALayer->SetLocation(TFloatRect{0, 0, float(layer.x2), float(layer.y2)});
  project.modified = true;
}

void ResetLayerMotion(TProject& project, TBlendLayer& layer) {
  layer.posx = 0;
  layer.posy = 0;
  project.modified = true;
}

void SetLayerMotion(TProject& project, TBlendLayer& layer, std::int32_t speedX,
                    std::int32_t speedY) {
  layer.px = speedX > 0;
  layer.py = speedY > 0;
  layer.posx = speedX;
  layer.posy = speedY;
  layer.my = 1;
  layer.mx = 1;
  project.modified = true;
}

void SetLayerTileWrap(TProject& project, TBlendLayer& layer, bool tile) {
  if (layer.tileWrap == tile) return;
  layer.tileWrap = tile;
  project.modified = true;
}

void SetLayerOpacity(TProject& project, TBlendLayer& layer, std::uint16_t opacity) {
  layer.opacity = std::min<std::uint16_t>(opacity, 255);
  if (layer.ALayer) layer.ALayer->Bitmap().SetMasterAlpha(layer.opacity);
  project.modified = true;
}

void SetLayerMode(TProject& project, TBlendLayer& layer, TBlendMode mode) {
  layer.SetMode(mode);
  project.modified = true;
}

void OpenLayerPicture(TProject& project, TBlendLayer& layer, const std::string& path) {
  layer.OpenPictureFile(path);
  project.modified = true;
  StopLayerMotion(project, layer);
}

void StopLayerMotion(TProject& project, TBlendLayer& layer) {
  if (layer.posx != 0 || layer.posy != 0) project.modified = true;
  layer.posx = 0;
  layer.posy = 0;
}

void MoveLayerBy(TProject& project, TBlendLayer& layer, int dx, int dy) {
  if (!layer.ALayer || (dx == 0 && dy == 0)) return;
  TFloatRect r = layer.ALayer->Location();
  r.Left += float(dx);
  r.Right += float(dx);
  r.Top += float(dy);
  r.Bottom += float(dy);
  layer.ALayer->SetLocation(r);
  CommitLayerPlacement(project, layer);
}

void CommitLayerPlacement(TProject& project, TBlendLayer& layer) {
  layer.KeepViewPlacement();
  project.modified = true;
}

}  // namespace quenvar
