#pragma once
// The what's-new window: the release notes from "whatsnew.txt" in the
// current directory. A double-click anywhere on it hides it.
#include <QWidget>

class QPlainTextEdit;

class TfrmWhatsNew : public QWidget {
  Q_OBJECT
 public:
  // Created shown, centred on the screen, on top of `parent`.
  explicit TfrmWhatsNew(QWidget* parent = nullptr);

  QPlainTextEdit* Memo1 = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void LoadNotes();
};
