// The CPUID reading sequence of CpuInfo over simulated processors.
#include <gtest/gtest.h>

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

const char kGenuineIntelLeaf0Max2[] = "\"00000000\"=\"00000002 756e6547 6c65746e 49656e69\"\n";

TEST(CpuInitStates, ConstructionReadsNoCpuidAndTakesTheProcessorCount) {
    UseLeaves(kGenuineIntelLeaf0Max2, "", cputest::SystemKey(4, 0xF, 0xF));
    hs::CpuInfo info;
    EXPECT_EQ(info.GetCpuCount(), 4u);
    EXPECT_EQ(info.GetVendorString(), "");
    EXPECT_EQ(info.m_cpuStates.GetName(), "");
    EXPECT_EQ(info.m_cachedSpeed, 0u);
    EXPECT_EQ(info.m_extendedFeatures, 0u);
    EXPECT_EQ(info.m_cpuStates.m_cpuidPresent, 0);
}

TEST(CpuInitStates, NoCpuidInstruction) {
    UseLeaves(kGenuineIntelLeaf0Max2, cputest::Dword("CpuidSupported", 0), cputest::SystemKey(2, 0x3, 0x3));
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

TEST(CpuInitStates, HighestLeafOneReadsLeafOneButNotLeafTwo) {
    // Pentium MMX: leaves 0 and 1 only; a leaf 2 answer is put in the
    // profile to show that it is not read.
    UseProcessor("intel-pentium-mmx-mobile-tillamook",
                 "[HKEY_SIMULATION\\Processor\\Leaves]\n\"00000002\"=\"03020101 00000000 00000000 0c040843\"\n");
    hs::CpuInfo info;
    EXPECT_EQ(info.InitCpuStates(), 1u);
    EXPECT_EQ(info.GetVendorString(), "GenuineIntel");
    ExpectRegs(info.m_cpuStates.m_leaf1, 0x00000582, 0, 0, 0x008001bf, "leaf 1");
    ExpectRegs(info.m_cpuStates.m_cacheA, 0, 0, 0, 0, "cache A");
    ExpectRegs(info.m_cpuStates.m_cacheB, 0, 0, 0, 0, "cache B");
    EXPECT_EQ(info.m_cpuStates.GetFamily(), 5u);
    EXPECT_EQ(info.m_cpuStates.GetName(), "Intel Pentium(R) processor with MMX");
}

TEST(CpuInitStates, LeafTwoWithIterationCountOtherThanOneReadsAsZero) {
    UseLeaves(std::string(kGenuineIntelLeaf0Max2) +
              "\"00000001\"=\"00000652 00000000 00000000 0183f9ff\"\n"
              "\"00000002\"=\"03020102 00000000 00000000 0c040840\"\n");
    hs::CpuInfo info;
    EXPECT_EQ(info.InitCpuStates(), 1u);
    ExpectRegs(info.m_cpuStates.m_cacheA, 0, 0, 0, 0, "cache A");
    // Without the 0x40 descriptor the Celeron rule does not apply.
    EXPECT_EQ(info.m_cpuStates.GetName(), "Intel Pentium(R) II processor, model 5 with MMX");
}

TEST(CpuInitStates, CacheDescriptorRuleOnRealFamily6Model5And7) {
    struct Case {
        const char *fragment;
        const char *name;
        uint32_t edx;
    };
    const Case cases[] = {
        {"intel-celeron-266-covington", "Intel Celeron(TM) processor, model 5 with MMX", 0x0c040840},
        {"intel-pentium-ii-300-deschutes", "Intel Pentium(R) II processor, model 5 with MMX", 0x0c040843},
        {"intel-pentium-iii-xeon-550-tanner-8way", "Intel Pentium(R) III Xeon(TM) processor with MMX", 0x0c040844},
    };
    for (const Case &c : cases) {
        UseProcessor(c.fragment);
        hs::CpuInfo info;
        EXPECT_EQ(info.InitCpuStates(), 1u) << c.fragment;
        EXPECT_EQ(info.m_cpuStates.GetName(), c.name) << c.fragment;
        ExpectRegs(info.m_cpuStates.m_cacheA, 0x03020101, 0, 0, c.edx, c.fragment);
    }
}

TEST(CpuInitStates, CoppermineCeleronWithoutBrandString) {
    UseProcessor("intel-celeron-700-coppermine-128");
    hs::CpuInfo info;
    EXPECT_EQ(info.InitCpuStates(), 1u);
    EXPECT_EQ(info.m_cpuStates.GetName(), "Intel Pentium(R) III Coppermine processor with MMX");
    ExpectRegs(info.m_cpuStates.m_leaf1, 0x00000686, 0x00000001, 0, 0x0383f9ff, "leaf 1");
    EXPECT_EQ(info.m_extendedFeatures, 0u);
}

TEST(CpuInitStates, Family6Model5DescriptorInLowByteOfEaxIsIgnored) {
    UseLeaves(std::string(kGenuineIntelLeaf0Max2) +
              "\"00000001\"=\"00000652 00000000 00000000 00000000\"\n"
              "\"00000002\"=\"44020101 00000000 00000000 00000000\"\n");
    hs::CpuInfo info;
    EXPECT_EQ(info.InitCpuStates(), 1u);
    // 0x44 in the top byte of EAX counts: Xeon. No MMX bit: no suffix.
    EXPECT_EQ(info.m_cpuStates.GetName(), "Intel Pentium(R) II Xeon(TM) processor");
}

TEST(CpuInitStates, ExtendedLeavesAboveL2AreAllReadAndBrandStringWins) {
    UseProcessor("intel-core-i5-2400-sandy-bridge", cputest::SystemKey(4, 0xF, 0xF));
    hs::CpuInfo info;
    EXPECT_EQ(info.InitCpuStates(), 1u);
    ExpectRegs(info.m_cpuStates.m_leaf1, 0x000206a7, 0x00100800, 0x1fbae3ff, 0xbfebfbff, "leaf 1");
    // 0x80000005 replaced the leaf-2 registers; 0x80000006 is in group B.
    ExpectRegs(info.m_cpuStates.m_cacheA, 0, 0, 0, 0, "cache A");
    ExpectRegs(info.m_cpuStates.m_cacheB, 0, 0, 0x01006040, 0, "cache B");
    EXPECT_EQ(info.m_extendedFeatures, 0x28100000u);
    EXPECT_EQ(info.m_cpuStates.GetName(), "        Intel(R) Core(TM) i5-2400 CPU @ 3.10GHz");
    EXPECT_EQ(info.GetCpuCount(), 4u);
}

TEST(CpuInitStates, Pentium4BrandStringKeepsItsLeadingSpaces) {
    UseProcessor("intel-pentium-4-2800-northwood-ht", cputest::SystemKey(2, 0x3, 0x3));
    hs::CpuInfo info;
    EXPECT_EQ(info.InitCpuStates(), 1u);
    EXPECT_EQ(info.m_cpuStates.GetName(), "              Intel(R) Pentium(R) 4 CPU 2.80GHz");
    // The largest extended leaf is 0x80000004: no L1/L2 leaves, so the
    // leaf-2 registers stay in group A.
    ExpectRegs(info.m_cpuStates.m_cacheA, 0x665b5001, 0, 0, 0x007b7040, "cache A");
    ExpectRegs(info.m_cpuStates.m_cacheB, 0, 0, 0, 0, "cache B");
    EXPECT_EQ(info.GetCpuCount(), 2u);
}

TEST(CpuInitStates, AmdAthlonReadsItsExtendedLeaves) {
    UseProcessor("amd-athlon-1400-thunderbird");
    hs::CpuInfo info;
    EXPECT_EQ(info.InitCpuStates(), 1u);
    EXPECT_EQ(info.GetVendorString(), "AuthenticAMD");
    EXPECT_EQ(info.m_cpuStates.GetVendor(), hs::CCpuStates::VENDOR_AMD);
    EXPECT_EQ(info.m_cpuStates.GetName(), "AMD Athlon(tm) Processor");
    ExpectRegs(info.m_cpuStates.m_cacheA, 0x0408ff08, 0xff18ff10, 0x40020140, 0x40020140, "cache A");
    ExpectRegs(info.m_cpuStates.m_cacheB, 0x00000000, 0x41004100, 0x01008140, 0x00000000, "cache B");
    EXPECT_EQ(info.m_extendedFeatures, 0xc1c7f9ffu);
}

TEST(CpuInitStates, CyrixAndVia) {
    UseProcessor("cyrix-mediagxm-233");
    hs::CpuInfo cyrix;
    EXPECT_EQ(cyrix.InitCpuStates(), 1u);
    EXPECT_EQ(cyrix.GetVendorString(), "CyrixInstead");
    EXPECT_EQ(cyrix.m_cpuStates.GetVendor(), hs::CCpuStates::VENDOR_CYRIX);
    EXPECT_EQ(cyrix.m_cpuStates.GetName(), "Cyrix MediaGXtm MMXtm Enhanced");
    // Leaf 2 was read, then 0x80000005 replaced it; no 0x80000006.
    ExpectRegs(cyrix.m_cpuStates.m_cacheA, 0, 0x00007001, 0x00000080, 0, "cache A");
    ExpectRegs(cyrix.m_cpuStates.m_cacheB, 0, 0, 0, 0, "cache B");
    EXPECT_EQ(cyrix.m_extendedFeatures, 0x01818131u);

    UseProcessor("via-c3-1000-nehemiah");
    hs::CpuInfo via;
    EXPECT_EQ(via.InitCpuStates(), 1u);
    EXPECT_EQ(via.GetVendorString(), "CentaurHauls");
    EXPECT_EQ(via.m_cpuStates.GetVendor(), hs::CCpuStates::VENDOR_CENTAUR);
    EXPECT_EQ(via.m_cpuStates.GetName(), "VIA Nehemiah");
    ExpectRegs(via.m_cpuStates.m_cacheB, 0, 0, 0x00410120, 0, "cache B");
}

TEST(CpuInitStates, VendorInOtherLetterCaseIsIntelAndGetsTheTableName) {
    // "genuineintel": EBX "genu", EDX "inei", ECX "ntel".
    UseLeaves("\"00000000\"=\"00000001 756e6567 6c65746e 69656e69\"\n"
              "\"00000001\"=\"00000686 00000001 00000000 00000000\"\n");
    hs::CpuInfo info;
    EXPECT_EQ(info.InitCpuStates(), 1u);
    EXPECT_EQ(info.GetVendorString(), "genuineintel");
    EXPECT_EQ(info.m_cpuStates.GetVendor(), hs::CCpuStates::VENDOR_INTEL);
    EXPECT_EQ(info.m_cpuStates.GetName(), "Intel Pentium(R) III Coppermine processor");
}

TEST(CpuInitStates, UnknownVendorGetsNoTableName) {
    // "GenuineIntal" is not a known vendor.
    UseLeaves("\"00000000\"=\"00000001 756e6547 6c61746e 49656e69\"\n"
              "\"00000001\"=\"00000686 00000001 00000000 00800000\"\n");
    hs::CpuInfo info;
    EXPECT_EQ(info.InitCpuStates(), 1u);
    EXPECT_EQ(info.GetVendorString(), "GenuineIntal");
    EXPECT_EQ(info.m_cpuStates.GetVendor(), hs::CCpuStates::VENDOR_UNKNOWN);
    EXPECT_EQ(info.m_cpuStates.GetName(), "");
}

TEST(CpuInitStates, IntelFamilyOutsideTheTablesGetsOnlyTheMmxSuffix) {
    UseLeaves(std::string(kGenuineIntelLeaf0Max2) + "\"00000001\"=\"00000f29 00020809 00004400 00800000\"\n");
    hs::CpuInfo withMmx;
    EXPECT_EQ(withMmx.InitCpuStates(), 1u);
    EXPECT_EQ(withMmx.m_cpuStates.GetName(), " with MMX");

    UseLeaves(std::string(kGenuineIntelLeaf0Max2) + "\"00000001\"=\"00000f29 00020809 00004400 00000000\"\n");
    hs::CpuInfo without;
    EXPECT_EQ(without.InitCpuStates(), 1u);
    EXPECT_EQ(without.m_cpuStates.GetName(), "");
}

TEST(CpuInitStates, HighestLeafAtOrAboveTheBrandLeafSkipsTheTableName) {
    // The naming step compares leaf 0's answer with 0x80000004.
    UseLeaves("\"00000000\"=\"80000004 756e6547 6c65746e 49656e69\"\n"
              "\"00000001\"=\"00000686 00000001 00000000 00800000\"\n");
    hs::CpuInfo info;
    EXPECT_EQ(info.InitCpuStates(), 1u);
    EXPECT_EQ(info.m_cpuStates.GetVendor(), hs::CCpuStates::VENDOR_INTEL);
    ExpectRegs(info.m_cpuStates.m_leaf1, 0x00000686, 1, 0, 0x00800000, "leaf 1");
    EXPECT_EQ(info.m_cpuStates.GetName(), "");
}

TEST(CpuInitStates, BrandStringWithoutNulIsTakenWhole) {
    UseLeaves(std::string(kGenuineIntelLeaf0Max2) +
              "\"00000001\"=\"00000f29 00020809 00004400 bfebfbff\"\n"
              "\"80000000\"=\"80000004 00000000 00000000 00000000\"\n"
              "\"80000002\"=\"41414141 41414141 41414141 41414141\"\n"
              "\"80000003\"=\"42424242 42424242 42424242 42424242\"\n"
              "\"80000004\"=\"43434343 43434343 43434343 43434343\"\n");
    hs::CpuInfo info;
    EXPECT_EQ(info.InitCpuStates(), 1u);
    EXPECT_EQ(info.m_cpuStates.GetName(), std::string(16, 'A') + std::string(16, 'B') + std::string(16, 'C'));
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
    UseLeaves(kGenuineIntelLeaf0Max2, cputest::Dword("CpuidSupported", 0));
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
