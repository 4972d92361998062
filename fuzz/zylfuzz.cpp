// The project loader: a whole .zyl archive (the ZIP directory, project.xml,
// every layer's picture entry), then one frame composed as playback would.
#include "core/coreinit.h"
#include "fuzztarget.h"
#include "host/error.h"
#include "project/offscreenhost.h"
#include "project/project.h"
#include "project/zylarchive.h"

namespace {

using namespace quenvar;

// The canvas is the user's own setting, not picture data: a frame is only
// composed for canvases of a size the fuzzer can afford.
constexpr std::int64_t kMaxComposedPixels = 1 << 20;

void ComposeOneFrame(TProject& project, TOffscreenHost& host) {
  if (project.width == 0 || project.height == 0 ||
      std::int64_t(project.width) * project.height > kMaxComposedPixels)
    return;
  host.BuildView(project);
  host.StepFrame(project);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool ready = (InitCore(), true);
  (void)ready;
  TOffscreenHost host;
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
