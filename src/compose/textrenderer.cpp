#include "compose/textrenderer.h"

namespace quenvar {
namespace {
TTextRenderer* installed = nullptr;
}

std::u16string PortableSymbolText(const std::string& fontName, std::u16string_view text) {
  std::u16string out(text);
  if (fontName != "Wingdings") return out;
  for (char16_t& c : out) {
    if (c == 0xA1) c = 0x25CB;  // white circle
    if (c == u'l') c = 0x25CF;  // black circle
  }
  return out;
}

TTextRenderer* TextRenderer() {
  return installed;
}
void SetTextRenderer(TTextRenderer* renderer) {
  installed = renderer;
}

}  // namespace quenvar
