#include "host/statuslog.h"

namespace quenvar {

namespace {
LogSink* g_sink = nullptr;
}

LogSink* SetLogSink(LogSink* sink) {
  LogSink* previous = g_sink;
  g_sink = sink;
  return previous;
}

LogSink* CurrentLogSink() {
  return g_sink;
}

void StatusLog(std::string_view line) {
  if (g_sink) g_sink->StatusLog(line);
}

void PsdLog(std::string_view line) {
  if (g_sink) g_sink->PsdLog(line);
}

std::vector<std::string> RecordingLogSink::Texts() const {
  std::vector<std::string> out;
  out.reserve(lines.size());
  for (const auto& l : lines) out.push_back(l.text);
  return out;
}

}  // namespace quenvar
