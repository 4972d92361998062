#include <gtest/gtest.h>

#include "host/cpuinfo.h"

using namespace quenvar;

namespace {

constexpr std::uint32_t kFpu = 1u << 0, kCmov = 1u << 15, kMmx = 1u << 23, kSse = 1u << 25,
                        kSse2 = 1u << 26;

// Leaf 1 EAX from family and model, using the extended fields from family 15 on.
std::uint32_t Signature(unsigned family, unsigned model) {
  unsigned base = family, ext = 0;
  if (family >= 15) {
    base = 15;
    ext = family - 15;
  }
  unsigned modelLo = model & 0xF, modelHi = family >= 15 ? (model >> 4) : 0;
  return (ext << 20) | (modelHi << 16) | (base << 8) | (modelLo << 4);
}

TCpuidRegisters Cpu(const std::string& id, unsigned family, unsigned model, std::uint32_t edx,
                    bool sse3 = false, bool x64 = false) {
  TCpuidRegisters r;
  r.maxLeaf = 1;
  SetVendorString(r, id);
  r.leaf1Eax = Signature(family, model);
  r.leaf1Edx = edx;
  r.leaf1Ecx = sse3 ? 1u : 0u;
  r.maxExtLeaf = 0x80000001u;
  r.ext1Edx = x64 ? (1u << 29) : 0u;
  return r;
}

std::string Target(const TCpuidRegisters& r) {
  return TargetName(CpuInfoFromRegisters(r).target);
}

const std::uint32_t kBase = kFpu | kCmov | kMmx;

}  // namespace

TEST(CpuInfo, TargetChoice) {
  EXPECT_EQ(Target(Cpu("AuthenticAMD", 15, 4, kBase | kSse | kSse2)), "K8");
  EXPECT_EQ(Target(Cpu("AuthenticAMD", 15, 4, kBase | kSse | kSse2, true)), "K8_SSE3");
  EXPECT_EQ(Target(Cpu("AuthenticAMD", 6, 8, kBase | kSse)), "K7_SSE");
  EXPECT_EQ(Target(Cpu("AuthenticAMD", 6, 4, kBase)), "K7");
  EXPECT_EQ(Target(Cpu("AuthenticAMD", 16, 2, kBase | kSse)), "Blended");
  EXPECT_EQ(Target(Cpu("GenuineIntel", 6, 13, kBase | kSse | kSse2)), "PM");
  EXPECT_EQ(Target(Cpu("GenuineIntel", 6, 9, kBase | kSse)), "PM");
  EXPECT_EQ(Target(Cpu("GenuineIntel", 6, 8, kBase | kSse)), "P3");
  EXPECT_EQ(Target(Cpu("GenuineIntel", 6, 7, kBase | kSse)), "P3");
  EXPECT_EQ(Target(Cpu("GenuineIntel", 6, 5, kBase)), "Blended");
  EXPECT_EQ(Target(Cpu("GenuineIntel", 5, 4, kFpu | kMmx)), "RTLReplacement");
  EXPECT_EQ(Target(Cpu("GenuineIntel", 15, 2, kBase | kSse | kSse2)), "P4");
  EXPECT_EQ(Target(Cpu("GenuineIntel", 15, 3, kBase | kSse | kSse2, true)), "P4_SSE3");
  EXPECT_EQ(Target(Cpu("GenuineIntel", 15, 4, kBase | kSse | kSse2, true, true)), "P4_64");
  // A modern processor reports family 6 with an extended model above 15:
  // the extended model only counts for family 15, so model 0x3A reads as 10.
  TCpuidRegisters modern = Cpu("GenuineIntel", 6, 10, kBase | kSse | kSse2, true, true);
  modern.leaf1Eax |= 3u << 16;
  EXPECT_EQ(CpuInfoFromRegisters(modern).model, 10);
  EXPECT_EQ(Target(modern), "P3");
}

TEST(CpuInfo, EffectiveFamilyAndModel) {
  const TCpuInfo c = CpuInfoFromRegisters(Cpu("AuthenticAMD", 15 + 8, 0x71, kBase));
  EXPECT_EQ(c.family, 23);
  EXPECT_EQ(c.model, 0x71);
  EXPECT_EQ(Target(Cpu("AuthenticAMD", 23, 0x71, kBase)), "Blended");
}

TEST(CpuInfo, Vendors) {
  const std::pair<const char*, const char*> table[] = {
      {"AuthenticAMD", "AMD"},
      {"CentaurHauls", "Centaur (VIA)"},
      {"CyrixInstead", "Cyrix"},
      {"GenuineIntel", "Intel"},
      {"GenuineTMx86", "Transmeta"},
      {"NexGenDriven", "NexGen"},
      {"RiseRiseRise", "Rise"},
      {"UMC UMC UMC ", "UMC"},
      {"Geode by NSC", "National Semiconductor"},
      {"SiS SiS SiS ", "SiS"},
      {"HygonGenuine", "Unknown"},
      {"UMC UMC UMC!", "Unknown"},
  };
  for (auto [id, name] : table) {
    EXPECT_EQ(VendorName(CpuInfoFromRegisters(Cpu(id, 6, 1, kBase)).vendor), name) << id;
  }
}

TEST(CpuInfo, FeaturesFromTheirBits) {
  TCpuidRegisters r = Cpu("GenuineIntel", 15, 2, kMmx | kSse2, true, true);
  TCpuInfo c = CpuInfoFromRegisters(r);
  EXPECT_FALSE(c.Has(cfFPU));
  EXPECT_FALSE(c.Has(cfCMOV));
  EXPECT_TRUE(c.Has(cfMMX));
  EXPECT_FALSE(c.Has(cfSSE));
  EXPECT_TRUE(c.Has(cfSSE2));
  EXPECT_TRUE(c.Has(cfSSE3));
  EXPECT_TRUE(c.Has(cfX64));
  // No extended leaves: the 64-bit bit is not consulted.
  r.maxExtLeaf = 0x80000000u;
  EXPECT_FALSE(CpuInfoFromRegisters(r).Has(cfX64));
  // Only leaf 0: vendor known, nothing else.
  r.maxLeaf = 0;
  c = CpuInfoFromRegisters(r);
  EXPECT_EQ(c.vendor, TCpuVendor::Intel);
  EXPECT_EQ(c.family, 0);
  EXPECT_EQ(c.features, 0u);
  EXPECT_EQ(TargetName(c.target), "RTLReplacement");
}

TEST(CpuInfo, NoIdentificationInstruction) {
  TCpuidRegisters r;
  r.hasCpuid = false;
  r.hasFpu = true;
  const TCpuInfo c = CpuInfoFromRegisters(r);
  EXPECT_EQ(c.features, std::uint32_t(cfFPU));
  EXPECT_EQ(c.vendor, TCpuVendor::Unknown);
  EXPECT_FALSE(CpuStartupLine(c));
}

TEST(CpuInfo, StartupLine) {
  const auto p4 = CpuInfoFromRegisters(Cpu("GenuineIntel", 15, 3, kBase | kSse | kSse2, true));
  EXPECT_EQ(CpuStartupLine(p4), "Intel | MMX SSE SSE2 SSE3 detected. [P4_SSE3]");
  const auto k7 = CpuInfoFromRegisters(Cpu("AuthenticAMD", 6, 4, kBase));
  EXPECT_EQ(CpuStartupLine(k7), "AMD | MMX detected. [K7]");
  const auto noMmx = CpuInfoFromRegisters(Cpu("GenuineIntel", 15, 3, kFpu | kSse | kSse2, true));
  EXPECT_FALSE(CpuStartupLine(noMmx));
}

TEST(CpuInfo, ThisMachineIsDetectedOnce) {
  const TCpuInfo& a = CpuInfo();
  EXPECT_EQ(&a, &CpuInfo());
#if defined(__x86_64__)
  // Every 64-bit x86 processor has the FPU, MMX, SSE and SSE2 and long mode.
  EXPECT_TRUE(a.Has(cfFPU) && a.Has(cfMMX) && a.Has(cfSSE) && a.Has(cfSSE2) && a.Has(cfX64));
  EXPECT_TRUE(CpuStartupLine(a));
#endif
}
