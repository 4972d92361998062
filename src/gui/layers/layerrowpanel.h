#pragma once
// What a layer row asks of the panel that holds it. The panel implements it,
// so a row needs nothing of the panel's own header.
class TframeLayer;

class TLayerRowPanel {
 public:
  virtual ~TLayerRowPanel() = default;
  // A row is going; the panel forgets it.
  virtual void ForgetRow(TframeLayer* row) = 0;
  // The row shown highlighted, or none.
  virtual TframeLayer* CurrentRow() const = 0;
  virtual void SetCurrentRow(TframeLayer* row) = 0;
  // `number` of the layer whose row was entered last.
  virtual void SetCurrentLayerNumber(int number) = 0;
  virtual void UpdateLayerCount() = 0;
  // Asks "Delete layer "<name>" ?" and deletes the row's layer on Yes.
  virtual void AskAndDelete(TframeLayer& row) = 0;
  // The row's layer was deleted: the row goes, the others close up.
  virtual void RemoveRow(TframeLayer* row) = 0;
  // Stacks the rows in their layers' order.
  virtual void LayoutRows() = 0;
  // Pointer y of the last title-bar movement, shared by all rows.
  virtual int& LastTitleY() = 0;
};
