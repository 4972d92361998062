#pragma once
// TfrmCapture: the "Render to disk" dialog. START switches recording on with
// the folder of the chosen output file; the other choices are shown but have
// no effect, since frames are always written as bitmap files.
#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class Prompter;

class TfrmCapture : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmCapture(Prompter& prompter, QWidget* parent = nullptr);

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

  Prompter& prompter_;
};
