#include "gui/main/recoverywriter.h"

#include <unistd.h>
#include <QTimer>
#include <filesystem>
#include <system_error>

#include "host/error.h"
#include "host/statuslog.h"
#include "project/project.h"

TRecoveryWriter::TRecoveryWriter(const std::string& folder, TNeeded needed, TSnapshotSource source,
                                 QObject* parent)
    : QObject(parent), needed_(std::move(needed)), source_(std::move(source)) {
  try {
    if (folder.empty()) throw quenvar::Error("No folder for recovery files (HOME is not set)");
    claim_.emplace(quenvar::ClaimRecoveryStem(folder, int(::getpid())));
  } catch (const std::exception& e) {
    claimError_ = e.what();
  }
  timer_ = new QTimer(this);
  timer_->setSingleShot(true);
  connect(timer_, &QTimer::timeout, this, &TRecoveryWriter::WriteNow);
}

TRecoveryWriter::~TRecoveryWriter() {
  StopWorker();
  if (claim_) quenvar::RemoveRecoveryFiles(claim_->files);
}

std::string TRecoveryWriter::Path() const {
  return claim_ ? claim_->files.Project() : std::string();
}

void TRecoveryWriter::Changed() {
  if (!claim_) return;
  if (quenvar::ReadingAside()) {
    dirty_ = true;
    if (!busy_ && !timer_->isActive()) timer_->start(delay);
    return;
  }
  if (!needed_()) {
    Remove();
    return;
  }
  lastEdit_ = std::time(nullptr);
  dirty_ = true;
  // A change while the timer runs or a write is under way rides along with
  // it: at most one delay and two writes from any edit to the file.
  if (!busy_ && !timer_->isActive()) timer_->start(delay);
}

void TRecoveryWriter::WriteNow() {
  if (busy_ || !dirty_) return;
  // While Open reads a file aside, the project at hand is the half-read
  // one; the open project is written once the read is over.
  if (quenvar::ReadingAside()) {
    timer_->start(delay);
    return;
  }
  dirty_ = false;
  if (!needed_()) {
    Remove();
    return;
  }
  quenvar::TRecoverySnapshot snapshot = source_(lastEdit_);
  busy_ = true;
  stop_ = false;
  const int generation = ++generation_;
  worker_ = std::thread([this, generation, path = Path(), snapshot = std::move(snapshot)] {
    std::string error;
    try {
      quenvar::WriteRecoveryFile(snapshot, path,
                                 [this](std::int64_t, std::int64_t) { return !stop_.load(); });
    } catch (const quenvar::Cancelled&) {
    } catch (const std::exception& e) {
      error = e.what();
    }
    QMetaObject::invokeMethod(
        this, [this, generation, error] { Finished(generation, error); }, Qt::QueuedConnection);
  });
}

void TRecoveryWriter::Finished(int generation, const std::string& error) {
  // A write stopped by Remove has been waited for already.
  if (generation != generation_) return;
  if (worker_.joinable()) worker_.join();
  busy_ = false;
  // A write that keeps failing is reported once.
  if (!error.empty() && error != lastError_) quenvar::StatusLog("# Error : " + error);
  lastError_ = error;
  if (dirty_ && !timer_->isActive()) timer_->start(delay);
}

void TRecoveryWriter::StopWorker() {
  if (worker_.joinable()) {
    stop_ = true;
    worker_.join();
  }
  busy_ = false;
  ++generation_;
}

void TRecoveryWriter::Remove() {
  if (!claim_) return;
  timer_->stop();
  dirty_ = false;
  StopWorker();
  std::error_code ec;
  std::filesystem::remove(claim_->files.Project(), ec);
}
