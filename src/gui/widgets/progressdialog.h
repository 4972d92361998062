#pragma once
// The progress dialog of long work (open, save, OpenRaster export). Short
// work shows nothing: the dialog appears only once the work has run for the
// delay, and from then on it is application-modal, so nothing else can be
// started while the work goes on.
#include <QElapsedTimer>
#include <QPointer>
#include <QProgressDialog>
#include <memory>

#include "gui/widgets/progressreport.h"

class QtProgressReport : public ProgressReport {
 public:
  static constexpr int kDelayMs = 500;

  QtProgressReport(QWidget* parent, const QString& label, int delayMs = kDelayMs);
  ~QtProgressReport() override;

  bool Update(std::int64_t done, std::int64_t total) override;
  // The dialog once shown; null before.
  QProgressDialog* Dialog() const { return dialog_.get(); }

 private:
  void Show();

  QPointer<QWidget> parent_;
  QString label_;
  int delayMs_;
  QElapsedTimer clock_;
  std::unique_ptr<QProgressDialog> dialog_;
};
