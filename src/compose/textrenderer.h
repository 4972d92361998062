#pragma once
// Text drawing for surfaces. The core has no fonts: the application installs
// a renderer (the Qt shell draws with QPainter over the surface's pixels).
// Without one, DrawText draws nothing and MeasureText gives 0.
#include <string>
#include <string_view>

#include "compose/color32.h"

namespace quenvar {

class TBitmap32;

// A surface's font: family name and size in points.
struct TFont32 {
  std::string Name = "Arial";
  int Size = 8;
  bool Bold = false;
  bool Italic = false;
  friend bool operator==(const TFont32&, const TFont32&) = default;
};

class TTextRenderer {
 public:
  virtual ~TTextRenderer() = default;
  // Draws `text` with its top-left at (x, y), blended in `color`. aaLevel 0
  // is plain, higher levels smoother.
  virtual void DrawText(TBitmap32& target, int x, int y, std::u16string_view text, int aaLevel,
                        TColor32 color, const TFont32& font) = 0;
  // Width in pixels of `text` in `font`.
  virtual int MeasureText(std::u16string_view text, const TFont32& font) = 0;
};

// Text for a font the platform may lack: the symbol font "Wingdings" has its
// ring (code 161) and filled disc ("l") given as the Unicode characters that
// show the same shapes in any common font; other text is returned unchanged.
std::u16string PortableSymbolText(const std::string& fontName, std::u16string_view text);

// The installed renderer or nullptr. The caller keeps ownership.
TTextRenderer* TextRenderer();
void SetTextRenderer(TTextRenderer* renderer);

}  // namespace quenvar
