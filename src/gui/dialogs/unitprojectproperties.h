#pragma once
// The project properties dialog: name, canvas size and comment of a project.
// It only collects text; New and Canvas Size read the boxes after OK.
#include <QDialog>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class TfrmProjectProperties : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmProjectProperties(QWidget* parent = nullptr);

  // Canvas Size fills the size and name boxes from the open project.
  void FillFromProject(int width, int height, const QString& name);

  QLineEdit* eName = nullptr;
  QLineEdit* eX = nullptr;
  QLineEdit* eY = nullptr;
  QComboBox* cbRes = nullptr;
  QPlainTextEdit* mComment = nullptr;
  QPushButton* btnOk = nullptr;
  QPushButton* btnCancel = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void cbResChange();
};
