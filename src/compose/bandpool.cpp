#include "compose/bandpool.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

namespace quenvar {
namespace {

int HardwareThreads() {
  return std::max(1, int(std::thread::hardware_concurrency()));
}

int StartingThreads() {
  if (const char* v = std::getenv("QUENVAR_THREADS")) {
    const int n = std::atoi(v);
    if (n > 0) return std::min(n, 64);
  }
  return HardwareThreads();
}

std::atomic<int>& ThreadSetting() {
  static std::atomic<int> setting{StartingThreads()};
  return setting;
}

// Workers wait for a new generation, take bands from a shared index until
// none are left, and report when they are done with the generation.
class BandPool {
 public:
  static BandPool& Instance() {
    static BandPool pool;
    return pool;
  }

  // Returns false when the pool is busy; the caller then runs the bands.
  bool TryRun(int bands, int helpers, TBandJob job, void* context) {
    std::unique_lock<std::mutex> run(runMutex_, std::try_to_lock);
    if (!run.owns_lock()) return false;
    EnsureWorkers(helpers);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      job_ = job;
      context_ = context;
      bands_ = bands;
      next_.store(0);
      wanted_ = std::min(helpers, int(workers_.size()));
      joined_ = 0;
      finished_ = 0;
      closed_ = false;
      ++generation_;
    }
    wake_.notify_all();
    TakeBands();
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [this] { return finished_ == joined_; });
    return true;
  }

  ~BandPool() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    for (auto& t : workers_) t.join();
  }

 private:
  void EnsureWorkers(int helpers) {
    while (int(workers_.size()) < helpers) workers_.emplace_back([this] { WorkerLoop(); });
  }

  // Takes bands until none are left, then closes the generation: a worker
  // that wakes late must not join a run whose caller may already be gone.
  void TakeBands() {
    for (;;) {
      const int band = next_.fetch_add(1);
      if (band >= bands_) break;
      job_(context_, band);
    }
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
  }

  void WorkerLoop() {
    std::uint64_t seen = 0;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      wake_.wait(lock, [&] { return stop_ || generation_ != seen; });
      if (stop_) return;
      seen = generation_;
      if (closed_ || joined_ >= wanted_) continue;
      ++joined_;
      lock.unlock();
      for (;;) {
        const int band = next_.fetch_add(1);
        if (band >= bands_) break;
        job_(context_, band);
      }
      lock.lock();
      ++finished_;
      done_.notify_all();
    }
  }

  std::mutex runMutex_;
  std::mutex mutex_;
  std::condition_variable wake_, done_;
  std::vector<std::thread> workers_;
  TBandJob job_ = nullptr;
  void* context_ = nullptr;
  int bands_ = 0;
  std::atomic<int> next_{0};
  int wanted_ = 0, joined_ = 0, finished_ = 0;
  bool closed_ = true;  // stays set between runs
  bool stop_ = false;
  std::uint64_t generation_ = 0;
};

}  // namespace

int ComposeThreads() {
  return ThreadSetting().load();
}

void SetComposeThreads(int threads) {
  ThreadSetting().store(threads > 0 ? std::min(threads, 64) : HardwareThreads());
}

void RunBands(int bands, TBandJob job, void* context) {
  const int helpers = std::min(ComposeThreads(), bands) - 1;
  if (helpers > 0 && BandPool::Instance().TryRun(bands, helpers, job, context)) return;
  for (int band = 0; band < bands; ++band) job(context, band);
}

}  // namespace quenvar
