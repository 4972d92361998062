#pragma once
// Keeps this program's recovery file up to date with the open project: a
// change is written within about a second, the snapshot taken on the UI
// thread and the archive written on a worker, one write at a time; a change
// during a write makes another one after it. Nothing worth keeping removes
// the file at once.
#include <QObject>
#include <atomic>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "host/recoveryfiles.h"
#include "project/recovery.h"

class QTimer;

class TRecoveryWriter : public QObject {
 public:
  // Whether the project needs a recovery file (one is open, with changes
  // since it was opened or saved).
  using TNeeded = std::function<bool()>;
  // The project's state, last edited at the time given.
  using TSnapshotSource = std::function<quenvar::TRecoverySnapshot(std::time_t)>;
  // Claims this program's recovery file in `folder` for the life of the
  // writer. When that fails the writer does nothing and `ClaimError` says why.
  TRecoveryWriter(const std::string& folder, TNeeded needed, TSnapshotSource source,
                  QObject* parent = nullptr);
  // Stops a write and removes this program's files.
  ~TRecoveryWriter() override;

  // The project changed (or was closed, opened, saved): the file follows.
  void Changed();
  // Stops any write and removes the recovery file; the lock stays.
  void Remove();

  // Where the file goes; empty without a claim.
  std::string Path() const;
  const std::string& ClaimError() const { return claimError_; }
  // Milliseconds from a change to its write.
  int delay = 1000;

 private:
  void WriteNow();
  void Finished(int generation, const std::string& error);
  void StopWorker();

  TNeeded needed_;
  TSnapshotSource source_;
  std::optional<quenvar::TRecoveryClaim> claim_;
  std::string claimError_;
  QTimer* timer_ = nullptr;
  std::thread worker_;
  std::atomic<bool> stop_{false};
  bool busy_ = false;
  bool dirty_ = false;
  int generation_ = 0;
  std::time_t lastEdit_ = 0;
  std::string lastError_;
};
