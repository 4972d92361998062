#include "compose/kernels.h"

#include <cstdlib>
#include <cstring>

#include "compose/cpufeatures.h"
#include "compose/surface.h"

namespace quenvar {
namespace {

void ScalarBlendRow(const TColor32* f, TColor32* b, int count, std::uint32_t) {
  for (int i = 0; i < count; ++i) b[i] = BlendReg(f[i], b[i]);
}

void ScalarBlendMasterRow(const TColor32* f, TColor32* b, int count, std::uint32_t M) {
  for (int i = 0; i < count; ++i) b[i] = BlendRegEx(f[i], b[i], M);
}

void ScalarHsl(const TColor32* c, int count, bool withHue, float* h, float* s, float* l) {
  for (int i = 0; i < count; ++i) {
    const THsl v = RgbToHsl(c[i]);
    if (withHue) h[i] = v.H;
    s[i] = v.S;
    l[i] = v.L;
  }
}

TKernelSet MakeSet(const char* name, void (*fill)(TKernelSet&)) {
  TKernelSet set;
  set.name = name;
  fill(set);
  return set;
}

bool ScalarForced() {
  const char* v = std::getenv("QUENVAR_SCALAR");
  return v && std::strcmp(v, "1") == 0;
}

thread_local std::uint16_t* threadCounter = nullptr;

}  // namespace

const TKernelSet& ScalarKernels() {
  static const TKernelSet set = [] {
    TKernelSet s;
    s.name = "scalar";
    for (int i = 0; i < kBlendOpCount; ++i) s.ops[std::size_t(i)] = BlendOpScalarRow(TBlendOp(i));
    s.blend = &ScalarBlendRow;
    s.blendMaster = &ScalarBlendMasterRow;
    s.hsl = &ScalarHsl;
    return s;
  }();
  return set;
}

std::vector<const TKernelSet*> SupportedKernelSets() {
  // x86-64 always has SSE2.
  static const TKernelSet sse2 = MakeSet("sse2", &kernels::sse2::Fill);
  static const TKernelSet avx2 = MakeSet("avx2", &kernels::avx2::Fill);
  static const TKernelSet avx512 = MakeSet("avx512bw", &kernels::avx512::Fill);
  std::vector<const TKernelSet*> sets{&sse2};
  if (CpuHasAvx2()) sets.push_back(&avx2);
  if (CpuHasAvx512Bw()) sets.push_back(&avx512);
  return sets;
}

const TKernelSet& ActiveKernels() {
  static const TKernelSet& active =
      ScalarForced() ? ScalarKernels() : *SupportedKernelSets().back();
  return active;
}

TScopedGridCounter::TScopedGridCounter(std::uint16_t& counter) : previous_(threadCounter) {
  threadCounter = &counter;
}

TScopedGridCounter::~TScopedGridCounter() {
  threadCounter = previous_;
}

std::uint16_t* ThreadGridCounter() {
  return threadCounter;
}

}  // namespace quenvar
