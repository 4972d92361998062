#pragma once
// How large a metafile page is drawn. A vector page may claim any size, so a
// page longer than kMaxMetafileSide pixels is drawn scaled down to that; the
// work budget still bounds what the records cost.
#include <algorithm>

namespace quenvar {

constexpr double kMaxMetafileSide = 8192;

// The factor that fits a page of width x height pixels: 1 for pages that fit.
inline double MetafilePageScale(double width, double height) {
  const double longer = std::max(width, height);
  return longer > kMaxMetafileSide ? kMaxMetafileSide / longer : 1.0;
}

}  // namespace quenvar
