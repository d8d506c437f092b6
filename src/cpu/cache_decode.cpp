// Decoding of Intel leaf-2 descriptors and AMD extended cache leaves.
#include "cpu/cache_decode.h"

#include <cstring>

#include "cpu/detail_state.h"

namespace hs {

namespace {

struct DescriptorRow {
    uint8_t descriptor;
    uint8_t type;
    uint32_t size;
    uint32_t ways;
    uint32_t lineSize;
};

// Sizes: KB for caches, entries for TLBs, thousands of micro-operations for
// the trace cache. 0x40 means "no L2": its row is all zero.
const DescriptorRow kDescriptorRows[] = {
    {0x01, CACHE_ITLB, 32, 0, 0},   {0x02, CACHE_ITLB, 2, 0, 0},     {0x03, CACHE_DTLB, 64, 0, 0},
    {0x04, CACHE_DTLB, 8, 0, 0},    {0x06, CACHE_L1I, 8, 4, 32},     {0x08, CACHE_L1I, 16, 4, 32},
    {0x0A, CACHE_L1D, 8, 2, 32},    {0x0C, CACHE_L1D, 16, 4, 32},    {0x2C, CACHE_L1D, 32, 8, 64},
    {0x30, CACHE_L1I, 32, 8, 64},   {0x40, CACHE_L2, 0, 0, 0},       {0x41, CACHE_L2, 128, 4, 32},
    {0x42, CACHE_L2, 256, 4, 32},   {0x43, CACHE_L2, 512, 4, 32},    {0x44, CACHE_L2, 1024, 4, 32},
    {0x45, CACHE_L2, 2048, 4, 32},  {0x50, CACHE_ITLB, 64, 0, 0},    {0x51, CACHE_ITLB, 128, 0, 0},
    {0x52, CACHE_ITLB, 256, 0, 0},  {0x5B, CACHE_DTLB, 64, 0, 0},    {0x5C, CACHE_DTLB, 128, 0, 0},
    {0x5D, CACHE_DTLB, 256, 0, 0},  {0x66, CACHE_L1D, 8, 4, 64},     {0x67, CACHE_L1D, 16, 4, 64},
    {0x68, CACHE_L1D, 32, 4, 64},   {0x70, CACHE_TC, 12, 8, 0},      {0x71, CACHE_TC, 16, 8, 0},
    {0x72, CACHE_TC, 32, 8, 0},     {0x79, CACHE_L2, 128, 8, 64},    {0x7A, CACHE_L2, 256, 8, 64},
    {0x7B, CACHE_L2, 512, 8, 64},   {0x7C, CACHE_L2, 1024, 8, 64},   {0x82, CACHE_L2, 256, 8, 32},
    {0x84, CACHE_L2, 1024, 8, 32},  {0x85, CACHE_L2, 2048, 8, 32},   {0x86, CACHE_L2, 512, 8, 64},
    {0x87, CACHE_L2, 1024, 8, 64},  {0xB0, CACHE_ITLB, 128, 0, 0},   {0xB3, CACHE_DTLB, 128, 0, 0},
};

constexpr uint32_t kInvalidRegisterBit = 0x80000000u;

uint32_t ValidOrZero(uint32_t reg) { return (reg & kInvalidRegisterBit) != 0 ? 0 : reg; }

// One AMD L1 description: size, ways, lines per tag, line size from the
// high byte down.
CacheInfoEntry DecodeAmdL1(uint32_t reg) {
    CacheInfoEntry entry;
    entry.size = reg >> 24;
    entry.ways = (reg >> 16) & 0xFFu;
    entry.lineSize = reg & 0xFFu;
    entry.linesPerTag = (reg >> 8) & 0xFFu;
    return entry;
}

}  // namespace

void BuildDescriptorTables(DescriptorTables &tables) {
    std::memset(&tables, 0, sizeof tables);
    for (const DescriptorRow &row : kDescriptorRows) {
        tables.typeOf[row.descriptor] = row.type;
        CacheInfoEntry &entry = tables.rows[row.type][row.descriptor];
        entry.size = row.size;
        entry.ways = row.ways;
        entry.lineSize = row.lineSize;
        entry.linesPerTag = 0;
    }
}

void DecodeIntelDescriptors(const DescriptorTables &tables, CpuidRegs leaf2, CacheInfoEntry *table) {
    if (table == nullptr) {
        return;
    }
    const uint32_t registers[4] = {
        ValidOrZero(leaf2.eax & ~0xFFu),
        ValidOrZero(leaf2.ebx),
        ValidOrZero(leaf2.ecx),
        ValidOrZero(leaf2.edx),
    };
    for (uint32_t reg : registers) {
        for (int shift = 0; shift < 32; shift += 8) {
            const uint32_t descriptor = (reg >> shift) & 0xFFu;
            const uint32_t type = tables.typeOf[descriptor] % kCacheTypeCount;
            table[type] = tables.rows[type][descriptor];
        }
    }
}

uint32_t AmdL2Ways(uint32_t code) {
    switch (code) {
        case 0x1:
            return 1;
        case 0x2:
            return 2;
        case 0x4:
            return 4;
        case 0x6:
            return 8;
        case 0x8:
            return 16;
        default:
            return 0;
    }
}

void DecodeAmdCaches(uint32_t l1DataEcx, uint32_t l1CodeEdx, uint32_t l2Ecx, CacheInfoEntry *table) {
    if (table == nullptr) {
        return;
    }
    table[CACHE_L1D] = DecodeAmdL1(l1DataEcx);
    table[CACHE_L1I] = DecodeAmdL1(l1CodeEdx);
    CacheInfoEntry &l2 = table[CACHE_L2];
    l2.size = l2Ecx >> 16;
    l2.ways = AmdL2Ways((l2Ecx >> 12) & 0xFu);
    l2.lineSize = l2Ecx & 0xFFu;
    l2.linesPerTag = (l2Ecx >> 8) & 0xFu;
}

uint32_t ReadAmdExtendedInfo() {
    DetailModuleState &state = DetailState();
    AmdExtendedInfo &amd = state.amd;
    uint32_t result = 1;
    if (!CanToggleIdFlag()) {
        result = kNoCpuid;
    } else {
        const CpuidRegs leaf0 = ExecuteCpuid(0);
        amd.vendor[0] = leaf0.ebx;
        amd.vendor[1] = leaf0.edx;
        amd.vendor[2] = leaf0.ecx;
        if (leaf0.eax != 0) {
            const CpuidRegs leaf1 = ExecuteCpuid(1);
            amd.signature = leaf1.eax;
            amd.features = leaf1.edx;
            const uint32_t largest = ExecuteCpuid(0x80000000u).eax;
            if (largest < 0x80000001u) {
                result = largest;
            } else {
                if (largest >= 0x80000004u) {
                    if (largest >= 0x80000005u) {
                        if (largest >= 0x80000006u) {
                            const CpuidRegs l2 = ExecuteCpuid(0x80000006u);
                            amd.l2Cache[0] = l2.eax;
                            amd.l2Cache[1] = l2.ebx;
                            amd.l2Cache[2] = l2.ecx;
                            amd.l2Cache[3] = l2.edx;
                        }
                        const CpuidRegs l1 = ExecuteCpuid(0x80000005u);
                        amd.l1Cache[0] = l1.eax;
                        amd.l1Cache[1] = l1.ebx;
                        amd.l1Cache[2] = l1.ecx;
                        amd.l1Cache[3] = l1.edx;
                    }
                    for (uint32_t i = 0; i < 3; ++i) {
                        const CpuidRegs part = ExecuteCpuid(0x80000002u + i);
                        const uint32_t words[4] = {part.eax, part.ebx, part.ecx, part.edx};
                        std::memcpy(amd.brand + i * 16, words, sizeof words);
                    }
                }
                amd.extFeatures = ExecuteCpuid(0x80000001u).edx;
            }
        }
    }
    state.amdResult = result;
    return result;
}

void BuildDescriptorTables() { BuildDescriptorTables(DetailState().tables); }

uint32_t DecodeCacheDescriptors() {
    DetailModuleState &state = DetailState();
    CpuDetail &detail = state.working;
    if (detail.vendorClass == 1) {
        DecodeIntelDescriptors(state.tables, ExecuteCpuid(2), detail.cacheTable);
    } else if (detail.vendorClass == 2 && state.amdResult != kNoCpuid) {
        DecodeAmdCaches(state.amd.l1Cache[2], state.amd.l1Cache[3], state.amd.l2Cache[2], detail.cacheTable);
    }
    return 16;
}

}  // namespace hs
