#pragma once
// Which vector instruction sets the processor and the system support.

namespace quenvar {

bool CpuHasAvx2();
bool CpuHasAvx512Bw();

}  // namespace quenvar
