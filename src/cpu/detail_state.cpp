// The module-level state of the processor detail routines.
#include "cpu/detail_state.h"

#include <cstring>

namespace hs {

namespace {

DetailModuleState g_detailState;  // zero-initialised at load

}  // namespace

DetailModuleState &DetailState() { return g_detailState; }

void ResetDetailState() { std::memset(&g_detailState, 0, sizeof g_detailState); }

}  // namespace hs
