#pragma once
// TframeLayer: one row of the layers panel. It shows and edits one layer:
// picture file, thumbnail, blend mode, opacity and motion (on its motion
// pad), with a context menu for the resets, duplicating and deleting, and a
// title bar that restacks the layer when dragged.
#include <QFrame>
#include <functional>

#include "compose/layerstack.h"
#include "project/layerrecord.h"
#include "project/projectedit.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QScrollBar;
class TBitmapBox;
class TImageView32;
class TLayersPanelHost;
class TLayerRowPanel;

namespace quenvar {
class T2dcontrollerLayer;
class TBlendLayer;
class TProject;
}  // namespace quenvar

class TframeLayer : public QFrame {
  Q_OBJECT
 public:
  static constexpr int kRowWidth = 352;
  static constexpr int kTitleHeight = 15;
  static constexpr int kMainHeight = 73;
  static constexpr int kRowHeight = kTitleHeight + kMainHeight;

  TframeLayer(TLayerRowPanel& panel, TLayersPanelHost& host, QWidget* parent);
  ~TframeLayer() override;

  // Shows the layer's fields and makes the motion pad.
  void InitFromLayer();
  void DrawThumbnail();
  // Highlights the row and selects its layer in the view.
  void FrameEnter();
  void FrameExit();
  void PanelMainClick();
  void bOpenClick();
  void cbBlendChange(int index);
  void sbOpacityChange(int value);
  // The context menu: "Clear Alpha" to "Delete layer".
  void ResetGraph1Click();
  void ResetPosition1Click();
  void ResetMotion1Click();
  void TileWrap1Click(bool tile);
  void Duplicatelayer1Click();
  void Deletelayer1Click();

  quenvar::TBlendLayer* layer = nullptr;  // not owned
  quenvar::T2dcontrollerLayer* pad = nullptr;
  quint16 previousModeIndex = 0;
  bool dragging = false;

  QWidget* PanelTop = nullptr;
  QLabel* LName = nullptr;
  QLabel* LPicture = nullptr;
  QWidget* PanelMain = nullptr;
  TBitmapBox* Image1 = nullptr;
  QLineEdit* eFilename = nullptr;
  QPushButton* bOpen = nullptr;
  QComboBox* cbBlend = nullptr;
  QScrollBar* sbOpacity = nullptr;
  QLabel* LOpacityValue = nullptr;
  TImageView32* img2dc = nullptr;
  QWidget* PanelExtended = nullptr;
  QMenu* popupLayer = nullptr;
  QAction* TileWrap1 = nullptr;  // checked while the layer moves tiled

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void BuildTitleBar();
  void BuildMainPanel();
  void BuildContextMenu();
  void SetColours(const QColor& title, const QColor& main, const QColor& extended);
  // The motion pad's notifications.
  void PadMoved(quenvar::TShiftState shift);
  void PadPressed();
  void PadReleased(quenvar::TMouseButton button);
  // Title-bar dragging.
  void PanelTopMouseMove(QMouseEvent* event);
  void PanelTopMouseUp();
  // The layer's place in the open project; -1 when it is gone.
  int LayerIndex() const;
  quenvar::TProject* Project() const;
  // Runs an edit of this row's layer and puts it on the undo stack.
  void Edit(quenvar::TLayerScope scope, const char* text,
            const std::function<void(quenvar::TProject&, quenvar::TBlendLayer&)>& change,
            bool mergeable = false);
  void CommitOpacity();

  TLayerRowPanel& panel_;
  TLayersPanelHost& host_;
  // State before a change made over several events (a pad drag, an opacity
  // drag, a title-bar drag).
  quenvar::TLayerRecord padStart_;
  bool padModifiedStart_ = false;
  bool padDragging_ = false;
  quenvar::TLayerRecord opacityStart_;
  bool opacityChanging_ = false;
  bool opacityModifiedStart_ = false;
  int dragStartIndex_ = -1;
  bool dragModifiedStart_ = false;
};
