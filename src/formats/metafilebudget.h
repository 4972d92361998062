#pragma once
// The work a metafile may cost: pixel, edge and point visits are counted,
// and a file whose drawing would take longer than any sensible picture fails
// instead of hanging.
#include <string>

#include "host/error.h"

namespace quenvar {

class MfBudget {
 public:
  explicit MfBudget(std::string fileName, double limit = 4e8)
      : fileName_(std::move(fileName)), limit_(limit) {}

  void Spend(double work) {
    work_ += work;
    if (!(work_ <= limit_)) throw Error(fileName_ + ": the metafile's drawing is too complex");
  }

 private:
  std::string fileName_;
  double limit_;
  double work_ = 0;
};

}  // namespace quenvar
