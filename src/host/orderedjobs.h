#pragma once
// Numbered jobs run on worker threads, one thread per core, taken in number
// order; the caller waits for the results one by one in the same order, so
// everything it does with them (logging, errors, the order of layers) stays
// exactly as if the jobs had run on its own thread.
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace quenvar {

class TOrderedJobs {
 public:
  // Starts `count` jobs, job(i) for i from 0, on up to `threads` threads
  // (0: one per core). A job must not throw; it hands its result over in
  // storage of the caller's that Wait(i) makes safe to read.
  TOrderedJobs(std::size_t count, std::function<void(std::size_t)> job, unsigned threads = 0);
  // Jobs not yet started are dropped; running ones finish first.
  ~TOrderedJobs();
  TOrderedJobs(const TOrderedJobs&) = delete;
  TOrderedJobs& operator=(const TOrderedJobs&) = delete;

  // Blocks until job i has finished.
  void Wait(std::size_t i);

 private:
  void Work();

  std::function<void(std::size_t)> job_;
  std::size_t count_;
  std::size_t next_ = 0;
  bool stop_ = false;
  std::vector<bool> done_;
  std::mutex mutex_;
  std::condition_variable finished_;
  std::vector<std::thread> threads_;
};

}  // namespace quenvar
