#pragma once
// TframePSDLayer: one row of the PSD import window. It shows one layer record
// of the document read (a picture layer or a group) and changes how the
// preview shows it: visibility, opacity and blend mode. What it changes is
// kept in the window's import model, which the import takes.
#include <QFrame>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QSlider;

namespace quenvar {
class TBitmapLayer;
struct TPsdImportRow;
}  // namespace quenvar

class TframePSDLayer : public QFrame {
  Q_OBJECT
 public:
  static constexpr int kRowWidth = 299;
  static constexpr int kRowHeight = 39;

  explicit TframePSDLayer(QWidget* parent = nullptr);
  ~TframePSDLayer() override;

  // Fills the controls from the row's record; `preview` is its preview layer
  // (none for a group).
  void ShowRecord(quenvar::TPsdImportRow& row, quenvar::TBitmapLayer* preview);
  void DrawThumbnail();

  // Handlers.
  void gb1Change(int value);
  void isVisibleClick();
  void Panel1Click();
  void Panel1Enter();
  void Panel1Exit();
  void cbBlendChange(int index);

  // The record's index in the document.
  quint16 layerIndex = 0;
  quenvar::TBitmapLayer* previewLayer = nullptr;  // owned by the preview
  // The list index chosen last in cbBlend.
  quint16 previousModeIndex = 0;
  quenvar::TPsdImportRow* row = nullptr;  // owned by the window's model
  // Told when the box changes, so the window can show or hide every preview
  // layer the row's group holds.
  std::function<void()> onVisibilityChanged;

  QWidget* Panel1 = nullptr;
  QCheckBox* isVisible = nullptr;
  QLabel* img = nullptr;
  QLabel* layername = nullptr;
  QSlider* gb1 = nullptr;
  QLabel* LOpacity = nullptr;
  QComboBox* cbBlend = nullptr;
  QLabel* LEmpty = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void FocusChanged(QWidget* old, QWidget* now);
};
