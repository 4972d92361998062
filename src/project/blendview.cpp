#include "project/blendclass.h"

namespace quenvar {

// The view model is wired in once the layer collection exists; until then a
// layer never has a view layer, so there is nothing to apply or refresh.
void TBlendLayer::ApplyModeToViewLayer() {}
void TBlendLayer::CreateViewLayer(bool) {}
void TBlendLayer::RefreshViewLayer() {}

}  // namespace quenvar
