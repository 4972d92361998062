// Row kernels for the sse2 instruction set, 16-byte registers; compiled
// with its own machine flags (src/CMakeLists.txt).
#include "compose/kernels.h"

#define QV_NS sse2_set
#define QV_REGISTER 16
#include "compose/kernels_impl.h"

namespace quenvar::kernels::sse2 {

void Fill(TKernelSet& set) {
  sse2_set::FillAll(set);
}

}  // namespace quenvar::kernels::sse2
