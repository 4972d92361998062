#include "host/processorload.h"

#include <cmath>
#include <fstream>
#include <sstream>

#include "host/error.h"

namespace quenvar {

namespace {

// Fields after the name: user nice system idle iowait irq softirq steal
// guest guest_nice. Guest time is already counted in user and nice.
bool ParseCpuLine(const std::string& line, TCpuTimes& out) {
  std::istringstream in(line);
  std::string name;
  in >> name;
  std::vector<std::uint64_t> f;
  std::uint64_t v = 0;
  while (f.size() < 8 && in >> v) f.push_back(v);
  if (f.size() < 4) return false;
  out = {};
  for (std::uint64_t x : f) out.total += x;
  out.idle = f[3] + (f.size() > 4 ? f[4] : 0);
  return true;
}

bool IsDigits(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

std::vector<TCpuTimes> ParseProcStat(const std::string& text) {
  std::vector<TCpuTimes> cpus;
  TCpuTimes total;
  bool haveTotal = false;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("cpu", 0) != 0) continue;
    const std::string name = line.substr(0, line.find_first_of(" \t"));
    TCpuTimes t;
    if (!ParseCpuLine(line, t)) continue;
    if (name == "cpu") {
      total = t;
      haveTotal = true;
    } else if (IsDigits(name.substr(3))) {
      cpus.push_back(t);
    }
  }
  if (haveTotal) cpus.push_back(total);
  if (cpus.empty()) throw Error("Unable to locate the \"Processor\" performance object");
  return cpus;
}

TProcessorLoad::TProcessorLoad(Reader reader) : reader_(std::move(reader)) {}

std::string TProcessorLoad::ReadProcStat() {
  std::ifstream f("/proc/stat");
  if (!f) throw Error("Unable to read performance data");
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

void TProcessorLoad::SampleProcessorLoad() {
  std::vector<TCpuTimes> now = ParseProcStat(reader_());
  if (count_ < 0) {
    count_ = int(now.size());
    current_.assign(count_, TCpuTimes{});
    previous_ = current_;
  }
  // A processor that went away since the first sample counts as not sampled.
  if (int(now.size()) < count_) throw Error("Unable to read performance data");
  previous_ = current_;
  if (int(now.size()) > count_) {
    // Keep the total as the last instance when processors were added.
    now[count_ - 1] = now.back();
    now.resize(count_);
  }
  current_ = std::move(now);
}

int TProcessorLoad::ProcessorCount() {
  if (count_ < 0) SampleProcessorLoad();
  return count_;
}

double TProcessorLoad::ProcessorUsage(int index) const {
  if (index < 0 || index >= count_) throw Error("CPU index out of bounds");
  const TCpuTimes& c = current_[index];
  const TCpuTimes& p = previous_[index];
  if (c.total <= p.total) return 0.0;
  const double idle = c.idle >= p.idle ? double(c.idle - p.idle) : 0.0;
  const double usage = 1.0 - idle / double(c.total - p.total);
  return usage < 0.0 ? 0.0 : (usage > 1.0 ? 1.0 : usage);
}

TMeterState UpdateMeters(TProcessorLoad& load, const TMeterState& before) {
  TMeterState s = before;
  load.SampleProcessorLoad();
  const int count = load.ProcessorCount();
  if (count <= 0) {
    s.panelVisible = false;
    return s;
  }
  s.panelVisible = true;
  s.meter1 = int(std::nearbyint(load.ProcessorUsage(0) * 100));
  s.meter2Visible = count >= 2;
  if (s.meter2Visible) s.meter2 = int(std::nearbyint(load.ProcessorUsage(1) * 100));
  return s;
}

}  // namespace quenvar
