// Row kernels for the avx512 instruction set (32 pixels per block); compiled with
// its own machine flags (src/CMakeLists.txt).
#define QV_NS avx512
#define QV_LANES 32
#include "compose/kernels_impl.h"
