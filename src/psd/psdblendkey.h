#pragma once
// PSD blend keys and the blend modes the import gives them.
#include <string>
#include <string_view>

#include "compose/blendmodes.h"

namespace quenvar {

class TBitmap32;

struct TPsdBlendKeyRow {
  const char* key;   // four characters, compared exactly
  const char* name;  // the key's name in the painting program; nothing shows it
  TBlendMode mode;
};

// The 21 rows, searched in order.
extern const TPsdBlendKeyRow kPsdBlendKeys[21];

// The mode of the first row whose key equals `key` exactly (case and
// trailing spaces count); bmNone, the plain alpha blend, when none does.
TBlendMode BlendModeFromKey(std::string_view key);
// Gives a layer surface the drawing settings of the key's mode.
void ApplyBlendKey(TBitmap32& surface, std::string_view key);

// Lower-case blend mode name for a key ("none" when no row matches).
std::string PsdBlendKeyModeName(std::string_view key);
// How the import names a key's mode: "Screen", "None".
std::string PsdBlendKeyDisplayName(std::string_view key);

}  // namespace quenvar
