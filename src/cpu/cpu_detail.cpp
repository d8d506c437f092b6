// FillCpuDetail: the processor detail record, filled in a fixed order into
// the module's working record and then copied to the caller.
#include <cstring>

#include "cpu/cache_decode.h"
#include "cpu/cpu_detail.h"
#include "cpu/cpu_info.h"
#include "cpu/detail_routines.h"
#include "cpu/detail_state.h"
#include "cpu/ht_detect.h"

namespace hs {

namespace {

constexpr uint32_t kTscFeatureBit = 0x00000010u;
constexpr uint32_t kMmxFeatureBit = 0x00800000u;
constexpr uint32_t kSseFeatureBit = 0x02000000u;
constexpr uint32_t kSse2FeatureBit = 0x04000000u;
constexpr uint32_t k3DNowBit = 0x80000000u;
constexpr uint32_t k3DNowExtBit = 0x40000000u;
constexpr uint32_t kAmdMmxExtBit = 0x00400000u;
constexpr char kNoBrandString[] = "<Processor string not supported>";

void TakeSignature(CpuDetail &detail) {
    uint32_t ebx = 0;
    const uint32_t signature = ReadSignature(&ebx);
    if (NotIntelMark()) {
        detail.notGenuineIntel = 1;
    }
    detail.model = (signature >> 4) & 0xFu;
    detail.processorType = (signature >> 12) & 0x3u;
    detail.stepping = signature & 0xFu;
    detail.extendedModel = (signature >> 16) & 0xFu;
    detail.extendedFamily = (signature >> 20) & 0xFFu;
    detail.family = (signature >> 8) & 0xFu;
    detail.leaf1Ebx = ebx;
    detail.brandId = ebx & 0xFFu;
    detail.clflushLineSize = (ebx >> 8) & 0xFFu;
    if (detail.family >= 6) {
        detail.familyAtLeast6 = 1;
    }
}

void TakeInstructionSets(CpuDetail &detail, uint32_t sse2) {
    if ((detail.featureFlags & kMmxFeatureBit) != 0) {
        detail.hasMmx = 1;
    }
    if ((detail.featureFlags & kSseFeatureBit) != 0 && TestSseExecution(detail.featureFlags) == 1) {
        detail.hasSse = 1;
        detail.hasMmxExt = 1;
    }
    if (sse2 == 1) {
        detail.hasSse2 = 1;
        if ((detail.featureFlags & kSse2FeatureBit) == 0) {
            detail.sse2ExtraBit = kSse2FeatureBit;
        }
    }
    if (detail.vendorClass == 2) {
        if ((detail.extFeatureFlags & k3DNowBit) != 0) {
            detail.has3DNow = 1;
        }
        if ((detail.extFeatureFlags & k3DNowExtBit) != 0) {
            detail.has3DNowExt = 1;
        }
        if ((detail.extFeatureFlags & kAmdMmxExtBit) != 0) {
            detail.hasMmxExt = 1;
        }
    }
}

void TakeCacheTable(CpuDetail &detail, const CpuDetail &caller) {
    if (caller.cacheTable == nullptr) {
        return;
    }
    detail.cacheTable = caller.cacheTable;
    if ((detail.notGenuineIntel == 0 || detail.vendorClass == 2) && detail.family >= 6) {
        BuildDescriptorTables();
        DecodeCacheDescriptors();
    }
}

void TakeBrandString(CpuDetail &detail, const CpuDetail &caller) {
    if (caller.brandString == nullptr) {
        return;
    }
    detail.brandString = caller.brandString;
    if (detail.family >= 6) {
        ReadBrandString(detail.brandString);
    } else {
        std::memcpy(detail.brandString, kNoBrandString, sizeof kNoBrandString);
    }
}

}  // namespace

uint32_t FillCpuDetail(uint32_t durationMs, CpuDetail *caller) {
    if (caller == nullptr) {
        return 0;
    }
    CpuDetail &detail = DetailState().working;
    std::memset(&detail, 0, sizeof detail);

    detail.cpuidSupported = IsCpuidSupported();
    if (detail.cpuidSupported == 0) {
        detail.valid = 1;  // only the working record; the caller's stays as given
        return 1;
    }

    switch (ClassifyVendor()) {
        case 0:
            detail.vendorClass = 1;
            break;
        case 1:
            detail.vendorClass = 2;
            ReadAmdExtendedInfo();
            break;
        default:
            detail.vendorClass = 0;
            break;
    }

    // The processor generation: leaves 0 and 1 once more.
    (void)ReadSignature(nullptr);

    TakeSignature(detail);
    detail.featureFlags = ReadFeatureFlags();
    ReadExtendedFeatureFlags(detail);
    const uint32_t sse2 = TestSse2Execution();

    if ((detail.featureFlags & kTscFeatureBit) != 0) {
        detail.hasTsc = 1;
        if (durationMs != 0) {
            int64_t kHz = 0;
            if (MeasureTscFrequency(durationMs, kHz)) {
                detail.speedKHz = kHz;
            }
        }
    } else {
        detail.speedKHz = -1;
    }

    TakeInstructionSets(detail, sse2);
    detail.hasDaz = HasDenormalsAreZero(detail);
    detail.logicalPerPackage = GetLogicalPerPackage(detail);

    if (caller->packageTable != nullptr) {
        detail.packageTable = caller->packageTable;
        detail.packageCapacity = caller->packageCapacity;
    }
    if (DetermineHtStatus(detail) == 1) {
        detail.htAvailable = 1;
    }
    detail.valid = 1;

    TakeCacheTable(detail, *caller);
    TakeBrandString(detail, *caller);

    std::memcpy(caller, &detail, sizeof detail);
    return 1;
}

}  // namespace hs
