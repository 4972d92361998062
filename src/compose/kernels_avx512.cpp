// Row kernels for the avx512 instruction set; compiled with its own machine
// flags (src/CMakeLists.txt).
//
// The kernels are built at two block widths. At 32 pixels the 16-bit channel
// lanes fill the vector registers, which suits the integer modes. At 16 pixels
// the 32-bit float lanes fill them instead: comparisons on vectors wider than
// a register would be split into single lanes, so the HSL modes, which
// compare floats throughout, take the narrower build.
#include "compose/kernels.h"

#define QV_NS avx512_wide
#define QV_LANES 32
#include "compose/kernels_impl.h"
#undef QV_NS
#undef QV_LANES

#define QV_NS avx512_narrow
#define QV_LANES 16
#include "compose/kernels_impl.h"

namespace quenvar::kernels::avx512 {

void Fill(TKernelSet& set) {
  avx512_wide::FillAll(set);
  TKernelSet narrow;
  avx512_narrow::FillAll(narrow);
  for (TBlendOp op : {TBlendOp::Hue, TBlendOp::Saturation, TBlendOp::Lightness})
    set.ops[std::size_t(op)] = narrow.ops[std::size_t(op)];
}

}  // namespace quenvar::kernels::avx512
