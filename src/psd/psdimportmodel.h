#pragma once
// What the PSD import window lists and previews: one row per layer record
// that the user sees (picture layers and groups), taken from tPsdImage when
// a read ends, with the settings the user gives each row in the window. The
// window imports from here, so what it imports is what it shows, whoever
// reads a document meanwhile.
#include <cstdint>
#include <string>
#include <vector>

#include "compose/blendmodes.h"
#include "compose/geometry.h"
#include "compose/surface.h"
#include "psd/psdimage.h"

namespace quenvar {

struct TPsdImportRow {
  int index = 0;       // the record's place in the document, 0 at the bottom
  bool group = false;  // a group's own record: listed, never previewed nor imported
  int parent = -1;     // the row of the innermost enclosing group, or -1
  int groupDepth = 0;
  std::string name;
  std::string blendKey;
  std::int32_t left = 0, top = 0, width = 0, height = 0;
  bool empty = false;
  // As the document shows it, clipped to its base when it is clipped
  // (PsdLayerAsShown); empty for groups. Clipping is applied here once:
  // moving the base in the preview or the project later does not redo it.
  TBitmap32 picture;

  // The row's settings, the document's until the user changes them.
  bool ticked = false;
  std::uint8_t opacity = 255;
  TBlendMode mode = bmNone;
  TFloatRect place;  // document pixels
};

struct TPsdImportModel {
  // The record fields the account of a read shows.
  std::uint16_t colorMode = 0;
  std::uint32_t resourceLength = 0;
  std::uint16_t layerCount = 0;
  std::uint32_t layerMaskLength = 0;
  std::int32_t layerMaskValue = 0;
  std::int32_t layerInfoValue = 0;
  // Bottom of the document first; the window lists them the other way up.
  std::vector<TPsdImportRow> rows;

  int PictureLayerCount() const;
};

// The rows of records 0 to layerCount - 1 that have one: picture layers and
// the groups' own records; a group's closing marker has none.
TPsdImportModel PsdImportModelOf(const TPsdImage& image);

// Whether the window shows the row: it is ticked and so is every group
// around it.
bool PsdRowShown(const TPsdImportModel& model, int row);

// A preview layer's surface: its own copy of the picture, drawn with the
// row's opacity as master alpha and its blend key's mode.
void PreparePsdPreviewSurface(TBitmap32& surface, const TPsdImportRow& row);

// A row's 32 x 32 thumbnail: transparent, with the whole picture drawn into
// (1, 1) to (32, 32) by nearest neighbour and without blending.
constexpr int kPsdThumbnailSize = 32;
void DrawPsdThumbnail(const TBitmap32& picture, TBitmap32& thumbnail);

}  // namespace quenvar
