// Hyper-threading status and physical packages, found by pinning the process
// to one processor after another and reading each initial APIC ID.
#pragma once

#include <cstdint>

#include "cpu/cpu_detail.h"

namespace hs {

// How an initial APIC ID splits into package and logical-processor parts for
// a given number of logical processors per package.
struct ApicIdLayout {
    uint32_t shift;        // low APIC-ID bits numbering the logical processors
    uint32_t packageMask;  // 0xFF shifted left by shift, cut to 8 bits
};
ApicIdLayout ComputeApicIdLayout(uint32_t logicalPerPackage);

// The three operations the walk needs from the machine.
class ProcessorPinner {
public:
    virtual ~ProcessorPinner() = default;
    // Pin the process to the processors of mask; false when refused.
    virtual bool PinTo(uint32_t mask) = 0;
    // Give up the time slice so that the new affinity takes effect.
    virtual void GiveUpTimeSlice() = 0;
    // The initial APIC ID of the processor now running.
    virtual uint32_t ReadApicId() = 0;
};

// The two passes over the affinity bits up to processMask: fills
// packageCount, logicalCount, firstLogicalMask, otherLogicalMask and the
// package table of detail. 1 when some processor has a non-zero logical ID.
uint32_t WalkLogicalProcessors(CpuDetail &detail, uint64_t processMask, ProcessorPinner &pinner);

// The status code from the facts: not-Intel mark, leaf-1 EDX, logical
// processors per package and the walk's answer.
uint32_t ClassifyHtStatus(uint32_t notGenuineIntel, uint32_t featureFlags, uint32_t logicalPerPackage,
                          uint32_t walkResult);

// The detail-record routines.
uint32_t GetLogicalPerPackage(const CpuDetail &detail);
uint32_t GetInitialApicId();
uint32_t CountLogicalProcessors(CpuDetail &detail);
uint32_t DetermineHtStatus(CpuDetail &detail);

}  // namespace hs
