#include "host/recoveryfiles.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "host/error.h"

namespace quenvar {

namespace fs = std::filesystem;

namespace {

const char kPrefix[] = "recovery-";

}  // namespace

std::string RecoveryFolder(const char* xdgStateHome, const char* home) {
  // The base directory rules ignore a relative XDG_STATE_HOME.
  if (xdgStateHome && xdgStateHome[0] == '/') return std::string(xdgStateHome) + "/quenvar";
  if (home && home[0] == '/') return std::string(home) + "/.local/state/quenvar";
  return {};
}

std::string RecoveryFolder() {
  return RecoveryFolder(std::getenv("XDG_STATE_HOME"), std::getenv("HOME"));
}

std::optional<TRecoveryLock> TRecoveryLock::TryLock(const std::string& path, bool create) {
  const int flags = O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0);
  for (int attempt = 0; attempt < 3; ++attempt) {
    const int fd = ::open(path.c_str(), flags, 0600);
    if (fd < 0) return std::nullopt;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int error = errno;  // the caller tells a held lock from a failure by it
      ::close(fd);
      errno = error;
      return std::nullopt;
    }
    // The file may have been removed by whoever held it before us: a lock on
    // a file no longer at `path` says nothing to anyone.
    struct stat held {
    }, named{};
    if (::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 &&
        held.st_dev == named.st_dev && held.st_ino == named.st_ino)
      return TRecoveryLock(path, fd);
    ::close(fd);
    if (!create) break;
  }
  errno = ENOENT;
  return std::nullopt;
}

TRecoveryLock::TRecoveryLock(TRecoveryLock&& other) noexcept
    : path_(std::move(other.path_)), fd_(std::exchange(other.fd_, -1)) {}

TRecoveryLock& TRecoveryLock::operator=(TRecoveryLock&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    path_ = std::move(other.path_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

TRecoveryLock::~TRecoveryLock() {
  if (fd_ >= 0) ::close(fd_);
}

TRecoveryClaim ClaimRecoveryStem(const std::string& folder, int pid) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) throw Error("Unable to make the folder \"" + folder + "\": " + ec.message());
  const std::string base = folder + "/" + kPrefix + std::to_string(pid);
  for (int n = 1; n < 1000; ++n) {
    TRecoveryStem files{n == 1 ? base : base + "-" + std::to_string(n)};
    if (fs::exists(files.Project(), ec)) continue;
    if (auto lock = TRecoveryLock::TryLock(files.Lock(), true))
      return TRecoveryClaim{std::move(files), std::move(*lock)};
    if (errno != EWOULDBLOCK)
      throw Error("Unable to write \"" + files.Lock() + "\": " + std::strerror(errno));
  }
  throw Error("No free recovery file name in \"" + folder + "\"");
}

std::vector<TStaleRecovery> FindStaleRecoveries(const std::string& folder) {
  std::vector<TStaleRecovery> found;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.rfind(kPrefix, 0) != 0) continue;
    TRecoveryStem files{(it->path().parent_path() / it->path().stem()).string()};
    if (it->path().extension() == ".lock") {
      // A lock without a file, left by a program that never wrote one.
      std::error_code ignored;
      if (!fs::exists(files.Project(), ignored))
        if (auto lock = TRecoveryLock::TryLock(files.Lock(), false))
          fs::remove(files.Lock(), ignored);
      continue;
    }
    if (it->path().extension() != ".zyl") continue;
    // A missing lock file is made here: holding it keeps others off the file.
    if (auto lock = TRecoveryLock::TryLock(files.Lock(), true))
      found.push_back(TStaleRecovery{std::move(files), std::move(*lock)});
  }
  std::sort(found.begin(), found.end(), [](const TStaleRecovery& a, const TStaleRecovery& b) {
    return a.files.stem < b.files.stem;
  });
  return found;
}

void RemoveRecoveryFiles(const TRecoveryStem& files) {
  std::error_code ec;
  fs::remove(files.Project(), ec);
  // The ZIP writer's temporary files are named <target>.<random>.
  const fs::path project(files.Project());
  const std::string tempPrefix = project.filename().string() + ".";
  for (fs::directory_iterator it(project.parent_path(), ec), end; !ec && it != end;
       it.increment(ec)) {
    if (it->path().filename().string().rfind(tempPrefix, 0) == 0) {
      std::error_code ignored;
      fs::remove(it->path(), ignored);
    }
  }
  fs::remove(files.Lock(), ec);
}

}  // namespace quenvar
