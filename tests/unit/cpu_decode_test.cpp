// Pure functions of CPUID values: brand table and module names, snapping
// to bus multiples, cache descriptors (Intel leaf 2, AMD extended leaves),
// Intel family/model names and vendor classes. No machine needed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "cpu/bus_snap.h"
#include "cpu/cache_decode.h"
#include "cpu/cpu_detail.h"
#include "cpu/cpu_info.h"
#include "cpu/cpu_states.h"
#include "cpu/intel_name.h"
#include "cpu/vendor.h"

namespace {

uint64_t BitsOf(double value) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

hs::CpuDetail DetailWith(uint32_t family, uint32_t model, uint32_t brandId) {
    hs::CpuDetail detail;
    std::memset(&detail, 0, sizeof detail);
    detail.family = family;
    detail.model = model;
    detail.brandId = brandId;
    return detail;
}

TEST(CpuBrandTable, RowsTheFamily15ExceptionAndBounds) {
    const struct {
        uint32_t family, model, brandId;
        const char *name;
    } cases[] = {
        {6, 8, 0, "This processor does not support the brand identification feature"},
        {6, 8, 1, "Intel(R) Celeron(R) Processor"},
        {6, 8, 3, "Intel(R) Pentium(R) III Xeon Processor"},
        {6, 8, 5, "Reserved (5)"},
        {6, 8, 21, "Reserved (21)"},
        {6, 8, 22, "Banias Mobile Processor (Brand TBD)"},
        {6, 8, 23, ""},
        {6, 8, 255, ""},
        {15, 2, 14, "Mobile Intel(r) Pentium(r) 4 Processor-M"},
        {15, 2, 15, "Mobile Intel(r) Pentium(r) 4 Processor-M"},
        {15, 3, 14, "Intel(R) Xeon(tm) Processor"},
        {15, 2, 13, "Reserved (13)"},
        {6, 2, 14, "Intel(R) Xeon(tm) Processor"},
        {15, 2, 9, "Intel(R) Pentium(R) 4 Processor"},
    };
    for (const auto &c : cases) {
        const hs::CpuDetail detail = DetailWith(c.family, c.model, c.brandId);
        char buffer[256];
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(1u, hs::GetBrandName(buffer, sizeof buffer, &detail)) << c.brandId;
        // The whole rest of the buffer is zero bytes.
        EXPECT_EQ(std::string(c.name) + std::string(256 - std::strlen(c.name), '\0'), std::string(buffer, 256))
            << "family " << c.family << " model " << c.model << " brand ID " << c.brandId;
    }
    // A brand ID past the table, a null buffer or record: 0, nothing written.
    char buffer[12];
    std::memset(buffer, 'x', sizeof buffer);
    hs::CpuDetail detail = DetailWith(6, 8, 256);
    EXPECT_EQ(0u, hs::GetBrandName(buffer, sizeof buffer, &detail));
    detail.brandId = 0xFFFFFFFFu;
    EXPECT_EQ(0u, hs::GetBrandName(buffer, sizeof buffer, &detail));
    detail.brandId = 1;
    EXPECT_EQ(0u, hs::GetBrandName(nullptr, 16, &detail));
    EXPECT_EQ(0u, hs::GetBrandName(buffer, sizeof buffer, nullptr));
    EXPECT_EQ('x', buffer[0]);
    // The copy is bounded by the size: no terminator fits in 8.
    EXPECT_EQ(1u, hs::GetBrandName(buffer, 8, &detail));
    EXPECT_EQ("Intel(R)x", std::string(buffer, 9));
    EXPECT_EQ(1u, hs::GetBrandName(buffer, 0, &detail));
}

TEST(CpuModuleNames, HyperThreadingCacheAndProcessorTypes) {
    const std::vector<std::string> status = {"Error detecting HT", "HT processors not detected",
                                             "HT detected, but not enabled", "HT enabled, but not available",
                                             "HT enabled and available", ""};
    const std::vector<std::string> caches = {"NULL", "L1I", "L1D", "L2", "TC", "L3", "ITLB", "DTLB", ""};
    const std::vector<std::string> types = {"Original OEM Processor", "Intel OverDrive\xAE Processor",
                                            "Dual processor", "Intel reserved", ""};
    std::vector<std::string> actual[3];
    for (uint32_t i = 0; i < status.size(); ++i) actual[0].push_back(hs::HtStatusName(i));
    for (uint32_t i = 0; i <= hs::kCacheTypeCount; ++i) actual[1].push_back(hs::CacheTypeName(i));
    for (uint32_t i = 0; i < types.size(); ++i) actual[2].push_back(hs::ProcessorTypeName(i));
    EXPECT_EQ(status, actual[0]);
    EXPECT_EQ(caches, actual[1]);
    EXPECT_EQ(types, actual[2]);
}

TEST(CpuBusSnap, SnappedFrequencyAndMegahertz) {
    const struct {
        double kHz, snapped;
        uint32_t mhz;
    } cases[] = {
        {2394000.0, 36.0 * hs::kBusStep66, 2399},  // just below 2400: a 66 MHz multiple
        {2406000.0, 2400000.0, 2400},              // just above: the 50 MHz multiple below
        {2400000.0, 2400000.0, 2400},              // exact multiple kept
        {733000.0, 11.0 * hs::kBusStep66, 733},
        {233000.0, 250000.0, 250},
        {0.0, 0.0, 0},
        // 25000 is as far from 0 as from 50000: the candidate above wins.
        {25000.0, 50000.0, 50},
        {2793000.0, 42.0 * hs::kBusStep66, 2799},
        {133000.0, 2.0 * hs::kBusStep66, 133},
        {199999.99, 200000.0, 200},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(BitsOf(c.snapped), BitsOf(hs::SnapToBusMultiple(c.kHz))) << c.kHz;
        EXPECT_EQ(c.mhz, hs::SnappedKHzToMHz(hs::SnapToBusMultiple(c.kHz))) << c.kHz;
    }
    // The 66 MHz step is one unit below the nearest double of 66666.66.
    EXPECT_EQ(0x1.24f7fe147ae14p+21, hs::SnapToBusMultiple(2394000.0));
    // Cycles to kHz: the low 32 bits of a signed quotient.
    EXPECT_EQ(2394000u, hs::CyclesToKHz(2394000000ull, 1000));
    EXPECT_EQ(0u, hs::CyclesToKHz(999ull, 1000));
    EXPECT_EQ(705032704u, hs::CyclesToKHz(5000000000000ull, 1000));  // 5e9 modulo 2^32
    EXPECT_EQ(0xFFFFFFFEu, hs::CyclesToKHz(static_cast<uint64_t>(-2000), 1000));
    EXPECT_EQ(0u, hs::CyclesToKHz(12345ull, 0));
    // kHz to MHz truncates twice.
    EXPECT_EQ(2399u, hs::SnappedKHzToMHz(2399999.76));
    EXPECT_EQ(0u, hs::SnappedKHzToMHz(999.9));
    EXPECT_EQ(1u, hs::SnappedKHzToMHz(1999.0));
}

struct Row {
    uint32_t size, ways, lineSize, linesPerTag;
    bool operator==(const Row &o) const {
        return size == o.size && ways == o.ways && lineSize == o.lineSize && linesPerTag == o.linesPerTag;
    }
};
std::ostream &operator<<(std::ostream &out, const Row &r) {
    return out << "{" << r.size << ", " << r.ways << ", " << r.lineSize << ", " << r.linesPerTag << "}";
}
Row RowOf(const hs::CacheInfoEntry &e) { return {e.size, e.ways, e.lineSize, e.linesPerTag}; }

// Each case decodes one leaf-2 answer into a zeroed table and looks at one
// entry; a descriptor byte alone sits in EBX after an iteration count of 1.
TEST(CpuCacheDecode, IntelDescriptors) {
    static hs::DescriptorTables tables;
    hs::BuildDescriptorTables(tables);
    auto decode = [](uint32_t eax, uint32_t ebx, uint32_t ecx, uint32_t edx, uint32_t type) {
        hs::CacheInfoEntry table[hs::kCacheTypeCount] = {};
        hs::DecodeIntelDescriptors(tables, hs::CpuidRegs{eax, ebx, ecx, edx}, table);
        return RowOf(table[type]);
    };
    const struct {
        const char *what;
        uint32_t eax, ebx, ecx, edx, type;
        Row row;
    } cases[] = {
        {"Pentium 4 ITLB", 0x665B5001u, 0, 0, 0x007A7000u, hs::CACHE_ITLB, {64, 0, 0, 0}},
        {"Pentium 4 DTLB", 0x665B5001u, 0, 0, 0x007A7000u, hs::CACHE_DTLB, {64, 0, 0, 0}},
        {"Pentium 4 L1D", 0x665B5001u, 0, 0, 0x007A7000u, hs::CACHE_L1D, {8, 4, 64, 0}},
        {"Pentium 4 TC", 0x665B5001u, 0, 0, 0x007A7000u, hs::CACHE_TC, {12, 8, 0, 0}},
        {"Pentium 4 L2", 0x665B5001u, 0, 0, 0x007A7000u, hs::CACHE_L2, {256, 8, 64, 0}},
        {"Pentium 4 L1I", 0x665B5001u, 0, 0, 0x007A7000u, hs::CACHE_L1I, {0, 0, 0, 0}},
        {"0x40 (EAX) then 0x43 (EBX): the later wins", 0x00004001u, 0x43, 0, 0, hs::CACHE_L2, {512, 4, 32, 0}},
        {"0x43 then 0x40", 0x00004301u, 0x40, 0, 0, hs::CACHE_L2, {0, 0, 0, 0}},
        {"within one register the low byte comes first", 0x40430001u, 0, 0, 0, hs::CACHE_L2, {0, 0, 0, 0}},
        {"iteration count 0x01 is no descriptor", 0x00000001u, 0, 0, 0, hs::CACHE_ITLB, {0, 0, 0, 0}},
        {"iteration count 0x43 is no descriptor", 0x00000043u, 0, 0, 0, hs::CACHE_L2, {0, 0, 0, 0}},
        {"registers with bit 31 set give nothing", 0x80430001u, 0x80000043u, 0x8000002Cu, 0x80000030u,
         hs::CACHE_L2, {0, 0, 0, 0}},
        {"bit 31 set, L1D", 0x80430001u, 0x80000043u, 0x8000002Cu, 0x80000030u, hs::CACHE_L1D, {0, 0, 0, 0}},
        // The first and last row of each type, the odd 0x40.
        {"0x01", 1, 0x01, 0, 0, hs::CACHE_ITLB, {32, 0, 0, 0}},   {"0x03", 1, 0x03, 0, 0, hs::CACHE_DTLB, {64, 0, 0, 0}},
        {"0x04", 1, 0x04, 0, 0, hs::CACHE_DTLB, {8, 0, 0, 0}},    {"0x06", 1, 0x06, 0, 0, hs::CACHE_L1I, {8, 4, 32, 0}},
        {"0x0A", 1, 0x0A, 0, 0, hs::CACHE_L1D, {8, 2, 32, 0}},    {"0x2C", 1, 0x2C, 0, 0, hs::CACHE_L1D, {32, 8, 64, 0}},
        {"0x30", 1, 0x30, 0, 0, hs::CACHE_L1I, {32, 8, 64, 0}},   {"0x40", 1, 0x40, 0, 0, hs::CACHE_L2, {0, 0, 0, 0}},
        {"0x45", 1, 0x45, 0, 0, hs::CACHE_L2, {2048, 4, 32, 0}},  {"0x52", 1, 0x52, 0, 0, hs::CACHE_ITLB, {256, 0, 0, 0}},
        {"0x5D", 1, 0x5D, 0, 0, hs::CACHE_DTLB, {256, 0, 0, 0}},  {"0x68", 1, 0x68, 0, 0, hs::CACHE_L1D, {32, 4, 64, 0}},
        {"0x72", 1, 0x72, 0, 0, hs::CACHE_TC, {32, 8, 0, 0}},     {"0x7C", 1, 0x7C, 0, 0, hs::CACHE_L2, {1024, 8, 64, 0}},
        {"0x82", 1, 0x82, 0, 0, hs::CACHE_L2, {256, 8, 32, 0}},   {"0x87", 1, 0x87, 0, 0, hs::CACHE_L2, {1024, 8, 64, 0}},
        {"0xB0", 1, 0xB0, 0, 0, hs::CACHE_ITLB, {128, 0, 0, 0}},  {"0xB3", 1, 0xB3, 0, 0, hs::CACHE_DTLB, {128, 0, 0, 0}},
    };
    for (const auto &c : cases) EXPECT_EQ(c.row, decode(c.eax, c.ebx, c.ecx, c.edx, c.type)) << c.what;
    // Every descriptor that is not listed has type 0 and zero rows.
    const std::vector<int> known = {0x01, 0x02, 0x03, 0x04, 0x06, 0x08, 0x0A, 0x0C, 0x2C, 0x30, 0x40, 0x41, 0x42,
                                    0x43, 0x44, 0x45, 0x50, 0x51, 0x52, 0x5B, 0x5C, 0x5D, 0x66, 0x67, 0x68, 0x70,
                                    0x71, 0x72, 0x79, 0x7A, 0x7B, 0x7C, 0x82, 0x84, 0x85, 0x86, 0x87, 0xB0, 0xB3};
    for (int d = 0; d < 256; ++d) {
        const bool listed = std::find(known.begin(), known.end(), d) != known.end();
        EXPECT_EQ(listed, tables.typeOf[d] != 0 || d == 0x40) << "descriptor " << d;
        for (uint32_t t = 0; t < hs::kCacheTypeCount && !listed; ++t) EXPECT_EQ((Row{}), RowOf(tables.rows[t][d])) << d;
    }
    // Unknown descriptors rewrite only the entry of type 0.
    hs::CacheInfoEntry table[hs::kCacheTypeCount] = {};
    table[hs::CACHE_NULL] = table[hs::CACHE_L3] = hs::CacheInfoEntry{7, 7, 7, 7};
    hs::DecodeIntelDescriptors(tables, hs::CpuidRegs{0x00FFF001u, 0x22232529u, 0, 0}, table);
    EXPECT_EQ((Row{0, 0, 0, 0}), RowOf(table[hs::CACHE_NULL]));
    EXPECT_EQ((Row{7, 7, 7, 7}), RowOf(table[hs::CACHE_L3]));
}

TEST(CpuCacheDecode, AmdExtendedLeaves) {
    std::vector<uint32_t> ways;
    for (uint32_t code = 0; code < 16; ++code) ways.push_back(hs::AmdL2Ways(code));
    EXPECT_EQ((std::vector<uint32_t>{0, 1, 2, 0, 4, 0, 8, 0, 16, 0, 0, 0, 0, 0, 0, 0}), ways);
    hs::CacheInfoEntry table[hs::kCacheTypeCount];
    std::memset(table, 0xEE, sizeof table);
    hs::DecodeAmdCaches(0x40020140u, 0x40020140u, 0x01008140u, table);  // Athlon (Thunderbird)
    EXPECT_EQ((Row{64, 2, 64, 1}), RowOf(table[hs::CACHE_L1D]));
    EXPECT_EQ((Row{64, 2, 64, 1}), RowOf(table[hs::CACHE_L1I]));
    EXPECT_EQ((Row{256, 16, 64, 1}), RowOf(table[hs::CACHE_L2]));
    for (uint32_t t : {hs::CACHE_NULL, hs::CACHE_TC, hs::CACHE_L3, hs::CACHE_ITLB, hs::CACHE_DTLB}) {
        EXPECT_EQ(0xEEEEEEEEu, table[t].size) << "entry " << t << " is not written";
    }
    // Each field from its own bits: L2 code 0xF (fully associative) has 0 ways.
    hs::DecodeAmdCaches(0x12345678u, 0x87654321u, 0xABCDF921u, table);
    EXPECT_EQ((Row{0x12, 0x34, 0x78, 0x56}), RowOf(table[hs::CACHE_L1D]));
    EXPECT_EQ((Row{0x87, 0x65, 0x21, 0x43}), RowOf(table[hs::CACHE_L1I]));
    EXPECT_EQ((Row{0xABCD, 0, 0x21, 0x9}), RowOf(table[hs::CACHE_L2]));
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
        {0xF29, 9, false, false, nullptr},
        {0x700, 0, false, false, nullptr},
        {0x300, 0, false, false, nullptr},
    };
    for (const auto &c : cases) {
        const char *name = hs::IntelFamilyModelName(c.signature, c.brandId, c.noL2, c.largeL2);
        EXPECT_EQ(c.name ? c.name : "<none>", std::string(name ? name : "<none>"))
            << std::hex << c.signature << " brand " << c.brandId << " noL2 " << c.noL2 << " largeL2 " << c.largeL2;
    }
}

// Each case scans its registers in order from cleared flags; `first` marks
// the register whose low byte is the iteration count.
TEST(CpuIntelName, CacheDescriptorScan) {
    const struct {
        const char *what;
        std::vector<std::pair<uint32_t, bool>> scans;
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
        {"Celeron 266", {{0x0c040840u, false}}, 1, 0},
        {"Pentium III Xeon 550", {{0x0c040844u, false}}, 0, 1},
    };
    for (const auto &c : cases) {
        uint8_t noL2 = 0, largeL2 = 0;
        for (const auto &[value, first] : c.scans) hs::ScanCacheDescriptorBytes(value, noL2, largeL2, first);
        EXPECT_EQ(c.noL2, noL2) << c.what;
        EXPECT_EQ(c.largeL2, largeL2) << c.what;
    }
}

TEST(CpuVendor, KnownVendorsInAnyLetterCaseAndNothingElse) {
    using S = hs::CCpuStates;
    const std::pair<const char *, S::Vendor> cases[] = {
        {"GenuineIntel", S::VENDOR_INTEL},   {"genuineintel", S::VENDOR_INTEL},   {"GENUINEINTEL", S::VENDOR_INTEL},
        {"AuthenticAMD", S::VENDOR_AMD},     {"authenticamd", S::VENDOR_AMD},     {"CyrixInstead", S::VENDOR_CYRIX},
        {"CYRIXinstead", S::VENDOR_CYRIX},   {"CentaurHauls", S::VENDOR_CENTAUR}, {"centaurhauls", S::VENDOR_CENTAUR},
        {"", S::VENDOR_UNKNOWN},             {"GenuineIntel ", S::VENDOR_UNKNOWN}, {"GenuineIntal", S::VENDOR_UNKNOWN},
        {"AMDisbetter!", S::VENDOR_UNKNOWN}, {"GenuineTMx86", S::VENDOR_UNKNOWN},
    };
    for (const auto &[vendor, expected] : cases) EXPECT_EQ(expected, hs::ClassifyVendorString(vendor)) << vendor;
    // The processor states start empty; the family ignores the extended bits.
    S states;
    EXPECT_EQ(S::VENDOR_UNKNOWN, states.GetVendor());
    EXPECT_EQ(0u, states.GetFamily() + states.m_leaf1[0] + states.m_cacheA[3] + states.m_cacheB[3] + states.m_cpuidPresent);
    states.SetVendor("AuthenticAMD");
    states.m_leaf1[0] = 0x00800F11u;
    EXPECT_EQ(S::VENDOR_AMD, states.GetVendor());
    EXPECT_EQ(15u, states.GetFamily());
}

}  // namespace
