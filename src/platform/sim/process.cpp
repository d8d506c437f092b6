// The process's priority class and affinity, and GetSystemInfo.
#include <cstring>

#include "platform/platform.h"
#include "platform/sim/host_cpu.h"
#include "platform/sim/machine.h"

namespace {

HANDLE const kCurrentProcess = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1));

bool CheckProcess(HANDLE process) {
    if (process == kCurrentProcess) return true;
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
}

bool IsPriorityClass(DWORD c) {
    return c == IDLE_PRIORITY_CLASS || c == 0x4000 || c == NORMAL_PRIORITY_CLASS || c == 0x8000 ||
           c == HIGH_PRIORITY_CLASS || c == REALTIME_PRIORITY_CLASS;
}

}  // namespace

HANDLE GetCurrentProcess() { return kCurrentProcess; }

DWORD GetPriorityClass(HANDLE process) {
    if (!CheckProcess(process)) return 0;
    return hs::sim::WithProcessState([](hs::sim::ProcessState &s, const hs::sim::Machine &) { return s.priorityClass; });
}

BOOL SetPriorityClass(HANDLE process, DWORD priorityClass) {
    if (!CheckProcess(process)) return FALSE;
    if (!IsPriorityClass(priorityClass)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    hs::sim::WithProcessState([&](hs::sim::ProcessState &s, const hs::sim::Machine &) { s.priorityClass = priorityClass; });
    return TRUE;
}

BOOL GetProcessAffinityMask(HANDLE process, PDWORD_PTR processMask, PDWORD_PTR systemMask) {
    if (!CheckProcess(process)) return FALSE;
    if (processMask == nullptr || systemMask == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    hs::sim::WithProcessState([&](hs::sim::ProcessState &s, const hs::sim::Machine &) {
        *processMask = static_cast<DWORD_PTR>(s.processMask);
        *systemMask = static_cast<DWORD_PTR>(s.systemMask);
    });
    return TRUE;
}

// A mask of 0, or one with a processor outside the system's, is refused and
// leaves the affinity as it was. On the real processor the calling thread is
// moved onto the processors of the mask.
BOOL SetProcessAffinityMask(HANDLE process, DWORD_PTR mask) {
    if (!CheckProcess(process)) return FALSE;
    bool ok = hs::sim::WithProcessState([&](hs::sim::ProcessState &s, const hs::sim::Machine &m) {
        if (mask == 0 || (mask & ~s.systemMask) != 0) return false;
        if (!m.facts.processor.simulated) hs::sim::SetHostAffinity(mask);
        s.processMask = mask;
        return true;
    });
    if (!ok) SetLastError(ERROR_INVALID_PARAMETER);
    return ok ? TRUE : FALSE;
}

void GetSystemInfo(LPSYSTEM_INFO info) {
    if (info == nullptr) return;
    uint32_t processors = 1;
    uint64_t mask = 1;
    hs::sim::WithProcessState([&](hs::sim::ProcessState &s, const hs::sim::Machine &) {
        processors = s.processors;
        mask = s.systemMask;
    });
    hs::CpuidRegs leaf1 = hs::ExecuteCpuid(0) .eax >= 1 ? hs::ExecuteCpuid(1) : hs::CpuidRegs{0, 0, 0, 0};
    std::memset(info, 0, sizeof *info);
    // As a 32-bit process on an x86 processor sees it.
    info->wProcessorArchitecture = 0;  // PROCESSOR_ARCHITECTURE_INTEL
    info->dwPageSize = 4096;
    info->lpMinimumApplicationAddress = reinterpret_cast<LPVOID>(0x00010000);
    info->lpMaximumApplicationAddress = reinterpret_cast<LPVOID>(0x7FFEFFFF);
    info->dwActiveProcessorMask = static_cast<DWORD_PTR>(mask);
    info->dwNumberOfProcessors = processors;
    info->dwProcessorType = 586;  // PROCESSOR_INTEL_PENTIUM
    info->dwAllocationGranularity = 65536;
    info->wProcessorLevel = static_cast<WORD>((leaf1.eax >> 8) & 0xF);
    info->wProcessorRevision = static_cast<WORD>((((leaf1.eax >> 4) & 0xF) << 8) | (leaf1.eax & 0xF));
}
