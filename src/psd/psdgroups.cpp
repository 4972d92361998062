#include "psd/psdgroups.h"

#include <vector>

namespace quenvar {

void ResolvePsdGroups(TPsdImage& image) {
  // Walked from the top of the stack down: each open group on the stack
  // remembers whether it hides what it holds.
  std::vector<bool> hides;
  int hiding = 0;
  for (int i = int(image.layerCount) - 1; i >= 0; --i) {
    PsdLayer& layer = image.layers[std::size_t(i)];
    if (layer.kind == TPsdLayerKind::GroupClose && !hides.empty()) {
      hiding -= hides.back() ? 1 : 0;
      hides.pop_back();
    }
    layer.groupDepth = std::int32_t(hides.size());
    layer.inHiddenGroup = hiding > 0;
    if (layer.kind == TPsdLayerKind::GroupOpen) {
      const bool hide = !layer.visible || layer.inHiddenGroup;
      hides.push_back(hide);
      hiding += hide ? 1 : 0;
    }
  }
}

}  // namespace quenvar
