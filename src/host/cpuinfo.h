#pragma once
// The processor's vendor, family, model and instruction-set features, and the
// processor class chosen from them. Detection reads the identification
// instruction once; the decision is a pure function of the register values so
// it can be checked for any processor.
#include <cstdint>
#include <optional>
#include <string>

namespace quenvar {

enum class TCpuVendor : std::uint8_t {
  Unknown,
  AMD,
  Centaur,
  Cyrix,
  Intel,
  Transmeta,
  NexGen,
  Rise,
  UMC,
  NSC,
  SiS,
};

enum class TCpuTarget : std::uint8_t {
  RTLReplacement,
  Blended,
  P3,
  PM,
  P4,
  P4_SSE3,
  P4_64,
  K7,
  K7_SSE,
  K8,
  K8_SSE3,
};

enum TCpuFeature : std::uint32_t {
  cfFPU = 1u << 0,
  cfCMOV = 1u << 1,
  cfMMX = 1u << 2,
  cfSSE = 1u << 3,
  cfSSE2 = 1u << 4,
  cfSSE3 = 1u << 5,
  cfX64 = 1u << 6,
};

struct TCpuInfo {
  TCpuVendor vendor = TCpuVendor::Unknown;
  std::uint8_t family = 0;
  std::uint8_t model = 0;
  std::uint32_t features = 0;
  TCpuTarget target = TCpuTarget::RTLReplacement;
  bool Has(TCpuFeature f) const { return (features & f) != 0; }
};

// What the identification instruction answered. Leaves that the processor
// does not offer are left at zero.
struct TCpuidRegisters {
  bool hasCpuid = true;
  bool hasFpu = false;  // only consulted when hasCpuid is false
  std::uint32_t maxLeaf = 0;
  std::uint32_t vendorEbx = 0, vendorEdx = 0, vendorEcx = 0;
  std::uint32_t leaf1Eax = 0, leaf1Ecx = 0, leaf1Edx = 0;
  std::uint32_t maxExtLeaf = 0;
  std::uint32_t ext1Edx = 0;
};

// Packs a 12-character identification into the three registers.
void SetVendorString(TCpuidRegisters& regs, const std::string& id);

TCpuInfo CpuInfoFromRegisters(const TCpuidRegisters& regs);

// Reads this processor's registers; on processors without the x86
// identification instruction all fields stay zero (no MMX).
TCpuidRegisters ReadCpuidRegisters();
TCpuInfo DetectCpu();

// The processor information of this machine, detected once on first use.
const TCpuInfo& CpuInfo();

std::string VendorName(TCpuVendor v);
std::string TargetName(TCpuTarget t);

// The start-up line, e.g. "Intel | MMX SSE SSE2 SSE3 detected. [P4_SSE3]";
// none for a processor without MMX.
std::optional<std::string> CpuStartupLine(const TCpuInfo& info);

}  // namespace quenvar
