// The host's real processor, for machines without a simulated one.
#pragma once

#include <cstdint>

#include "platform/cpu_ops.h"

namespace hs::sim {

CpuidRegs HostCpuid(uint32_t leaf);
bool HostCanToggleIdFlag();
uint64_t HostTsc();
uint32_t HostMxcsrMask();
// The exception code of the probe instruction, 0 when it executed.
uint32_t HostProbeSse();
uint32_t HostProbeSse2();

// The affinity the process started with, and the calling thread's affinity.
uint64_t HostInitialAffinity();
bool SetHostAffinity(uint64_t mask);

// Milliseconds of the host's monotonic clock, and a real pause.
uint64_t HostMilliseconds();
void HostSleep(uint32_t milliseconds);

}  // namespace hs::sim
