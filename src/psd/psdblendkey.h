#pragma once
// PSD blend keys and the blend modes the import gives them.
#include <string>
#include <string_view>

namespace quenvar {

struct TPsdBlendKeyRow {
  const char* key;   // four characters, compared exactly
  const char* name;  // the key's name in the painting program
  const char* mode;  // lower-case name of the blend mode it maps to
};

// The 21 rows, searched in order.
extern const TPsdBlendKeyRow kPsdBlendKeys[21];

// Lower-case blend mode name for a key; "none" (the plain alpha blend) when
// no row matches.
std::string PsdBlendKeyModeName(std::string_view key);

}  // namespace quenvar
