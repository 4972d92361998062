#include "formats/metafilepath.h"

#include "host/error.h"

namespace quenvar {

void MfPath::Clear() {
  figures_.clear();
  points_ = 0;
}

void MfPath::Count(std::size_t added) {
  points_ += added;
  if (points_ > kMfMaxPathPoints)
    throw Error(*fileName_ + ": the metafile's path has more than " +
                std::to_string(kMfMaxPathPoints) + " points");
}

void MfPath::MoveTo(MfPoint p) {
  // A figure of nothing but its start point is replaced.
  if (Open() && figures_.back().points.size() == 1) {
    figures_.back().points[0] = p;
    return;
  }
  Count(1);
  figures_.push_back({{p}, false});
}

void MfPath::LineTo(MfPoint from, MfPoint to) {
  const bool continues = Open() && figures_.back().points.back().x == from.x &&
                         figures_.back().points.back().y == from.y;
  if (!continues) MoveTo(from);
  Count(1);
  figures_.back().points.push_back(to);
}

MfPoint MfPath::Close(MfPoint fallback) {
  if (!Open()) return fallback;
  figures_.back().closed = true;
  return figures_.back().points.front();
}

void MfPath::AddFigure(std::vector<MfPoint> points, bool closed) {
  if (points.empty()) return;
  Count(points.size());
  figures_.push_back({std::move(points), closed});
}

MfPolygons MfPath::Polygons() const {
  MfPolygons polygons;
  for (const MfFigure& f : figures_)
    if (f.points.size() > 2) polygons.push_back(f.points);
  return polygons;
}

}  // namespace quenvar
