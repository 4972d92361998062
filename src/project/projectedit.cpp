#include "project/projectedit.h"

#include "compose/layerstack.h"
#include "project/layeredit.h"
#include "project/project.h"
#include "project/projecthost.h"

namespace quenvar {

void TProjectEdit::Undo(TProject& project) {
  UndoChange(project);
  project.modified = modifiedBefore_;
}

void TProjectEdit::Redo(TProject& project) {
  RedoChange(project);
  project.modified = true;
}

namespace {

TBlendLayer& LayerAt(TProject& project, int index) {
  return *project.layers.at(std::size_t(index));
}

// One layer's state before and after.
class TLayerStateEdit : public TProjectEdit {
 public:
  TLayerStateEdit(std::string text, bool modifiedBefore, int index, TLayerRecord before,
                  TLayerRecord after)
      : TProjectEdit(std::move(text), modifiedBefore),
        index_(index),
        before_(std::move(before)),
        after_(std::move(after)) {}

  bool MergeWith(const TProjectEdit& later) override {
    const auto* next = dynamic_cast<const TLayerStateEdit*>(&later);
    if (!next || next->index_ != index_ || next->Text() != Text() || before_.withPixels ||
        next->before_.withPixels)
      return false;
    after_ = next->after_;
    return true;
  }

 protected:
  void UndoChange(TProject& project) override { RestoreLayer(LayerAt(project, index_), before_); }
  void RedoChange(TProject& project) override { RestoreLayer(LayerAt(project, index_), after_); }

 private:
  int index_;
  TLayerRecord before_;
  TLayerRecord after_;
};

// Canvas size and name.
class TCanvasEdit : public TProjectEdit {
 public:
  struct TCanvas {
    std::uint16_t width = 0, height = 0;
    std::string name;
  };
  TCanvasEdit(bool modifiedBefore, TCanvas before, TCanvas after)
      : TProjectEdit("Canvas size", modifiedBefore),
        before_(std::move(before)),
        after_(std::move(after)) {}

 protected:
  void UndoChange(TProject& project) override { Show(project, before_); }
  void RedoChange(TProject& project) override { Show(project, after_); }

 private:
  static void Show(TProject& project, const TCanvas& canvas) {
    project.width = canvas.width;
    project.height = canvas.height;
    project.name = canvas.name;
    ProjectHost().RebuildView();
  }

  TCanvas before_;
  TCanvas after_;
};

// A layer that came into being at `index` (added or duplicated).
class TInsertEdit : public TProjectEdit {
 public:
  TInsertEdit(std::string text, bool modifiedBefore, int index, TLayerRecord layer)
      : TProjectEdit(std::move(text), modifiedBefore), index_(index), layer_(std::move(layer)) {}

 protected:
  void UndoChange(TProject& project) override { DeleteLayer(project, index_); }
  void RedoChange(TProject& project) override { InsertLayerFromRecord(project, index_, layer_); }

 private:
  int index_;
  TLayerRecord layer_;
};

// Layers that came into being on top, from `first` upwards.
class TInsertManyEdit : public TProjectEdit {
 public:
  TInsertManyEdit(std::string text, bool modifiedBefore, int first,
                  std::vector<TLayerRecord> layers)
      : TProjectEdit(std::move(text), modifiedBefore), first_(first), layers_(std::move(layers)) {}

 protected:
  void UndoChange(TProject& project) override {
    for (int i = int(layers_.size()) - 1; i >= 0; --i) DeleteLayer(project, first_ + i);
  }
  void RedoChange(TProject& project) override {
    for (std::size_t i = 0; i < layers_.size(); ++i)
      InsertLayerFromRecord(project, first_ + int(i), layers_[i]);
  }

 private:
  int first_;
  std::vector<TLayerRecord> layers_;
};

// A layer that went from `index`.
class TDeleteEdit : public TProjectEdit {
 public:
  TDeleteEdit(bool modifiedBefore, int index, TLayerRecord layer)
      : TProjectEdit("Delete layer", modifiedBefore), index_(index), layer_(std::move(layer)) {}

 protected:
  void UndoChange(TProject& project) override { InsertLayerFromRecord(project, index_, layer_); }
  void RedoChange(TProject& project) override { DeleteLayer(project, index_); }

 private:
  int index_;
  TLayerRecord layer_;
};

class TMoveEdit : public TProjectEdit {
 public:
  TMoveEdit(bool modifiedBefore, int from, int to)
      : TProjectEdit("Move layer", modifiedBefore), from_(from), to_(to) {}

 protected:
  void UndoChange(TProject& project) override { MoveLayer(project, to_, from_); }
  void RedoChange(TProject& project) override { MoveLayer(project, from_, to_); }

 private:
  int from_;
  int to_;
};

}  // namespace

TProjectEditPtr EditLayer(TProject& project, int index, TLayerScope scope, std::string text,
                          const std::function<void(TBlendLayer&)>& change) {
  const bool modifiedBefore = project.modified;
  TBlendLayer& layer = LayerAt(project, index);
  TLayerRecord before = RecordLayer(layer, scope == TLayerScope::WithPixels);
  change(layer);
  return LayerChanged(project, index, std::move(before), std::move(text), modifiedBefore);
}

TProjectEditPtr LayerChanged(TProject& project, int index, TLayerRecord before, std::string text,
                             bool modifiedBefore) {
  TLayerRecord after = RecordLayer(LayerAt(project, index), before.withPixels);
  return std::make_unique<TLayerStateEdit>(std::move(text), modifiedBefore, index,
                                           std::move(before), std::move(after));
}

TProjectEditPtr CanvasEdit(TProject& project, std::uint16_t width, std::uint16_t height,
                           std::string name) {
  const bool modifiedBefore = project.modified;
  TCanvasEdit::TCanvas before{project.width, project.height, project.name};
  project.width = width;
  project.height = height;
  project.name = name;
  project.modified = true;
  return std::make_unique<TCanvasEdit>(modifiedBefore, std::move(before),
                                       TCanvasEdit::TCanvas{width, height, std::move(name)});
}

TProjectEditPtr AddLayerEdit(TProject& project) {
  const bool modifiedBefore = project.modified;
  TBlendLayer& layer = AddLayer(project);
  const int index = IndexOfLayer(project, &layer);
  return std::make_unique<TInsertEdit>("New layer", modifiedBefore, index,
                                       RecordLayer(layer, true));
}

TProjectEditPtr DuplicateLayerEdit(TProject& project, int index) {
  const bool modifiedBefore = project.modified;
  TBlendLayer& copy = DuplicateLayer(project, index);
  return std::make_unique<TInsertEdit>("Duplicate layer", modifiedBefore,
                                       IndexOfLayer(project, &copy), RecordLayer(copy, true));
}

TProjectEditPtr DeleteLayerEdit(TProject& project, int index) {
  const bool modifiedBefore = project.modified;
  TLayerRecord record = RecordLayer(LayerAt(project, index), true);
  DeleteLayer(project, index);
  return std::make_unique<TDeleteEdit>(modifiedBefore, index, std::move(record));
}

TProjectEditPtr MoveLayerEdit(TProject& project, int from, int to) {
  const bool modifiedBefore = project.modified;
  const int last = int(project.layers.size()) - 1;
  to = to < 0 ? 0 : (to > last ? last : to);
  MoveLayer(project, from, to);
  return std::make_unique<TMoveEdit>(modifiedBefore, from, to);
}

TProjectEditPtr AddLayersEdit(TProject& project, std::vector<TNewLayer> layers, std::string text,
                              const TLayerProgress& progress) {
  if (layers.empty()) return nullptr;
  const bool modifiedBefore = project.modified;
  const int first = int(project.layers.size());
  const std::vector<TBlendLayer*> added = AddLayers(project, std::move(layers), progress);
  std::vector<TLayerRecord> records;
  records.reserve(added.size());
  for (const TBlendLayer* layer : added) records.push_back(RecordLayer(*layer, true));
  return std::make_unique<TInsertManyEdit>(std::move(text), modifiedBefore, first,
                                           std::move(records));
}

TProjectEditPtr AddPictureLayerEdit(TProject& project, const std::string& path) {
  const bool modifiedBefore = project.modified;
  TBlendLayer& layer = AddLayer(project);
  const int index = IndexOfLayer(project, &layer);
  try {
    OpenLayerPicture(project, layer, path);
  } catch (...) {
    DeleteLayer(project, index);
    project.modified = modifiedBefore;
    throw;
  }
  return std::make_unique<TInsertEdit>("Add picture", modifiedBefore, index,
                                       RecordLayer(layer, true));
}

}  // namespace quenvar
