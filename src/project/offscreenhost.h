#pragma once
// The view window without a window: a view at the canvas size, where the
// project's layers create their view layers. The renderer, the benchmarks
// and the fuzzer show projects through it.
#include "compose/layerstack.h"
#include "project/projecthost.h"

namespace quenvar {

class TProject;

class TOffscreenHost : public TProjectHost {
 public:
  bool ViewClientSize(int& width, int& height) override;
  TLayerCollection* ViewLayers() override { return &view.Layers(); }

  // Sizes the view to the canvas and fills it from the project.
  void BuildView(TProject& project);
  // One frame step: every view layer moves by its project layer's motion,
  // then the frame is composed.
  void StepFrame(TProject& project);

  TImgView32 view;
};

}  // namespace quenvar
