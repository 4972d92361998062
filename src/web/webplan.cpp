#include "web/webplan.h"

#include <cstdint>
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

// The resampler of a stretched draw, as the surface's resampler works: the
// draft one averages boxes when the picture shrinks both ways and
// interpolates otherwise.
TWebDraw::Resampler ChooseResampler(const TBitmap32& surface, const TRect& dst) {
  const std::int64_t dw = std::int64_t(dst.Right) - dst.Left;
  const std::int64_t dh = std::int64_t(dst.Bottom) - dst.Top;
  if (dw == surface.Width() && dh == surface.Height()) return TWebDraw::None;
  const std::string name = surface.ResamplerClassName();
  if (name == "TNearestResampler") return TWebDraw::Nearest;
  if (name == "TLinearResampler") return TWebDraw::Linear;
  if (name == "TDraftResampler") {
    if (dw > surface.Width() || dh > surface.Height()) return TWebDraw::Linear;
    // The player sums a box's bytes in 32 bits.
    const std::int64_t boxW = (surface.Width() + dw - 1) / dw + 1;
    const std::int64_t boxH = (surface.Height() + dh - 1) / dh + 1;
    if (boxW * boxH * 255 > std::int64_t(UINT32_MAX))
      throw Error("The web page cannot shrink a layer that far");
    return TWebDraw::Box;
  }
  throw Error("The web page cannot resample a stretched layer with " + name);
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
  // Draw as the window does: a layer's picture may have been given another
  // resampler since its view layer was made.
  for (int i = 0; i < view.Layers().Count() && i < int(project.layers.size()); ++i) {
    const TBitmapLayer* shown = project.layers[std::size_t(i)]->ALayer;
    auto* item = dynamic_cast<TBitmapLayer*>(&view.Layers()[i]);
    if (shown && item) item->Bitmap().SetResamplerClassName(shown->Bitmap().ResamplerClassName());
  }
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
    draw.resampler = ChooseResampler(surface, draw.dst);
    ChooseMotion(*project.layers[std::size_t(i)], surface.Width(), surface.Height(), draw);
    draw.picture = int(plan.pictures.size());
    plan.pictures.push_back(
        TWebPlan::TPicture{surface.Width(), surface.Height(), EncodePlainPng(surface)});
    plan.draws.push_back(draw);
  }
  return plan;
}

}  // namespace quenvar
