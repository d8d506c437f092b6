// Every export runs under the module's own state and lets no exception out:
// a failure inside answers the export's failure result.
#pragma once

#include <utility>

#include "api/module.h"

namespace hs {

// An export called by another export lets the failure through, so that the
// outermost export answers its own failure result instead of going on with a
// section or a device kind silently missing.
template <typename Result, typename Body>
Result RunExport(Result failure, Body &&body) {
    const bool nested = CurrentModuleState() == &g_moduleState;
    ModuleStateScope scope;
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        if (nested) throw;
        return failure;
    }
}

}  // namespace hs
