#include "platform/sim/registry_faults.h"

#include <atomic>
#include <mutex>
#include <vector>

#include "platform/sim/machine.h"

namespace hs::sim {
namespace {

struct FaultPlan {
    std::atomic<bool> armed{false};  // read without the lock on every call
    std::mutex mutex;
    uint64_t failAt = 0;
    long error = 0;
    std::vector<RegistryCall> calls;
};

FaultPlan g_plan HS_INIT_PRIORITY(HS_PRIORITY_SIM_MACHINE);

}  // namespace

LSTATUS NextRegistryCall(RegistryCall kind) {
    if (!g_plan.armed.load(std::memory_order_acquire)) return ERROR_SUCCESS;
    std::lock_guard<std::mutex> lock(g_plan.mutex);
    if (!g_plan.armed.load(std::memory_order_relaxed)) return ERROR_SUCCESS;
    g_plan.calls.push_back(kind);
    return g_plan.calls.size() == g_plan.failAt ? static_cast<LSTATUS>(g_plan.error) : ERROR_SUCCESS;
}

void ArmRegistryFault(uint64_t failAt, long error) {
    std::lock_guard<std::mutex> lock(g_plan.mutex);
    g_plan.failAt = failAt;
    g_plan.error = error;
    g_plan.calls.clear();
    g_plan.armed.store(true, std::memory_order_release);
}

std::vector<RegistryCall> DisarmRegistryFault() {
    std::lock_guard<std::mutex> lock(g_plan.mutex);
    g_plan.armed.store(false, std::memory_order_release);
    std::vector<RegistryCall> calls;
    calls.swap(g_plan.calls);
    return calls;
}

}  // namespace hs::sim
