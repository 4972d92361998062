// Row kernels for the avx2 instruction set; compiled with its own machine
// flags (src/CMakeLists.txt).
//
// The kernels are built at two block widths. At 16 pixels the 16-bit channel
// lanes fill the vector registers, which suits the integer modes. At 8 pixels
// the 32-bit float lanes fill them instead: comparisons on vectors wider than
// a register would be split into single lanes, so the HSL modes, which
// compare floats throughout, take the narrower build.
#include "compose/kernels.h"

#define QV_NS avx2_wide
#define QV_LANES 16
#include "compose/kernels_impl.h"
#undef QV_NS
#undef QV_LANES

#define QV_NS avx2_narrow
#define QV_LANES 8
#include "compose/kernels_impl.h"

namespace quenvar::kernels::avx2 {

void Fill(TKernelSet& set) {
  avx2_wide::FillAll(set);
  TKernelSet narrow;
  avx2_narrow::FillAll(narrow);
  for (TBlendOp op : {TBlendOp::Hue, TBlendOp::Saturation, TBlendOp::Lightness})
    set.ops[std::size_t(op)] = narrow.ops[std::size_t(op)];
}

}  // namespace quenvar::kernels::avx2
