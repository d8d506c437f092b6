// Hyper-threading status and the affinity walk over the logical processors.
#include "cpu/ht_detect.h"

#include "platform/platform.h"

namespace hs {

namespace {

constexpr uint32_t kHttFeatureBit = 0x10000000u;  // leaf-1 EDX bit 28
constexpr uint32_t kMaxAffinityBit = 0x80000000u;

// The process's own affinity: the walk as it runs on the machine.
class ProcessAffinityPinner : public ProcessorPinner {
public:
    explicit ProcessAffinityPinner(HANDLE process) : m_process(process) {}
    bool PinTo(uint32_t mask) override { return SetProcessAffinityMask(m_process, mask) != 0; }
    void GiveUpTimeSlice() override { Sleep(0); }
    uint32_t ReadApicId() override { return GetInitialApicId(); }

private:
    HANDLE m_process;
};

uint32_t LogicalIdOf(uint32_t apic, const ApicIdLayout &layout) { return apic & ~layout.packageMask & 0xFFu; }

uint32_t PackageIdOf(uint32_t apic, const ApicIdLayout &layout) { return (apic >> layout.shift) & 0xFFu; }

// Pass 1: the first logical processor of each package.
uint32_t FindFirstLogicalProcessors(CpuDetail &detail, uint64_t processMask, ProcessorPinner &pinner,
                                    const ApicIdLayout &layout) {
    const uint32_t perPackage = detail.logicalPerPackage;
    uint32_t first = 0;
    for (uint32_t bit = 1; bit != 0 && bit <= processMask; bit <<= 1) {
        if (!pinner.PinTo(bit)) {
            continue;
        }
        pinner.GiveUpTimeSlice();
        const uint32_t apic = pinner.ReadApicId();
        if (perPackage != 0 && LogicalIdOf(apic, layout) % perPackage == 0) {
            first |= bit;
            if (detail.packageCapacity > 0 && detail.packageCount < detail.packageCapacity &&
                detail.packageTable != nullptr) {
                CpuPackageEntry &entry = detail.packageTable[detail.packageCount];
                entry.packageId = apic >> layout.shift;
                entry.firstAffinityBit = bit;
            }
            detail.packageCount += 1;
        }
        if (bit == kMaxAffinityBit) {
            break;
        }
    }
    return first;
}

// Pass 2: every logical processor, joined to its package's sibling mask.
uint32_t FindAllLogicalProcessors(CpuDetail &detail, uint64_t processMask, ProcessorPinner &pinner,
                                  const ApicIdLayout &layout, uint32_t &all) {
    uint32_t result = 0;
    for (uint32_t bit = 1; bit != 0 && bit <= processMask; bit <<= 1) {
        if (!pinner.PinTo(bit)) {
            continue;
        }
        pinner.GiveUpTimeSlice();
        const uint32_t apic = pinner.ReadApicId();
        const uint32_t logicalId = LogicalIdOf(apic, layout);
        const uint32_t package = PackageIdOf(apic, layout);
        all |= bit;
        detail.logicalCount += 1;
        if (detail.packageCapacity > 0 && detail.packageTable != nullptr) {
            for (uint32_t i = 0; i < detail.packageCount && i < detail.packageCapacity; ++i) {
                if (detail.packageTable[i].packageId == package) {
                    detail.packageTable[i].siblingAffinityMask |= bit;
                    break;
                }
            }
        }
        if (logicalId != 0) {
            result = 1;
        }
        if (bit == kMaxAffinityBit) {
            break;
        }
    }
    return result;
}

}  // namespace

ApicIdLayout ComputeApicIdLayout(uint32_t logicalPerPackage) {
    ApicIdLayout layout = {0, 0xFFu};
    if (logicalPerPackage > 1) {
        // Counts above 128 never reach the probe in 8 bits; they end with the
        // whole ID as logical number (shift 8, package mask 0).
        uint32_t probe = 1;
        do {
            probe = (probe * 2) & 0xFFu;
            layout.packageMask = (layout.packageMask * 2) & 0xFFu;
            layout.shift += 1;
        } while (probe < logicalPerPackage && layout.shift < 8);
    }
    return layout;
}

uint32_t WalkLogicalProcessors(CpuDetail &detail, uint64_t processMask, ProcessorPinner &pinner) {
    const ApicIdLayout layout = ComputeApicIdLayout(detail.logicalPerPackage);
    detail.packageCount = 0;
    detail.logicalCount = 0;
    detail.otherLogicalMask = 0;

    const uint32_t first = FindFirstLogicalProcessors(detail, processMask, pinner, layout);
    uint32_t all = 0;
    const uint32_t result = FindAllLogicalProcessors(detail, processMask, pinner, layout, all);

    detail.firstLogicalMask = first;
    detail.otherLogicalMask = all & ~first;
    if (detail.packageCapacity > 0 && detail.packageTable != nullptr) {
        for (uint32_t i = 0; i < detail.packageCount && i < detail.packageCapacity; ++i) {
            CpuPackageEntry &entry = detail.packageTable[i];
            entry.siblingAffinityMask &= ~entry.firstAffinityBit;
        }
    }
    return result;
}

uint32_t ClassifyHtStatus(uint32_t notGenuineIntel, uint32_t featureFlags, uint32_t logicalPerPackage,
                          uint32_t walkResult) {
    if (notGenuineIntel != 0 || (featureFlags & kHttFeatureBit) == 0) {
        return HT_NOT_DETECTED;
    }
    if (logicalPerPackage <= 1) {
        return HT_DETECTED_NOT_ENABLED;
    }
    if (walkResult == 0) {
        return HT_ENABLED_NOT_AVAILABLE;
    }
    return HT_ENABLED_AVAILABLE;
}

uint32_t GetLogicalPerPackage(const CpuDetail &detail) {
    if (detail.notGenuineIntel != 0) {
        return 1;
    }
    if (detail.family >= 15) {
        return (detail.leaf1Ebx >> 16) & 0xFFu;
    }
    return 1;
}

uint32_t GetInitialApicId() { return ExecuteCpuid(1).ebx >> 24; }

uint32_t CountLogicalProcessors(CpuDetail &detail) {
    const HANDLE process = GetCurrentProcess();
    DWORD_PTR processMask = 0;
    DWORD_PTR systemMask = 0;
    GetProcessAffinityMask(process, &processMask, &systemMask);

    ProcessAffinityPinner pinner(process);
    const uint32_t result = WalkLogicalProcessors(detail, processMask, pinner);
    SetProcessAffinityMask(process, processMask);
    return result;
}

uint32_t DetermineHtStatus(CpuDetail &detail) {
    detail.logicalPerPackage = GetLogicalPerPackage(detail);
    const uint32_t walkResult = CountLogicalProcessors(detail);
    detail.htStatus = ClassifyHtStatus(detail.notGenuineIntel, detail.featureFlags, detail.logicalPerPackage,
                                      walkResult);
    return detail.htStatus == HT_ENABLED_AVAILABLE ? 1u : 0u;
}

}  // namespace hs
