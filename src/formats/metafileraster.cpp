#include "formats/metafileraster.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace quenvar {
namespace {

struct Edge {
  double x0, y0, slope;  // x at y0, dx per dy
  long first, end;       // rows whose centre the edge crosses: [first, end)
  int dir;
};

struct Crossing {
  double x;
  int dir;
  const Edge* edge;
};

// Sorts the crossings of a row by x. They come in the order of the row
// before, so they are nearly sorted and an insertion sort takes linear time;
// when many edges cross each other it gives way to a full sort.
void SortCrossings(std::vector<Crossing>& xs) {
  const std::size_t limit = 4 * xs.size() + 64;
  std::size_t moves = 0;
  for (std::size_t i = 1; i < xs.size(); ++i) {
    const Crossing c = xs[i];
    std::size_t j = i;
    for (; j > 0 && c.x < xs[j - 1].x; --j) xs[j] = xs[j - 1];
    xs[j] = c;
    moves += i - j;
    if (moves > limit) {
      std::sort(xs.begin(), xs.end(),
                [](const Crossing& l, const Crossing& r) { return l.x < r.x; });
      return;
    }
  }
}

// The first row whose centre is at or below y.
long RowAt(double y, int height) {
  return long(std::clamp(std::ceil(y - 0.5), 0.0, double(height)));
}

std::vector<Edge> BuildEdges(const MfPolygons& polygons, int height) {
  std::vector<Edge> edges;
  for (const auto& poly : polygons) {
    for (std::size_t i = 0; i < poly.size(); ++i) {
      MfPoint a = poly[i], b = poly[(i + 1) % poly.size()];
      if (a.y == b.y) continue;
      const int dir = b.y > a.y ? 1 : -1;
      if (dir < 0) std::swap(a, b);
      const long first = RowAt(a.y, height), end = RowAt(b.y, height);
      if (first >= end) continue;
      edges.push_back({a.x, a.y, (b.x - a.x) / (b.y - a.y), first, end, dir});
    }
  }
  std::sort(edges.begin(), edges.end(),
            [](const Edge& l, const Edge& r) { return l.first < r.first; });
  return edges;
}

// The column of the first pixel whose centre is at or right of x.
int ColumnAt(double x, int width) {
  return int(std::clamp(std::ceil(x - 0.5), 0.0, double(width)));
}

}  // namespace

void ScanPolygons(const MfPolygons& polygons, bool nonZero, int width, int height, MfBudget& budget,
                  const MfSpanSink& sink) {
  std::size_t points = 0;
  for (const auto& poly : polygons) points += poly.size();
  budget.Spend(double(points));
  const std::vector<Edge> edges = BuildEdges(polygons, height);
  std::vector<const Edge*> active;
  std::vector<Crossing> xs;
  std::size_t next = 0;
  long y = edges.empty() ? height : edges.front().first;
  while (y < height && (next < edges.size() || !active.empty())) {
    if (active.empty() && edges[next].first > y) y = edges[next].first;
    while (next < edges.size() && edges[next].first <= y) active.push_back(&edges[next++]);
    std::erase_if(active, [y](const Edge* e) { return e->end <= y; });
    budget.Spend(double(active.size()) + 1);
    const double cy = double(y) + 0.5;
    xs.clear();
    for (const Edge* e : active) xs.push_back({e->x0 + (cy - e->y0) * e->slope, e->dir, e});
    SortCrossings(xs);
    for (std::size_t i = 0; i < xs.size(); ++i) active[i] = xs[i].edge;
    int winding = 0, runStart = 0, runEnd = -1;
    for (std::size_t i = 0; i + 1 < xs.size(); ++i) {
      winding += xs[i].dir;
      const bool inside = nonZero ? winding != 0 : i % 2 == 0;
      if (!inside) continue;
      const int x0 = ColumnAt(xs[i].x, width), x1 = ColumnAt(xs[i + 1].x, width);
      if (x0 >= x1) continue;
      if (x0 > runEnd) {
        if (runEnd > runStart) sink(int(y), runStart, runEnd);
        runStart = x0;
      }
      runEnd = std::max(runEnd, x1);
    }
    if (runEnd > runStart) sink(int(y), runStart, runEnd);
    ++y;
  }
}

}  // namespace quenvar
