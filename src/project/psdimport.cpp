#include "project/psdimport.h"

namespace quenvar {

std::vector<int> PsdImportedRows(const TPsdImportModel& model) {
  std::vector<int> rows;
  for (int i = 0; i < int(model.rows.size()); ++i)
    if (!model.rows[std::size_t(i)].group && PsdRowShown(model, i)) rows.push_back(i);
  return rows;
}

std::vector<TNewLayer> PsdImportLayers(const TPsdImportModel& model) {
  std::vector<TNewLayer> layers;
  for (int i : PsdImportedRows(model)) {
    const TPsdImportRow& row = model.rows[std::size_t(i)];
    TNewLayer layer;
    layer.name = row.name;
    layer.filename = row.name + ".bmp";
    layer.picture.CopyFrom(row.picture);
    layer.mode = row.mode;
    layer.opacity = row.opacity;
    layer.place = row.place;
    layers.push_back(std::move(layer));
  }
  return layers;
}

}  // namespace quenvar
