// Decoding of cache and TLB descriptions into the 8-entry cache table.
#pragma once

#include <cstdint>

#include "cpu/cpu_detail.h"
#include "platform/cpu_ops.h"

namespace hs {

// The descriptor lookup: a cache type for each descriptor byte and a row for
// each (type, descriptor) pair.
struct DescriptorTables {
    uint8_t typeOf[256];
    CacheInfoEntry rows[kCacheTypeCount][256];
};

// What the extended leaves of an AMD processor reported.
struct AmdExtendedInfo {
    uint32_t vendor[3];      // leaf 0 EBX, EDX, ECX
    uint32_t signature;      // leaf 1 EAX
    uint32_t features;       // leaf 1 EDX
    uint32_t extFeatures;    // 0x80000001 EDX
    char brand[48];          // 0x80000002 to 0x80000004
    uint32_t l1Cache[4];     // 0x80000005 EAX..EDX
    uint32_t l2Cache[4];     // 0x80000006 EAX..EDX
};

constexpr uint32_t kNoCpuid = 0xFFFFFFFFu;

// Pure decoding.

// Fill the lookup from the built-in descriptor list (every other
// descriptor: type 0, zero row).
void BuildDescriptorTables(DescriptorTables &tables);

// Decode one leaf-2 answer into the table: the iteration count and every
// register with bit 31 set are dropped, then the 16 bytes in order each
// overwrite the entry of their type.
void DecodeIntelDescriptors(const DescriptorTables &tables, CpuidRegs leaf2, CacheInfoEntry *table);

// The L2 associativity code of leaf 0x80000006 ECX bits 12-15, in ways.
uint32_t AmdL2Ways(uint32_t code);

// L1D from 0x80000005 ECX, L1I from its EDX, L2 from 0x80000006 ECX.
void DecodeAmdCaches(uint32_t l1DataEcx, uint32_t l1CodeEdx, uint32_t l2Ecx, CacheInfoEntry *table);

// Module-level steps of the detail record.

// Read the AMD record of the module: kNoCpuid without CPUID, otherwise the
// largest extended leaf when it is below 0x80000001, else 1.
uint32_t ReadAmdExtendedInfo();

// Rebuild the module's descriptor lookup.
void BuildDescriptorTables();

// Fill the cache table of the module's working record by its vendor class.
uint32_t DecodeCacheDescriptors();

}  // namespace hs
