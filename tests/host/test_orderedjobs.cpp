// Numbered jobs on worker threads, waited for in number order.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "host/orderedjobs.h"

namespace quenvar {
namespace {

TEST(OrderedJobs, EveryResultIsThereWhenWaitedFor) {
  for (unsigned threads : {1u, 2u, 5u, 0u}) {
    std::vector<int> results(40, -1);
    TOrderedJobs jobs(
        results.size(),
        [&](std::size_t i) {
          // Later jobs finish sooner, so the order comes from Wait alone.
          std::this_thread::sleep_for(std::chrono::microseconds(200 * (40 - i) % 700));
          results[i] = int(i * i);
        },
        threads);
    for (std::size_t i = 0; i < results.size(); ++i) {
      jobs.Wait(i);
      EXPECT_EQ(results[i], int(i * i)) << i << " on " << threads;
    }
  }
}

TEST(OrderedJobs, LeavingEarlyDropsTheJobsNotStarted) {
  std::atomic<int> ran{0};
  {
    TOrderedJobs jobs(
        1000,
        [&](std::size_t) {
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
          ++ran;
        },
        2);
    jobs.Wait(0);
  }
  const int after = ran;
  EXPECT_GE(after, 1);
  EXPECT_LT(after, 1000);
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(ran, after);  // nothing runs once it is gone
}

TEST(OrderedJobs, NoJobsNoThreads) {
  TOrderedJobs jobs(0, [](std::size_t) { FAIL(); });
}

}  // namespace
}  // namespace quenvar
