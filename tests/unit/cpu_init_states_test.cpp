// The CPUID reading sequence of CpuInfo over simulated processors.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "cpu/cpu_info.h"
#include "cpu_machine_support.h"
#include "platform/sim/sim_machine.h"

namespace {

using cputest::UseLeaves;
using cputest::UseProcessor;

void ExpectRegs(const uint32_t (&regs)[4], uint32_t a, uint32_t b, uint32_t c, uint32_t d, const char *what) {
    EXPECT_EQ(regs[0], a) << what << " EAX";
    EXPECT_EQ(regs[1], b) << what << " EBX";
    EXPECT_EQ(regs[2], c) << what << " ECX";
    EXPECT_EQ(regs[3], d) << what << " EDX";
}

using cputest::kIntelLeaf0Max2;

TEST(CpuInitStates, ConstructionReadsNoCpuidAndTakesTheProcessorCount) {
    UseLeaves(kIntelLeaf0Max2, "", cputest::SystemKey(4, 0xF, 0xF));
    hs::CpuInfo info;
    EXPECT_EQ(info.GetCpuCount(), 4u);
    EXPECT_EQ(info.GetVendorString(), "");
    EXPECT_EQ(info.m_cpuStates.GetName(), "");
    EXPECT_EQ(info.m_cachedSpeed, 0u);
    EXPECT_EQ(info.m_extendedFeatures, 0u);
    EXPECT_EQ(info.m_cpuStates.m_cpuidPresent, 0);
}

TEST(CpuInitStates, NoCpuidInstruction) {
    UseLeaves(kIntelLeaf0Max2, cputest::Dword("CpuidSupported", 0), cputest::SystemKey(2, 0x3, 0x3));
    hs::CpuInfo info;
    EXPECT_EQ(info.DetermineCpuId(), 0u);
    EXPECT_EQ(info.InitCpuStates(), 0u);
    EXPECT_EQ(info.m_cpuStates.m_cpuidPresent, 0);
    EXPECT_EQ(info.GetVendorString(), "");
    EXPECT_EQ(info.m_cpuStates.GetVendor(), hs::CCpuStates::VENDOR_UNKNOWN);
    EXPECT_EQ(info.m_cpuStates.GetName(), "");
    ExpectRegs(info.m_cpuStates.m_leaf1, 0, 0, 0, 0, "leaf 1");
    ExpectRegs(info.m_cpuStates.m_cacheA, 0, 0, 0, 0, "cache A");
    EXPECT_EQ(info.GetCpuCount(), 2u);
}

TEST(CpuInitStates, HighestLeafZeroStopsAfterLeafZero) {
    UseLeaves("\"00000000\"=\"00000000 756e6547 6c65746e 49656e69\"\n"
              "\"00000001\"=\"00000686 00000001 00000000 0383f9ff\"\n"
              "\"80000000\"=\"80000004 00000000 00000000 00000000\"\n"
              "\"80000002\"=\"20202020 20202020 20202020 00000041\"\n");
    hs::CpuInfo info;
    EXPECT_EQ(info.DetermineHighestCpuId(), 0u);
    EXPECT_EQ(info.GetVendorString(), "");  // only a non-zero EAX stores the vendor
    EXPECT_EQ(info.InitCpuStates(), 0u);
    EXPECT_EQ(info.m_cpuStates.m_cpuidPresent, 1);
    EXPECT_EQ(info.GetVendorString(), "");
    EXPECT_EQ(info.m_cpuStates.GetName(), "");
    ExpectRegs(info.m_cpuStates.m_leaf1, 0, 0, 0, 0, "leaf 1");
    EXPECT_EQ(info.m_extendedFeatures, 0u);
}

// Vendor, name and the register groups read from real processors.
TEST(CpuInitStates, RealProcessors) {
    using Regs = std::array<uint32_t, 4>;
    const Regs zero = {0, 0, 0, 0};
    const Regs p4CacheA = {0x665b5001, 0, 0, 0x007b7040};
    const struct {
        const char *fragment;
        std::string extra;
        const char *vendor;
        uint32_t vendorClass;
        const char *name;
        Regs leaf1, cacheA, cacheB;
        uint32_t extendedFeatures;
    } cases[] = {
        // Leaves 0 and 1 only: a leaf 2 answer put in the profile is not read.
        {"intel-pentium-mmx-mobile-tillamook",
         "[HKEY_SIMULATION\\Processor\\Leaves]\n\"00000002\"=\"03020101 00000000 00000000 0c040843\"\n",
         "GenuineIntel", hs::CCpuStates::VENDOR_INTEL, "Intel Pentium(R) processor with MMX",
         {0x00000582, 0, 0, 0x008001bf}, zero, zero, 0},
        // The cache-descriptor rule on family 6, models 5 and 7.
        {"intel-celeron-266-covington", "", "GenuineIntel", hs::CCpuStates::VENDOR_INTEL,
         "Intel Celeron(TM) processor, model 5 with MMX", {0x00000651, 0, 0, 0x0183f9ff},
         {0x03020101, 0, 0, 0x0c040840}, zero, 0},
        {"intel-pentium-ii-300-deschutes", "", "GenuineIntel", hs::CCpuStates::VENDOR_INTEL,
         "Intel Pentium(R) II processor, model 5 with MMX", {0x00000652, 0, 0, 0x0183f9ff},
         {0x03020101, 0, 0, 0x0c040843}, zero, 0},
        {"intel-pentium-iii-xeon-550-tanner-8way", "", "GenuineIntel", hs::CCpuStates::VENDOR_INTEL,
         "Intel Pentium(R) III Xeon(TM) processor with MMX", {0x00000673, 0, 0, 0x0387fbff},
         {0x03020101, 0, 0, 0x0c040844}, zero, 0},
        {"intel-celeron-700-coppermine-128", "", "GenuineIntel", hs::CCpuStates::VENDOR_INTEL,
         "Intel Pentium(R) III Coppermine processor with MMX", {0x00000686, 0x00000001, 0, 0x0383f9ff},
         {0x03020101, 0, 0, 0x0c040841}, zero, 0},
        // Extended leaves above L2 are all read: 0x80000005 replaced the
        // leaf-2 registers, 0x80000006 is in group B; the brand string wins.
        {"intel-core-i5-2400-sandy-bridge", cputest::SystemKey(4, 0xF, 0xF), "GenuineIntel",
         hs::CCpuStates::VENDOR_INTEL, "        Intel(R) Core(TM) i5-2400 CPU @ 3.10GHz",
         {0x000206a7, 0x00100800, 0x1fbae3ff, 0xbfebfbff}, zero, {0, 0, 0x01006040, 0}, 0x28100000},
        // Largest extended leaf 0x80000004: the leaf-2 registers stay in
        // group A; the brand string keeps its leading spaces.
        {"intel-pentium-4-2800-northwood-ht", cputest::SystemKey(2, 0x3, 0x3), "GenuineIntel",
         hs::CCpuStates::VENDOR_INTEL, "              Intel(R) Pentium(R) 4 CPU 2.80GHz",
         {0x00000f29, 0x00020809, 0x00004400, 0xbfebfbff}, p4CacheA, zero, 0},
        {"amd-athlon-1400-thunderbird", "", "AuthenticAMD", hs::CCpuStates::VENDOR_AMD, "AMD Athlon(tm) Processor",
         {0x00000644, 0, 0, 0x0183f9ff}, {0x0408ff08, 0xff18ff10, 0x40020140, 0x40020140},
         {0x00000000, 0x41004100, 0x01008140, 0x00000000}, 0xc1c7f9ff},
        // Leaf 2 was read, then 0x80000005 replaced it; no 0x80000006.
        {"cyrix-mediagxm-233", "", "CyrixInstead", hs::CCpuStates::VENDOR_CYRIX, "Cyrix MediaGXtm MMXtm Enhanced",
         {0x00000540, 0, 0, 0x00808131}, {0, 0x00007001, 0x00000080, 0}, zero, 0x01818131},
        {"via-c3-1000-nehemiah", "", "CentaurHauls", hs::CCpuStates::VENDOR_CENTAUR, "VIA Nehemiah",
         {0x00000691, 0, 0, 0x0380b135}, {0, 0x08800880, 0x40040120, 0x40040120}, {0, 0, 0x00410120, 0}, 0x1380b135},
    };
    for (const auto &c : cases) {
        UseProcessor(c.fragment, c.extra);
        hs::CpuInfo info;
        EXPECT_EQ(info.InitCpuStates(), 1u) << c.fragment;
        EXPECT_EQ(info.GetVendorString(), c.vendor) << c.fragment;
        EXPECT_EQ(info.m_cpuStates.GetVendor(), c.vendorClass) << c.fragment;
        EXPECT_EQ(info.m_cpuStates.GetName(), c.name) << c.fragment;
        const std::string what = c.fragment;
        ExpectRegs(info.m_cpuStates.m_leaf1, c.leaf1[0], c.leaf1[1], c.leaf1[2], c.leaf1[3], (what + " leaf 1").c_str());
        ExpectRegs(info.m_cpuStates.m_cacheA, c.cacheA[0], c.cacheA[1], c.cacheA[2], c.cacheA[3],
                   (what + " cache A").c_str());
        ExpectRegs(info.m_cpuStates.m_cacheB, c.cacheB[0], c.cacheB[1], c.cacheB[2], c.cacheB[3],
                   (what + " cache B").c_str());
        EXPECT_EQ(info.m_extendedFeatures, c.extendedFeatures) << c.fragment;
    }
}

// Processors given by their leaves alone: the name the sequence builds.
TEST(CpuInitStates, NameFromLeaves) {
    const std::string max2 = kIntelLeaf0Max2;
    const struct {
        const char *what;
        std::string leaves;
        uint32_t vendorClass;
        const char *vendor;
        uint32_t cacheAEax;  // the other cache registers stay zero
        std::string name;
    } cases[] = {
        // Without the 0x40 descriptor the Celeron rule does not apply.
        {"leaf 2 with an iteration count other than one reads as zero",
         max2 + "\"00000001\"=\"00000652 00000000 00000000 0183f9ff\"\n"
                "\"00000002\"=\"03020102 00000000 00000000 0c040840\"\n",
         hs::CCpuStates::VENDOR_INTEL, "GenuineIntel", 0, "Intel Pentium(R) II processor, model 5 with MMX"},
        // 0x44 in the top byte of EAX counts: Xeon. No MMX bit: no suffix.
        {"descriptor in the low byte of EAX is ignored",
         max2 + "\"00000001\"=\"00000652 00000000 00000000 00000000\"\n"
                "\"00000002\"=\"44020101 00000000 00000000 00000000\"\n",
         hs::CCpuStates::VENDOR_INTEL, "GenuineIntel", 0x44020101, "Intel Pentium(R) II Xeon(TM) processor"},
        // "genuineintel": EBX "genu", EDX "inei", ECX "ntel".
        {"vendor in other letter case is Intel",
         "\"00000000\"=\"00000001 756e6567 6c65746e 69656e69\"\n\"00000001\"=\"00000686 00000001 00000000 00000000\"\n",
         hs::CCpuStates::VENDOR_INTEL, "genuineintel", 0, "Intel Pentium(R) III Coppermine processor"},
        {"unknown vendor GenuineIntal gets no table name",
         "\"00000000\"=\"00000001 756e6547 6c61746e 49656e69\"\n\"00000001\"=\"00000686 00000001 00000000 00800000\"\n",
         hs::CCpuStates::VENDOR_UNKNOWN, "GenuineIntal", 0, ""},
        {"family outside the tables, MMX", max2 + "\"00000001\"=\"00000f29 00020809 00004400 00800000\"\n",
         hs::CCpuStates::VENDOR_INTEL, "GenuineIntel", 0, " with MMX"},
        {"family outside the tables, no MMX", max2 + "\"00000001\"=\"00000f29 00020809 00004400 00000000\"\n",
         hs::CCpuStates::VENDOR_INTEL, "GenuineIntel", 0, ""},
        // The naming step compares leaf 0's answer with 0x80000004.
        {"highest leaf at or above the brand leaf skips the table name",
         "\"00000000\"=\"80000004 756e6547 6c65746e 49656e69\"\n\"00000001\"=\"00000686 00000001 00000000 00800000\"\n",
         hs::CCpuStates::VENDOR_INTEL, "GenuineIntel", 0, ""},
        {"brand string without NUL is taken whole",
         max2 + "\"00000001\"=\"00000f29 00020809 00004400 bfebfbff\"\n" + cputest::kBrandLeavesWithoutNul, hs::CCpuStates::VENDOR_INTEL, "GenuineIntel", 0,
         std::string(16, 'A') + std::string(16, 'B') + std::string(16, 'C')},
    };
    for (const auto &c : cases) {
        UseLeaves(c.leaves);
        hs::CpuInfo info;
        EXPECT_EQ(info.InitCpuStates(), 1u) << c.what;
        EXPECT_EQ(info.m_cpuStates.GetVendor(), c.vendorClass) << c.what;
        EXPECT_EQ(info.GetVendorString(), c.vendor) << c.what;
        ExpectRegs(info.m_cpuStates.m_cacheA, c.cacheAEax, 0, 0, 0, c.what);
        EXPECT_EQ(info.m_cpuStates.GetName(), c.name) << c.what;
    }
}

TEST(CpuInitStates, SecondRunOverwritesTheSameFields) {
    UseProcessor("amd-athlon-1400-thunderbird");
    hs::CpuInfo info;
    EXPECT_EQ(info.InitCpuStates(), 1u);
    UseProcessor("intel-pentium-4-2800-northwood-ht", cputest::SystemKey(2, 0x3, 0x3));
    EXPECT_EQ(info.InitCpuStates(), 1u);
    EXPECT_EQ(info.GetVendorString(), "GenuineIntel");
    EXPECT_EQ(info.m_cpuStates.GetName(), "              Intel(R) Pentium(R) 4 CPU 2.80GHz");
    ExpectRegs(info.m_cpuStates.m_leaf1, 0x00000f29, 0x00020809, 0x00004400, 0xbfebfbff, "leaf 1");
    ExpectRegs(info.m_cpuStates.m_cacheA, 0x665b5001, 0, 0, 0x007b7040, "cache A");
    // Not re-read (largest leaf 0x80000004): the Athlon's values stay.
    ExpectRegs(info.m_cpuStates.m_cacheB, 0x00000000, 0x41004100, 0x01008140, 0x00000000, "cache B");
    EXPECT_EQ(info.m_extendedFeatures, 0u);
}

#if defined(HARDSCAN_CPU_TRACE)
TEST(CpuInitStatesTrace, MessagesMarkEachStepInOrder) {
    UseProcessor("intel-core-i5-2400-sandy-bridge", cputest::SystemKey(4, 0xF, 0xF));
    hs::CpuInfo info;
    hs::sim::CaptureDebugOutput(true);
    hs::sim::TakeDebugOutput();
    EXPECT_EQ(info.InitCpuStates(), 1u);
    const std::string trace = hs::sim::TakeDebugOutput();
    hs::sim::CaptureDebugOutput(false);
    EXPECT_EQ(trace,
              "InitCpuStates..."
              "InitCpuStates...dwHighestCpuId = 2"
              "InitCpuStates...dwHighestCpuId = 1"
              "InitCpuStates...m_cpuStates.GetVendor() == CCpuStates::VENDOR_INTEL"
              "DetermineHighestCpuId() = 13 <NAMESTRING_FEATURE,m_cpuStates.GetFamily() = 6"
              "InitCpuStates...dwLargestExtendedFeature = -2147483640"
              "InitCpuStates...dwLargestExtendedFeature >= AMD_L2CACHE_FEATURE"
              "InitCpuStates...dwLargestExtendedFeature >= AMD_L1CACHE_FEATURE"
              "InitCpuStates...dwLargestExtendedFeature >= NAMESTRING_FEATURE"
              "InitCpuStates...dwLargestExtendedFeature >= AMD_EXTENDED_FEATURE"
              "InitCpuStates...OK");
}

TEST(CpuInitStatesTrace, NoCpuid) {
    UseLeaves(kIntelLeaf0Max2, cputest::Dword("CpuidSupported", 0));
    hs::CpuInfo info;
    hs::sim::CaptureDebugOutput(true);
    hs::sim::TakeDebugOutput();
    EXPECT_EQ(info.InitCpuStates(), 0u);
    EXPECT_EQ(hs::sim::TakeDebugOutput(), "InitCpuStates...InitCpuStates...!DetermineCpuId()");
    hs::sim::CaptureDebugOutput(false);
}
#else
TEST(CpuInitStatesTrace, DeliveredBuildSendsNothingToTheDebugger) {
    UseProcessor("intel-core-i5-2400-sandy-bridge", cputest::SystemKey(4, 0xF, 0xF));
    hs::CpuInfo info;
    hs::sim::CaptureDebugOutput(true);
    hs::sim::TakeDebugOutput();
    EXPECT_EQ(info.InitCpuStates(), 1u);
    EXPECT_EQ(info.GetCpuSpeed(), 0u);  // virtual counter at rest, no registry value
    const std::string trace = hs::sim::TakeDebugOutput();
    hs::sim::CaptureDebugOutput(false);
    EXPECT_EQ(trace, "");
}
#endif

}  // namespace
