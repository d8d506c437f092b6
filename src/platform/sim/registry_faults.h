// Registry faults that a test arms through the simulated machine's control
// API: the registry functions ask here, call by call, whether to fail.
#pragma once

#include "platform/platform.h"
#include "platform/sim/sim_machine.h"

namespace hs::sim {

// Counts one registry call of this kind; answers the error that the call
// must return instead of doing its work, or ERROR_SUCCESS.
LSTATUS NextRegistryCall(RegistryCall kind);

// What a refused call leaves in its output buffer: bytes without a NUL, as
// Windows leaves undefined contents after ERROR_MORE_DATA.
constexpr unsigned char kUndefinedByte = 0xA5;

}  // namespace hs::sim
