// The processor code against the expected outputs under
// tests/machines/cpuid/expected/ (its README says what each file holds).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "cpu/bus_snap.h"
#include "cpu/cache_decode.h"
#include "cpu/cpu_detail.h"
#include "cpu/cpu_info.h"
#include "cpu/detail_state.h"
#include "cpu/ht_detect.h"
#include "cpu/intel_name.h"
#include "cpu/vendor.h"
#include "test_support.h"
#include "golden.h"

namespace {

using namespace hstest;

void ExpectDump(const std::string &name, const std::string &actual) {
    ExpectGolden("tests/machines/cpuid/expected/" + name + ".txt", actual);
}

std::ostream &operator<<(std::ostream &out, const hs::CacheInfoEntry &e) {
    return out << e.size << " " << e.ways << " " << e.lineSize << " " << e.linesPerTag;
}

TEST(CpuGolden, DecodingTables) {
    std::ostringstream out;
    out << "# Brand table: family model brand-ID -> answer name\n";
    using Pairs = std::initializer_list<std::pair<uint32_t, uint32_t>>;
    for (const auto &[family, model] : Pairs{{6, 8}, {6, 2}, {15, 2}, {15, 3}}) {
        for (uint32_t brandId : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 10u, 11u, 12u, 13u, 14u, 15u, 16u, 17u, 18u,
                                 19u, 20u, 21u, 22u, 23u, 255u, 256u, 0xFFFFFFFFu}) {
            hs::CpuDetail detail{};
            detail.family = family, detail.model = model, detail.brandId = brandId;
            char name[64];
            std::memset(name, 'x', sizeof name);
            const uint32_t answer = hs::GetBrandName(name, sizeof name, &detail);
            // The rest of the buffer is zero bytes, or untouched without a name.
            const size_t length = strnlen(name, sizeof name);
            const std::string rest(name + length, sizeof name - length);
            out << family << " " << model << " " << brandId << " -> " << answer << " \""
                << Printable(name, answer ? length : 4) << "\""
                << (answer && rest != std::string(rest.size(), 0) ? " not zero-filled" : "") << "\n";
        }
    }
    out << "# Intel family/model names: signature brand-ID noL2 largeL2 -> name\n";
    for (uint32_t family : {3u, 4u, 5u, 6u, 7u, 15u}) {
        for (uint32_t model = 0; model < 16; ++model) {
            for (uint32_t brandId = 0; brandId < (family == 6 ? 10u : 1u); ++brandId) {
                for (int flags = 0; flags < (family == 6 && (model == 5 || model == 7) ? 4 : 1); ++flags) {
                    const uint32_t signature = family << 8 | model << 4 | 1;
                    const char *name = hs::IntelFamilyModelName(signature, brandId, flags & 1, flags & 2);
                    out << Hex(signature, 3) << " " << brandId << " " << (flags & 1) << " " << (flags >> 1)
                        << " -> " << (name ? name : "(none)") << "\n";
                }
            }
        }
    }
    const char *extended = hs::IntelFamilyModelName(0x306A9, 0, false, false);  // extended model bits set
    out << "306a9 0 0 0 -> " << (extended ? extended : "(none)") << "\n";
    out << "# Cache descriptor bytes: descriptor -> type row (undescribed bytes left out)\n";
    static hs::DescriptorTables tables;
    hs::BuildDescriptorTables(tables);
    for (uint32_t d = 0; d < 256; ++d) {
        const uint32_t type = tables.typeOf[d];
        bool described = type != 0;
        for (uint32_t t = 0; t < hs::kCacheTypeCount; ++t) described = described || tables.rows[t][d].size != 0;
        if (!described) continue;
        out << Hex(d, 2) << " -> " << hs::CacheTypeName(type) << " " << tables.rows[type][d] << "\n";
    }
    out << "# Leaf-2 answers decoded into a table of sevens: answer -> the entries that changed\n";
    const hs::CpuidRegs answers[] = {
        {0x665B5001u, 0, 0, 0x007A7000u},    // Pentium 4
        {0x00004001u, 0x43, 0, 0},           // 0x40 (EAX) then 0x43 (EBX): the later wins
        {0x00004301u, 0x40, 0, 0},           // 0x43 then 0x40
        {0x40430001u, 0, 0, 0},              // within one register the low byte first
        {0x00000043u, 0, 0, 0},              // the iteration count is no descriptor
        {0x80430001u, 0x80000043u, 0x8000002Cu, 0x80000030u},  // bit 31 set: nothing
        {0x00FFF001u, 0x22232529u, 0, 0},    // unknown descriptors
    };
    for (const hs::CpuidRegs &r : answers) {
        hs::CacheInfoEntry table[hs::kCacheTypeCount];
        for (auto &e : table) e = hs::CacheInfoEntry{7, 7, 7, 7};
        hs::DecodeIntelDescriptors(tables, r, table);
        out << Hex(r.eax) << " " << Hex(r.ebx) << " " << Hex(r.ecx) << " " << Hex(r.edx) << " ->";
        for (uint32_t t = 0; t < hs::kCacheTypeCount; ++t) {
            if (table[t].size != 7 || table[t].ways != 7) out << " " << hs::CacheTypeName(t) << " " << table[t];
        }
        out << "\n";
    }
    out << "# AMD L2 associativity codes, and extended cache leaves (L1D ECX, L1I EDX, L2 ECX) -> L1D, L1I, L2\n";
    for (uint32_t code = 0; code < 16; ++code) out << code << " -> " << hs::AmdL2Ways(code) << "\n";
    for (const auto &[l1d, l1i, l2] : std::initializer_list<std::tuple<uint32_t, uint32_t, uint32_t>>{
             {0x40020140u, 0x40020140u, 0x01008140u}, {0x12345678u, 0x87654321u, 0xABCDF921u}, {0, 0, 0x02006140u}}) {
        hs::CacheInfoEntry table[hs::kCacheTypeCount] = {};
        hs::DecodeAmdCaches(l1d, l1i, l2, table);
        out << Hex(l1d) << " " << Hex(l1i) << " " << Hex(l2) << " -> " << table[hs::CACHE_L1D] << ", "
            << table[hs::CACHE_L1I] << ", " << table[hs::CACHE_L2] << "; others " << table[0] << " "
            << table[hs::CACHE_TC] << " " << table[hs::CACHE_L3] << " " << table[hs::CACHE_ITLB] << " "
            << table[hs::CACHE_DTLB] << "\n";
    }
    out << "# Cache descriptor scan (register, first) ... -> noL2 largeL2\n";
    const std::vector<std::vector<std::pair<uint32_t, bool>>> scans = {
        {{0x00000040u, false}}, {{0x00004000u, false}}, {{0x00400000u, false}}, {{0x40000000u, false}},
        {{0x00000044u, true}, {0x00000040u, true}}, {{0x00000044u, false}},
        {{0x45000000u, true}, {0x00000000u, false}, {0x0c040843u, false}}, {{0x0c040840u, false}},
        {{0x0c040844u, false}}};
    for (const auto &scan : scans) {
        uint8_t noL2 = 0, largeL2 = 0;
        for (const auto &[value, first] : scan) {
            hs::ScanCacheDescriptorBytes(value, noL2, largeL2, first);
            out << Hex(value) << " " << first << " ";
        }
        out << "-> " << +noL2 << " " << +largeL2 << "\n";
    }
    out << "# Vendor classes\n";
    for (const char *vendor : {"GenuineIntel", "genuineintel", "GENUINEINTEL", "AuthenticAMD", "authenticamd",
                               "CyrixInstead", "CYRIXinstead", "CentaurHauls", "centaurhauls", "", "GenuineIntel ",
                               "GenuineIntal", "AMDisbetter!", "GenuineTMx86"}) {
        out << "\"" << vendor << "\" -> " << hs::ClassifyVendorString(vendor) << "\n";
    }
    out << "# APIC ID layout: logical processors per package -> shift mask\n";
    for (uint32_t logical : {0u, 1u, 2u, 3u, 4u, 5u, 8u, 9u, 16u, 17u, 64u, 65u, 128u, 129u, 255u}) {
        const hs::ApicIdLayout layout = hs::ComputeApicIdLayout(logical);
        out << logical << " -> " << layout.shift << " " << Hex(layout.packageMask, 2) << "\n";
    }
    out << "# Hyper-threading status: notGenuineIntel features logicalPerPackage walk -> status name\n";
    for (uint32_t notIntel : {0u, 1u}) {
        for (uint32_t features : {0x10000000u, 0xEFFFFFFFu}) {
            for (uint32_t logical : {0u, 1u, 2u}) {
                for (uint32_t walk : {0u, 1u}) {
                    const uint32_t status = hs::ClassifyHtStatus(notIntel, features, logical, walk);
                    out << notIntel << " " << Hex(features) << " " << logical << " " << walk << " -> " << status << " "
                        << hs::HtStatusName(status) << "\n";
                }
            }
        }
    }
    out << "# Module names: status, cache type and processor type names\n";
    for (uint32_t i = 0; i <= hs::kCacheTypeCount; ++i) {
        const char *type = hs::ProcessorTypeName(i);
        out << i << " -> \"" << hs::HtStatusName(i) << "\" \"" << hs::CacheTypeName(i) << "\" \""
            << Printable(type, std::strlen(type)) << "\"\n";
    }
    out << "# Bus snapping: kHz -> snapped (bits) MHz; cycles/divisor -> kHz; snapped kHz -> MHz\n"
        << std::setprecision(12);
    for (double kHz : {2394000.0, 2406000.0, 2400000.0, 733000.0, 233000.0, 0.0, 25000.0, 2793000.0, 133000.0,
                       199999.99}) {
        const double snapped = hs::SnapToBusMultiple(kHz);
        uint64_t bits = 0;
        std::memcpy(&bits, &snapped, sizeof bits);
        out << kHz << " -> " << Hex(static_cast<uint32_t>(bits >> 32)) << Hex(static_cast<uint32_t>(bits)) << " "
            << hs::SnappedKHzToMHz(snapped) << "\n";
    }
    for (const auto &[cycles, divisor] : std::initializer_list<std::pair<uint64_t, uint32_t>>{
             {2394000000ull, 1000}, {999, 1000}, {5000000000000ull, 1000}, {~uint64_t{1999}, 1000}, {12345, 0}}) {
        out << cycles << "/" << divisor << " -> " << hs::CyclesToKHz(cycles, divisor) << "\n";
    }
    for (double kHz : {2399999.76, 999.9, 1999.0}) out << kHz << " -> " << hs::SnappedKHzToMHz(kHz) << "\n";
    ExpectDump("decoding-tables", out.str());
}

// Without a buffer or a record nothing is written; the size bounds the copy.
TEST(CpuGolden, BrandNameArguments) {
    hs::CpuDetail detail{};
    detail.family = 6, detail.model = 8, detail.brandId = 1;
    char name[12];
    std::memset(name, 'x', sizeof name);
    EXPECT_EQ(0u, hs::GetBrandName(nullptr, 16, &detail));
    EXPECT_EQ(0u, hs::GetBrandName(name, sizeof name, nullptr));
    EXPECT_EQ(1u, hs::GetBrandName(name, 8, &detail));
    EXPECT_EQ("Intel(R)xxxx", std::string(name, sizeof name));  // no terminator fits
    EXPECT_EQ(1u, hs::GetBrandName(name, 0, &detail));
}

#define HS_DETAIL_FIELDS(X)                                                                                        \
    X(valid) X(cpuidSupported) X(notGenuineIntel) X(hasMmx) X(hasSse) X(hasSse2) X(hasMmxExt) X(has3DNow)          \
    X(has3DNowExt) X(htAvailable) X(hasDaz) X(hasTsc) X(familyAtLeast6) X(sse2ExtraBit) X(speedKHz) X(vendorClass) \
    X(processorType) X(family) X(model) X(extendedFamily) X(extendedModel) X(stepping) X(featureFlags)              \
    X(extFeatureFlags) X(brandId) X(clflushLineSize) X(leaf1Ebx) X(htStatus) X(packageCount) X(logicalCount)      \
    X(logicalPerPackage) X(firstLogicalMask) X(otherLogicalMask) X(packageCapacity)

// What the CPUID sequence, the clock speed and the detail record learn from
// the loaded machine's processor; keepState: after the previous processor's
// detail record, without resetting what the module keeps.
std::string DumpProcessor(bool keepState = false) {
    std::ostringstream out;
    hs::CpuInfo probe;
    out << "# CpuInfo\nDetermineCpuId " << probe.DetermineCpuId() << " DetermineHighestCpuId "
        << probe.DetermineHighestCpuId() << "\n";
    hs::CpuInfo info;
    out << "InitCpuStates " << info.InitCpuStates() << " cpuidPresent " << +info.m_cpuStates.m_cpuidPresent
        << "\nvendor \"" << info.GetVendorString() << "\" class " << info.m_cpuStates.GetVendor() << "\nname \""
        << info.m_cpuStates.GetName() << "\"\n";
    const hs::CCpuStates &s = info.m_cpuStates;
    for (const auto &[group, r] : {std::pair{"leaf1", s.m_leaf1}, {"cacheA", s.m_cacheA}, {"cacheB", s.m_cacheB}}) {
        out << group << " " << Hex(r[0]) << " " << Hex(r[1]) << " " << Hex(r[2]) << " " << Hex(r[3]) << "\n";
    }
    // The speed twice, with the virtual clock's advance (each read adds one)
    // and the priority class afterwards.
    const DWORD t0 = timeGetTime();
    const uint32_t speed = info.GetCpuSpeed();
    const DWORD t1 = timeGetTime();
    const uint32_t again = info.GetCpuSpeed();
    out << "family " << info.m_cpuStates.GetFamily() << "\nextendedFeatures " << Hex(info.m_extendedFeatures)
        << "\nspeed " << speed << " MHz over " << t1 - t0 << " ms, cached " << info.m_cachedSpeed << ", again " << again
        << " over " << timeGetTime() - t1 << " ms, priority class " << Hex(GetPriorityClass(GetCurrentProcess()))
        << "\n";

    if (!keepState) hs::ResetDetailState();
    hs::CpuDetail d{};
    hs::CpuPackageEntry packages[8] = {};
    hs::CacheInfoEntry caches[hs::kCacheTypeCount] = {};
    char brand[48];
    std::memset(brand, 'z', sizeof brand);  // bytes past the brand's NUL stay
    d.packageCapacity = 8, d.packageTable = packages, d.cacheTable = caches, d.brandString = brand;
    out << "# CpuDetail\nFillCpuDetail " << hs::FillCpuDetail(1000, &d) << ", working record valid "
        << hs::DetailState().working.valid << ", caller's tables "
        << (d.packageTable == packages && d.cacheTable == caches && d.brandString == brand ? "kept" : "replaced")
        << "\n";
#define HS_DUMP(field) out << #field " " << d.field << "\n";
    HS_DETAIL_FIELDS(HS_DUMP)
#undef HS_DUMP
    for (uint32_t t = 0; t < hs::kCacheTypeCount; ++t) {
        out << "cache " << hs::CacheTypeName(t) << " " << caches[t] << "\n";
    }
    for (const hs::CpuPackageEntry &p : packages) {
        out << "package " << p.packageId << " " << Hex(p.firstAffinityBit) << " " << Hex(p.siblingAffinityMask) << "\n";
    }
    out << "brand \"" << Printable(brand, sizeof brand) << "\"\n";
    DWORD_PTR processMask = 0, systemMask = 0;
    GetProcessAffinityMask(GetCurrentProcess(), &processMask, &systemMask);
    out << "affinity afterwards " << processMask << "\n";
    return out.str();
}

// Each real processor with what a machine adds to its CPUID values.
TEST(CpuGolden, RealProcessors) {
    const struct {
        const char *fragment, *name;
        unsigned tscKHz, processors, mask;
        std::string values;
    } rigs[] = {
        {"intel-pentium-mmx-mobile-tillamook", "", 233000, 1, 0x1, ""},
        {"intel-celeron-266-covington", "", 266000, 1, 0x1, ""},
        {"intel-pentium-ii-300-deschutes", "", 300000, 1, 0x1, ""},
        {"intel-pentium-iii-xeon-550-tanner-8way", "", 550000, 8, 0xFF, ""},
        {"intel-celeron-700-coppermine-128", "", 700000, 1, 0x1, ""},
        {kP4, "", 2800000, 2, 0x3, ""},
        // Hyper-threading switched off: the second processor is a package.
        {kP4, "-ht-off", 2800000, 2, 0x3, "\"ApicIds\"=hex:00,06\n"},
        {"intel-core-i5-2400-sandy-bridge", "", 3100000, 4, 0xF, ""},
        {"amd-athlon-1400-thunderbird", "", 1400000, 1, 0x1, Dword("Sse2Fault", 0xC000001D)},
        {"amd-athlon-64-2800-clawhammer", "", 1800000, 1, 0x1, ""},
        {"amd-ryzen-5-1600", "", 3200000, 1, 0x1, ""},
        {"cyrix-mediagxm-233", "", 233000, 1, 0x1, ""},
        {"via-c3-1000-nehemiah", "", 1000000, 1, 0x1, ""},
    };
    for (const auto &rig : rigs) {
        UseMachine(ProcessorMachine(rig.fragment, ProcessorValues(rig.values + Dword("TscKHz", rig.tscKHz)) +
                                                      SystemKey(rig.processors, rig.mask, rig.mask)));
        ExpectDump(rig.fragment + std::string(rig.name), DumpProcessor());
    }
    hs::ResetDetailState();
}

// Processors that no real one shows, from tests/machines/cpuid/made-up-processors.txt
// (its head says how a machine is written there), all into one expected file.
TEST(CpuGolden, MadeUpProcessors) {
    std::ifstream in(std::string(HS_SOURCE_DIR) + "/tests/machines/cpuid/made-up-processors.txt");
    ASSERT_TRUE(in) << "made-up-processors.txt";
    std::string all, line, what, fragment, body;
    bool keepState = false;
    auto dump = [&] {
        if (what.empty()) return;
        UseMachine(fragment.empty() ? body : ProcessorMachine(fragment, body));
        all += "## " + what + "\n" + DumpProcessor(keepState);
    };
    while (std::getline(in, line)) {
        if (line.rfind("## ", 0) == 0) {
            dump();
            what = line.substr(3), fragment = body = "", keepState = false;
        } else if (line.rfind("< ", 0) == 0) {
            fragment = line.substr(2);
        } else if (line == "= kept") {
            keepState = true;
        } else if (!what.empty()) {
            body += line + "\n";
        }
    }
    dump();
    hs::ResetDetailState();
    ExpectDump("made-up-processors", all);
}

}  // namespace
