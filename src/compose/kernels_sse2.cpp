// Row kernels for the sse2 instruction set; compiled with its own machine
// flags (src/CMakeLists.txt).
//
// The kernels are built at two block widths. At 8 pixels the 16-bit channel
// lanes fill the vector registers, which suits the integer modes. At 4 pixels
// the 32-bit float lanes fill them instead: comparisons on vectors wider than
// a register would be split into single lanes, so the HSL modes, which
// compare floats throughout, take the narrower build.
#include "compose/kernels.h"

#define QV_NS sse2_wide
#define QV_LANES 8
#include "compose/kernels_impl.h"
#undef QV_NS
#undef QV_LANES

#define QV_NS sse2_narrow
#define QV_LANES 4
#include "compose/kernels_impl.h"

namespace quenvar::kernels::sse2 {

void Fill(TKernelSet& set) {
  sse2_wide::FillAll(set);
  TKernelSet narrow;
  sse2_narrow::FillAll(narrow);
  for (TBlendOp op : {TBlendOp::Hue, TBlendOp::Saturation, TBlendOp::Lightness})
    set.ops[std::size_t(op)] = narrow.ops[std::size_t(op)];
}

}  // namespace quenvar::kernels::sse2
