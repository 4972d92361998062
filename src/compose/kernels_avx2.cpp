// Row kernels for the avx2 instruction set (16 pixels per block); compiled with
// its own machine flags (src/CMakeLists.txt).
#define QV_NS avx2
#define QV_LANES 16
#include "compose/kernels_impl.h"
