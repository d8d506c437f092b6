// The CPUID and instruction-probe routines behind FillCpuDetail. They work
// on the module-level state (the not-Intel mark, the working record).
#pragma once

#include <cstdint>

#include "cpu/cpu_detail.h"

namespace hs {

// 1 when EFLAGS bit 21 can be toggled.
uint32_t IsCpuidSupported();

// 0 GenuineIntel, 1 AuthenticAMD, 2 other; any difference from
// "GenuineIntel" sets the not-Intel mark.
uint32_t ClassifyVendor();

// Leaf 0 (feeding the not-Intel mark) and leaf 1, when CPUID exists.
// ReadSignature answers leaf-1 EAX and stores EBX when leaf1Ebx is given;
// ReadFeatureFlags answers leaf-1 EDX. Both answer 0 without CPUID.
uint32_t ReadSignature(uint32_t *leaf1Ebx);
uint32_t ReadFeatureFlags();

// 0x80000001 EDX into detail.extFeatureFlags, when that leaf exists.
void ReadExtendedFeatureFlags(CpuDetail &detail);

// Whether an SSE instruction executes (tried only when leaf-1 EDX bit 25 is
// in featureFlags), and whether an SSE2 instruction does (0 only for an
// illegal-instruction fault).
uint32_t TestSseExecution(uint32_t featureFlags);
uint32_t TestSse2Execution();

// Denormals-are-zero support from the FXSAVE MXCSR_MASK.
uint32_t HasDenormalsAreZero(const CpuDetail &detail);

// The 48-byte brand string into buffer; 1 when written.
uint32_t ReadBrandString(char *buffer);

// The not-Intel mark of the module.
bool NotIntelMark();

}  // namespace hs
