#include "web/webplan.h"

#include <cstdlib>

#include "compose/blendops.h"
#include "compose/layerstack.h"
#include "host/error.h"
#include "project/blendclass.h"
#include "project/firstframe.h"
#include "project/project.h"
#include "web/plainpng.h"

namespace quenvar {

namespace {

// How the surface combines, as drawing chooses; false when it puts nothing
// down.
bool ChooseKind(const TBitmap32& surface, TWebDraw& draw) {
  draw.master = surface.MasterAlpha();
  TDrawMode mode = surface.DrawMode();
  if (mode == dmCustom && !surface.OnPixelCombine().Assigned()) mode = dmOpaque;
  switch (mode) {
    case dmOpaque:
      draw.kind = TWebDraw::Opaque;
      return true;
    case dmBlend:
      if (draw.master == 0) return false;
      if (surface.CombineMode() != cmBlend)
        throw Error("The web page cannot show a layer drawn in merge mode");
      draw.kind = TWebDraw::Blend;
      return true;
    case dmCustom: {
      TBlendOp op;
      if (!FindBlendOp(surface.OnPixelCombine(), op))
        throw Error("The web page cannot show a layer with a pixel operation of its own");
      draw.kind = TWebDraw::Operation;
      draw.operation = int(op);
      return true;
    }
  }
  return false;
}

// The frame step's motion of a layer (ScrollWrap's and ScrollTile's rules).
void ChooseMotion(const TBlendLayer& layer, int width, int height, TWebDraw& draw) {
  if (layer.posx == 0 && layer.posy == 0) return;
  const std::int64_t dx = layer.posx, dy = layer.posy;
  if (layer.tileWrap) {
    auto back = [](std::int64_t d, std::int64_t size) {
      const std::int64_t m = ((d % size) + size) % size;
      return int((size - m) % size);
    };
    draw.motion = TWebDraw::Tile;
    draw.tileStepX = back(dx, width);
    draw.tileStepY = back(dy, height);
    return;
  }
  if (std::llabs(dx) >= width || std::llabs(dy) >= height) return;
  const std::uint64_t n = std::uint64_t(width) * std::uint64_t(height);
  const std::int64_t s = dx + dy * width;
  draw.motion = TWebDraw::Turn;
  draw.turnStep = s >= 0 ? (n - std::uint64_t(s)) % n : std::uint64_t(-s);
}

}  // namespace

TWebPlan PlanWebPage(const TProject& project, int fps) {
  if (project.width == 0 || project.height == 0)
    throw Error("The canvas is empty (" + std::to_string(project.width) + " x " +
                std::to_string(project.height) + "): nothing to export");
  TWebPlan plan;
  plan.name = project.name;
  plan.width = project.width;
  plan.height = project.height;
  plan.fps = fps;

  TImgView32 view;
  BuildFrameView(project, view);
  plan.gridCallsPerFrame = view.GridStepsPerCompose();
  const TBitmap32& buffer = view.Buffer();
  TLayerCollection& items = view.Layers();
  for (int i = 0; i < items.Count() && i < int(project.layers.size()); ++i) {
    TSurfaceDraw paint;
    if (!items[i].DescribePaint(buffer, paint))
      throw Error("The web page cannot show a layer that paints in a way of its own");
    if (!paint.surface) continue;
    TWebDraw draw;
    draw.dst = paint.dst;
    draw.area = IntersectRect(IntersectRect(paint.dst, buffer.BoundsRect()), paint.clip);
    if (draw.area.IsEmpty() || !ChooseKind(*paint.surface, draw)) continue;
    const TBitmap32& surface = *paint.surface;
    if (std::int64_t(draw.dst.Right) - draw.dst.Left != surface.Width() ||
        std::int64_t(draw.dst.Bottom) - draw.dst.Top != surface.Height()) {
      if (surface.ResamplerClassName() != "TNearestResampler")
        throw Error("The web page resamples stretched layers by the nearest pixel only");
    }
    ChooseMotion(*project.layers[std::size_t(i)], surface.Width(), surface.Height(), draw);
    draw.picture = int(plan.pictures.size());
    plan.pictures.push_back(
        TWebPlan::TPicture{surface.Width(), surface.Height(), EncodePlainPng(surface)});
    plan.draws.push_back(draw);
  }
  return plan;
}

}  // namespace quenvar
