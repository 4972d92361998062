#pragma once
// A path in picture coordinates: the figures a metafile's drawing records
// describe, kept until they are filled, stroked or made the clipping
// region. Its size is capped, so a file cannot grow it without bound.
#include <cstddef>
#include <string>
#include <vector>

#include "formats/metafilegeometry.h"

namespace quenvar {

// The most points a path, or one record's shape, may hold.
constexpr std::size_t kMfMaxPathPoints = std::size_t(1) << 20;

struct MfFigure {
  std::vector<MfPoint> points;
  bool closed = false;
};

class MfPath {
 public:
  // `fileName` names the file in errors; it must outlive the path.
  explicit MfPath(const std::string& fileName) : fileName_(&fileName) {}

  const std::vector<MfFigure>& Figures() const { return figures_; }
  void Clear();

  // Starts a new figure at p.
  void MoveTo(MfPoint p);
  // Continues the open figure when it ends at `from`, otherwise starts a new
  // one there.
  void LineTo(MfPoint from, MfPoint to);
  // Closes the open figure; returns its first point, or `fallback` if none.
  MfPoint Close(MfPoint fallback);
  // A whole figure of its own.
  void AddFigure(std::vector<MfPoint> points, bool closed);

  // The figures as polygons (open ones closed implicitly), for filling.
  MfPolygons Polygons() const;

 private:
  void Count(std::size_t added);
  bool Open() const { return !figures_.empty() && !figures_.back().closed; }

  const std::string* fileName_;
  std::vector<MfFigure> figures_;
  std::size_t points_ = 0;
};

}  // namespace quenvar
