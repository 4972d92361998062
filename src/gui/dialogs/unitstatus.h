#pragma once
// The "status" tool window: the program's running log.
#include <QWidget>

class QPlainTextEdit;

class TfrmStatus : public QWidget {
  Q_OBJECT
 public:
  // Places itself near the bottom-left corner of `mainWindow` and shows.
  explicit TfrmStatus(QWidget* mainWindow);

  // Appends a line and scrolls to it.
  void AppendLine(const QString& line);
  // The PSD import's variant: also lets pending events run.
  void AppendPsdLine(const QString& line);

  QPlainTextEdit* mStatus = nullptr;
};
