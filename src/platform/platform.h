// The one seam between the library and the machine it runs on.
//
// The library calls the platform by the Windows names and types. On Windows
// they come from the Windows headers; on the native build the simulated
// machine declares and implements them (sim/win_api.h). The processor
// instructions are reached through cpu_ops.h on every target.
#pragma once

#if defined(_WIN32)
#include "win/win_headers.h"
#else
#include "sim/win_api.h"
#endif

#include "cpu_ops.h"

// Static objects of the module are built in a fixed order: the module state,
// then the collector, then the platform's module entry.
#define HS_INIT_PRIORITY(n) __attribute__((init_priority(n)))
#define HS_PRIORITY_MODULE_STATE 1001
#define HS_PRIORITY_INVENTORY 1002
#define HS_PRIORITY_MODULE_ENTRY 1003
