#pragma once
// The player's script, shaders and style, embedded from the files beside
// this one when the program is built (see src/CMakeLists.txt).
namespace quenvar::web {

extern const char kPlayerScript[];    // player.js
extern const char kPngScript[];       // pngdecode.js
extern const char kPageStyle[];       // page.css
extern const char kQuadVertex[];      // quad.vert
extern const char kCanvasFragment[];  // canvas.frag
extern const char kLayerFragment[];   // layer.frag
extern const char kShowFragment[];    // show.frag

}  // namespace quenvar::web
