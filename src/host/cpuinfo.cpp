#include "host/cpuinfo.h"

#include <array>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace quenvar {

namespace {

struct VendorEntry {
  const char* name;
  const char* id;
};

// Indexed by TCpuVendor. SiS processors report "SiS SiS SiS " with a
// trailing blank; the identification must have all 12 characters to match.
constexpr std::array<VendorEntry, 11> kVendors{{
    {"Unknown", ""},
    {"AMD", "AuthenticAMD"},
    {"Centaur (VIA)", "CentaurHauls"},
    {"Cyrix", "CyrixInstead"},
    {"Intel", "GenuineIntel"},
    {"Transmeta", "GenuineTMx86"},
    {"NexGen", "NexGenDriven"},
    {"Rise", "RiseRiseRise"},
    {"UMC", "UMC UMC UMC "},
    {"National Semiconductor", "Geode by NSC"},
    {"SiS", "SiS SiS SiS "},
}};

constexpr std::array<const char*, 11> kTargets{"RTLReplacement", "Blended", "P3", "PM",     "P4",
                                               "P4_SSE3",        "P4_64",   "K7", "K7_SSE", "K8",
                                               "K8_SSE3"};

std::string VendorString(const TCpuidRegisters& r) {
  char id[12];
  std::memcpy(id, &r.vendorEbx, 4);
  std::memcpy(id + 4, &r.vendorEdx, 4);
  std::memcpy(id + 8, &r.vendorEcx, 4);
  return std::string(id, 12);
}

TCpuVendor VendorFromString(const std::string& id) {
  // Compared from the last entry down, as the table was always searched.
  for (int i = int(kVendors.size()) - 1; i >= 1; --i) {
    if (id == kVendors[i].id) return TCpuVendor(i);
  }
  return TCpuVendor::Unknown;
}

bool Bit(std::uint32_t reg, int bit) {
  return ((reg >> bit) & 1u) != 0;
}

TCpuTarget ChooseTarget(const TCpuInfo& c) {
  TCpuTarget t = (c.Has(cfFPU) && c.Has(cfCMOV) && c.Has(cfMMX)) ? TCpuTarget::Blended
                                                                 : TCpuTarget::RTLReplacement;
  if (c.vendor == TCpuVendor::AMD) {
    if (c.family == 6) t = c.Has(cfSSE) ? TCpuTarget::K7_SSE : TCpuTarget::K7;
    if (c.family == 15) t = c.Has(cfSSE3) ? TCpuTarget::K8_SSE3 : TCpuTarget::K8;
  } else if (c.vendor == TCpuVendor::Intel) {
    if (c.family == 6) {
      if (c.model == 9 || c.model == 13) {
        t = TCpuTarget::PM;
      } else if (c.model >= 7) {
        t = TCpuTarget::P3;
      }
    }
    if (c.family == 15) {
      t = c.Has(cfX64) ? TCpuTarget::P4_64 : c.Has(cfSSE3) ? TCpuTarget::P4_SSE3 : TCpuTarget::P4;
    }
  }
  return t;
}

}  // namespace

void SetVendorString(TCpuidRegisters& regs, const std::string& id) {
  char buf[12] = {};
  std::memcpy(buf, id.data(), id.size() < 12 ? id.size() : 12);
  std::memcpy(&regs.vendorEbx, buf, 4);
  std::memcpy(&regs.vendorEdx, buf + 4, 4);
  std::memcpy(&regs.vendorEcx, buf + 8, 4);
}

TCpuInfo CpuInfoFromRegisters(const TCpuidRegisters& r) {
  TCpuInfo c;
  if (!r.hasCpuid) {
    if (r.hasFpu) c.features |= cfFPU;
    return c;
  }
  c.vendor = VendorFromString(VendorString(r));
  if (r.maxLeaf >= 1) {
    unsigned family = (r.leaf1Eax >> 8) & 0xF;
    unsigned model = (r.leaf1Eax >> 4) & 0xF;
    if (family == 15) {
      family += (r.leaf1Eax >> 20) & 0xFF;
      model += ((r.leaf1Eax >> 16) & 0xF) * 16;
    }
    c.family = std::uint8_t(family);
    c.model = std::uint8_t(model);
    if (Bit(r.leaf1Edx, 0)) c.features |= cfFPU;
    if (Bit(r.leaf1Edx, 15)) c.features |= cfCMOV;
    if (Bit(r.leaf1Edx, 23)) c.features |= cfMMX;
    if (Bit(r.leaf1Edx, 25)) c.features |= cfSSE;
    if (Bit(r.leaf1Edx, 26)) c.features |= cfSSE2;
    if (Bit(r.leaf1Ecx, 0)) c.features |= cfSSE3;
  }
  if (r.maxExtLeaf > 0x80000000u && Bit(r.ext1Edx, 29)) c.features |= cfX64;
  c.target = ChooseTarget(c);
  return c;
}

TCpuidRegisters ReadCpuidRegisters() {
  TCpuidRegisters r;
#if defined(__x86_64__) || defined(__i386__)
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(0, &a, &b, &c, &d)) {
    r.hasCpuid = false;
    return r;
  }
  r.maxLeaf = a;
  r.vendorEbx = b;
  r.vendorEdx = d;
  r.vendorEcx = c;
  if (r.maxLeaf >= 1) {
    __cpuid(1, a, b, c, d);
    r.leaf1Eax = a;
    r.leaf1Ecx = c;
    r.leaf1Edx = d;
  }
  __cpuid(0x80000000u, a, b, c, d);
  r.maxExtLeaf = a;
  if (r.maxExtLeaf > 0x80000000u) {
    __cpuid(0x80000001u, a, b, c, d);
    r.ext1Edx = d;
  }
#else
  r.hasCpuid = false;
#endif
  return r;
}

TCpuInfo DetectCpu() {
  return CpuInfoFromRegisters(ReadCpuidRegisters());
}

const TCpuInfo& CpuInfo() {
  static const TCpuInfo info = DetectCpu();
  return info;
}

std::string VendorName(TCpuVendor v) {
  return kVendors.at(std::size_t(v)).name;
}

std::string TargetName(TCpuTarget t) {
  return kTargets.at(std::size_t(t));
}

std::optional<std::string> CpuStartupLine(const TCpuInfo& info) {
  if (!info.Has(cfMMX)) return std::nullopt;
  std::string words;
  if (info.Has(cfMMX)) words += "MMX ";
  if (info.Has(cfSSE)) words += "SSE ";
  if (info.Has(cfSSE2)) words += "SSE2 ";
  if (info.Has(cfSSE3)) words += "SSE3 ";
  return VendorName(info.vendor) + " | " + words + "detected. [" + TargetName(info.target) + "]";
}

}  // namespace quenvar
