#include "host/statuslog.h"

namespace quenvar {

namespace {
LogSink* g_sink = nullptr;
thread_local LogSink* t_capture = nullptr;

LogSink* Target() {
  return t_capture ? t_capture : g_sink;
}
}  // namespace

LogSink* SetLogSink(LogSink* sink) {
  LogSink* previous = g_sink;
  g_sink = sink;
  return previous;
}

LogSink* CurrentLogSink() {
  return g_sink;
}

void StatusLog(std::string_view line) {
  if (LogSink* sink = Target()) sink->StatusLog(line);
}

void PsdLog(std::string_view line) {
  if (LogSink* sink = Target()) sink->PsdLog(line);
}

ThreadLogCapture::ThreadLogCapture(LogSink* sink) : previous_(t_capture) {
  t_capture = sink;
}

ThreadLogCapture::~ThreadLogCapture() {
  t_capture = previous_;
}

void ReplayLog(const RecordingLogSink& recorded) {
  for (const auto& line : recorded.lines) {
    if (line.psd)
      PsdLog(line.text);
    else
      StatusLog(line.text);
  }
}

bool IsErrorLine(std::string_view line) {
  for (std::string_view marker : {"Error : ", "# Error : ", "## ", "### "})
    if (line.starts_with(marker)) return true;
  return false;
}

void ErrorEchoSink::StatusLog(std::string_view line) {
  if (next_) next_->StatusLog(line);
  Echo(line);
}

void ErrorEchoSink::PsdLog(std::string_view line) {
  if (next_) next_->PsdLog(line);
  Echo(line);
}

void ErrorEchoSink::Echo(std::string_view line) {
  if (!IsErrorLine(line)) return;
  errors_ << line << '\n';
  errors_.flush();
}

std::vector<std::string> RecordingLogSink::Texts() const {
  std::vector<std::string> out;
  out.reserve(lines.size());
  for (const auto& l : lines) out.push_back(l.text);
  return out;
}

}  // namespace quenvar
