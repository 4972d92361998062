#pragma once
// The clipping region of a metafile's picture: a rectangle of it, further
// cut down by a bit mask once a shape other than a rectangle took part.
// Copies share the mask, so saving the drawing state costs nothing; each new
// mask is paid for from the budget, which bounds the memory masks can take.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "formats/metafilebudget.h"
#include "formats/metafileraster.h"

namespace quenvar {

class MfClip {
 public:
  // How a new region combines with the current one.
  enum Mode { kAnd = 1, kOr = 2, kXor = 3, kDiff = 4, kCopy = 5 };
  struct Box {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // right and bottom excluded
  };

  MfClip() = default;
  // The whole of a width x height picture.
  MfClip(int width, int height);

  bool Covers(int x, int y) const;
  // Calls run(a, b) for each stretch [a, b) of [x0, x1) on row y inside.
  void Runs(int y, int x0, int x1, const std::function<void(int, int)>& run) const;

  void CombineBox(Box box, int mode, MfBudget& budget);
  // `scan` reports the new region's spans to the sink it is given.
  void Combine(const std::function<void(const MfSpanSink&)>& scan, int mode, MfBudget& budget);

 private:
  bool Bit(int x, int y) const;

  int width_ = 0, height_ = 0;
  Box box_;
  std::shared_ptr<const std::vector<std::uint64_t>> mask_;
  std::size_t words_ = 0;  // per row
};

}  // namespace quenvar
