// The processor detail record over simulated processors.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "cpu/cpu_detail.h"
#include "cpu/detail_state.h"
#include "cpu_machine_support.h"
#include "platform/platform.h"

namespace {

using cputest::Dword;
using cputest::ProcessorValues;
using cputest::SystemKey;
using cputest::UseLeaves;
using cputest::UseProcessor;

// The members are read by value: the record is packed to 4 bytes, so its
// pointers and the 64-bit speed may sit off their natural alignment.
//
// The collector's record: zeroed, with its three zeroed buffers and room for
// eight packages.
class CpuDetailRecord : public ::testing::Test {
protected:
    void SetUp() override {
        hs::ResetDetailState();
        ResetRecord();
    }
    void ResetRecord() {
        std::memset(&m_detail, 0, sizeof m_detail);
        std::memset(m_packages, 0, sizeof m_packages);
        std::memset(m_caches, 0, sizeof m_caches);
        std::memset(m_brand, 0, sizeof m_brand);
        m_detail.packageCapacity = 8;
        m_detail.packageTable = m_packages;
        m_detail.cacheTable = m_caches;
        m_detail.brandString = m_brand;
    }
    void TearDown() override { hs::ResetDetailState(); }

    uint32_t Fill(uint32_t durationMs = 1000) { return hs::FillCpuDetail(durationMs, &m_detail); }

    void ExpectCache(uint32_t type, uint32_t size, uint32_t ways, uint32_t lineSize, uint32_t linesPerTag) {
        EXPECT_EQ(m_caches[type].size, size) << hs::CacheTypeName(type);
        EXPECT_EQ(m_caches[type].ways, ways) << hs::CacheTypeName(type);
        EXPECT_EQ(m_caches[type].lineSize, lineSize) << hs::CacheTypeName(type);
        EXPECT_EQ(m_caches[type].linesPerTag, linesPerTag) << hs::CacheTypeName(type);
    }
    void ExpectNoCacheEntries() {
        for (uint32_t t = 0; t < hs::kCacheTypeCount; ++t) {
            ExpectCache(t, 0, 0, 0, 0);
        }
    }
    void ExpectBuffersKept() {
        EXPECT_EQ(static_cast<const void *>(m_detail.packageTable), static_cast<const void *>(m_packages));
        EXPECT_EQ(static_cast<const void *>(m_detail.cacheTable), static_cast<const void *>(m_caches));
        EXPECT_EQ(static_cast<const void *>(m_detail.brandString), static_cast<const void *>(m_brand));
        EXPECT_EQ(m_detail.packageCapacity, 8u);
    }

    hs::CpuDetail m_detail;
    hs::CpuPackageEntry m_packages[8];
    hs::CacheInfoEntry m_caches[hs::kCacheTypeCount];
    char m_brand[48];
};

const std::string kP4 = "intel-pentium-4-2800-northwood-ht";

TEST_F(CpuDetailRecord, Pentium4WithHyperThreadingOn) {
    UseProcessor(kP4, ProcessorValues(Dword("TscKHz", 2800000)) + SystemKey(2, 0x3, 0x3));
    EXPECT_EQ(Fill(), 1u);
    EXPECT_EQ(m_detail.valid, 1u);
    EXPECT_EQ(m_detail.cpuidSupported, 1u);
    EXPECT_EQ(m_detail.notGenuineIntel, 0u);
    EXPECT_EQ(m_detail.vendorClass, 1u);
    EXPECT_EQ(m_detail.family, 15u);
    EXPECT_EQ(m_detail.model, 2u);
    EXPECT_EQ(m_detail.stepping, 9u);
    EXPECT_EQ(m_detail.processorType, 0u);
    EXPECT_EQ(m_detail.extendedFamily, 0u);
    EXPECT_EQ(m_detail.extendedModel, 0u);
    EXPECT_EQ(m_detail.familyAtLeast6, 1u);
    EXPECT_EQ(m_detail.featureFlags, 0xbfebfbffu);
    EXPECT_EQ(m_detail.extFeatureFlags, 0u);
    EXPECT_EQ(m_detail.leaf1Ebx, 0x00020809u);
    EXPECT_EQ(m_detail.brandId, 9u);
    EXPECT_EQ(m_detail.clflushLineSize, 8u);
    EXPECT_EQ(m_detail.hasMmx, 1u);
    EXPECT_EQ(m_detail.hasSse, 1u);
    EXPECT_EQ(m_detail.hasMmxExt, 1u);
    EXPECT_EQ(m_detail.hasSse2, 1u);
    EXPECT_EQ(m_detail.sse2ExtraBit, 0u);
    EXPECT_EQ(m_detail.has3DNow, 0u);
    EXPECT_EQ(m_detail.has3DNowExt, 0u);
    EXPECT_EQ(m_detail.hasTsc, 1u);
    EXPECT_EQ(m_detail.hasDaz, 1u);
    EXPECT_EQ(int64_t{m_detail.speedKHz}, 2800000);
    // Hyper-threading and the package.
    EXPECT_EQ(m_detail.logicalPerPackage, 2u);
    EXPECT_EQ(m_detail.htStatus, static_cast<uint32_t>(hs::HT_ENABLED_AVAILABLE));
    EXPECT_EQ(m_detail.htAvailable, 1u);
    EXPECT_EQ(m_detail.packageCount, 1u);
    EXPECT_EQ(m_detail.logicalCount, 2u);
    EXPECT_EQ(m_detail.firstLogicalMask, 0x1u);
    EXPECT_EQ(m_detail.otherLogicalMask, 0x2u);
    EXPECT_EQ(m_packages[0].packageId, 0u);
    EXPECT_EQ(m_packages[0].firstAffinityBit, 0x1u);
    EXPECT_EQ(m_packages[0].siblingAffinityMask, 0x2u);
    EXPECT_EQ(m_packages[1].firstAffinityBit, 0u);
    // Leaf 2 665B5001 00000000 00000000 007B7040.
    ExpectCache(hs::CACHE_ITLB, 64, 0, 0, 0);
    ExpectCache(hs::CACHE_DTLB, 64, 0, 0, 0);
    ExpectCache(hs::CACHE_L1D, 8, 4, 64, 0);
    ExpectCache(hs::CACHE_TC, 12, 8, 0, 0);
    ExpectCache(hs::CACHE_L2, 512, 8, 64, 0);
    ExpectCache(hs::CACHE_L1I, 0, 0, 0, 0);
    ExpectCache(hs::CACHE_L3, 0, 0, 0, 0);
    EXPECT_STREQ(m_brand, "              Intel(R) Pentium(R) 4 CPU 2.80GHz");
    ExpectBuffersKept();
    // The walk put the affinity back.
    DWORD_PTR processMask = 0;
    DWORD_PTR systemMask = 0;
    GetProcessAffinityMask(GetCurrentProcess(), &processMask, &systemMask);
    EXPECT_EQ(processMask, 0x3u);
}

TEST_F(CpuDetailRecord, Pentium4WithHyperThreadingDisabledOnTwoPackages) {
    UseProcessor(kP4, ProcessorValues("\"ApicIds\"=hex:00,06\n" + Dword("TscKHz", 2800000)) +
                          SystemKey(2, 0x3, 0x3));
    EXPECT_EQ(Fill(), 1u);
    EXPECT_EQ(m_detail.logicalPerPackage, 2u);
    EXPECT_EQ(m_detail.htStatus, static_cast<uint32_t>(hs::HT_ENABLED_NOT_AVAILABLE));
    EXPECT_EQ(m_detail.htAvailable, 0u);
    EXPECT_EQ(m_detail.packageCount, 2u);
    EXPECT_EQ(m_detail.logicalCount, 2u);
    EXPECT_EQ(m_detail.firstLogicalMask, 0x3u);
    EXPECT_EQ(m_detail.otherLogicalMask, 0x0u);
    EXPECT_EQ(m_packages[0].packageId, 0u);
    EXPECT_EQ(m_packages[0].firstAffinityBit, 0x1u);
    EXPECT_EQ(m_packages[1].packageId, 3u);
    EXPECT_EQ(m_packages[1].firstAffinityBit, 0x2u);
    EXPECT_EQ(m_packages[0].siblingAffinityMask, 0u);
    EXPECT_EQ(m_packages[1].siblingAffinityMask, 0u);
    EXPECT_STREQ(hs::HtStatusName(m_detail.htStatus), "HT enabled, but not available");
}

TEST_F(CpuDetailRecord, MasksOf0x5SkipTheMissingProcessor) {
    UseProcessor("intel-pentium-iii-xeon-550-tanner-8way", ProcessorValues(Dword("TscKHz", 550000)) +
                                                              SystemKey(2, 0x5, 0x5));
    EXPECT_EQ(Fill(), 1u);
    EXPECT_EQ(m_detail.logicalCount, 2u);
    EXPECT_EQ(m_detail.packageCount, 2u);
    EXPECT_EQ(m_detail.firstLogicalMask, 0x5u);
    EXPECT_EQ(m_detail.otherLogicalMask, 0x0u);
    EXPECT_EQ(m_detail.logicalPerPackage, 1u);
    EXPECT_EQ(m_detail.htStatus, static_cast<uint32_t>(hs::HT_NOT_DETECTED));  // no HTT bit
    // All eight report APIC ID 0: both are package 0; the second finds the
    // first entry as its package.
    EXPECT_EQ(m_packages[0].firstAffinityBit, 0x1u);
    EXPECT_EQ(m_packages[0].siblingAffinityMask, 0x4u);
    EXPECT_EQ(m_packages[1].firstAffinityBit, 0x4u);
    EXPECT_EQ(m_packages[1].siblingAffinityMask, 0x0u);
    // P III Xeon, leaf 2 03020101 ... 0C040844.
    EXPECT_EQ(int64_t{m_detail.speedKHz}, 550000);
    ExpectCache(hs::CACHE_L2, 1024, 4, 32, 0);
    ExpectCache(hs::CACHE_L1I, 16, 4, 32, 0);
    ExpectCache(hs::CACHE_L1D, 16, 4, 32, 0);
    ExpectCache(hs::CACHE_ITLB, 2, 0, 0, 0);
    ExpectCache(hs::CACHE_DTLB, 8, 0, 0, 0);
    EXPECT_STREQ(m_brand, "");  // no brand-string leaves
}

TEST_F(CpuDetailRecord, WalkStaysWithinTheProcessMaskAndRestoresIt) {
    UseProcessor(kP4, ProcessorValues("\"ApicIds\"=hex:00,01,02,03\n") + SystemKey(4, 0xF, 0x3));
    EXPECT_EQ(Fill(0), 1u);
    DWORD_PTR processMask = 0;
    DWORD_PTR systemMask = 0;
    GetProcessAffinityMask(GetCurrentProcess(), &processMask, &systemMask);
    EXPECT_EQ(processMask, 0x3u);
    EXPECT_EQ(systemMask, 0xFu);
    EXPECT_EQ(m_detail.logicalCount, 2u);  // bit 0x4 exceeds the process mask
    EXPECT_EQ(m_detail.packageCount, 1u);
    EXPECT_EQ(m_detail.firstLogicalMask, 0x1u);
    EXPECT_EQ(m_detail.otherLogicalMask, 0x2u);
}

TEST_F(CpuDetailRecord, SandyBridgeIsFamily6WithHyperThreadingNotEnabled) {
    UseProcessor("intel-core-i5-2400-sandy-bridge", ProcessorValues(Dword("TscKHz", 3100000)) +
                                                        SystemKey(4, 0xF, 0xF));
    EXPECT_EQ(Fill(), 1u);
    EXPECT_EQ(m_detail.family, 6u);
    EXPECT_EQ(m_detail.model, 0xAu);
    EXPECT_EQ(m_detail.extendedModel, 2u);
    EXPECT_EQ(m_detail.stepping, 7u);
    EXPECT_EQ(m_detail.brandId, 0u);
    EXPECT_EQ(m_detail.clflushLineSize, 8u);
    EXPECT_EQ(m_detail.extFeatureFlags, 0x28100000u);
    EXPECT_EQ(m_detail.logicalPerPackage, 1u);
    EXPECT_EQ(m_detail.htStatus, static_cast<uint32_t>(hs::HT_DETECTED_NOT_ENABLED));
    EXPECT_EQ(m_detail.packageCount, 4u);
    EXPECT_EQ(m_detail.logicalCount, 4u);
    EXPECT_EQ(m_detail.firstLogicalMask, 0xFu);
    EXPECT_EQ(m_packages[3].packageId, 6u);
    EXPECT_EQ(m_packages[3].firstAffinityBit, 0x8u);
    EXPECT_EQ(int64_t{m_detail.speedKHz}, 3100000);
    // Leaf 2 76035A01 00F0B0FF 00000000 00CA0000: only 0x03 and 0xB0 known.
    ExpectCache(hs::CACHE_DTLB, 64, 0, 0, 0);
    ExpectCache(hs::CACHE_ITLB, 128, 0, 0, 0);
    ExpectCache(hs::CACHE_L2, 0, 0, 0, 0);
    ExpectCache(hs::CACHE_L1D, 0, 0, 0, 0);
    EXPECT_STREQ(m_brand, "        Intel(R) Core(TM) i5-2400 CPU @ 3.10GHz");
}

TEST_F(CpuDetailRecord, AmdAthlon) {
    UseProcessor("amd-athlon-1400-thunderbird",
                 ProcessorValues(Dword("TscKHz", 1400000) + Dword("Sse2Fault", 0xC000001D)));
    EXPECT_EQ(Fill(), 1u);
    EXPECT_EQ(m_detail.notGenuineIntel, 1u);
    EXPECT_EQ(m_detail.vendorClass, 2u);
    EXPECT_EQ(m_detail.family, 6u);
    EXPECT_EQ(m_detail.model, 4u);
    EXPECT_EQ(m_detail.stepping, 4u);
    EXPECT_EQ(m_detail.featureFlags, 0x0183f9ffu);
    EXPECT_EQ(m_detail.extFeatureFlags, 0xc1c7f9ffu);
    EXPECT_EQ(m_detail.has3DNow, 1u);
    EXPECT_EQ(m_detail.has3DNowExt, 1u);
    EXPECT_EQ(m_detail.hasMmxExt, 1u);
    EXPECT_EQ(m_detail.hasMmx, 1u);
    EXPECT_EQ(m_detail.hasSse, 0u);
    EXPECT_EQ(m_detail.hasSse2, 0u);
    EXPECT_EQ(m_detail.sse2ExtraBit, 0u);
    EXPECT_EQ(m_detail.hasDaz, 0u);  // FXSR but neither SSE bit
    EXPECT_EQ(m_detail.logicalPerPackage, 1u);
    EXPECT_EQ(m_detail.htStatus, static_cast<uint32_t>(hs::HT_NOT_DETECTED));
    EXPECT_EQ(m_detail.packageCount, 1u);
    EXPECT_EQ(m_detail.logicalCount, 1u);
    EXPECT_EQ(int64_t{m_detail.speedKHz}, 1400000);
    ExpectCache(hs::CACHE_L1D, 64, 2, 64, 1);
    ExpectCache(hs::CACHE_L1I, 64, 2, 64, 1);
    ExpectCache(hs::CACHE_L2, 256, 16, 64, 1);
    ExpectCache(hs::CACHE_ITLB, 0, 0, 0, 0);
    ExpectCache(hs::CACHE_NULL, 0, 0, 0, 0);
    EXPECT_STREQ(m_brand, "AMD Athlon(tm) Processor");
}

TEST_F(CpuDetailRecord, AmdAthlon64AndRyzen) {
    UseProcessor("amd-athlon-64-2800-clawhammer");
    EXPECT_EQ(Fill(0), 1u);
    EXPECT_EQ(m_detail.family, 15u);
    EXPECT_EQ(m_detail.model, 4u);
    EXPECT_EQ(m_detail.stepping, 10u);
    EXPECT_EQ(m_detail.logicalPerPackage, 1u);  // not Intel: leaf-1 EBX is not read
    EXPECT_EQ(m_detail.htStatus, static_cast<uint32_t>(hs::HT_NOT_DETECTED));
    ExpectCache(hs::CACHE_L1D, 64, 2, 64, 1);
    ExpectCache(hs::CACHE_L2, 512, 16, 64, 1);
    EXPECT_STREQ(m_brand, "AMD Athlon(tm) 64 Processor 2800+");

    hs::ResetDetailState();
    SetUp();
    UseProcessor("amd-ryzen-5-1600");
    EXPECT_EQ(Fill(0), 1u);
    EXPECT_EQ(m_detail.family, 15u);
    EXPECT_EQ(m_detail.extendedFamily, 8u);
    EXPECT_EQ(m_detail.model, 1u);
    EXPECT_EQ(m_detail.extendedModel, 0u);
    EXPECT_EQ(m_detail.stepping, 1u);
    EXPECT_EQ(m_detail.has3DNow, 0u);
    ExpectCache(hs::CACHE_L1D, 32, 8, 64, 1);
    ExpectCache(hs::CACHE_L1I, 64, 4, 64, 1);
    ExpectCache(hs::CACHE_L2, 512, 8, 64, 1);
    EXPECT_STREQ(m_brand, "AMD Ryzen 5 1600 Six-Core Processor            ");  // 12 trailing spaces
}

TEST_F(CpuDetailRecord, Family5IntelGetsTheNoBrandStringText) {
    UseProcessor("intel-pentium-mmx-mobile-tillamook", ProcessorValues(Dword("TscKHz", 233000)));
    EXPECT_EQ(Fill(0), 1u);
    EXPECT_EQ(m_detail.family, 5u);
    EXPECT_EQ(m_detail.familyAtLeast6, 0u);
    EXPECT_EQ(m_detail.hasMmx, 1u);
    EXPECT_EQ(m_detail.hasTsc, 1u);
    EXPECT_EQ(int64_t{m_detail.speedKHz}, 0);  // duration 0: not measured
    EXPECT_EQ(std::memcmp(m_brand, "<Processor string not supported>", 33), 0);
    ExpectNoCacheEntries();
    EXPECT_EQ(m_detail.htStatus, static_cast<uint32_t>(hs::HT_NOT_DETECTED));
}

TEST_F(CpuDetailRecord, Family6IntelWithoutBrandLeavesKeepsAnEmptyBuffer) {
    UseProcessor("intel-celeron-700-coppermine-128", ProcessorValues(Dword("TscKHz", 700000)));
    EXPECT_EQ(Fill(), 1u);
    for (char c : m_brand) {
        EXPECT_EQ(c, '\0');
    }
    EXPECT_EQ(m_detail.brandId, 1u);
    EXPECT_EQ(int64_t{m_detail.speedKHz}, 700000);
    char name[256];
    EXPECT_EQ(hs::GetBrandName(name, sizeof name, &m_detail), 1u);
    EXPECT_STREQ(name, "Intel(R) Celeron(R) Processor");
    // Leaf 2 03020101 ... 0C040841: the later ITLB and DTLB rows win.
    ExpectCache(hs::CACHE_ITLB, 2, 0, 0, 0);
    ExpectCache(hs::CACHE_DTLB, 8, 0, 0, 0);
    ExpectCache(hs::CACHE_L2, 128, 4, 32, 0);
}

TEST_F(CpuDetailRecord, CyrixAndViaAreNeitherIntelNorAmd) {
    UseProcessor("cyrix-mediagxm-233");
    EXPECT_EQ(Fill(0), 1u);
    EXPECT_EQ(m_detail.vendorClass, 0u);
    EXPECT_EQ(m_detail.notGenuineIntel, 1u);
    EXPECT_EQ(m_detail.family, 5u);
    EXPECT_EQ(std::memcmp(m_brand, "<Processor string not supported>", 33), 0);
    ExpectNoCacheEntries();

    SetUp();
    UseProcessor("via-c3-1000-nehemiah");
    EXPECT_EQ(Fill(0), 1u);
    EXPECT_EQ(m_detail.vendorClass, 0u);
    EXPECT_EQ(m_detail.notGenuineIntel, 1u);
    EXPECT_EQ(m_detail.family, 6u);
    EXPECT_EQ(m_detail.extFeatureFlags, 0x1380b135u);
    EXPECT_EQ(m_detail.has3DNow, 0u);  // only AMD's bits count
    ExpectNoCacheEntries();
    EXPECT_STREQ(m_brand, "VIA Nehemiah");
}

TEST_F(CpuDetailRecord, VendorDifferingOnlyInItsFirstByte) {
    // "XenuineIntel".
    UseLeaves("\"00000000\"=\"00000002 756e6558 6c65746e 49656e69\"\n"
              "\"00000001\"=\"00000686 00000001 00000000 0383f9ff\"\n"
              "\"00000002\"=\"03020101 00000000 00000000 0c040841\"\n");
    EXPECT_EQ(Fill(0), 1u);
    EXPECT_EQ(m_detail.vendorClass, 0u);
    EXPECT_EQ(m_detail.notGenuineIntel, 1u);
    ExpectNoCacheEntries();
}

TEST_F(CpuDetailRecord, NotIntelMarkOutlivesTheCallUntilReset) {
    UseProcessor("amd-athlon-1400-thunderbird");
    EXPECT_EQ(Fill(0), 1u);
    EXPECT_EQ(m_detail.notGenuineIntel, 1u);
    // A second fill in the same module keeps the mark.
    UseProcessor(kP4, SystemKey(2, 0x3, 0x3));
    ResetRecord();
    EXPECT_EQ(Fill(0), 1u);
    EXPECT_EQ(m_detail.vendorClass, 1u);
    EXPECT_EQ(m_detail.notGenuineIntel, 1u);
    EXPECT_EQ(m_detail.htStatus, static_cast<uint32_t>(hs::HT_NOT_DETECTED));
    ExpectNoCacheEntries();
    // After a reset the same processor is genuine.
    hs::ResetDetailState();
    ResetRecord();
    EXPECT_EQ(Fill(0), 1u);
    EXPECT_EQ(m_detail.notGenuineIntel, 0u);
    EXPECT_EQ(m_detail.htStatus, static_cast<uint32_t>(hs::HT_ENABLED_AVAILABLE));
}

TEST_F(CpuDetailRecord, Sse2ExecutingWithoutItsFeatureBit) {
    UseProcessor("amd-athlon-1400-thunderbird");  // SSE2 probe executes by default
    EXPECT_EQ(Fill(0), 1u);
    EXPECT_EQ(m_detail.hasSse2, 1u);
    EXPECT_EQ(m_detail.sse2ExtraBit, 0x04000000u);
}

TEST_F(CpuDetailRecord, ProbeFaultsOtherThanIllegalInstruction) {
    UseProcessor(kP4, ProcessorValues(Dword("SseFault", 0xC0000005) + Dword("Sse2Fault", 0xC0000005)) +
                          SystemKey(2, 0x3, 0x3));
    EXPECT_EQ(Fill(0), 1u);
    EXPECT_EQ(m_detail.hasSse, 0u);     // any fault: no SSE
    EXPECT_EQ(m_detail.hasMmxExt, 0u);
    EXPECT_EQ(m_detail.hasSse2, 1u);    // only an illegal instruction rules SSE2 out
}

TEST_F(CpuDetailRecord, DenormalsAreZeroFromTheMxcsrMask) {
    UseProcessor(kP4, ProcessorValues(Dword("MxcsrMask", 0xFFBF)) + SystemKey(2, 0x3, 0x3));
    EXPECT_EQ(Fill(0), 1u);
    EXPECT_EQ(m_detail.hasDaz, 0u);

    SetUp();
    UseProcessor(kP4, ProcessorValues(Dword("MxcsrMask", 0)) + SystemKey(2, 0x3, 0x3));
    EXPECT_EQ(Fill(0), 1u);
    EXPECT_EQ(m_detail.hasDaz, 0u);  // 0 reads as 0xFFBF

    SetUp();
    UseProcessor(kP4, ProcessorValues(Dword("MxcsrMask", 0x40)) + SystemKey(2, 0x3, 0x3));
    EXPECT_EQ(Fill(0), 1u);
    EXPECT_EQ(m_detail.hasDaz, 1u);
}

TEST_F(CpuDetailRecord, WithoutTscTheSpeedIsAllOnes) {
    UseLeaves("\"00000000\"=\"00000001 756e6547 6c65746e 49656e69\"\n"
              "\"00000001\"=\"00000543 00000000 00000000 00000000\"\n",
              Dword("TscKHz", 100000));
    EXPECT_EQ(Fill(), 1u);
    EXPECT_EQ(m_detail.hasTsc, 0u);
    EXPECT_EQ(int64_t{m_detail.speedKHz}, -1);
    uint32_t halves[2];
    std::memcpy(halves, reinterpret_cast<const char *>(&m_detail) + 56, sizeof halves);
    EXPECT_EQ(halves[0], 0xFFFFFFFFu);
    EXPECT_EQ(halves[1], 0xFFFFFFFFu);
}

TEST_F(CpuDetailRecord, UnavailableTimerLeavesTheSpeedZero) {
    UseProcessor(kP4, ProcessorValues(Dword("TscKHz", 2800000)) + SystemKey(2, 0x3, 0x3) +
                          "[HKEY_SIMULATION\\Timer]\n\"DevCapsFails\"=dword:00000001\n");
    EXPECT_EQ(Fill(), 1u);
    EXPECT_EQ(m_detail.hasTsc, 1u);
    EXPECT_EQ(int64_t{m_detail.speedKHz}, 0);
}

TEST_F(CpuDetailRecord, BrandStringWithoutNulIsCutToFitTheBuffer) {
    UseLeaves("\"00000000\"=\"00000002 756e6547 6c65746e 49656e69\"\n"
              "\"00000001\"=\"00000f29 00020809 00004400 bfebfbff\"\n"
              "\"80000000\"=\"80000004 00000000 00000000 00000000\"\n"
              "\"80000002\"=\"41414141 41414141 41414141 41414141\"\n"
              "\"80000003\"=\"42424242 42424242 42424242 42424242\"\n"
              "\"80000004\"=\"43434343 43434343 43434343 43434343\"\n");
    EXPECT_EQ(Fill(0), 1u);
    EXPECT_EQ(std::string(m_brand, 47), std::string(16, 'A') + std::string(16, 'B') + std::string(15, 'C'));
    EXPECT_EQ(m_brand[47], '\0');
}

TEST_F(CpuDetailRecord, BrandStringIsCopiedUpToItsNul) {
    std::memset(m_brand, 'z', sizeof m_brand);
    UseProcessor("via-c3-1000-nehemiah");
    EXPECT_EQ(Fill(0), 1u);
    EXPECT_EQ(std::string(m_brand, 13), std::string("VIA Nehemiah") + '\0');
    EXPECT_EQ(m_brand[13], 'z');  // bytes after the NUL are not written
}

TEST_F(CpuDetailRecord, NoCpuidLeavesTheCallersRecordAlone) {
    UseLeaves("\"00000000\"=\"00000002 756e6547 6c65746e 49656e69\"\n", Dword("CpuidSupported", 0));
    EXPECT_EQ(Fill(), 1u);
    EXPECT_EQ(m_detail.valid, 0u);
    EXPECT_EQ(m_detail.cpuidSupported, 0u);
    EXPECT_EQ(m_detail.htStatus, 0u);
    EXPECT_STREQ(hs::HtStatusName(m_detail.htStatus), "Error detecting HT");
    ExpectBuffersKept();
    EXPECT_EQ(hs::DetailState().working.valid, 1u);
}

TEST_F(CpuDetailRecord, NullRecord) {
    UseProcessor(kP4, SystemKey(2, 0x3, 0x3));
    EXPECT_EQ(hs::FillCpuDetail(1000, nullptr), 0u);
    EXPECT_EQ(hs::DetailState().working.valid, 0u);
}

TEST_F(CpuDetailRecord, NullBuffersAreNotWritten) {
    UseProcessor(kP4, SystemKey(2, 0x3, 0x3));
    m_detail.packageTable = nullptr;
    m_detail.cacheTable = nullptr;
    m_detail.brandString = nullptr;
    EXPECT_EQ(Fill(0), 1u);
    EXPECT_EQ(static_cast<const void *>(m_detail.packageTable), nullptr);
    EXPECT_EQ(static_cast<const void *>(m_detail.cacheTable), nullptr);
    EXPECT_EQ(static_cast<const void *>(m_detail.brandString), nullptr);
    EXPECT_EQ(m_detail.packageCapacity, 0u);  // taken only together with a table
    EXPECT_EQ(m_detail.packageCount, 1u);
    EXPECT_EQ(m_detail.logicalCount, 2u);
    EXPECT_EQ(m_detail.htStatus, static_cast<uint32_t>(hs::HT_ENABLED_AVAILABLE));
    ExpectNoCacheEntries();
    EXPECT_STREQ(m_brand, "");
}

}  // namespace
