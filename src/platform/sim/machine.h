// The simulated machine of this process: the profile that describes it and
// the per-process state that the Windows calls change.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/platform.h"
#include "platform/sim/machine_facts.h"
#include "platform/sim/registry_tree.h"

// The simulated machine's own static objects are built before every other
// static object of the module and destroyed after them, so that the module's
// start-up and shutdown can call the platform.
#define HS_PRIORITY_SIM_MACHINE 1000

namespace hs::sim {

struct Machine {
    std::shared_ptr<const RegNode> registry;  // HKEY_LOCAL_MACHINE
    MachineFacts facts;
};

struct ProcessState {
    uint32_t priorityClass = 0x20;
    uint32_t processors = 1;
    uint64_t systemMask = 1;
    uint64_t processMask = 1;
    int currentDrive = 3;
    uint64_t clockElapsed = 0;  // virtual milliseconds since the machine was loaded
};

// The current machine. The first call of the process loads the profile named
// by HARDSCAN_MACHINE (or the built-in default); a profile that cannot be
// loaded ends the process with status 2 after one line on standard error.
std::shared_ptr<const Machine> CurrentMachine();

std::mutex &ProcessStateMutex();
ProcessState &ProcessStateLocked();  // with ProcessStateMutex held

// Runs f(ProcessState &, const Machine &) with the process state locked.
template <class F>
auto WithProcessState(F &&f) {
    std::shared_ptr<const Machine> machine = CurrentMachine();
    std::lock_guard<std::mutex> lock(ProcessStateMutex());
    return f(ProcessStateLocked(), *machine);
}

}  // namespace hs::sim
