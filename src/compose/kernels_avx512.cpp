// Row kernels for the avx512 instruction set, 64-byte registers; compiled
// with its own machine flags (src/CMakeLists.txt).
#include "compose/kernels.h"

#define QV_NS avx512_set
#define QV_REGISTER 64
#include "compose/kernels_impl.h"

namespace quenvar::kernels::avx512 {

void Fill(TKernelSet& set) {
  avx512_set::FillAll(set);
}

}  // namespace quenvar::kernels::avx512
