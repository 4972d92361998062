#pragma once
// Progress of long work. The core reports through TProgress; the shell shows
// a progress dialog and the command-line tools a progress line.
#include <chrono>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

namespace quenvar {

// Called as work advances with the units done so far and the whole (0 when
// unknown). Returning false asks the work to stop; it then throws
// quenvar::Cancelled after undoing what it had done.
using TProgress = std::function<bool(std::int64_t done, std::int64_t total)>;

// Calls `progress` when it is set; true (go on) when it is not.
inline bool ReportProgress(const TProgress& progress, std::int64_t done, std::int64_t total) {
  return !progress || progress(done, total);
}

// "frame 37 of 100, 54.2/s, 0:02 left": what a progress line says after
// `done` of `total` units in `seconds`. The rate and time left are left out
// until there is something to measure.
std::string ProgressText(const std::string& unit, std::int64_t done, std::int64_t total,
                         double seconds);

// Minutes and seconds ("1:05"), hours when there are any ("2:00:07").
std::string FormatDuration(double seconds);

// A tool's progress line on standard error. On a terminal the one line is
// rewritten in place a few times a second; elsewhere (a log file, a batch
// job) a plain line is written every few seconds.
class TProgressLine {
 public:
  using Clock = std::chrono::steady_clock;

  TProgressLine(std::ostream& out, bool terminal, std::string prefix, std::string unit,
                std::int64_t total);
  // Reports `done` units; writes only when the last line is old enough.
  void Update(std::int64_t done);
  // Writes the final count and ends the line.
  void Finish(std::int64_t done);

  // For tests: the moment the next Update takes as now.
  std::function<Clock::time_point()> now = [] { return Clock::now(); };

 private:
  void Write(std::int64_t done, bool last);

  std::ostream& out_;
  bool terminal_;
  std::string prefix_;
  std::string unit_;
  std::int64_t total_;
  Clock::time_point start_;
  Clock::time_point lastWrite_;
  bool started_ = false;
  std::size_t lastWidth_ = 0;
};

// True when standard error is a terminal.
bool StderrIsTerminal();

}  // namespace quenvar
