// Every export runs under the module's own state and lets no exception out:
// a failure inside answers the export's failure result.
#pragma once

#include <utility>

#include "api/module.h"

namespace hs {

template <typename Result, typename Body>
Result RunExport(Result failure, Body &&body) {
    ModuleStateScope scope;
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        return failure;
    }
}

}  // namespace hs
