#include "project/project.h"

#include <algorithm>

#include "project/blendclass.h"
#include "project/projecthost.h"

namespace quenvar {

namespace {
TProject* g_openProject = nullptr;
int g_asideDepth = 0;
}  // namespace

TProject* CurrentProject() {
  return g_openProject;
}

TProjectAside::TProjectAside() : previous_(g_openProject) {
  g_openProject = nullptr;
  ++g_asideDepth;
}

TProjectAside::~TProjectAside() {
  --g_asideDepth;
  g_openProject = previous_;
}

bool ReadingAside() {
  return g_asideDepth > 0;
}

void AdoptProject(TProject* project) {
  g_openProject = project;
}

TProject::TProject() {
  g_openProject = this;
}

TProject::~TProject() {
  // Each layer takes itself out of the list as it goes.
  while (!layers.empty()) {
    TBlendLayer* last = layers.back();
    delete last;
    if (!layers.empty() && layers.back() == last) layers.pop_back();
  }
  if (g_openProject == this) g_openProject = nullptr;
}

void TProject::SaveAs(const std::string& path, const TProgress& progress) {
  // A failed or stopped save keeps the name the project had.
  const std::string previous = fileName;
  fileName = path;
  try {
    Save(progress);
  } catch (...) {
    fileName = previous;
    throw;
  }
}

void CloseProject() {
  TProject* project = g_openProject;
  if (!project) return;
  TProjectHost& host = ProjectHost();
  host.HideLayersPanel();
  host.StopPlayback();
  host.ProcessPendingEvents();
  host.Sleep(10);
  // Rows and layers go top first; a failure ends this step and the project
  // is discarded all the same.
  try {
    while (!project->layers.empty()) {
      TBlendLayer* last = project->layers.back();
      if (host.LayerRowCount() > 0) host.DestroyLayerRow(last->number - 1);
      delete last;
    }
  } catch (...) {
  }
  delete project;
  g_openProject = nullptr;
  host.ProjectClosed();
}

}  // namespace quenvar
