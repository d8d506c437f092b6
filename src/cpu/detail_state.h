// The module-level state of the processor detail routines: the working
// record that FillCpuDetail fills before copying it out, the not-Intel mark,
// the AMD record and the descriptor lookup. Not re-entrant by design: the
// detail record is filled once, while the module loads.
#pragma once

#include <cstdint>

#include "cpu/cache_decode.h"
#include "cpu/cpu_detail.h"

namespace hs {

struct DetailModuleState {
    CpuDetail working;
    bool notIntelMark;          // set by any vendor comparison that differs; never cleared
    AmdExtendedInfo amd;
    uint32_t amdResult;         // what ReadAmdExtendedInfo answered last
    DescriptorTables tables;
};

DetailModuleState &DetailState();

// Put the module state back to its load-time zeroes. A loaded module fills
// its record once; a process that fills records of several simulated
// processors in turn (tests, tools) calls this between them.
void ResetDetailState();

}  // namespace hs
