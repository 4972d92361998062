#include "project/offscreenhost.h"

#include "project/framestep.h"
#include "project/project.h"
#include "project/projectview.h"

namespace quenvar {

bool TOffscreenHost::ViewClientSize(int& width, int& height) {
  width = view.ClientWidth();
  height = view.ClientHeight();
  return true;
}

void TOffscreenHost::BuildView(TProject& project) {
  view.SetClientSize(project.width, project.height);
  BuildViewFromProject(project, view);
}

void TOffscreenHost::StepFrame(TProject& project) {
  ScrollViewLayers(project, view.Layers(), nullptr);
  view.Compose();
}

}  // namespace quenvar
