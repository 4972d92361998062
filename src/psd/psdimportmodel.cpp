#include "psd/psdimportmodel.h"

#include "psd/psdblendkey.h"
#include "psd/psdclip.h"
#include "psd/psdshown.h"

namespace quenvar {

namespace {

TPsdImportRow RowOf(const TPsdImage& image, int index, int parent) {
  const PsdLayer& layer = image.layers[std::size_t(index)];
  TPsdImportRow row;
  row.index = index;
  row.group = layer.kind == TPsdLayerKind::GroupOpen;
  row.parent = parent;
  row.groupDepth = layer.groupDepth;
  row.name = layer.name;
  row.blendKey = layer.blendKey;
  row.left = layer.left;
  row.top = layer.top;
  row.width = layer.width;
  row.height = layer.height;
  row.empty = layer.empty;
  if (!row.group) row.picture = PsdLayerAsShown(image, index);
  // A clipped layer starts hidden with its base; ticked, it keeps its
  // clipped shape.
  const int base = PsdClipBase(image, index);
  row.ticked = layer.visible && (base < 0 || image.layers[std::size_t(base)].visible);
  row.opacity = layer.opacity;
  row.mode = BlendModeFromKey(layer.blendKey);
  row.place =
      TFloatRect{float(layer.left), float(layer.top), float(layer.left) + float(layer.width),
                 float(layer.top) + float(layer.height)};
  return row;
}

}  // namespace

int TPsdImportModel::PictureLayerCount() const {
  int n = 0;
  for (const TPsdImportRow& row : rows) n += row.group ? 0 : 1;
  return n;
}

TPsdImportModel PsdImportModelOf(const TPsdImage& image) {
  TPsdImportModel model;
  model.colorMode = image.colorMode;
  model.resourceLength = image.resourceLength;
  model.layerCount = image.layerCount;
  model.layerMaskLength = image.layerMaskLength;
  model.layerMaskValue = image.layerMaskValue;
  model.layerInfoValue = image.layerInfoValue;

  // Walked from the top down, as the groups nest: the stack holds the
  // records of the open groups (a marker with no group above closes none).
  std::vector<int> open;
  std::vector<std::pair<int, int>> found;  // record, enclosing group record
  for (int i = int(image.layerCount) - 1; i >= 0; --i) {
    const PsdLayer& layer = image.layers[std::size_t(i)];
    if (layer.kind == TPsdLayerKind::GroupClose) {
      if (!open.empty()) open.pop_back();
      continue;
    }
    found.emplace_back(i, open.empty() ? -1 : open.back());
    if (layer.kind == TPsdLayerKind::GroupOpen) open.push_back(i);
  }
  // Rows go bottom first; a group's row index is known once all are placed.
  std::vector<int> rowOfRecord(image.layerCount, -1);
  for (auto it = found.rbegin(); it != found.rend(); ++it) {
    rowOfRecord[std::size_t(it->first)] = int(model.rows.size());
    model.rows.push_back(RowOf(image, it->first, it->second));
  }
  for (TPsdImportRow& row : model.rows)
    if (row.parent >= 0) row.parent = rowOfRecord[std::size_t(row.parent)];
  return model;
}

bool PsdRowShown(const TPsdImportModel& model, int row) {
  // Parents lie above their rows, so the walk ends.
  for (int r = row; r >= 0; r = model.rows[std::size_t(r)].parent)
    if (!model.rows[std::size_t(r)].ticked) return false;
  return true;
}

void PreparePsdPreviewSurface(TBitmap32& surface, const TPsdImportRow& row) {
  surface.CopyFrom(row.picture);
  surface.SetDrawMode(dmCustom);
  surface.SetCombineMode(cmBlend);
  surface.SetMasterAlpha(row.opacity);
  ApplyBlendKey(surface, row.blendKey);
}

void DrawPsdThumbnail(const TBitmap32& picture, TBitmap32& thumbnail) {
  thumbnail.Resize(kPsdThumbnailSize, kPsdThumbnailSize);
  thumbnail.FillAll(0);
  const TRect box{1, 1, kPsdThumbnailSize, kPsdThumbnailSize};
  if (picture.DrawMode() == dmOpaque && picture.ResamplerClassName() == "TNearestResampler") {
    picture.StretchOnto(thumbnail, box);
    return;
  }
  TBitmap32 source;
  source.CopyFrom(picture);
  source.SetDrawMode(dmOpaque);
  source.SetResamplerClassName("TNearestResampler");
  source.StretchOnto(thumbnail, box);
}

}  // namespace quenvar
