// CpuDetail: the processor detail record that the collector fills at load,
// and the routines that fill it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hs {

// One physical package found by the affinity walk (12 bytes).
struct CpuPackageEntry {
    uint32_t packageId;
    uint32_t firstAffinityBit;
    uint32_t siblingAffinityMask;
};

// One cache or TLB kind (16 bytes).
struct CacheInfoEntry {
    uint32_t size;
    uint32_t ways;
    uint32_t lineSize;
    uint32_t linesPerTag;
};

// Cache-table indexes.
enum CacheType : uint32_t {
    CACHE_NULL = 0,
    CACHE_L1I = 1,
    CACHE_L1D = 2,
    CACHE_L2 = 3,
    CACHE_TC = 4,
    CACHE_L3 = 5,
    CACHE_ITLB = 6,
    CACHE_DTLB = 7,
};
constexpr uint32_t kCacheTypeCount = 8;

// Hyper-threading status codes.
enum HtStatus : uint32_t {
    HT_ERROR = 0,
    HT_NOT_DETECTED = 1,
    HT_DETECTED_NOT_ENABLED = 2,
    HT_ENABLED_NOT_AVAILABLE = 3,
    HT_ENABLED_AVAILABLE = 4,
};

#pragma pack(push, 4)
struct CpuDetail {
    uint32_t valid;
    uint32_t cpuidSupported;
    uint32_t notGenuineIntel;
    uint32_t hasMmx;
    uint32_t hasSse;
    uint32_t hasSse2;
    uint32_t hasMmxExt;
    uint32_t has3DNow;
    uint32_t has3DNowExt;
    uint32_t htAvailable;
    uint32_t hasDaz;
    uint32_t hasTsc;
    uint32_t familyAtLeast6;
    uint32_t sse2ExtraBit;
    int64_t speedKHz;
    uint32_t vendorClass;
    uint32_t processorType;
    uint32_t family;
    uint32_t model;
    uint32_t extendedFamily;
    uint32_t extendedModel;
    uint32_t stepping;
    uint32_t featureFlags;
    uint32_t extFeatureFlags;
    uint32_t brandId;
    uint32_t clflushLineSize;
    uint32_t leaf1Ebx;
    uint32_t htStatus;
    uint32_t packageCount;
    uint32_t logicalCount;
    uint32_t logicalPerPackage;
    uint32_t firstLogicalMask;
    uint32_t otherLogicalMask;
    uint32_t packageCapacity;
    CpuPackageEntry *packageTable;
    CacheInfoEntry *cacheTable;
    char *brandString;
};
#pragma pack(pop)

static_assert(offsetof(CpuDetail, speedKHz) == 56, "CpuDetail.speedKHz");
static_assert(offsetof(CpuDetail, packageCapacity) == 136, "CpuDetail.packageCapacity");
static_assert(offsetof(CpuDetail, packageTable) == 140, "CpuDetail.packageTable");
static_assert(sizeof(void *) != 4 || sizeof(CpuDetail) == 152, "CpuDetail is 152 bytes on 32-bit targets");
static_assert(sizeof(void *) != 4 || offsetof(CpuDetail, brandString) == 148, "CpuDetail.brandString");
static_assert(sizeof(CpuPackageEntry) == 12, "CpuPackageEntry size");
static_assert(sizeof(CacheInfoEntry) == 16, "CacheInfoEntry size");

// Fill the detail record (durationMs: the frequency-measuring time). 1 when it
// ran, 0 for a null record.
uint32_t FillCpuDetail(uint32_t durationMs, CpuDetail *detail);

// Name of a brand ID from the 256-slot brand table (family 15, model 2,
// brand 14 or 15 excepted). 1 when it wrote a name.
uint32_t GetBrandName(char *destination, uint32_t size, const CpuDetail *detail);

// Names the module carries for the status codes.
const char *HtStatusName(uint32_t status);
const char *ProcessorTypeName(uint32_t type);
const char *CacheTypeName(uint32_t type);

}  // namespace hs
