#include "formats/metafiledash.h"

#include <algorithm>
#include <cmath>

namespace quenvar {
namespace {

constexpr double kShortestPeriod = 0.25;

// The stretch [t0, t1] of the segment from a to b inside box (left, top,
// right, bottom); false when none of it is.
bool VisiblePart(MfPoint a, MfPoint b, const double* box, double* t0, double* t1) {
  const double start[2] = {a.x, a.y}, d[2] = {b.x - a.x, b.y - a.y};
  for (int axis = 0; axis < 2; ++axis) {
    const double lo = box[axis], hi = box[axis + 2];
    if (d[axis] == 0) {
      if (start[axis] < lo || start[axis] > hi) return false;
      continue;
    }
    double ta = (lo - start[axis]) / d[axis], tb = (hi - start[axis]) / d[axis];
    if (ta > tb) std::swap(ta, tb);
    *t0 = std::max(*t0, ta), *t1 = std::min(*t1, tb);
  }
  return *t0 < *t1;
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
  // A closed figure's first dash waits: when the last one runs on into it,
  // the two are one dash round the corner.
  std::vector<MfPoint> first;
  bool holding = closed;
  auto emit = [&] {
    if (drawing() && current.size() >= 2) {
      if (holding)
        first = current;
      else
        dash(current);
    }
    holding = false;
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
  // Moves the pattern on by `distance` unseen, to point `to`; the dash in
  // progress ends where it was.
  auto skip = [&](double distance, MfPoint to) {
    emit();
    if (distance >= left) {
      double rest = std::fmod(distance - left, period);
      index = (index + 1) % dashes.size();
      while (rest >= dashes[index]) rest -= dashes[index], index = (index + 1) % dashes.size();
      left = dashes[index] - rest;
    } else {
      left -= distance;
    }
    current.push_back(to);
  };
  const double box[4] = {-margin, -margin, width + margin, height + margin};
  const std::size_t n = points.size(), segments = closed ? n : n - 1;
  for (std::size_t s = 0; s < segments; ++s) {
    const MfPoint a = points[s], b = points[(s + 1) % n];
    const double length = std::hypot(b.x - a.x, b.y - a.y);
    if (!(length > 0)) continue;
    budget.Spend(1);
    // Only the part inside the picture (grown by the margin) is walked dash
    // by dash, so far-away lines cost nothing.
    double t0 = 0, t1 = 1;
    if (!VisiblePart(a, b, box, &t0, &t1)) {
      skip(length, b);
      continue;
    }
    const double ux = (b.x - a.x) / length, uy = (b.y - a.y) / length;
    auto at = [&](double pos) { return MfPoint{a.x + ux * pos, a.y + uy * pos}; };
    double pos = t0 * length;
    const double end = t1 * length;
    if (pos > 0) skip(pos, at(pos));
    while (end - pos > left) {
      pos += left;
      step(at(pos));
    }
    left -= end - pos;
    if (t1 < 1) {
      if (drawing()) current.push_back(at(end));
      skip(length - end, b);
    } else if (drawing()) {
      current.push_back(b);
    }
  }
  if (closed && drawing() && !first.empty()) {
    current.insert(current.end(), first.begin(), first.end());
    first.clear();
  }
  emit();
  if (first.size() >= 2) dash(first);
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
