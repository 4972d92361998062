#pragma once
// Edits that can be undone. Each is made right after the change it stands for
// has been done (by the edit functions of layeredit.h), from the state before
// and after it; Undo puts the project back exactly as it was before (layers,
// pixels, order, the modified flag) and Redo as it was after. The shell's undo
// stack holds them.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "project/layeredit.h"
#include "project/layerrecord.h"

namespace quenvar {

class TProject;

class TProjectEdit {
 public:
  explicit TProjectEdit(std::string text, bool modifiedBefore)
      : text_(std::move(text)), modifiedBefore_(modifiedBefore) {}
  virtual ~TProjectEdit() = default;
  TProjectEdit(const TProjectEdit&) = delete;
  TProjectEdit& operator=(const TProjectEdit&) = delete;

  void Undo(TProject& project);
  void Redo(TProject& project);
  // What the user did, for the Edit menu ("Undo Opacity").
  const std::string& Text() const { return text_; }
  // True when another change of the same kind on the same layer can fold into
  // this edit (the steps of one opacity drag, say).
  virtual bool MergeWith(const TProjectEdit& /*later*/) { return false; }
  // The memory the edit keeps: its records, the pixels it holds and the
  // kept file bytes only it may be left holding, each buffer once.
  virtual std::size_t Bytes() const = 0;

 protected:
  virtual void UndoChange(TProject& project) = 0;
  virtual void RedoChange(TProject& project) = 0;

 private:
  std::string text_;
  bool modifiedBefore_;
};

using TProjectEditPtr = std::unique_ptr<TProjectEdit>;

// How much of a layer an edit must bring back.
enum class TLayerScope { Fields, ViewPixels, WithPixels };

// Runs `change` on the layer at `index` and returns the edit that undoes it.
// Fields edits keep the layer's fields and view placement; ViewPixels edits
// also its view surface, WithPixels edits its picture too. A pixel edit keeps
// one copy of each surface the change altered and swaps it with the layer's
// on undo and redo; a surface the change left alone is not kept.
TProjectEditPtr EditLayer(TProject& project, int index, TLayerScope scope, std::string text,
                          const std::function<void(TBlendLayer&)>& change);
// The same, for a change already made: `before` was taken before it (with
// pixels when the change may alter them; they move into the edit).
TProjectEditPtr LayerChanged(TProject& project, int index, TLayerRecord before, std::string text,
                             bool modifiedBefore);

// The canvas size and the project's name, done at once; the caller rebuilds
// the view. Undo and redo rebuild it through the project host.
TProjectEditPtr CanvasEdit(TProject& project, std::uint16_t width, std::uint16_t height,
                           std::string name);

// Structural edits, each done at once.
TProjectEditPtr AddLayerEdit(TProject& project);
TProjectEditPtr DuplicateLayerEdit(TProject& project, int index);
TProjectEditPtr DeleteLayerEdit(TProject& project, int index);
TProjectEditPtr MoveLayerEdit(TProject& project, int from, int to);
// New layers on top, all in one edit; null when `layers` is empty. Errors
// propagate with the project as it was.
TProjectEditPtr AddLayersEdit(TProject& project, std::vector<TNewLayer> layers, std::string text,
                              const TLayerProgress& progress = {});
// A new layer on top holding a picture file; when the picture cannot be read
// the layer goes again, the project is as it was and the error propagates.
TProjectEditPtr AddPictureLayerEdit(TProject& project, const std::string& path);

}  // namespace quenvar
