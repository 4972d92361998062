#pragma once
// Sets of row kernels for the blend operations and the two dmBlend blends,
// one per instruction set. The best set the processor runs is chosen once, at
// first use; QUENVAR_SCALAR=1 in the environment keeps the scalar reference
// loops (for tests and bug reports). Every set gives the same bytes.
#include <array>
#include <vector>

#include "compose/blendops.h"

namespace quenvar {

struct TKernelSet {
  const char* name = "";
  std::array<TRowKernel, kBlendOpCount> ops{};
  // Plain blend (master alpha 255) and blend with master alpha M < 255.
  TRowKernel blend = nullptr;
  TRowKernel blendMaster = nullptr;
  // The RGB to HSL conversion the HSL kernels run, over `count` colours (for
  // the tests). Without the hue, h is left alone and saturation and
  // lightness come the way the modes that need no hue compute them.
  void (*hsl)(const TColor32* c, int count, bool withHue, float* h, float* s, float* l) = nullptr;
};

// The scalar reference loops.
const TKernelSet& ScalarKernels();
// The SIMD sets this processor can run, from the baseline up.
std::vector<const TKernelSet*> SupportedKernelSets();
// The set drawing uses: the last supported one, or the scalar one when
// QUENVAR_SCALAR=1.
const TKernelSet& ActiveKernels();

// While alive, grid4 on this thread steps `counter` instead of the
// program-wide counter. Lets bands of one draw run on several threads, each
// starting from the value the single-threaded order would have reached.
class TScopedGridCounter {
 public:
  explicit TScopedGridCounter(std::uint16_t& counter);
  ~TScopedGridCounter();
  TScopedGridCounter(const TScopedGridCounter&) = delete;
  TScopedGridCounter& operator=(const TScopedGridCounter&) = delete;

 private:
  std::uint16_t* previous_;
};
// The counter set by TScopedGridCounter on this thread, or nullptr.
std::uint16_t* ThreadGridCounter();

namespace kernels {
namespace sse2 {
void Fill(TKernelSet& set);
}
namespace avx2 {
void Fill(TKernelSet& set);
}
namespace avx512 {
void Fill(TKernelSet& set);
}
}  // namespace kernels

}  // namespace quenvar
