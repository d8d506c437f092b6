// Intel family/model naming, the cache-descriptor test and vendor classes:
// pure functions of CPUID values.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cpu/cpu_states.h"
#include "cpu/intel_name.h"
#include "cpu/vendor.h"

namespace {

std::string NameOf(uint32_t signature, uint32_t brandId = 0, bool noL2 = false, bool largeL2 = false) {
    const char *name = hs::IntelFamilyModelName(signature, brandId, noL2, largeL2);
    return name == nullptr ? std::string("<none>") : std::string(name);
}

TEST(CpuIntelName, ByFamilyModelBrandIdAndCacheRule) {
    const struct {
        uint32_t signature, brandId;
        bool noL2, largeL2;
        const char *name;
    } cases[] = {
        {0x400, 0, false, false, "Intel486(TM) DX processor"},
        {0x420, 0, false, false, "Intel486(TM) SX processor"},
        {0x460, 0, false, false, "Intel 486 processor"},
        {0x470, 0, false, false, "Writeback Enhanced IntelDX2(TM) processor"},
        {0x480, 0, false, false, "IntelDX4(TM) processor"},
        {0x490, 0, false, false, "Intel 486 processor"},
        {0x4F3, 0, false, false, "Intel 486 processor"},
        {0x521, 0, false, false, "Intel Pentium(R) processor"},
        {0x582, 0, false, false, "Intel Pentium(R) processor"},
        {0x611, 0, false, false, "Intel Pentium(R) Pro processor"},
        {0x633, 0, false, false, "Intel Pentium(R) II processor, model 3"},
        {0x660, 0, false, false, "Intel Celeron(TM) processor, model 6"},
        {0x686, 1, false, false, "Intel Pentium(R) III Coppermine processor"},
        // Models 5 and 7: the cache descriptors decide.
        {0x652, 0, true, false, "Intel Celeron(TM) processor, model 5"},
        {0x673, 0, true, true, "Intel Celeron(TM) processor, model 5"},
        {0x652, 0, false, true, "Intel Pentium(R) II Xeon(TM) processor"},
        {0x673, 0, false, true, "Intel Pentium(R) III Xeon(TM) processor"},
        {0x652, 0, false, false, "Intel Pentium(R) II processor, model 5"},
        {0x673, 0, false, false, "Intel Pentium(R) III processor"},
        // Other family-6 models: the brand ID decides.
        {0x6B1, 1, false, false, "Genuine Intel Celeron(TM) processor"},
        {0x6B1, 2, false, false, "Genuine Intel Pentium(R) III processor"},
        {0x6B1, 3, false, false, "Genuine Intel Pentium(R) III Xeon(TM) processor"},
        {0x6B1, 4, false, false, "Unknown Genuine Intel processor"},
        {0x691, 8, false, false, "Genuine Intel Pentium(R) 4 processor"},
        {0x601, 0, false, false, "Unknown Genuine Intel processor"},
        {0x621, 2, false, false, "Genuine Intel Pentium(R) III processor"},
        {0x6F1, 1, false, false, "Genuine Intel Celeron(TM) processor"},
        {0x306A9, 0, false, false, "Unknown Genuine Intel processor"},  // family 6, model 10
        {0xF29, 9, false, false, "<none>"},
        {0x700, 0, false, false, "<none>"},
        {0x300, 0, false, false, "<none>"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(NameOf(c.signature, c.brandId, c.noL2, c.largeL2), c.name)
            << std::hex << c.signature << " brand " << c.brandId << " noL2 " << c.noL2 << " largeL2 " << c.largeL2;
    }
}

// Each case scans its registers in order, starting from cleared flags;
// `first` marks the register whose low byte is the iteration count.
TEST(CpuCacheDescriptorScan, FlagsFromDescriptorBytes) {
    struct Scan {
        uint32_t value;
        bool first;
    };
    const struct {
        const char *what;
        std::vector<Scan> scans;
        uint8_t noL2, largeL2;
    } cases[] = {
        {"0x40 in byte 0", {{0x00000040u, false}}, 1, 0},
        {"0x40 in byte 1", {{0x00004000u, false}}, 1, 0},
        {"0x40 in byte 2", {{0x00400000u, false}}, 1, 0},
        {"0x40 in byte 3", {{0x40000000u, false}}, 1, 0},
        {"iteration-count byte is skipped", {{0x00000044u, true}, {0x00000040u, true}}, 0, 0},
        {"0x44 outside the first register", {{0x00000044u, false}}, 0, 1},
        {"0x45 sets large L2 and flags are never cleared",
         {{0x45000000u, true}, {0x00000000u, false}, {0x0c040843u, false}}, 0, 1},
        // Celeron 266 (no L2) and Pentium III Xeon 550 (1 MB L2), EDX of leaf 2.
        {"Celeron 266", {{0x0c040840u, false}}, 1, 0},
        {"Pentium III Xeon 550", {{0x0c040844u, false}}, 0, 1},
    };
    for (const auto &c : cases) {
        uint8_t noL2 = 0;
        uint8_t largeL2 = 0;
        for (const Scan &scan : c.scans) {
            hs::ScanCacheDescriptorBytes(scan.value, noL2, largeL2, scan.first);
        }
        EXPECT_EQ(noL2, c.noL2) << c.what;
        EXPECT_EQ(largeL2, c.largeL2) << c.what;
    }
}

TEST(CpuVendorClass, KnownVendorsInAnyLetterCaseAndNothingElse) {
    using S = hs::CCpuStates;
    const std::pair<const char *, S::Vendor> cases[] = {
        {"GenuineIntel", S::VENDOR_INTEL},     {"genuineintel", S::VENDOR_INTEL},   {"GENUINEINTEL", S::VENDOR_INTEL},
        {"AuthenticAMD", S::VENDOR_AMD},       {"authenticamd", S::VENDOR_AMD},     {"CyrixInstead", S::VENDOR_CYRIX},
        {"CYRIXinstead", S::VENDOR_CYRIX},     {"CentaurHauls", S::VENDOR_CENTAUR}, {"centaurhauls", S::VENDOR_CENTAUR},
        {"", S::VENDOR_UNKNOWN},               {"GenuineIntel ", S::VENDOR_UNKNOWN},
        {"GenuineIntal", S::VENDOR_UNKNOWN},   {"AMDisbetter!", S::VENDOR_UNKNOWN},
        {"GenuineTMx86", S::VENDOR_UNKNOWN},
    };
    for (const auto &[vendor, expected] : cases) {
        EXPECT_EQ(hs::ClassifyVendorString(vendor), expected) << '"' << vendor << '"';
    }
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
