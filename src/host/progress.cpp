#include "host/progress.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <ostream>

namespace quenvar {

namespace {

// How often each kind of line is written.
constexpr auto kTerminalInterval = std::chrono::milliseconds(250);
constexpr auto kPlainInterval = std::chrono::seconds(5);

std::string FixedOne(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

}  // namespace

std::string FormatDuration(double seconds) {
  const long long whole = seconds > 0 ? (long long)std::llround(seconds) : 0;
  const long long h = whole / 3600, m = whole / 60 % 60, s = whole % 60;
  char text[48];
  if (h > 0)
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", h, m, s);
  else
    std::snprintf(text, sizeof text, "%lld:%02lld", m, s);
  return text;
}

std::string ProgressText(const std::string& unit, std::int64_t done, std::int64_t total,
                         double seconds) {
  std::string text = unit + " " + std::to_string(done);
  if (total > 0) text += " of " + std::to_string(total);
  if (done <= 0 || seconds <= 0) return text;
  const double rate = double(done) / seconds;
  text += ", " + FixedOne(rate) + "/s";
  if (total > done) text += ", " + FormatDuration(double(total - done) / rate) + " left";
  return text;
}

TProgressLine::TProgressLine(std::ostream& out, bool terminal, std::string prefix, std::string unit,
                             std::int64_t total)
    : out_(out),
      terminal_(terminal),
      prefix_(std::move(prefix)),
      unit_(std::move(unit)),
      total_(total) {}

void TProgressLine::Update(std::int64_t done) {
  const Clock::time_point t = now();
  if (!started_) {
    started_ = true;
    start_ = lastWrite_ = t;
    return;
  }
  if (t - lastWrite_ < (terminal_ ? Clock::duration(kTerminalInterval) : kPlainInterval)) return;
  lastWrite_ = t;
  Write(done, false);
}

void TProgressLine::Finish(std::int64_t done) {
  if (!started_) {
    started_ = true;
    start_ = now();
  }
  // A plain log only gets the summary line the tool writes itself.
  if (terminal_) Write(done, true);
}

void TProgressLine::Write(std::int64_t done, bool last) {
  const double seconds = std::chrono::duration<double>(now() - start_).count();
  std::string line = prefix_ + ProgressText(unit_, done, total_, seconds);
  if (!terminal_) {
    out_ << line << "\n";
    out_.flush();
    return;
  }
  // Pad over what a longer previous line left behind.
  const std::size_t width = line.size();
  if (width < lastWidth_) line.append(lastWidth_ - width, ' ');
  lastWidth_ = width;
  out_ << "\r" << line << (last ? "\n" : "");
  out_.flush();
}

bool StderrIsTerminal() {
  return isatty(STDERR_FILENO) == 1;
}

}  // namespace quenvar
