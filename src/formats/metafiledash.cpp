#include "formats/metafiledash.h"

#include <algorithm>
#include <cmath>

namespace quenvar {
namespace {

constexpr double kShortestPeriod = 0.25;

bool Outside(MfPoint a, MfPoint b, double margin, int width, int height) {
  return std::max(a.x, b.x) < -margin || std::min(a.x, b.x) > width + margin ||
         std::max(a.y, b.y) < -margin || std::min(a.y, b.y) > height + margin;
}

}  // namespace

MfDashes DashPattern(unsigned kind, bool cosmetic, double width, const std::vector<double>& user) {
  MfDashes d;
  const double unit = cosmetic ? 1 : std::max(1.0, width);
  switch (kind) {
    case 1:
      d = cosmetic ? MfDashes{18, 6} : MfDashes{3, 1};
      break;
    case 2:
      d = cosmetic ? MfDashes{3, 3} : MfDashes{1, 1};
      break;
    case 3:
      d = cosmetic ? MfDashes{9, 6, 3, 6} : MfDashes{3, 1, 1, 1};
      break;
    case 4:
      d = cosmetic ? MfDashes{9, 3, 3, 3, 3, 3} : MfDashes{3, 1, 1, 1, 1, 1};
      break;
    case 7:
      for (double v : user) d.push_back(std::isfinite(v) ? std::fabs(v) : 0);
      if (d.size() % 2) d.insert(d.end(), d.begin(), d.end());
      break;
    case 8:
      d = {1, 1};
      break;
    default:
      return {};
  }
  if (kind != 7)
    for (double& v : d) v *= unit;
  double period = 0;
  for (double v : d) period += v;
  if (!(period >= kShortestPeriod) || !std::isfinite(period)) return {};
  return d;
}

void SplitDashes(const std::vector<MfPoint>& points, bool closed, const MfDashes& dashes,
                 double margin, int width, int height, MfBudget& budget,
                 const std::function<void(const std::vector<MfPoint>&)>& dash) {
  if (points.empty() || dashes.empty()) return;
  double period = 0;
  for (double v : dashes) period += v;
  std::size_t index = 0;
  double left = dashes[0];
  std::vector<MfPoint> current{points[0]};
  auto drawing = [&] { return index % 2 == 0; };
  auto emit = [&] {
    if (drawing() && current.size() >= 2) dash(current);
    current.clear();
  };
  // Moves on to the next entry at point p.
  auto step = [&](MfPoint p) {
    if (drawing()) current.push_back(p);
    emit();
    index = (index + 1) % dashes.size();
    left = dashes[index];
    current.push_back(p);
    budget.Spend(1);
  };
  const std::size_t n = points.size(), segments = closed ? n : n - 1;
  for (std::size_t s = 0; s < segments; ++s) {
    const MfPoint a = points[s], b = points[(s + 1) % n];
    const double length = std::hypot(b.x - a.x, b.y - a.y);
    if (!(length > 0)) continue;
    budget.Spend(1);
    if (Outside(a, b, margin, width, height)) {
      // Nothing of it shows: the dash in progress ends unseen, and the
      // pattern moves on by the segment's length.
      emit();
      double rest = length;
      if (rest >= left) {
        rest = std::fmod(rest - left, period);
        index = (index + 1) % dashes.size();
        while (rest >= dashes[index]) rest -= dashes[index], index = (index + 1) % dashes.size();
        left = dashes[index] - rest;
      } else {
        left -= rest;
      }
      current.push_back(b);
      continue;
    }
    const double ux = (b.x - a.x) / length, uy = (b.y - a.y) / length;
    double pos = 0;
    while (length - pos > left) {
      pos += left;
      step({a.x + ux * pos, a.y + uy * pos});
    }
    left -= length - pos;
    if (drawing()) current.push_back(b);
  }
  emit();
}

MfDashStepper::MfDashStepper(const MfDashes& dashes) {
  for (double v : dashes) lengths_.push_back(long(std::min(std::nearbyint(v), 1e9)));
  for (long v : lengths_) period_ += v;
  if (period_ > 0) left_ = lengths_[0];
}

bool MfDashStepper::Next() {
  if (period_ <= 0) return true;
  while (left_ == 0) index_ = (index_ + 1) % lengths_.size(), left_ = lengths_[index_];
  --left_;
  return index_ % 2 == 0;
}

void MfDashStepper::Skip(long pixels) {
  if (period_ <= 0 || pixels <= 0) return;
  pixels %= period_;
  while (pixels > 0) {
    if (left_ == 0) index_ = (index_ + 1) % lengths_.size(), left_ = lengths_[index_];
    const long take = std::min(left_, pixels);
    left_ -= take, pixels -= take;
  }
}

}  // namespace quenvar
