// Intel family/model naming, the cache-descriptor test and vendor classes:
// pure functions of CPUID values.
#include <gtest/gtest.h>

#include <string>

#include "cpu/cpu_states.h"
#include "cpu/intel_name.h"
#include "cpu/vendor.h"

namespace {

std::string NameOf(uint32_t signature, uint32_t brandId = 0, bool noL2 = false, bool largeL2 = false) {
    const char *name = hs::IntelFamilyModelName(signature, brandId, noL2, largeL2);
    return name == nullptr ? std::string("<none>") : std::string(name);
}

TEST(CpuIntelName, Family4ByModel) {
    EXPECT_EQ(NameOf(0x400), "Intel486(TM) DX processor");
    EXPECT_EQ(NameOf(0x410), "Intel486(TM) DX processor");
    EXPECT_EQ(NameOf(0x420), "Intel486(TM) SX processor");
    EXPECT_EQ(NameOf(0x430), "IntelDX2(TM) processor");
    EXPECT_EQ(NameOf(0x440), "Intel486(TM) processor");
    EXPECT_EQ(NameOf(0x450), "IntelSX2(TM) processor");
    EXPECT_EQ(NameOf(0x460), "Intel 486 processor");
    EXPECT_EQ(NameOf(0x470), "Writeback Enhanced IntelDX2(TM) processor");
    EXPECT_EQ(NameOf(0x480), "IntelDX4(TM) processor");
    EXPECT_EQ(NameOf(0x490), "Intel 486 processor");
    EXPECT_EQ(NameOf(0x4F3), "Intel 486 processor");
}

TEST(CpuIntelName, Family5IsPentiumWhateverTheModel) {
    EXPECT_EQ(NameOf(0x521), "Intel Pentium(R) processor");
    EXPECT_EQ(NameOf(0x582), "Intel Pentium(R) processor");
}

TEST(CpuIntelName, Family6FixedModels) {
    EXPECT_EQ(NameOf(0x611), "Intel Pentium(R) Pro processor");
    EXPECT_EQ(NameOf(0x633), "Intel Pentium(R) II processor, model 3");
    EXPECT_EQ(NameOf(0x660), "Intel Celeron(TM) processor, model 6");
    EXPECT_EQ(NameOf(0x686, 1), "Intel Pentium(R) III Coppermine processor");
}

TEST(CpuIntelName, Family6CacheRule) {
    EXPECT_EQ(NameOf(0x652, 0, true, false), "Intel Celeron(TM) processor, model 5");
    EXPECT_EQ(NameOf(0x673, 0, true, true), "Intel Celeron(TM) processor, model 5");
    EXPECT_EQ(NameOf(0x652, 0, false, true), "Intel Pentium(R) II Xeon(TM) processor");
    EXPECT_EQ(NameOf(0x673, 0, false, true), "Intel Pentium(R) III Xeon(TM) processor");
    EXPECT_EQ(NameOf(0x652), "Intel Pentium(R) II processor, model 5");
    EXPECT_EQ(NameOf(0x673), "Intel Pentium(R) III processor");
}

TEST(CpuIntelName, Family6BrandIdRule) {
    EXPECT_EQ(NameOf(0x6B1, 1), "Genuine Intel Celeron(TM) processor");
    EXPECT_EQ(NameOf(0x6B1, 2), "Genuine Intel Pentium(R) III processor");
    EXPECT_EQ(NameOf(0x6B1, 3), "Genuine Intel Pentium(R) III Xeon(TM) processor");
    EXPECT_EQ(NameOf(0x6B1, 4), "Unknown Genuine Intel processor");
    EXPECT_EQ(NameOf(0x691, 8), "Genuine Intel Pentium(R) 4 processor");
    EXPECT_EQ(NameOf(0x601, 0), "Unknown Genuine Intel processor");
    EXPECT_EQ(NameOf(0x621, 2), "Genuine Intel Pentium(R) III processor");
    EXPECT_EQ(NameOf(0x641, 3), "Genuine Intel Pentium(R) III Xeon(TM) processor");
    EXPECT_EQ(NameOf(0x6F1, 1), "Genuine Intel Celeron(TM) processor");
}

TEST(CpuIntelName, OtherFamiliesHaveNoTableName) {
    EXPECT_EQ(NameOf(0xF29, 9), "<none>");
    EXPECT_EQ(NameOf(0x306A9), "Unknown Genuine Intel processor");  // family 6, model 10
    EXPECT_EQ(NameOf(0x700), "<none>");
    EXPECT_EQ(NameOf(0x300), "<none>");
}

TEST(CpuCacheDescriptorScan, Descriptor40AnywhereSetsNoL2) {
    for (int shift = 0; shift < 32; shift += 8) {
        uint8_t noL2 = 0;
        uint8_t largeL2 = 0;
        hs::ScanCacheDescriptorBytes(0x40u << shift, noL2, largeL2, false);
        EXPECT_EQ(noL2, 1) << "shift " << shift;
        EXPECT_EQ(largeL2, 0) << "shift " << shift;
    }
}

TEST(CpuCacheDescriptorScan, LowByteOfTheFirstRegisterIsTheIterationCount) {
    uint8_t noL2 = 0;
    uint8_t largeL2 = 0;
    hs::ScanCacheDescriptorBytes(0x00000044u, noL2, largeL2, true);
    hs::ScanCacheDescriptorBytes(0x00000040u, noL2, largeL2, true);
    EXPECT_EQ(noL2, 0);
    EXPECT_EQ(largeL2, 0);
    hs::ScanCacheDescriptorBytes(0x00000044u, noL2, largeL2, false);
    EXPECT_EQ(largeL2, 1);
    EXPECT_EQ(noL2, 0);
}

TEST(CpuCacheDescriptorScan, Descriptors44And45SetLargeL2AndFlagsAreNeverCleared) {
    uint8_t noL2 = 0;
    uint8_t largeL2 = 0;
    hs::ScanCacheDescriptorBytes(0x45000000u, noL2, largeL2, true);
    EXPECT_EQ(largeL2, 1);
    hs::ScanCacheDescriptorBytes(0x00000000u, noL2, largeL2, false);
    EXPECT_EQ(largeL2, 1);
    hs::ScanCacheDescriptorBytes(0x0c040843u, noL2, largeL2, false);
    EXPECT_EQ(noL2, 0);
    EXPECT_EQ(largeL2, 1);
}

TEST(CpuCacheDescriptorScan, RealLeaf2Registers) {
    // Celeron 266 (no L2) and Pentium III Xeon 550 (1 MB L2), EDX of leaf 2.
    uint8_t noL2 = 0;
    uint8_t largeL2 = 0;
    hs::ScanCacheDescriptorBytes(0x0c040840u, noL2, largeL2, false);
    EXPECT_EQ(noL2, 1);
    EXPECT_EQ(largeL2, 0);
    noL2 = 0;
    hs::ScanCacheDescriptorBytes(0x0c040844u, noL2, largeL2, false);
    EXPECT_EQ(noL2, 0);
    EXPECT_EQ(largeL2, 1);
}

TEST(CpuVendorClass, KnownVendorsInAnyLetterCase) {
    EXPECT_EQ(hs::ClassifyVendorString("GenuineIntel"), hs::CCpuStates::VENDOR_INTEL);
    EXPECT_EQ(hs::ClassifyVendorString("genuineintel"), hs::CCpuStates::VENDOR_INTEL);
    EXPECT_EQ(hs::ClassifyVendorString("GENUINEINTEL"), hs::CCpuStates::VENDOR_INTEL);
    EXPECT_EQ(hs::ClassifyVendorString("AuthenticAMD"), hs::CCpuStates::VENDOR_AMD);
    EXPECT_EQ(hs::ClassifyVendorString("authenticamd"), hs::CCpuStates::VENDOR_AMD);
    EXPECT_EQ(hs::ClassifyVendorString("CyrixInstead"), hs::CCpuStates::VENDOR_CYRIX);
    EXPECT_EQ(hs::ClassifyVendorString("CYRIXinstead"), hs::CCpuStates::VENDOR_CYRIX);
    EXPECT_EQ(hs::ClassifyVendorString("CentaurHauls"), hs::CCpuStates::VENDOR_CENTAUR);
    EXPECT_EQ(hs::ClassifyVendorString("centaurhauls"), hs::CCpuStates::VENDOR_CENTAUR);
}

TEST(CpuVendorClass, AnythingElseIsUnknown) {
    EXPECT_EQ(hs::ClassifyVendorString(""), hs::CCpuStates::VENDOR_UNKNOWN);
    EXPECT_EQ(hs::ClassifyVendorString("GenuineIntel "), hs::CCpuStates::VENDOR_UNKNOWN);
    EXPECT_EQ(hs::ClassifyVendorString("GenuineIntal"), hs::CCpuStates::VENDOR_UNKNOWN);
    EXPECT_EQ(hs::ClassifyVendorString("AMDisbetter!"), hs::CCpuStates::VENDOR_UNKNOWN);
    EXPECT_EQ(hs::ClassifyVendorString("GenuineTMx86"), hs::CCpuStates::VENDOR_UNKNOWN);
}

TEST(CpuStates, AccessorsAndConstruction) {
    hs::CCpuStates states;
    EXPECT_EQ(states.GetVendorString(), "");
    EXPECT_EQ(states.GetName(), "");
    EXPECT_EQ(states.GetVendor(), hs::CCpuStates::VENDOR_UNKNOWN);
    EXPECT_EQ(states.GetFamily(), 0u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(states.m_leaf1[i], 0u);
        EXPECT_EQ(states.m_cacheA[i], 0u);
        EXPECT_EQ(states.m_cacheB[i], 0u);
    }
    EXPECT_EQ(states.m_cpuidPresent, 0);
    states.SetVendor("AuthenticAMD");
    states.SetName("  AMD Athlon");
    states.m_leaf1[0] = 0x00000F4Au;
    EXPECT_EQ(states.GetVendor(), hs::CCpuStates::VENDOR_AMD);
    EXPECT_EQ(states.GetVendorString(), "AuthenticAMD");
    EXPECT_EQ(states.GetName(), "  AMD Athlon");
    EXPECT_EQ(states.GetFamily(), 15u);
    states.m_leaf1[0] = 0x00800F11u;  // extended family bits are not part of it
    EXPECT_EQ(states.GetFamily(), 15u);
}

}  // namespace
