#pragma once
// TfrmPSDImport: the PSD import window. It reads a document, previews its
// layers over the document picture with one row per layer and group, lets
// the user change what the preview shows, and imports the layers it shows
// into the open project as one undoable step.
#include <QList>
#include <QWidget>
#include <memory>

#include "gui/widgets/selectionframe.h"
#include "psd/psdimportmodel.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QSplitter;
class QStatusBar;
class QVBoxLayout;
class TImageView32;
class TPsdImportHost;
class TframePSDLayer;

namespace quenvar {
class TBitmapLayer;
class TCustomLayer;
class TPositionedLayer;
class TRubberbandLayer;
struct TPicture;
}  // namespace quenvar

class TfrmPSDImport : public QWidget {
  Q_OBJECT
 public:
  TfrmPSDImport(TPsdImportHost& host, QWidget* parent = nullptr);
  ~TfrmPSDImport() override;

  // Shows the window without blocking the others; centred on the screen
  // when it was hidden.
  void ShowImport();
  // Shows the window and reads `path` (a dropped document). Does nothing
  // while a read or an import runs.
  void ReadFile(const QString& path);
  // A read or an import is running.
  bool Busy() const { return busy_; }

  // "...", "Read PSD" and "Import Layers".
  void Button2Click();
  void bReadClick();
  void Button1Click();

  // Frames a preview layer, or ends the selection (nullptr).
  void SelectLayer(quenvar::TPositionedLayer* layer);
  quenvar::TPositionedLayer* selectedLayer() const { return selection_->selected(); }
  quenvar::TRubberbandLayer* selectionFrame() const { return selection_->frame(); }
  // Shows exactly the preview layers of the rows shown (ticked, in ticked groups).
  void ShowTickedLayers();

  const quenvar::TPsdImportModel& model() const { return model_; }
  // The rows, bottom of the document first (the list shows them the other way up).
  const QList<TframePSDLayer*>& rows() const { return rows_; }

  QWidget* Paneltop = nullptr;
  QLineEdit* efilename = nullptr;
  QPushButton* G32_Button2 = nullptr;
  QPushButton* bRead = nullptr;
  QComboBox* ComboBox1 = nullptr;
  QPushButton* G32_Button1 = nullptr;
  QWidget* PanelPSD = nullptr;
  QScrollArea* sbPreview = nullptr;
  TImageView32* img32 = nullptr;
  QSplitter* Splitter1 = nullptr;
  QWidget* PanelC = nullptr;
  QLabel* LTotal = nullptr;
  QScrollArea* sb1 = nullptr;
  QPlainTextEdit* Memo1 = nullptr;
  QStatusBar* StatusBar1 = nullptr;
  QProgressBar* pbProgress = nullptr;

 private:
  // For its lifetime: busy, the buttons that would start a read or an
  // import disabled, the progress bar shown.
  class TBusy {
   public:
    explicit TBusy(TfrmPSDImport& form);
    ~TBusy();
    TBusy(const TBusy&) = delete;
    TBusy& operator=(const TBusy&) = delete;

   private:
    TfrmPSDImport& form_;
  };

  void BuildTopBar();
  void BuildPreview();
  void BuildLayerList();
  // Read PSD's steps.
  void ClearRowsAndPreview();
  void ReadDocument(const std::string& fileName);
  void SetBasePicture(const quenvar::TPicture& picture);
  void BuildRows();
  void AddRow(quenvar::TPsdImportRow& row);
  quenvar::TBitmapLayer* AddPreviewLayer(const quenvar::TPsdImportRow& row);
  void DropUnbuiltRows();
  void ShowPreviewOf(TframePSDLayer& row);
  void FitOnScreen();
  // Import Layers' steps.
  bool EnsureProject();
  void KeepPreviewPlaces();
  void ImportShownLayers();
  // The selection frame.
  void Progress(int done, int total);

  TPsdImportHost& host_;
  quenvar::TPsdImportModel model_;
  QList<TframePSDLayer*> rows_;
  QWidget* rowPanel_ = nullptr;
  QVBoxLayout* rowLayout_ = nullptr;
  bool busy_ = false;
  std::unique_ptr<TSelectionFrame> selection_;
};
