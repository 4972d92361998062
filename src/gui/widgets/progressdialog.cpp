#include "gui/widgets/progressdialog.h"

#include <QCoreApplication>

namespace {

constexpr int kSteps = 1000;

int Steps(std::int64_t done, std::int64_t total) {
  if (total <= 0) return 0;
  if (done <= 0) return 0;
  if (done >= total) return kSteps;
  return int(double(done) / double(total) * kSteps);
}

}  // namespace

QtProgressReport::QtProgressReport(QWidget* parent, const QString& label, int delayMs)
    : parent_(parent), label_(label), delayMs_(delayMs) {
  clock_.start();
}

QtProgressReport::~QtProgressReport() = default;

void QtProgressReport::Show() {
  dialog_ = std::make_unique<QProgressDialog>(label_, QStringLiteral("Cancel"), 0, kSteps,
                                              parent_.data());
  dialog_->setObjectName(QStringLiteral("ProgressDialog"));
  dialog_->setWindowTitle(QStringLiteral("Quenvar"));
  dialog_->setWindowModality(Qt::ApplicationModal);
  dialog_->setMinimumDuration(0);
  dialog_->setAutoClose(false);
  dialog_->setAutoReset(false);
  dialog_->show();
}

bool QtProgressReport::Update(std::int64_t done, std::int64_t total) {
  // Before the delay nothing is shown and no events run: the work simply
  // blocks, as short work always has.
  if (!dialog_) {
    if (clock_.elapsed() < delayMs_) return true;
    Show();
  }
  if (total <= 0) dialog_->setRange(0, 0);  // a busy bar: the whole is unknown
  dialog_->setValue(Steps(done, total));
  // The dialog is modal: only its Cancel button takes input meanwhile.
  QCoreApplication::processEvents();
  return !dialog_->wasCanceled();
}
