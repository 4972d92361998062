#pragma once
// Processor load from the kernel's per-processor time counters. Each sample
// keeps, per processor instance, a cumulative idle time and a clock (the
// instance's total time), both in the kernel's clock ticks; the load between
// two samples is 1 - idle delta / clock delta.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quenvar {

struct TCpuTimes {
  std::uint64_t idle = 0;   // idle + I/O wait
  std::uint64_t total = 0;  // every state added up
};

// Parses the text of /proc/stat: one entry per "cpuN" line in the order
// listed, then the all-processor "cpu" line last. Fails with
// "Unable to locate the \"Processor\" performance object" when there is none.
std::vector<TCpuTimes> ParseProcStat(const std::string& text);

class TProcessorLoad {
 public:
  using Reader = std::function<std::string()>;
  // The reader returns the current counters text; it throws quenvar::Error
  // when they cannot be read. The default reads /proc/stat.
  explicit TProcessorLoad(Reader reader = ReadProcStat);

  // Takes a new sample. The instance count is fixed by the first sample.
  void SampleProcessorLoad();
  // Number of instances; samples first when none is known yet.
  int ProcessorCount();
  // Load of instance `index` between the last two samples, 0 to 1; 0 when no
  // time has passed. Fails with "CPU index out of bounds".
  double ProcessorUsage(int index) const;

  static std::string ReadProcStat();

 private:
  Reader reader_;
  int count_ = -1;
  std::vector<TCpuTimes> current_;
  std::vector<TCpuTimes> previous_;
};

// What the tool panel's meters show after a sample.
struct TMeterState {
  bool panelVisible = false;
  int meter1 = 0;
  bool meter2Visible = false;
  int meter2 = 0;
};

// Samples and works out the meters: no instance hides the panel, one hides
// meter 2 (and its label). Percentages are rounded ties-to-even.
TMeterState UpdateMeters(TProcessorLoad& load, const TMeterState& before);

}  // namespace quenvar
