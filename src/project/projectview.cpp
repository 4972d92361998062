#include "project/projectview.h"

#include <algorithm>
#include <vector>

#include "compose/layerstack.h"
#include "project/blendclass.h"
#include "project/project.h"

namespace quenvar {

namespace {

void FillCheckerRow(std::vector<TColor32>& row, TColor32 first, TColor32 second) {
  for (std::size_t x = 0; x < row.size(); ++x)
    row[x] = (x / kCheckerSize) % 2 == 0 ? first : second;
}

}  // namespace

void PaintCheckerboard(TBitmap32& buffer) {
  const int width = buffer.Width();
  if (buffer.Empty()) return;
  std::vector<TColor32> greyFirst(static_cast<std::size_t>(width));
  std::vector<TColor32> whiteFirst(static_cast<std::size_t>(width));
  FillCheckerRow(greyFirst, kCheckerGrey, kCheckerWhite);
  FillCheckerRow(whiteFirst, kCheckerWhite, kCheckerGrey);
  for (int y = 0; y < buffer.Height(); ++y) {
    const auto& row = (y / kCheckerSize) % 2 == 0 ? greyFirst : whiteFirst;
    std::copy(row.begin(), row.end(), buffer.Bits() + std::size_t(y) * std::size_t(width));
  }
}

void PrepareProjectView(TImgView32& view) {
  view.Centered = false;
  view.Color = Color32(255, 255, 255, 255);
  view.Scale = 1;
  view.BitmapAlign = baTopLeft;
  TPaintStages& stages = view.PaintStages();
  if (!stages.empty()) stages[0].Stage = PST_CUSTOM;
}

void BuildViewFromProject(TProject& project, TImgView32& view) {
  view.Scale = 1;
  TBitmap32& canvas = view.Bitmap();
  canvas.Resize(project.width, project.height);
  canvas.FillAll(Color32(255, 255, 255, 255));
  canvas.SetDrawMode(dmOpaque);
  view.Layers().Clear();
  for (std::size_t i = 0; i < project.layers.size(); ++i) {
    TBlendLayer& layer = *project.layers[i];
    layer.CreateViewLayer(true);
    if (!layer.ALayer) continue;
    // The bottom layer covers the canvas fully, whatever its picture's alpha.
    if (i == 0) layer.ALayer->Bitmap().ForceOpaque(255);
    layer.ALayer->Bitmap().SetMasterAlpha(layer.opacity);
    layer.KeepViewPlacement();
  }
  view.BitmapAlign = baTopLeft;
}

std::string ViewTitle(const std::string& fileName, int clientWidth, int clientHeight) {
  return FileNamePart(fileName) + " [" + std::to_string(clientWidth) + "x" +
         std::to_string(clientHeight) + "]";
}

}  // namespace quenvar
