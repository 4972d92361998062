#pragma once
// The rules of editing a project's layers: adding, deleting, duplicating and
// restacking them, and changing a layer's picture, mode, opacity, placement
// and motion. The layers panel, the view window and the undo commands call
// these; each keeps the view's collection in project order (the view layer
// of project layer i at index i, anything else above them), keeps every
// layer's number its 1-based place, and sets the project's modified flag when
// it changes what a save writes.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "compose/blendmodes.h"
#include "compose/geometry.h"
#include "compose/surface.h"

namespace quenvar {

class TBlendLayer;
class TProject;

// A new layer on top with an empty view layer: numbered by the layer count,
// mode none when it is the first layer and dodge otherwise.
TBlendLayer& AddLayer(TProject& project);
// A layer made from a picture someone already has (a PSD layer, say).
struct TNewLayer {
  std::string name;
  std::string filename;
  TBitmap32 picture;
  TBlendMode mode = bmNone;
  std::uint16_t opacity = 255;
  TFloatRect place;  // where the view draws it; stretched when not the picture's size
};
// Told after each layer of a batch is added.
using TLayerProgress = std::function<void(int done, int total)>;
// Adds the layers on top in the order given, each with its view layer; the
// view draws each at its place rounded to whole pixels, as after a save and
// an open, and a layer that lands at the bottom covers the canvas. When one
// cannot be made, the ones added go again and the error propagates.
std::vector<TBlendLayer*> AddLayers(TProject& project, std::vector<TNewLayer> layers,
                                    const TLayerProgress& progress = {});
// Removes the layer at `index`: its view layer goes, the layer goes, the
// layers above move down a number.
void DeleteLayer(TProject& project, int index);
// A copy of the layer at `index` on top: every field, the picture, the kept
// bytes, and the view layer as it is now (scrolled pixels, drawing settings,
// place).
TBlendLayer& DuplicateLayer(TProject& project, int index);
// Moves the layer at `from` to `to` in the project and in the view, so the
// frame step, the rows and the saved order follow what is drawn.
void MoveLayer(TProject& project, int from, int to);

// The layer's place in the project, or -1.
int IndexOfLayer(const TProject& project, const TBlendLayer* layer);
// Puts every view layer back at its layer's index, the selection frame and
// other items above them, and makes every number its place.
void KeepViewOrder(TProject& project);

// Draws the layer's view surface fully opaque at full strength; the picture,
// the opacity and so what is saved stay as they are.
void ClearLayerAlpha(TBlendLayer& layer);
// Back to the top-left corner, keeping the size the layer is drawn at.
void ResetLayerPosition(TProject& project, TBlendLayer& layer);
// No motion.
void ResetLayerMotion(TProject& project, TBlendLayer& layer);
// The motion pad's speeds: motion, direction flags, and the pad flags set.
void SetLayerMotion(TProject& project, TBlendLayer& layer, std::int32_t speedX,
                    std::int32_t speedY);
// Tiled motion on or off. The view surface keeps what it shows; its next
// step moves it the new way.
void SetLayerTileWrap(TProject& project, TBlendLayer& layer, bool tile);
// Opacity and the view surface's master alpha, 0 included.
void SetLayerOpacity(TProject& project, TBlendLayer& layer, std::uint16_t opacity);
void SetLayerMode(TProject& project, TBlendLayer& layer, TBlendMode mode);
// Loads a picture file into the layer (renaming it), draws it at the
// picture's size where the layer's top-left corner is, and stops its motion.
// A file that cannot be read or decoded changes nothing: the error
// propagates.
void OpenLayerPicture(TProject& project, TBlendLayer& layer, const std::string& path);
// Stops the motion without a new picture (the picture dialog cancelled).
void StopLayerMotion(TProject& project, TBlendLayer& layer);
// Moves the view layer by whole pixels.
void MoveLayerBy(TProject& project, TBlendLayer& layer, int dx, int dy);
// After the view layer was dragged or resized: x, y, x2 and y2 follow its
// place, so a view rebuild and a save draw it where and as large as it is.
void CommitLayerPlacement(TProject& project, TBlendLayer& layer);

}  // namespace quenvar
