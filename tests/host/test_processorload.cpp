#include <gtest/gtest.h>

#include <deque>

#include "host/error.h"
#include "host/processorload.h"

using namespace quenvar;

namespace {

// Counters in the kernel's layout: user nice system idle iowait irq softirq steal guest guest_nice.
const char* kFirst =
    "cpu  300 0 100 500 100 0 0 0 50 0\n"
    "cpu0 200 0 50 200 50 0 0 0 50 0\n"
    "cpu1 100 0 50 300 50 0 0 0 0 0\n"
    "intr 12345 0 0\n"
    "ctxt 999\n";
const char* kSecond =
    "cpu  450 0 150 550 100 0 0 0 0 0\n"
    "cpu0 300 0 100 200 50 0 0 0 0 0\n"
    "cpu1 150 0 50 350 50 0 0 0 0 0\n";

TProcessorLoad Scripted(std::deque<std::string>& texts) {
  return TProcessorLoad([&texts] {
    if (texts.empty()) throw Error("Unable to read performance data");
    std::string t = texts.front();
    texts.pop_front();
    return t;
  });
}

void ExpectError(const std::function<void()>& f, const std::string& message) {
  try {
    f();
    ADD_FAILURE() << "no error, expected " << message;
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), message);
  }
}

}  // namespace

TEST(ProcStat, ProcessorsInOrderThenTheTotal) {
  const auto cpus = ParseProcStat(kFirst);
  ASSERT_EQ(cpus.size(), 3u);
  EXPECT_EQ(cpus[0].idle, 250u);
  EXPECT_EQ(cpus[0].total, 500u);  // guest time is inside user already
  EXPECT_EQ(cpus[1].idle, 350u);
  EXPECT_EQ(cpus[2].idle, 600u);
  EXPECT_EQ(cpus[2].total, 1000u);
  // Old kernels list only four fields.
  const auto old = ParseProcStat("cpu 1 2 3 4\ncpu0 1 2 3 4\n");
  ASSERT_EQ(old.size(), 2u);
  EXPECT_EQ(old[0].idle, 4u);
  EXPECT_EQ(old[0].total, 10u);
}

TEST(ProcStat, NoProcessorLinesIsAnError) {
  ExpectError([] { ParseProcStat("intr 1\nctxt 2\ncpufreq 3\n"); },
              "Unable to locate the \"Processor\" performance object");
  ExpectError([] { ParseProcStat("cpu 1 2\n"); },
              "Unable to locate the \"Processor\" performance object");
}

TEST(ProcessorLoad, UsageBetweenTwoSamples) {
  std::deque<std::string> texts{kFirst, kSecond};
  TProcessorLoad load = Scripted(texts);
  EXPECT_EQ(load.ProcessorCount(), 3);  // samples once
  load.SampleProcessorLoad();
  // cpu0: 150 ticks passed, none idle. cpu1: 100 passed, 50 idle.
  EXPECT_DOUBLE_EQ(load.ProcessorUsage(0), 1.0);
  EXPECT_DOUBLE_EQ(load.ProcessorUsage(1), 0.5);
  EXPECT_DOUBLE_EQ(load.ProcessorUsage(2), 0.8);
  ExpectError([&] { load.ProcessorUsage(3); }, "CPU index out of bounds");
  ExpectError([&] { load.ProcessorUsage(-1); }, "CPU index out of bounds");
  // A failing read surfaces the reader's message.
  ExpectError([&] { load.SampleProcessorLoad(); }, "Unable to read performance data");
}

TEST(ProcessorLoad, NoTimePassedGivesZero) {
  std::deque<std::string> texts{kFirst, kFirst};
  TProcessorLoad load = Scripted(texts);
  load.SampleProcessorLoad();
  load.SampleProcessorLoad();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(load.ProcessorUsage(i), 0.0);
}

TEST(ProcessorLoad, UsageBeforeAnySampleIsOutOfBounds) {
  std::deque<std::string> texts;
  TProcessorLoad load = Scripted(texts);
  ExpectError([&] { load.ProcessorUsage(0); }, "CPU index out of bounds");
}

TEST(ProcessorLoad, CountIsFixedByTheFirstSample) {
  std::deque<std::string> texts{"cpu 10 0 0 10\ncpu0 10 0 0 10\n",
                                "cpu 30 0 0 30\ncpu0 15 0 0 15\ncpu1 15 0 0 15\n",
                                "cpu 30 0 0 30\n"};
  TProcessorLoad load = Scripted(texts);
  load.SampleProcessorLoad();
  load.SampleProcessorLoad();
  ASSERT_EQ(load.ProcessorCount(), 2);
  // The total stays the last instance: 40 ticks, 20 idle.
  EXPECT_DOUBLE_EQ(load.ProcessorUsage(1), 0.5);
  // Fewer instances than at first is a failed sample.
  ExpectError([&] { load.SampleProcessorLoad(); }, "Unable to read performance data");
}

TEST(Meters, OneProcessorShowsItAndTheTotal) {
  std::deque<std::string> texts{"cpu 0 0 0 0\ncpu0 0 0 0 0\n", "cpu 5 0 0 3\ncpu0 5 0 0 3\n"};
  TProcessorLoad load = Scripted(texts);
  load.SampleProcessorLoad();
  const TMeterState s = UpdateMeters(load, {});
  EXPECT_TRUE(s.panelVisible);
  EXPECT_TRUE(s.meter2Visible);
  EXPECT_EQ(s.meter1, 62);  // 62.5 rounds to the even 62
  EXPECT_EQ(s.meter2, 62);
}

TEST(Meters, OneInstanceHidesTheSecondMeter) {
  std::deque<std::string> texts{"cpu0 0 0 0 0\n", "cpu0 7 0 0 1\n"};
  TProcessorLoad load = Scripted(texts);
  load.SampleProcessorLoad();
  TMeterState before;
  before.meter2 = 40;
  const TMeterState s = UpdateMeters(load, before);
  EXPECT_TRUE(s.panelVisible);
  EXPECT_FALSE(s.meter2Visible);
  EXPECT_EQ(s.meter1, 88);  // 87.5 rounds to the even 88
  EXPECT_EQ(s.meter2, 40);
}

TEST(Meters, ThisMachine) {
  TProcessorLoad load;
  const int count = load.ProcessorCount();
  EXPECT_GE(count, 2);  // at least one processor and the total
  const TMeterState s = UpdateMeters(load, {});
  EXPECT_GE(s.meter1, 0);
  EXPECT_LE(s.meter1, 100);
}
