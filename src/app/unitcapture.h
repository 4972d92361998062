#pragma once
// TfrmCapture: the "Render to disk" dialog. START switches recording on:
// with "AVI Video" into one video file named by the output box (its
// extension chooses .avi, .mp4, .mkv or a loop kind), with "BMP Sequence"
// into numbered bitmap files in the output file's folder; the loop entries
// ("GIF Animation", ...) give the output name their extension. The duration, reset and settings
// controls are shown but have no effect.
#include <QDialog>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class Prompter;

class TfrmCapture : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmCapture(Prompter& prompter, QWidget* parent = nullptr);

  // A video entry is chosen ("AVI Video" or a loop kind), not "BMP Sequence":
  // the recording goes into a video file.
  bool VideoChosen() const;
  // The extension a name without a video's takes: the chosen entry's.
  std::string VideoExtension() const;

  QLineEdit* eOutput = nullptr;
  QPushButton* bBrowse = nullptr;
  QComboBox* cbFormat = nullptr;
  QComboBox* cbDuration = nullptr;
  QLineEdit* eDuration = nullptr;
  QCheckBox* cbResetX = nullptr;
  QCheckBox* cbResetY = nullptr;
  QPushButton* bSettings = nullptr;
  QPushButton* bStart = nullptr;
  QPushButton* bCancel = nullptr;

 private:
  void bBrowseClick();
  void cbFormatChange();

  Prompter& prompter_;
};
