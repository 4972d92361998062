#pragma once
// A layer of tPsdImage as the document shows it. Every user of the record
// (the extractor, the import window, its preview) takes layer pictures from
// here, so that all of them agree with the document.
#include "compose/surface.h"
#include "psd/psdimage.h"

namespace quenvar {

// The layer's picture with its transparency and masks as the document shows
// them: opaque for layers without a transparency channel (whose `picture`
// may keep alpha 0), masked where masks apply. The layer's opacity, blend
// mode and visibility are not applied.
TBitmap32 PsdLayerAsShown(const PsdLayer& layer);

// Record `index` of the image as the document shows it: as above, and a
// clipped layer's alpha multiplied by its base's as-shown alpha at the same
// document pixels (PsdClipBase, ClipToBase). The base's opacity is not
// applied: it weighs the base's own colours when composing, not the shape
// that clipped layers take from it.
TBitmap32 PsdLayerAsShown(const TPsdImage& image, int index);

// A record that holds a picture layer: not a group's own record nor its
// closing marker. Only these are previewed and imported.
bool IsPsdPictureLayer(const PsdLayer& layer);

// Whether the document shows the layer: it is visible and lies in no
// hidden group. An import takes the other layers as hidden ones.
bool IsPsdLayerShown(const PsdLayer& layer);

// As above for record `index`; a clipped layer is also hidden with its
// base, as editors hide a clipped layer whose base is switched off.
bool IsPsdLayerShown(const TPsdImage& image, int index);

}  // namespace quenvar
