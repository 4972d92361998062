#pragma once
// TfrmLayers: the layers panel, a tool window that lists the open project's
// layers as rows, adds new layers and deletes the current one.
#include <QList>
#include <QWidget>

#include "gui/layers/layerrowpanel.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QScrollArea;
class QTimer;
class TLayersPanelHost;
class TframeLayer;

namespace quenvar {
class TBlendLayer;
}

class TfrmLayers : public QWidget, public TLayerRowPanel {
  Q_OBJECT
 public:
  TfrmLayers(TLayersPanelHost& host, QWidget* parent = nullptr);
  ~TfrmLayers() override;

  // The new-layer command ("+  NEW", New and Insert Layer).
  void bNewClick();
  // Asks, then deletes the current layer ("- DELETE" and the Delete key).
  void bDeleteClick();
  // Asks "Delete layer "<name>" ?" and deletes the row's layer on Yes.
  void AskAndDelete(TframeLayer& row) override;
  void UpdateLayerCount() override;
  void cbAutoUpdateClick();
  void TimerUpdateTimer();

  // The rows anew from the project's layers, in project order.
  void RebuildRows();
  // Stacks the rows from the top in their layers' order; a row being dragged
  // stays where the pointer holds it.
  void LayoutRows() override;
  // Hides and destroys the row at `index` of the list of rows.
  void DestroyRow(int index);
  // The row list forgets a row (it is being destroyed).
  void ForgetRow(TframeLayer* row) override;
  // The row side of the panel.
  TframeLayer* CurrentRow() const override { return currentRow; }
  void SetCurrentRow(TframeLayer* row) override { currentRow = row; }
  void SetCurrentLayerNumber(int number) override { currentLayerNumber = quint16(number); }
  void RemoveRow(TframeLayer* row) override;
  int& LastTitleY() override { return lastTitleY; }
  // The rows are hidden while a project loads its layers.
  void HideContents();
  void ShowContents(int currentLayerNumber);

  // Widgets.
  QScrollArea* scroll = nullptr;
  QWidget* mainpanel = nullptr;
  QPushButton* bNew = nullptr;
  QPushButton* bDelete = nullptr;
  QLabel* LCount = nullptr;
  QCheckBox* cbAutoUpdate = nullptr;
  QTimer* TimerUpdate = nullptr;

  // Number of the layer whose row was entered last; 0 means none.
  quint16 currentLayerNumber = 0;
  // Set by Insert Layer: the new-layer command lets pending events run after.
  bool processAfterAdd = false;
  // The rows in creation order.
  QList<TframeLayer*> rows;
  TframeLayer* currentRow = nullptr;
  // Pointer y (on the screen) of the last title-bar movement, shared by all rows.
  int lastTitleY = 0;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  TLayersPanelHost& host_;
};
