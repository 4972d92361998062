// The project loader: a whole .zyl archive (the ZIP directory, project.xml,
// every layer's picture entry), then one frame composed as playback would.
#include "compose/layerstack.h"
#include "core/coreinit.h"
#include "fuzztarget.h"
#include "host/error.h"
#include "project/framestep.h"
#include "project/project.h"
#include "project/projecthost.h"
#include "project/projectview.h"
#include "project/zylarchive.h"

namespace {

using namespace quenvar;

// The canvas is the user's own setting, not picture data: a frame is only
// composed for canvases of a size the fuzzer can afford.
constexpr std::int64_t kMaxComposedPixels = 1 << 20;

class TFuzzHost : public TProjectHost {
 public:
  bool ViewClientSize(int& width, int& height) override {
    width = view.ClientWidth();
    height = view.ClientHeight();
    return true;
  }
  TLayerCollection* ViewLayers() override { return &view.Layers(); }

  TImgView32 view;
};

void ComposeOneFrame(TProject& project, TFuzzHost& host) {
  if (project.width == 0 || project.height == 0 ||
      std::int64_t(project.width) * project.height > kMaxComposedPixels)
    return;
  host.view.SetClientSize(project.width, project.height);
  BuildViewFromProject(project, host.view);
  ScrollViewLayers(project, host.view.Layers(), nullptr);
  host.view.Compose();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool ready = (InitCore(), true);
  (void)ready;
  TFuzzHost host;
  SetProjectHost(&host);
  try {
    TZylArchive archive({data, size}, "fuzz.zyl");
    auto* project = new TProject();  // owned as the open project
    project->Load(archive);
    ComposeOneFrame(*project, host);
  } catch (const Error&) {
  }
  CloseProject();
  SetProjectHost(nullptr);
  return 0;
}
