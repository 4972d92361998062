#pragma once
// The about box: version, notices and acknowledgements.
#include <QDialog>

class QLabel;
class QPushButton;

class TfrmAbout : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmAbout(QWidget* parent = nullptr);

  QLabel* LAbout = nullptr;
  QPushButton* bOk = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
};
