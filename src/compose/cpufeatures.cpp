#include "compose/cpufeatures.h"

namespace quenvar {

// The compiler's runtime check also asks the system whether it saves the
// wide registers, so a true answer means the instructions are usable.
bool CpuHasAvx2() {
  return __builtin_cpu_supports("avx2");
}

bool CpuHasAvx512Bw() {
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
         __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512vl");
}

}  // namespace quenvar
