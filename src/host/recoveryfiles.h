#pragma once
// Where recovery files live and whose they are. Each running program claims a
// stem ("recovery-<pid>") in the state folder and holds an flock on
// <stem>.lock for its whole life; its unsaved project is kept in <stem>.zyl.
// The kernel drops the lock when the process dies however it dies, so a
// .zyl whose lock can be taken belongs to a program that is no longer
// running, whatever process now has that number.
#include <optional>
#include <string>
#include <vector>

namespace quenvar {

// $XDG_STATE_HOME/quenvar when that is an absolute path, else
// $HOME/.local/state/quenvar; empty when neither gives one.
std::string RecoveryFolder(const char* xdgStateHome, const char* home);
// The same from the environment.
std::string RecoveryFolder();

// An exclusive flock on a file, released (and the descriptor closed) on
// destruction. The descriptor is not inherited by programs we start.
class TRecoveryLock {
 public:
  // Takes the lock without waiting; nothing when another open file holds
  // it (in this process or another) or the file cannot be opened.
  // `create` makes the file when missing. A lock taken on a file that was
  // removed meanwhile does not count.
  static std::optional<TRecoveryLock> TryLock(const std::string& path, bool create);
  TRecoveryLock(TRecoveryLock&& other) noexcept;
  TRecoveryLock& operator=(TRecoveryLock&& other) noexcept;
  ~TRecoveryLock();
  TRecoveryLock(const TRecoveryLock&) = delete;
  TRecoveryLock& operator=(const TRecoveryLock&) = delete;

  const std::string& Path() const { return path_; }

 private:
  TRecoveryLock(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}
  std::string path_;
  int fd_ = -1;
};

// A stem of the state folder and the files named after it.
struct TRecoveryStem {
  std::string stem;  // folder + "/recovery-<pid>[-n]"
  std::string Project() const { return stem + ".zyl"; }
  std::string Lock() const { return stem + ".lock"; }
};

// This program's claim: the stem and the lock that says it is running.
struct TRecoveryClaim {
  TRecoveryStem files;
  TRecoveryLock lock;
};

// Creates the folder and claims the first free stem for `pid`:
// "recovery-<pid>", then "recovery-<pid>-2" and on, skipping any whose .zyl
// is there (a dead program with the same number left it) or whose lock is
// held. Throws quenvar::Error when the folder cannot be made or written.
TRecoveryClaim ClaimRecoveryStem(const std::string& folder, int pid);

// A recovery file left by a program no longer running, with its lock taken so
// that another program starting now leaves it alone.
struct TStaleRecovery {
  TRecoveryStem files;
  TRecoveryLock lock;
};

// The .zyl recovery files of the folder whose lock nobody holds, by name.
// Free lock files with no .zyl beside them are removed on the way.
std::vector<TStaleRecovery> FindStaleRecoveries(const std::string& folder);

// Removes the stem's .zyl, its lock file and any temporary file a write that
// was cut short left beside the .zyl.
void RemoveRecoveryFiles(const TRecoveryStem& files);

}  // namespace quenvar
