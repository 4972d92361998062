#include "project/firstframe.h"

#include "compose/layerstack.h"
#include "project/blendclass.h"
#include "project/framestep.h"
#include "project/project.h"

namespace quenvar {

namespace {

// The view layer BuildViewFromProject would make, without linking it to the
// project layer (which keeps its own view layer in the window).
void AddViewLayer(TImgView32& view, const TBlendLayer& layer, bool bottom) {
  TBitmapLayer& item = view.Layers().Add<TBitmapLayer>();
  item.SetCropped(false);
  TBitmap32& surface = item.Bitmap();
  surface.Resize(layer.bmp.Width(), layer.bmp.Height());
  surface.CopyFrom(layer.bmp);
  surface.SetDrawMode(dmCustom);
  ApplyBlendMode(surface, layer.Mode());
  if (bottom) surface.ForceOpaque(255);
  surface.SetMasterAlpha(layer.opacity);
  const TBlendLayer::TPlacement place = layer.ViewPlacement();
  item.SetLocation(
      TFloatRect{float(place.left), float(place.top), float(place.right), float(place.bottom)});
}

}  // namespace

void BuildFrameView(const TProject& project, TImgView32& view) {
  view.SetClientSize(project.width, project.height);
  view.Scale = 1;
  TBitmap32& canvas = view.Bitmap();
  canvas.Resize(project.width, project.height);
  canvas.FillAll(Color32(255, 255, 255, 255));
  canvas.SetDrawMode(dmOpaque);
  for (std::size_t i = 0; i < project.layers.size(); ++i)
    AddViewLayer(view, *project.layers[i], i == 0);
}

TBitmap32 ComposeFirstFrame(const TProject& project) {
  if (project.width == 0 || project.height == 0) return TBitmap32();
  TImgView32 view;
  BuildFrameView(project, view);
  ScrollViewLayers(project, view.Layers(), nullptr);
  view.Compose();
  TBitmap32 frame(view.Buffer());
  frame.ForceOpaque(255);
  return frame;
}

}  // namespace quenvar
