#pragma once
// The blend-mode catalogue: the 34 modes, their file names, the list the user
// picks from, and the drawing settings each mode gives a layer's surface.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "compose/blendops.h"

namespace quenvar {

class TBitmap32;

enum TBlendMode : std::uint8_t {
  bmAverage = 0,
  bmMultiply,
  bmScreen,
  bmDarken,
  bmLighten,
  bmDifference,
  bmNegation,
  bmExclusion,
  bmOverlay,
  bmHardlight,
  bmDodge,
  bmBurn,
  bmReflect,
  bmShine,
  bmGlow,
  bmFreeze,
  bmHeat,
  bmStamp,
  bmOr,
  bmXor,
  bmAnd,
  bmBlurBlend,
  bmGrid2,
  bmGrid4,
  bmMultiLight,
  bmBlur,
  bmNone,
  bmColorshift,
  bmRed,
  bmGreen,
  bmBlue,
  bmHue,
  bmSaturation,
  bmLightness,
};
static_assert(sizeof(TBlendMode) == 1);
constexpr int kBlendModeCount = 34;

// The lower-case file name; "none" for a value outside 0..33.
std::string BlendModeName(TBlendMode mode);
// ASCII case folding, then an exact match against the file names. A text that
// names no mode ("alpha blend", a separator, damaged data) gives bmNone.
TBlendMode BlendModeFromName(std::string_view name);
// Upper-cases the first character when it is a..z.
std::string CapitalizeFirst(std::string_view text);

// The operation a mode draws with (dodge for values outside 0..33). bmNone has
// no operation; this returns dodge for it too, and callers test for bmNone.
TBlendOp BlendOpOfMode(TBlendMode mode);

// Sets a layer surface's drawing properties for `mode`: bmNone gives dmBlend
// with cmBlend and leaves the hook; every other value gives dmCustom and
// binds the mode's operation. Pixels and MasterAlpha are not touched.
void ApplyBlendMode(TBitmap32& surface, TBlendMode mode);

// One row of the mode list shown to the user.
struct TBlendModeListRow {
  const char* text;
  bool separator;
  TBlendMode mode;  // meaningful when not a separator
};
constexpr int kBlendModeListRows = 43;
const std::array<TBlendModeListRow, kBlendModeListRows>& BlendModeUserList();

// The row that shows `mode`: CapitalizeFirst of its name compared with the
// row texts ignoring case; -1 when none matches.
int BlendModeListRowOf(TBlendMode mode);
// The mode a row's text selects (through BlendModeFromName).
TBlendMode BlendModeOfListText(std::string_view text);
// The row a pick of `selected` ends on: a separator row steps to the row above
// it when the pick moved up from `previous`, otherwise to the row below.
int ModeListChoice(int selected, int previous);

}  // namespace quenvar
