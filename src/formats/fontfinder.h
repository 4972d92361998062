#pragma once
// Fonts for drawn text: fontconfig picks the installed face that best fits a
// family, weight and slant (the named one, or its nearest substitute), and
// FreeType opens it. Lookups are shared by all threads; an open face belongs
// to the thread that asked for it, since a FreeType face must not be used
// from two threads at once.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <string>

namespace quenvar {

struct FontRequest {
  std::string family;  // UTF-8; empty asks for the default face
  int weight = 400;    // 1 to 1000, 400 regular, 700 bold
  bool italic = false;

  bool operator<(const FontRequest& o) const {
    if (family != o.family) return family < o.family;
    if (weight != o.weight) return weight < o.weight;
    return italic < o.italic;
  }
};

// The face for a request, or null when not even a substitute can be opened.
// The face stays valid on this thread until its next call here; `opened`
// tells whether it had to be opened (the costly case).
FT_Face FindFace(const FontRequest& request, bool* opened = nullptr);

}  // namespace quenvar
