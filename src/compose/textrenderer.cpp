#include "compose/textrenderer.h"

namespace quenvar {
namespace {
TTextRenderer* installed = nullptr;
}

TTextRenderer* TextRenderer() {
  return installed;
}
void SetTextRenderer(TTextRenderer* renderer) {
  installed = renderer;
}

}  // namespace quenvar
