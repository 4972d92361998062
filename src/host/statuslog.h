#pragma once
// The program's running log. Core code writes lines through StatusLog and
// PsdLog; the application (or a tool, or a test) installs the sink that shows
// them. Without a sink, lines go nowhere, as before the status window exists.
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace quenvar {

class LogSink {
 public:
  virtual ~LogSink() = default;
  // A line for the log that also becomes the main window's status label.
  virtual void StatusLog(std::string_view line) = 0;
  // The PSD reader's variant: appends, lets pending events run, leaves the label.
  virtual void PsdLog(std::string_view line) = 0;
};

// Installs the sink (nullptr removes it) and returns the previous one.
LogSink* SetLogSink(LogSink* sink);
LogSink* CurrentLogSink();

void StatusLog(std::string_view line);
void PsdLog(std::string_view line);

// A sink that keeps every line, for tests and command-line tools.
class RecordingLogSink : public LogSink {
 public:
  struct Line {
    bool psd;
    std::string text;
  };
  void StatusLog(std::string_view line) override { lines.push_back({false, std::string(line)}); }
  void PsdLog(std::string_view line) override { lines.push_back({true, std::string(line)}); }
  std::vector<std::string> Texts() const;
  std::vector<Line> lines;
};

// True for a line that reports a failure or a damaged input: one that starts
// with the marker "Error : ", "# Error : ", "## " or "### ".
bool IsErrorLine(std::string_view line);

// Passes every line on to `next` (which may be null) and writes the error
// lines, each followed by a line feed, to `errors` as well: for lines that
// would otherwise be lost, as when a player opens its file before the status
// window exists.
class ErrorEchoSink : public LogSink {
 public:
  ErrorEchoSink(LogSink* next, std::ostream& errors) : next_(next), errors_(errors) {}
  void StatusLog(std::string_view line) override;
  void PsdLog(std::string_view line) override;

 private:
  void Echo(std::string_view line);
  LogSink* next_;
  std::ostream& errors_;
};

// Lines written on the constructing thread, while this lives, go to `sink`
// instead of the installed one: a worker records its lines so that the
// thread that waits for it can pass them on in order.
class ThreadLogCapture {
 public:
  explicit ThreadLogCapture(LogSink* sink);
  ~ThreadLogCapture();
  ThreadLogCapture(const ThreadLogCapture&) = delete;
  ThreadLogCapture& operator=(const ThreadLogCapture&) = delete;

 private:
  LogSink* previous_;
};

// Passes recorded lines on to the current sink, each as it was written.
void ReplayLog(const RecordingLogSink& recorded);

// Installs a sink for the lifetime of a scope and restores the previous one.
class ScopedLogSink {
 public:
  explicit ScopedLogSink(LogSink* sink) : previous_(SetLogSink(sink)) {}
  ~ScopedLogSink() { SetLogSink(previous_); }
  ScopedLogSink(const ScopedLogSink&) = delete;
  ScopedLogSink& operator=(const ScopedLogSink&) = delete;

 private:
  LogSink* previous_;
};

}  // namespace quenvar
