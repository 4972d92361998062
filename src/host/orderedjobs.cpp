#include "host/orderedjobs.h"

#include <algorithm>

namespace quenvar {

TOrderedJobs::TOrderedJobs(std::size_t count, std::function<void(std::size_t)> job,
                           unsigned threads)
    : job_(std::move(job)), count_(count), done_(count, false) {
  if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t n = std::min<std::size_t>(threads, count);
  threads_.reserve(n);
  for (std::size_t i = 0; i < n; ++i) threads_.emplace_back([this] { Work(); });
}

TOrderedJobs::~TOrderedJobs() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  for (std::thread& t : threads_) t.join();
}

void TOrderedJobs::Work() {
  for (;;) {
    std::size_t i;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (stop_ || next_ >= count_) return;
      i = next_++;
    }
    job_(i);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_[i] = true;
    }
    finished_.notify_all();
  }
}

void TOrderedJobs::Wait(std::size_t i) {
  std::unique_lock<std::mutex> lock(mutex_);
  finished_.wait(lock, [&] { return done_[i]; });
}

}  // namespace quenvar
