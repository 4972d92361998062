// Row kernels for the sse2 instruction set (8 pixels per block); compiled with
// its own machine flags (src/CMakeLists.txt).
#define QV_NS sse2
#define QV_LANES 8
#include "compose/kernels_impl.h"
