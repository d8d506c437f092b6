// Processor instructions behind the seam: real instructions on Windows and on
// a native machine without a simulated processor, the profile's values
// otherwise.
#pragma once

#include <cstdint>

namespace hs {

struct CpuidRegs {
    uint32_t eax;
    uint32_t ebx;
    uint32_t ecx;
    uint32_t edx;
};

// Executes CPUID with EAX = leaf (ECX = 0).
CpuidRegs ExecuteCpuid(uint32_t leaf);

// True when EFLAGS bit 21 (the identification flag) can be toggled.
bool CanToggleIdFlag();

// The 64-bit time-stamp counter.
uint64_t ReadTsc();

// The MXCSR_MASK word that FXSAVE stores at byte 28 of its 512-byte area.
uint32_t ReadMxcsrMask();

// Execute one SSE (packed-single OR) or SSE2 (packed-double XOR) instruction
// under a guard. The answer is the exception code it raised, 0 when it ran.
uint32_t ProbeSse();
uint32_t ProbeSse2();

constexpr uint32_t kStatusIllegalInstruction = 0xC000001Du;

}  // namespace hs
