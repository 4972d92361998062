#pragma once
// Which vector instruction sets the processor and the system support.

namespace quenvar {

bool CpuHasAvx2();
// AVX-512 with the byte-and-word, doubleword-and-quadword and vector-length
// extensions, which the wide kernels are built for.
bool CpuHasAvx512Bw();

}  // namespace quenvar
