#include "project/projectedit.h"

#include <optional>

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

std::size_t BufferBytes(const TPictureBytes& bytes) {
  return bytes ? bytes->capacity() : 0;
}

// A record's kept file bytes that `other` does not hold as well.
std::size_t KeptBytesNotIn(const TLayerRecord& record, const TLayerRecord* other) {
  auto held = [other](const TPictureBytes& bytes) {
    return other && bytes && (bytes == other->jpegImage || bytes == other->sourceBytes);
  };
  std::size_t total = 0;
  if (!held(record.sourceBytes)) total += BufferBytes(record.sourceBytes);
  if (record.jpegImage != record.sourceBytes && !held(record.jpegImage))
    total += BufferBytes(record.jpegImage);
  return total;
}

// A record that brings a whole layer back holds its kept bytes alone once
// the layer is gone.
std::size_t WholeRecordBytes(const TLayerRecord& record) {
  return RecordBytes(record) + KeptBytesNotIn(record, nullptr);
}

// Both states of one layer: the buffers they share stay with the layer.
std::size_t StatePairBytes(const TLayerRecord& before, const TLayerRecord& after) {
  return RecordBytes(before) + RecordBytes(after) + KeptBytesNotIn(before, &after) +
         KeptBytesNotIn(after, &before);
}

// Trades pixels without copying them; the live surface keeps its owner's
// change notification and raises it.
void SwapSurface(TBitmap32& live, TBitmap32& held) {
  TBitmap32 other(std::move(held));
  held = std::move(live);
  live = std::move(other);
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

  std::size_t Bytes() const override { return sizeof(*this) + StatePairBytes(before_, after_); }

 protected:
  void UndoChange(TProject& project) override { RestoreLayer(LayerAt(project, index_), before_); }
  void RedoChange(TProject& project) override { RestoreLayer(LayerAt(project, index_), after_); }

 private:
  int index_;
  TLayerRecord before_;
  TLayerRecord after_;
};

// One layer's state before and after a change of its pixels. The edit holds
// the surfaces the layer does not show now (the old ones while done, the new
// ones while undone) and trades them with the layer's.
class TLayerPixelsEdit : public TProjectEdit {
 public:
  TLayerPixelsEdit(std::string text, bool modifiedBefore, int index, TLayerRecord before,
                   TLayerRecord after, std::optional<TBitmap32> picture,
                   std::optional<TBitmap32> view)
      : TProjectEdit(std::move(text), modifiedBefore),
        index_(index),
        before_(std::move(before)),
        after_(std::move(after)),
        picture_(std::move(picture)),
        view_(std::move(view)) {}

  std::size_t Bytes() const override {
    return sizeof(*this) + StatePairBytes(before_, after_) +
           (picture_ ? SurfaceBytes(*picture_) : 0) + (view_ ? SurfaceBytes(*view_) : 0);
  }

 protected:
  void UndoChange(TProject& project) override { Show(LayerAt(project, index_), before_); }
  void RedoChange(TProject& project) override { Show(LayerAt(project, index_), after_); }

 private:
  void Show(TBlendLayer& layer, const TLayerRecord& state) {
    if (state.hasView && !layer.ALayer) layer.CreateViewLayer(false);
    if (picture_) SwapSurface(layer.bmp, *picture_);
    if (view_ && layer.ALayer) SwapSurface(layer.ALayer->Bitmap(), *view_);
    // The record's settings win over those the surfaces carried along.
    RestoreLayer(layer, state);
  }

  int index_;
  TLayerRecord before_;
  TLayerRecord after_;
  std::optional<TBitmap32> picture_;
  std::optional<TBitmap32> view_;
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

  std::size_t Bytes() const override {
    return sizeof(*this) + before_.name.capacity() + after_.name.capacity();
  }

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

  std::size_t Bytes() const override { return sizeof(*this) + WholeRecordBytes(layer_); }

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

  std::size_t Bytes() const override {
    std::size_t total = sizeof(*this);
    for (const TLayerRecord& layer : layers_) total += WholeRecordBytes(layer);
    return total;
  }

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

  std::size_t Bytes() const override { return sizeof(*this) + WholeRecordBytes(layer_); }

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

  std::size_t Bytes() const override { return sizeof(*this); }

 protected:
  void UndoChange(TProject& project) override { MoveLayer(project, to_, from_); }
  void RedoChange(TProject& project) override { MoveLayer(project, from_, to_); }

 private:
  int from_;
  int to_;
};

}  // namespace

namespace {

// The edit for a change of the layer at `index`: `before` holds its fields,
// `picture` and `view` its surfaces as they were, when the change may have
// altered them.
TProjectEditPtr MakeLayerEdit(TProject& project, int index, TLayerRecord before,
                              std::optional<TBitmap32> picture, std::optional<TBitmap32> view,
                              std::string text, bool modifiedBefore) {
  TBlendLayer& layer = LayerAt(project, index);
  TLayerRecord after = RecordLayer(layer, false);
  // Keep only the old surfaces the change replaced or altered.
  if (picture && SameSurface(*picture, layer.bmp)) picture.reset();
  if (view && (!layer.ALayer || SameSurface(*view, layer.ALayer->Bitmap()))) view.reset();
  if (!picture && !view)
    return std::make_unique<TLayerStateEdit>(std::move(text), modifiedBefore, index,
                                             std::move(before), std::move(after));
  return std::make_unique<TLayerPixelsEdit>(std::move(text), modifiedBefore, index,
                                            std::move(before), std::move(after), std::move(picture),
                                            std::move(view));
}

}  // namespace

TProjectEditPtr EditLayer(TProject& project, int index, TLayerScope scope, std::string text,
                          const std::function<void(TBlendLayer&)>& change) {
  const bool modifiedBefore = project.modified;
  TBlendLayer& layer = LayerAt(project, index);
  TLayerRecord before = RecordLayer(layer, false);
  // Only the surfaces the scope may change are copied.
  std::optional<TBitmap32> picture, view;
  if (scope == TLayerScope::WithPixels) picture = layer.bmp;
  if (scope != TLayerScope::Fields && layer.ALayer) view = layer.ALayer->Bitmap();
  change(layer);
  return MakeLayerEdit(project, index, std::move(before), std::move(picture), std::move(view),
                       std::move(text), modifiedBefore);
}

TProjectEditPtr LayerChanged(TProject& project, int index, TLayerRecord before, std::string text,
                             bool modifiedBefore) {
  std::optional<TBitmap32> picture, view;
  if (before.withPixels) {
    picture = std::move(before.picture);
    if (before.hasView) view = std::move(before.view);
    before.withPixels = false;
    before.picture = TBitmap32();
    before.view = TBitmap32();
  }
  return MakeLayerEdit(project, index, std::move(before), std::move(picture), std::move(view),
                       std::move(text), modifiedBefore);
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
