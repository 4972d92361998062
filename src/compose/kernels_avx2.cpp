// Row kernels for the avx2 instruction set, 32-byte registers; compiled
// with its own machine flags (src/CMakeLists.txt).
#include "compose/kernels.h"

#define QV_NS avx2_set
#define QV_REGISTER 32
#include "compose/kernels_impl.h"

namespace quenvar::kernels::avx2 {

void Fill(TKernelSet& set) {
  avx2_set::FillAll(set);
}

}  // namespace quenvar::kernels::avx2
